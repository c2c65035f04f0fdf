#include "audio/CEventSocketServer.h"

#include "platform/SocketError.h"
#include "tests/audio/SocketClient.h"
#include "tests/support/EventLoop.h"

#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <thread>

namespace ovento {
namespace {

using test::PatternBytes;
using test::SocketClient;
using test::WaitUntil;

constexpr int kRecord = 320;

class CEventSocketServerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(m_server.Listen(htonl(INADDR_LOOPBACK), 0), 0); }

    std::uint16_t Port() const { return m_server.ListeningPort(); }

    // One pass; what it received is appended to that connection's bytes.
    int PollOnce(SocketPollOutput& output)
    {
        const int result = m_server.Poll(m_buffer, output);
        if (output.bytesReceived > 0)
            m_received[output.connection].insert(m_received[output.connection].end(),
                                                 m_buffer.begin(),
                                                 m_buffer.begin() + output.bytesReceived);
        return result;
    }

    int PollOnce()
    {
        SocketPollOutput output;
        return PollOnce(output);
    }

    // Passes until the connection has received count bytes; the passes it took.
    int PollUntilReceived(std::uint64_t connection, std::size_t count)
    {
        int passes = 0;
        while (m_received[connection].size() < count && passes < 10000) {
            EXPECT_EQ(PollOnce(), 0);
            ++passes;
        }
        return passes;
    }

    struct Peer
    {
        std::unique_ptr<SocketClient> client;
        std::uint64_t connection;
    };

    // A client connected and accepted, with the number the server gave its connection.
    Peer Accepted()
    {
        auto client = std::make_unique<SocketClient>(Port());
        SocketPollOutput output;
        EXPECT_EQ(PollOnce(output), 0);
        EXPECT_EQ(output.networkEvents, FD_ACCEPT);
        return {std::move(client), output.connection};
    }

    CEventSocketServer m_server{kRecord};
    std::array<std::uint8_t, 1024> m_buffer{};
    std::map<std::uint64_t, std::vector<std::uint8_t>> m_received;
};

TEST(CEventSocketServerPortTest, AnEmptyPortHasNothingToPollOrClose)
{
    CEventSocketServer server;
    std::array<std::uint8_t, 1024> buffer{};
    SocketPollOutput output;
    EXPECT_EQ(server.Poll(buffer, output), kSocketNotConnected);
    EXPECT_EQ(server.CloseAll(), kSocketNotConnected);
}

TEST(CEventSocketServerPortTest, APortInUseIsRefusedAndLeavesNoSocket)
{
    CEventSocketServer first;
    ASSERT_EQ(first.Listen(htonl(INADDR_LOOPBACK), 0), 0);
    EXPECT_EQ(first.Listen(htonl(INADDR_LOOPBACK), 0), kSocketAlreadyConnected);
    CEventSocketServer second;
    EXPECT_EQ(second.Listen(htonl(INADDR_LOOPBACK), first.ListeningPort()), kSocketAddressInUse);
    EXPECT_EQ(second.SocketCount(), 0);
}

TEST_F(CEventSocketServerTest, RecordsComeOutWholeHoweverTheWritesSplitOrMerge)
{
    auto [a, first] = Accepted();
    auto [b, second] = Accepted();
    const std::vector<std::uint8_t> streamA = PatternBytes(6 * kRecord, 1);
    const std::vector<std::uint8_t> streamB = PatternBytes(3 * kRecord, 2);
    // Writes of every awkward size, the two connections interleaved.
    const int cutsA[] = {1, 159, 160, 640, 7, 313, 640};
    const int cutsB[] = {100, 200, 20, 640};
    std::size_t atA = 0;
    std::size_t atB = 0;
    for (std::size_t i = 0; i < std::size(cutsA); ++i) {
        ASSERT_TRUE(a->Send({streamA.begin() + atA, streamA.begin() + atA + cutsA[i]}));
        atA += std::size_t(cutsA[i]);
        if (i < std::size(cutsB)) {
            ASSERT_TRUE(b->Send({streamB.begin() + atB, streamB.begin() + atB + cutsB[i]}));
            atB += std::size_t(cutsB[i]);
        }
        PollOnce();
    }
    PollUntilReceived(first, streamA.size());
    PollUntilReceived(second, streamB.size());
    EXPECT_EQ(m_received[first], streamA);
    EXPECT_EQ(m_received[second], streamB);
}

