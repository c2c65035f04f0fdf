#include "SocketClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ovento::test {

SocketClient::SocketClient(std::uint16_t port)
{
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0)
        return;
    const int noDelay = 1;
    ::setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    peer.sin_port = htons(port);
    if (::connect(m_socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0)
        Close();
}

SocketClient::~SocketClient()
{
    Close();
}

bool SocketClient::Send(const std::vector<std::uint8_t>& bytes)
{
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const ssize_t sent =
            ::send(m_socket, bytes.data() + offset, bytes.size() - offset, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        offset += std::size_t(sent);
    }
    return true;
}

void SocketClient::Reset()
{
    const linger abort{1, 0};
    ::setsockopt(m_socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    Close();
}

void SocketClient::Close()
{
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
}

bool SocketClient::WasDropped()
{
    const timeval deadline{20, 0};
    ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &deadline, sizeof deadline);
    std::uint8_t byte;
    const ssize_t received = ::recv(m_socket, &byte, 1, 0);
    return received == 0 || (received < 0 && errno == ECONNRESET);
}

std::vector<std::uint8_t> PatternBytes(int count, int seed)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        bytes[std::size_t(i)] = std::uint8_t((seed * 131 + i * 7 + i / 251) & 0xFF);
    return bytes;
}

} // namespace ovento::test
