#include "skype/CCallTable.h"
#include "skype/CContactList.h"
#include "skype/CSkypeClient.h"
#include "skype/CSkypeCommandQueue.h"
#include "tests/skype/SkypeClientFixture.h"
#include "tests/support/EventLoop.h"
#include "tests/support/MessageRecorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace ovento;
using namespace ovento::test;
using namespace std::chrono_literals;

namespace {

constexpr WPARAM kNoSlot = WPARAM(LPARAM(-1));

// A client that was never started: texts go straight to ParseMessage, the commands it queues
// are taken from the queue and the notify window records what it posts.
class ParserTest : public ::testing::Test
{
protected:
    void SetUp() override { client = NewClient(); }
    void TearDown() override { CSkypeClient::DestroyInstance(); }

    // A fresh client (and fresh stores) after an attach, with the start-up queries taken.
    CSkypeClient* NewClient(const SkypeClientTimings& timings = {})
    {
        CSkypeClient::DestroyInstance();
        CSkypeClient* fresh = CSkypeClient::CreateInstance(&notify, timings);
        fresh->OnAttached();
        EXPECT_EQ(TakeCommands(), kStartUpQueries);
        QCoreApplication::sendPostedEvents();
        notify.Clear();
        return fresh;
    }

    // The texts as the hidden window hands them over; the commands they queued.
    QStringList Parse(const QStringList& texts)
    {
        for (const QString& text : texts)
            client->ParseMessage(text);
        QCoreApplication::sendPostedEvents();
        return TakeCommands();
    }

    static QStringList TakeCommands()
    {
        QStringList commands;
        QString text;
        while (CSkypeCommandQueue::GetInstance()->PopFront(text))
            commands << text;
        return commands;
    }

    // Whether the contact list holds the handle (named or not). Leaves it there.
    static bool IsContact(const QString& h)
    {
        return CContactList::GetInstance()->SetFullName(h, QStringLiteral("probe")) >= 0;
    }

    static QStringList RingingCalls(int count)
    {
        QStringList texts;
        for (int i = 1; i <= count; ++i)
            texts << QStringLiteral("CALL %1 STATUS RINGING").arg(i);
        return texts;
    }

