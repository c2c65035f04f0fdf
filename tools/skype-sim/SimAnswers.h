#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ovento::sim {

// What the simulated Skype says to each command: the reply and any notifications that
// follow it, in order. Knows one signed-in user and a short friends list.
class SimAnswers
{
public:
    // pongLimit: how many pings get a PONG; none: all of them.
    explicit SimAnswers(std::optional<int> pongLimit);

    QStringList Answer(const QString& command);

private:
    QStringList AnswerPing();
    QStringList AnswerGet(const QStringList& words) const;

    std::optional<int> m_pongsLeft;
};

} // namespace ovento::sim
