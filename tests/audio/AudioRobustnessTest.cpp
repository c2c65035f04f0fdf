#include "audio/CAudioServer.h"
#include "tests/audio/RecordingWriter.h"
#include "tests/audio/SocketClient.h"
#include "tests/support/EventLoop.h"
#include "tests/support/MessageRecorder.h"
#include "tools/skype-sim/AudioStreamer.h"

#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <thread>

namespace ovento {
namespace {

using test::MessageRecorder;
using test::RecordingWriter;
using test::SocketClient;
using test::WaitUntil;
using Samples = std::vector<std::int16_t>;
using Clients = std::vector<std::unique_ptr<SocketClient>>;

constexpr int kStereo = 1;

std::vector<std::uint8_t> RandomBytes(std::mt19937& random, int count)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    for (std::uint8_t& byte : bytes)
        byte = std::uint8_t(random());
    return bytes;
}

// Everything a stray or hostile peer might do to a port while a call streams into it.
// Connections that stay open are kept in held until the end of the test.
void Misbehave(std::uint16_t port, unsigned seed, Clients& held)
{
    std::mt19937 random(seed);
    for (int i = 0; i < 10; ++i) {
        SocketClient garbage(port);
        garbage.Send(RandomBytes(random, 1 + int(random() % 3000)));
    }
    for (int i = 0; i < 5; ++i) {
        held.push_back(std::make_unique<SocketClient>(port));
        held.back()->Send(RandomBytes(random, 100));
    }
    for (int i = 0; i < 3; ++i) {
        SocketClient oversized(port);
        oversized.Send(RandomBytes(random, 20000));
    }
    for (int i = 0; i < 10; ++i) {
        SocketClient reset(port);
        reset.Send(RandomBytes(random, 500));
        reset.Reset();
    }
    {
        SocketClient blaster(port);
        blaster.Send(RandomBytes(random, 2'000'000));
    }
    for (int i = 0; i < 200; ++i)
        SocketClient flood(port);
    Clients burst;
    for (int i = 0; i < 60; ++i)
        burst.push_back(std::make_unique<SocketClient>(port));
}

AudioStreamer::Options CallSide(std::uint16_t port, bool mySide)
{
    AudioStreamer::Options options;
    options.port = port;
    options.toneHz = mySide ? AudioStreamer::kMySideToneHz : AudioStreamer::kRemoteSideToneHz;
    return options;
}

// The blocks of each side found in the mixer's output, in order: a pair holds one block of
// each side, a burst 32 blocks of one side beside silence.
void SplitSides(const std::vector<Samples>& written, std::vector<Samples>& mine,
                std::vector<Samples>& remote)
{
    for (const Samples& block : written) {
        const std::size_t frames = block.size() / 2;
        Samples left(frames);
        Samples right(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            left[i] = block[2 * i];
            right[i] = block[2 * i + 1];
        }
        const bool leftSilent = left == Samples(frames, 0);
        const bool rightSilent = right == Samples(frames, 0);
        for (std::size_t first = 0; first < frames; first += 160) {
            if (!leftSilent)
                mine.emplace_back(left.begin() + first, left.begin() + first + 160);
            if (!rightSilent)
                remote.emplace_back(right.begin() + first, right.begin() + first + 160);
        }
    }
}

void ExpectIntact(const std::vector<Samples>& recorded, const AudioStreamer& stream,
                  const AudioStreamer::Options& side)
{
    // At most 31 blocks may still wait for a partner when the recording ends.
    EXPECT_GE(recorded.size() + 31, stream.BlocksSent());
    ASSERT_LE(recorded.size(), stream.BlocksSent());
    Samples expected(AudioStreamer::kBlockSamples);
    for (std::size_t k = 0; k < recorded.size(); ++k) {
        AudioStreamer::FillBlock(side, k, expected.data());
        ASSERT_EQ(recorded[k], expected)
            << "block " << k << " of the " << side.toneHz << " Hz side";
    }
}

TEST(AudioRobustnessTest, BadInputOnThePortsCostsTheCallsStreamsNothing)
{
    MessageRecorder window;
    RecordingWriter writer;
    CAudioServer server(0, 0);
    server.m_hNotifyWnd = &window;
    ASSERT_TRUE(server.StartMySidePort());
    ASSERT_TRUE(server.StartRemoteSidePort());
    server.GetMixer()->OpenWith(kStereo, writer);
    server.m_state = REC_STATE_RECORDING;
    const std::uint16_t myPort = server.MySideListeningPort();
    const std::uint16_t remotePort = server.RemoteSideListeningPort();

    Clients held;
    for (int i = 0; i < 3; ++i) {
        held.push_back(std::make_unique<SocketClient>(myPort));
        held.push_back(std::make_unique<SocketClient>(remotePort));
    }
    AudioStreamer myStream(CallSide(myPort, true));
    AudioStreamer remoteStream(CallSide(remotePort, false));
    ASSERT_TRUE(myStream.Start());
    ASSERT_TRUE(remoteStream.Start());
    ASSERT_TRUE(WaitUntil([&] {
        return window.Count(WM_AUDIO_LEVEL_MINE) > 0 && window.Count(WM_AUDIO_LEVEL_REMOTE) > 0;
    }));

    Clients heldMine;
    Clients heldRemote;
    std::thread onMyPort([&] { Misbehave(myPort, 1, heldMine); });
    std::thread onRemotePort([&] { Misbehave(remotePort, 2, heldRemote); });
    onMyPort.join();
    onRemotePort.join();
    // The call goes on for a while after the trouble, then ends; when the ports hold only
    // the connections kept open, the server has read everything the call sent.
    const std::size_t readings = window.Count(WM_AUDIO_LEVEL_MINE);
    ASSERT_TRUE(WaitUntil([&] { return window.Count(WM_AUDIO_LEVEL_MINE) > readings + 5; }));
    myStream.Stop();
    remoteStream.Stop();
    EXPECT_FALSE(myStream.Failed());
    EXPECT_FALSE(remoteStream.Failed());
    const int kept = int(held.size() + heldMine.size() + heldRemote.size());
    ASSERT_TRUE(WaitUntil([&] { return server.ConnectionCount() == kept; }));
    server.GetMixer()->Close();

    std::vector<Samples> mine;
    std::vector<Samples> remote;
    SplitSides(writer.Blocks(), mine, remote);
    ExpectIntact(mine, myStream, CallSide(myPort, true));
    ExpectIntact(remote, remoteStream, CallSide(remotePort, false));

    // Both ports still serve: the next call's stream is taken as soon as it speaks.
    for (std::uint16_t port : {myPort, remotePort}) {
        window.Clear();
        SocketClient nextCall(port);
        for (int i = 0; i < 6; ++i)
            ASSERT_TRUE(nextCall.Send(std::vector<std::uint8_t>(320, 0)));
        EXPECT_TRUE(WaitUntil([&] { return !window.All().empty(); })) << port;
    }
}

} // namespace
} // namespace ovento
