// The whole recording path against the lame command-line encoder, timed side by side: two TCP
// streams sent as fast as the recorder takes them -> audio server -> mixer -> encoder -> file,
// and lame on the same interleaved PCM with the same settings.
//
//   audio_path_bench [--minutes 60] [--rate 32000] [--bitrate 64] [--rounds 3] [--dir DIR]

#include "BenchRecording.h"
#include "tools/skype-sim/AudioStreamer.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ovento::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Options
{
    int minutes = 60;
    int rate = 32000;
    int bitRate = 64;
    int rounds = 3;
    QString dir;
};

Options ParseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--minutes")
            options.minutes = std::atoi(value);
        else if (name == "--rate")
            options.rate = std::atoi(value);
        else if (name == "--bitrate")
            options.bitRate = std::atoi(value);
        else if (name == "--rounds")
            options.rounds = std::atoi(value);
        else if (name == "--dir")
            options.dir = QString::fromLocal8Bit(value);
    }
    return options;
}

AudioStreamer::Options Side(bool mySide, std::uint16_t port, std::uint64_t blocks)
{
    AudioStreamer::Options side;
    side.port = port;
    side.toneHz = mySide ? AudioStreamer::kMySideToneHz : AudioStreamer::kRemoteSideToneHz;
    side.asFastAsPossible = true;
    side.totalBlocks = blocks;
    return side;
}

// The PCM the recorder's file holds when every block is paired: my side left, remote right.
void WriteInterleavedPcm(const QString& path, std::uint64_t blocks)
{
    std::ofstream out(path.toStdString(), std::ios::binary);
    const AudioStreamer::Options mine = Side(true, 0, blocks);
    const AudioStreamer::Options remote = Side(false, 0, blocks);
    std::int16_t left[AudioStreamer::kBlockSamples];
    std::int16_t right[AudioStreamer::kBlockSamples];
    std::int16_t frames[2 * AudioStreamer::kBlockSamples];
    for (std::uint64_t k = 0; k < blocks; ++k) {
        AudioStreamer::FillBlock(mine, k, left);
        AudioStreamer::FillBlock(remote, k, right);
        for (int i = 0; i < AudioStreamer::kBlockSamples; ++i) {
            frames[2 * i] = left[i];
            frames[2 * i + 1] = right[i];
        }
        out.write(reinterpret_cast<const char*>(frames), sizeof frames);
    }
}

double Seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

double CpuSeconds(const rusage& usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing
{
    double wall = -1;
    // The encoding process only: lame, or the recorder without the peers that stream to it.
    double cpu = -1;
};

// The recorder's settings spelled for lame: CBR, quality 4, no bit reservoir, original bit,
// a header frame, no ReplayGain analysis (the recorder does none).
Timing RunLame(const Options& options, const QString& pcm, const QString& mp3)
{
    const std::string rate = QString::number(options.rate / 1000.0).toStdString();
    const std::string bitRate = std::to_string(options.bitRate);
    const std::string in = pcm.toStdString();
    const std::string out = mp3.toStdString();
    std::vector<const char*> args = {"lame",
                                     "--quiet",
                                     "-r",
                                     "-s",
                                     "16",
                                     "--bitwidth",
                                     "16",
                                     "--signed",
                                     "--little-endian",
                                     "-m",
                                     "s",
                                     "--cbr",
                                     "-b",
                                     bitRate.c_str(),
                                     "--resample",
                                     rate.c_str(),
                                     "-q",
                                     "4",
                                     "--nores",
                                     "--noreplaygain",
                                     in.c_str(),
                                     out.c_str(),
                                     nullptr};
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, "lame", nullptr, nullptr, const_cast<char* const*>(args.data()),
                     environ) != 0)
        return {};
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return {Seconds(Clock::now() - start), CpuSeconds(usage)};
}

