#include "settings/CGeneralProfile.h"
#include "tests/app/RecorderFixture.h"
#include "tests/support/AudioPortsLock.h"
#include "tests/support/DecodedMp3.h"
#include "tests/support/EventLoop.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace ovento;
using namespace ovento::test;

namespace {

// The recorder as the user runs it, beside the sim, in a home of its own.
class RecorderProcessTest : public ::testing::Test
{
protected:
    ~RecorderProcessTest() override
    {
        m_sim.Stop();
        if (m_recorder.state() != QProcess::NotRunning) {
            m_recorder.kill();
            m_recorder.waitForFinished();
        }
    }

    QString RecordFolder() const { return m_home.root() + QStringLiteral("/Recordings"); }

    void SaveSettings()
    {
        QDir().mkpath(RecordFolder());
        CGeneralProfile settings;
        settings.m_bRecType = true;
        settings.m_strSFolder = RecordFolder();
        settings.m_bDirty = true;
        settings.Save();
    }

    // Starts the recorder and waits until its Skype client listens on the bus.
    bool StartRecorder()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                           QStringLiteral("ovento.lifecycle.debug=true"));
        m_recorder.setProcessEnvironment(environment);
        m_recorder.start(qEnvironmentVariable("OVENTO_RECORDER"), {});
        if (!m_recorder.waitForStarted())
            return false;
        QByteArray lines;
        return WaitUntil([&] {
            lines += m_recorder.readAllStandardError();
            return lines.contains("init: history filled");
        });
    }

    AudioPortsLock m_portsLock;
    TempHome m_home;
    SkypeSimProcess m_sim{m_home.root()};
    QProcess m_recorder;
};

TEST_F(RecorderProcessTest, ExitDuringARecordingClosesTheFileWithoutAHistoryEntry)
{
    ASSERT_TRUE(m_portsLock.IsHeld()) << "the audio ports stayed busy";
    SaveSettings();
    ASSERT_TRUE(StartRecorder());
    ASSERT_TRUE(m_sim.Start("wait-for-command search friends\n"
                            "call 7001 incoming alice\n"
                            "status 7001 RINGING\n"
                            "wait-for-command get call 7001 partner_handle\n"
                            "status 7001 INPROGRESS\n"));
    // A second of both sides at 64 kbit/s is about 8 kB of MP3.
    const auto recorded = [&] {
        const QStringList files = Mp3FilesBelow(m_home.root());
        return files.size() == 1 && QFileInfo(files[0]).size() >= 8000;
    };
    ASSERT_TRUE(WaitUntil(recorded));
    EXPECT_TRUE(m_sim.HasLine("audio", "7001 mic 58377 start"));
    EXPECT_TRUE(m_sim.HasLine("audio", "7001 output 58376 start"));

    m_recorder.terminate(); // ends the program as Exit does
    ASSERT_TRUE(m_recorder.waitForFinished(20000));
    EXPECT_EQ(m_recorder.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_recorder.exitCode(), 0);

    const QStringList files = Mp3FilesBelow(m_home.root());
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(QFileInfo(files[0]).absolutePath(), RecordFolder());
    const DecodedMp3 mp3(files[0]);
    EXPECT_TRUE(mp3.FramesCoverFile()) << "the file was closed, not cut";
    EXPECT_TRUE(mp3.DecodedCleanly()) << mp3.DecodeError();
    EXPECT_GE(double(mp3.Channel(0).size()), 0.8 * double(mp3.Rate()));
    EXPECT_TRUE(ReadHistory(m_home).empty());

    CGeneralProfile settings;
    settings.Load();
    EXPECT_EQ(CGeneralProfile::ParsePosition(settings.m_strPosition).size(), 4u)
        << "the window position is saved at exit";
    EXPECT_TRUE(settings.m_bRecType);
    EXPECT_EQ(settings.m_strSFolder, RecordFolder());
}

} // namespace
