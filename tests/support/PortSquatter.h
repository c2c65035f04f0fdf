#pragma once

#include <cstdint>

namespace ovento::test {

// Another program listening on a loopback port for the life of the object, so the recorder
// meets a port it cannot have.
class PortSquatter
{
public:
    explicit PortSquatter(std::uint16_t port);
    ~PortSquatter();
    PortSquatter(const PortSquatter&) = delete;
    PortSquatter& operator=(const PortSquatter&) = delete;

    bool IsListening() const { return m_bListening; }

private:
    int m_socket = -1;
    bool m_bListening = false;
};

} // namespace ovento::test
