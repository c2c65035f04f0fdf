#include "audio/CAudioServer.h"
#include "tests/app/RecorderFixture.h"
#include "tests/support/DecodedMp3.h"
#include "tests/support/EventLoop.h"
#include "tools/skype-sim/AudioStreamer.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <atomic>
#include <gtest/gtest.h>

using namespace ovento;
using namespace ovento::test;

namespace {

constexpr int kRecord = CKelvaroDlg::IDC_RECORD;
constexpr int kPause = CKelvaroDlg::IDC_PAUSE;
constexpr double kBlockSeconds = 0.01;
const double kStrong = 0.5 * AudioStreamer::kDefaultAmplitude;
const double kFaint = 0.05 * AudioStreamer::kDefaultAmplitude;

// One call from ringing to its end. Its partner is known before it goes into conversation;
// it ends talkMs after the recorder first redirected it.
QString OneCall(const QString& id, const QString& type, const QString& partner, int talkMs)
{
    return QStringLiteral("call %1 %2 %3\n"
                          "status %1 RINGING\n"
                          "wait-for-command get call %1 partner_handle\n"
                          "status %1 INPROGRESS\n"
                          "wait-for-command alter call %1\n"
                          "wait %4\n"
                          "status %1 FINISHED\n")
        .arg(id, type, partner)
        .arg(talkMs);
}

QString LocalStamp(qint64 secondsSinceEpoch)
{
    return QDateTime::fromSecsSinceEpoch(secondsSinceEpoch)
        .toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
}

double Seconds(const DecodedMp3& mp3)
{
    return mp3.Rate() > 0 ? double(mp3.Channel(0).size()) / double(mp3.Rate()) : 0.0;
}

class RecordingTest : public RecorderFixture
{
protected:
    // Seconds of audio the sim streamed for the call, on the side that streamed longer.
    double StreamedSeconds(const QString& callId) const
    {
        return kBlockSeconds * std::max(m_sim.StreamedBlocks(callId, QStringLiteral("output")),
                                        m_sim.StreamedBlocks(callId, QStringLiteral("mic")));
    }

    // The file holds what was streamed, less what the recorder could not pair or had not
    // read when the call ended, plus the encoder's delay and padding.
    void ExpectLengthOfStreamedAudio(const DecodedMp3& mp3, const QString& callId,
                                     double lossAllowed)
    {
        const double streamed = StreamedSeconds(callId);
        EXPECT_GE(Seconds(mp3), streamed - lossAllowed) << "streamed " << streamed;
        EXPECT_LE(Seconds(mp3), streamed + 0.25) << "streamed " << streamed;
    }

    static void ExpectWholeFile(const DecodedMp3& mp3)
    {
        EXPECT_TRUE(mp3.FramesCoverFile());
        EXPECT_TRUE(mp3.DecodedCleanly()) << mp3.DecodeError();
        EXPECT_GT(mp3.DecodedFrames(), 0);
    }

