#include "CKelvaroApp.h"

#include "app/CKelvaroDlg.h"
#include "platform/MessageBox.h"
#include "res/Resources.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ovento {
namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const char byte = 1;
    (void)!::write(g_signalPipe[1], &byte, 1);
}

// The audio server cannot work without sockets; tell the user at once rather than later.
bool SocketsAvailable()
{
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    ::close(probe);
    return true;
}

} // namespace

CKelvaroApp::CKelvaroApp(int& argc, char** argv) : m_app(argc, argv)
{
    QApplication::setApplicationName(QStringLiteral("Ovento Recorder"));
    QApplication::setOrganizationName(QStringLiteral("Ovento"));
    QApplication::setQuitOnLastWindowClosed(false);
    CatchTerminationSignals();
}

CKelvaroApp::~CKelvaroApp()
{
    ExitInstance();
}

int CKelvaroApp::Run()
{
    InitInstance();
    return 0;
}

bool CKelvaroApp::InitInstance()
{
    if (!SocketsAvailable()) {
        MessageBox(nullptr, Resources::String(Resources::IDS_SOCKETS_INIT_FAILED), QString());
        return false;
    }

    m_hMutex = std::make_unique<InstanceLock>(QStringLiteral("Ovento_RECORDER"));
    if (!m_hMutex->TryAcquire() && m_hMutex->AlreadyHeld())
        return false;

    CKelvaroDlg dialog;
    EndOnTerminationSignals(&dialog);
    dialog.DoModal();
    dialog.DestroyWindow();
    return false;
}

void CKelvaroApp::ExitInstance()
{
    m_hMutex.reset();
}

void CKelvaroApp::CatchTerminationSignals()
{
    // A logout or a plain kill ends the program as Exit does, so settings are saved and an
    // open recording is closed properly. Caught from the very start: a signal that arrives
    // before the main window exists waits in the pipe and ends the window as soon as it runs.
    if (::pipe2(g_signalPipe, O_CLOEXEC) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

void CKelvaroApp::EndOnTerminationSignals(CKelvaroDlg* dialog)
{
    if (g_signalPipe[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, dialog);
    QObject::connect(notifier, &QSocketNotifier::activated, dialog, [dialog] {
        char byte;
        (void)!::read(g_signalPipe[0], &byte, 1);
        PostMessage(dialog, WM_QUIT, 0, 0);
    });
}

} // namespace ovento
