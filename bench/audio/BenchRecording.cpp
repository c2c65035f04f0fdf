#include "BenchRecording.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace ovento::bench {

BenchRecording::BenchRecording(const QString& pathWithoutExtension, int sampleRate, int bitRate)
{
    m_server.StartMySidePort();
    m_server.StartRemoteSidePort();
    m_server.StartRecording(pathWithoutExtension, sampleRate, bitRate, CMp3File::kModeStereo);
    m_server.m_state = REC_STATE_RECORDING;
}

void BenchRecording::WaitUntilStreamsEnd() const
{
    while (m_server.ConnectionCount() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void BenchRecording::Finish()
{
    m_server.GetMixer()->Close();
    m_server.m_state = REC_STATE_STOPPED;
}

double BenchRecording::ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long BenchRecording::ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

std::map<std::string, double> BenchRecording::ThreadCpuSeconds()
{
    std::map<std::string, double> seconds;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream commFile(task.path() / "comm");
        std::string name;
        std::getline(commFile, name);
        if (name.rfind("ovento-", 0) != 0)
            continue;
        std::ifstream statFile(task.path() / "stat");
        std::string stat;
        std::getline(statFile, stat);
        // Fields after the parenthesised name: state is field 3, utime 14 and stime 15.
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        double used = 0;
        for (int index = 3; fields >> field && index <= 15; ++index)
            if (index >= 14)
                used += std::stod(field) / ticks;
        seconds[name] += used;
    }
    return seconds;
}

} // namespace ovento::bench
