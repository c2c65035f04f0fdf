#include "platform/InstanceLock.h"

#include "tests/support/TempHome.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ovento;

namespace {

// Whether a separate process could take the lock right now.
bool OtherProcessCanAcquire(const QString& name)
{
    const pid_t child = fork();
    if (child == 0) {
        InstanceLock lock(name);
        _exit(lock.TryAcquire() ? 0 : (lock.AlreadyHeld() ? 1 : 2));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST(InstanceLock, OneHolderPerUserAndFreedOnRelease)
{
    test::TempHome home;
    InstanceLock lock(QStringLiteral("Ovento_RECORDER"));
    ASSERT_TRUE(lock.TryAcquire());
    EXPECT_EQ(InstanceLock::LockFilePath("Ovento_RECORDER"),
              home.runtimeDir() + "/Ovento_RECORDER");
    EXPECT_FALSE(OtherProcessCanAcquire("Ovento_RECORDER"));
    lock.Release();
    EXPECT_TRUE(OtherProcessCanAcquire("Ovento_RECORDER"));
}

TEST(InstanceLock, AKilledHolderLeavesTheLockFree)
{
    test::TempHome home;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        InstanceLock lock(QStringLiteral("Ovento_RECORDER"));
        const char ok = lock.TryAcquire() ? 'y' : 'n';
        (void)!write(ready[1], &ok, 1);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    EXPECT_FALSE(OtherProcessCanAcquire("Ovento_RECORDER"));
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_TRUE(OtherProcessCanAcquire("Ovento_RECORDER"));
    close(ready[0]);
    close(ready[1]);
}
