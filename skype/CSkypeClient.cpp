#include "CSkypeClient.h"

#include "platform/RegisteredMessages.h"
#include "skype/CCallPartnerMap.h"
#include "skype/CCallTable.h"
#include "skype/CContactList.h"
#include "skype/CSkypeCommandQueue.h"

#include <QUuid>
#include <algorithm>
#include <cstring>
#include <cwctype>
#include <limits>
#include <pthread.h>
#include <span>

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

// What a WM_SKYPE_CALL says changed about the call.
constexpr LPARAM kCallPartnerLearnt = 1;
constexpr LPARAM kCallStatusChanged = 2;

constexpr int USER_STATUS_LOGGEDOUT = 1;

struct StatusWord
{
    const char* word;
    int code;
};

// Any other word is 0.
constexpr StatusWord kUserStatusWords[] = {
    {"LOGGEDOUT", USER_STATUS_LOGGEDOUT},
    {"OFFLINE", 2},
    {"ONLINE", 3},
    {"SKYPEME", 4},
    {"AWAY", 5},
    {"NA", 6},
    {"DND", 7},
    {"INVISIBLE", 8},
};

constexpr StatusWord kCallStatusWords[] = {
    {"UNPLACED", CALL_STATUS_UNPLACED},
    {"ROUTING", CALL_STATUS_ROUTING},
    {"EARLYMEDIA", CALL_STATUS_EARLYMEDIA},
    {"FAILED", CALL_STATUS_FAILED},
    {"RINGING", CALL_STATUS_RINGING},
    {"INPROGRESS", CALL_STATUS_INPROGRESS},
    {"ONHOLD", CALL_STATUS_ONHOLD},
    {"LOCALHOLD", CALL_STATUS_ONHOLD},
    {"REMOTEHOLD", CALL_STATUS_ONHOLD},
    {"FINISHED", CALL_STATUS_FINISHED},
    {"MISSED", CALL_STATUS_MISSED},
    {"REFUSED", CALL_STATUS_REFUSED},
    {"BUSY", CALL_STATUS_BUSY},
    {"CANCELLED", CALL_STATUS_CANCELLED},
};

int CodeOf(const QString& upperWord, std::span<const StatusWord> words)
{
    for (const StatusWord& entry : words) {
        if (upperWord == QLatin1String(entry.word))
            return entry.code;
    }
    return 0;
}

// White space as the C library's wide test sees it: unlike QChar::isSpace it takes no-break
// spaces for part of a word.
bool IsWideSpace(QChar c)
{
    return std::iswspace(wint_t(c.unicode())) != 0;
}

qsizetype SkipWideSpace(QStringView text, qsizetype from)
{
    while (from < text.size() && IsWideSpace(text[from]))
        ++from;
    return from;
}

