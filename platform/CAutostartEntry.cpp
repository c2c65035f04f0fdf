#include "CAutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace ovento {
namespace {

bool HasControlCharacter(const QString& text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

} // namespace

QString CAutostartEntry::DefaultFilePath()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config.isEmpty() ? QString()
                            : config + QStringLiteral("/autostart/ovento-recorder.desktop");
}

CAutostartEntry::CAutostartEntry(const QString& filePath) : m_strFilePath(filePath) {}

bool CAutostartEntry::OpenFolder() const
{
    return !m_strFilePath.isEmpty() && QDir().mkpath(QFileInfo(m_strFilePath).absolutePath());
}

bool CAutostartEntry::Exists() const
{
    const QFileInfo info(m_strFilePath);
    return !m_strFilePath.isEmpty() && (info.exists() || info.isSymLink());
}

bool CAutostartEntry::Create(const QString& executablePath) const
{
    if (!QFileInfo(executablePath).isAbsolute() || !QFileInfo(executablePath).isFile() ||
        HasControlCharacter(executablePath) || !OpenFolder())
        return false;
    QSaveFile file(m_strFilePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Ovento Recorder\n"
                                         "Comment=Records Skype calls to MP3 files\n"
                                         "Exec=%1\n"
                                         "Terminal=false\n")
                              .arg(ExecValue(executablePath));
    file.write(entry.toUtf8());
    return file.commit();
}

bool CAutostartEntry::Remove() const
{
    return !m_strFilePath.isEmpty() && QFile::remove(m_strFilePath);
}

QString CAutostartEntry::ExecValue(const QString& executablePath)
{
    // Inside the quotes ", `, $ and \ take a backslash; % is doubled for the field codes;
    // then the value's own escaping doubles every backslash once more.
    QString quoted;
    for (QChar c : executablePath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace ovento
