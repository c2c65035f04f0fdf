#include "audio/CMp3File.h"

#include "platform/LastError.h"
#include "platform/MessageBox.h"
#include "tests/support/DecodedMp3.h"
#include "tests/support/MessageBoxes.h"
#include "tools/skype-sim/AudioStreamer.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace ovento {
namespace {

using test::DecodedMp3;

struct ShownBox
{
    QString text;
    QString caption;
};

class CMp3FileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetMessageBoxHandler([this](const QString& text, const QString& caption) {
            m_boxes.push_back({text, caption});
        });
    }
    void TearDown() override { test::PassOverMessageBoxes(); }

    QString PathOf(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }

    // Interleaved stereo: my side's tone left, the remote side's right.
    static std::vector<std::int16_t> StereoPairs(int pairs)
    {
        AudioStreamer::Options mine;
        mine.toneHz = AudioStreamer::kMySideToneHz;
        const AudioStreamer::Options remote;
        std::vector<std::int16_t> values;
        std::int16_t left[AudioStreamer::kBlockSamples];
        std::int16_t right[AudioStreamer::kBlockSamples];
        for (int block = 0; block < pairs; ++block) {
            AudioStreamer::FillBlock(mine, std::uint64_t(block), left);
            AudioStreamer::FillBlock(remote, std::uint64_t(block), right);
            for (int i = 0; i < AudioStreamer::kBlockSamples; ++i) {
                values.push_back(left[i]);
                values.push_back(right[i]);
            }
        }
        return values;
    }

    static bool WriteValues(CMp3File& file, std::vector<std::int16_t> values)
    {
        return file.Write(CBuffer(values.data(), int(values.size() * 2)));
    }

    QTemporaryDir m_dir;
    std::vector<ShownBox> m_boxes;
};

TEST_F(CMp3FileTest, WriteBeforeOpenFailsAsClosed)
{
    CMp3File file;
    SetLastError(0);
    EXPECT_FALSE(WriteValues(file, std::vector<std::int16_t>(320)));
    EXPECT_EQ(GetLastError(), kMp3ErrorClosed);
}

TEST_F(CMp3FileTest, CloseTwiceIsHarmless)
{
    CMp3File file;
    ASSERT_TRUE(file.Open(CMp3File::kModeStereo, PathOf("a.mp3"), 32000, 64));
    EXPECT_TRUE(file.Close());
    EXPECT_TRUE(file.Close());
    SetLastError(0);
    EXPECT_FALSE(WriteValues(file, std::vector<std::int16_t>(320)));
    EXPECT_EQ(GetLastError(), kMp3ErrorClosed);
}

TEST_F(CMp3FileTest, AFileThatCannotBeCreatedIsReportedWithTheSystemsText)
{
    CMp3File file;
    const QString path = PathOf("missing-folder/a.mp3");
    EXPECT_FALSE(file.Open(CMp3File::kModeStereo, path, 32000, 64));
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].caption, QStringLiteral("Ovento Recorder Create Mp3 File Failed!"));
    EXPECT_EQ(m_boxes[0].text, QStringLiteral("No such file or directory"));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(file.Open(CMp3File::kModeStereo, QString(), 32000, 64));
    EXPECT_EQ(m_boxes.size(), 1u);
}

TEST_F(CMp3FileTest, ARefusedConfigurationLeavesAnEmptyFileAndNoMessage)
{
    CMp3File file;
    const QString path = PathOf("odd.mp3");
    EXPECT_FALSE(file.Open(CMp3File::kModeStereo, path, 12345, 64));
    EXPECT_TRUE(m_boxes.empty());
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);
    SetLastError(0);
    EXPECT_FALSE(WriteValues(file, std::vector<std::int16_t>(320)));
    EXPECT_EQ(GetLastError(), kMp3ErrorClosed);
}

TEST_F(CMp3FileTest, ALongBlockEncodesExactlyLikeItsPairsOneByOne)
{
    const std::vector<std::int16_t> values = StereoPairs(96);
    CMp3File whole;
    ASSERT_TRUE(whole.Open(CMp3File::kModeStereo, PathOf("whole.mp3"), 44100, 128));
    for (int burst = 0; burst < 3; ++burst)
        ASSERT_TRUE(WriteValues(
            whole, {values.begin() + burst * 10240, values.begin() + (burst + 1) * 10240}));
    whole.Close();
    CMp3File pieces;
    ASSERT_TRUE(pieces.Open(CMp3File::kModeStereo, PathOf("pieces.mp3"), 44100, 128));
    for (int pair = 0; pair < 96; ++pair)
        ASSERT_TRUE(
            WriteValues(pieces, {values.begin() + pair * 320, values.begin() + (pair + 1) * 320}));
    pieces.Close();

    QFile a(PathOf("whole.mp3"));
    QFile b(PathOf("pieces.mp3"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray encoded = a.readAll();
    EXPECT_GT(encoded.size(), 0);
    EXPECT_EQ(encoded, b.readAll());
}

TEST_F(CMp3FileTest, AnEmptyBlockWritesNothing)
{
    CMp3File file;
    ASSERT_TRUE(file.Open(CMp3File::kModeMono, PathOf("empty.mp3"), 16000, 32));
    EXPECT_TRUE(WriteValues(file, {}));
    EXPECT_EQ(QFileInfo(PathOf("empty.mp3")).size(), 0);
}

TEST_F(CMp3FileTest, AHalfStereoFrameIsRefusedByTheEncoder)
{
    CMp3File file;
    ASSERT_TRUE(file.Open(CMp3File::kModeStereo, PathOf("odd.mp3"), 32000, 64));
    SetLastError(0);
    EXPECT_FALSE(WriteValues(file, std::vector<std::int16_t>(3)));
    EXPECT_EQ(GetLastError(), kMp3ErrorEncoder);
    EXPECT_TRUE(WriteValues(file, std::vector<std::int16_t>(320)));
}

TEST_F(CMp3FileTest, AFileThatTakesNoBytesFailsTheWriteAndTheNextBlocksTryAgain)
{
    CMp3File file;
    ASSERT_TRUE(file.Open(CMp3File::kModeStereo, QStringLiteral("/dev/full"), 32000, 64));
    const std::vector<std::int16_t> values = StereoPairs(64);
    int failures = 0;
    for (int pair = 0; pair < 64; ++pair) {
        SetLastError(0);
        if (!WriteValues(file, {values.begin() + pair * 320, values.begin() + (pair + 1) * 320})) {
            EXPECT_EQ(GetLastError(), kMp3ErrorShortWrite);
            ++failures;
        }
    }
    // Every frame the encoder finished was a failed write: more than one, so blocks after a
    // failure were encoded again.
    EXPECT_GT(failures, 1);
    EXPECT_TRUE(file.Close());
}

TEST_F(CMp3FileTest, TheWriterServesOneRecordingAfterAnother)
{
    CMp3File file;
    for (const char* name : {"first.mp3", "second.mp3"}) {
        ASSERT_TRUE(file.Open(CMp3File::kModeJointStereo, PathOf(name), 48000, 96));
        ASSERT_TRUE(WriteValues(file, StereoPairs(50)));
        ASSERT_TRUE(file.Close());
        const DecodedMp3 decoded(PathOf(name));
        EXPECT_TRUE(decoded.FramesCoverFile()) << name;
        EXPECT_TRUE(decoded.DecodedCleanly()) << decoded.DecodeError();
    }
}

} // namespace
} // namespace ovento
