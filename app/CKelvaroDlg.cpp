#include "CKelvaroDlg.h"

#include "app/CActiveRecording.h"
#include "app/Lifecycle.h"
#include "audio/CAudioMixer.h"
#include "audio/CAudioServer.h"
#include "audio/CLevelMeter.h"
#include "controls/CKCBusyProgressCtrl.h"
#include "controls/CLabelEx.h"
#include "controls/CMyButtonST.h"
#include "history/CDlgRecHistory.h"
#include "history/CRecordStore.h"
#include "platform/Folders.h"
#include "platform/MessageBox.h"
#include "res/Resources.h"
#include "settings/CGeneralProfile.h"
#include "skype/CCallPartnerMap.h"
#include "skype/CCallTable.h"
#include "skype/CSkypeClient.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace ovento {
namespace {

constexpr LPARAM WM_LBUTTONUP = 514;
constexpr LPARAM WM_RBUTTONUP = 517;
constexpr WPARAM kTrayIconId = 1;

const QColor kRed(226, 0, 0);
const QString kAppTitle = QStringLiteral("Ovento Recorder");
const QString kRemotePort = QString::number(CAudioServer::kRemoteSidePort);
const QString kMicPort = QString::number(CAudioServer::kMySidePort);
const QUrl kHelpPage(QStringLiteral("https://ovento.example.com/help.htm"));

struct StatusLine
{
    QString text;
    QColor colour;
};

const StatusLine kStatusLines[] = {
    {QStringLiteral("Waiting to access Skype ..."), kRed},
    {QStringLiteral("Ready for recording ..."), Qt::black},
    {QStringLiteral("Recording in progress ..."), kRed},
    {QStringLiteral("Recording pause ..."), kRed},
};

int StatusIconIndex(WPARAM userStatus)
{
    switch (userStatus) {
    case 1:
    case 2:
    case 8:
        return 1;
    case 3:
        return 2;
    case 4:
        return 5;
    case 5:
        return 3;
    case 6:
    case 7:
        return 4;
    default:
        return 0;
    }
}

int SampleRateOf(int index)
{
    static const int kRates[] = {16000, 32000, 44100, 48000};
    return (index >= 0 && index < 4) ? kRates[index] : 0;
}

int BitRateOf(int index)
{
    static const int kRates[] = {32, 64, 96, 128, 192, 256};
    return (index >= 0 && index < 6) ? kRates[index] : 0;
}

int ChannelModeOf(int index)
{
    return (index == 1 || index == 2) ? index : 0;
}

// A partner handle becomes part of a file name: a path separator or a NUL in it would name a
// file elsewhere, or cut the name short.
QString FileNameSafe(QString name)
{
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QChar(0), QLatin1Char('_'));
    return name;
}

bool IsEndOfCall(int status)
{
    return status == CALL_STATUS_FAILED ||
           (status >= CALL_STATUS_FINISHED && status <= CALL_STATUS_CANCELLED);
}

} // namespace

CKelvaroDlg::CKelvaroDlg(QWidget* parent)
    : QDialog(parent), m_hIcon(Resources::Icon(Resources::IDR_MAINFRAME))
{
    CreateControls();
}

CKelvaroDlg::~CKelvaroDlg()
{
    DestroyWindow();
}

