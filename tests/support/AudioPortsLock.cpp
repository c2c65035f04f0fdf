#include "AudioPortsLock.h"

#include <QDir>
#include <QFile>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace ovento::test {
namespace {

constexpr std::uint16_t kAudioPorts[] = {58376, 58377};
constexpr std::chrono::milliseconds kRetryInterval{50};

// Binds as the recorder's listener does, so a port only lingering in TIME_WAIT counts as free.
bool PortIsFree(std::uint16_t port)
{
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    const int reuse = 1;
    ::setsockopt(probe, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool bound = ::bind(probe, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
    ::close(probe);
    return bound;
}

bool PortsAreFree()
{
    for (const std::uint16_t port : kAudioPorts)
        if (!PortIsFree(port))
            return false;
    return true;
}

} // namespace

AudioPortsLock::AudioPortsLock(std::chrono::milliseconds deadline)
{
    const QByteArray path = QFile::encodeName(QDir::tempPath() + "/ovento-test-audio-ports.lock");
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0)
        return;
    const auto end = std::chrono::steady_clock::now() + deadline;
    bool locked = false;
    while (!m_bHeld && std::chrono::steady_clock::now() < end) {
        locked = locked || ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
        m_bHeld = locked && PortsAreFree();
        if (!m_bHeld)
            std::this_thread::sleep_for(kRetryInterval);
    }
}

AudioPortsLock::~AudioPortsLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the last descriptor releases the lock
}

} // namespace ovento::test
