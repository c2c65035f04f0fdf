#include "platform/BusWindow.h"

#include "platform/RegisteredMessages.h"
#include "tests/skype/FakeSkype.h"
#include "tests/support/EventLoop.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace ovento;
using namespace ovento::test;
using namespace std::chrono_literals;

namespace {

struct Received
{
    UINT message;
    BusHandle from;
    LPARAM lParam;
    QByteArray data;
    std::uintptr_t dwData = 0;
    bool onWindowThread = false;
};

// A bus window that keeps what reaches its procedure and answers with a set result.
class RecordingWindow
{
public:
    explicit RecordingWindow(const QString& path)
        : window(path, [this](UINT m, WPARAM w, LPARAM l) { return Record(m, w, l); })
    {}

    BusHandle Handle() const { return window.Handle(); }
    QString Text() const { return BusHandleText(window.Handle()); }

    std::vector<Received> received;
    LRESULT result = 42;
    BusWindow window;

private:
    LRESULT Record(UINT message, WPARAM wParam, LPARAM lParam)
    {
        Received r{message, BusHandle(wParam),
                   lParam,  {},
                   0,       QThread::currentThread() == QCoreApplication::instance()->thread()};
        if (message == WM_COPYDATA) {
            const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            r.data = QByteArray(static_cast<const char*>(copy->lpData), qsizetype(copy->cbData));
            r.dwData = copy->dwData;
        }
        received.push_back(r);
        return result;
    }
};

// Runs the work on a thread of its own (as the sender thread does) while this thread keeps
// serving its windows.
template <typename Work> auto OnWorkerThread(Work work)
{
    decltype(work()) result{};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = work();
        done = true;
    });
    const bool finished = WaitUntil([&] { return done.load(); });
    worker.join();
    EXPECT_TRUE(finished);
    return result;
}

const UINT kTestMessage = RegisterWindowMessage(QStringLiteral("OventoTestMessage"));

class BusWindowTest : public ::testing::Test
{
protected:
    RecordingWindow a{QStringLiteral("/WindowA")};
    RecordingWindow b{QStringLiteral("/WindowB")};
};

TEST(BusHandle, TextsAreCheckedAndInterned)
{
    for (const char* bad : {"", "/path", ":1.2", "1.2/path", ":1.2/a/", ":1.2/a//b", ":1.2/a-b",
                            ":1/path", ":1.2/pa th", "org.name/path"})
        EXPECT_EQ(BusHandleFromText(QString::fromUtf8(bad)), BusHandle::Null) << bad;
    const QString text = QStringLiteral(":1.42/ISkypeWnd6f9619ff_8b86_d011_b42d_00c04fc964ff");
    const BusHandle handle = BusHandleFromText(text);
    EXPECT_NE(handle, BusHandle::Null);
    EXPECT_EQ(BusHandleFromText(text), handle);
    EXPECT_NE(BusHandleFromText(QStringLiteral(":1.42/")), handle);
    EXPECT_EQ(BusHandleText(handle), text);
    EXPECT_EQ(BusHandleText(BusHandle::Null), QString());
    EXPECT_EQ(BusHandleText(HWND_BROADCAST), QString());
}

TEST_F(BusWindowTest, SendFromAWorkerThreadReachesTheProcedureOnTheWindowThread)
{
    ASSERT_TRUE(a.window.IsValid());
    ASSERT_TRUE(b.window.IsValid());
    EXPECT_TRUE(b.Text().endsWith(QStringLiteral("/WindowB")));
    const QByteArray bytes("hello\0", 6);
    const COPYDATASTRUCT copy{5, std::uint32_t(bytes.size()), bytes.constData()};
    const auto results = OnWorkerThread([&] {
        const LRESULT first = SendMessage(b.Handle(), kTestMessage, WPARAM(a.Handle()), -77);
        const LRESULT second =
            SendMessage(b.Handle(), WM_COPYDATA, WPARAM(a.Handle()), LPARAM(&copy));
        return std::make_pair(first, second);
    });
    EXPECT_EQ(results, std::make_pair(LRESULT(42), LRESULT(42)));
    ASSERT_EQ(b.received.size(), 2u);
    EXPECT_EQ(b.received[0].message, kTestMessage);
    EXPECT_EQ(b.received[0].from, a.Handle());
    EXPECT_EQ(b.received[0].lParam, -77);
    EXPECT_TRUE(b.received[0].onWindowThread);
    EXPECT_EQ(b.received[1].message, WM_COPYDATA);
    EXPECT_EQ(b.received[1].data, bytes);
    EXPECT_EQ(b.received[1].dwData, 5u);
}

