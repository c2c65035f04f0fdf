#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <map>

namespace ovento::test {

// Points HOME and the XDG folders at a fresh temporary tree for the life of the object, so a
// test reads and writes only its own settings, documents, data and trash.
class TempHome
{
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString root() const { return m_dir.path(); }
    QString home() const;
    QString configHome() const;
    QString dataHome() const;
    QString documents() const;
    QString runtimeDir() const;

private:
    void Point(const char* variable, const QString& value);

    QTemporaryDir m_dir;
    std::map<QByteArray, std::pair<bool, QByteArray>> m_saved;
};

} // namespace ovento::test
