#include "PortSquatter.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ovento::test {

PortSquatter::PortSquatter(std::uint16_t port)
    : m_socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    if (m_socket < 0)
        return;
    const int reuse = 1;
    ::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    m_bListening =
        ::bind(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::listen(m_socket, 1) == 0;
}

PortSquatter::~PortSquatter()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

} // namespace ovento::test
