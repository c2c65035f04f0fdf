#include "platform/BusWindow.h"
#include "platform/RegisteredMessages.h"
#include "skype/CSkypeClient.h"
#include "tests/support/EventLoop.h"
#include "tests/support/MessageRecorder.h"
#include "tests/tools/PcmListener.h"
#include "tools/skype-sim/AudioStreamer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

using namespace ovento;
using namespace ovento::test;
using namespace std::chrono_literals;

namespace {

const UINT kAttach = RegisterWindowMessage(QStringLiteral("SkypeControlAPIAttach"));
const UINT kDiscover = RegisterWindowMessage(QStringLiteral("SkypeControlAPIDiscover"));

// A client-side window that keeps what skype-sim sends it.
class PeerWindow
{
public:
    PeerWindow()
        : window(QStringLiteral("/SimTestPeer"),
                 [this](UINT message, WPARAM wParam, LPARAM lParam) {
                     if (message == kAttach)
                         attaches.push_back({BusHandle(wParam), lParam});
                     if (message == WM_COPYDATA) {
                         const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
                         texts.push_back(QByteArray(static_cast<const char*>(copy->lpData),
                                                    qsizetype(copy->cbData)));
                     }
                     return LRESULT(1);
                 })
    {}

    std::vector<std::pair<BusHandle, LPARAM>> attaches;
    std::vector<QByteArray> texts;
    BusWindow window;
};

class SkypeSimTest : public ::testing::Test
{
protected:
    ~SkypeSimTest() override { StopSim(); }

    // The sim keeps nothing worth a clean exit: its log lines are written unbuffered.
    void StopSim()
    {
        sim.kill();
        sim.waitForFinished();
    }

    // Starts skype-sim and waits for its start-up announcement; its API window's handle.
    BusHandle StartSim(QStringList arguments)
    {
        arguments << QStringLiteral("--log") << LogPath();
        sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim.start(qEnvironmentVariable("OVENTO_SKYPE_SIM"), arguments);
        EXPECT_TRUE(sim.waitForStarted()) << qPrintable(sim.errorString());
        EXPECT_TRUE(WaitUntil([&] { return !peer.attaches.empty(); }));
        if (peer.attaches.empty())
            return BusHandle::Null;
        EXPECT_EQ(peer.attaches[0].second, 0x8001);
        return peer.attaches[0].first;
    }

    QString LogPath() const { return dir.filePath(QStringLiteral("commands.log")); }

    // The log's lines of one kind ("recv", "send", "audio", "scenario"), without the kind.
    QStringList LogLines(const QString& kind) const
    {
        QFile log(LogPath());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        QStringList lines;
        for (const QString& line : QString::fromUtf8(log.readAll()).split(u'\n'))
            if (line.startsWith(kind + u' '))
                lines << line.mid(kind.size() + 1);
        return lines;
    }

    QStringList LoggedCommands() const { return LogLines(QStringLiteral("recv")); }

