#include "platform/RegisteredMessages.h"
#include "tests/skype/SkypeClientFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

using namespace ovento;
using namespace ovento::test;
using namespace std::chrono_literals;

namespace {

using CSkypeClientTest = SkypeClientFixture;

int SenderThreadCount()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    int count = 0;
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task + QStringLiteral("/comm")));
        if (name.open(QIODevice::ReadOnly) && name.readAll().trimmed() == "skype-sender")
            ++count;
    }
    return count;
}

QByteArray WithNul(const char* text)
{
    return QByteArray(text, qsizetype(std::strlen(text)) + 1);
}

TEST_F(CSkypeClientTest, AttachSendsTheStartUpQueriesInOrderAsUtf8WithTheirNul)
{
    CSkypeClient* client = StartAttached();
    ASSERT_EQ(skype.Commands().size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const FakeSkype::Command& command = skype.Commands()[size_t(i)];
        EXPECT_EQ(command.bytes, kStartUpQueries[i].toUtf8().append('\0'));
        EXPECT_EQ(command.wparam, BusHandleText(client->GetWindowHandle()));
        EXPECT_EQ(command.lparam, 0);
    }
    EXPECT_TRUE(client->IsAttached());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^:[0-9.]+/ISkypeWnd[0-9a-f]{8}(_[0-9a-f]{4}){3}_"
                                                  "[0-9a-f]{12}$"))
                    .match(BusHandleText(client->GetWindowHandle()))
                    .hasMatch());

    SpinFor(100ms);
    EXPECT_EQ(notify.Count(WM_SKYPE_ATTACHED), 1u);
    EXPECT_EQ(notify.All().size(), 1u);
}

TEST_F(CSkypeClientTest, SecondStartAndGetInstanceCreateNothing)
{
    CSkypeClient* client = StartClient();
    const BusHandle window = client->GetWindowHandle();
    EXPECT_TRUE(client->Start(&notify));
    EXPECT_EQ(CSkypeClient::GetInstance(&notify), client);
    EXPECT_EQ(client->GetWindowHandle(), window);
    SpinFor(100ms);
    EXPECT_EQ(skype.DiscoverCount(), 1);
}

TEST_F(CSkypeClientTest, ApiAvailableTriggersADiscoverOnlyWhileNotAttached)
{
    skype.discoverAnswer.reset();
    CSkypeClient* client = StartClient();
    ASSERT_TRUE(WaitUntil([&] { return skype.DiscoverCount() == 1; }));
    skype.AnnounceApi();
    ASSERT_TRUE(WaitUntil([&] { return skype.DiscoverCount() == 2; }));
    EXPECT_FALSE(client->IsAttached());

    skype.SendAttach(0);
    ASSERT_TRUE(WaitForCommands(4));
    skype.AnnounceApi();
    SpinFor(200ms);
    EXPECT_EQ(skype.DiscoverCount(), 2);
    EXPECT_EQ(skype.Commands().size(), 4u);
}

TEST_F(CSkypeClientTest, PendingAndUnavailableAnswersChangeNothing)
{
    for (const qlonglong status : {1, 3, 7}) {
        skype.discoverAnswer = status;
        CSkypeClient* client = StartClient();
        ASSERT_TRUE(WaitUntil([&] { return skype.DiscoverCount() > 0; }));
        SpinFor(100ms);
        EXPECT_FALSE(client->IsAttached()) << status;
        delete client;
    }
    EXPECT_TRUE(skype.Commands().empty());
    EXPECT_TRUE(notify.All().empty());
}

struct CopyDataCase
{
    const char* name;
    QByteArray bytes;
    qlonglong answer;
    std::optional<QString> version; // what the parser took for the version text, if it ran
};

// The texts carry a version answer, whose text the parser keeps as it was decoded.
TEST_F(CSkypeClientTest, TextsFromSkypeAreDecodedAndPongsNeverReachTheParser)
{
    const QByteArray largest = "SKYPEVERSION " + QByteArray(65536 - 13, 'a');
    const std::vector<CopyDataCase> cases = {
        {"reply", WithNul("SKYPEVERSION 8.1"), 1, QStringLiteral("8.1")},
        {"pong in any case", WithNul("PoNg"), 1, std::nullopt},
        {"empty", QByteArray(), 1, std::nullopt},
        {"only a NUL", WithNul(""), 1, std::nullopt},
        {"no NUL", QByteArray("SKYPEVERSION no NUL"), 1, QStringLiteral("no NUL")},
        {"text ends at the NUL", QByteArray("SKYPEVERSION abc\0def", 20), 1, QStringLiteral("abc")},
        {"UTF-8", WithNul("SKYPEVERSION b\xc3\xa9"), 1, QStringLiteral("b\u00e9")},
        {"invalid UTF-8", WithNul("SKYPEVERSION \xff\xfe 1"), 1, QString::fromUtf8("\xff\xfe 1")},
        {"largest copy", largest, 1, QString(65536 - 13, u'a')},
        {"too large", largest + 'a', 0, std::nullopt},
    };
    CSkypeClient* client = StartAttached();
    for (const CopyDataCase& c : cases) {
        const size_t before = notify.Count(WM_SKYPE_VERSION);
        const QString versionBefore = client->GetSkypeVersion();
        EXPECT_EQ(AnswerOf(skype.SendCopyData(c.bytes)), c.answer) << c.name;
        QCoreApplication::sendPostedEvents();
        if (c.version) {
            EXPECT_EQ(notify.Count(WM_SKYPE_VERSION), before + 1) << c.name;
            EXPECT_EQ(client->GetSkypeVersion(), *c.version) << c.name;
        } else {
            EXPECT_EQ(notify.Count(WM_SKYPE_VERSION), before) << c.name;
            EXPECT_EQ(client->GetSkypeVersion(), versionBefore) << c.name;
        }
    }
    EXPECT_EQ(notify.All().size(), notify.Count(WM_SKYPE_VERSION) + 1) << "and the attach";
}

