#pragma once

#include <chrono>

namespace ovento::test {

// The recorder listens on fixed ports (58376 and 58377), which every build and every test run
// on this machine share; ctest's RESOURCE_LOCK keeps apart only the tests of one ctest run. A
// test that opens these ports holds this lock while it uses them: it waits for a machine-wide
// lock file, then until nothing else (a test that takes no lock, a recorder left running)
// listens on the ports. Two runs of such tests then never stream into each other's recorder.
class AudioPortsLock
{
public:
    explicit AudioPortsLock(std::chrono::milliseconds deadline = std::chrono::minutes(3));
    ~AudioPortsLock();
    AudioPortsLock(const AudioPortsLock&) = delete;
    AudioPortsLock& operator=(const AudioPortsLock&) = delete;

    // The lock is held and both ports were free when it was taken.
    bool IsHeld() const { return m_bHeld; }

private:
    int m_fd = -1;
    bool m_bHeld = false;
};

} // namespace ovento::test
