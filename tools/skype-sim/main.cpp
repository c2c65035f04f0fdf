#include "SimAnswers.h"
#include "SimApiWindow.h"
#include "SimAudio.h"
#include "SimLog.h"
#include "SimOptions.h"
#include "SimScenario.h"
#include "SimScenarioPlayer.h"
#include "SimState.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

using namespace ovento::sim;

namespace {

// The scenario the options ask for; none when they ask for none or the file is unusable
// (then error says why).
std::optional<SimScenario> LoadScenario(const SimOptions& options, QString& error)
{
    if (options.demoCallSeconds)
        return SimScenario::DemoCall(*options.demoCallSeconds);
    if (options.scenarioPath.isEmpty())
        return std::nullopt;
    QFile file(options.scenarioPath);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1").arg(options.scenarioPath);
        return std::nullopt;
    }
    auto scenario = SimScenario::Parse(QString::fromUtf8(file.readAll()), error);
    if (!scenario)
        error = options.scenarioPath + QStringLiteral(": ") + error;
    return scenario;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("skype-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));

    QString error;
    const auto options = ParseSimOptions(QCoreApplication::arguments(), error);
    auto scenario = options ? LoadScenario(*options, error) : std::nullopt;
    if (!error.isEmpty()) {
        std::fprintf(stderr, "skype-sim: %s\n", qPrintable(error));
        return 2;
    }
    SimLog log;
    if (!log.Open(options->logPath)) {
        std::fprintf(stderr, "skype-sim: cannot write %s\n", qPrintable(options->logPath));
        return 1;
    }
    SimState state;
    SimAudio audio(log, options->bFastAudio);
    SimAnswers answers(state, audio, options->pongLimit);
    SimApiWindow window(answers, log, options->attachStatus);
    if (!window.IsValid()) {
        std::fprintf(stderr, "skype-sim: cannot publish the API window on the session bus\n");
        return 1;
    }
    std::optional<SimScenarioPlayer> player;
    if (scenario) {
        player.emplace(
            std::move(*scenario), state, audio, log,
            [&](const QString& text) { window.Notify(text); },
            [&] { window.Flush([] { QCoreApplication::quit(); }); });
        window.SetListeners([&](const QString& command) { player->OnCommand(command); },
                            [&] { player->Start(); });
    }
    window.Announce();
    return app.exec();
}
