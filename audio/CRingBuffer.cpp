#include "CRingBuffer.h"

#include <algorithm>
#include <cstring>

namespace ovento {

CRingBuffer::CRingBuffer() = default;

bool CRingBuffer::Put(const std::uint8_t* source, int length)
{
    if (length < 0 || m_nCount + length > kCapacity)
        return false;
    const int first = std::min(length, kCapacity - m_nWritePos);
    std::memcpy(m_data.data() + m_nWritePos, source, first);
    std::memcpy(m_data.data(), source + first, length - first);
    m_nWritePos = (m_nWritePos + length) % kCapacity;
    m_nCount += length;
    if (length > 0)
        m_bEmpty = false;
    return true;
}

bool CRingBuffer::Get(std::uint8_t* destination, int length)
{
    if (length == 0)
        return true;
    if (length < 0 || m_bEmpty || m_nCount < length)
        return false;
    const int first = std::min(length, kCapacity - m_nReadPos);
    std::memcpy(destination, m_data.data() + m_nReadPos, first);
    std::memcpy(destination + first, m_data.data(), length - first);
    m_nReadPos = (m_nReadPos + length) % kCapacity;
    m_nCount -= length;
    m_bEmpty = (m_nCount == 0);
    return true;
}

void CRingBuffer::Reset()
{
    m_bEmpty = true;
    m_nCount = 0;
    m_nReadPos = 0;
    m_nWritePos = 0;
    m_data.fill(0);
}

} // namespace ovento