    MessageRecorder notify;
    CSkypeClient* client = nullptr;
};

struct TextCase
{
    const char* name;
    QStringList before; // texts whose own effects are not checked
    QString text;
    QStringList commands;
    std::vector<RecordedMessage> messages;
};

RecordedMessage Call(WPARAM slot, LPARAM what)
{
    return {WM_SKYPE_CALL, slot, what};
}

const QStringList kInProgress12 = {
    "get call 12 type", "get call 12 target_identity", "get call 12 partner_handle",
    "get call 12 partner_handle", // the call table's, as call 12 takes a slot
};
const QStringList kRinging12 = {"CALL 12 STATUS RINGING"};
const QStringList kNone;
const std::vector<RecordedMessage> kNothing;

TEST_F(ParserTest, TextsQueueTheirQueriesAndPostWhatChanged)
{
    const std::vector<TextCase> cases = {
        // Calls.
        {"in progress", {}, "CALL 12 STATUS INPROGRESS", kInProgress12, {Call(0, 2)}},
        {"lower case", {}, "call 12 status inprogress", kInProgress12, {Call(0, 2)}},
        {"mixed case, white space around",
         {},
         "\t Call 12 Status InProgress\r\n",
         kInProgress12,
         {Call(0, 2)}},
        {"ringing",
         {},
         "CALL 12 STATUS RINGING",
         {"get call 12 type", "get call 12 partner_handle"},
         {Call(0, 2)}},
        {"routing",
         {},
         "CALL 12 STATUS ROUTING",
         {"get call 12 type", "get call 12 partner_handle"},
         {Call(0, 2)}},
        {"early media",
         {},
         "CALL 12 STATUS EARLYMEDIA",
         {"get call 12 partner_handle"},
         {Call(0, 2)}},
        {"end of an unseen call", {}, "CALL 12 STATUS FINISHED", kNone, {Call(kNoSlot, 2)}},
        {"unplaced unseen call", {}, "CALL 12 STATUS UNPLACED", kNone, {Call(kNoSlot, 2)}},
        {"unknown status of an unseen call",
         {},
         "CALL 12 STATUS DIALING",
         kNone,
         {Call(kNoSlot, 2)}},
        {"end of a known call", kRinging12, "CALL 12 STATUS FINISHED", kNone, {Call(0, 2)}},
        {"a second call",
         kRinging12,
         "CALL 13 STATUS RINGING",
         {"get call 13 type", "get call 13 partner_handle"},
         {Call(1, 2)}},
        {"full table",
         RingingCalls(20),
         "CALL 99 STATUS INPROGRESS",
         {"get call 99 type", "get call 99 target_identity", "get call 99 partner_handle"},
         {Call(kNoSlot, 2)}},
        {"partner of a new call",
         {},
         "CALL 12 PARTNER_HANDLE bob",
         {"get call 12 partner_handle", "get user bob fullname"},
         {Call(0, 1)}},
        {"partner of a known call",
         kRinging12,
         "CALL 12 PARTNER_HANDLE bob",
         {"get user bob fullname"},
         {Call(0, 1)}},
        {"partner in a full table",
         RingingCalls(20),
         "CALL 99 PARTNER_HANDLE bob",
         {"get user bob fullname"},
         {Call(kNoSlot, 1)}},
        {"DTMF",
         {},
         "CALL 12 DTMF 4",
         {"get call 12 partner_handle"},
         {{WM_SKYPE_DTMF, 0, LPARAM(u'4')}}},
        {"DTMF padded", kRinging12, "CALL 12 DTMF \t# ", kNone, {{WM_SKYPE_DTMF, 0, LPARAM(u'#')}}},
        {"DTMF beyond ASCII", kRinging12, "CALL 12 DTMF \u00e9", kNone, {{WM_SKYPE_DTMF, 0, 0xE9}}},
        {"DTMF in a full table",
         RingingCalls(20),
         "CALL 99 DTMF 1",
         kNone,
         {{WM_SKYPE_DTMF, kNoSlot, LPARAM(u'1')}}},
        {"DTMF of two characters", kRinging12, "CALL 12 DTMF 45", kNone, kNothing},
        {"DTMF of two UTF-16 units", kRinging12, "CALL 12 DTMF \U0001F600", kNone, kNothing},
        {"duration while no call is known",
         {},
         "CALL 12 DURATION 61",
         {"get call 12 partner_handle", "get call 12 type", "get call 12 status",
          "get call 12 conf_participants_count"},
         kNothing},
        {"duration of a known call", kRinging12, "CALL 12 DURATION 61", kNone, kNothing},
        {"conference of two",
         kRinging12,
         "CALL 12 CONF_PARTICIPANTS_COUNT 2",
         {"get call 12 conf_participant 0", "get call 12 conf_participant 1"},
         kNothing},
        {"conference of many",
         kRinging12,
         "CALL 12 CONF_PARTICIPANTS_COUNT 99999999999999999999",
         {"get call 12 conf_participant 0", "get call 12 conf_participant 1"},
         kNothing},
        {"conference of one", kRinging12, "CALL 12 CONF_PARTICIPANTS_COUNT 1", kNone, kNothing},
        {"conference count not a number", kRinging12, "CALL 12 CONF_PARTICIPANTS_COUNT many", kNone,
         kNothing},
        {"conference while no call is known",
         {},
         "CALL 12 CONF_PARTICIPANTS_COUNT 3",
         kNone,
         kNothing},
        {"incoming P2P", {}, "CALL 12 TYPE INCOMING_P2P", kNone, {{WM_SKYPE_INCOMING_P2P, 0, 0}}},
        {"incoming PSTN",
         {},
         "call 12 type incoming_pstn",
         kNone,
         {{WM_SKYPE_INCOMING_PSTN, 0, 0}}},
        {"outgoing", {}, "CALL 12 TYPE OUTGOING_P2P", kNone, kNothing},
        {"target identity answer", kRinging12, "CALL 12 TARGET_IDENTITY +123", kNone, kNothing},
        {"participant answer", kRinging12, "CALL 12 CONF_PARTICIPANT 0 bob", kNone, kNothing},
        // Malformed calls.
        {"status without value", {}, "CALL 12 STATUS", kNone, kNothing},
        {"status with a blank value", {}, "CALL 12 STATUS \t ", kNone, kNothing},
        {"no property", {}, "CALL 12", kNone, kNothing},
        {"no id", {}, "CALL ", kNone, kNothing},
        {"empty property", {}, "CALL 12  STATUS INPROGRESS", kNone, kNothing},
        {"tab for a space", {}, "CALL 12 STATUS\tINPROGRESS", kNone, kNothing},
        // The user and the connection.
        {"connection", {}, "CONNSTATUS ONLINE", kNone, {{WM_SKYPE_USERSTATUS, 3, 0}}},
        {"connecting", {}, "CONNSTATUS CONNECTING", kNone, {{WM_SKYPE_USERSTATUS, 0, 0}}},
        {"user status", {}, "userstatus dnd", kNone, {{WM_SKYPE_USERSTATUS, 7, 0}}},
        {"current user", {}, "CURRENTUSERHANDLE me", kNone, {{WM_SKYPE_CURRENTUSER, 0, 0}}},
        {"version", {}, "SKYPEVERSION 8.1.0", kNone, {{WM_SKYPE_VERSION, 0, 0}}},
        {"error", {}, "ERROR 68 Access denied", kNone, kNothing},
        {"unknown word", {}, "CHAT 1 STATUS RINGING", kNone, kNothing},
        {"a word alone", {}, "CURRENTUSERHANDLE", kNone, kNothing},
        {"only white space", {}, " \t\r\n", kNone, kNothing},
        {"empty", {}, "", kNone, kNothing},
        // Contacts.
        {"users",
         {},
         "USERS alice, bob,carol,  dave",
         {"get user alice fullname", "get user bob,carol fullname", "get user dave fullname"},
         kNothing},
        {"users with an empty entry",
         {},
         "users , alice, , bob",
         {"get user alice fullname", "get user bob fullname"},
         kNothing},
        {"one user", {}, "USERS alice", {"get user alice fullname"}, kNothing},
        {"friend", {}, "USER bob BUDDYSTATUS 2", {"get user bob fullname"}, kNothing},
        {"friend asked for", {}, "user bob buddystatus 3", {"get user bob fullname"}, kNothing},
        {"friend with a sign", {}, "USER bob BUDDYSTATUS +2", {"get user bob fullname"}, kNothing},
        {"no longer a friend", {}, "USER bob BUDDYSTATUS 1", kNone, kNothing},
        {"never a friend", {}, "USER bob BUDDYSTATUS 0", kNone, kNothing},
        {"negative buddy status", {}, "USER bob BUDDYSTATUS -2", kNone, kNothing},
        {"full name", {}, "USER bob FULLNAME Bob", kNone, kNothing},
        {"user without property", {}, "USER bob", kNone, kNothing},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        client = NewClient();
        Parse(c.before);
        notify.Clear();
        EXPECT_EQ(Parse({c.text}), c.commands);
        EXPECT_EQ(notify.All(), c.messages);
    }
}

TEST_F(ParserTest, NoSlotReachesTheMainWindowAsMinusOne)
{
    Parse({"CALL 12 STATUS FINISHED"});
    const std::vector<RecordedMessage> calls = notify.Only(WM_SKYPE_CALL);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(int(LPARAM(calls[0].wParam)), -1);
}

struct WordCase
{
    QString word;
    int code;
};

TEST_F(ParserTest, StatusWordsMapToTheirCodes)
{
    const std::vector<WordCase> userWords = {
        {"LOGGEDOUT", 1},
        {"OFFLINE", 2},
        {"ONLINE", 3},
        {"SKYPEME", 4},
        {"AWAY", 5},
        {"NA", 6},
        {"DND", 7},
        {"INVISIBLE", 8},
        {"online", 3},
        {"CONNECTING", 0},
        {"ONLINE 1", 0},
        // The C library's white space test keeps a no-break space.
        {"ONLINE\u00a0", 0},
    };
    for (const WordCase& c : userWords) {
        SCOPED_TRACE(c.word.toStdString());
        notify.Clear();
        Parse({"USERSTATUS " + c.word, "CONNSTATUS " + c.word});
        EXPECT_EQ(notify.All(),
                  std::vector<RecordedMessage>(2, {WM_SKYPE_USERSTATUS, WPARAM(c.code), 0}));
    }

    const std::vector<WordCase> callWords = {
        {"UNPLACED", 1},   {"ROUTING", 2},    {"EARLYMEDIA", 3}, {"FAILED", 4},
        {"RINGING", 5},    {"INPROGRESS", 6}, {"ONHOLD", 7},     {"LOCALHOLD", 7},
        {"REMOTEHOLD", 7}, {"FINISHED", 8},   {"MISSED", 9},     {"REFUSED", 10},
        {"BUSY", 11},      {"CANCELLED", 12}, {"cancelled", 12}, {"ANSWERED", 0},
    };
    CCallTable* calls = CCallTable::GetInstance();
    for (const WordCase& c : callWords) {
        SCOPED_TRACE(c.word.toStdString());
        Parse({"CALL 1 STATUS RINGING", "CALL 1 STATUS " + c.word});
        EXPECT_EQ(calls->GetCallStatusAt(0), c.code);
    }
}

struct NameCase
{
    const char* name;
    QStringList texts;
    QString handle;
    QString fullName;
};

TEST_F(ParserTest, UserTextsKeepTheFullNames)
{
    const std::vector<NameCase> cases = {
        {"full name", {"USER bob FULLNAME Bob  Smith "}, "bob", "Bob  Smith"},
        {"in lower case", {"user bob fullname Bob"}, "bob", "Bob"},
        {"without a name the handle stands for it", {"USER bob FULLNAME"}, "bob", "bob"},
        {"a call partner's name is not stored",
         {"CALL 1 PARTNER_HANDLE Bob", "USER bob FULLNAME Bobby", "USER bob FULLNAME"},
         "bob",
         ""},
        {"the user's own name is not stored",
         {"CURRENTUSERHANDLE me", "USER me FULLNAME Myself"},
         "me",
         ""},
        {"handles compare exactly",
         {"CURRENTUSERHANDLE me", "USER Me FULLNAME Other"},
         "Me",
         "Other"},
        {"a friend lost", {"USER carol FULLNAME Carol", "USER carol BUDDYSTATUS 1"}, "carol", ""},
        {"a friend kept",
         {"USER carol FULLNAME Carol", "USER carol BUDDYSTATUS 2"},
         "carol",
         "Carol"},
        {"other properties", {"USER erin ONLINESTATUS ONLINE"}, "erin", ""},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        client = NewClient();
        Parse(c.texts);
        EXPECT_EQ(CContactList::GetInstance()->GetFullName(c.handle), c.fullName);
    }
}

TEST_F(ParserTest, PartnersAndFriendsBecomeContacts)
{
    Parse({"CALL 12 PARTNER_HANDLE bob", "USERS alice, carol", "USER dave BUDDYSTATUS 3",
           "USER erin BUDDYSTATUS 3", "USER erin BUDDYSTATUS 1"});
    for (const char* h : {"bob", "alice", "carol", "dave"})
        EXPECT_TRUE(IsContact(h)) << h;
    EXPECT_FALSE(IsContact("erin"));
}

TEST_F(ParserTest, UsersBeforeTheFirstAttachAreIgnored)
{
    CSkypeClient::DestroyInstance();
    client = CSkypeClient::CreateInstance(&notify);
    // Open the queue without an attach, so any query the answer caused would show.
    CSkypeCommandQueue::GetInstance()->SetEnabled(true);
    EXPECT_EQ(Parse({"USERS alice, bob"}), kNone);
    EXPECT_FALSE(IsContact("alice"));

    client->OnAttached();
    EXPECT_EQ(TakeCommands(), kStartUpQueries);
    EXPECT_EQ(Parse({"USERS alice, bob"}),
              QStringList({"get user alice fullname", "get user bob fullname"}));
    EXPECT_TRUE(IsContact("alice"));
}

TEST_F(ParserTest, ALongUsersAnswerIsTakenWhole)
{
    // A large friends list; the largest text Skype can send holds about 20000 handles.
    constexpr int kHandles = 5000;
    QStringList handles;
    QStringList expected;
    for (int i = 0; i < kHandles; ++i) {
        handles << QStringLiteral("user%1").arg(i);
        expected << QStringLiteral("get user user%1 fullname").arg(i);
    }
    EXPECT_EQ(Parse({"USERS " + handles.join(", ")}), expected);
    EXPECT_TRUE(IsContact("user0"));
    EXPECT_TRUE(IsContact(QStringLiteral("user%1").arg(kHandles - 1)));
}

TEST_F(ParserTest, UserStateIsKeptForTheMainWindow)
{
    EXPECT_TRUE(client->IsIncomingCall()) << "until a TYPE answer says otherwise";
    Parse({"CURRENTUSERHANDLE  alice.b ", "SKYPEVERSION 8.1 beta"});
    EXPECT_EQ(client->GetCurrentUserHandle(), "alice.b");
    EXPECT_EQ(client->GetSkypeVersion(), "8.1 beta");

    Parse({"CALL 1 TYPE OUTGOING_PSTN"});
    EXPECT_FALSE(client->IsIncomingCall());
    Parse({"CALL 1 TYPE INCOMING_PSTN"});
    EXPECT_TRUE(client->IsIncomingCall());
    Parse({"CALL 1 TYPE INCOMING_P2P", "CALL 1 STATUS INPROGRESS", "CALL 2 STATUS RINGING"});
    EXPECT_EQ(CCallTable::GetInstance()->CountCalls(), 2);

    client->Reset();
    EXPECT_FALSE(client->IsIncomingCall());
    EXPECT_EQ(CCallTable::GetInstance()->CountCalls(), 0);
    EXPECT_EQ(client->GetCurrentUserHandle(), "alice.b");
    notify.Clear();
    Parse({"CALL 1 STATUS FINISHED"});
    EXPECT_EQ(notify.All(), std::vector<RecordedMessage>({Call(kNoSlot, 2)}));
}

TEST_F(ParserTest, ConnectionLoggedOutDetachesButUserLoggedOutDoesNot)
{
    Parse({"USERSTATUS LOGGEDOUT"});
    EXPECT_TRUE(client->IsAttached());
    Parse({"CONNSTATUS LOGGEDOUT"});
    EXPECT_FALSE(client->IsAttached());
    EXPECT_EQ(client->SendCommand(QStringLiteral("get userstatus")), 0);
    EXPECT_EQ(notify.All(), std::vector<RecordedMessage>(2, {WM_SKYPE_USERSTATUS, 1, 0}));
    // Nothing is taken that could not go out.
    EXPECT_EQ(Parse({"CALL 12 STATUS RINGING"}), kNone);
    EXPECT_FALSE(client->SetOutput("12", "58376"));
    client->OnAttached();
    EXPECT_TRUE(client->IsAttached());
    EXPECT_EQ(TakeCommands(), kStartUpQueries);
}

TEST_F(ParserTest, ABurstOfUserTextsPostsTheContactsOnceAfterTheLast)
{
    SkypeClientTimings timings;
    timings.contacts = 400ms;
    client = NewClient(timings);
    // Neither starts the timer.
    Parse({"USERS alice, bob", "USER bob"});

    QElapsedTimer sinceLast;
    for (int i = 0; i < 5; ++i) {
        if (i > 0)
            SpinFor(100ms);
        Parse({QStringLiteral("USER u%1 FULLNAME U").arg(i)});
        sinceLast.start();
        EXPECT_EQ(notify.Count(WM_SKYPE_CONTACTS), 0u) << i;
    }
    ASSERT_TRUE(WaitUntil([&] { return notify.Count(WM_SKYPE_CONTACTS) > 0; }));
    // Coarse timers may fire up to 5 % early.
    EXPECT_GE(sinceLast.elapsed(), 400 * 95 / 100);
    SpinFor(800ms);
    EXPECT_EQ(notify.All(), std::vector<RecordedMessage>({{WM_SKYPE_CONTACTS, 0, 0}}));
}

TEST_F(ParserTest, BuildersQueueTheCommandTexts)
{
    struct BuilderCase
    {
        std::function<void()> build;
        QStringList commands;
    };
    const QString id = QStringLiteral("1234");
    const std::vector<BuilderCase> cases = {
        {[&] { client->GetCallStatus(id); }, {"get call 1234 status"}},
        {[&] { client->GetCallPartnerHandle(id); }, {"get call 1234 partner_handle"}},
        {[&] { client->GetCallType(id); }, {"get call 1234 type"}},
        {[&] { client->GetCallTargetIdentity(id); }, {"get call 1234 target_identity"}},
        {[&] { client->GetCallConfParticipantsCount(id); },
         {"get call 1234 conf_participants_count"}},
        {[&] { client->GetCallConfParticipant(id, "1"); }, {"get call 1234 conf_participant 1"}},
        {[&] { client->GetUserFullName(" bob\t"); }, {"get user bob fullname"}},
        {[&] { client->GetUserFullName(" \t"); }, {}},
        {[&] { EXPECT_TRUE(client->SetCaptureMic(id, "58377")); },
         {"alter call 1234 set_capture_mic port=\"58377\""}},
        {[&] { EXPECT_TRUE(client->SetOutput(id, "58376")); },
         {"alter call 1234 set_output soundcard=\"default\" port=\"58376\""}},
        {[&] { client->QueryCallDetails(id); },
         {"get call 1234 partner_handle", "get call 1234 type", "get call 1234 status",
          "get call 1234 conf_participants_count"}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        cases[i].build();
        EXPECT_EQ(TakeCommands(), cases[i].commands);
    }

    Parse({"CALL 9 STATUS RINGING"});
    client->QueryCallDetails(id);
    EXPECT_EQ(TakeCommands(), kNone) << "a call is known";
}

TEST_F(ParserTest, RedirectionsReportWhetherTheyWereQueued)
{
    client->Detach();
    EXPECT_FALSE(client->SetOutput("12", "58376"));
    EXPECT_FALSE(client->SetCaptureMic("12", "58377"));
    client->OnAttached();
    EXPECT_EQ(TakeCommands(), kStartUpQueries) << "nothing was kept from before";
}

TEST_F(ParserTest, AClientWithoutANotifyWindowStillParses)
{
    CSkypeClient::DestroyInstance();
    client = CSkypeClient::CreateInstance(nullptr);
    client->OnAttached();
    TakeCommands();
    EXPECT_EQ(Parse({"SKYPEVERSION 8", "CALL 5 STATUS RINGING"}),
              QStringList({"get call 5 type", "get call 5 partner_handle"}));
    EXPECT_EQ(client->GetSkypeVersion(), "8");
    EXPECT_EQ(CCallTable::GetInstance()->GetCallStatusAt(0), CALL_STATUS_RINGING);
    EXPECT_TRUE(notify.All().empty());
}

// Over the bus: a connection that Skype reports logged out delivers nothing until the next
// attach, which sends what was queued meanwhile ahead of its start-up queries.
using ParserBusTest = SkypeClientFixture;

TEST_F(ParserBusTest, ConnectionLoggedOutHoldsDeliveriesUntilTheNextAttach)
{
    CSkypeClient* client = StartAttached();
    // Keep the sender inside a delivery while Skype reports the logout.
    skype.holdReplies = true;
    client->QueueCommand(QStringLiteral("held"));
    ASSERT_TRUE(WaitForCommands(5));
    client->QueueCommand(QStringLiteral("queued before the logout"));

    EXPECT_EQ(AnswerOf(skype.SendCopyData("CONNSTATUS LOGGEDOUT")), 1);
    ASSERT_TRUE(WaitUntil([&] { return notify.Count(WM_SKYPE_USERSTATUS) == 1; }));
    EXPECT_EQ(notify.Only(WM_SKYPE_USERSTATUS)[0], (RecordedMessage{WM_SKYPE_USERSTATUS, 1, 0}));
    EXPECT_FALSE(client->IsAttached());
    skype.holdReplies = false;
    skype.ReleaseHeld();
    EXPECT_FALSE(client->SetCaptureMic(QStringLiteral("12"), QStringLiteral("58377")));
    SpinFor(300ms);
    EXPECT_EQ(skype.Commands().size(), 5u);

    skype.SendAttach(0);
    ASSERT_TRUE(WaitForCommands(10));
    EXPECT_EQ(skype.CommandTexts().mid(5),
              QStringList("queued before the logout") + kStartUpQueries);
}

TEST_F(ParserBusTest, UserLoggedOutLeavesDeliveriesAlone)
{
    CSkypeClient* client = StartAttached();
    EXPECT_EQ(AnswerOf(skype.SendCopyData("USERSTATUS LOGGEDOUT")), 1);
    ASSERT_TRUE(WaitUntil([&] { return notify.Count(WM_SKYPE_USERSTATUS) == 1; }));
    EXPECT_EQ(notify.Only(WM_SKYPE_USERSTATUS)[0], (RecordedMessage{WM_SKYPE_USERSTATUS, 1, 0}));
    client->QueueCommand(QStringLiteral("goes out"));
    ASSERT_TRUE(WaitForCommands(5));
    EXPECT_EQ(skype.CommandTexts().last(), "goes out");
}

// The typical call, from Skype's texts to the queries Skype receives.
TEST_F(ParserBusTest, ACallInProgressIsFollowedUpOverTheBus)
{
    StartAttached();
    EXPECT_EQ(AnswerOf(skype.SendCopyData("CALL 1234 STATUS RINGING")), 1);
    EXPECT_EQ(AnswerOf(skype.SendCopyData("CALL 1234 STATUS INPROGRESS")), 1);
    ASSERT_TRUE(WaitForCommands(9));
    EXPECT_EQ(
        skype.CommandTexts().mid(4),
        QStringList({"get call 1234 type", "get call 1234 partner_handle", "get call 1234 type",
                     "get call 1234 target_identity", "get call 1234 partner_handle"}));
    ASSERT_TRUE(WaitUntil([&] { return notify.Count(WM_SKYPE_CALL) == 2; }));
    EXPECT_EQ(notify.Only(WM_SKYPE_CALL), std::vector<RecordedMessage>(2, Call(0, 2)));
    EXPECT_EQ(CCallTable::GetInstance()->GetCallStatusAt(0), CALL_STATUS_INPROGRESS);
}

} // namespace