void CKelvaroDlg::CreateControls()
{
    m_btnHide = new CMyButtonST(IDC_HIDE, this);
    m_btnRecord = new CMyButtonST(IDC_RECORD, this);
    m_btnPause = new CMyButtonST(IDC_PAUSE, this);
    m_picMic = new CMyButtonST(IDC_MIC_PICTURE, this);
    m_picRemote = new CMyButtonST(IDC_REMOTE_PICTURE, this);
    m_levelMine = new CKCBusyProgressCtrl(IDC_LEVEL_MINE, this);
    m_levelRemote = new CKCBusyProgressCtrl(IDC_LEVEL_REMOTE, this);
    m_lblUser = new CLabelEx(IDC_USER_LABEL, this);
    m_lblStatus = new CLabelEx(IDC_STATUS_LABEL, this);
    m_btnUnused = new CMyButtonST(IDC_UNUSED_BUTTON, this);
    m_btnHistory = new CMyButtonST(IDC_HISTORY, this);
    m_btnOptions = new CMyButtonST(IDC_OPTIONS, this);
    m_btnHelp = new CMyButtonST(IDC_HELP, this);

    for (CMyButtonST* button : {m_btnHide, m_btnRecord, m_btnPause, m_picMic, m_picRemote,
                                m_btnUnused, m_btnHistory, m_btnOptions, m_btnHelp}) {
        m_controls[button->Id()] = button;
        const int id = button->Id();
        connect(button, &QPushButton::clicked, this,
                [this, id] { SendMessage(this, WM_COMMAND, WPARAM(id), 0); });
    }
    for (CLabelEx* label : {m_lblUser, m_lblStatus}) {
        m_controls[label->Id()] = label;
        connect(label, &CLabelEx::clicked, this,
                [this](int id) { SendMessage(this, WM_COMMAND, WPARAM(id), 0); });
    }
    m_controls[IDC_LEVEL_MINE] = m_levelMine;
    m_controls[IDC_LEVEL_REMOTE] = m_levelRemote;

    // Pixel layout of the 398 x 98 skin.
    m_btnHide->setGeometry(398 - 1 - 20, 1, 20, 20);
    m_btnRecord->setGeometry(10, 30, 32, 32);
    m_btnPause->setGeometry(50, 30, 32, 32);
    m_picMic->setGeometry(99, 30, 20, 20);
    m_picRemote->setGeometry(99, 45, 20, 20);
    m_levelMine->setGeometry(119, 33, 80, 12);
    m_levelRemote->setGeometry(119, 48, 80, 12);
    m_btnUnused->setGeometry(225, 30, 36, 36);
    m_btnHistory->setGeometry(225, 30, 36, 36);
    m_btnOptions->setGeometry(271, 30, 36, 36);
    m_btnHelp->setGeometry(317, 30, 36, 36);
    m_lblUser->setGeometry(3, 98 - 16, 150, 16);
    m_lblStatus->setGeometry(153, 98 - 16, 398 - 10 - 153, 16);
}

