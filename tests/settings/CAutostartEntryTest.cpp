#include "platform/CAutostartEntry.h"

#include "settings/CGeneralProfile.h"
#include "tests/support/EventLoop.h"
#include "tests/support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace ovento;

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs a tool on the entry; the exit code, or -1 when the tool is not installed.
int RunTool(const QString& tool, const QStringList& arguments, QString* output = nullptr)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return -1;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return process.exitCode();
}

// A script that leaves a marker file beside itself when it runs.
QString MakeMarkerScript(const QString& folder)
{
    QDir().mkpath(folder);
    const QString script = folder + "/start me";
    QFile file(script);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return script;
}

class CAutostartEntryTest : public ::testing::Test
{
protected:
    test::TempHome home;
    const QString path = home.configHome() + "/autostart/ovento-recorder.desktop";
};

} // namespace

TEST_F(CAutostartEntryTest, SetAutoStartWritesAValidEntryForThisProgram)
{
    EXPECT_EQ(CAutostartEntry::DefaultFilePath(), path);
    CGeneralProfile profile;
    EXPECT_TRUE(profile.SetAutoStart());
    const QString text = QString::fromUtf8(ReadFile(path));
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nExec=\"" + QCoreApplication::applicationFilePath() + "\"\n"))
        << text.toStdString();
    QString complaints;
    const int validation = RunTool("desktop-file-validate", {path}, &complaints);
    if (validation < 0)
        GTEST_SKIP() << "desktop-file-validate is not installed";
    EXPECT_EQ(validation, 0) << complaints.toStdString();
    EXPECT_TRUE(complaints.isEmpty()) << complaints.toStdString();
}

TEST_F(CAutostartEntryTest, AnExistingEntryIsLeftAsItIs)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nExec=/opt/old-copy/ovento-recorder\n");
    file.close();
    CGeneralProfile profile;
    EXPECT_TRUE(profile.SetAutoStart());
    EXPECT_EQ(ReadFile(path), "[Desktop Entry]\nExec=/opt/old-copy/ovento-recorder\n");
}

TEST_F(CAutostartEntryTest, RemoveAutoStartDeletesTheEntryOnce)
{
    CGeneralProfile profile;
    EXPECT_FALSE(profile.RemoveAutoStart()) << "nothing to delete";
    ASSERT_TRUE(profile.SetAutoStart());
    EXPECT_TRUE(profile.RemoveAutoStart());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(profile.RemoveAutoStart());
}

TEST_F(CAutostartEntryTest, SetAutoStartFailsWhenNoEntryCanBeWritten)
{
    QFile blocker(home.configHome() + "/autostart");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    EXPECT_FALSE(CGeneralProfile().SetAutoStart());
}

TEST_F(CAutostartEntryTest, TheExecLineStartsAProgramWhateverItsPathHolds)
{
    const QString script = MakeMarkerScript(home.root() + "/odd \"dir\" $HOME `x` \\back 'q' ünï");
    const CAutostartEntry entry(home.root() + "/entry.desktop");
    ASSERT_TRUE(entry.Create(script));
    QString complaints;
    const int validation = RunTool("desktop-file-validate", {entry.FilePath()}, &complaints);
    if (validation < 0)
        GTEST_SKIP() << "desktop-file-validate is not installed";
    EXPECT_EQ(validation, 0) << complaints.toStdString();

    QString launch;
    const int launched = RunTool("gio", {"launch", entry.FilePath()}, &launch);
    if (launched < 0)
        GTEST_SKIP() << "gio is not installed";
    EXPECT_EQ(launched, 0) << launch.toStdString();
    const QString marker = QFileInfo(script).absolutePath() + "/started";
    EXPECT_TRUE(test::WaitUntil([&] { return QFile::exists(marker); }));
}

TEST_F(CAutostartEntryTest, ExecValueEscapesWhatDesktopFilesReserve)
{
    struct Case
    {
        const char* path;
        const char* exec;
    };
    const Case cases[] = {
        {"/usr/bin/ovento-recorder", R"("/usr/bin/ovento-recorder")"},
        {"/opt/my apps/ovento", R"("/opt/my apps/ovento")"},
        {R"(/a"b$c`d\e)", R"("/a\\"b\\$c\\`d\\\\e")"},
        {"/100%/x", R"("/100%%/x")"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CAutostartEntry::ExecValue(c.path), c.exec) << c.path;
}

TEST_F(CAutostartEntryTest, RefusesPathsNoEntryCanStart)
{
    const CAutostartEntry entry(home.root() + "/entry.desktop");
    const QString script = MakeMarkerScript(home.root() + "/bin");
    for (const QString& executable :
         {QString(), QString("relative/ovento"), home.root() + "/missing", home.root() + "/bin"})
        EXPECT_FALSE(entry.Create(executable)) << executable.toStdString();
    EXPECT_FALSE(entry.Exists());
    EXPECT_TRUE(entry.Create(script));
}