    // The file name's time stamp is taken just before the start time is, so it may lie one
    // second earlier.
    static bool IsNamedAfter(const RecordInfo& entry, const QString& name)
    {
        const qint64 start = entry.strTime.toLongLong();
        const QString fileName = QFileInfo(entry.strFile).fileName();
        return fileName == name + '_' + LocalStamp(start) + ".mp3" ||
               fileName == name + '_' + LocalStamp(start - 1) + ".mp3";
    }
};

TEST_F(RecordingTest, AutomaticRecordingOfBothSidesEndsInOneHistoryEntry)
{
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    Play(OneCall("1001", "incoming", "alice", 2000), {});
    ASSERT_TRUE(WaitForHistory(1));
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    ASSERT_TRUE(WaitForCommandsDelivered());

    EXPECT_EQ(State(), REC_STATE_STOPPED);
    EXPECT_FALSE(IsEnabled(kRecord)) << "no call left";
    EXPECT_EQ(OutputRedirections("1001"), 2);
    EXPECT_EQ(MicRedirections("1001"), 2);

    const std::vector<RecordInfo> history = History();
    ASSERT_EQ(history.size(), 1u);
    const RecordInfo& entry = history[0];
    EXPECT_EQ(entry.nType, 1);
    EXPECT_TRUE(entry.bNew);
    EXPECT_EQ(entry.strName, "alice");
    EXPECT_EQ(entry.strNote, "");
    const qint64 start = entry.strTime.toLongLong();
    EXPECT_GE(start, before);
    EXPECT_LE(start, after);
    EXPECT_EQ(Mp3Files(), QStringList{entry.strFile});
    EXPECT_EQ(QFileInfo(entry.strFile).absolutePath(), RecordFolder());
    EXPECT_TRUE(IsNamedAfter(entry, "alice")) << entry.strFile.toStdString();

    // The recording runs from the conversation's start to its end, which holds the audio.
    const double streamed = StreamedSeconds("1001");
    EXPECT_GE(streamed, 1.9);
    EXPECT_GE(entry.nDuration, int(streamed - 0.1));
    EXPECT_LE(entry.nDuration, after - start);

    const DecodedMp3 mp3(entry.strFile);
    ExpectWholeFile(mp3);
    ASSERT_EQ(mp3.Channels(), 2);
    ExpectLengthOfStreamedAudio(mp3, "1001", 0.5);
    EXPECT_GT(mp3.ToneAmplitude(0, AudioStreamer::kMySideToneHz), kStrong);
    EXPECT_LT(mp3.ToneAmplitude(0, AudioStreamer::kRemoteSideToneHz), kFaint);
    EXPECT_GT(mp3.ToneAmplitude(1, AudioStreamer::kRemoteSideToneHz), kStrong);
    EXPECT_LT(mp3.ToneAmplitude(1, AudioStreamer::kMySideToneHz), kFaint);
}

TEST_F(RecordingTest, ManualRecordingStartsOnlyWhenRecordIsPressed)
{
    Play("call 2001 outgoing bob\n"
         "status 2001 ROUTING\n"
         "wait-for-command get call 2001 partner_handle\n"
         "status 2001 INPROGRESS\n"
         "checkpoint talking\n"
         "wait-for-command alter call 2001\n"
         "wait 1500\n"
         "status 2001 FINISHED\n",
         {.automatic = false});
    EXPECT_FALSE(m_dialog->isVisible());
    Command(kRecord);
    EXPECT_EQ(State(), REC_STATE_IDLE) << "no call to record";
    ASSERT_TRUE(ReachCheckpoint("talking"));
    EXPECT_TRUE(IsEnabled(kRecord));
    EXPECT_TRUE(m_dialog->isVisible()) << "brought to the front for the conversation";
    EXPECT_EQ(State(), REC_STATE_IDLE);
    Continue("talking");
    ASSERT_TRUE(WaitForCommandsDelivered());
    EXPECT_EQ(OutputRedirections("2001") + MicRedirections("2001"), 0);
    EXPECT_TRUE(Mp3Files().isEmpty());

    Click(kRecord);
    EXPECT_EQ(State(), REC_STATE_RECORDING);
    EXPECT_TRUE(IsEnabled(kPause));
    EXPECT_EQ(m_dialog->GetDlgItem(kRecord)->toolTip(), "Stop Recording");
    EXPECT_EQ(qobject_cast<QLabel*>(m_dialog->GetDlgItem(CKelvaroDlg::IDC_STATUS_LABEL))->text(),
              "Recording in progress ...");
    EXPECT_EQ(Mp3Files().size(), 1);

    ASSERT_TRUE(WaitForHistory(1));
    ASSERT_TRUE(WaitForCommandsDelivered());
    EXPECT_EQ(OutputRedirections("2001"), 1);
    EXPECT_EQ(MicRedirections("2001"), 1);
    const RecordInfo entry = History().at(0);
    EXPECT_EQ(entry.nType, 2);
    EXPECT_EQ(entry.strName, "bob");
    EXPECT_EQ(Mp3Files(), QStringList{entry.strFile});
    const DecodedMp3 mp3(entry.strFile);
    ExpectWholeFile(mp3);
    ExpectLengthOfStreamedAudio(mp3, "2001", 0.5);
    EXPECT_EQ(m_dialog->GetDlgItem(kRecord)->toolTip(), "Start Recording");
    EXPECT_FALSE(IsEnabled(kPause));
}

struct SideCase
{
    int recSide;
    int outputRedirections;
    int micRedirections;
    int silentChannel; // 0 left (my side), 1 right (the remote side)
};

void PrintTo(const SideCase& c, std::ostream* os)
{
    *os << "recside " << c.recSide;
}

class RecordingSideTest : public RecordingTest, public ::testing::WithParamInterface<SideCase>
{};

TEST_P(RecordingSideTest, OnlyTheChosenSideIsRedirectedAndRecorded)
{
    const SideCase& c = GetParam();
    Play(OneCall("3001", "incoming", "alice", 1500), {.recSide = c.recSide});
    ASSERT_TRUE(WaitForHistory(1));
    ASSERT_TRUE(WaitForCommandsDelivered());
    EXPECT_EQ(OutputRedirections("3001"), c.outputRedirections);
    EXPECT_EQ(MicRedirections("3001"), c.micRedirections);

    const DecodedMp3 mp3(History().at(0).strFile);
    ExpectWholeFile(mp3);
    ASSERT_EQ(mp3.Channels(), 2);
    // One side alone waits for its partner in pieces of 320 ms before it is written.
    ExpectLengthOfStreamedAudio(mp3, "3001", 0.8);
    const int heard = 1 - c.silentChannel;
    const int tone = heard == 0 ? AudioStreamer::kMySideToneHz : AudioStreamer::kRemoteSideToneHz;
    EXPECT_GT(mp3.ToneAmplitude(heard, tone), kStrong);
    EXPECT_LT(mp3.Rms(c.silentChannel), 0.01 * mp3.Rms(heard));
}

INSTANTIATE_TEST_SUITE_P(Sides, RecordingSideTest,
                         ::testing::Values(SideCase{1, 0, 2, 1}, SideCase{2, 2, 0, 0}),
                         [](const auto& info) {
                             return "recside" + std::to_string(info.param.recSide);
                         });

// What the controller does as calls change state, one scenario per row. At each checkpoint
// the recorder has handled everything before it; the test checks the state there and may
// press Record. A recording that outlives its calls keeps Record enabled, as its only Stop.
struct Checkpoint
{
    const char* name;
    int state;
    bool recordEnabled;
    bool pressRecord = false;
};

struct Redirections
{
    const char* callId;
    int count; // of each side
};

struct CallStateRow
{
    const char* id;
    bool automatic;
    QString scenario;
    std::vector<Checkpoint> checkpoints;
    std::vector<Redirections> redirections;
    QStringList entries; // the history names
};

// Call 4001 (alice) enters the table before 4002 (bob), but goes into conversation after it.
const QString kTwoCallsTalking = "call 4001 incoming alice\n"
                                 "call 4002 incoming bob\n"
                                 "status 4001 RINGING\n"
                                 "status 4002 RINGING\n"
                                 "wait-for-command get call 4002 partner_handle\n"
                                 "status 4002 INPROGRESS\n"
                                 "status 4001 INPROGRESS\n"
                                 "checkpoint both-talking\n";

const CallStateRow kCallStateRows[] = {
    {"RecordPicksTheFirstCallAndANeverRedirectedCallEndingKeepsItGoing",
     false,
     kTwoCallsTalking + "wait 300\n"
                        "status 4001 FINISHED\n"
                        "checkpoint recorded-ended\n"
                        "wait 300\n"
                        "status 4002 FINISHED\n"
                        "checkpoint none-active\n",
     {{"both-talking", REC_STATE_IDLE, true, true},
      {"recorded-ended", REC_STATE_RECORDING, true},
      {"none-active", REC_STATE_RECORDING, true, true}},
     {{"4001", 1}, {"4002", 0}},
     {"alice"}},
    {"TheOtherCallJoinsWhenItNextGoesIntoConversation",
     false,
     kTwoCallsTalking + "wait 300\n"
                        "status 4002 ONHOLD\n"
                        "wait 300\n"
                        "status 4002 INPROGRESS\n"
                        "wait-for-command alter call 4002\n"
                        "wait 300\n"
                        "status 4001 FINISHED\n"
                        "checkpoint recorded-ended\n"
                        "wait 300\n"
                        "status 4002 FINISHED\n",
     {{"both-talking", REC_STATE_IDLE, true, true}, {"recorded-ended", REC_STATE_RECORDING, true}},
     {{"4001", 1}, {"4002", 1}},
     {"alice,bob"}},
    {"HoldAndReturnRedirectAgainWithoutAddingTheCallTwice",
     true,
     "call 4101 incoming alice\n"
     "call 4102 incoming bob\n"
     "status 4101 RINGING\n"
     "wait-for-command get call 4101 partner_handle\n"
     "status 4101 INPROGRESS\n"
     "wait-for-command alter call 4101\n"
     "wait 500\n"
     "status 4101 ONHOLD\n"
     "status 4102 RINGING\n"
     "status 4102 MISSED\n"
     "checkpoint held\n"
     "wait 300\n"
     "status 4101 INPROGRESS\n"
     "wait 500\n"
     "status 4101 FINISHED\n",
     {{"held", REC_STATE_RECORDING, true}},
     {{"4101", 3}, {"4102", 0}},
     {"alice"}},
    {"ACallJoiningTheRecordingKeepsItGoingWhileOnHold",
     true,
     "call 4201 incoming alice\n"
     "call 4202 outgoing bob\n"
     "status 4201 RINGING\n"
     "wait-for-command get call 4201 partner_handle\n"
     "status 4201 INPROGRESS\n"
     "status 4202 ROUTING\n"
     "wait-for-command get call 4202 partner_handle\n"
     "status 4202 INPROGRESS\n"
     "wait-for-command alter call 4202\n"
     "wait 300\n"
     "status 4202 ONHOLD\n"
     "status 4201 FINISHED\n"
     "checkpoint recorded-ended\n"
     "status 4202 INPROGRESS\n"
     "wait 300\n"
     "status 4202 FINISHED\n",
     {{"recorded-ended", REC_STATE_RECORDING, true}},
     {{"4201", 2}, {"4202", 2}},
     {"alice,bob"}},
};

void PrintTo(const CallStateRow& row, std::ostream* os)
{
    *os << row.id;
}

class CallStateTest : public RecordingTest, public ::testing::WithParamInterface<CallStateRow>
{};

TEST_P(CallStateTest, RecordingFollowsTheCalls)
{
    const CallStateRow& row = GetParam();
    Play(row.scenario, {.automatic = row.automatic});
    for (const Checkpoint& c : row.checkpoints) {
        ASSERT_TRUE(ReachCheckpoint(c.name)) << c.name;
        EXPECT_EQ(State(), c.state) << c.name;
        EXPECT_EQ(IsEnabled(kRecord), c.recordEnabled) << c.name;
        if (c.pressRecord)
            Command(kRecord);
        Continue(c.name);
    }
    ASSERT_TRUE(WaitForScenarioDone());
    ASSERT_TRUE(WaitForHistory(std::size_t(row.entries.size())));
    ASSERT_TRUE(WaitForCommandsDelivered());

    EXPECT_EQ(State(), REC_STATE_STOPPED);
    for (const Redirections& r : row.redirections) {
        EXPECT_EQ(OutputRedirections(r.callId), r.count) << r.callId;
        EXPECT_EQ(MicRedirections(r.callId), r.count) << r.callId;
    }
    QStringList names;
    for (const RecordInfo& entry : History()) {
        names << entry.strName;
        ExpectWholeFile(DecodedMp3(entry.strFile));
    }
    EXPECT_EQ(names, row.entries);
}

INSTANTIATE_TEST_SUITE_P(Rows, CallStateTest, ::testing::ValuesIn(kCallStateRows),
                         [](const auto& info) { return std::string(info.param.id); });

// An active recording whose seconds the test sets.
class PausedRecordingTest : public RecordingTest
{
protected:
    static constexpr std::int64_t kStart = 1258034709;

