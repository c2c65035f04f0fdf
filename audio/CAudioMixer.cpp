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

CAudioMixer::CAudioMixer() = default;

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
    m_bStereo = mode > 0;
    if (!m_mp3File.Open(mode, fileName, sampleRate, bitRate))
        return false;
    m_pWriter = &m_mp3File;
    m_bRecording = true;
    return true;
}

void CAudioMixer::OpenWith(int mode, IWriteToFile& writer)
{
    std::lock_guard guard(m_lock);
    CloseLocked();
    m_bStereo = mode > 0;
    m_pWriter = &writer;
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
    m_remoteRing.Reset();
    m_myRing.Reset();
    if (m_pWriter) {
        m_pWriter->Close();
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
    std::lock_guard guard(m_lock);
    if (!m_bRecording)
        return true;
    CRingBuffer& own = RingOf(side);
    CRingBuffer& other = RingOf(side == Side::Mine ? Side::Remote : Side::Mine);
    if (other.IsEmpty()) {
        if (own.Put(block.m_pData, kBlockBytes))
            return true;
        WriteAlone(side);
        own.Put(block.m_pData, kBlockBytes);
        return true;
    }
    std::array<std::uint8_t, kBlockBytes> partnerBytes;
    other.Get(partnerBytes.data(), kBlockBytes);
    const CBuffer partner(partnerBytes.data(), kBlockBytes);
    if (side == Side::Mine)
        WritePair(block, partner);
    else
        WritePair(partner, block);
    return true;
}

void CAudioMixer::WriteAlone(Side side)
{
    CRingBuffer& ring = RingOf(side);
    const int bytes = ring.Count();
    ring.Get(m_queued.data(), bytes);
    const CBuffer queued(m_queued.data(), bytes);
    if (!m_bStereo) {
        m_pWriter->Write(queued);
        return;
    }
    CBuffer output(m_output.data(), 2 * bytes);
    const int channel = side == Side::Mine ? 0 : 1;
    for (int i = 0; i < queued.SampleCount(); ++i) {
        output.SetSampleAt(2 * i + channel, queued.SampleAt(i));
        output.SetSampleAt(2 * i + 1 - channel, 0);
    }
    m_pWriter->Write(output);
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
        m_pWriter->Write(output);
        return;
    }
    CBuffer output(m_output.data(), kBlockBytes);
    for (int i = 0; i < samples; ++i)
        output.SetSampleAt(i, SaturatedSum(mine.SampleAt(i), remote.SampleAt(i)));
    m_pWriter->Write(output);
}

} // namespace ovento
