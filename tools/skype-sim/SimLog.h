#pragma once

#include <QFile>
#include <QString>

namespace ovento::sim {

// One line per event, "<kind> <text>", flushed at once so a test can read it while the sim
// runs. Kinds: "recv" (a command received), "send" (a text sent to a client), "attach",
// "audio" and "scenario".
class SimLog
{
public:
    // An empty path logs to standard output; a file is appended to.
    bool Open(const QString& path);
    void Line(const QString& kind, const QString& text);

private:
    QFile m_file;
};

} // namespace ovento::sim
