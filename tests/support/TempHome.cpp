#include "TempHome.h"

#include <QDir>
#include <QStandardPaths>

namespace ovento::test {

TempHome::TempHome()
{
    QStandardPaths::setTestModeEnabled(false);
    Point("HOME", home());
    Point("XDG_CONFIG_HOME", configHome());
    Point("XDG_DATA_HOME", dataHome());
    Point("XDG_RUNTIME_DIR", runtimeDir());
    QDir().mkpath(home());
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome());
    QDir().mkpath(documents());
    QDir().mkpath(runtimeDir());
    QFile::setPermissions(runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TempHome::~TempHome()
{
    for (const auto& [name, saved] : m_saved) {
        if (saved.first)
            qputenv(name.constData(), saved.second);
        else
            qunsetenv(name.constData());
    }
}

QString TempHome::home() const
{
    return m_dir.path() + QStringLiteral("/home");
}
QString TempHome::configHome() const
{
    return home() + QStringLiteral("/.config");
}
QString TempHome::dataHome() const
{
    return home() + QStringLiteral("/.local/share");
}
QString TempHome::documents() const
{
    return home() + QStringLiteral("/Documents");
}
QString TempHome::runtimeDir() const
{
    return m_dir.path() + QStringLiteral("/run");
}

void TempHome::Point(const char* variable, const QString& value)
{
    const QByteArray name(variable);
    if (!m_saved.count(name))
        m_saved[name] = {qEnvironmentVariableIsSet(variable), qgetenv(variable)};
    qputenv(variable, QFile::encodeName(value));
}

} // namespace ovento::test
