#include "SimLog.h"

#include <cstdio>

namespace ovento::sim {

bool SimLog::Open(const QString& path)
{
    if (path.isEmpty())
        return m_file.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    m_file.setFileName(path);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
}

void SimLog::Line(const QString& kind, const QString& text)
{
    // A command is one line however it was sent.
    QString line = kind + u' ' + text;
    line.replace(u'\n', u' ').replace(u'\r', u' ');
    m_file.write(line.toUtf8() + '\n');
    m_file.flush();
}

} // namespace ovento::sim
