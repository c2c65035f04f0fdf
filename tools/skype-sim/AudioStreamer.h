#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace ovento {

// Plays one side of a call into the recorder the way Skype does: connects to 127.0.0.1 on a
// port and writes raw 16000 Hz 16-bit mono PCM in 320-byte blocks, one every 10 ms on an
// absolute schedule (no drift however long it runs), or as fast as the receiver takes them.
// Each side carries its own tone so that a recording shows which side went where.
class AudioStreamer
{
public:
    static constexpr int kSampleRate = 16000;
    static constexpr int kBlockSamples = 160;
    static constexpr int kBlockBytes = 2 * kBlockSamples;
    static constexpr std::chrono::milliseconds kBlockInterval{10};
    static constexpr int kRemoteSideToneHz = 440;
    static constexpr int kMySideToneHz = 1000;
    // About a quarter of full scale: clearly audible, far from clipping when the sides sum.
    static constexpr int kDefaultAmplitude = 8000;

    struct Options
    {
        std::uint16_t port = 0;
        int toneHz = kRemoteSideToneHz;
        int amplitude = kDefaultAmplitude;
        bool asFastAsPossible = false;
        // Blocks to send before closing; 0 streams until Stop.
        std::uint64_t totalBlocks = 0;
    };

    explicit AudioStreamer(const Options& options);
    ~AudioStreamer();
    AudioStreamer(const AudioStreamer&) = delete;
    AudioStreamer& operator=(const AudioStreamer&) = delete;

    // Connects and starts streaming on a thread of its own; false when the connection fails.
    bool Start();
    // Stops streaming and closes the connection.
    void Stop();
    // Waits until every block has been sent (or the stream failed or was stopped); false when
    // the timeout ran out first.
    bool WaitUntilFinished(std::chrono::milliseconds timeout);

    std::uint64_t BlocksSent() const { return m_blocksSent.load(std::memory_order_relaxed); }
    // The receiver closed or reset the connection before the stream ended.
    bool Failed() const { return m_failed.load(std::memory_order_relaxed); }

    // The samples of block number index of a stream with these options (the tone is
    // continuous across blocks).
    static void FillBlock(const Options& options, std::uint64_t index, std::int16_t* samples);

private:
    void Run();
    bool SendBlock(std::uint64_t index);
    void Finish(bool failed);

    const Options m_options;
    // One second of the tone; a whole number of periods for any tone in whole hertz.
    std::vector<std::int16_t> m_second;
    int m_socket = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_failed = false;
    std::atomic<std::uint64_t> m_blocksSent = 0;
    std::mutex m_lock;
    std::condition_variable m_finishedChanged;
    bool m_finished = false;
};

} // namespace ovento
