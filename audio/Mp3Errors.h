#pragma once

#include <cstdint>

namespace ovento {

// Last-error codes the writer and the mixer leave when they return false.
constexpr std::uint32_t kMp3ErrorNoFileName = 4352;
constexpr std::uint32_t kMp3ErrorClosed = 4355;
constexpr std::uint32_t kMp3ErrorNoFile = 4356;
constexpr std::uint32_t kMp3ErrorEncoder = 4357;
constexpr std::uint32_t kMp3ErrorShortWrite = 4358;

} // namespace ovento
