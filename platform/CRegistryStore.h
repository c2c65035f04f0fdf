#pragma once

#include "platform/RegKey.h"

#include <QString>
#include <optional>

namespace ovento {

// The per-user settings store that stands in for the registry: keys and values with their kind
// and exact bytes, kept in one text file (CRegistryText) that is read when the store is made
// and rewritten atomically on every change.
//
// A file that cannot be read or is not a settings text is never overwritten: it is renamed to
// "<file>.damaged-<local time>" (or ".unreadable-…"), the store starts empty, and one
// diagnostic line names both files. When even the rename fails, the store keeps its hands off
// the file for the rest of the run and refuses every write.
class CRegistryStore
{
public:
    // $XDG_CONFIG_HOME/Ovento/registry.conf; empty when the config folder cannot be told.
    static QString DefaultFilePath();

    explicit CRegistryStore(const QString& filePath = DefaultFilePath());

    const QString& FilePath() const { return m_strFilePath; }

    std::optional<RegValue> QueryValue(const QString& key, const QString& name) const;
    // Creates the key when needed. False, with the store and its file unchanged, when the key
    // path is not one the file can hold or the file cannot be written.
    bool SetValue(const QString& key, const QString& name, const RegValue& value);

    // Files larger than this are not settings files.
    static constexpr qint64 kMaxFileSize = 1 << 20;

private:
    void ReadFile();
    void SetAside(const QString& problem, const QString& tag);
    bool WriteFile(const RegKeys& keys) const;

    QString m_strFilePath;
    RegKeys m_keys;
    bool m_bWritable = true;
};

} // namespace ovento
