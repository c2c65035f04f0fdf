#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ovento::sim {

// How the simulated Skype behaves, from its command line.
struct SimOptions
{
    // The Attach status sent back to each Discover (0 success, 1 pending authorisation,
    // 2 refused, 3 not available); none: Discover goes unanswered.
    std::optional<long long> attachStatus = 0;
    // How many pings are answered with PONG; none: every one.
    std::optional<int> pongLimit;
    // Where the received commands and the sent texts are logged, one a line; empty:
    // standard output.
    QString logPath;
    // The scenario to play from the first attach: a file, or the built-in demo call of the
    // given length in seconds; neither: the sim only answers.
    QString scenarioPath;
    std::optional<int> demoCallSeconds;
    // Audio as fast as the recorder takes it instead of one block per 10 ms.
    bool bFastAudio = false;
};

// The options, or an error text for the user when the arguments are wrong. --help and
// --version print and exit inside.
std::optional<SimOptions> ParseSimOptions(const QStringList& arguments, QString& error);

} // namespace ovento::sim