QWidget* CKelvaroDlg::GetDlgItem(int id) const
{
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

int CKelvaroDlg::DoModal()
{
    OnInitDialog();
    // An end asked for while the window was still being set up (a termination signal during
    // a start-up message box) ends the run before it starts.
    if (m_bQuitRequested)
        return QDialog::Rejected;
    return exec();
}

bool CKelvaroDlg::OnInitDialog()
{
    CreateFolders();

    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setWindowTitle(kAppTitle);

    SetTrayIcon();
    setWindowIcon(m_hIcon);
    qCDebug(lcLifecycle) << "init: tray icon and window icon";

    for (CKCBusyProgressCtrl* meter : {m_levelMine, m_levelRemote}) {
        meter->SetNumSteps(20);
        meter->SetRange(0, CLevelMeter::kMaxLevel);
        meter->SetPos(0);
    }
    m_lblUser->SetupStatusIcons();
    m_lblUser->setText(QStringLiteral("Searching for Skype"));
    m_lblUser->SetTextColor(kRed);
    m_lblUser->SetHoverTracking(true);
    m_lblUser->SetHoverHighlight(true);
    m_lblStatus->SetHoverHighlight(false);
    m_lblStatus->SetHoverTracking(false);
    qCDebug(lcLifecycle) << "init: meters and labels";

    m_pStore = CRecordStore::GetInstance();
    m_pStore->Open(GetAppDataFolder() + QStringLiteral("record.xml"));
    qCDebug(lcLifecycle) << "init: record store";

    m_pHistory = new CDlgRecHistory(this);
    qCDebug(lcLifecycle) << "init: history window";

    m_btnUnused->SetStateImages(Resources::IDB_BUTTON1010_HOVER, Resources::IDB_BUTTON1010_NORMAL,
                                0, Qt::white);
    m_btnHistory->SetStateImages(Resources::IDB_HISTORY_HOVER, Resources::IDB_HISTORY_NORMAL, 0,
                                 Qt::white);
    m_btnOptions->SetStateImages(Resources::IDB_OPTIONS_HOVER, Resources::IDB_OPTIONS_NORMAL, 0,
                                 Qt::white);
    m_btnHelp->SetStateImages(Resources::IDB_HELP_HOVER, Resources::IDB_HELP_NORMAL, 0, Qt::white);
    m_btnHistory->SetTooltip(QStringLiteral("History"));
    m_btnOptions->SetTooltip(QStringLiteral("Options"));
    m_btnHelp->SetTooltip(QStringLiteral("Help"));

    m_lblStatus->hide();
    ShowStatus(0);

    m_bmpBackground = Resources::Bitmap(Resources::IDB_BACKGROUND);
    setFixedSize(m_bmpBackground.size());
    m_btnHide->SetStateImages(Resources::IDB_HIDE_HOVER, Resources::IDB_HIDE_NORMAL,
                              Resources::IDB_HIDE_PRESSED, Qt::black);
    ShowStartLook();
    ShowPauseLook();
    m_picMic->SetStateImages(Resources::IDB_MICROPHONE, 0, 0, Qt::white);
    m_picRemote->SetStateImages(Resources::IDB_REMOTE, 0, 0, Qt::white);
    qCDebug(lcLifecycle) << "init: skin";

    m_pSettings = CGeneralProfile::GetInstance();
    m_pSettings->Load();
    qCDebug(lcLifecycle) << "init: settings";

    m_pAudio = CAudioServer::GetInstance();
    m_pAudio->m_hNotifyWnd = this;
    m_pAudio->StartMySidePort();
    m_pAudio->StartRemoteSidePort();
    qCDebug(lcLifecycle) << "init: audio server";

    m_pSkype = CSkypeClient::GetInstance(this);
    qCDebug(lcLifecycle) << "init: skype client";

    m_pCalls = CCallTable::GetInstance();
    qCDebug(lcLifecycle) << "init: call table";

    m_pActive = CActiveRecording::GetInstance();
    qCDebug(lcLifecycle) << "init: active recording";

    m_pPartners = CCallPartnerMap::GetInstance();
    qCDebug(lcLifecycle) << "init: partner map";

    m_btnRecord->setEnabled(false);
    m_btnPause->setEnabled(false);
    m_btnUnused->setEnabled(false);
    m_btnUnused->hide();

    RestoreWindowPosition();
    qCDebug(lcLifecycle) << "init: window position";

    m_updater.StartUpdateThread(this);
    qCDebug(lcLifecycle) << "init: update check";

    FillHistory();
    qCDebug(lcLifecycle) << "init: history filled";
    return true;
}

void CKelvaroDlg::CreateFolders()
{
    const QString documents = GetDocumentsFolder();
    if (!documents.isEmpty()) {
        const QString recordings = documents + QStringLiteral("/Ovento");
        if (!QDir(recordings).exists())
            QDir().mkdir(recordings);
    }
    const QString data = GetAppDataFolder();
    if (!data.isEmpty() && !QDir(data).exists() && !QDir().mkdir(data))
        CreateFolderTree(data);
    qCDebug(lcLifecycle) << "init: folders";
}

void CKelvaroDlg::FillHistory()
{
    if (!m_pStore)
        return;
    for (int i = 0; i < m_pStore->GetCount(); ++i) {
        RecordInfo info;
        if (m_pStore->ReadRecord(i, info))
            m_pHistory->AddRecordToTree(info);
    }
    m_pHistory->UpdateCounts();
}

void CKelvaroDlg::DestroyWindow()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    SendMessage(this, WM_DESTROY, 0, 0);
}

