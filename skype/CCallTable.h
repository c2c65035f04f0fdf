#pragma once

#include "platform/ProcessSingleton.h"
#include "skype/CallEntry.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace ovento {

// The calls Skype has reported since the last Clear, in 20 fixed slots. A slot's index is the
// call's number in the call messages to the main window; slots are freed only by Clear. Main
// thread only.
class CCallTable : public ProcessSingleton<CCallTable>
{
public:
    static constexpr int kSlotCount = 20;

    // Takes a command text for Skype (the command queue's Push).
    using CommandSink = std::function<void(const QString&)>;
    // Seconds since 1970-01-01 UTC.
    using Clock = std::function<std::int64_t()>;

    static Clock SystemClock();

    explicit CCallTable(Clock clock = SystemClock());
    CCallTable(const CCallTable&) = delete;
    CCallTable& operator=(const CCallTable&) = delete;

    // Where the partner_handle query of a newly taken slot goes; without a sink it is dropped.
    void SetCommandSink(CommandSink sink);
    void SetClock(Clock clock);

    int FindCall(const QString& id) const;
    int FindOrAddCall(const QString& id);
    int UpdateCallStatus(const QString& id, int status);
    int SetCallPartner(const QString& id, const QString& handle);
    QString GetCallPartner(const QString& id) const;
    QString GetCallId(int slot) const;
    int GetCallStatusAt(int slot) const;
    int CountCalls() const;
    bool IsAnyCallActive() const;
    bool IsCallPartner(const QString& handle) const;
    // The active call that entered the table first (equal times: the higher slot); both
    // strings empty when no call is active.
    void PickCallToRecord(QString& id, QString& partner) const;
    void Clear();

private:
    int TakeFreeSlot(const QString& id);

    std::array<CallEntry, kSlotCount> m_calls;
    CommandSink m_sink;
    Clock m_clock;
};

} // namespace ovento
