#pragma once

#include "platform/Event.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <span>
#include <vector>

namespace ovento {

// Network events reported by CEventSocketServer::Poll.
constexpr long FD_READ = 0x01;
constexpr long FD_ACCEPT = 0x08;
constexpr long FD_CLOSE = 0x20;

// What one pass of Poll did.
struct SocketPollOutput
{
    long networkEvents = 0;
    // Bytes placed at the start of the caller's buffer: whole records only.
    int bytesReceived = 0;
    // The connection the pass served (numbered from 1 in order of acceptance); 0 for none.
    std::uint64_t connection = 0;
    // That connection was closed and removed from the table in this pass.
    bool connectionClosed = false;
};

// A TCP listener with its accepted connections, served one event per Poll from the one
// thread that owns the port. Another thread can interrupt a blocked Poll and close the port
// through CloseAll. Each connection's bytes are handed out in whole records of a fixed size;
// a record split across reads is kept until it is complete, so nothing is lost or shifted
// however the stream's writes merge or split on the way.
class CEventSocketServer
{
public:
    // The listening socket included.
    static constexpr int kMaxSockets = 63;
    // The most bytes one pass hands out.
    static constexpr int kMaxReceive = 1022;

    explicit CEventSocketServer(int recordSize = 1);
    ~CEventSocketServer();
    CEventSocketServer(const CEventSocketServer&) = delete;
    CEventSocketServer& operator=(const CEventSocketServer&) = delete;

    // Binds and listens on address (network byte order) and port; 0 or a socket error code.
    int Listen(in_addr_t address, std::uint16_t port);
    // Serves one event; blocks until there is one. 0, kSocketNotConnected when the port is
    // closed, or the error of the event served.
    int Poll(std::span<std::uint8_t> buffer, SocketPollOutput& output);
    // Closes every socket of the port, interrupting a blocked Poll; 0, or kSocketNotConnected
    // when there was nothing to close.
    int CloseAll();

    int SocketCount() const { return m_nSocketCount.load(std::memory_order_relaxed); }
    // The port the listening socket is bound to (the one chosen when Listen was given 0).
    std::uint16_t ListeningPort() const { return m_listeningPort.load(std::memory_order_relaxed); }

private:
    struct SocketEntry
    {
        int socket = -1;
        std::uint64_t serial = 0;
        std::vector<std::uint8_t> partialRecord;
    };

    int ChooseSlot(int& slot);
    int ServeListener(SocketPollOutput& output);
    int ServeConnection(int row, std::span<std::uint8_t> buffer, SocketPollOutput& output);
    int FailListen(int error);
    void AppendRow(int socket);
    void RemoveRow(int row);
    void RemoveAllRows();
    void Wake();
    void ConsumeWake();

    unsigned m_nRotation = 0;
    std::atomic<int> m_nSocketCount = 0;
    // Slot 0 is the wake event, slot i + 1 the socket of row i.
    std::array<pollfd, kMaxSockets + 1> m_events{};
    std::array<SocketEntry, kMaxSockets> m_sockets;
    // The control gate.
    std::mutex m_gateMutex;
    int m_wakeEvent = -1;
    int m_wakeError = 0;
    Event m_gateEvent{Event::Mode::ManualReset, true};

    const int m_nRecordSize;
    std::uint64_t m_nextSerial = 1;
    std::atomic<std::uint16_t> m_listeningPort = 0;
};

} // namespace ovento
