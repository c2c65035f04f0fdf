#include "Folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace ovento {

QString GetDocumentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString GetDataHomeFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString GetDefaultRecordFolder()
{
    const QString documents = GetDocumentsFolder();
    return documents.isEmpty() ? QString() : documents + QStringLiteral("/Ovento");
}

QString GetAppDataFolder()
{
    const QString dataHome = GetDataHomeFolder();
    return dataHome.isEmpty() ? QString() : dataHome + QStringLiteral("/Ovento/");
}

bool CreateFolderTree(const QString& path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return false;
    return QDir().mkpath(path);
}

int MoveToRecycleBin(const QString& path)
{
    if (!QFileInfo::exists(path))
        return kRecycleFileNotFound;
    return QFile::moveToTrash(path) ? 0 : kRecycleAccessDenied;
}

} // namespace ovento