void CKelvaroDlg::OnDestroy()
{
    RemoveTrayIcon();
    qCDebug(lcLifecycle) << "destroy: tray icon";

    SaveWindowPosition();
    qCDebug(lcLifecycle) << "destroy: settings saved";

    if (m_pAudio) {
        CAudioServer::DestroyInstance();
        m_pAudio = nullptr;
        qCDebug(lcLifecycle) << "destroy: audio server";
    }
    if (m_pSkype) {
        CSkypeClient::DestroyInstance();
        m_pSkype = nullptr;
        m_pCalls = nullptr;
        m_pPartners = nullptr;
        qCDebug(lcLifecycle) << "destroy: skype client";
    }
    if (m_pActive) {
        CActiveRecording::DeleteInstance();
        m_pActive = nullptr;
        qCDebug(lcLifecycle) << "destroy: active recording";
    }
    if (m_pStore) {
        CRecordStore::DestroyInstance();
        m_pStore = nullptr;
        qCDebug(lcLifecycle) << "destroy: record store";
    }
    if (m_pHistory) {
        delete m_pHistory;
        m_pHistory = nullptr;
        qCDebug(lcLifecycle) << "destroy: history window";
    }
    if (m_pSettings) {
        CGeneralProfile::DeleteInstance();
        m_pSettings = nullptr;
        qCDebug(lcLifecycle) << "destroy: settings";
    }
}

void CKelvaroDlg::SaveWindowPosition()
{
    if (!m_pSettings)
        return;
    const QRect r = geometry();
    m_pSettings->m_strPosition = CGeneralProfile::FormatPosition(
        r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    m_pSettings->m_bDirty = true;
    m_pSettings->Save();
}

void CKelvaroDlg::RestoreWindowPosition()
{
    const std::vector<int> numbers = CGeneralProfile::ParsePosition(m_pSettings->m_strPosition);
    if (numbers.size() != 4 ||
        std::any_of(numbers.begin(), numbers.end(), [](int n) { return n < 0; }))
        return;
    // The window keeps the size of its skin; only the place is restored.
    move(numbers[0], numbers[1]);
}

LRESULT CKelvaroDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TRAY_NOTIFY:
        OnTrayNotify(wParam, lParam);
        break;
    case WM_AUDIO_LEVEL_MINE:
        OnLevel(IDC_LEVEL_MINE, wParam);
        break;
    case WM_AUDIO_LEVEL_REMOTE:
        OnLevel(IDC_LEVEL_REMOTE, wParam);
        break;
    case WM_SKYPE_USERSTATUS:
        OnSkypeUserStatus(wParam);
        break;
    case WM_SKYPE_CURRENTUSER:
        OnSkypeCurrentUser();
        break;
    case WM_SKYPE_CALL:
        OnSkypeCall(wParam, lParam);
        break;
    default:
        break;
    }

    switch (message) {
    case WM_RECORD_FINISHED:
        return OnRecordFinished(wParam, lParam);
    case WM_SYSCOMMAND:
        OnSysCommand(wParam);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_COMMAND:
        OnCommand(int(wParam & 0xFFFF));
        return 0;
    case WM_QUIT:
        m_bQuitRequested = true;
        EndMessageBoxes();
        done(QDialog::Rejected);
        return 0;
    default:
        return 0;
    }
}

void CKelvaroDlg::OnCommand(int id)
{
    switch (id) {
    case IDC_HIDE:
        OnHide();
        break;
    case IDC_RECORD:
        OnRecord();
        break;
    case IDC_PAUSE:
        OnPause();
        break;
    case IDC_USER_LABEL:
    case IDC_HELP:
        OnHelp();
        break;
    case IDC_HISTORY:
        OnHistory();
        break;
    case IDC_OPTIONS:
        OnOptions();
        break;
    case ID_TRAY_EXIT:
        OnTrayExit();
        break;
    case ID_TRAY_ABOUT:
        OnTrayAbout();
        break;
    default: // 1009 and 1010 take no action
        break;
    }
}

// Recording ------------------------------------------------------------------------------------

