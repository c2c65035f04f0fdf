#pragma once

#include "audio/IWriteToFile.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace ovento::test {

// A writer that keeps every block the mixer hands it, to check the mixer's output exactly.
class RecordingWriter : public IWriteToFile
{
public:
    bool Write(const CBuffer& block) override;
    bool Close() override;

    std::vector<std::vector<std::int16_t>> Blocks() const;
    int CloseCount() const;

private:
    mutable std::mutex m_lock;
    std::vector<std::vector<std::int16_t>> m_blocks;
    int m_closeCount = 0;
};

} // namespace ovento::test
