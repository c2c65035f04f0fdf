#include "CEventSocketServer.h"

#include "platform/SocketError.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ovento {
namespace {

constexpr int kBacklog = 64;

int LastSocketError()
{
    return SocketErrorFromErrno(errno);
}

// Closes a connection that the port has no room for with a reset, so the peer learns at once.
void Refuse(int socket)
{
    const linger abort{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(socket);
}

ssize_t ReceiveOnce(int socket, std::uint8_t* into, std::size_t capacity)
{
    ssize_t received;
    do
        received = ::recv(socket, into, capacity, 0);
    while (received < 0 && errno == EINTR);
    return received;
}

} // namespace

CEventSocketServer::CEventSocketServer(int recordSize) : m_nRecordSize(recordSize)
{
    assert(recordSize > 0 && recordSize <= kMaxReceive);
    m_wakeEvent = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeEvent < 0)
        m_wakeError = LastSocketError();
    m_events[0] = {m_wakeEvent, POLLIN, 0};
}

CEventSocketServer::~CEventSocketServer()
{
    {
        std::lock_guard guard(m_gateMutex);
        RemoveAllRows();
    }
    if (m_wakeEvent >= 0)
        ::close(m_wakeEvent);
}

int CEventSocketServer::Listen(in_addr_t address, std::uint16_t port)
{
    // A Poll blocked on a non-empty table holds the gate mutex: answer before taking it.
    if (SocketCount() != 0)
        return kSocketAlreadyConnected;
    std::lock_guard guard(m_gateMutex);
    if (SocketCount() != 0)
        return kSocketAlreadyConnected;
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener < 0)
        return LastSocketError();
    AppendRow(listener);
    // Connections the last run closed may linger in TIME_WAIT; they must not keep the port
    // from opening again. A port another program listens on is still refused.
    const int reuse = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = address;
    local.sin_port = htons(port);
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        return FailListen(LastSocketError());
    if (::listen(listener, kBacklog) != 0)
        return FailListen(LastSocketError());
    socklen_t length = sizeof local;
    if (::getsockname(listener, reinterpret_cast<sockaddr*>(&local), &length) == 0)
        m_listeningPort = ntohs(local.sin_port);
    return 0;
}

int CEventSocketServer::FailListen(int error)
{
    RemoveAllRows();
    return error;
}

int CEventSocketServer::Poll(std::span<std::uint8_t> buffer, SocketPollOutput& output)
{
    output = {};
    if (m_wakeEvent < 0)
        return m_wakeError;
    m_gateEvent.Wait();
    std::lock_guard guard(m_gateMutex);
    if (SocketCount() == 0)
        return kSocketNotConnected;
    int slot = 0;
    if (const int error = ChooseSlot(slot))
        return error;
    if (slot == 0) {
        // Another thread wants the port.
        ConsumeWake();
        return 0;
    }
    const int row = slot - 1;
    return row == 0 ? ServeListener(output) : ServeConnection(row, buffer, output);
}

// The first ready slot after the one served last, so that one busy connection cannot starve
// the others or the wake event.
int CEventSocketServer::ChooseSlot(int& slot)
{
    const unsigned slots = unsigned(SocketCount()) + 1;
    for (;;) {
        const int ready = ::poll(m_events.data(), slots, -1);
        if (ready < 0 && errno != EINTR)
            return LastSocketError();
        for (unsigned step = 1; ready > 0 && step <= slots; ++step) {
            const unsigned candidate = (m_nRotation + step) % slots;
            if (m_events[candidate].revents != 0) {
                m_nRotation = candidate;
                slot = int(candidate);
                return 0;
            }
        }
    }
}

int CEventSocketServer::ServeListener(SocketPollOutput& output)
{
    output.networkEvents = FD_ACCEPT;
    const int connection =
        ::accept4(m_sockets[0].socket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (connection < 0)
        return errno == EINTR ? kSocketWouldBlock : LastSocketError();
    if (SocketCount() >= kMaxSockets) {
        Refuse(connection);
        return kSocketConnectionRefused;
    }
    AppendRow(connection);
    output.connection = m_sockets[SocketCount() - 1].serial;
    return 0;
}

int CEventSocketServer::ServeConnection(int row, std::span<std::uint8_t> buffer,
                                        SocketPollOutput& output)
{
    SocketEntry& entry = m_sockets[row];
    output.connection = entry.serial;
    const std::size_t capacity = std::min<std::size_t>(buffer.size(), kMaxReceive);
    const std::size_t carried = entry.partialRecord.size();
    std::copy(entry.partialRecord.begin(), entry.partialRecord.end(), buffer.begin());
    const ssize_t received = ReceiveOnce(entry.socket, buffer.data() + carried, capacity - carried);
    if (received > 0) {
        const std::size_t total = carried + std::size_t(received);
        const std::size_t whole = total - total % std::size_t(m_nRecordSize);
        entry.partialRecord.assign(buffer.begin() + whole, buffer.begin() + total);
        output.networkEvents = FD_READ;
        output.bytesReceived = int(whole);
        return 0;
    }
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        output.networkEvents = FD_READ;
        return 0;
    }
    // The peer closed (every byte it sent has been read) or the connection failed.
    const int error = received == 0 ? 0 : LastSocketError();
    output.networkEvents = FD_CLOSE;
    output.connectionClosed = true;
    RemoveRow(row);
    return error;
}

void CEventSocketServer::AppendRow(int socket)
{
    const int row = SocketCount();
    m_sockets[row] = {socket, m_nextSerial++, {}};
    m_sockets[row].partialRecord.reserve(std::size_t(m_nRecordSize));
    m_events[row + 1] = {socket, POLLIN, 0};
    m_nSocketCount.store(row + 1, std::memory_order_relaxed);
}

void CEventSocketServer::RemoveRow(int row)
{
    const int count = SocketCount();
    ::shutdown(m_sockets[row].socket, SHUT_RDWR);
    ::close(m_sockets[row].socket);
    std::move(m_sockets.begin() + row + 1, m_sockets.begin() + count, m_sockets.begin() + row);
    std::move(m_events.begin() + row + 2, m_events.begin() + count + 1, m_events.begin() + row + 1);
    m_sockets[count - 1] = {};
    m_nSocketCount.store(count - 1, std::memory_order_relaxed);
}

void CEventSocketServer::RemoveAllRows()
{
    while (SocketCount() > 0)
        RemoveRow(SocketCount() - 1);
}

int CEventSocketServer::CloseAll()
{
    if (SocketCount() == 0)
        return kSocketNotConnected;
    if (m_wakeEvent < 0)
        return m_wakeError;
    // Hold new passes at the gate, wake the one that may be blocked, then take the port.
    m_gateEvent.Reset();
    Wake();
    std::lock_guard guard(m_gateMutex);
    m_gateEvent.Set();
    RemoveAllRows();
    return 0;
}

void CEventSocketServer::Wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeEvent, &one, sizeof one);
}

void CEventSocketServer::ConsumeWake()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(m_wakeEvent, &count, sizeof count);
}

} // namespace ovento
