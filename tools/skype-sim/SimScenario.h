#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace ovento::sim {

// One line of a scenario. args holds the words after the keyword; for the steps that end in
// free text (wait-for-command, user, send) the last entry is the rest of the line as written.
struct SimStep
{
    enum class Kind
    {
        Wait,
        WaitForCommand,
        Call,
        Status,
        Duration,
        Dtmf,
        Conf,
        User,
        Send,
        Exit,
    };

    Kind kind;
    QStringList args;
    int line = 0;
};

// A scripted session of the simulated Skype: plain text, one step a line, checked as a whole
// before anything is played (see README.md beside this file for the format).
class SimScenario
{
public:
    // The steps, or nullopt with "line N: reason" in error.
    static std::optional<SimScenario> Parse(const QString& text, QString& error);
    // One incoming call from echo123 that rings, lasts the given seconds in conversation and
    // ends.
    static SimScenario DemoCall(int seconds);

    const std::vector<SimStep>& Steps() const { return m_steps; }

private:
    std::vector<SimStep> m_steps;
};

} // namespace ovento::sim
