#pragma once

#include <QByteArray>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace ovento::test {

// A listening socket on 127.0.0.1 (a free port) that takes every connection made to it and
// reads each to its end on a thread of its own, as the recorder's audio port does. Keeps per
// connection the byte count and the first bytes, so a fast stream cannot fill the memory.
class PcmListener
{
public:
    static constexpr qsizetype kKeptBytes = 64 * 1024;

    struct Connection
    {
        std::uint64_t bytes = 0;
        QByteArray head; // the first kKeptBytes bytes
        bool closed = false;
    };

    PcmListener();
    ~PcmListener();
    PcmListener(const PcmListener&) = delete;
    PcmListener& operator=(const PcmListener&) = delete;

    std::uint16_t Port() const { return m_port; }
    // The connections so far, oldest first.
    std::vector<Connection> Connections() const;

private:
    void Run();
    void Accept(std::vector<int>& sockets);
    void Read(int socket, std::size_t index);

    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::uint16_t m_port = 0;
    mutable std::mutex m_lock;
    std::vector<Connection> m_connections;
    std::thread m_thread;
};

} // namespace ovento::test
