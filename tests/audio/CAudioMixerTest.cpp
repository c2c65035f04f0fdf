#include "audio/CAudioMixer.h"

#include "platform/LastError.h"
#include "platform/MessageBox.h"
#include "tests/audio/RecordingWriter.h"
#include "tests/support/MessageBoxes.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace ovento {
namespace {

using test::RecordingWriter;
using Samples = std::vector<std::int16_t>;

constexpr int kMono = 0;
constexpr int kStereo = 1;

// A block of the given size in bytes whose every sample is value.
bool Feed(CAudioMixer& mixer, bool mySide, std::int16_t value, int bytes = 320)
{
    Samples samples(std::size_t(bytes + 1) / 2, value);
    const CBuffer block(samples.data(), bytes);
    return mySide ? mixer.OnMySideBlock(block) : mixer.OnRemoteSideBlock(block);
}

Samples StereoPair(std::int16_t left, std::int16_t right)
{
    Samples pair;
    for (int i = 0; i < 160; ++i) {
        pair.push_back(left);
        pair.push_back(right);
    }
    return pair;
}

class CAudioMixerTest : public ::testing::Test
{
protected:
    std::vector<Samples> Written()
    {
        m_mixer.WaitUntilWritten();
        return m_writer.Blocks();
    }

    // The writers outlive the mixer, which closes its writer when it goes.
    RecordingWriter m_writer;
    RecordingWriter m_nextWriter;
    // A side whose ring is full is written alone at once.
    CAudioMixer m_mixer{std::chrono::milliseconds(0)};
};

TEST_F(CAudioMixerTest, BlocksOfAnotherSizeAreRefusedAndChangeNothing)
{
    m_mixer.OpenWith(kStereo, m_writer);
    ASSERT_TRUE(Feed(m_mixer, true, 1));
    for (int bytes : {0, 2, 318, 319, 321, 640})
        EXPECT_FALSE(Feed(m_mixer, false, 99, bytes)) << bytes;
    EXPECT_FALSE(Feed(m_mixer, true, 99, 319));
    EXPECT_TRUE(Written().empty());
    ASSERT_TRUE(Feed(m_mixer, false, 101));
    EXPECT_EQ(Written(), std::vector<Samples>{StereoPair(1, 101)});
}

TEST_F(CAudioMixerTest, BlocksWithoutARecordingAreIgnored)
{
    EXPECT_TRUE(Feed(m_mixer, true, 1));
    m_mixer.OpenWith(kStereo, m_writer);
    ASSERT_TRUE(Feed(m_mixer, false, 101));
    EXPECT_TRUE(Written().empty()) << "the block before the recording was queued";
}

TEST_F(CAudioMixerTest, SidesArePairedInArrivalOrderMySideLeft)
{
    m_mixer.OpenWith(kStereo, m_writer);
    // The remote side starts three blocks late: it pairs with my queued blocks in order.
    for (std::int16_t k : {1, 2, 3})
        Feed(m_mixer, true, k);
    for (std::int16_t k : {101, 102})
        Feed(m_mixer, false, k);
    Feed(m_mixer, true, 4);
    for (std::int16_t k : {103, 104, 105})
        Feed(m_mixer, false, k);
    Feed(m_mixer, true, 5);
    EXPECT_EQ(Written(),
              (std::vector<Samples>{StereoPair(1, 101), StereoPair(2, 102), StereoPair(3, 103),
                                    StereoPair(4, 104), StereoPair(5, 105)}));
}

struct LoneSideCase
{
    bool mySide;
    int mode;
};

class LoneSideTest : public CAudioMixerTest, public ::testing::WithParamInterface<LoneSideCase>
{};

TEST_P(LoneSideTest, The33rdBlockOfOneSideWritesTheQueuedBurstAndWaitsItself)
{
    const LoneSideCase c = GetParam();
    m_mixer.OpenWith(c.mode, m_writer);
    for (std::int16_t k = 1; k <= 32; ++k)
        ASSERT_TRUE(Feed(m_mixer, c.mySide, k));
    EXPECT_TRUE(Written().empty());
    ASSERT_TRUE(Feed(m_mixer, c.mySide, 33));

    Samples expected;
    for (std::int16_t k = 1; k <= 32; ++k) {
        for (int i = 0; i < 160; ++i) {
            if (c.mode == kMono) {
                expected.push_back(k);
                continue;
            }
            expected.push_back(c.mySide ? k : 0);
            expected.push_back(c.mySide ? 0 : k);
        }
    }
    ASSERT_EQ(Written(), std::vector<Samples>{expected});

    // Block 33 stays queued and is the other side's first partner.
    Feed(m_mixer, !c.mySide, 500);
    ASSERT_EQ(Written().size(), 2u);
    const Samples pair = Written()[1];
    if (c.mode == kMono)
        EXPECT_EQ(pair, Samples(160, 533));
    else
        EXPECT_EQ(pair, c.mySide ? StereoPair(33, 500) : StereoPair(500, 33));
}

INSTANTIATE_TEST_SUITE_P(SidesAndLayouts, LoneSideTest,
                         ::testing::Values(LoneSideCase{true, kStereo},
                                           LoneSideCase{false, kStereo}, LoneSideCase{true, kMono},
                                           LoneSideCase{false, kMono}));

TEST_F(CAudioMixerTest, ASideThatIsAheadWaitsForItsPartnerInsteadOfBeingWrittenAlone)
{
    // The wait only bounds a failing test: the partner's blocks end it.
    CAudioMixer mixer(std::chrono::seconds(20));
    mixer.OpenWith(kStereo, m_writer);
    constexpr std::int16_t kBlocks = 100;
    std::thread mySide([&] {
        for (std::int16_t k = 1; k <= kBlocks; ++k)
            Feed(mixer, true, k);
    });
    for (std::int16_t k = 1; k <= kBlocks; ++k)
        Feed(mixer, false, std::int16_t(1000 + k));
    mySide.join();
    mixer.WaitUntilWritten();
    std::vector<Samples> expected;
    for (std::int16_t k = 1; k <= kBlocks; ++k)
        expected.push_back(StereoPair(k, std::int16_t(1000 + k)));
    EXPECT_EQ(m_writer.Blocks(), expected);
    mixer.Close();
}

TEST_F(CAudioMixerTest, MonoSumsSaturate)
{
    struct Case
    {
        std::int16_t mine, remote, sum;
    };
    m_mixer.OpenWith(kMono, m_writer);
    const Case cases[] = {{30000, 10000, 32767},
                          {-30000, -10000, -32768},
                          {100, -300, -200},
                          {32767, 32767, 32767},
                          {-32768, -32768, -32768}};
    for (const Case& c : cases) {
        Feed(m_mixer, true, c.mine);
        Feed(m_mixer, false, c.remote);
        EXPECT_EQ(Written().back(), Samples(160, c.sum)) << c.mine << " + " << c.remote;
    }
}

TEST_F(CAudioMixerTest, CloseDropsQueuedBlocksAndClosesTheWriterOnce)
{
    m_mixer.OpenWith(kStereo, m_writer);
    for (std::int16_t k = 1; k <= 5; ++k)
        Feed(m_mixer, true, k);
    m_mixer.Close();
    EXPECT_FALSE(m_mixer.IsRecording());
    EXPECT_EQ(m_writer.CloseCount(), 1);
    m_mixer.Close();
    EXPECT_EQ(m_writer.CloseCount(), 1);

    m_mixer.OpenWith(kStereo, m_nextWriter);
    Feed(m_mixer, false, 101);
    Feed(m_mixer, true, 6);
    EXPECT_TRUE(Written().empty());
    m_mixer.WaitUntilWritten();
    EXPECT_EQ(m_nextWriter.Blocks(), std::vector<Samples>{StereoPair(6, 101)});
}

TEST_F(CAudioMixerTest, OpenWithoutAFileNameLeavesTheMixerIdle)
{
    SetLastError(0);
    EXPECT_FALSE(m_mixer.Open(kStereo, QString(), 32000, 64));
    EXPECT_EQ(GetLastError(), kMp3ErrorNoFileName);
    EXPECT_FALSE(m_mixer.IsRecording());
}

TEST_F(CAudioMixerTest, AFileThatCannotBeCreatedLeavesTheMixerIdle)
{
    int boxes = 0;
    SetMessageBoxHandler([&boxes](const QString&, const QString&) { ++boxes; });
    QTemporaryDir dir;
    EXPECT_FALSE(m_mixer.Open(kStereo, dir.path() + "/no/such/folder.mp3", 32000, 64));
    test::PassOverMessageBoxes();
    EXPECT_EQ(boxes, 1);
    EXPECT_FALSE(m_mixer.IsRecording());
    EXPECT_TRUE(Feed(m_mixer, true, 1));
}

} // namespace
} // namespace ovento
