#pragma once

#include "audio/IWriteToFile.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace ovento {

// Hands blocks to a writer on a thread of its own, in order. The receive threads only copy a
// block in and go back to their sockets; the encoder works undisturbed, so it is the one limit
// on how fast a recording is written. The queue is bounded: when the encoder falls behind by
// more than its capacity, Write waits, and the senders are held back by TCP flow control.
class CWriteQueue : public IWriteToFile
{
public:
    static constexpr std::size_t kDefaultCapacity = 64 * 1024;

    explicit CWriteQueue(std::size_t capacityBytes = kDefaultCapacity);
    ~CWriteQueue() override;
    CWriteQueue(const CWriteQueue&) = delete;
    CWriteQueue& operator=(const CWriteQueue&) = delete;

    // Where the blocks go from now on; null drops them. Set only while nothing is queued.
    void SetTarget(IWriteToFile* target);
    // Queues a copy of the block; false when there is no target.
    bool Write(const CBuffer& block) override;
    // Writes everything queued, then closes the target and forgets it.
    bool Close() override;
    // Returns once every block queued so far has been written.
    void WaitUntilWritten();

private:
    void Run();
    bool HasRoomFor(std::size_t bytes) const;

    const std::size_t m_capacity;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<std::vector<std::uint8_t>> m_blocks;
    std::vector<std::vector<std::uint8_t>> m_spare;
    std::size_t m_queuedBytes = 0;
    bool m_bWriting = false;
    bool m_bStop = false;
    IWriteToFile* m_pTarget = nullptr;
    std::thread m_thread;
};

} // namespace ovento
