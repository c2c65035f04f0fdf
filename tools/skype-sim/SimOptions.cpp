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
        QStringLiteral("Append each command received, one a line, to <file> instead of "
                       "standard output."),
        QStringLiteral("file"));
    parser.addOptions({attach, pongs, log});
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
    return options;
}

} // namespace ovento::sim
