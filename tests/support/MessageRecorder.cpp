#include "MessageRecorder.h"

namespace ovento::test {

LRESULT MessageRecorder::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    std::lock_guard guard(m_lock);
    m_messages.push_back({message, wParam, lParam});
    return 0;
}

std::vector<RecordedMessage> MessageRecorder::All() const
{
    std::lock_guard guard(m_lock);
    return m_messages;
}

std::vector<RecordedMessage> MessageRecorder::Only(UINT message) const
{
    std::lock_guard guard(m_lock);
    std::vector<RecordedMessage> matching;
    for (const RecordedMessage& m : m_messages)
        if (m.message == message)
            matching.push_back(m);
    return matching;
}

void MessageRecorder::Clear()
{
    std::lock_guard guard(m_lock);
    m_messages.clear();
}

} // namespace ovento::test
