#include "platform/Folders.h"

#include "tests/support/TempHome.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace ovento;

TEST(Folders, ProgramFoldersLiveUnderTheUsersXdgFolders)
{
    test::TempHome home;
    EXPECT_EQ(GetDefaultRecordFolder(), home.documents() + "/Ovento");
    EXPECT_EQ(GetAppDataFolder(), home.dataHome() + "/Ovento/");
}

TEST(Folders, CreateFolderTreeMakesParentsAndRefusesExistingPaths)
{
    test::TempHome home;
    const QString deep = home.root() + "/a/b/c";
    EXPECT_TRUE(CreateFolderTree(deep));
    EXPECT_TRUE(QDir(deep).exists());
    EXPECT_FALSE(CreateFolderTree(deep)) << "an existing folder reports already-exists";
    QFile file(home.root() + "/plain");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(CreateFolderTree(file.fileName()));
    EXPECT_FALSE(CreateFolderTree(file.fileName() + "/below"));
    EXPECT_FALSE(CreateFolderTree(QString()));
}

TEST(Folders, MoveToRecycleBinPutsTheFileInTheTrash)
{
    test::TempHome home;
    const QString path = home.documents() + "/call.mp3";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("ID3");
    file.close();
    EXPECT_EQ(MoveToRecycleBin(path), 0);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QFile::exists(home.dataHome() + "/Trash/files/call.mp3"));
    EXPECT_NE(MoveToRecycleBin(path), 0) << "a missing file is an error";
}
