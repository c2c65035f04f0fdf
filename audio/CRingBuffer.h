#pragma once

#include <array>
#include <cstdint>

namespace ovento {

// A fixed ring of bytes for one side's blocks waiting for a partner (320 ms of one side).
// Not locked on its own: the mixer runs every step that touches its rings under one lock.
class CRingBuffer
{
public:
    static constexpr int kCapacity = 10240;

    CRingBuffer();

    // Appends length bytes; false, changing nothing, when they do not all fit.
    bool Put(const std::uint8_t* source, int length);
    // Takes the oldest length bytes out; false, changing nothing, when fewer are held.
    bool Get(std::uint8_t* destination, int length);
    // Empties the ring and clears its storage.
    void Reset();

    bool IsEmpty() const { return m_bEmpty; }
    int Count() const { return m_nCount; }

private:
    bool m_bEmpty = true;
    std::array<std::uint8_t, kCapacity> m_data{};
    int m_nCount = 0;
    int m_nReadPos = 0;
    int m_nWritePos = 0;
};

} // namespace ovento
