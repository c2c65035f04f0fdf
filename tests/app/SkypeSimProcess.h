#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace ovento::test {

// skype-sim run as a child process on the test's session bus, playing one scenario, with the
// lines it logged.
//
// Scenarios may hold "checkpoint NAME" lines, which pause the call between the recorder and
// the test: the sim sends "CURRENTUSERHANDLE NAME", which the recorder shows in its user label
// once it has handled every text sent before; the scenario then waits until the recorder
// sends "get user go-NAME fullname" (ContinueCommand).
class SkypeSimProcess
{
public:
    // The scenario and the log are written into folder.
    explicit SkypeSimProcess(QString folder);
    ~SkypeSimProcess();
    SkypeSimProcess(const SkypeSimProcess&) = delete;
    SkypeSimProcess& operator=(const SkypeSimProcess&) = delete;

    bool Start(const QString& scenario);
    void Stop();

    // The logged lines of one kind ("recv", "send", "audio", "scenario"), without the kind.
    QStringList Lines(const QString& kind) const;
    // How often exactly this command arrived.
    int Received(const QString& command) const;
    bool HasLine(const QString& kind, const QString& text) const;
    // 320-byte blocks streamed for one side ("output" or "mic") of a call, over all its
    // closed connections.
    int StreamedBlocks(const QString& callId, const QString& side) const;

    static QString ContinueUser(const QString& checkpoint);

private:
    static QString ExpandCheckpoints(const QString& scenario);
    QString LogPath() const;

    QString m_folder;
    QProcess m_process;
};

} // namespace ovento::test
