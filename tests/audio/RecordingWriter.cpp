#include "RecordingWriter.h"

namespace ovento::test {

bool RecordingWriter::Write(const CBuffer& block)
{
    std::vector<std::int16_t> samples(std::size_t(block.SampleCount()));
    for (int i = 0; i < block.SampleCount(); ++i)
        samples[std::size_t(i)] = block.SampleAt(i);
    std::lock_guard guard(m_lock);
    m_blocks.push_back(std::move(samples));
    return true;
}

bool RecordingWriter::Close()
{
    std::lock_guard guard(m_lock);
    ++m_closeCount;
    return true;
}

std::vector<std::vector<std::int16_t>> RecordingWriter::Blocks() const
{
    std::lock_guard guard(m_lock);
    return m_blocks;
}

int RecordingWriter::CloseCount() const
{
    std::lock_guard guard(m_lock);
    return m_closeCount;
}

} // namespace ovento::test
