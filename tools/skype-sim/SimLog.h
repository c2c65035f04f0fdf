#pragma once

#include <QFile>
#include <QString>

namespace ovento::sim {

// One line per received command, flushed at once so a test can read it while the sim runs.
class SimLog
{
public:
    // An empty path logs to standard output; a file is appended to.
    bool Open(const QString& path);
    void Line(const QString& text);

private:
    QFile m_file;
};

} // namespace ovento::sim