bool CKelvaroDlg::IsRecordingInProgress() const
{
    const int state = m_pAudio->m_state;
    return state == REC_STATE_RECORDING || state == REC_STATE_PAUSED || state == REC_STATE_RESUMED;
}

void CKelvaroDlg::OnRecord()
{
    if (IsRecordingInProgress())
        StopRecording();
    else
        StartRecording();
}

void CKelvaroDlg::StartRecording()
{
    QString id;
    QString partner;
    m_pCalls->PickCallToRecord(id, partner);
    if (id.isEmpty())
        return;

    m_lblStatus->hide();
    ShowStatus(2);
    ShowStopLook();
    ShowPauseLook();

    QString name = partner;
    if (name.isEmpty())
        name = m_pCalls->GetCallPartner(id);
    if (name.isEmpty())
        name = id;
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    const QString path = m_pSettings->m_strSFolder + QLatin1Char('/') + FileNameSafe(name) +
                         QLatin1Char('_') + stamp;

    m_pActive->AddCallId(id);
    m_pActive->Begin(name, m_pSkype->IsIncomingCall() ? 1 : 2, path);
    m_pAudio->StartRecording(path, SampleRateOf(m_pSettings->m_nASample),
                             BitRateOf(m_pSettings->m_nABitrate),
                             ChannelModeOf(m_pSettings->m_nAMode));
    m_pAudio->m_state = REC_STATE_RECORDING;
    RedirectCall(id);
}

void CKelvaroDlg::StopRecording()
{
    if (m_pAudio->GetMixer()->IsRecording())
        m_pAudio->GetMixer()->Close();
    m_pAudio->m_state = REC_STATE_STOPPED;
    PostMessage(this, WM_RECORD_FINISHED, 0, 0);
    ShowStartLook();
    ShowPauseLook();
    m_levelRemote->SetPos(0);
    m_levelMine->SetPos(0);
    m_lblStatus->hide();
    ShowStatus(1);
}

void CKelvaroDlg::RedirectCall(const QString& callId)
{
    switch (m_pSettings->m_nRecSide) {
    case 0:
        m_pSkype->SetOutput(callId, kRemotePort);
        m_pSkype->SetCaptureMic(callId, kMicPort);
        break;
    case 1:
        m_pSkype->SetCaptureMic(callId, kMicPort);
        break;
    default:
        m_pSkype->SetOutput(callId, kRemotePort);
        break;
    }
}

void CKelvaroDlg::OnPause()
{
    switch (m_pAudio->m_state) {
    case REC_STATE_RECORDING:
    case REC_STATE_RESUMED:
        m_pAudio->m_state = REC_STATE_PAUSED;
        m_pActive->Pause();
        ShowResumeLook();
        m_lblStatus->hide();
        ShowStatus(3);
        break;
    case REC_STATE_PAUSED:
        m_pAudio->m_state = REC_STATE_RESUMED;
        m_pActive->Resume();
        ShowPauseLook();
        m_lblStatus->hide();
        ShowStatus(2);
        break;
    default:
        break;
    }
}

LRESULT CKelvaroDlg::OnRecordFinished(WPARAM, LPARAM)
{
    RecordInfo info;
    m_pActive->Finish(info);
    const QString callIds = m_pActive->GetCallIds();
    if (!callIds.isEmpty())
        info.strName = m_pPartners->FormatPartners(callIds);
    m_pStore->AddRecord(info);
    m_pHistory->AddRecordToTree(info);
    m_pHistory->UpdateCounts();
    m_pActive->ClearCalls();
    return 1;
}

bool CKelvaroDlg::IsRecordedCall(const QString& callId) const
{
    return m_pActive->GetCallIds().split(QLatin1Char(',')).contains(callId, Qt::CaseInsensitive);
}

