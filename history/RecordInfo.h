#pragma once

#include <QString>
#include <cstdint>

namespace ovento {

// One finished recording as the history keeps it. A record is identified by the pair
// (strName, strTime); every other field may change.
struct RecordInfo
{
    std::int32_t nType = 3;     // 1 incoming, 2 outgoing, 3 direction not set
    bool bNew = true;           // not yet played to its end
    std::int32_t nDuration = 0; // seconds recorded, paused time excluded
    QString strName;            // the partner's account name; several joined with ","
    QString strTime;            // call start, decimal seconds since 1970-01-01 00:00 UTC
    QString strFile;            // full path of the recorded file
    QString strNote;            // free text, may hold line breaks

    bool operator==(const RecordInfo&) const = default;
};

} // namespace ovento
