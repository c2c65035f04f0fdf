#include "CWriteQueue.h"

#include <pthread.h>

namespace ovento {
namespace {

// Blocks kept for reuse, so that a long recording does not allocate for every block.
constexpr std::size_t kMaxSpareBlocks = 128;

} // namespace

CWriteQueue::CWriteQueue(std::size_t capacityBytes)
    : m_capacity(capacityBytes), m_thread(&CWriteQueue::Run, this)
{}

CWriteQueue::~CWriteQueue()
{
    Close();
    {
        std::lock_guard guard(m_lock);
        m_bStop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CWriteQueue::SetTarget(IWriteToFile* target)
{
    std::lock_guard guard(m_lock);
    m_pTarget = target;
}

// A full queue takes more only once the writer has worked it down to half, so that a sender
// that is far ahead is woken once per half queue, not once per block.
bool CWriteQueue::HasRoomFor(std::size_t bytes) const
{
    return m_queuedBytes == 0 || m_queuedBytes + bytes <= m_capacity;
}

bool CWriteQueue::Write(const CBuffer& block)
{
    const auto bytes = std::size_t(block.m_nSize);
    std::unique_lock guard(m_lock);
    if (!m_pTarget)
        return false;
    if (!HasRoomFor(bytes))
        m_changed.wait(guard, [&] { return m_queuedBytes <= m_capacity / 2 || !m_pTarget; });
    if (!m_pTarget)
        return false;
    std::vector<std::uint8_t> copy;
    if (!m_spare.empty()) {
        copy = std::move(m_spare.back());
        m_spare.pop_back();
    }
    copy.assign(block.m_pData, block.m_pData + bytes);
    const bool wasIdle = m_blocks.empty() && !m_bWriting;
    m_blocks.push_back(std::move(copy));
    m_queuedBytes += bytes;
    guard.unlock();
    if (wasIdle)
        m_changed.notify_all();
    return true;
}

void CWriteQueue::Run()
{
    pthread_setname_np(pthread_self(), "ovento-writer");
    std::unique_lock guard(m_lock);
    for (;;) {
        m_changed.wait(guard, [this] { return m_bStop || !m_blocks.empty(); });
        if (m_blocks.empty())
            return;
        std::vector<std::uint8_t> block = std::move(m_blocks.front());
        m_blocks.pop_front();
        m_bWriting = true;
        IWriteToFile* target = m_pTarget;
        guard.unlock();
        if (target)
            target->Write(CBuffer(block.data(), int(block.size())));
        guard.lock();
        m_bWriting = false;
        m_queuedBytes -= block.size();
        if (m_spare.size() < kMaxSpareBlocks)
            m_spare.push_back(std::move(block));
        if (m_queuedBytes <= m_capacity / 2)
            m_changed.notify_all();
    }
}

void CWriteQueue::WaitUntilWritten()
{
    std::unique_lock guard(m_lock);
    m_changed.wait(guard, [this] { return m_blocks.empty() && !m_bWriting; });
}

bool CWriteQueue::Close()
{
    WaitUntilWritten();
    IWriteToFile* target = nullptr;
    {
        std::lock_guard guard(m_lock);
        target = m_pTarget;
        m_pTarget = nullptr;
    }
    m_changed.notify_all();
    if (target)
        target->Close();
    return true;
}

} // namespace ovento
