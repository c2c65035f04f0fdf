#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ovento {

// A signalled/non-signalled flag that threads wait on. An auto-reset event releases one
// waiter and falls back to non-signalled; a manual-reset event stays set until Reset.
class Event
{
public:
    enum class Mode
    {
        AutoReset,
        ManualReset
    };

    explicit Event(Mode mode, bool initiallySet = false);

    void Set();
    void Reset();
    // Waits until the event is set; false when the timeout ran out first.
    bool Wait();
    bool WaitFor(std::chrono::milliseconds timeout);

private:
    bool TakeLocked();

    const Mode m_mode;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_set;
};

} // namespace ovento
