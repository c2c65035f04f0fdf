#include "audio/CAudioMixer.h"
#include "tests/support/DecodedMp3.h"
#include "tools/skype-sim/AudioStreamer.h"

#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ovento {
namespace {

constexpr int kStereo = 1;
constexpr int kRate = 32000;
constexpr int kPairs = 500; // 5 s of call
// What the encoder may still hold when the process dies: two frames and its look-ahead.
constexpr std::size_t kEncoderHolds = 3 * 1152;

void FeedPair(CAudioMixer& mixer, int index)
{
    for (bool mySide : {true, false}) {
        AudioStreamer::Options side;
        side.toneHz = mySide ? AudioStreamer::kMySideToneHz : AudioStreamer::kRemoteSideToneHz;
        std::int16_t samples[AudioStreamer::kBlockSamples];
        AudioStreamer::FillBlock(side, std::uint64_t(index), samples);
        const CBuffer block(samples, AudioStreamer::kBlockBytes);
        if (mySide)
            mixer.OnMySideBlock(block);
        else
            mixer.OnRemoteSideBlock(block);
    }
}

// The child records kPairs pairs, says so once the writer has them, and waits to be killed
// mid-recording.
[[noreturn]] void RecordUntilKilled(const QString& path, int report)
{
    CAudioMixer mixer;
    const char opened = mixer.Open(kStereo, path, kRate, 64) ? 1 : 0;
    for (int k = 0; k < kPairs; ++k)
        FeedPair(mixer, k);
    mixer.WaitUntilWritten();
    [[maybe_unused]] const ssize_t written = ::write(report, &opened, 1);
    for (;;)
        ::pause();
}

TEST(CrashRecordingTest, ARecordingKilledMidwayPlaysUpToTheKill)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/killed.mp3";
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(report[0]);
        RecordUntilKilled(path, report[1]);
    }
    ::close(report[1]);
    char opened = 0;
    const ssize_t got = ::read(report[0], &opened, 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(report[0]);
    ASSERT_EQ(got, 1);
    ASSERT_EQ(opened, 1);
    ASSERT_TRUE(WIFSIGNALED(status));

    const test::DecodedMp3 mp3(path);
    EXPECT_TRUE(mp3.FramesCoverFile(true));
    EXPECT_TRUE(mp3.DecodedCleanly()) << mp3.DecodeError();
    ASSERT_EQ(mp3.Channels(), 2);
    EXPECT_GE(mp3.Channel(0).size() + kEncoderHolds, std::size_t(kPairs) * kRate / 100);
    EXPECT_GT(mp3.ToneAmplitude(0, AudioStreamer::kMySideToneHz),
              0.5 * AudioStreamer::kDefaultAmplitude);
    EXPECT_GT(mp3.ToneAmplitude(1, AudioStreamer::kRemoteSideToneHz),
              0.5 * AudioStreamer::kDefaultAmplitude);
}

} // namespace
} // namespace ovento