QString TrimWide(QStringView text)
{
    const qsizetype begin = SkipWideSpace(text, 0);
    qsizetype end = text.size();
    while (end > begin && IsWideSpace(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin).toString();
}

// The decimal number at the start of text as wcstol reads it (white space, a sign, digits);
// 0 when there is none. Saturates rather than overflowing on endless digits.
int LeadingNumber(QStringView text)
{
    qsizetype i = SkipWideSpace(text, 0);
    const bool negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    constexpr qint64 kLimit = std::numeric_limits<int>::max();
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min(kLimit, value * 10 + (text[i].unicode() - u'0'));
    return int(negative ? -value : value);
}

// A call slot, -1 for none, as wParam: -1 travels with every bit set, so the receiver's
// int(LPARAM(wParam)) gives -1 back.
WPARAM SlotParam(int slot)
{
    return WPARAM(LPARAM(slot));
}

QString CallQuery(const QString& id, const char* property)
{
    return QStringLiteral("get call ") + id + u' ' + QLatin1String(property);
}

QString Quoted(const QString& text)
{
    return u'"' + text + u'"';
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

CSkypeClient* CSkypeClient::CreateInstance(HWND notifyWnd, const SkypeClientTimings& timings)
{
    if (!s_pInstance) {
        s_pInstance = new CSkypeClient(timings);
        s_pInstance->m_hNotifyWnd = notifyWnd;
    }
    return s_pInstance;
}

void CSkypeClient::DestroyInstance()
{
    if (!s_pInstance)
        return;
    // Stopped while still the instance, so the hidden window's last message finds it.
    s_pInstance->Stop();
    delete s_pInstance; // clears s_pInstance
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

bool CSkypeClient::QueueCommand(const QString& text)
{
    return m_pQueue->Push(text);
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
    const QString trimmed = TrimWide(text);
    const qsizetype space = trimmed.indexOf(u' ');
    if (space < 0)
        return;
    const QString word = trimmed.first(space).toLower();
    const QString rest = TrimWide(QStringView(trimmed).sliced(space + 1));
    if (word == QLatin1String("users")) {
        // Only the answer to our own "search friends".
        if (m_bFriendsRequested)
            ParseUsers(rest);
    } else if (word == QLatin1String("user")) {
        ParseUser(rest);
    } else if (word == QLatin1String("connstatus")) {
        ParseUserStatus(rest, true);
    } else if (word == QLatin1String("userstatus")) {
        ParseUserStatus(rest, false);
    } else if (word == QLatin1String("currentuserhandle")) {
        m_strCurrentUserHandle = rest;
        PostNotify(WM_SKYPE_CURRENTUSER);
    } else if (word == QLatin1String("skypeversion")) {
        m_strSkypeVersion = rest;
        PostNotify(WM_SKYPE_VERSION);
    } else if (word == QLatin1String("call")) {
        ParseCall(rest);
    }
    // "error" and any other word: nothing to do.
}

// "h, h, h": one pass over the list, so a long answer costs no more than its length.
void CSkypeClient::ParseUsers(const QString& rest)
{
    const QStringView list(rest);
    const QStringView separator(u", ");
    qsizetype from = 0;
    for (qsizetype at = list.indexOf(separator); at >= 0; at = list.indexOf(separator, from)) {
        LearnContact(list.sliced(from, at - from).toString());
        from = SkipWideSpace(list, at + 1);
    }
    LearnContact(list.sliced(from).toString());
}

// "h property value"
void CSkypeClient::ParseUser(const QString& rest)
{
    const qsizetype space = rest.indexOf(u' ');
    if (space < 0)
        return;
    ParseUserProperty(rest.first(space), TrimWide(QStringView(rest).sliced(space + 1)));
    RestartContactsTimer();
}

void CSkypeClient::ParseUserProperty(const QString& h, const QString& tail)
{
    const qsizetype space = tail.indexOf(u' ');
    if (space < 0) {
        // A FULLNAME answer without a name: the handle stands for it.
        if (tail.toUpper() == QLatin1String("FULLNAME") && !m_pCalls->IsCallPartner(h))
            m_pContacts->SetFullName(h, h);
        return;
    }
    const QString property = tail.first(space).toUpper();
    const QString value = TrimWide(QStringView(tail).sliced(space + 1));
    if (property == QLatin1String("FULLNAME")) {
        if (h != m_strCurrentUserHandle && !m_pCalls->IsCallPartner(h))
            m_pContacts->SetFullName(h, value);
    } else if (property == QLatin1String("BUDDYSTATUS")) {
        const int buddyStatus = LeadingNumber(value);
        if (buddyStatus == 1) // no longer a friend
            m_pContacts->RemoveContact(h);
        else if (buddyStatus == 2 || buddyStatus == 3)
            LearnContact(h);
    }
}

void CSkypeClient::ParseUserStatus(const QString& rest, bool connection)
{
    const int code = CodeOf(rest.toUpper(), kUserStatusWords);
    // Signed out of Skype: nothing can be delivered until the next attach. The queue closes
    // as on any detach, so new commands are refused at once (not taken by the sender, failed
    // against a signed-out Skype and dropped, spending the retry budget) and those already
    // queued wait for the attach.
    if (connection && code == USER_STATUS_LOGGEDOUT)
        Detach();
    PostNotify(WM_SKYPE_USERSTATUS, WPARAM(code));
}

// "id property value"
void CSkypeClient::ParseCall(const QString& rest)
{
    const qsizetype first = rest.indexOf(u' ');
    if (first < 0)
        return;
    const qsizetype second = rest.indexOf(u' ', first + 1);
    if (second < 0)
        return;
    const QString id = rest.first(first);
    const QString property = rest.sliced(first + 1, second - first - 1).toUpper();
    const QString value = rest.sliced(second + 1);
    if (property == QLatin1String("STATUS"))
        OnCallStatus(id, value);
    else if (property == QLatin1String("PARTNER_HANDLE"))
        OnCallPartner(id, value);
    else if (property == QLatin1String("DTMF"))
        OnCallDtmf(id, value);
    else if (property == QLatin1String("DURATION"))
        QueryCallDetails(id);
    else if (property == QLatin1String("CONF_PARTICIPANTS_COUNT"))
        OnCallConfParticipantsCount(id, value);
    else if (property == QLatin1String("TYPE"))
        OnCallType(value);
    // Other properties, the answers to our target_identity and conf_participant queries among
    // them: nothing to do.
}

void CSkypeClient::OnCallStatus(const QString& id, const QString& value)
{
    const int code = CodeOf(value.toUpper(), kCallStatusWords);
    if (code == CALL_STATUS_ROUTING || code == CALL_STATUS_RINGING) {
        GetCallType(id);
    } else if (code == CALL_STATUS_INPROGRESS) {
        GetCallType(id);
        GetCallTargetIdentity(id);
        GetCallPartnerHandle(id);
    }
    const int slot = m_pCalls->UpdateCallStatus(id, code);
    PostNotify(WM_SKYPE_CALL, SlotParam(slot), kCallStatusChanged);
}

void CSkypeClient::OnCallPartner(const QString& id, const QString& h)
{
    m_pPartners->SetPartner(id, h);
    const int slot = m_pCalls->SetCallPartner(id, h);
    LearnContact(h);
    PostNotify(WM_SKYPE_CALL, SlotParam(slot), kCallPartnerLearnt);
}

void CSkypeClient::OnCallDtmf(const QString& id, const QString& value)
{
    const QString tone = TrimWide(value);
    if (tone.size() != 1)
        return;
    const int slot = m_pCalls->FindOrAddCall(id);
    PostNotify(WM_SKYPE_DTMF, SlotParam(slot), LPARAM(tone.at(0).unicode()));
}

void CSkypeClient::OnCallConfParticipantsCount(const QString& id, const QString& value)
{
    if (m_pCalls->CountCalls() == 0)
        return;
    if (LeadingNumber(value) >= 2) {
        GetCallConfParticipant(id, QStringLiteral("0"));
        GetCallConfParticipant(id, QStringLiteral("1"));
    }
}

void CSkypeClient::OnCallType(const QString& value)
{
    if (value.compare(QLatin1String("incoming_p2p"), Qt::CaseInsensitive) == 0) {
        PostNotify(WM_SKYPE_INCOMING_P2P);
        m_bIncomingCall = true;
    } else if (value.compare(QLatin1String("incoming_pstn"), Qt::CaseInsensitive) == 0) {
        PostNotify(WM_SKYPE_INCOMING_PSTN);
        m_bIncomingCall = true;
    } else {
        m_bIncomingCall = false;
    }
}

void CSkypeClient::LearnContact(const QString& h)
{
    // ", ," in a users answer names no one.
    if (h.isEmpty())
        return;
    m_pContacts->AddContact(h);
    GetUserFullName(h);
}

void CSkypeClient::Reset()
{
    m_pCalls->Clear();
    m_bIncomingCall = false;
}

void CSkypeClient::GetCallStatus(const QString& id)
{
    QueueCommand(CallQuery(id, "status"));
}

void CSkypeClient::GetCallPartnerHandle(const QString& id)
{
    QueueCommand(CallQuery(id, "partner_handle"));
}

void CSkypeClient::GetCallType(const QString& id)
{
    QueueCommand(CallQuery(id, "type"));
}

void CSkypeClient::GetCallTargetIdentity(const QString& id)
{
    QueueCommand(CallQuery(id, "target_identity"));
}

void CSkypeClient::GetCallConfParticipantsCount(const QString& id)
{
    QueueCommand(CallQuery(id, "conf_participants_count"));
}

void CSkypeClient::GetCallConfParticipant(const QString& id, const QString& n)
{
    QueueCommand(CallQuery(id, "conf_participant") + u' ' + n);
}

void CSkypeClient::GetUserFullName(const QString& h)
{
    const QString handle = TrimWide(h);
    if (!handle.isEmpty())
        QueueCommand(QStringLiteral("get user ") + handle + QStringLiteral(" fullname"));
}

bool CSkypeClient::SetCaptureMic(const QString& id, const QString& port)
{
    return QueueCommand(QStringLiteral("alter call ") + id +
                        QStringLiteral(" set_capture_mic port=") + Quoted(port));
}

bool CSkypeClient::SetOutput(const QString& id, const QString& port)
{
    return QueueCommand(
        QStringLiteral("alter call ") + id + QStringLiteral(" set_output soundcard=") +
        Quoted(QStringLiteral("default")) + QStringLiteral(" port=") + Quoted(port));
}

void CSkypeClient::QueryCallDetails(const QString& id)
{
    // Only while no call is known: a call already in the table is followed by its own texts.
    if (m_pCalls->CountCalls() != 0)
        return;
    GetCallPartnerHandle(id);
    GetCallType(id);
    GetCallStatus(id);
    GetCallConfParticipantsCount(id);
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

void CSkypeClient::PostNotify(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Nothing is posted while there is no notify window.
    PostMessage(m_hNotifyWnd, message, wParam, lParam);
}

void CSkypeClient::SenderThread()
{
    pthread_setname_np(pthread_self(), "skype-sender");
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