    void PlayPaused(const QString& afterPause)
    {
        Play("call 5001 incoming alice\n"
             "status 5001 RINGING\n"
             "wait-for-command get call 5001 partner_handle\n"
             "status 5001 INPROGRESS\n"
             "wait-for-command alter call 5001\n"
             "wait 800\n"
             "checkpoint pause\n" +
                 afterPause,
             {.clock = [now = m_now] {
                 return now->load();
             }});
        ASSERT_TRUE(ReachCheckpoint("pause"));
        ASSERT_EQ(State(), REC_STATE_RECORDING);
        *m_now = kStart + 10;
        Click(kPause);
        EXPECT_EQ(State(), REC_STATE_PAUSED);
        EXPECT_EQ(m_dialog->GetDlgItem(kPause)->toolTip(), "Resume Recording");
        EXPECT_EQ(
            qobject_cast<QLabel*>(m_dialog->GetDlgItem(CKelvaroDlg::IDC_STATUS_LABEL))->text(),
            "Recording pause ...");
        Continue("pause");
    }

    std::shared_ptr<std::atomic<std::int64_t>> m_now =
        std::make_shared<std::atomic<std::int64_t>>(kStart);
};

TEST_F(PausedRecordingTest, PausedTimeIsLeftOutOfTheDurationAndOfTheFile)
{
    PlayPaused("wait 1000\n"
               "checkpoint resume\n"
               "wait 800\n"
               "status 5001 FINISHED\n");
    QElapsedTimer paused;
    paused.start();
    ASSERT_TRUE(ReachCheckpoint("resume"));
    *m_now = kStart + 30;
    Click(kPause);
    const double pausedSeconds = double(paused.elapsed()) / 1000;
    EXPECT_EQ(State(), REC_STATE_RESUMED);
    EXPECT_EQ(m_dialog->GetDlgItem(kPause)->toolTip(), "Pause Recording");
    *m_now = kStart + 60;
    Continue("resume");

    ASSERT_TRUE(WaitForHistory(1));
    const RecordInfo entry = History().at(0);
    EXPECT_EQ(entry.nDuration, 40);
    EXPECT_EQ(entry.strTime, QString::number(kStart));

    // The sim streamed for a second while the recording was paused: that second is missing.
    const DecodedMp3 mp3(entry.strFile);
    ExpectWholeFile(mp3);
    const double streamed = StreamedSeconds("5001");
    EXPECT_LE(Seconds(mp3), streamed - 0.8) << "streamed " << streamed;
    EXPECT_GE(Seconds(mp3), streamed - pausedSeconds - 0.5)
        << "streamed " << streamed << ", paused " << pausedSeconds;
}

TEST_F(PausedRecordingTest, StopWhilePausedDoesNotCountTheOpenPause)
{
    PlayPaused("wait 500\n"
               "checkpoint stop\n"
               "wait 300\n"
               "status 5001 FINISHED\n");
    ASSERT_TRUE(ReachCheckpoint("stop"));
    *m_now = kStart + 25;
    Click(kRecord);
    EXPECT_EQ(State(), REC_STATE_STOPPED);
    Continue("stop");

    ASSERT_TRUE(WaitForScenarioDone());
    ASSERT_TRUE(WaitUntil([&] { return !IsEnabled(kRecord); })) << "the call has ended";
    const std::vector<RecordInfo> history = History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].nDuration, 10);
    ExpectWholeFile(DecodedMp3(history[0].strFile));
}

