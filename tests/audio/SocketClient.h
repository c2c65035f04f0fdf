#pragma once

#include <cstdint>
#include <vector>

namespace ovento::test {

// A plain blocking TCP client on 127.0.0.1, as a peer of the audio ports would be.
class SocketClient
{
public:
    explicit SocketClient(std::uint16_t port);
    ~SocketClient();
    SocketClient(const SocketClient&) = delete;
    SocketClient& operator=(const SocketClient&) = delete;

    bool Connected() const { return m_socket >= 0; }
    bool Send(const std::vector<std::uint8_t>& bytes);
    // Closes with a reset instead of an orderly close.
    void Reset();
    void Close();
    // Waits (bounded) for the server to end the connection: true when it was closed or reset.
    bool WasDropped();

private:
    int m_socket = -1;
};

// count bytes of a recognisable pattern starting at seed.
std::vector<std::uint8_t> PatternBytes(int count, int seed);

} // namespace ovento::test
