#include "CLevelMeter.h"

#include <algorithm>
#include <cstdlib>

namespace ovento {
namespace {

constexpr int kReadEvery = 5;
constexpr int kSampleStride = 10;
constexpr int kScaleShift = 6;
constexpr int kDecayStep = 4;

} // namespace

std::optional<int> CLevelMeter::OnBlock(const CBuffer& block)
{
    if (m_nBlockCounter < kReadEvery) {
        ++m_nBlockCounter;
        return std::nullopt;
    }
    int level = PeakOf(block);
    if (level < m_nLastLevel)
        level = std::max(m_nLastLevel - kDecayStep, 0);
    m_nLastLevel = level;
    m_nBlockCounter = 0;
    return level;
}

int CLevelMeter::PeakOf(const CBuffer& block)
{
    int peak = 0;
    for (int i = 0; i < block.SampleCount(); i += kSampleStride)
        peak = std::max(peak, std::abs(int(block.SampleAt(i))) >> kScaleShift);
    return peak;
}

} // namespace ovento
