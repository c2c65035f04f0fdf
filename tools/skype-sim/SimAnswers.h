#pragma once

#include "SimAudio.h"
#include "SimState.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace ovento::sim {

// What the simulated Skype says to each command: the reply and any notifications that
// follow it, in order, from what it knows of its users and calls. An ALTER of a call's audio
// also redirects that call's audio.
class SimAnswers
{
public:
    // pongLimit: how many pings get a PONG; none: all of them.
    SimAnswers(SimState& state, SimAudio& audio, std::optional<int> pongLimit);

    QStringList Answer(const QString& command);

private:
    QStringList AnswerPing();
    QStringList AnswerGet(const QStringList& words) const;
    QStringList AnswerGetUser(const QStringList& words) const;
    QStringList AnswerGetCall(const QStringList& words) const;
    QStringList AnswerAlterCall(const QStringList& words);

    SimState& m_state;
    SimAudio& m_audio;
    std::optional<int> m_pongsLeft;
};

} // namespace ovento::sim
