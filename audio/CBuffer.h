#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace ovento {

static_assert(std::endian::native == std::endian::little,
              "PCM blocks are 16-bit little-endian and are read in place");

// A block of bytes passed between the receive threads, the mixer and the writer: either owned
// (allocated here, freed by the destructor) or a view over bytes that belong to someone else.
class CBuffer
{
public:
    // An owned block of size bytes, all zero.
    explicit CBuffer(int size);
    // A view over size bytes at data; the bytes must outlive the view.
    CBuffer(void* data, int size);
    virtual ~CBuffer();
    CBuffer(const CBuffer&) = delete;
    CBuffer& operator=(const CBuffer&) = delete;

    int SampleCount() const { return m_nSize / 2; }
    std::int16_t SampleAt(int index) const
    {
        std::int16_t sample;
        std::memcpy(&sample, m_pData + 2 * index, sizeof sample);
        return sample;
    }
    void SetSampleAt(int index, std::int16_t sample)
    {
        std::memcpy(m_pData + 2 * index, &sample, sizeof sample);
    }

    std::uint8_t* m_pData;
    int m_nSize;
    bool m_bOwner;
};

} // namespace ovento
