#include "CSkypeClient.h"

#include "platform/RegisteredMessages.h"
#include "skype/CCallPartnerMap.h"
#include "skype/CCallTable.h"
#include "skype/CContactList.h"
#include "skype/CSkypeCommandQueue.h"

#include <QUuid>
#include <cstring>

namespace ovento {
namespace {

constexpr LPARAM kAttachSuccess = 0;
constexpr LPARAM kAttachRefused = 2;
constexpr LPARAM kAttachApiAvailable = 0x8001;
constexpr int kMaxMissedPongs = 3;
constexpr int kRetryBudget = 5;
constexpr qsizetype kSendBufferSize = 1024;

CSkypeClient* s_pInstance = nullptr;

// Retries of failed deliveries, counted over the whole run of the process and never reset.
std::atomic<int> s_nRetriesSpent{0};
// The UTF-8 form of the command being sent; only the sender thread touches it.
char s_sendBuffer[kSendBufferSize];

// A bus object path cannot hold '-', '{' or '}'.
QString ObjectPathFor(const QString& className)
{
    QString path = u'/' + className;
    for (QChar& c : path)
        if (c == u'-' || c == u'{' || c == u'}')
            c = u'_';
    return path;
}

// The text ends at its NUL, or at cbData when it has none.
QString DecodeCopyData(const COPYDATASTRUCT& copy)
{
    const char* bytes = static_cast<const char*>(copy.lpData);
    if (!bytes)
        return QString();
    const void* nul = std::memchr(bytes, 0, copy.cbData);
    const qsizetype length = nul ? static_cast<const char*>(nul) - bytes : qsizetype(copy.cbData);
    return QString::fromUtf8(bytes, length);
}

} // namespace

CSkypeClient* CSkypeClient::GetInstance(HWND notifyWnd, const SkypeClientTimings& timings)
{
    if (!s_pInstance)
        s_pInstance = new CSkypeClient(timings);
    s_pInstance->Start(notifyWnd);
    return s_pInstance;
}

CSkypeClient* CSkypeClient::ExistingInstance()
{
    return s_pInstance;
}

CSkypeClient::CSkypeClient(const SkypeClientTimings& timings) : m_timings(timings)
{
    m_uAttachMsg = RegisterWindowMessage(QStringLiteral("SkypeControlAPIAttach"));
    m_uDiscoverMsg = RegisterWindowMessage(QStringLiteral("SkypeControlAPIDiscover"));
    m_pQueue = CSkypeCommandQueue::GetInstance();
    m_pCalls = CCallTable::GetInstance();
    m_pContacts = CContactList::GetInstance();
    m_pPartners = CCallPartnerMap::GetInstance();
    m_pCalls->SetCommandSink([queue = m_pQueue](const QString& text) { queue->Push(text); });
    m_bIncomingCall = true;

    m_pingTimer.setTimerType(Qt::PreciseTimer);
    m_pingTimer.setInterval(m_timings.ping);
    QObject::connect(&m_pingTimer, &QTimer::timeout, [this] { OnPingTimer(); });
    m_contactsTimer.setSingleShot(true);
    m_contactsTimer.setInterval(m_timings.contacts);
    QObject::connect(&m_contactsTimer, &QTimer::timeout, [this] { OnContactsTimer(); });
}

CSkypeClient::~CSkypeClient()
{
    Stop();
    m_pingTimer.stop();
    m_contactsTimer.stop();
    CSkypeCommandQueue::DeleteInstance();
    m_pQueue = nullptr;
    CContactList::DeleteInstance();
    m_pContacts = nullptr;
    CCallTable::DeleteInstance();
    m_pCalls = nullptr;
    CCallPartnerMap::DeleteInstance();
    m_pPartners = nullptr;
    if (s_pInstance == this)
        s_pInstance = nullptr;
}

bool CSkypeClient::Start(HWND notifyWnd)
{
    if (m_bRunning)
        return true;
    if (m_uAttachMsg == 0 || m_uDiscoverMsg == 0)
        return false;
    m_szClassName =
        QStringLiteral("ISkypeWnd") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    auto window =
        std::make_unique<BusWindow>(ObjectPathFor(m_szClassName), &CSkypeClient::WindowProc);
    if (!window->IsValid())
        return false;
    m_pWindow = std::move(window);
    m_hWnd = m_pWindow->Handle();

    // A client stopped before may run again.
    m_bStop = false;
    m_hStopEvent.Reset();
    m_bRunning = true;
    m_hNotifyWnd = notifyWnd;
    m_hSenderThread = std::thread(&CSkypeClient::SenderThread, this);
    m_bRediscovering = false;
    BroadcastDiscover();
    return true;
}

void CSkypeClient::Stop()
{
    m_bStop = true;
    m_hStopEvent.Set();
    m_pQueue->Clear();
    if (!m_bRunning)
        return;
    if (m_pWindow) {
        SendMessage(m_pWindow.get(), WM_DESTROY, 0, 0);
        m_pWindow.reset();
    }
    m_bRunning = false;
    m_hAttachedEvent.Set();
    if (m_hSenderThread.joinable())
        m_hSenderThread.join();
}

void CSkypeClient::QueueCommand(const QString& text)
{
    m_pQueue->Push(text);
}

void CSkypeClient::BroadcastDiscover()
{
    SendNotifyMessage(HWND_BROADCAST, m_uDiscoverMsg, WPARAM(m_hWnd.load()), 0);
}

void CSkypeClient::OnAttached()
{
    m_nMissedPongs = 0;
    m_hAttachedEvent.Set();
    m_pQueue->SetEnabled(true);
    m_bAttached = true;
    QueueCommand(QStringLiteral("get currentuserhandle"));
    QueueCommand(QStringLiteral("get connstatus"));
    QueueCommand(QStringLiteral("get userstatus"));
    m_bFriendsRequested = true;
    QueueCommand(QStringLiteral("search friends"));
    PostNotify(WM_SKYPE_ATTACHED);
}

void CSkypeClient::Detach()
{
    m_hAttachedEvent.Reset();
    m_pQueue->SetEnabled(false);
    m_bAttached = false;
}

int CSkypeClient::SendCommand(const QString& text)
{
    if (!m_bAttached)
        return 0;
    const QByteArray utf8 = text.toUtf8();
    // The command travels with its NUL; one that does not fit the buffer is refused whole
    // rather than cut.
    if (utf8.size() + 1 > kSendBufferSize)
        return 0;
    std::memcpy(s_sendBuffer, utf8.constData(), size_t(utf8.size()));
    s_sendBuffer[utf8.size()] = '\0';
    const BusHandle skypeWnd = m_hSkypeWnd;
    if (utf8.isEmpty() || skypeWnd == BusHandle::Null)
        return 0;
    const COPYDATASTRUCT copy{0, std::uint32_t(utf8.size() + 1), s_sendBuffer};
    return int(
        SendMessage(skypeWnd, WM_COPYDATA, WPARAM(m_hWnd.load()), LPARAM(&copy), &m_hStopEvent));
}

void CSkypeClient::ParseMessage(const QString& text)
{
    m_receivedTexts.push_back(text);
}

void CSkypeClient::RestartContactsTimer()
{
    m_contactsTimer.start();
}

LRESULT CSkypeClient::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    CSkypeClient* self = s_pInstance;
    if (!self)
        return 0;
    if (message == WM_DESTROY) {
        self->m_hWnd = BusHandle::Null;
        return 0;
    }
    if (message == WM_COPYDATA)
        return self->OnCopyData(BusHandle(wParam),
                                *reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    if (message == self->m_uAttachMsg) {
        self->OnAttachMessage(BusHandle(wParam), lParam);
        return 1;
    }
    return 0;
}

LRESULT CSkypeClient::OnCopyData(BusHandle from, const COPYDATASTRUCT& copy)
{
    if (from == BusHandle::Null || from != m_hSkypeWnd)
        return 0;
    const QString text = DecodeCopyData(copy);
    if (text.toLower() == QLatin1String("pong"))
        m_bPongReceived = true;
    else if (!text.isEmpty())
        ParseMessage(text);
    return 1;
}

void CSkypeClient::OnAttachMessage(BusHandle skypeWnd, LPARAM status)
{
    switch (status) {
    case kAttachSuccess:
        m_hSkypeWnd = skypeWnd;
        if (!m_bRediscovering)
            OnAttached();
        m_bRediscovering = false;
        m_bPongReceived = true;
        RestartPingTimer();
        break;
    case kAttachRefused:
        Detach();
        PostNotify(WM_SKYPE_REFUSED);
        break;
    case kAttachApiAvailable:
        if (!m_bAttached) {
            m_bRediscovering = false;
            if (m_bRunning)
                BroadcastDiscover();
        }
        break;
    default: // pending authorisation, not available: wait for the next answer
        break;
    }
}

void CSkypeClient::RestartPingTimer()
{
    m_pingTimer.start();
}

void CSkypeClient::OnPingTimer()
{
    if (m_bPongReceived) {
        m_bPongReceived = false;
        QueueCommand(QStringLiteral("ping"));
        m_nMissedPongs = 0;
    } else if (m_nMissedPongs >= kMaxMissedPongs) {
        m_nMissedPongs = 0;
        m_pingTimer.stop();
        Detach();
        m_bRediscovering = false;
    } else {
        m_bRediscovering = true;
        if (m_bRunning)
            BroadcastDiscover();
        ++m_nMissedPongs;
    }
}

void CSkypeClient::OnContactsTimer()
{
    PostNotify(WM_SKYPE_CONTACTS);
}

void CSkypeClient::PostNotify(UINT message)
{
    PostMessage(m_hNotifyWnd, message, 0, 0);
}

void CSkypeClient::SenderThread()
{
    m_hAttachedEvent.Wait();
    while (!m_bStop) {
        QString text;
        if (!m_pQueue->PopFront(text)) {
            SenderSleep(m_timings.idlePoll);
            continue;
        }
        do {
            if (m_bStop)
                return;
            DeliverWithRetries(text);
            SenderSleep(m_timings.commandGap);
        } while (m_pQueue->PopFront(text));
        SenderSleep(m_timings.idlePoll);
    }
}

void CSkypeClient::DeliverWithRetries(const QString& text)
{
    int result = SendCommand(text);
    while (result == 0 && !m_bStop && s_nRetriesSpent < kRetryBudget) {
        ++s_nRetriesSpent;
        SenderSleep(m_timings.retryDelay);
        result = SendCommand(text);
    }
}

void CSkypeClient::SenderSleep(std::chrono::milliseconds duration)
{
    m_hStopEvent.WaitFor(duration);
}

} // namespace ovento
