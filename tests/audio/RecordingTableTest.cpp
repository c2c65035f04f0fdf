#include "audio/CAudioMixer.h"
#include "tests/support/DecodedMp3.h"
#include "tools/skype-sim/AudioStreamer.h"

#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace ovento {
namespace {

using test::DecodedMp3;

constexpr int kPairs = 150; // 1.5 s of call
constexpr int kFrameModeStereo = 0;
constexpr int kFrameModeJoint = 1;
constexpr int kFrameModeMono = 3;

struct Recording
{
    int mode;
    int sampleRate;
    int bitRate;
};

std::string NameOf(const ::testing::TestParamInfo<Recording>& info)
{
    static const char* const modes[] = {"mono", "stereo", "joint"};
    return std::string(modes[info.param.mode]) + "_" + std::to_string(info.param.sampleRate) + "_" +
           std::to_string(info.param.bitRate);
}

AudioStreamer::Options SideOptions(bool mySide)
{
    AudioStreamer::Options options;
    options.toneHz = mySide ? AudioStreamer::kMySideToneHz : AudioStreamer::kRemoteSideToneHz;
    return options;
}

void FeedBlock(CAudioMixer& mixer, bool mySide, int index)
{
    std::int16_t samples[AudioStreamer::kBlockSamples];
    AudioStreamer::FillBlock(SideOptions(mySide), std::uint64_t(index), samples);
    const CBuffer block(samples, AudioStreamer::kBlockBytes);
    if (mySide)
        mixer.OnMySideBlock(block);
    else
        mixer.OnRemoteSideBlock(block);
}

// MPEG-2 (the 16000 Hz output) tops out at 160 kbit/s; higher choices are encoded at that.
int ExpectedBitRate(const Recording& r)
{
    return r.sampleRate == 16000 ? std::min(r.bitRate, 160) : r.bitRate;
}

int ExpectedFrameMode(int mode)
{
    return mode == 1 ? kFrameModeStereo : mode == 2 ? kFrameModeJoint : kFrameModeMono;
}

class RecordingTest : public ::testing::TestWithParam<Recording>
{
protected:
    QString Record(bool withMySide)
    {
        const Recording r = GetParam();
        const QString path = m_dir.path() + "/call.mp3";
        // One side alone is written in bursts without waiting for the other.
        CAudioMixer mixer(std::chrono::milliseconds(0));
        EXPECT_TRUE(mixer.Open(r.mode, path, r.sampleRate, r.bitRate));
        for (int k = 0; k < kPairs; ++k) {
            if (withMySide)
                FeedBlock(mixer, true, k);
            FeedBlock(mixer, false, k);
        }
        mixer.Close();
        return path;
    }

    QTemporaryDir m_dir;
};

using RecordingTableTest = RecordingTest;

TEST_P(RecordingTableTest, TheFileDecodesCleanlyWithTheChosenFormatAndSidesInPlace)
{
    const Recording r = GetParam();
    const DecodedMp3 mp3(Record(true));

    EXPECT_TRUE(mp3.FramesCoverFile());
    EXPECT_TRUE(mp3.AllFramesAre(r.sampleRate == 16000 ? 2 : 1, ExpectedBitRate(r), r.sampleRate,
                                 ExpectedFrameMode(r.mode)));
    ASSERT_TRUE(mp3.DecodedCleanly()) << mp3.DecodeError();
    EXPECT_EQ(mp3.DecodedFrames(), int(mp3.Frames().size()));
    ASSERT_EQ(mp3.Rate(), r.sampleRate);
    EXPECT_GE(mp3.Channel(0).size(), std::size_t(kPairs * r.sampleRate / 100));

    const double strong = 0.5 * AudioStreamer::kDefaultAmplitude;
    const double faint = 0.05 * AudioStreamer::kDefaultAmplitude;
    if (r.mode == 0) {
        ASSERT_EQ(mp3.Channels(), 1);
        EXPECT_GT(mp3.ToneAmplitude(0, AudioStreamer::kMySideToneHz), strong);
        EXPECT_GT(mp3.ToneAmplitude(0, AudioStreamer::kRemoteSideToneHz), strong);
        return;
    }
    ASSERT_EQ(mp3.Channels(), 2);
    EXPECT_GT(mp3.ToneAmplitude(0, AudioStreamer::kMySideToneHz), strong);
    EXPECT_LT(mp3.ToneAmplitude(0, AudioStreamer::kRemoteSideToneHz), faint);
    EXPECT_GT(mp3.ToneAmplitude(1, AudioStreamer::kRemoteSideToneHz), strong);
    EXPECT_LT(mp3.ToneAmplitude(1, AudioStreamer::kMySideToneHz), faint);
}

using RemoteSideOnlyTest = RecordingTest;

TEST_P(RemoteSideOnlyTest, TheLeftChannelIsSilent)
{
    const DecodedMp3 mp3(Record(false));
    ASSERT_TRUE(mp3.DecodedCleanly()) << mp3.DecodeError();
    ASSERT_EQ(mp3.Channels(), 2);
    EXPECT_GT(mp3.Rms(1), 0.5 * AudioStreamer::kDefaultAmplitude / std::sqrt(2.0));
    EXPECT_LT(mp3.Rms(0), 0.01 * mp3.Rms(1));
}

std::vector<Recording> AllChoices(std::initializer_list<int> modes)
{
    std::vector<Recording> choices;
    for (int mode : modes)
        for (int rate : {16000, 32000, 44100, 48000})
            for (int bitRate : {32, 64, 96, 128, 192, 256})
                choices.push_back({mode, rate, bitRate});
    return choices;
}

INSTANTIATE_TEST_SUITE_P(Choices, RecordingTableTest, ::testing::ValuesIn(AllChoices({0, 1, 2})),
                         NameOf);
INSTANTIATE_TEST_SUITE_P(TwoChannels, RemoteSideOnlyTest, ::testing::ValuesIn(AllChoices({1, 2})),
                         NameOf);

} // namespace
} // namespace ovento