TEST_F(CSkypeClientTest, MessagesFromAnyOtherWindowAreAnsweredZeroAndIgnored)
{
    skype.discoverAnswer.reset();
    CSkypeClient* client = StartClient();
    ASSERT_TRUE(WaitUntil([&] { return skype.DiscoverCount() == 1; }));
    const QString clientWnd = BusHandleText(client->GetWindowHandle());
    FakeSkype intruder;
    const QString attach = QStringLiteral("SkypeControlAPIAttach");
    const QString copyData = QStringLiteral("WM_COPYDATA");

    // An attach that claims to come from Skype's window, sent on another connection.
    EXPECT_EQ(AnswerOf(SendRaw(intruder.Connection(), clientWnd, attach, skype.Handle(), 0, {})),
              0);
    EXPECT_EQ(
        AnswerOf(SendRaw(intruder.Connection(), clientWnd, attach, QStringLiteral("junk"), 0, {})),
        0);
    SpinFor(50ms);
    EXPECT_FALSE(client->IsAttached());

    skype.SendAttach(0);
    ASSERT_TRUE(WaitForCommands(4));
    const QByteArray text = WithNul("USERSTATUS AWAY");
    // A true window that is not Skype's, and a forgery naming Skype's.
    EXPECT_EQ(
        AnswerOf(SendRaw(intruder.Connection(), clientWnd, copyData, intruder.Handle(), 0, text)),
        0);
    EXPECT_EQ(
        AnswerOf(SendRaw(intruder.Connection(), clientWnd, copyData, skype.Handle(), 0, text)), 0);
    EXPECT_EQ(AnswerOf(SendRaw(skype.Connection(), clientWnd, QStringLiteral("NoSuchMessage"),
                               skype.Handle(), 0, text)),
              0);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(notify.Count(WM_SKYPE_USERSTATUS), 0u);
    EXPECT_EQ(AnswerOf(skype.SendCopyData(text)), 1);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(notify.Only(WM_SKYPE_USERSTATUS),
              std::vector<RecordedMessage>({{WM_SKYPE_USERSTATUS, 5, 0}}));
}

TEST_F(CSkypeClientTest, CommandsQueuedBeforeARefusalGoOutFirstAfterTheNextAttach)
{
    CSkypeClient* client = StartAttached();
    // Keep the sender inside a delivery while the refusal arrives.
    skype.holdReplies = true;
    client->QueueCommand(QStringLiteral("held"));
    ASSERT_TRUE(WaitForCommands(5));
    client->QueueCommand(QStringLiteral("first"));
    client->QueueCommand(QStringLiteral("second"));

    skype.SendAttach(2);
    ASSERT_TRUE(WaitUntil([&] { return notify.Count(WM_SKYPE_REFUSED) == 1; }));
    EXPECT_FALSE(client->IsAttached());
    skype.holdReplies = false;
    skype.ReleaseHeld();
    client->QueueCommand(QStringLiteral("dropped while refused"));
    SpinFor(100ms);
    EXPECT_EQ(skype.Commands().size(), 5u);

    skype.SendAttach(0);
    ASSERT_TRUE(WaitForCommands(11));
    EXPECT_EQ(skype.CommandTexts().mid(5), QStringList({"first", "second"}) + kStartUpQueries);
    EXPECT_EQ(notify.Only(WM_SKYPE_REFUSED)[0], (RecordedMessage{WM_SKYPE_REFUSED, 0, 0}));
    EXPECT_EQ(notify.Count(WM_SKYPE_ATTACHED), 2u);
}

TEST_F(CSkypeClientTest, MissedPongsRediscoverThreeTimesThenDetach)
{
    SkypeClientTimings timings = QuickTimings();
    timings.ping = 100ms;
    skype.answerPings = false;
    CSkypeClient* client = StartAttached(timings);
    skype.discoverAnswer.reset();
    const int discoversAtAttach = skype.DiscoverCount();

    ASSERT_TRUE(WaitUntil([&] { return !client->IsAttached(); }));
    EXPECT_EQ(skype.DiscoverCount() - discoversAtAttach, 3);
    EXPECT_EQ(skype.CommandTexts(), kStartUpQueries + QStringList{"ping"});

    // The keep-alive has given up: nothing more is broadcast or sent.
    client->QueueCommand(QStringLiteral("dropped while detached"));
    SpinFor(500ms);
    EXPECT_EQ(skype.DiscoverCount() - discoversAtAttach, 3);
    EXPECT_EQ(skype.Commands().size(), 5u);
    EXPECT_EQ(notify.All().size(), 1u) << "the notify window is not told";
}