TEST_F(CEventSocketServerTest, AClosedConnectionIsReportedAfterItsLastWholeRecord)
{
    auto [client, connection] = Accepted();
    const std::vector<std::uint8_t> bytes = PatternBytes(kRecord + 100, 3);
    ASSERT_TRUE(client->Send(bytes));
    client->Close();
    SocketPollOutput output;
    int result = 0;
    do
        result = PollOnce(output);
    while (!output.connectionClosed);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(output.networkEvents, FD_CLOSE);
    EXPECT_EQ(output.connection, connection);
    EXPECT_EQ(m_received[connection],
              std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + kRecord));
    EXPECT_EQ(m_server.SocketCount(), 1);
}

TEST_F(CEventSocketServerTest, AResetConnectionIsRemovedWithItsError)
{
    auto [client, connection] = Accepted();
    client->Reset();
    SocketPollOutput output;
    EXPECT_EQ(PollOnce(output), kSocketConnectionReset);
    EXPECT_TRUE(output.connectionClosed);
    EXPECT_EQ(output.connection, connection);
    EXPECT_EQ(m_server.SocketCount(), 1);
}

TEST_F(CEventSocketServerTest, ABusyConnectionDoesNotStarveAnother)
{
    auto [busy, busyConnection] = Accepted();
    auto [quiet, quietConnection] = Accepted();
    ASSERT_TRUE(busy->Send(PatternBytes(200 * kRecord, 4)));
    ASSERT_TRUE(quiet->Send(PatternBytes(kRecord, 5)));
    ASSERT_TRUE(WaitUntil([&] {
        PollOnce();
        return !m_received[busyConnection].empty();
    }));
    EXPECT_LE(PollUntilReceived(quietConnection, kRecord), 2);
}

TEST_F(CEventSocketServerTest, TheSixtyThirdSocketIsRefusedAndRoomComesBack)
{
    std::vector<std::unique_ptr<SocketClient>> clients;
    for (int i = 0; i < CEventSocketServer::kMaxSockets - 1; ++i)
        clients.push_back(Accepted().client);
    EXPECT_EQ(m_server.SocketCount(), CEventSocketServer::kMaxSockets);

    SocketClient refused(Port());
    SocketPollOutput output;
    EXPECT_EQ(PollOnce(output), kSocketConnectionRefused);
    EXPECT_EQ(output.networkEvents, FD_ACCEPT);
    EXPECT_TRUE(refused.WasDropped());
    EXPECT_EQ(m_server.SocketCount(), CEventSocketServer::kMaxSockets);

    clients.front()->Close();
    do
        PollOnce(output);
    while (!output.connectionClosed);
    clients.push_back(Accepted().client);
    EXPECT_EQ(m_server.SocketCount(), CEventSocketServer::kMaxSockets);
}

TEST_F(CEventSocketServerTest, CloseAllWakesABlockedPollAndEndsItsLoop)
{
    const std::unique_ptr<SocketClient> client = Accepted().client;
    std::atomic<bool> ended = false;
    std::atomic<int> lastResult = -1;
    std::thread loop([&] {
        std::array<std::uint8_t, 1024> buffer{};
        for (;;) {
            SocketPollOutput output;
            lastResult = m_server.Poll(buffer, output);
            if (lastResult == kSocketNotConnected)
                break;
        }
        ended = true;
    });
    // Nothing arrives: the loop sits in its blocking wait (or is about to).
    EXPECT_EQ(m_server.CloseAll(), 0);
    EXPECT_TRUE(WaitUntil([&] { return ended.load(); }));
    loop.join();
    EXPECT_EQ(m_server.SocketCount(), 0);
    EXPECT_TRUE(client->WasDropped());
}

} // namespace
} // namespace ovento
