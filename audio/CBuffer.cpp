#include "CBuffer.h"

namespace ovento {

CBuffer::CBuffer(int size)
    : m_pData(size > 0 ? new std::uint8_t[size]() : nullptr), m_nSize(size > 0 ? size : 0),
      m_bOwner(true)
{}

CBuffer::CBuffer(void* data, int size)
    : m_pData(static_cast<std::uint8_t*>(data)), m_nSize(size), m_bOwner(false)
{}

CBuffer::~CBuffer()
{
    if (m_bOwner)
        delete[] m_pData;
}

} // namespace ovento
