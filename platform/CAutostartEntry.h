#pragma once

#include <QString>

namespace ovento {

// The desktop's autostart entry that starts the program when the user logs on (the XDG
// autostart rules): one desktop file whose presence is the whole setting.
class CAutostartEntry
{
public:
    // $XDG_CONFIG_HOME/autostart/ovento-recorder.desktop; empty when the config folder
    // cannot be told.
    static QString DefaultFilePath();

    explicit CAutostartEntry(const QString& filePath = DefaultFilePath());

    const QString& FilePath() const { return m_strFilePath; }

    // Makes the autostart folder when it is missing; false when it cannot be made.
    bool OpenFolder() const;
    // Any file (or link) at the path counts, whatever it holds.
    bool Exists() const;
    // Writes a new entry that starts the executable by its quoted absolute path, without
    // arguments. False when the path cannot be started from an entry (not absolute, not an
    // existing file, a control character in it) or the file cannot be written.
    bool Create(const QString& executablePath) const;
    // True only when an entry was there and is gone now.
    bool Remove() const;

    // The Exec value that starts exactly this program: the path in double quotes with the
    // escapes that desktop entry files require.
    static QString ExecValue(const QString& executablePath);

private:
    QString m_strFilePath;
};

} // namespace ovento
