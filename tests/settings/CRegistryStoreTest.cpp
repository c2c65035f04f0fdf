#include "platform/CRegistryStore.h"

#include "tests/support/DebugLines.h"
#include "tests/support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace ovento;

namespace {

const QString kKey = QStringLiteral("software\\Ovento\\config");

void WriteFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The files beside the settings file whose names start with it, apart from itself.
QStringList AsideFiles(const QString& path)
{
    const QFileInfo info(path);
    QStringList names = QDir(info.absolutePath()).entryList({info.fileName() + ".*"});
    return names;
}

class CRegistryStoreTest : public ::testing::Test
{
protected:
    test::TempHome home;
    test::DebugLines debug;
    const QString path = home.configHome() + "/Ovento/registry.conf";
    const RegValue one{RegKind::Dword, ToRegDword(1)};
};

} // namespace

TEST_F(CRegistryStoreTest, LivesInTheUsersConfigFolder)
{
    EXPECT_EQ(CRegistryStore::DefaultFilePath(), path);
}

TEST_F(CRegistryStoreTest, AWrittenValueIsThereForTheNextStore)
{
    {
        CRegistryStore store;
        EXPECT_FALSE(store.QueryValue(kKey, "amode"));
        EXPECT_TRUE(store.SetValue(kKey, "amode", one));
        EXPECT_EQ(store.QueryValue("SOFTWARE\\ovento\\Config", "AMODE"), one)
            << "keys and names ignore case";
    }
    CRegistryStore again;
    EXPECT_EQ(again.QueryValue(kKey, "amode"), one);
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files),
              QStringList{"registry.conf"})
        << "no temporary file is left behind";
}

TEST_F(CRegistryStoreTest, AFileThatIsNoSettingsTextIsKeptAsideAndDefaultsUsed)
{
    struct Case
    {
        const char* name;
        QByteArray content;
    };
    const Case cases[] = {
        {"foreign ini", "[General]\ngeometry=@ByteArray(\\x1\\x2)\n"},
        {"binary junk", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"cut short", "[software\\Ovento\\config]\nsfolder = string:\"/home/a"},
        {"too large", "[k]\n" + QByteArray(CRegistryStore::kMaxFileSize, '#')},
    };
    const QRegularExpression asideName(
        R"(^registry\.conf\.damaged-\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d$)");
    for (const Case& c : cases) {
        QDir(QFileInfo(path).absolutePath()).removeRecursively();
        WriteFile(path, c.content);
        debug.Clear();

        CRegistryStore store;
        EXPECT_FALSE(store.QueryValue(kKey, "amode")) << c.name;
        const QStringList aside = AsideFiles(path);
        ASSERT_EQ(aside.size(), 1) << c.name;
        EXPECT_TRUE(asideName.match(aside[0]).hasMatch()) << aside[0].toStdString();
        const QString asidePath = QFileInfo(path).absolutePath() + "/" + aside[0];
        EXPECT_EQ(ReadFile(asidePath), c.content) << "nothing of it is lost: " << c.name;
        ASSERT_EQ(debug.Lines().size(), 1) << c.name;
        EXPECT_TRUE(debug.Lines()[0].contains(path) && debug.Lines()[0].contains(asidePath))
            << debug.Lines()[0].toStdString();

        EXPECT_TRUE(store.SetValue(kKey, "amode", one)) << c.name;
        EXPECT_EQ(CRegistryStore().QueryValue(kKey, "amode"), one) << c.name;
        EXPECT_EQ(ReadFile(asidePath), c.content) << c.name;
    }
}

TEST_F(CRegistryStoreTest, TwoDamagedFilesInOneSecondAreBothKept)
{
    WriteFile(path, "first damage");
    CRegistryStore first;
    WriteFile(path, "second damage");
    CRegistryStore second;
    EXPECT_EQ(AsideFiles(path).size(), 2);
}

TEST_F(CRegistryStoreTest, AnUnreadableFileIsKeptAsideToo)
{
    QDir().mkpath(path); // a folder where the file should be
    CRegistryStore store;
    const QStringList aside = AsideFiles(path);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(aside[0].startsWith("registry.conf.unreadable-")) << aside[0].toStdString();
    EXPECT_TRUE(store.SetValue(kKey, "amode", one));
    EXPECT_EQ(debug.Lines().size(), 1);
}

TEST_F(CRegistryStoreTest, AFileThatCannotBeMovedAsideIsNeverOverwritten)
{
    WriteFile(path, "damaged");
    const QString folder = QFileInfo(path).absolutePath();
    const auto readable = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::ExeOther;
    for (const QString& open : {home.root(), home.home(), home.configHome()})
        QFile::setPermissions(open, readable | QFile::WriteOwner);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther |
                                    QFile::WriteOther);
    QFile::setPermissions(folder, readable); // the file can be changed but not moved
    const auto check = [&] {
        CRegistryStore store;
        // Once the folder could be written again, the store still keeps away from the file.
        QFile::setPermissions(folder, readable | QFile::WriteOwner);
        return !store.SetValue(kKey, "amode", one) && ReadFile(path) == "damaged" &&
               debug.Lines().size() == 1;
    };
    if (geteuid() != 0) {
        EXPECT_TRUE(check());
        return;
    }
    // Folder permissions do not bind the superuser: check as an ordinary user who owns the
    // folder but not the file.
    const uid_t nobody = 65534;
    ASSERT_EQ(chown(QFile::encodeName(folder).constData(), nobody, nobody), 0);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (setgid(nobody) != 0 || setuid(nobody) != 0)
                _exit(2);
            _exit(check() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(CRegistryStoreTest, AFailedWriteChangesNothing)
{
    WriteFile(home.configHome() + "/Ovento", "a file where the folder should be");
    CRegistryStore store;
    EXPECT_FALSE(store.SetValue(kKey, "amode", one));
    EXPECT_FALSE(store.QueryValue(kKey, "amode"));
}

TEST_F(CRegistryStoreTest, RefusesKeyPathsTheFileCannotHold)
{
    CRegistryStore store;
    for (const QString& key :
         {QString(), QString("a\\\\b"), QString("a\\"), QString(" a"), QString("a\nb")}) {
        EXPECT_FALSE(store.SetValue(key, "v", one)) << key.toStdString();
        EXPECT_FALSE(store.QueryValue(key, "v"));
    }
    EXPECT_FALSE(QFile::exists(path));
}
