#include "audio/CAudioServer.h"

#include "platform/LastError.h"
#include "platform/MessageBox.h"
#include "tests/audio/RecordingWriter.h"
#include "tests/audio/SocketClient.h"
#include "tests/support/DecodedMp3.h"
#include "tests/support/EventLoop.h"
#include "tests/support/MessageBoxes.h"
#include "tests/support/MessageRecorder.h"
#include "tools/skype-sim/AudioStreamer.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace ovento {
namespace {

using test::MessageRecorder;
using test::RecordingWriter;
using test::SocketClient;
using test::WaitUntil;

constexpr int kStereo = 1;

// Bytes of one block whose every sample is value, or whose every tenth sample is value and
// the rest are 0 (the samples the meter reads).
std::vector<std::uint8_t> BlockOf(std::int16_t value, bool onlyEveryTenth = false)
{
    std::vector<std::uint8_t> bytes(320);
    for (int i = 0; i < 160; ++i) {
        const std::int16_t sample = (!onlyEveryTenth || i % 10 == 0) ? value : 0;
        bytes[std::size_t(2 * i)] = std::uint8_t(std::uint16_t(sample) & 0xFF);
        bytes[std::size_t(2 * i + 1)] = std::uint8_t(std::uint16_t(sample) >> 8);
    }
    return bytes;
}

class CAudioServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_server.m_hNotifyWnd = &m_window;
        ASSERT_TRUE(m_server.StartMySidePort());
        ASSERT_TRUE(m_server.StartRemoteSidePort());
    }

    std::uint16_t PortOf(bool mySide) const
    {
        return mySide ? m_server.MySideListeningPort() : m_server.RemoteSideListeningPort();
    }
    static UINT LevelMessageOf(bool mySide)
    {
        return mySide ? WM_AUDIO_LEVEL_MINE : WM_AUDIO_LEVEL_REMOTE;
    }
    bool WaitForLevels(bool mySide, std::size_t count)
    {
        return WaitUntil([&] { return m_window.Count(LevelMessageOf(mySide)) >= count; });
    }
    std::size_t BlocksWritten()
    {
        m_server.GetMixer()->WaitUntilWritten();
        return m_writer.Blocks().size();
    }
    std::vector<WPARAM> Levels(bool mySide) const
    {
        std::vector<WPARAM> levels;
        for (const auto& m : m_window.Only(LevelMessageOf(mySide))) {
            EXPECT_EQ(m.lParam, 0);
            levels.push_back(m.wParam);
        }
        return levels;
    }

    MessageRecorder m_window;
    // Outlives the server, whose mixer closes it last.
    RecordingWriter m_writer;
    CAudioServer m_server{0, 0};
};

class LevelTest : public CAudioServerTest, public ::testing::WithParamInterface<bool>
{};

