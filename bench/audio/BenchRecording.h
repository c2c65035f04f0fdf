#pragma once

#include "audio/CAudioServer.h"

#include <QString>
#include <map>
#include <string>

namespace ovento::bench {

// A recorder's audio path as the program runs it: both ports open on free port numbers, a
// stereo recording open and the state set to recording.
class BenchRecording
{
public:
    BenchRecording(const QString& pathWithoutExtension, int sampleRate, int bitRate);

    std::uint16_t MySidePort() const { return m_server.MySideListeningPort(); }
    std::uint16_t RemoteSidePort() const { return m_server.RemoteSideListeningPort(); }
    // Returns once every connection has closed, i.e. the server has read all they sent.
    void WaitUntilStreamsEnd() const;
    // Closes the recording (final frames flushed, file closed).
    void Finish();

    // CPU seconds (user and system) this process has used so far.
    static double ProcessCpuSeconds();
    // The process's resident memory in KiB.
    static long ResidentKiB();
    // CPU seconds used so far by each of the recorder's own threads, by thread name.
    static std::map<std::string, double> ThreadCpuSeconds();

private:
    CAudioServer m_server{0, 0};
};

} // namespace ovento::bench