TEST_F(BusWindowTest, FailedDeliveriesGiveZero)
{
    auto* gone = new RecordingWindow(QStringLiteral("/Gone"));
    const BusHandle goneHandle = gone->Handle();
    delete gone;
    const BusHandle noObject = BusHandleFromText(a.Text().section(u'/', 0, 0) + "/NoSuchWindow");
    const BusHandle noPeer = BusHandleFromText(QStringLiteral(":1.999999/Nobody"));
    const BusHandle foreign = BusHandleFromText(QStringLiteral(":1.999998/NotOurs"));
    const UINT unregistered = 0xC000 + 4000;
    const auto results = OnWorkerThread([&] {
        return std::vector<LRESULT>{
            SendMessage(goneHandle, kTestMessage, WPARAM(a.Handle()), 0),
            SendMessage(noObject, kTestMessage, WPARAM(b.Handle()), 0),
            SendMessage(noPeer, kTestMessage, WPARAM(a.Handle()), 0),
            SendMessage(b.Handle(), unregistered, WPARAM(a.Handle()), 0),
            SendMessage(b.Handle(), kTestMessage, WPARAM(foreign), 0),
            SendMessage(HWND_BROADCAST, kTestMessage, WPARAM(a.Handle()), 0),
        };
    });
    EXPECT_EQ(results, std::vector<LRESULT>(6, 0));
    EXPECT_TRUE(b.received.empty());
    EXPECT_FALSE(SendNotifyMessage(HWND_BROADCAST, kTestMessage, WPARAM(foreign), 0));
}

TEST_F(BusWindowTest, AnAbortEndsASendThatIsNeverAnswered)
{
    FakeSkype silent;
    silent.holdReplies = true;
    const BusHandle target = BusHandleFromText(silent.Handle());
    const QByteArray bytes("ping", 5);
    const COPYDATASTRUCT copy{0, std::uint32_t(bytes.size()), bytes.constData()};
    Event abort(Event::Mode::ManualReset);
    std::atomic<LRESULT> result{-1};
    std::thread sender([&] {
        result = SendMessage(target, WM_COPYDATA, WPARAM(a.Handle()), LPARAM(&copy), &abort);
    });
    EXPECT_TRUE(WaitUntil([&] { return silent.Commands().size() == 1; }));
    SpinFor(50ms);
    EXPECT_EQ(result, -1) << "still waiting for the answer";
    abort.Set();
    // Far below the bus time-out: only the abort can end the wait this soon.
    EXPECT_TRUE(WaitUntil([&] { return result != -1; }, 10s));
    sender.join();
    EXPECT_EQ(result, 0);

    // Once set, nothing is sent at all.
    EXPECT_EQ(SendMessage(target, WM_COPYDATA, WPARAM(a.Handle()), LPARAM(&copy), &abort), 0);
    SpinFor(50ms);
    EXPECT_EQ(silent.Commands().size(), 1u);
}

TEST_F(BusWindowTest, BroadcastsReachEveryListeningWindow)
{
    EXPECT_TRUE(SendNotifyMessage(HWND_BROADCAST, kTestMessage, WPARAM(a.Handle()), 9));
    ASSERT_TRUE(WaitUntil([&] { return !b.received.empty(); }));
    EXPECT_EQ(b.received[0].message, kTestMessage);
    EXPECT_EQ(b.received[0].from, a.Handle());
    EXPECT_EQ(b.received[0].lParam, 9);
}

TEST_F(BusWindowTest, NotifySendsArriveInOrderWithoutWaiting)
{
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(SendNotifyMessage(b.Handle(), kTestMessage, WPARAM(a.Handle()), i));
    EXPECT_TRUE(b.received.empty());
    ASSERT_TRUE(WaitUntil([&] { return b.received.size() == 100; }));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(b.received[size_t(i)].lParam, i);
}

TEST_F(BusWindowTest, UntrustedOrOversizedMessagesAreAnsweredZeroAndIgnored)
{
    FakeSkype peer;
    const QString name = QStringLiteral("OventoTestMessage");
    const QString copyData = QStringLiteral("WM_COPYDATA");
    // wparam naming a bus name other than the true sender's, or no window at all.
    EXPECT_EQ(AnswerOf(SendRaw(peer.Connection(), b.Text(), name, a.Text(), 1, {})), 0);
    EXPECT_EQ(AnswerOf(SendRaw(peer.Connection(), b.Text(), name, QStringLiteral("x"), 1, {})), 0);
    // A name nobody in this process registered.
    EXPECT_EQ(AnswerOf(SendRaw(peer.Connection(), b.Text(), QStringLiteral("Unknown"),
                               peer.Handle(), 1, {})),
              0);
    EXPECT_EQ(AnswerOf(SendRaw(peer.Connection(), b.Text(), copyData, peer.Handle(), 1,
                               QByteArray(65537, 'x'))),
              0);
    QDBusMessage forged = QDBusMessage::createSignal(QStringLiteral("/FakeSkypeAPI"),
                                                     QStringLiteral("org.ovento.Window1"),
                                                     QStringLiteral("Broadcast"));
    forged << name << a.Text() << qlonglong(1);
    peer.Connection().send(forged);
    SpinFor(100ms);
    EXPECT_TRUE(b.received.empty());

    EXPECT_EQ(AnswerOf(SendRaw(peer.Connection(), b.Text(), copyData, peer.Handle(), 3,
                               QByteArray(65536, 'x'))),
              42);
    ASSERT_EQ(b.received.size(), 1u);
    EXPECT_EQ(b.received[0].from, BusHandleFromText(peer.Handle()));
    EXPECT_EQ(b.received[0].data.size(), 65536);
}

} // namespace