void CKelvaroDlg::OnSkypeCall(WPARAM slotParam, LPARAM change)
{
    if (change != 2)
        return;
    const int slot = int(LPARAM(slotParam));
    const int status =
        (slot >= 0 && slot < CCallTable::kSlotCount) ? m_pCalls->GetCallStatusAt(slot) : 0;
    const QString id = m_pCalls->GetCallId(slot);

    if (status == CALL_STATUS_INPROGRESS) {
        if (!IsRecordingInProgress()) {
            if (m_pSettings->m_bNotifyCov)
                BringToFront();
            if (m_pSettings->m_bRecType)
                OnRecord();
        }
        m_btnRecord->setEnabled(true);
        if (IsRecordingInProgress() && !id.isEmpty()) {
            RedirectCall(id);
            m_pActive->AddCallId(id);
        }
        return;
    }
    if (!IsEndOfCall(status))
        return;
    if (IsRecordingInProgress() && IsRecordedCall(id) && !m_pCalls->IsAnyCallActive()) {
        if (m_pSettings->m_bNotifyFinish)
            BringToFront();
        OnRecord();
    }
    if (!m_pCalls->IsAnyCallActive()) {
        m_pSkype->Reset();
        // A recording that goes on without calls (its last call ended without being redirected)
        // must stay stoppable: the button is its only Stop.
        if (!IsRecordingInProgress())
            m_btnRecord->setEnabled(false);
    }
}

void CKelvaroDlg::OnSkypeCurrentUser()
{
    m_lblUser->hide();
    m_lblUser->SetHoverTracking(false);
    m_lblUser->SetTextColor(Qt::black);
    m_lblUser->setText(m_pSkype->GetCurrentUserHandle());
    m_lblUser->show();
    m_lblStatus->hide();
    ShowStatus(1);
}

void CKelvaroDlg::OnSkypeUserStatus(WPARAM status)
{
    m_lblUser->hide();
    m_lblUser->SetIconIndex(StatusIconIndex(status));
    m_lblUser->show();
}

void CKelvaroDlg::OnLevel(int meterId, WPARAM level)
{
    CKCBusyProgressCtrl* meter = meterId == IDC_LEVEL_MINE ? m_levelMine : m_levelRemote;
    meter->SetPos(int(level));
}

void CKelvaroDlg::BringToFront()
{
    showNormal();
    raise();
    activateWindow();
}

void CKelvaroDlg::ShowStatus(int index)
{
    m_lblStatus->setText(kStatusLines[index].text);
    m_lblStatus->SetTextColor(kStatusLines[index].colour);
    m_lblStatus->show();
}

void CKelvaroDlg::SetLook(CMyButtonST* button, int hover, int normal, int pressed,
                          const QString& tip)
{
    button->hide();
    button->SetStateImages(hover, normal, pressed, Qt::white);
    button->SetTooltip(tip);
    button->show();
}

void CKelvaroDlg::ShowStartLook()
{
    SetLook(m_btnRecord, Resources::IDB_START_HOVER, Resources::IDB_START_NORMAL,
            Resources::IDB_START_PRESSED, QStringLiteral("Start Recording"));
    m_btnPause->setEnabled(false);
}

void CKelvaroDlg::ShowStopLook()
{
    SetLook(m_btnRecord, Resources::IDB_STOP_HOVER, Resources::IDB_STOP_NORMAL,
            Resources::IDB_STOP_PRESSED, QStringLiteral("Stop Recording"));
    m_btnPause->setEnabled(true);
}

void CKelvaroDlg::ShowPauseLook()
{
    SetLook(m_btnPause, Resources::IDB_PAUSE_HOVER, Resources::IDB_PAUSE_NORMAL,
            Resources::IDB_PAUSE_PRESSED, QStringLiteral("Pause Recording"));
}

void CKelvaroDlg::ShowResumeLook()
{
    SetLook(m_btnPause, Resources::IDB_START_HOVER, Resources::IDB_START_NORMAL,
            Resources::IDB_START_PRESSED, QStringLiteral("Resume Recording"));
}

// Window ---------------------------------------------------------------------------------------