struct FileNameCase
{
    const char* title;
    const char* callId;
    const char* partner; // empty: the call has no partner handle
    const char* fileName;
    const char* entryName;
};

void PrintTo(const FileNameCase& c, std::ostream* os)
{
    *os << c.title;
}

class FileNameTest : public RecordingTest, public ::testing::WithParamInterface<FileNameCase>
{};

TEST_P(FileNameTest, TheFileIsNamedAfterThePartnerAndTheLocalStartTime)
{
    const FileNameCase& c = GetParam();
    Play(OneCall(c.callId, "incoming", c.partner, 500), {});
    ASSERT_TRUE(WaitForHistory(1));
    const RecordInfo entry = History().at(0);
    EXPECT_EQ(entry.strName, c.entryName);
    EXPECT_EQ(QFileInfo(entry.strFile).absolutePath(), RecordFolder());
    EXPECT_TRUE(IsNamedAfter(entry, c.fileName)) << entry.strFile.toStdString();
    EXPECT_EQ(Mp3Files(), QStringList{entry.strFile}) << "nothing written anywhere else";
    ExpectWholeFile(DecodedMp3(entry.strFile));
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNameTest,
    ::testing::Values(FileNameCase{"Partner", "6001", "echo123", "echo123", "echo123"},
                      FileNameCase{"NoPartner", "6002", "", "6002", "6002"},
                      FileNameCase{"SlashInHandle", "6003", "../up/x", ".._up_x", "../up/x"}),
    [](const auto& info) { return std::string(info.param.title); });

} // namespace
