#include "history/CRecordStore.h"
#include "tests/history/RecordFileMaker.h"
#include "tests/history/XmlFiles.h"
#include "tests/support/TempHome.h"

#include <QDir>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace ovento;
using namespace ovento::test;

namespace {

constexpr int kSeeded = 3000;

RecordInfo Numbered(int i)
{
    RecordInfo info;
    info.strName = QStringLiteral("caller%1").arg(i);
    info.strTime = QString::number(i);
    info.strFile = QStringLiteral("/calls/caller%1.mp3").arg(i);
    return info;
}

// Runs the body in a child process and returns the child's id.
template <typename Body> pid_t Fork(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    return pid;
}

int WaitFor(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

class RecordSafetyTest : public ::testing::Test
{
protected:
    QString Path() const { return m_home.root() + "/record.xml"; }

    // Opens the file as the program would at start-up; the records must be the seeded ones
    // followed by caller0, caller1, ... without a gap.
    int CheckWholeAndCountAdded()
    {
        CRecordStore store;
        store.Open(Path());
        EXPECT_EQ(QDir(m_home.root()).entryList(QDir::Files), QStringList{"record.xml"})
            << "the file was torn, or a killed write's new file was left behind";
        const int count = store.GetCount();
        EXPECT_GE(count, kSeeded);
        for (int i = kSeeded; i < count; ++i) {
            RecordInfo info;
            EXPECT_TRUE(store.ReadRecord(i, info));
            EXPECT_EQ(info.strName, Numbered(i - kSeeded).strName);
        }
        return count - kSeeded;
    }

    TempHome m_home;
};

TEST_F(RecordSafetyTest, KillingTheProcessDuringSavesLeavesAWholeFile)
{
    WriteFileBytes(Path(), MakeRecordFile(kSeeded));
    std::mt19937 random(20091112);
    int added = 0;
    for (int round = 0; round < 12; ++round) {
        const int first = added;
        const pid_t child = Fork([&] {
            std::int64_t clock = 1258018215;
            CRecordStore store([&] { return clock++; });
            store.Open(Path());
            for (int i = first;; ++i)
                store.AddRecord(Numbered(i));
        });
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + random() % 60));
        ::kill(child, SIGKILL);
        WaitFor(child);
        const int now = CheckWholeAndCountAdded();
        EXPECT_GE(now, added);
        added = now;
    }
    EXPECT_TRUE(XmllintAccepts(Path()));
}

TEST_F(RecordSafetyTest, AWriteThatFailsLeavesThePreviousFile)
{
    WriteFileBytes(Path(), MakeRecordFile(kSeeded));
    const qint64 seededSize = QFileInfo(Path()).size();
    // The file may grow by about three records; the later saves fail with "file too large".
    const pid_t child = Fork([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = static_cast<rlim_t>(seededSize + 700);
        const rlimit size{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &size);
        std::int64_t clock = 1258018215;
        CRecordStore store([&] { return clock++; });
        store.Open(Path());
        for (int i = 0; i < 12; ++i)
            store.AddRecord(Numbered(i));
    });
    ASSERT_GT(child, 0);
    const int status = WaitFor(child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(QDir(m_home.root()).entryList(QDir::Files), QStringList{"record.xml"})
        << "a failed write removes its new file";
    const int added = CheckWholeAndCountAdded();
    EXPECT_GT(added, 0);
    EXPECT_LT(added, 12);
    EXPECT_TRUE(XmllintAccepts(Path()));
}

} // namespace
