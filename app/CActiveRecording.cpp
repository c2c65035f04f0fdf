#include "CActiveRecording.h"

#include <QDateTime>
#include <QStringList>

namespace ovento {
namespace {
CActiveRecording* g_instance = nullptr;
}

CActiveRecording* CActiveRecording::GetInstance()
{
    return CreateInstance(SystemClock());
}

CActiveRecording* CActiveRecording::CreateInstance(Clock clock)
{
    if (!g_instance)
        g_instance = new CActiveRecording(std::move(clock));
    return g_instance;
}

void CActiveRecording::DeleteInstance()
{
    delete g_instance;
    g_instance = nullptr;
}

CActiveRecording::Clock CActiveRecording::SystemClock()
{
    return [] {
        return QDateTime::currentSecsSinceEpoch();
    };
}

CActiveRecording::CActiveRecording(Clock clock) : m_clock(std::move(clock)) {}

void CActiveRecording::Begin(const QString& name, int type, const QString& pathWithoutExtension)
{
    m_tStart = m_clock();
    m_info.bNew = true;
    m_info.strName = name;
    m_info.nType = type;
    m_info.strTime = QString::number(static_cast<std::int32_t>(m_tStart));
    m_info.strFile = pathWithoutExtension + QStringLiteral(".mp3");
    m_nPausedSeconds = 0;
    m_bPaused = false;
    m_tPauseStart = 0;
}

void CActiveRecording::AddCallId(const QString& id)
{
    const QStringList known = m_strCallIds.split(QLatin1Char(','));
    if (known.contains(id, Qt::CaseInsensitive))
        return;
    if (!m_strCallIds.isEmpty())
        m_strCallIds += QLatin1Char(',');
    m_strCallIds += id;
}

void CActiveRecording::Pause()
{
    if (m_bPaused)
        return;
    m_bPaused = true;
    m_tPauseStart = m_clock();
}

void CActiveRecording::Resume()
{
    if (!m_bPaused)
        return;
    m_nPausedSeconds += static_cast<std::int32_t>(m_clock() - m_tPauseStart);
    m_tPauseStart = 0;
    m_bPaused = false;
}

void CActiveRecording::Finish(RecordInfo& info)
{
    Resume();
    m_info.nDuration = static_cast<std::int32_t>(m_clock() - m_nPausedSeconds - m_tStart);
    info = m_info;
}

void CActiveRecording::ClearCalls()
{
    m_strCallIds.clear();
    m_nPausedSeconds = 0;
    m_tPauseStart = 0;
}

} // namespace ovento
