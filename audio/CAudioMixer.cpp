#include "CAudioMixer.h"

#include "platform/LastError.h"

#include <algorithm>

namespace ovento {
namespace {

std::int16_t SaturatedSum(std::int16_t a, std::int16_t b)
{
    return std::int16_t(std::clamp(int(a) + int(b), -32768, 32767));
}

} // namespace

CAudioMixer::CAudioMixer(std::chrono::milliseconds partnerWait) : m_partnerWait(partnerWait) {}

CAudioMixer::~CAudioMixer()
{
    Close();
}

bool CAudioMixer::Open(int mode, const QString& fileName, int sampleRate, int bitRate)
{
    std::lock_guard guard(m_lock);
    if (fileName.isEmpty()) {
        SetLastError(kMp3ErrorNoFileName);
        return false;
    }
    CloseLocked();
    if (!m_mp3File.Open(mode, fileName, sampleRate, bitRate))
        return false;
    StartLocked(mode, m_mp3File);
    return true;
}

void CAudioMixer::OpenWith(int mode, IWriteToFile& writer)
{
    std::lock_guard guard(m_lock);
    CloseLocked();
    StartLocked(mode, writer);
}

void CAudioMixer::StartLocked(int mode, IWriteToFile& writer)
{
    m_bStereo = mode > 0;
    m_pWriter = &writer;
    m_writeQueue.SetTarget(&writer);
    m_sideAbsent = {false, false};
    m_bRecording = true;
}

void CAudioMixer::Close()
{
    std::lock_guard guard(m_lock);
    CloseLocked();
}

void CAudioMixer::CloseLocked()
{
    m_bRecording = false;
    m_ringChanged.notify_all();
    m_remoteRing.Reset();
    m_myRing.Reset();
    if (m_pWriter) {
        m_writeQueue.Close();
        m_pWriter = nullptr;
    }
}

bool CAudioMixer::OnMySideBlock(const CBuffer& block)
{
    return OnBlock(Side::Mine, block);
}

bool CAudioMixer::OnRemoteSideBlock(const CBuffer& block)
{
    return OnBlock(Side::Remote, block);
}

bool CAudioMixer::OnBlock(Side side, const CBuffer& block)
{
    if (block.m_nSize != kBlockBytes)
        return false;
    const Side partnerSide = side == Side::Mine ? Side::Remote : Side::Mine;
    CRingBuffer& own = RingOf(side);
    CRingBuffer& other = RingOf(partnerSide);
    std::unique_lock guard(m_lock);
    for (;;) {
        if (!m_bRecording)
            return true;
        m_sideAbsent[std::size_t(side)] = false;
        if (!other.IsEmpty()) {
            WritePairWith(side, block);
            return true;
        }
        if (own.Put(block.m_pData, kBlockBytes))
            return true;
        if (!m_sideAbsent[std::size_t(partnerSide)] && WaitForPartner(guard, own))
            continue;
        m_sideAbsent[std::size_t(partnerSide)] = true;
        WriteAlone(side);
        own.Put(block.m_pData, kBlockBytes);
        return true;
    }
}

// A full ring means the partner sent nothing during the last 320 ms of this side. When the
// streams arrive faster than real time (a backlog), the partner's thread is merely behind:
// waiting for it keeps every block paired with its counterpart instead of writing stretches
// of one side alone. A partner that stays silent for the whole wait counts as absent, and is
// not waited for again until it sends a block.
bool CAudioMixer::WaitForPartner(std::unique_lock<std::mutex>& guard, const CRingBuffer& own)
{
    return m_ringChanged.wait_for(guard, m_partnerWait, [&] {
        return !m_bRecording || own.Count() < CRingBuffer::kCapacity;
    });
}

void CAudioMixer::WritePairWith(Side side, const CBuffer& block)
{
    std::array<std::uint8_t, kBlockBytes> partnerBytes;
    RingOf(side == Side::Mine ? Side::Remote : Side::Mine).Get(partnerBytes.data(), kBlockBytes);
    m_ringChanged.notify_all();
    const CBuffer partner(partnerBytes.data(), kBlockBytes);
    if (side == Side::Mine)
        WritePair(block, partner);
    else
        WritePair(partner, block);
}

void CAudioMixer::WriteAlone(Side side)
{
    CRingBuffer& ring = RingOf(side);
    const int bytes = ring.Count();
    ring.Get(m_queued.data(), bytes);
    const CBuffer queued(m_queued.data(), bytes);
    if (!m_bStereo) {
        m_writeQueue.Write(queued);
        return;
    }
    CBuffer output(m_output.data(), 2 * bytes);
    const int channel = side == Side::Mine ? 0 : 1;
    for (int i = 0; i < queued.SampleCount(); ++i) {
        output.SetSampleAt(2 * i + channel, queued.SampleAt(i));
        output.SetSampleAt(2 * i + 1 - channel, 0);
    }
    m_writeQueue.Write(output);
}

void CAudioMixer::WritePair(const CBuffer& mine, const CBuffer& remote)
{
    const int samples = mine.SampleCount();
    if (m_bStereo) {
        CBuffer output(m_output.data(), 2 * kBlockBytes);
        for (int i = 0; i < samples; ++i) {
            output.SetSampleAt(2 * i, mine.SampleAt(i));
            output.SetSampleAt(2 * i + 1, remote.SampleAt(i));
        }
        m_writeQueue.Write(output);
        return;
    }
    CBuffer output(m_output.data(), kBlockBytes);
    for (int i = 0; i < samples; ++i)
        output.SetSampleAt(i, SaturatedSum(mine.SampleAt(i), remote.SampleAt(i)));
    m_writeQueue.Write(output);
}

} // namespace ovento
