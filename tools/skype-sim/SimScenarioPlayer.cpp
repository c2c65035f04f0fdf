#include "SimScenarioPlayer.h"

namespace ovento::sim {

using Kind = SimStep::Kind;

SimScenarioPlayer::SimScenarioPlayer(SimScenario scenario, SimState& state, SimAudio& audio,
                                     SimLog& log, Notify notify, Exit exit)
    : m_scenario(std::move(scenario)), m_state(state), m_audio(audio), m_log(log),
      m_notify(std::move(notify)), m_exit(std::move(exit))
{
    m_waitTimer.setSingleShot(true);
    m_waitTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_waitTimer, &QTimer::timeout, [this] { PlayOn(); });
}

void SimScenarioPlayer::Start()
{
    if (m_bStarted)
        return;
    m_bStarted = true;
    m_log.Line(QStringLiteral("scenario"), QStringLiteral("start"));
    // Never from inside the window procedure that saw the attach.
    QTimer::singleShot(0, &m_waitTimer, [this] { PlayOn(); });
}

void SimScenarioPlayer::OnCommand(const QString& command)
{
    if (m_nextStep >= m_scenario.Steps().size())
        return;
    m_commands << command;
    if (m_bWaitingForCommand)
        PlayOn();
}

void SimScenarioPlayer::PlayOn()
{
    m_bWaitingForCommand = false;
    const std::vector<SimStep>& steps = m_scenario.Steps();
    while (m_nextStep < steps.size()) {
        const SimStep& step = steps[m_nextStep];
        if (step.kind == Kind::WaitForCommand && !TakeCommand(step.args[0])) {
            m_bWaitingForCommand = true;
            return;
        }
        ++m_nextStep;
        if (!Play(step))
            return;
    }
    m_commands.clear();
    m_log.Line(QStringLiteral("scenario"), QStringLiteral("done"));
}

bool SimScenarioPlayer::TakeCommand(const QString& text)
{
    for (qsizetype i = 0; i < m_commands.size(); ++i) {
        if (m_commands[i].contains(text, Qt::CaseInsensitive)) {
            m_commands.remove(0, i + 1);
            return true;
        }
    }
    return false;
}

bool SimScenarioPlayer::Play(const SimStep& step)
{
    const QStringList& args = step.args;
    switch (step.kind) {
    case Kind::Wait:
        m_waitTimer.start(args[0].toInt());
        return false;
    case Kind::WaitForCommand:
        return true;
    case Kind::Call:
        DeclareCall(args);
        return true;
    case Kind::Status:
        ChangeStatus(args[0], args[1]);
        return true;
    case Kind::Duration:
        NotifyCall(args[0], QStringLiteral("DURATION"), args[1]);
        return true;
    case Kind::Dtmf:
        NotifyCall(args[0], QStringLiteral("DTMF"), args[1]);
        return true;
    case Kind::Conf:
        ChangeConference(args[0], args[1], args.mid(2));
        return true;
    case Kind::User:
        ChangeUser(args[0], args[1].toUpper(), args[2]);
        return true;
    case Kind::Send:
        m_notify(args[0]);
        return true;
    case Kind::Exit:
        m_nextStep = m_scenario.Steps().size();
        m_audio.StopAll();
        m_log.Line(QStringLiteral("scenario"), QStringLiteral("done"));
        m_exit();
        return false;
    }
    return true;
}

void SimScenarioPlayer::DeclareCall(const QStringList& args)
{
    SimCall call;
    call.id = args[0];
    call.type = args[1];
    call.partner = args.value(2);
    m_state.AddCall(call);
}

void SimScenarioPlayer::ChangeConference(const QString& callId, const QString& count,
                                         const QStringList& participants)
{
    SimCall* call = m_state.FindCall(callId);
    call->confCount = count;
    call->participants = participants;
    NotifyCall(callId, QStringLiteral("CONF_PARTICIPANTS_COUNT"), count);
}

void SimScenarioPlayer::ChangeUser(const QString& handle, const QString& property,
                                   const QString& value)
{
    m_state.SetUserProperty(handle, property, value);
    m_notify(QStringList{QStringLiteral("USER"), handle, property, value}.join(u' ').trimmed());
}

void SimScenarioPlayer::ChangeStatus(const QString& callId, const QString& status)
{
    m_state.FindCall(callId)->status = status;
    // Skype stops a call's audio before it reports that the call went on hold or ended.
    m_audio.Follow(callId, SimState::PhaseOf(status));
    NotifyCall(callId, QStringLiteral("STATUS"), status);
}

void SimScenarioPlayer::NotifyCall(const QString& callId, const QString& property,
                                   const QString& value)
{
    m_notify(QStringList{QStringLiteral("CALL"), callId, property, value}.join(u' '));
}

} // namespace ovento::sim
