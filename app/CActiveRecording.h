#pragma once

#include "history/RecordInfo.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace ovento {

// The recording in progress: the history entry being prepared, its pause accounting and the
// calls redirected into it.
class CActiveRecording
{
public:
    // Seconds since 1970-01-01 UTC.
    using Clock = std::function<std::int64_t()>;

    static CActiveRecording* GetInstance();
    // Makes the process-wide instance with the given clock unless one exists; tests use it to
    // control time.
    static CActiveRecording* CreateInstance(Clock clock);
    static void DeleteInstance();

    explicit CActiveRecording(Clock clock = SystemClock());

    void Begin(const QString& name, int type, const QString& pathWithoutExtension);
    void AddCallId(const QString& id);
    QString GetCallIds() const { return m_strCallIds; }
    void Pause();
    void Resume();
    void Finish(RecordInfo& info);
    void ClearCalls();

    static Clock SystemClock();

private:
    Clock m_clock;
    RecordInfo m_info;
    bool m_bPaused = false;
    std::int32_t m_nPausedSeconds = 0;
    std::int64_t m_tPauseStart = 0;
    std::int64_t m_tStart = 0;
    QString m_strCallIds;
};

} // namespace ovento
