#include "platform/BusWindow.h"
#include "platform/RegisteredMessages.h"
#include "skype/CSkypeClient.h"
#include "tests/support/EventLoop.h"
#include "tests/support/MessageRecorder.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
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
    ~SkypeSimTest() override
    {
        sim.terminate();
        sim.waitForFinished(5000);
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

    QStringList LoggedCommands() const
    {
        QFile log(LogPath());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
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
        sim.terminate();
        sim.waitForFinished(5000);
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

TEST_F(SkypeSimTest, TheRecorderClientAttachesAndReceivesTheStartUpAnswers)
{
    StartSim({});
    MessageRecorder notify;
    SkypeClientTimings timings;
    timings.ping = 100ms;
    CSkypeClient* client = CSkypeClient::GetInstance(&notify, timings);
    ASSERT_TRUE(WaitUntil([&] { return client->ReceivedTexts().size() == 4; }));
    EXPECT_EQ(client->ReceivedTexts(),
              std::vector<QString>({"CURRENTUSERHANDLE echo.tester", "CONNSTATUS ONLINE",
                                    "USERSTATUS ONLINE", "USERS alice, bob, +15551234567"}));
    // The keep-alive runs on sim PONGs, which never reach the parser.
    ASSERT_TRUE(WaitUntil([&] { return LoggedCommands().count("ping") >= 3; }));
    EXPECT_EQ(LoggedCommands().mid(0, 4), QStringList({"get currentuserhandle", "get connstatus",
                                                       "get userstatus", "search friends"}));
    EXPECT_TRUE(client->IsAttached());
    EXPECT_EQ(client->ReceivedTexts().size(), 4u);
    EXPECT_EQ(notify.Count(WM_SKYPE_ATTACHED), 1u);
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

} // namespace
