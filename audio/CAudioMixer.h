#pragma once

#include "audio/CBuffer.h"
#include "audio/CMp3File.h"
#include "audio/CRingBuffer.h"
#include "audio/CWriteQueue.h"
#include "audio/IWriteToFile.h"

#include <QString>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ovento {

// Pairs the 10 ms blocks of the two sides of a call in arrival order and writes each pair as
// one block: two channels (my side left, remote side right) or one channel holding the sum.
// A side that streams alone is queued and written in bursts of 320 ms.
class CAudioMixer
{
public:
    static constexpr int kBlockBytes = 320;
    // How long a side that is 320 ms ahead waits for the other before it is written alone.
    static constexpr std::chrono::milliseconds kDefaultPartnerWait{100};

    explicit CAudioMixer(std::chrono::milliseconds partnerWait = kDefaultPartnerWait);
    ~CAudioMixer();
    CAudioMixer(const CAudioMixer&) = delete;
    CAudioMixer& operator=(const CAudioMixer&) = delete;

    // Starts a recording into an MP3 file. mode: 0 mono, 1 stereo, 2 joint stereo.
    bool Open(int mode, const QString& fileName, int sampleRate, int bitRate);
    // Starts a recording through another writer (which the mixer closes but does not own).
    void OpenWith(int mode, IWriteToFile& writer);
    // Ends the recording: blocks waiting for a partner are dropped, everything mixed so far is
    // written, the writer is finished and closed.
    void Close();
    // Returns once every block mixed so far has reached the writer (they are written on a
    // thread of their own).
    void WaitUntilWritten() { m_writeQueue.WaitUntilWritten(); }
    bool IsRecording() const { return m_bRecording.load(std::memory_order_relaxed); }

    // One received block of each side; false only for a block that is not 320 bytes long.
    bool OnMySideBlock(const CBuffer& block);
    bool OnRemoteSideBlock(const CBuffer& block);

private:
    enum class Side
    {
        Mine,
        Remote
    };

    bool OnBlock(Side side, const CBuffer& block);
    bool WaitForPartner(std::unique_lock<std::mutex>& guard, const CRingBuffer& own);
    void StartLocked(int mode, IWriteToFile& writer);
    void CloseLocked();
    CRingBuffer& RingOf(Side side) { return side == Side::Mine ? m_myRing : m_remoteRing; }
    void WriteAlone(Side side);
    void WritePairWith(Side side, const CBuffer& block);
    void WritePair(const CBuffer& mine, const CBuffer& remote);

    IWriteToFile* m_pWriter = nullptr;
    CMp3File m_mp3File;
    CRingBuffer m_myRing;
    CRingBuffer m_remoteRing;
    std::atomic<bool> m_bRecording = false;
    bool m_bStereo = true;
    std::mutex m_lock;
    const std::chrono::milliseconds m_partnerWait;
    std::condition_variable m_ringChanged;
    // Per side (Side as index): the side let the other's full ring wait in vain and has sent
    // nothing since.
    std::array<bool, 2> m_sideAbsent{};
    // Scratch space for the blocks built for the writer: a whole ring, and twice that as
    // stereo, so the step never allocates.
    std::array<std::uint8_t, CRingBuffer::kCapacity> m_queued{};
    std::array<std::uint8_t, 2 * CRingBuffer::kCapacity> m_output{};
    CWriteQueue m_writeQueue;
};

} // namespace ovento
