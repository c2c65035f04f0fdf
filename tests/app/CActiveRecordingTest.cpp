#include "app/CActiveRecording.h"

#include <gtest/gtest.h>

using namespace ovento;

namespace {

struct FakeClock
{
    std::int64_t now = 1'257'000'000;
    CActiveRecording::Clock Function()
    {
        return [this] {
            return now;
        };
    }
};

} // namespace

TEST(CActiveRecording, BeginFillsTheEntryAndFinishCountsOnlyUnpausedTime)
{
    FakeClock clock;
    CActiveRecording recording(clock.Function());
    recording.Begin("echo123", 1, "/rec/echo123_2009-11-12_14-05-09");
    clock.now += 10;
    recording.Pause();
    clock.now += 20;
    recording.Resume();
    clock.now += 30;

    RecordInfo info;
    recording.Finish(info);
    EXPECT_EQ(info.nDuration, 40);
    EXPECT_EQ(info.nType, 1);
    EXPECT_TRUE(info.bNew);
    EXPECT_EQ(info.strName, "echo123");
    EXPECT_EQ(info.strTime, "1257000000");
    EXPECT_EQ(info.strFile, "/rec/echo123_2009-11-12_14-05-09.mp3");
    EXPECT_TRUE(info.strNote.isEmpty());
}

TEST(CActiveRecording, PauseAccountingCases)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<char, int>> steps; // 'p' pause, 'r' resume, 'w' wait seconds
        int expected;
    };
    const Case cases[] = {
        {"no pause", {{'w', 60}}, 60},
        {"stop while paused leaves the open span out", {{'w', 30}, {'p', 0}, {'w', 30}}, 30},
        {"a second pause while paused is ignored",
         {{'w', 10}, {'p', 0}, {'w', 5}, {'p', 0}, {'w', 5}, {'r', 0}, {'w', 10}},
         20},
        {"resume without pause changes nothing", {{'w', 10}, {'r', 0}, {'w', 10}}, 20},
        {"two pauses add up",
         {{'p', 0}, {'w', 5}, {'r', 0}, {'w', 10}, {'p', 0}, {'w', 5}, {'r', 0}},
         10},
    };
    for (const Case& c : cases) {
        FakeClock clock;
        CActiveRecording recording(clock.Function());
        recording.Begin("bob", 2, "/rec/bob");
        for (const auto& [step, seconds] : c.steps) {
            if (step == 'p')
                recording.Pause();
            else if (step == 'r')
                recording.Resume();
            else
                clock.now += seconds;
        }
        RecordInfo info;
        recording.Finish(info);
        EXPECT_EQ(info.nDuration, c.expected) << c.name;
    }
}

TEST(CActiveRecording, BeginStartsAFreshPauseAccountAndKeepsTheCalls)
{
    FakeClock clock;
    CActiveRecording recording(clock.Function());
    recording.AddCallId("12");
    recording.Begin("bob", 2, "/rec/bob");
    recording.Pause();
    clock.now += 100;
    recording.Begin("bob", 2, "/rec/bob");
    clock.now += 7;
    RecordInfo info;
    recording.Finish(info);
    EXPECT_EQ(info.nDuration, 7);
    EXPECT_EQ(recording.GetCallIds(), "12");
}

TEST(CActiveRecording, CallIdsAreKeptOnceEachInOrder)
{
    CActiveRecording recording;
    recording.AddCallId("12");
    recording.AddCallId("ab");
    recording.AddCallId("AB");
    recording.AddCallId("12");
    recording.AddCallId("7");
    EXPECT_EQ(recording.GetCallIds(), "12,ab,7");
    recording.ClearCalls();
    EXPECT_EQ(recording.GetCallIds(), "");
}
