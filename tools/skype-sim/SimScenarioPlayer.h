#pragma once

#include "SimAudio.h"
#include "SimLog.h"
#include "SimScenario.h"
#include "SimState.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace ovento::sim {

// Plays a scenario once, on the thread of the API window, from the first successful attach.
// Each notification goes out through notify, after every text queued before it. Logs
// "scenario start" and "scenario done" (also on an exit step, before the sim ends).
class SimScenarioPlayer
{
public:
    using Notify = std::function<void(const QString& text)>;
    using Exit = std::function<void()>;

    SimScenarioPlayer(SimScenario scenario, SimState& state, SimAudio& audio, SimLog& log,
                      Notify notify, Exit exit);

    // The first call starts the scenario (on the next turn of the event loop); later calls
    // change nothing.
    void Start();
    // Every command received, from the start of the sim: what wait-for-command looks for.
    void OnCommand(const QString& command);

private:
    void PlayOn();
    // Plays the step; false when the scenario must wait before the next one.
    bool Play(const SimStep& step);
    bool TakeCommand(const QString& text);
    void DeclareCall(const QStringList& args);
    void ChangeStatus(const QString& callId, const QString& status);
    void ChangeConference(const QString& callId, const QString& count,
                          const QStringList& participants);
    void ChangeUser(const QString& handle, const QString& property, const QString& value);
    void NotifyCall(const QString& callId, const QString& property, const QString& value);

    const SimScenario m_scenario;
    SimState& m_state;
    SimAudio& m_audio;
    SimLog& m_log;
    const Notify m_notify;
    const Exit m_exit;
    bool m_bStarted = false;
    std::size_t m_nextStep = 0;
    // Commands not yet consumed by a wait-for-command, oldest first.
    QStringList m_commands;
    bool m_bWaitingForCommand = false;
    QTimer m_waitTimer;
};

} // namespace ovento::sim