void CKelvaroDlg::SetTrayIcon()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(m_hIcon, this);
    m_tray->setToolTip(kAppTitle.left(127));
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    PostMessage(this, WM_TRAY_NOTIFY, kTrayIconId, WM_LBUTTONUP);
                else if (reason == QSystemTrayIcon::Context)
                    PostMessage(this, WM_TRAY_NOTIFY, kTrayIconId, WM_RBUTTONUP);
            });
    m_tray->show();
}

void CKelvaroDlg::RemoveTrayIcon()
{
    delete m_tray;
    m_tray = nullptr;
}

void CKelvaroDlg::OnTrayNotify(WPARAM iconId, LPARAM mouseMessage)
{
    if (iconId != kTrayIconId)
        return;
    if (mouseMessage == WM_LBUTTONUP)
        BringToFront();
    else if (mouseMessage == WM_RBUTTONUP)
        ShowTrayMenu();
}

void CKelvaroDlg::ShowTrayMenu()
{
    QMenu menu;
    QAction* about = menu.addAction(QStringLiteral("About"));
    menu.addSeparator();
    QAction* exit = menu.addAction(QStringLiteral("Exit"));
    activateWindow();
    QAction* chosen = menu.exec(QCursor::pos());
    if (chosen == exit)
        PostMessage(this, WM_QUIT, 0, 0);
    else if (chosen == about)
        RunAboutBox();
}

void CKelvaroDlg::OnSysCommand(WPARAM id)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX)
        RunAboutBox();
}

void CKelvaroDlg::RunAboutBox()
{
    QDialog about(this);
    about.setWindowTitle(QStringLiteral("About Ovento Recorder"));
    auto* layout = new QVBoxLayout(&about);
    auto* icon = new QLabel(&about);
    icon->setPixmap(m_hIcon.pixmap(32, 32));
    layout->addWidget(icon);
    layout->addWidget(new QLabel(QStringLiteral("Ovento Recorder, Version 2.0"), &about));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
    connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    layout->addWidget(buttons);
    about.exec();
}

void CKelvaroDlg::OnHide()
{
    hide();
}

void CKelvaroDlg::OnHelp()
{
    QDesktopServices::openUrl(kHelpPage);
}

void CKelvaroDlg::OnHistory()
{
    if (m_pHistory->isVisible()) {
        m_pHistory->hide();
        return;
    }
    DockHistoryWindow();
    m_pHistory->show();
}

void CKelvaroDlg::OnOptions()
{
    // The options dialog comes with the settings pages; until then the button does nothing.
}

void CKelvaroDlg::OnTrayExit()
{
    PostMessage(this, WM_QUIT, 0, 0);
}

void CKelvaroDlg::OnTrayAbout()
{
    RunAboutBox();
}

void CKelvaroDlg::DockHistoryWindow()
{
    if (m_pHistory)
        m_pHistory->move(frameGeometry().left(), frameGeometry().bottom() + 1);
}

void CKelvaroDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bmpBackground);
    QFont title = font();
    title.setFamily(QStringLiteral("Arial"));
    painter.setFont(title);
    painter.setPen(QColor(60, 60, 60));
    painter.drawText(QRect(21, 3, width() - 60 - 21, 17), Qt::AlignLeft | Qt::AlignVCenter,
                     kAppTitle);
}

void CKelvaroDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape end the program, as Exit does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape) {
        done(QDialog::Rejected);
        return;
    }
    QDialog::keyPressEvent(event);
}

void CKelvaroDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && windowHandle())
        windowHandle()->startSystemMove();
    QDialog::mousePressEvent(event);
}

void CKelvaroDlg::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu;
    QAction* minimise = menu.addAction(QStringLiteral("Mi&nimize"));
    QAction* close = menu.addAction(QStringLiteral("&Close"));
    menu.addSeparator();
    QAction* about = menu.addAction(Resources::String(Resources::IDS_ABOUTBOX));
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == about)
        SendMessage(this, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    else if (chosen == minimise)
        showMinimized();
    else if (chosen == close)
        done(QDialog::Rejected);
}

void CKelvaroDlg::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    if (m_pHistory && m_pHistory->isVisible())
        DockHistoryWindow();
}

} // namespace ovento
