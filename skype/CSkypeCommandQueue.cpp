#include "CSkypeCommandQueue.h"

namespace ovento {
namespace {

bool FitsSendBuffer(const QString& text)
{
    return text.toUtf8().size() < CSkypeCommandQueue::kMaxCommandBytes;
}
} // namespace

bool CSkypeCommandQueue::Push(const QString& text)
{
    if (!FitsSendBuffer(text))
        return false;
    std::lock_guard guard(m_lock);
    if (!m_bEnabled || text.isEmpty())
        return false;
    m_commands.push_back(text);
    return true;
}

bool CSkypeCommandQueue::PopFront(QString& out)
{
    std::lock_guard guard(m_lock);
    if (!m_bEnabled || m_commands.empty())
        return false;
    out = std::move(m_commands.front());
    m_commands.pop_front();
    return true;
}

void CSkypeCommandQueue::SetEnabled(bool enabled)
{
    std::lock_guard guard(m_lock);
    m_bEnabled = enabled;
}

void CSkypeCommandQueue::Clear()
{
    std::lock_guard guard(m_lock);
    m_commands.clear();
}

} // namespace ovento
