#pragma once

#include "app/CAutoUpdater.h"
#include "platform/Window.h"

#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <map>

class QSystemTrayIcon;

namespace ovento {

class CActiveRecording;
class CAudioServer;
class CCallPartnerMap;
class CCallTable;
class CDlgRecHistory;
class CGeneralProfile;
class CKCBusyProgressCtrl;
class CLabelEx;
class CMyButtonST;
class CRecordStore;
class CSkypeClient;

// The main window and the recording controller: it creates every part of the program in a
// fixed order, routes the messages they post, decides when a call is recorded and tears the
// parts down again in a fixed order.
class CKelvaroDlg : public QDialog, public Window
{
    Q_OBJECT
public:
    enum ControlId
    {
        IDC_HIDE = 1000,
        IDC_RECORD = 1001,
        IDC_PAUSE = 1002,
        IDC_MIC_PICTURE = 1003,
        IDC_REMOTE_PICTURE = 1004,
        IDC_LEVEL_MINE = 1005,
        IDC_LEVEL_REMOTE = 1006,
        IDC_USER_LABEL = 1008,
        IDC_STATUS_LABEL = 1009,
        IDC_UNUSED_BUTTON = 1010,
        IDC_HISTORY = 1011,
        IDC_OPTIONS = 1012,
        IDC_HELP = 1013,
    };
    enum CommandId
    {
        ID_TRAY_EXIT = 32772,
        ID_TRAY_ABOUT = 32773,
        IDM_ABOUTBOX = 0x10
    };

    explicit CKelvaroDlg(QWidget* parent = nullptr);
    ~CKelvaroDlg() override;

    // Initialises the window and runs it until the user ends the program.
    int DoModal();
    // Runs the shutdown sequence once; the dialog object can then be destroyed.
    void DestroyWindow();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    QWidget* GetDlgItem(int id) const;
    CDlgRecHistory* History() const { return m_pHistory; }

    bool OnInitDialog();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The window has no title bar of its own: a right click offers what its system menu would.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // Handlers of the dispatch table.
    void OnTrayNotify(WPARAM iconId, LPARAM mouseMessage);
    void OnSkypeUserStatus(WPARAM status);
    void OnSkypeCurrentUser();
    void OnSkypeCall(WPARAM slot, LPARAM change);
    void OnLevel(int meterId, WPARAM level);
    LRESULT OnRecordFinished(WPARAM, LPARAM);
    void OnSysCommand(WPARAM id);
    void OnDestroy();
    void OnCommand(int id);
    void OnHide();
    void OnRecord();
    void OnPause();
    void OnHelp();
    void OnHistory();
    void OnOptions();
    void OnTrayExit();
    void OnTrayAbout();

    // Recording.
    bool IsRecordingInProgress() const;
    void StartRecording();
    void StopRecording();
    void RedirectCall(const QString& callId);
    bool IsRecordedCall(const QString& callId) const;
    void BringToFront();
    void ShowStatus(int index);
    void ShowStartLook();
    void ShowStopLook();
    void ShowPauseLook();
    void ShowResumeLook();
    void SetLook(CMyButtonST* button, int hover, int normal, int pressed, const QString& tip);

    // Window.
    void CreateControls();
    void CreateFolders();
    void SetTrayIcon();
    void RemoveTrayIcon();
    void ShowTrayMenu();
    void RestoreWindowPosition();
    void SaveWindowPosition();
    void FillHistory();
    void DockHistoryWindow();
    void RunAboutBox();

    QIcon m_hIcon;
    QPixmap m_bmpBackground;
    CAutoUpdater m_updater;
    QSystemTrayIcon* m_tray = nullptr;
    bool m_bDestroyed = false;
    bool m_bQuitRequested = false;

    std::map<int, QWidget*> m_controls;
    CMyButtonST* m_btnHide;
    CMyButtonST* m_btnRecord;
    CMyButtonST* m_btnPause;
    CMyButtonST* m_picMic;
    CMyButtonST* m_picRemote;
    CKCBusyProgressCtrl* m_levelMine;
    CKCBusyProgressCtrl* m_levelRemote;
    CLabelEx* m_lblUser;
    CLabelEx* m_lblStatus;
    CMyButtonST* m_btnUnused;
    CMyButtonST* m_btnHistory;
    CMyButtonST* m_btnOptions;
    CMyButtonST* m_btnHelp;

    CAudioServer* m_pAudio = nullptr;
    CSkypeClient* m_pSkype = nullptr;
    CCallTable* m_pCalls = nullptr;
    CActiveRecording* m_pActive = nullptr;
    CRecordStore* m_pStore = nullptr;
    CGeneralProfile* m_pSettings = nullptr;
    CCallPartnerMap* m_pPartners = nullptr;
    CDlgRecHistory* m_pHistory = nullptr;
};

} // namespace ovento
