#include "RecorderFixture.h"

#include "audio/CAudioServer.h"
#include "history/CRecordStore.h"
#include "settings/CGeneralProfile.h"
#include "skype/CCallTable.h"
#include "skype/CSkypeClient.h"
#include "tests/support/EventLoop.h"

#include <QAbstractButton>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>

namespace ovento::test {

std::vector<RecordInfo> ReadHistory(const TempHome& home)
{
    const QString path = home.dataHome() + QStringLiteral("/Ovento/record.xml");
    if (!QFile::exists(path))
        return {};
    CRecordStore store;
    store.Open(path);
    std::vector<RecordInfo> records;
    for (int i = 0; i < store.GetCount(); ++i) {
        RecordInfo info;
        if (store.ReadRecord(i, info))
            records.push_back(info);
    }
    return records;
}

QStringList Mp3FilesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator found(folder, {QStringLiteral("*.mp3")}, QDir::Files | QDir::Hidden,
                       QDirIterator::Subdirectories);
    while (found.hasNext())
        files << found.next();
    return files;
}

void RecorderFixture::TearDown()
{
    m_sim.Stop();
    if (m_dialog)
        m_dialog->DestroyWindow();
    m_dialog.reset();
}

void RecorderFixture::Play(const QString& scenario, const Setup& setup)
{
    ASSERT_TRUE(m_portsLock.IsHeld()) << "the audio ports stayed busy";
    if (setup.clock)
        CActiveRecording::CreateInstance(setup.clock);
    m_dialog = std::make_unique<CKelvaroDlg>();
    m_dialog->OnInitDialog();
    ASSERT_EQ(CAudioServer::GetInstance()->MySideListeningPort(), CAudioServer::kMySidePort);
    ASSERT_EQ(CAudioServer::GetInstance()->RemoteSideListeningPort(),
              CAudioServer::kRemoteSidePort);

    CGeneralProfile* settings = CGeneralProfile::GetInstance();
    settings->m_bRecType = setup.automatic;
    settings->m_nRecSide = setup.recSide;
    settings->m_strSFolder = RecordFolder();
    QDir().mkpath(RecordFolder());

    // Calls take their slots one clock tick apart, so the call that entered the table first
    // is told apart from the next one without waiting for the wall clock to move on.
    CCallTable::GetInstance()->SetClock(
        [tick = std::int64_t(1'000'000'000)]() mutable { return ++tick; });

    ASSERT_TRUE(m_sim.Start(QStringLiteral("wait-for-command search friends\n") + scenario));
}

bool RecorderFixture::ReachCheckpoint(const QString& name)
{
    const auto* user = qobject_cast<QLabel*>(m_dialog->GetDlgItem(CKelvaroDlg::IDC_USER_LABEL));
    return WaitUntil([&] { return user->text() == name; });
}

void RecorderFixture::Continue(const QString& name)
{
    CSkypeClient::ExistingInstance()->GetUserFullName(SkypeSimProcess::ContinueUser(name));
}

// Commands reach Skype in the order they were queued.
bool RecorderFixture::WaitForCommandsDelivered()
{
    const QString marker = QStringLiteral("sync-%1").arg(++m_nSyncs);
    CSkypeClient::ExistingInstance()->GetUserFullName(marker);
    return WaitUntil(
        [&] { return m_sim.Received(QStringLiteral("get user %1 fullname").arg(marker)) == 1; });
}

bool RecorderFixture::WaitForScenarioDone()
{
    return WaitUntil(
        [&] { return m_sim.HasLine(QStringLiteral("scenario"), QStringLiteral("done")); });
}

int RecorderFixture::State() const
{
    return CAudioServer::GetInstance()->m_state;
}

bool RecorderFixture::IsEnabled(int controlId) const
{
    return m_dialog->GetDlgItem(controlId)->isEnabled();
}

void RecorderFixture::Click(int controlId)
{
    auto* button = qobject_cast<QAbstractButton*>(m_dialog->GetDlgItem(controlId));
    ASSERT_TRUE(button && button->isEnabled()) << controlId;
    button->click();
}

void RecorderFixture::Command(int controlId)
{
    SendMessage(m_dialog.get(), WM_COMMAND, WPARAM(controlId), 0);
}

int RecorderFixture::OutputRedirections(const QString& callId) const
{
    return m_sim.Received(
        QStringLiteral("alter call %1 set_output soundcard=\"default\" port=\"58376\"")
            .arg(callId));
}

int RecorderFixture::MicRedirections(const QString& callId) const
{
    return m_sim.Received(
        QStringLiteral("alter call %1 set_capture_mic port=\"58377\"").arg(callId));
}

QString RecorderFixture::RecordFolder() const
{
    return m_home.root() + QStringLiteral("/Recordings");
}

bool RecorderFixture::WaitForHistory(std::size_t count)
{
    return WaitUntil([&] { return History().size() >= count; });
}

} // namespace ovento::test
