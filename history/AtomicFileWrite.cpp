#include "AtomicFileWrite.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace ovento {

namespace {

constexpr char kTemporarySuffix[] = ".saving-";
constexpr std::size_t kTemporaryLetters = 6; // the XXXXXX that mkstemp fills in

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
    QByteArray temp = target + kTemporarySuffix + QByteArray(kTemporaryLetters, 'X');
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
    // Runs at every start-up: a plain directory read, without a status call per entry.
    const QFileInfo file(path);
    const QByteArray prefix = QFile::encodeName(file.fileName()) + kTemporarySuffix;
    DIR* folder = ::opendir(QFile::encodeName(file.absolutePath()).constData());
    if (!folder)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name.size() == static_cast<std::size_t>(prefix.size()) + kTemporaryLetters &&
            name.starts_with(prefix.constData()))
            ::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
    ::closedir(folder);
}

} // namespace ovento
