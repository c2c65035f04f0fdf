#include "AtomicFileWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ovento {

namespace {

constexpr char kTemporarySuffix[] = ".saving-";

int WriteAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        left -= written;
    }
    return 0;
}

// Keeps the mode of the file being replaced; a new file stays private to its owner.
void KeepMode(int fd, const QByteArray& target)
{
    struct stat status = {};
    if (::stat(target.constData(), &status) == 0)
        ::fchmod(fd, status.st_mode & 07777);
}

// Makes the rename itself durable, so a power loss cannot bring the old name back empty.
void SyncFolder(const QString& path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

int WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temp = target + kTemporarySuffix + "XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    KeepMode(fd, target);
    int error = WriteAll(fd, bytes);
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.constData());
        return error;
    }
    SyncFolder(path);
    return 0;
}

void RemoveLeftoverTemporaries(const QString& path)
{
    const QFileInfo file(path);
    QDir folder = file.dir();
    const QString pattern = file.fileName() + QLatin1String(kTemporarySuffix) + "??????";
    for (const QString& name : folder.entryList({pattern}, QDir::Files | QDir::Hidden))
        folder.remove(name);
}

} // namespace ovento
