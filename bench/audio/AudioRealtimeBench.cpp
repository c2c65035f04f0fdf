// The recorder's cost during a real call: both sides streamed in real time (one 320-byte
// block per side every 10 ms, from another process as Skype does), recorded to MP3. Reports
// the recorder's CPU share of one core and its resident memory over the run.
//
//   audio_realtime_bench [--seconds 120] [--rate 32000] [--bitrate 64]

#include "BenchRecording.h"
#include "tools/skype-sim/AudioStreamer.h"

#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ovento::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Options
{
    int seconds = 120;
    int rate = 32000;
    int bitRate = 64;
};

Options ParseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (name == "--seconds")
            options.seconds = value;
        else if (name == "--rate")
            options.rate = value;
        else if (name == "--bitrate")
            options.bitRate = value;
    }
    return options;
}

[[noreturn]] void StreamCallInRealTime(std::uint16_t myPort, std::uint16_t remotePort, int seconds)
{
    AudioStreamer::Options mine;
    mine.port = myPort;
    mine.toneHz = AudioStreamer::kMySideToneHz;
    mine.totalBlocks = std::uint64_t(seconds) * 100;
    AudioStreamer::Options remote = mine;
    remote.port = remotePort;
    remote.toneHz = AudioStreamer::kRemoteSideToneHz;
    AudioStreamer myStream(mine);
    AudioStreamer remoteStream(remote);
    const bool started = myStream.Start() && remoteStream.Start();
    myStream.WaitUntilFinished(std::chrono::hours(24));
    remoteStream.WaitUntilFinished(std::chrono::hours(24));
    _exit(started ? 0 : 1);
}

int Run(const Options& options)
{
    QTemporaryDir dir;
    BenchRecording recording(dir.path() + "/call", options.rate, options.bitRate);
    const long rssAtStart = BenchRecording::ResidentKiB();
    const Clock::time_point start = Clock::now();
    const double cpuAtStart = BenchRecording::ProcessCpuSeconds();
    const pid_t peers = fork();
    if (peers == 0)
        StreamCallInRealTime(recording.MySidePort(), recording.RemoteSidePort(), options.seconds);

    std::printf("real-time call: %d s stereo, %d Hz, %d kbit/s\n", options.seconds, options.rate,
                options.bitRate);
    std::printf("%8s %12s %12s\n", "time s", "cpu %", "rss KiB");
    long rssMin = rssAtStart;
    long rssMax = rssAtStart;
    long rssAfterWarmUp = 0;
    int status = 0;
    for (int second = 1; waitpid(peers, &status, WNOHANG) == 0; ++second) {
        std::this_thread::sleep_until(start + std::chrono::seconds(second));
        const long rss = BenchRecording::ResidentKiB();
        rssMin = std::min(rssMin, rss);
        rssMax = std::max(rssMax, rss);
        if (second == 10)
            rssAfterWarmUp = rss;
        if (second % 10 == 0) {
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            std::printf("%8d %12.3f %12ld\n", second,
                        100 * (BenchRecording::ProcessCpuSeconds() - cpuAtStart) / elapsed, rss);
            std::fflush(stdout);
        }
    }
    recording.WaitUntilStreamsEnd();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = BenchRecording::ProcessCpuSeconds() - cpuAtStart;
    const long rssAtEnd = BenchRecording::ResidentKiB();
    const auto threads = BenchRecording::ThreadCpuSeconds();
    recording.Finish();

    std::printf("recorder cpu: %.3f s in %.1f s = %.3f %% of one core\n", cpu, elapsed,
                100 * cpu / elapsed);
    for (const auto& [name, seconds] : threads)
        std::printf("  %s %.3f s\n", name.c_str(), seconds);
    std::printf("resident memory: %ld KiB at start, %ld KiB after 10 s, %ld KiB at the end "
                "(min %ld, max %ld)\n",
                rssAtStart, rssAfterWarmUp, rssAtEnd, rssMin, rssMax);
    if (rssAfterWarmUp > 0 && elapsed > 20) {
        const double perHour = double(rssAtEnd - rssAfterWarmUp) / (elapsed - 10) * 3600;
        std::printf("growth after warm-up: %+.0f KiB per hour (extrapolated)\n", perHour);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

} // namespace
} // namespace ovento::bench

int main(int argc, char** argv)
{
    return ovento::bench::Run(ovento::bench::ParseOptions(argc, argv));
}
