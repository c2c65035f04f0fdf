#include "SkypeSimProcess.h"

#include <QFile>
#include <QRegularExpression>

namespace ovento::test {

SkypeSimProcess::SkypeSimProcess(QString folder) : m_folder(std::move(folder)) {}

SkypeSimProcess::~SkypeSimProcess()
{
    Stop();
}

bool SkypeSimProcess::Start(const QString& scenario)
{
    const QString scenarioPath = m_folder + QStringLiteral("/scenario.txt");
    QFile file(scenarioPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(ExpandCheckpoints(scenario).toUtf8());
    file.close();
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    m_process.start(
        qEnvironmentVariable("OVENTO_SKYPE_SIM"),
        {QStringLiteral("--scenario"), scenarioPath, QStringLiteral("--log"), LogPath()});
    return m_process.waitForStarted();
}

// The sim keeps nothing worth a clean exit: its log lines are written as they happen.
void SkypeSimProcess::Stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished();
}

QString SkypeSimProcess::ContinueUser(const QString& checkpoint)
{
    return QStringLiteral("go-") + checkpoint;
}

QString SkypeSimProcess::ExpandCheckpoints(const QString& scenario)
{
    static const QRegularExpression checkpoint(QStringLiteral("^\\s*checkpoint\\s+(\\S+)\\s*$"),
                                               QRegularExpression::MultilineOption);
    QString expanded = scenario;
    expanded.replace(checkpoint, QStringLiteral("send CURRENTUSERHANDLE \\1\n"
                                                "wait-for-command get user go-\\1 fullname"));
    return expanded;
}

QString SkypeSimProcess::LogPath() const
{
    return m_folder + QStringLiteral("/sim.log");
}

QStringList SkypeSimProcess::Lines(const QString& kind) const
{
    QFile log(LogPath());
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    const QString prefix = kind + QLatin1Char(' ');
    for (const QString& line : QString::fromUtf8(log.readAll()).split(QLatin1Char('\n')))
        if (line.startsWith(prefix))
            lines << line.mid(prefix.size());
    return lines;
}

int SkypeSimProcess::Received(const QString& command) const
{
    return int(Lines(QStringLiteral("recv")).count(command));
}

bool SkypeSimProcess::HasLine(const QString& kind, const QString& text) const
{
    return Lines(kind).contains(text);
}

int SkypeSimProcess::StreamedBlocks(const QString& callId, const QString& side) const
{
    const QRegularExpression stop(
        QStringLiteral("^%1 %2 \\d+ stop (\\d+)$").arg(QRegularExpression::escape(callId), side));
    int blocks = 0;
    for (const QString& line : Lines(QStringLiteral("audio"))) {
        const QRegularExpressionMatch match = stop.match(line);
        if (match.hasMatch())
            blocks += match.captured(1).toInt();
    }
    return blocks;
}

} // namespace ovento::test
