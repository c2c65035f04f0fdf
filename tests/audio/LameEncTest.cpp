#include "audio/LameEnc.h"

#include "audio/CMp3File.h"

#include <gtest/gtest.h>
#include <vector>

namespace ovento {
namespace {

struct ConfigCase
{
    int mode;
    int bitRate;
    std::int32_t channelMode;
    std::uint32_t mpegVersion;
};

class WriterConfigTest : public ::testing::TestWithParam<ConfigCase>
{};

TEST_P(WriterConfigTest, ChannelModeAndMpegVersionFollowTheChoice)
{
    const ConfigCase c = GetParam();
    const BE_CONFIG config = CMp3File::MakeConfig(c.mode, 44100, c.bitRate);
    EXPECT_EQ(config.dwConfig, BE_CONFIG_LAME);
    EXPECT_EQ(config.dwStructSize, 331u);
    EXPECT_EQ(config.dwSampleRate, 16000u);
    EXPECT_EQ(config.dwReSampleRate, 44100u);
    EXPECT_EQ(config.dwBitrate, std::uint32_t(c.bitRate));
    EXPECT_EQ(config.nMode, c.channelMode);
    EXPECT_EQ(config.dwMpegVersion, c.mpegVersion);
    EXPECT_EQ(config.bEnableVBR, 0);
    EXPECT_EQ(config.bNoRes, 1);
}

INSTANTIATE_TEST_SUITE_P(Modes, WriterConfigTest,
                         ::testing::Values(ConfigCase{0, 32, BE_MP3_MODE_MONO, BE_MPEG2},
                                           ConfigCase{1, 64, BE_MP3_MODE_STEREO, BE_MPEG1},
                                           ConfigCase{2, 256, BE_MP3_MODE_JSTEREO, BE_MPEG1},
                                           ConfigCase{7, 96, BE_MP3_MODE_MONO, BE_MPEG1},
                                           ConfigCase{-1, 32, BE_MP3_MODE_MONO, BE_MPEG2}));

struct OpenedStream
{
    BE_ERR result = BE_ERR_INVALID_FORMAT;
    std::uint32_t samples = 0;
    std::uint32_t bufferSize = 0;
    HBE_STREAM handle = 0;
};

OpenedStream OpenStream(const BE_CONFIG& config)
{
    OpenedStream stream;
    stream.result = beInitStream(&config, &stream.samples, &stream.bufferSize, &stream.handle);
    return stream;
}

TEST(LameEncTest, RefusesRecordsItCannotEncode)
{
    struct Case
    {
        const char* name;
        void (*spoil)(BE_CONFIG&);
        BE_ERR expected;
    };
    const Case cases[] = {
        {"other kind", [](BE_CONFIG& c) { c.dwConfig = 0; }, BE_ERR_INVALID_FORMAT},
        {"wrong size", [](BE_CONFIG& c) { c.dwStructSize = 300; },
         BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"vbr", [](BE_CONFIG& c) { c.bEnableVBR = 1; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"odd rate", [](BE_CONFIG& c) { c.dwReSampleRate = 12345; },
         BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"bad mode", [](BE_CONFIG& c) { c.nMode = 9; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
    };
    for (const Case& c : cases) {
        BE_CONFIG config = CMp3File::MakeConfig(1, 32000, 64);
        c.spoil(config);
        EXPECT_EQ(OpenStream(config).result, c.expected) << c.name;
    }
}

TEST(LameEncTest, ReportsChunkAndBufferSizesPerChannelLayout)
{
    const OpenedStream stereo = OpenStream(CMp3File::MakeConfig(1, 32000, 64));
    ASSERT_EQ(stereo.result, BE_ERR_SUCCESSFUL);
    EXPECT_EQ(stereo.samples, 2u * 1152u);
    EXPECT_GE(stereo.bufferSize, 7200u + 1152u * 5u / 4u);
    const OpenedStream mono = OpenStream(CMp3File::MakeConfig(0, 16000, 32));
    ASSERT_EQ(mono.result, BE_ERR_SUCCESSFUL);
    EXPECT_EQ(mono.samples, 576u);
    EXPECT_EQ(beCloseStream(stereo.handle), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(beCloseStream(mono.handle), BE_ERR_SUCCESSFUL);
}

TEST(LameEncTest, ChunksMustFitTheStreamAndItsChannels)
{
    const OpenedStream stream = OpenStream(CMp3File::MakeConfig(1, 32000, 64));
    ASSERT_EQ(stream.result, BE_ERR_SUCCESSFUL);
    std::vector<std::int16_t> values(stream.samples + 2);
    std::vector<std::uint8_t> output(stream.bufferSize);
    std::uint32_t produced = 0;
    EXPECT_EQ(beEncodeChunk(stream.handle, 3, values.data(), output.data(), &produced),
              BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(
        beEncodeChunk(stream.handle, stream.samples + 2, values.data(), output.data(), &produced),
        BE_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(beEncodeChunk(stream.handle, stream.samples, values.data(), output.data(), &produced),
              BE_ERR_SUCCESSFUL);
    EXPECT_EQ(beCloseStream(stream.handle), BE_ERR_SUCCESSFUL);
}

TEST(LameEncTest, AClosedStreamsHandleIsRefused)
{
    const OpenedStream stream = OpenStream(CMp3File::MakeConfig(0, 16000, 32));
    ASSERT_EQ(stream.result, BE_ERR_SUCCESSFUL);
    ASSERT_EQ(beCloseStream(stream.handle), BE_ERR_SUCCESSFUL);
    std::int16_t values[160] = {};
    std::vector<std::uint8_t> output(stream.bufferSize);
    std::uint32_t produced = 0;
    EXPECT_EQ(beEncodeChunk(stream.handle, 160, values, output.data(), &produced),
              BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(beDeinitStream(stream.handle, output.data(), &produced), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(beCloseStream(stream.handle), BE_ERR_INVALID_HANDLE);
}

} // namespace
} // namespace ovento