TEST_P(LevelTest, FirstBlockReadsAtOnceThenEverySixthWithDecay)
{
    const bool mySide = GetParam();
    SocketClient client(PortOf(mySide));
    ASSERT_TRUE(client.Connected());
    // Read blocks: 1, 7, 13, 19, 25; the blocks between them are loud but not read.
    const std::vector<std::uint8_t> loud = BlockOf(20000);
    const std::int16_t readValues[] = {-32768, 0, 0, 1000, 32767};
    const bool everyTenth[] = {true, false, false, true, false};
    for (int read = 0; read < 5; ++read) {
        ASSERT_TRUE(client.Send(BlockOf(readValues[read], everyTenth[read])));
        for (int skipped = 0; read < 4 && skipped < 5; ++skipped)
            ASSERT_TRUE(client.Send(loud));
    }
    ASSERT_TRUE(WaitForLevels(mySide, 5));
    test::SpinFor(std::chrono::milliseconds(50));
    EXPECT_EQ(Levels(mySide), (std::vector<WPARAM>{512, 508, 504, 500, 511}));
    EXPECT_EQ(m_window.Count(LevelMessageOf(!mySide)), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sides, LevelTest, ::testing::Bool());

struct StateCase
{
    int state;
    bool reachesMixer;
};

class StateTest : public CAudioServerTest, public ::testing::WithParamInterface<StateCase>
{};

TEST_P(StateTest, OnlyRecordingStatesHandBlocksToTheMixer)
{
    m_server.GetMixer()->OpenWith(kStereo, m_writer);
    m_server.m_state = GetParam().state;
    SocketClient mine(PortOf(true));
    SocketClient remote(PortOf(false));
    ASSERT_TRUE(mine.Send(BlockOf(1)));
    ASSERT_TRUE(remote.Send(BlockOf(2)));
    // The first block of each side moves its meter: both have been handled.
    ASSERT_TRUE(WaitForLevels(true, 1));
    ASSERT_TRUE(WaitForLevels(false, 1));
    EXPECT_EQ(BlocksWritten(), GetParam().reachesMixer ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(States, StateTest,
                         ::testing::Values(StateCase{REC_STATE_RECORDING, true},
                                           StateCase{REC_STATE_PAUSED, false},
                                           StateCase{REC_STATE_RESUMED, true},
                                           StateCase{REC_STATE_STOPPED, false},
                                           StateCase{REC_STATE_IDLE, false}));

TEST_F(CAudioServerTest, APauseKeepsAudioOutAndTheResumeLetsItIn)
{
    m_server.GetMixer()->OpenWith(kStereo, m_writer);
    SocketClient mine(PortOf(true));
    SocketClient remote(PortOf(false));
    // Level readings come with blocks 1, 7 and 13 of each side: when a step's reading has
    // come for both sides, every block of that step has been handled.
    const int states[] = {REC_STATE_RECORDING, REC_STATE_PAUSED, REC_STATE_RESUMED};
    const int blocksPerSide[] = {1, 6, 6};
    const std::size_t pairsAfter[] = {1, 1, 7};
    for (int step = 0; step < 3; ++step) {
        m_server.m_state = states[step];
        for (int block = 0; block < blocksPerSide[step]; ++block) {
            ASSERT_TRUE(mine.Send(BlockOf(std::int16_t(block + 1))));
            ASSERT_TRUE(remote.Send(BlockOf(std::int16_t(-block - 1))));
        }
        ASSERT_TRUE(WaitForLevels(true, std::size_t(step + 1)));
        ASSERT_TRUE(WaitForLevels(false, std::size_t(step + 1)));
        EXPECT_EQ(BlocksWritten(), pairsAfter[step]) << "after step " << step;
    }
    EXPECT_EQ(Levels(true).size(), 3u);
}

TEST_F(CAudioServerTest, SixtyTwoConnectionsAreServedAndTheNextIsRefused)
{
    std::vector<std::unique_ptr<SocketClient>> clients;
    for (int i = 0; i < 62; ++i)
        clients.push_back(std::make_unique<SocketClient>(PortOf(true)));
    ASSERT_TRUE(WaitUntil([&] { return m_server.ConnectionCount() == 62; }));
    SocketClient refused(PortOf(true));
    EXPECT_TRUE(refused.WasDropped());

    // The port still serves its connections and takes a new one once there is room.
    ASSERT_TRUE(clients.back()->Send(BlockOf(-32768)));
    ASSERT_TRUE(WaitForLevels(true, 1));
    clients.front()->Close();
    ASSERT_TRUE(WaitUntil([&] { return m_server.ConnectionCount() == 61; }));
    clients.push_back(std::make_unique<SocketClient>(PortOf(true)));
    EXPECT_TRUE(WaitUntil([&] { return m_server.ConnectionCount() == 62; }));
}

TEST(CAudioServerPortTest, ABusyPortShowsItsOwnMessageOnceAndTheOtherPortWorks)
{
    const int holder = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    ASSERT_EQ(::listen(holder, 1), 0);
    socklen_t length = sizeof local;
    ::getsockname(holder, reinterpret_cast<sockaddr*>(&local), &length);
    const std::uint16_t busyPort = ntohs(local.sin_port);

    std::vector<std::pair<QString, QString>> boxes;
    SetMessageBoxHandler([&boxes](const QString& text, const QString& caption) {
        boxes.push_back({text, caption});
    });
    MessageRecorder window;
    {
        CAudioServer server(busyPort, 0);
        server.m_hNotifyWnd = &window;
        EXPECT_FALSE(server.StartMySidePort());
        EXPECT_TRUE(server.StartRemoteSidePort());
        SocketClient remote(server.RemoteSideListeningPort());
        ASSERT_TRUE(remote.Send(BlockOf(640)));
        EXPECT_TRUE(WaitUntil([&] { return window.Count(WM_AUDIO_LEVEL_REMOTE) == 1; }));
    }
    test::PassOverMessageBoxes();
    ::close(holder);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, QStringLiteral("Create socket failed! Please make sure your "
                                             "firewall/anti-virus software does NOT block the "
                                             "port '%1'!")
                                  .arg(busyPort));
    EXPECT_EQ(boxes[0].second, QStringLiteral("Ovento Recorder"));
    EXPECT_EQ(window.Count(WM_AUDIO_LEVEL_MINE), 0u);
}

class StartRecordingTest : public ::testing::TestWithParam<StateCase>
{};

TEST_P(StartRecordingTest, OpensTheFileOnlyWhenNoRecordingIsInProgress)
{
    QTemporaryDir dir;
    CAudioServer server(0, 0);
    server.m_state = GetParam().state;
    server.StartRecording(dir.path() + "/call", 32000, 64, kStereo);
    EXPECT_EQ(server.GetMixer()->IsRecording(), GetParam().reachesMixer);
    EXPECT_EQ(QFileInfo::exists(dir.path() + "/call.mp3"), GetParam().reachesMixer);
}

INSTANTIATE_TEST_SUITE_P(States, StartRecordingTest,
                         ::testing::Values(StateCase{REC_STATE_RECORDING, false},
                                           StateCase{REC_STATE_PAUSED, false},
                                           StateCase{REC_STATE_RESUMED, false},
                                           StateCase{REC_STATE_STOPPED, true},
                                           StateCase{REC_STATE_IDLE, true}));

TEST(CAudioServerFileTest, AFileNameLongerThanTheLimitIsRefused)
{
    QTemporaryDir dir;
    CAudioServer server(0, 0);
    // Folders of 200 characters keep every name within what the file system takes.
    const QString base = dir.path() + '/' + QString(200, 'a') + '/' + QString(200, 'b') + '/';
    ASSERT_TRUE(QDir().mkpath(base));
    const QString fits = base + QString(CAudioServer::kMaxFileNameLength - 4 - base.size(), 'c');
    SetLastError(0);
    server.StartRecording(fits + "b", 16000, 32, 0);
    EXPECT_FALSE(server.GetMixer()->IsRecording());
    EXPECT_EQ(GetLastError(), kMp3ErrorNoFileName);
    server.StartRecording(fits, 16000, 32, 0);
    EXPECT_TRUE(server.GetMixer()->IsRecording());
}

TEST(CAudioServerFileTest, DestroyInstanceFinishesAnOpenRecording)
{
    QTemporaryDir dir;
    CAudioServer* server = CAudioServer::GetInstance();
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(CAudioServer::GetInstance(), server);
    EXPECT_EQ(server->m_state, REC_STATE_IDLE);
    server->StartRecording(dir.path() + "/call", 44100, 128, kStereo);
    server->m_state = REC_STATE_RECORDING;
    std::int16_t silence[160] = {};
    for (int i = 0; i < 100; ++i) {
        server->GetMixer()->OnMySideBlock(CBuffer(silence, 320));
        server->GetMixer()->OnRemoteSideBlock(CBuffer(silence, 320));
    }
    CAudioServer::DestroyInstance();
    const test::DecodedMp3 mp3(dir.path() + "/call.mp3");
    EXPECT_TRUE(mp3.FramesCoverFile());
    EXPECT_TRUE(mp3.DecodedCleanly()) << mp3.DecodeError();
    EXPECT_GE(mp3.Channel(0).size(), 44100u);
}

TEST_F(CAudioServerTest, BothStreamsAreRecordedIntoTheFileSideBySide)
{
    QTemporaryDir dir;
    m_server.StartRecording(dir.path() + "/call", 48000, 192, kStereo);
    m_server.m_state = REC_STATE_RECORDING;
    AudioStreamer::Options mine;
    mine.port = PortOf(true);
    mine.toneHz = AudioStreamer::kMySideToneHz;
    mine.asFastAsPossible = true;
    mine.totalBlocks = 301;
    AudioStreamer::Options remote = mine;
    remote.port = PortOf(false);
    remote.toneHz = AudioStreamer::kRemoteSideToneHz;
    AudioStreamer myStream(mine);
    AudioStreamer remoteStream(remote);
    ASSERT_TRUE(myStream.Start());
    ASSERT_TRUE(remoteStream.Start());
    // Block 301 is a level reading: when it is posted, every block has been handled.
    ASSERT_TRUE(WaitForLevels(true, 51));
    ASSERT_TRUE(WaitForLevels(false, 51));
    m_server.GetMixer()->Close();
    m_server.m_state = REC_STATE_STOPPED;

    const test::DecodedMp3 mp3(dir.path() + "/call.mp3");
    ASSERT_TRUE(mp3.DecodedCleanly()) << mp3.DecodeError();
    ASSERT_EQ(mp3.Channels(), 2);
    // Every block has its partner although the streams arrive much faster than real time:
    // the file is as long as the call (plus the encoder's delay), not one side after another.
    EXPECT_GE(mp3.Channel(0).size(), 3u * 48000u);
    EXPECT_LE(mp3.Channel(0).size(), 3u * 48000u + 4u * 1152u);
    const double present = 0.5 * AudioStreamer::kDefaultAmplitude;
    const double absent = 0.01 * AudioStreamer::kDefaultAmplitude;
    EXPECT_GT(mp3.ToneAmplitude(0, AudioStreamer::kMySideToneHz), present);
    EXPECT_GT(mp3.ToneAmplitude(1, AudioStreamer::kRemoteSideToneHz), present);
    EXPECT_LT(mp3.ToneAmplitude(0, AudioStreamer::kRemoteSideToneHz), absent);
    EXPECT_LT(mp3.ToneAmplitude(1, AudioStreamer::kMySideToneHz), absent);
}

} // namespace
} // namespace ovento
