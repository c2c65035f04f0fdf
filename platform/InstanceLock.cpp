#include "InstanceLock.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ovento {

InstanceLock::InstanceLock(const QString& name) : m_path(LockFilePath(name)) {}

InstanceLock::~InstanceLock()
{
    Release();
}

QString InstanceLock::LockFilePath(const QString& name)
{
    const QByteArray runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty() && QDir(QFile::decodeName(runtimeDir)).exists())
        return QFile::decodeName(runtimeDir) + QLatin1Char('/') + name;
    return QDir::tempPath() + QLatin1Char('/') + name + QLatin1Char('-') +
           QString::number(::getuid());
}

bool InstanceLock::TryAcquire()
{
    if (m_fd >= 0)
        return true;
    m_alreadyHeld = false;
    const QByteArray path = QFile::encodeName(m_path);
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return false;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    m_alreadyHeld = (errno == EWOULDBLOCK);
    ::close(m_fd);
    m_fd = -1;
    return false;
}

void InstanceLock::Release()
{
    if (m_fd < 0)
        return;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

} // namespace ovento
