#include "audio/CAudioServer.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "tests/support/AudioPortsTest.h"
#include "tests/support/EventLoop.h"
#include "tests/support/PortSquatter.h"
#include "tests/support/TempHome.h"

#include <QProcess>
#include <gtest/gtest.h>

using namespace ovento;
using namespace std::chrono_literals;

namespace {

QString RecorderPath()
{
    return qEnvironmentVariable("OVENTO_RECORDER");
}

bool LockHeldByAnotherProcess()
{
    InstanceLock probe(QStringLiteral("Ovento_RECORDER"));
    if (probe.TryAcquire())
        return false;
    return probe.AlreadyHeld();
}

} // namespace

using SingleInstance = test::AudioPortsTest;

TEST_F(SingleInstance, ASecondStartEndsAtOnceAndLeavesTheFirstRunning)
{
    test::TempHome home;
    QProcess first;
    first.start(RecorderPath(), {});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(test::WaitUntil(LockHeldByAnotherProcess)) << "the first copy takes the lock";

    QProcess second;
    second.start(RecorderPath(), {});
    ASSERT_TRUE(second.waitForFinished(20000)) << "the second copy ends by itself";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().isEmpty()) << "silently";
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill(); // SIGKILL: no chance to release anything
    ASSERT_TRUE(first.waitForFinished());
    EXPECT_FALSE(LockHeldByAnotherProcess());

    QProcess third;
    third.start(RecorderPath(), {});
    ASSERT_TRUE(third.waitForStarted());
    EXPECT_TRUE(test::WaitUntil(LockHeldByAnotherProcess)) << "a new start works after a crash";
    third.terminate(); // ends as Exit does
    EXPECT_TRUE(third.waitForFinished(20000));
    EXPECT_EQ(third.exitCode(), 0);
}

TEST_F(SingleInstance, TerminationSavesTheSettingsLikeExit)
{
    test::TempHome home;
    QProcess recorder;
    recorder.start(RecorderPath(), {});
    ASSERT_TRUE(recorder.waitForStarted());
    ASSERT_TRUE(test::WaitUntil(LockHeldByAnotherProcess));
    recorder.terminate();
    ASSERT_TRUE(recorder.waitForFinished(20000));
    QFile settings(home.configHome() + "/Ovento/registry.conf");
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains("position")) << "the window position is saved at exit";
}

TEST_F(SingleInstance, TerminationEndsTheProgramWhileAStartUpMessageWaitsForTheUser)
{
    test::TempHome home;
    test::PortSquatter squatter(CAudioServer::kMySidePort);
    ASSERT_TRUE(squatter.IsListening());
    QProcess recorder;
    recorder.start(RecorderPath(), {});
    ASSERT_TRUE(recorder.waitForStarted());
    ASSERT_TRUE(test::WaitUntil(LockHeldByAnotherProcess));
    recorder.terminate(); // arrives before or while the port message is up: both must end it
    ASSERT_TRUE(recorder.waitForFinished(20000)) << "the unanswered box keeps the program alive";
    EXPECT_EQ(recorder.exitCode(), 0);
}