TEST_F(CSkypeClientTest, AnsweredPongsKeepTheConnectionWithoutRediscovery)
{
    SkypeClientTimings timings = QuickTimings();
    timings.ping = 50ms;
    CSkypeClient* client = StartAttached(timings);
    ASSERT_TRUE(WaitUntil([&] { return skype.CommandTexts().count("ping") >= 4; }));
    EXPECT_TRUE(client->IsAttached());
    EXPECT_EQ(skype.DiscoverCount(), 1);
}

TEST_F(CSkypeClientTest, AttachWhileRediscoveringRestartsOnlyTheKeepAlive)
{
    SkypeClientTimings timings = QuickTimings();
    timings.ping = 100ms;
    skype.answerPings = false; // every ping tick without a pong rediscovers, and Skype answers
    CSkypeClient* client = StartAttached(timings);

    ASSERT_TRUE(WaitUntil([&] { return skype.CommandTexts().count("ping") >= 3; }));
    EXPECT_GE(skype.DiscoverCount(), 3);
    EXPECT_TRUE(client->IsAttached());
    QStringList texts = skype.CommandTexts();
    texts.removeAll(QStringLiteral("ping"));
    EXPECT_EQ(texts, kStartUpQueries);
    EXPECT_EQ(notify.Count(WM_SKYPE_ATTACHED), 1u);
}

TEST_F(CSkypeClientTest, ContactsTimerPostsOnceAfterTheLastRestart)
{
    CSkypeClient* client = StartClient();
    for (int i = 0; i < 5; ++i) {
        client->RestartContactsTimer();
        SpinFor(50ms);
    }
    EXPECT_EQ(notify.Count(WM_SKYPE_CONTACTS), 0u);
    ASSERT_TRUE(WaitUntil([&] { return notify.Count(WM_SKYPE_CONTACTS) == 1; }));
    SpinFor(200ms);
    EXPECT_EQ(notify.Only(WM_SKYPE_CONTACTS),
              std::vector<RecordedMessage>({{WM_SKYPE_CONTACTS, 0, 0}}));
}

enum class SenderState
{
    WaitingForAttach,
    Idle,
    InsideAnUnansweredSend
};

class CSkypeClientStopTest : public SkypeClientFixture,
                             public ::testing::WithParamInterface<SenderState>
{};

TEST_P(CSkypeClientStopTest, StopReturnsPromptlyAndEndsTheSenderThread)
{
    SkypeClientTimings timings = QuickTimings();
    if (GetParam() == SenderState::Idle)
        timings.idlePoll = 60s; // Stop must wake the sender, not wait for its poll
    // A joined thread can stay listed for a moment while the kernel reaps it.
    ASSERT_TRUE(WaitUntil([] { return SenderThreadCount() == 0; }));
    if (GetParam() == SenderState::WaitingForAttach)
        skype.discoverAnswer.reset();
    // Skype takes the first start-up query and never answers it.
    skype.holdReplies = GetParam() == SenderState::InsideAnUnansweredSend;
    CSkypeClient* client = StartClient(timings);
    ASSERT_TRUE(WaitUntil([&] { return skype.DiscoverCount() == 1; }));
    if (GetParam() == SenderState::Idle) {
        ASSERT_TRUE(WaitUntil([&] { return client->IsAttached(); }));
    }
    if (GetParam() == SenderState::InsideAnUnansweredSend) {
        ASSERT_TRUE(WaitForCommands(1));
    }
    SpinFor(50ms);
    EXPECT_EQ(SenderThreadCount(), 1);

    QElapsedTimer clock;
    clock.start();
    client->Stop();
    EXPECT_LT(clock.elapsed(), 10000) << "Stop waited for the bus time-out or a sleep";
    EXPECT_EQ(client->GetWindowHandle(), BusHandle::Null);
    delete client;
    EXPECT_TRUE(WaitUntil([] { return SenderThreadCount() == 0; }));
}

INSTANTIATE_TEST_SUITE_P(AllSenderStates, CSkypeClientStopTest,
                         ::testing::Values(SenderState::WaitingForAttach, SenderState::Idle,
                                           SenderState::InsideAnUnansweredSend));

TEST_F(CSkypeClientTest, AStoppedClientCanStartAgain)
{
    CSkypeClient* client = StartAttached();
    client->Stop();
    EXPECT_TRUE(client->Start(&notify));
    ASSERT_TRUE(WaitForCommands(8));
    EXPECT_EQ(skype.CommandTexts().mid(4), kStartUpQueries);
}

} // namespace
