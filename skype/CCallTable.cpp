#include "CCallTable.h"

#include <QDateTime>

namespace ovento {
namespace {

// A call never seen before takes a slot only while it is under way; an end state or UNPLACED
// of an unknown call is news about nothing the program tracks.
bool OpensSlot(int status)
{
    return status == CALL_STATUS_ROUTING || status == CALL_STATUS_EARLYMEDIA ||
           status == CALL_STATUS_RINGING || IsActiveCallStatus(status);
}

bool IsSlot(int slot)
{
    return slot >= 0 && slot < CCallTable::kSlotCount;
}
} // namespace

CCallTable::Clock CCallTable::SystemClock()
{
    return [] {
        return QDateTime::currentSecsSinceEpoch();
    };
}

CCallTable::CCallTable(Clock clock) : m_clock(std::move(clock)) {}

void CCallTable::SetCommandSink(CommandSink sink)
{
    m_sink = std::move(sink);
}

void CCallTable::SetClock(Clock clock)
{
    m_clock = std::move(clock);
}

int CCallTable::FindCall(const QString& id) const
{
    const QString trimmed = id.trimmed();
    if (trimmed.isEmpty())
        return -1;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (m_calls[slot].m_strCallId == trimmed)
            return slot;
    }
    return -1;
}

int CCallTable::FindOrAddCall(const QString& id)
{
    const QString trimmed = id.trimmed();
    if (trimmed.isEmpty())
        return -1;
    const int slot = FindCall(trimmed);
    return slot >= 0 ? slot : TakeFreeSlot(trimmed);
}

int CCallTable::TakeFreeSlot(const QString& id)
{
    for (int slot = 0; slot < kSlotCount; ++slot) {
        CallEntry& entry = m_calls[slot];
        if (!entry.m_strCallId.isEmpty())
            continue;
        entry.m_strCallId = id;
        entry.m_strPartnerHandle.clear();
        entry.m_tAdded = m_clock();
        if (m_sink)
            m_sink(QStringLiteral("get call ") + id + QStringLiteral(" partner_handle"));
        return slot;
    }
    return -1;
}

int CCallTable::UpdateCallStatus(const QString& id, int status)
{
    int slot = FindCall(id);
    if (slot < 0) {
        if (!OpensSlot(status))
            return -1;
        slot = FindOrAddCall(id);
    }
    if (slot >= 0)
        m_calls[slot].m_nStatus = status;
    return slot;
}

int CCallTable::SetCallPartner(const QString& id, const QString& handle)
{
    const int slot = FindOrAddCall(id);
    if (slot >= 0)
        m_calls[slot].m_strPartnerHandle = handle;
    return slot;
}

QString CCallTable::GetCallPartner(const QString& id) const
{
    for (const CallEntry& entry : m_calls) {
        if (!entry.m_strCallId.isEmpty() && entry.m_strCallId == id)
            return entry.m_strPartnerHandle;
    }
    return QString();
}

QString CCallTable::GetCallId(int slot) const
{
    return IsSlot(slot) ? m_calls[slot].m_strCallId : QString();
}

int CCallTable::GetCallStatusAt(int slot) const
{
    return IsSlot(slot) ? m_calls[slot].m_nStatus : CALL_STATUS_OTHER;
}

int CCallTable::CountCalls() const
{
    int count = 0;
    for (const CallEntry& entry : m_calls) {
        if (!entry.m_strCallId.isEmpty() && entry.m_nStatus != CALL_STATUS_OTHER)
            ++count;
    }
    return count;
}

bool CCallTable::IsAnyCallActive() const
{
    for (const CallEntry& entry : m_calls) {
        if (!entry.m_strCallId.isEmpty() && IsActiveCallStatus(entry.m_nStatus))
            return true;
    }
    return false;
}

bool CCallTable::IsCallPartner(const QString& handle) const
{
    // A free slot's empty partner is no one's.
    if (handle.isEmpty())
        return false;
    for (const CallEntry& entry : m_calls) {
        if (entry.m_strPartnerHandle.compare(handle, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void CCallTable::PickCallToRecord(QString& id, QString& partner) const
{
    std::int64_t best = m_clock();
    id.clear();
    partner.clear();
    for (const CallEntry& entry : m_calls) {
        if (entry.m_strCallId.isEmpty() || !IsActiveCallStatus(entry.m_nStatus) ||
            entry.m_tAdded > best)
            continue;
        id = entry.m_strCallId;
        partner = entry.m_strPartnerHandle;
        best = entry.m_tAdded;
    }
}

void CCallTable::Clear()
{
    m_calls.fill(CallEntry());
}

} // namespace ovento
