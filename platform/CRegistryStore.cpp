#include "CRegistryStore.h"

#include "platform/CRegistryText.h"
#include "platform/DebugOutput.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace ovento {
namespace {

bool PathExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// "<path>.<tag>-2024-05-01_10-15-30", with "-2", "-3", … when that name is taken.
QString AsideName(const QString& path, const QString& tag)
{
    const QString stem =
        path + QLatin1Char('.') + tag + QLatin1Char('-') +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    QString name = stem;
    for (int n = 2; PathExists(name); ++n)
        name = stem + QLatin1Char('-') + QString::number(n);
    return name;
}

} // namespace

QString CRegistryStore::DefaultFilePath()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config.isEmpty() ? QString() : config + QStringLiteral("/Ovento/registry.conf");
}

CRegistryStore::CRegistryStore(const QString& filePath) : m_strFilePath(filePath)
{
    m_bWritable = !m_strFilePath.isEmpty();
    if (m_bWritable)
        ReadFile();
}

std::optional<RegValue> CRegistryStore::QueryValue(const QString& key, const QString& name) const
{
    const RegKey* found = FindKey(m_keys, key);
    if (!found)
        return std::nullopt;
    const RegNamedValue* value = FindValue(*found, name);
    return value ? std::optional(value->value) : std::nullopt;
}

bool CRegistryStore::SetValue(const QString& key, const QString& name, const RegValue& value)
{
    if (!m_bWritable || !CRegistryText::IsValidKeyPath(key))
        return false;
    RegKeys changed = m_keys;
    RegKey* target = FindKey(changed, key);
    if (!target)
        target = &changed.emplace_back(RegKey{key, {}});
    if (RegNamedValue* existing = FindValue(*target, name))
        existing->value = value;
    else
        target->values.push_back(RegNamedValue{name, value});
    if (!WriteFile(changed))
        return false;
    m_keys = std::move(changed);
    return true;
}

void CRegistryStore::ReadFile()
{
    if (!PathExists(m_strFilePath))
        return;
    QFile file(m_strFilePath);
    if (!QFileInfo(m_strFilePath).isFile() || !file.open(QIODevice::ReadOnly)) {
        SetAside(QStringLiteral("cannot be read (%1)").arg(file.errorString()),
                 QStringLiteral("unreadable"));
        return;
    }
    const QByteArray text = file.read(kMaxFileSize + 1);
    QString error;
    if (text.size() > kMaxFileSize)
        SetAside(QStringLiteral("is larger than %1 bytes").arg(kMaxFileSize),
                 QStringLiteral("damaged"));
    else if (!CRegistryText::Parse(text, m_keys, error))
        SetAside(QStringLiteral("is damaged (%1)").arg(error), QStringLiteral("damaged"));
}

void CRegistryStore::SetAside(const QString& problem, const QString& tag)
{
    const QString aside = AsideName(m_strFilePath, tag);
    if (QDir().rename(m_strFilePath, aside)) {
        OutputDebugString(QStringLiteral("Settings file %1 %2; kept as %3, using defaults")
                              .arg(m_strFilePath, problem, aside));
        return;
    }
    m_bWritable = false;
    OutputDebugString(QStringLiteral("Settings file %1 %2 and cannot be moved aside; using "
                                     "defaults and leaving the file untouched")
                          .arg(m_strFilePath, problem));
}

bool CRegistryStore::WriteFile(const RegKeys& keys) const
{
    if (!QDir().mkpath(QFileInfo(m_strFilePath).absolutePath()))
        return false;
    QSaveFile file(m_strFilePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(CRegistryText::Format(keys));
    return file.commit();
}

} // namespace ovento
