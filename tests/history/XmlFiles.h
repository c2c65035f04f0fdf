#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>

namespace ovento::test {

inline QByteArray ReadFileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

// True when xmllint finds the file well-formed.
inline bool XmllintAccepts(const QString& path)
{
    return QProcess::execute(QStringLiteral("xmllint"), {QStringLiteral("--noout"), path}) == 0;
}

} // namespace ovento::test
