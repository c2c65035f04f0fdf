#include "Event.h"

namespace ovento {

Event::Event(Mode mode, bool initiallySet) : m_mode(mode), m_set(initiallySet) {}

void Event::Set()
{
    {
        std::lock_guard guard(m_lock);
        m_set = true;
    }
    m_changed.notify_all();
}

void Event::Reset()
{
    std::lock_guard guard(m_lock);
    m_set = false;
}

bool Event::TakeLocked()
{
    if (!m_set)
        return false;
    if (m_mode == Mode::AutoReset)
        m_set = false;
    return true;
}

bool Event::Wait()
{
    std::unique_lock guard(m_lock);
    m_changed.wait(guard, [this] { return m_set; });
    return TakeLocked();
}

bool Event::WaitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock guard(m_lock);
    m_changed.wait_for(guard, timeout, [this] { return m_set; });
    return TakeLocked();
}

} // namespace ovento
