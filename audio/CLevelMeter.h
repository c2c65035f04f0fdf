#pragma once

#include "audio/CBuffer.h"

#include <optional>

namespace ovento {

// The level shown for one side's meter: one reading every sixth block (the very first block
// reads at once), the loudest of every tenth sample scaled to 0..512, falling back by at most
// 4 per reading so the meter decays smoothly.
class CLevelMeter
{
public:
    static constexpr int kMaxLevel = 512;

    // The level to show after this block, or nothing when this block is not read.
    std::optional<int> OnBlock(const CBuffer& block);

private:
    static int PeakOf(const CBuffer& block);

    int m_nBlockCounter = 5;
    int m_nLastLevel = 0;
};

} // namespace ovento
