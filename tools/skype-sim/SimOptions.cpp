#include "SimOptions.h"

#include <QCommandLineParser>
#include <map>

namespace ovento::sim {
namespace {

const std::map<QString, std::optional<long long>> kAttachStatuses = {
    {QStringLiteral("success"), 0},           {QStringLiteral("pending"), 1},
    {QStringLiteral("refused"), 2},           {QStringLiteral("unavailable"), 3},
    {QStringLiteral("silent"), std::nullopt},
};

// A day; the demo's wait is counted in milliseconds.
constexpr int kMaxDemoSeconds = 86400;

} // namespace

std::optional<SimOptions> ParseSimOptions(const QStringList& arguments, QString& error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated Skype client for Ovento Recorder: one API window on the D-Bus session "
        "bus that answers the attach handshake and the recorder's commands."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption attach(
        QStringLiteral("attach"),
        QStringLiteral("Answer to each Discover: success (default), pending, refused, "
                       "unavailable, or silent (no answer)."),
        QStringLiteral("answer"), QStringLiteral("success"));
    const QCommandLineOption pongs(
        QStringLiteral("pongs"),
        QStringLiteral("Answer only the first <count> pings with PONG, then stay silent "
                       "(default: answer every ping)."),
        QStringLiteral("count"));
    const QCommandLineOption log(
        QStringLiteral("log"),
        QStringLiteral("Append each command received and each text sent, one a line, to "
                       "<file> instead of standard output."),
        QStringLiteral("file"));
    const QCommandLineOption scenario(
        QStringLiteral("scenario"),
        QStringLiteral("Play the scenario in <file> once a client has attached."),
        QStringLiteral("file"));
    const QCommandLineOption demoCall(
        QStringLiteral("demo-call"),
        QStringLiteral("Play one incoming call from echo123 that lasts <seconds> in "
                       "conversation."),
        QStringLiteral("seconds"));
    const QCommandLineOption fastAudio(
        QStringLiteral("fast-audio"),
        QStringLiteral("Stream call audio as fast as the receiver takes it, not in real time."));
    parser.addOptions({attach, pongs, log, scenario, demoCall, fastAudio});
    parser.process(arguments);

    SimOptions options;
    const auto status = kAttachStatuses.find(parser.value(attach));
    if (status == kAttachStatuses.end()) {
        error = QStringLiteral("unknown --attach answer: %1").arg(parser.value(attach));
        return std::nullopt;
    }
    options.attachStatus = status->second;
    if (parser.isSet(pongs)) {
        bool ok = false;
        options.pongLimit = parser.value(pongs).toInt(&ok);
        if (!ok || *options.pongLimit < 0) {
            error = QStringLiteral("--pongs needs a count of 0 or more");
            return std::nullopt;
        }
    }
    options.logPath = parser.value(log);
    options.scenarioPath = parser.value(scenario);
    if (parser.isSet(demoCall)) {
        bool ok = false;
        options.demoCallSeconds = parser.value(demoCall).toInt(&ok);
        if (!ok || *options.demoCallSeconds < 1 || *options.demoCallSeconds > kMaxDemoSeconds) {
            error = QStringLiteral("--demo-call needs a length of 1 to %1 seconds")
                        .arg(kMaxDemoSeconds);
            return std::nullopt;
        }
        if (parser.isSet(scenario)) {
            error = QStringLiteral("--scenario and --demo-call exclude each other");
            return std::nullopt;
        }
    }
    options.bFastAudio = parser.isSet(fastAudio);
    return options;
}

} // namespace ovento::sim