// The two peers stream from a child process, as Skype does from its own.
[[noreturn]] void StreamBothSides(std::uint16_t myPort, std::uint16_t remotePort,
                                  std::uint64_t blocks)
{
    AudioStreamer mine(Side(true, myPort, blocks));
    AudioStreamer remote(Side(false, remotePort, blocks));
    const bool started = mine.Start() && remote.Start();
    mine.WaitUntilFinished(std::chrono::hours(24));
    remote.WaitUntilFinished(std::chrono::hours(24));
    mine.Stop();
    remote.Stop();
    _exit(started ? 0 : 1);
}

Timing RunRecorder(const Options& options, std::uint64_t blocks, const QString& path)
{
    BenchRecording recording(path, options.rate, options.bitRate);
    const Clock::time_point start = Clock::now();
    const double cpuBefore = BenchRecording::ProcessCpuSeconds();
    const pid_t peers = fork();
    if (peers == 0)
        StreamBothSides(recording.MySidePort(), recording.RemoteSidePort(), blocks);
    int status = 0;
    waitpid(peers, &status, 0);
    recording.WaitUntilStreamsEnd();
    recording.Finish();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    for (const auto& [name, seconds] : BenchRecording::ThreadCpuSeconds())
        std::printf("  %s %.2f s cpu\n", name.c_str(), seconds);
    return {Seconds(Clock::now() - start), BenchRecording::ProcessCpuSeconds() - cpuBefore};
}

int Run(const Options& options)
{
    QTemporaryDir temporary;
    const QString dir = options.dir.isEmpty() ? temporary.path() : options.dir;
    QDir().mkpath(dir);
    const std::uint64_t blocks = std::uint64_t(options.minutes) * 60 * 100;
    const QString pcm = dir + "/call.pcm";
    WriteInterleavedPcm(pcm, blocks);
    std::printf("call: %d min stereo, %d Hz, %d kbit/s (%llu blocks per side)\n", options.minutes,
                options.rate, options.bitRate, static_cast<unsigned long long>(blocks));
    const long rssBefore = BenchRecording::ResidentKiB();
    std::vector<double> wallRatios;
    std::vector<double> cpuRatios;
    for (int round = 1; round <= options.rounds; ++round) {
        const Timing lame = RunLame(options, pcm, dir + "/lame.mp3");
        const Timing recorder = RunRecorder(options, blocks, dir + "/recorder");
        if (lame.wall <= 0 || recorder.wall <= 0) {
            std::fprintf(stderr, "round %d failed\n", round);
            return 1;
        }
        wallRatios.push_back(recorder.wall / lame.wall);
        cpuRatios.push_back(recorder.cpu / lame.cpu);
        std::printf("round %d: wall lame %.2f s, recorder %.2f s (x%.3f); cpu lame %.2f s, "
                    "recorder %.2f s (x%.3f)\n",
                    round, lame.wall, recorder.wall, wallRatios.back(), lame.cpu, recorder.cpu,
                    cpuRatios.back());
        std::fflush(stdout);
    }
    std::sort(wallRatios.begin(), wallRatios.end());
    std::sort(cpuRatios.begin(), cpuRatios.end());
    std::printf("recorder/lame wall time: best x%.3f, median x%.3f\n", wallRatios.front(),
                wallRatios[wallRatios.size() / 2]);
    std::printf("recorder/lame cpu time:  best x%.3f, median x%.3f\n", cpuRatios.front(),
                cpuRatios[cpuRatios.size() / 2]);
    std::printf("file sizes: lame %lld bytes, recorder %lld bytes\n",
                QFileInfo(dir + "/lame.mp3").size(), QFileInfo(dir + "/recorder.mp3").size());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("recorder process memory: resident %ld KiB before, %ld KiB after, peak %ld KiB\n",
                rssBefore, BenchRecording::ResidentKiB(), usage.ru_maxrss);
    QFile::remove(pcm);
    return 0;
}

} // namespace
} // namespace ovento::bench

int main(int argc, char** argv)
{
    return ovento::bench::Run(ovento::bench::ParseOptions(argc, argv));
}