    QString WriteScenario(const QString& text)
    {
        const QString path = dir.filePath(QStringLiteral("scenario.txt"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        return path;
    }

    // Attaches the peer window as the recorder does, which starts a scenario.
    void Attach()
    {
        const std::size_t before = peer.attaches.size();
        SendNotifyMessage(HWND_BROADCAST, kDiscover, WPARAM(peer.window.Handle()), 0);
        ASSERT_TRUE(WaitUntil([&] { return peer.attaches.size() > before; }));
        ASSERT_EQ(peer.attaches.back().second, 0);
    }

    // What the sim sent the peer so far, as texts.
    QStringList Texts() const
    {
        QStringList texts;
        for (const QByteArray& bytes : peer.texts)
            texts << QString::fromUtf8(bytes.chopped(bytes.endsWith('\0') ? 1 : 0));
        return texts;
    }

    // Sends the commands one by one as the recorder's sender thread does; their results.
    std::vector<LRESULT> SendCommands(BusHandle simWnd, const QStringList& commands)
    {
        std::vector<LRESULT> results;
        std::atomic<bool> done{false};
        std::thread sender([&] {
            for (const QString& command : commands) {
                const QByteArray utf8 = command.toUtf8() + '\0';
                const COPYDATASTRUCT copy{0, std::uint32_t(utf8.size()), utf8.constData()};
                results.push_back(
                    SendMessage(simWnd, WM_COPYDATA, WPARAM(peer.window.Handle()), LPARAM(&copy)));
            }
            done = true;
        });
        EXPECT_TRUE(WaitUntil([&] { return done.load(); }));
        sender.join();
        return results;
    }

    QTemporaryDir dir;
    PeerWindow peer;
    QProcess sim;
};

struct AttachCase
{
    const char* option;
    std::optional<LPARAM> status;
};

TEST_F(SkypeSimTest, AnswersEachDiscoverAsConfigured)
{
    const std::vector<AttachCase> cases = {
        {nullptr, 0}, {"pending", 1}, {"refused", 2}, {"unavailable", 3}, {"silent", {}}};
    for (const AttachCase& c : cases) {
        peer.attaches.clear();
        const BusHandle simWnd =
            StartSim(c.option ? QStringList{QStringLiteral("--attach"), c.option} : QStringList{});
        SendNotifyMessage(HWND_BROADCAST, kDiscover, WPARAM(peer.window.Handle()), 0);
        if (c.status) {
            ASSERT_TRUE(WaitUntil([&] { return peer.attaches.size() == 2; })) << c.option;
            EXPECT_EQ(peer.attaches[1], std::make_pair(simWnd, *c.status)) << c.option;
        } else {
            SpinFor(300ms);
            EXPECT_EQ(peer.attaches.size(), 1u);
        }
        StopSim();
    }
}

TEST_F(SkypeSimTest, AnswersCommandsWithOneThenDeliversRepliesInOrderAndLogsThem)
{
    const BusHandle simWnd = StartSim({});
    const QStringList commands = {"get currentuserhandle",   "get connstatus",
                                  "get userstatus",          "search friends",
                                  "get user alice fullname", "no such command"};
    EXPECT_EQ(SendCommands(simWnd, commands), std::vector<LRESULT>(6, 1));
    ASSERT_TRUE(WaitUntil([&] { return peer.texts.size() == 6; }));
    const std::vector<QByteArray> expected = {
        QByteArray("CURRENTUSERHANDLE echo.tester", 30),
        QByteArray("CONNSTATUS ONLINE", 18),
        QByteArray("USERSTATUS ONLINE", 18),
        QByteArray("USERS alice, bob, +15551234567", 31),
        QByteArray("USER alice FULLNAME Alice Liddell", 34),
        QByteArray("ERROR 2 Unknown command", 24),
    };
    EXPECT_EQ(peer.texts, expected);
    EXPECT_TRUE(WaitUntil([&] { return LoggedCommands() == commands; }));
}

TEST_F(SkypeSimTest, StopsAnsweringPingsAfterTheGivenCount)
{
    const BusHandle simWnd = StartSim({QStringLiteral("--pongs"), QStringLiteral("2")});
    EXPECT_EQ(SendCommands(simWnd, {"ping", "PING", "ping"}), std::vector<LRESULT>(3, 1));
    ASSERT_TRUE(WaitUntil([&] { return peer.texts.size() == 2; }));
    SpinFor(200ms);
    EXPECT_EQ(peer.texts, std::vector<QByteArray>(2, QByteArray("PONG", 5)));
    EXPECT_EQ(LoggedCommands(), QStringList({"ping", "PING", "ping"}));
}

TEST_F(SkypeSimTest, RejectsUnknownOptions)
{
    QProcess bad;
    bad.start(qEnvironmentVariable("OVENTO_SKYPE_SIM"), {"--attach", "maybe"});
    ASSERT_TRUE(bad.waitForFinished(10000));
    EXPECT_NE(bad.exitCode(), 0);
}

TEST_F(SkypeSimTest, TheRecorderClientAttachesAndUnderstandsTheStartUpAnswers)
{
    StartSim({});
    MessageRecorder notify;
    SkypeClientTimings timings;
    timings.ping = 100ms;
    CSkypeClient* client = CSkypeClient::GetInstance(&notify, timings);
    ASSERT_TRUE(WaitUntil([&] { return notify.Count(WM_SKYPE_USERSTATUS) == 2; }));
    EXPECT_EQ(client->GetCurrentUserHandle(), "echo.tester");
    EXPECT_EQ(notify.Only(WM_SKYPE_USERSTATUS),
              std::vector<RecordedMessage>(2, {WM_SKYPE_USERSTATUS, 3, 0}));
    // The friends list is understood: the client asks for each friend's full name.
    const auto queries = [&] {
        return LoggedCommands().filter(QRegularExpression("^(?!ping$)"));
    };
    ASSERT_TRUE(WaitUntil([&] { return queries().size() >= 7; }));
    EXPECT_EQ(queries().mid(0, 7),
              QStringList({"get currentuserhandle", "get connstatus", "get userstatus",
                           "search friends", "get user alice fullname", "get user bob fullname",
                           "get user +15551234567 fullname"}));
    // The keep-alive runs on sim PONGs.
    ASSERT_TRUE(WaitUntil([&] { return LoggedCommands().count("ping") >= 3; }));
    EXPECT_TRUE(client->IsAttached());
    EXPECT_EQ(notify.Count(WM_SKYPE_ATTACHED), 1u);
    EXPECT_EQ(notify.Count(WM_SKYPE_CURRENTUSER), 1u);
    delete client;
}

TEST_F(SkypeSimTest, TheRecorderClientIsToldOfARefusal)
{
    StartSim({QStringLiteral("--attach"), QStringLiteral("refused")});
    MessageRecorder notify;
    CSkypeClient* client = CSkypeClient::GetInstance(&notify);
    ASSERT_TRUE(WaitUntil([&] { return notify.Count(WM_SKYPE_REFUSED) == 1; }));
    EXPECT_FALSE(client->IsAttached());
    EXPECT_EQ(notify.Count(WM_SKYPE_ATTACHED), 0u);
    delete client;
}

TEST_F(SkypeSimTest, PlaysAScenarioInOrderAfterAttachWaitingForTheRecordersCommands)
{
    const QString scenario = QStringLiteral("# a call, its partner's details, and a log-out\n"
                                            "\n"
                                            "call 1001 incoming alice\n"
                                            "status 1001 RINGING\n"
                                            "user carol fullname Carol  C. Lewis\n"
                                            "user carol buddystatus 2\n"
                                            "status 1001 INPROGRESS\n"
                                            "dtmf 1001 5\n"
                                            "  wait-for-command GET CALL 1001 TYPE\n"
                                            "duration 1001 12\n"
                                            "conf 1001 2 alice bob\n"
                                            "wait 50\n"
                                            "status 1001 FINISHED\n"
                                            "user bob fullname\n"
                                            "send CONNSTATUS LOGGEDOUT\n"
                                            "exit\n"
                                            "send never sent\n");
    const BusHandle simWnd = StartSim({QStringLiteral("--scenario"), WriteScenario(scenario)});
    Attach();
    ASSERT_TRUE(WaitUntil([&] { return Texts().size() == 5; }));
    SpinFor(200ms);
    EXPECT_EQ(Texts().size(), 5) << "the scenario went past wait-for-command";
    SendCommands(simWnd, {"get call 1001 type"});
    // The sim makes sure its last texts arrived before it ends, so the peer keeps answering.
    ASSERT_TRUE(WaitUntil([&] { return sim.state() == QProcess::NotRunning; }));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);

    const QStringList expected = {
        "CALL 1001 STATUS RINGING",  "USER carol FULLNAME Carol  C. Lewis",
        "USER carol BUDDYSTATUS 2",  "CALL 1001 STATUS INPROGRESS",
        "CALL 1001 DTMF 5",          "CALL 1001 TYPE INCOMING_P2P",
        "CALL 1001 DURATION 12",     "CALL 1001 CONF_PARTICIPANTS_COUNT 2",
        "CALL 1001 STATUS FINISHED", "USER bob FULLNAME",
        "CONNSTATUS LOGGEDOUT",
    };
    // Everything sent before the exit step arrived, each text in a copy of its own.
    EXPECT_EQ(Texts(), expected);
    for (const QByteArray& bytes : peer.texts)
        EXPECT_TRUE(bytes.endsWith('\0') && bytes.count('\0') == 1) << bytes.constData();
    EXPECT_EQ(LogLines(QStringLiteral("send")), expected);
    EXPECT_EQ(LogLines(QStringLiteral("scenario")), QStringList({"start", "done"}));
}

TEST_F(SkypeSimTest, AnswersEachQueryFromItsCallsAndUsers)
{
    const QString scenario = QStringLiteral("call 1001 incoming alice\n"
                                            "call 1002 outgoing\n"
                                            "call 1003 INCOMING_PSTN +15551234567\n"
                                            "status 1001 INPROGRESS\n"
                                            "status 1002 ROUTING\n"
                                            "conf 1001 2 alice bob\n"
                                            "user carol buddystatus 3\n"
                                            "user carol fullname Carol Lewis\n"
                                            "user bob buddystatus 1\n");
    const BusHandle simWnd = StartSim({QStringLiteral("--scenario"), WriteScenario(scenario)});
    Attach();
    ASSERT_TRUE(WaitUntil([&] { return LogLines(QStringLiteral("scenario")).size() == 2; }));
    ASSERT_TRUE(WaitUntil([&] { return Texts().size() == 6; }));

    const std::vector<std::pair<QString, QString>> cases = {
        {"get call 1001 partner_handle", "CALL 1001 PARTNER_HANDLE alice"},
        {"get call 1002 partner_handle", "CALL 1002 PARTNER_HANDLE"},
        {"get call 1001 type", "CALL 1001 TYPE INCOMING_P2P"},
        {"get call 1002 type", "CALL 1002 TYPE OUTGOING_P2P"},
        {"get call 1003 type", "CALL 1003 TYPE INCOMING_PSTN"},
        {"GET CALL 1001 STATUS", "CALL 1001 STATUS INPROGRESS"},
        {"get call 1003 status", "CALL 1003 STATUS UNPLACED"},
        {"get call 1003 target_identity", "CALL 1003 TARGET_IDENTITY +15551234567"},
        {"get call 1001 conf_participants_count", "CALL 1001 CONF_PARTICIPANTS_COUNT 2"},
        {"get call 1002 conf_participants_count", "CALL 1002 CONF_PARTICIPANTS_COUNT 0"},
        {"get call 1001 conf_participant 1",
         "CALL 1001 CONF_PARTICIPANT 1 bob INCOMING_P2P INPROGRESS Bob Builder"},
        {"get call 1001 conf_participant 2", "ERROR 12 Invalid conference participant"},
        {"get call 1009 status", "ERROR 11 Invalid call id"},
        {"get call 1001 colour", "ERROR 7 GET: invalid WHAT"},
        {"get user carol fullname", "USER carol FULLNAME Carol Lewis"},
        {"get user alice fullname", "USER alice FULLNAME Alice Liddell"},
        {"get user nobody fullname", "ERROR 26 Invalid user handle"},
        {"search friends", "USERS alice, +15551234567, carol"},
        // A call not yet in conversation takes the port and streams nothing until it is.
        {"alter call 1002 set_capture_mic port=\"1\"",
         "ALTER CALL 1002 SET_CAPTURE_MIC port=\"1\""},
        {"alter call 1001 set_output soundcard=\"default\" port=\"65536\"",
         "ERROR 10 ALTER: invalid port"},
        {"alter call 1009 set_output soundcard=\"default\" port=\"58376\"",
         "ERROR 11 Invalid call id"},
        {"alter call 1001 set_volume 3", "ERROR 9 ALTER: invalid action"},
        {"frobnicate", "ERROR 2 Unknown command"},
    };
    QStringList commands;
    QStringList expected = Texts();
    for (const auto& [command, answer] : cases) {
        commands << command;
        expected << answer;
    }
    EXPECT_EQ(SendCommands(simWnd, commands), std::vector<LRESULT>(cases.size(), 1));
    ASSERT_TRUE(WaitUntil([&] { return Texts().size() == expected.size(); }));
    EXPECT_EQ(Texts(), expected);
    EXPECT_TRUE(LogLines(QStringLiteral("audio")).isEmpty());
}

// The blocks a connection carried, against the tone of a side; the number of the first block
// that differs, or -1 when all of them match.
int FirstWrongBlock(const PcmListener::Connection& connection, int toneHz)
{
    AudioStreamer::Options side;
    side.toneHz = toneHz;
    std::int16_t expected[AudioStreamer::kBlockSamples];
    const int blocks = int(connection.head.size() / AudioStreamer::kBlockBytes);
    for (int index = 0; index < blocks; ++index) {
        AudioStreamer::FillBlock(side, std::uint64_t(index), expected);
        const QByteArray block =
            connection.head.mid(index * AudioStreamer::kBlockBytes, AudioStreamer::kBlockBytes);
        if (std::memcmp(block.constData(), expected, sizeof expected) != 0)
            return index;
    }
    return -1;
}

QString Redirect(const char* action, const PcmListener& listener)
{
    return QStringLiteral("alter call 1001 %1 port=\"%2\"")
        .arg(QLatin1String(action))
        .arg(listener.Port());
}

TEST_F(SkypeSimTest, StreamsEachRedirectedSideToItsPortWhileTheCallIsInConversation)
{
    const QString scenario = QStringLiteral("call 1001 outgoing bob\n"
                                            "status 1001 INPROGRESS\n"
                                            "wait-for-command get call 1001 status\n"
                                            "status 1001 LOCALHOLD\n"
                                            "wait-for-command get call 1001 type\n"
                                            "status 1001 INPROGRESS\n"
                                            "wait-for-command get call 1001 partner_handle\n"
                                            "status 1001 FINISHED\n");
    PcmListener remote, mine;
    ASSERT_NE(remote.Port(), 0);
    ASSERT_NE(mine.Port(), 0);
    const BusHandle simWnd = StartSim({QStringLiteral("--scenario"), WriteScenario(scenario)});
    Attach();
    ASSERT_TRUE(WaitUntil([&] { return Texts().contains("CALL 1001 STATUS INPROGRESS"); }));
    SpinFor(100ms);
    EXPECT_TRUE(remote.Connections().empty()) << "audio before the redirection";

    // As the recorder redirects a call it starts recording: each side twice.
    const QString output = Redirect("set_output soundcard=\"default\"", remote);
    const QString mic = Redirect("set_capture_mic", mine);
    QElapsedTimer sinceRedirect;
    sinceRedirect.start();
    SendCommands(simWnd, {output, mic, output, mic});
    const auto bothHave = [&](std::size_t connections, std::uint64_t bytes) {
        return WaitUntil([&] {
            for (const PcmListener* side : {&remote, &mine}) {
                const auto all = side->Connections();
                if (all.size() < connections || all.back().bytes < bytes)
                    return false;
            }
            return true;
        });
    };
    ASSERT_TRUE(bothHave(1, 20 * AudioStreamer::kBlockBytes));

    SendCommands(simWnd, {"get call 1001 status"}); // goes on hold
    const auto bothClosed = [&](std::size_t connections) {
        return WaitUntil([&] {
            for (const PcmListener* side : {&remote, &mine}) {
                const auto all = side->Connections();
                if (all.size() != connections || !all.back().closed)
                    return false;
            }
            return true;
        });
    };
    ASSERT_TRUE(bothClosed(1));
    const qint64 heldAfterMs = sinceRedirect.elapsed();
    for (const PcmListener* side : {&remote, &mine}) {
        const auto first = side->Connections().front();
        EXPECT_EQ(first.bytes % AudioStreamer::kBlockBytes, 0u);
        // Paced in real time: never more than one block per 10 ms since the redirection.
        EXPECT_LE(first.bytes / AudioStreamer::kBlockBytes, std::uint64_t(heldAfterMs / 10 + 1));
    }
    EXPECT_EQ(FirstWrongBlock(remote.Connections()[0], AudioStreamer::kRemoteSideToneHz), -1);
    EXPECT_EQ(FirstWrongBlock(mine.Connections()[0], AudioStreamer::kMySideToneHz), -1);

    // Back in conversation the call streams to the same ports again, on new connections.
    SendCommands(simWnd, {"get call 1001 type", output, mic});
    ASSERT_TRUE(bothHave(2, 10 * AudioStreamer::kBlockBytes));
    SendCommands(simWnd, {"get call 1001 partner_handle"}); // ends the call
    ASSERT_TRUE(bothClosed(2));
    ASSERT_TRUE(WaitUntil([&] { return Texts().contains("CALL 1001 STATUS FINISHED"); }));

    // An ended call has no audio to redirect.
    SendCommands(simWnd, {output});
    ASSERT_TRUE(WaitUntil([&] { return Texts().endsWith("ERROR 13 Call has ended"); }));
    QStringList expectedAudio;
    for (const std::size_t connection : {0, 1}) {
        for (const auto& [side, listener] : {std::pair{"output", &remote}, {"mic", &mine}})
            expectedAudio << QStringLiteral("1001 %1 %2 start").arg(side).arg(listener->Port());
        for (const auto& [side, listener] : {std::pair{"output", &remote}, {"mic", &mine}})
            expectedAudio << QStringLiteral("1001 %1 %2 stop %3")
                                 .arg(side)
                                 .arg(listener->Port())
                                 .arg(listener->Connections()[connection].bytes /
                                      AudioStreamer::kBlockBytes);
    }
    EXPECT_EQ(LogLines(QStringLiteral("audio")), expectedAudio);
}

TEST_F(SkypeSimTest, TheDemoCallRingsTalksAndEnds)
{
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast audio" : "paced audio");
        peer.attaches.clear();
        peer.texts.clear();
        PcmListener remote;
        QStringList arguments = {QStringLiteral("--demo-call"), QStringLiteral("1")};
        if (fast)
            arguments << QStringLiteral("--fast-audio");
        const BusHandle simWnd = StartSim(arguments);
        Attach();
        ASSERT_TRUE(WaitUntil([&] { return Texts().size() == 2; }));
        EXPECT_EQ(Texts(),
                  QStringList({"CALL 1001 STATUS RINGING", "CALL 1001 STATUS INPROGRESS"}));
        SendCommands(simWnd, {"get call 1001 partner_handle", Redirect("set_output", remote)});
        ASSERT_TRUE(WaitUntil([&] { return Texts().size() == 5; }));
        EXPECT_EQ(Texts().mid(2), QStringList({"CALL 1001 PARTNER_HANDLE echo123",
                                               Redirect("set_output", remote)
                                                   .replace("alter call", "ALTER CALL")
                                                   .replace("set_output", "SET_OUTPUT"),
                                               "CALL 1001 STATUS FINISHED"}));
        ASSERT_TRUE(WaitUntil([&] {
            const auto all = remote.Connections();
            return all.size() == 1 && all[0].closed;
        }));
        // One second of conversation is at most 101 paced blocks; unpaced, far more.
        const std::uint64_t blocks = remote.Connections()[0].bytes / AudioStreamer::kBlockBytes;
        if (fast)
            EXPECT_GT(blocks, 101u);
        else
            EXPECT_LE(blocks, 101u);
        EXPECT_GT(blocks, 0u);
        StopSim();
        QFile::remove(LogPath());
    }
}

TEST_F(SkypeSimTest, RefusesAScenarioItCannotPlayNamingTheLine)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {"wait soon", "line 1: \"soon\" is not a count"},
        {"call 1001 incoming alice\n\nstatus 1002 RINGING", "line 3: call 1002 is not declared"},
        {"call 1001 incoming\ncall 1001 outgoing", "line 2: call 1001 is declared twice"},
        {"call 1001 sideways alice", "line 1: a call's type is"},
        {"conf 1001", "line 1: expected: conf <id> <count>"},
        {"send", "line 1: expected: send <text>"},
        {"exit now", "line 1: expected: exit"},
        {"ring 1001", "line 1: unknown step \"ring\""},
    };
    for (const auto& [text, message] : cases) {
        QProcess bad;
        bad.start(qEnvironmentVariable("OVENTO_SKYPE_SIM"),
                  {QStringLiteral("--scenario"), WriteScenario(text)});
        ASSERT_TRUE(bad.waitForFinished(10000));
        EXPECT_EQ(bad.exitCode(), 2) << qPrintable(text);
        EXPECT_TRUE(bad.readAllStandardError().contains(message.toUtf8())) << qPrintable(text);
    }
    for (const QStringList& arguments :
         {QStringList{"--scenario", dir.filePath("missing.txt")}, QStringList{"--demo-call", "0"},
          QStringList{"--demo-call", "5", "--scenario", WriteScenario("exit")}}) {
        QProcess bad;
        bad.start(qEnvironmentVariable("OVENTO_SKYPE_SIM"), arguments);
        ASSERT_TRUE(bad.waitForFinished(10000));
        EXPECT_EQ(bad.exitCode(), 2) << qPrintable(arguments.join(u' '));
    }
}

} // namespace
