#include "PcmListener.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ovento::test {

PcmListener::PcmListener()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener < 0 ||
        ::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 8) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread(&PcmListener::Run, this);
}

PcmListener::~PcmListener()
{
    if (m_thread.joinable()) {
        const char stop = 0;
        [[maybe_unused]] const ssize_t written = ::write(m_wake[1], &stop, 1);
        m_thread.join();
    }
    for (int fd : {m_listener, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

std::vector<PcmListener::Connection> PcmListener::Connections() const
{
    std::lock_guard guard(m_lock);
    return m_connections;
}

void PcmListener::Run()
{
    // sockets[i] serves connection i; -1 once it has ended.
    std::vector<int> sockets;
    for (;;) {
        std::vector<pollfd> watched = {{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        for (int socket : sockets)
            watched.push_back({socket, short(socket >= 0 ? POLLIN : 0), 0});
        if (::poll(watched.data(), nfds_t(watched.size()), -1) < 0 && errno != EINTR)
            break;
        if (watched[0].revents)
            break;
        if (watched[1].revents & POLLIN)
            Accept(sockets);
        for (std::size_t i = 0; i + 2 < watched.size(); ++i)
            if (watched[i + 2].revents && sockets[i] >= 0) {
                Read(sockets[i], i);
                std::lock_guard guard(m_lock);
                if (m_connections[i].closed) {
                    ::close(sockets[i]);
                    sockets[i] = -1;
                }
            }
    }
    for (int socket : sockets)
        if (socket >= 0)
            ::close(socket);
}

void PcmListener::Accept(std::vector<int>& sockets)
{
    const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0)
        return;
    sockets.push_back(socket);
    std::lock_guard guard(m_lock);
    m_connections.emplace_back();
}

void PcmListener::Read(int socket, std::size_t index)
{
    char buffer[16 * 1024];
    const ssize_t received = ::recv(socket, buffer, sizeof buffer, 0);
    if (received < 0 && errno == EINTR)
        return;
    std::lock_guard guard(m_lock);
    Connection& connection = m_connections[index];
    if (received <= 0) {
        connection.closed = true;
        return;
    }
    connection.bytes += std::uint64_t(received);
    const qsizetype room = kKeptBytes - connection.head.size();
    connection.head.append(buffer, std::min<qsizetype>(room, received));
}

} // namespace ovento::test
