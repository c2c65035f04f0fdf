#pragma once

#include <QString>
#include <cstdint>

namespace ovento {

// Call status codes as the parser turns Skype's status words into them.
enum CallStatus : int
{
    CALL_STATUS_OTHER = 0,
    CALL_STATUS_UNPLACED = 1,
    CALL_STATUS_ROUTING = 2,
    CALL_STATUS_EARLYMEDIA = 3,
    CALL_STATUS_FAILED = 4,
    CALL_STATUS_RINGING = 5,
    CALL_STATUS_INPROGRESS = 6,
    CALL_STATUS_ONHOLD = 7, // ONHOLD, LOCALHOLD and REMOTEHOLD
    CALL_STATUS_FINISHED = 8,
    CALL_STATUS_MISSED = 9,
    CALL_STATUS_REFUSED = 10,
    CALL_STATUS_BUSY = 11,
    CALL_STATUS_CANCELLED = 12,
};

// A call that can be recorded: in conversation or on hold.
constexpr bool IsActiveCallStatus(int status)
{
    return status == CALL_STATUS_INPROGRESS || status == CALL_STATUS_ONHOLD;
}

// One slot of the call table; an empty call id marks a free slot.
struct CallEntry
{
    QString m_strCallId;
    QString m_strPartnerHandle;
    int m_nStatus = CALL_STATUS_OTHER;
    std::int64_t m_tAdded = 0; // seconds since 1970-01-01 UTC
};

} // namespace ovento
