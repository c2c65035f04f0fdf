#include "AudioStreamer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cmath>
#include <netinet/in.h>
#include <numbers>
#include <sys/socket.h>
#include <unistd.h>

namespace ovento {
namespace {

// Sample n of a stream; the tone repeats every second.
std::int16_t ToneSample(int toneHz, int amplitude, std::uint64_t n)
{
    const auto inSecond = double(n % AudioStreamer::kSampleRate);
    const double phase = 2.0 * std::numbers::pi * toneHz * inSecond / AudioStreamer::kSampleRate;
    return std::int16_t(std::lround(amplitude * std::sin(phase)));
}

std::vector<std::int16_t> OneSecondOfTone(int toneHz, int amplitude)
{
    std::vector<std::int16_t> second(AudioStreamer::kSampleRate);
    for (int i = 0; i < AudioStreamer::kSampleRate; ++i)
        second[i] = ToneSample(toneHz, amplitude, std::uint64_t(i));
    return second;
}

bool SendAll(int socket, const std::uint8_t* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(socket, bytes, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes += sent;
        size -= std::size_t(sent);
    }
    return true;
}

} // namespace

AudioStreamer::AudioStreamer(const Options& options)
    : m_options(options), m_second(OneSecondOfTone(options.toneHz, options.amplitude))
{}

AudioStreamer::~AudioStreamer()
{
    Stop();
}

void AudioStreamer::FillBlock(const Options& options, std::uint64_t index, std::int16_t* samples)
{
    const std::uint64_t first = index * kBlockSamples;
    for (int i = 0; i < kBlockSamples; ++i)
        samples[i] = ToneSample(options.toneHz, options.amplitude, first + std::uint64_t(i));
}

bool AudioStreamer::Start()
{
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0)
        return false;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    peer.sin_port = htons(m_options.port);
    if (::connect(m_socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        ::close(m_socket);
        m_socket = -1;
        return false;
    }
    m_thread = std::thread(&AudioStreamer::Run, this);
    return true;
}

void AudioStreamer::Stop()
{
    m_stop = true;
    // A send blocked on a receiver that does not read returns at once.
    if (m_socket >= 0)
        ::shutdown(m_socket, SHUT_RDWR);
    if (m_thread.joinable())
        m_thread.join();
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
    }
}

bool AudioStreamer::WaitUntilFinished(std::chrono::milliseconds timeout)
{
    std::unique_lock guard(m_lock);
    return m_finishedChanged.wait_for(guard, timeout, [this] { return m_finished; });
}

void AudioStreamer::Run()
{
    const auto start = std::chrono::steady_clock::now();
    for (std::uint64_t index = 0; !m_stop; ++index) {
        if (m_options.totalBlocks && index == m_options.totalBlocks)
            break;
        if (!m_options.asFastAsPossible)
            std::this_thread::sleep_until(start + index * kBlockInterval);
        if (!SendBlock(index)) {
            Finish(!m_stop);
            return;
        }
        m_blocksSent.store(index + 1, std::memory_order_relaxed);
    }
    // Closing for writing tells the receiver the stream ended once it has read every block.
    ::shutdown(m_socket, SHUT_WR);
    Finish(false);
}

bool AudioStreamer::SendBlock(std::uint64_t index)
{
    std::uint8_t block[kBlockBytes];
    const std::uint64_t first = index * kBlockSamples % kSampleRate;
    for (int i = 0; i < kBlockSamples; ++i) {
        const auto sample = std::uint16_t(m_second[(first + std::uint64_t(i)) % kSampleRate]);
        block[2 * i] = std::uint8_t(sample & 0xFF);
        block[2 * i + 1] = std::uint8_t(sample >> 8);
    }
    return SendAll(m_socket, block, sizeof block);
}

void AudioStreamer::Finish(bool failed)
{
    m_failed = failed;
    {
        std::lock_guard guard(m_lock);
        m_finished = true;
    }
    m_finishedChanged.notify_all();
}

} // namespace ovento
