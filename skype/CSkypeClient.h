#pragma once

#include "platform/BusWindow.h"
#include "platform/Event.h"
#include "platform/Window.h"

#include <QString>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace ovento {

class CCallPartnerMap;
class CCallTable;
class CContactList;
class CSkypeCommandQueue;

// The client's intervals. Tests pass shorter ones; the program uses these.
struct SkypeClientTimings
{
    std::chrono::milliseconds ping{30000};    // keep-alive tick
    std::chrono::milliseconds contacts{1000}; // quiet time after the last USER text
    std::chrono::milliseconds idlePoll{500};  // sender: queue empty or disabled
    std::chrono::milliseconds retryDelay{50}; // sender: before delivering a failed text again
    std::chrono::milliseconds commandGap{10}; // sender: after each delivery
};

// The program's one connection to Skype: a hidden bus window for the attach handshake and
// Skype's texts, a keep-alive, and a sender thread that delivers queued commands. A
// process-wide singleton living on the main thread; only the sender thread runs elsewhere.
class CSkypeClient
{
public:
    // Creates the client when there is none, then starts it (every time).
    static CSkypeClient* GetInstance(HWND notifyWnd, const SkypeClientTimings& timings = {});
    // The client if one exists, without creating it.
    static CSkypeClient* ExistingInstance();
    // Creates the client when there is none, without starting it: it parses texts and posts
    // to notifyWnd, but has no bus window and no sender thread until Start. An existing
    // client is returned as it is.
    static CSkypeClient* CreateInstance(HWND notifyWnd, const SkypeClientTimings& timings = {});
    // Stops and deletes the client with its companion singletons, when there is one.
    static void DestroyInstance();

    // Stops the client if it still runs and deletes its companion singletons: the command
    // queue, the call table, the contact list and the call-partner map.
    ~CSkypeClient();
    CSkypeClient(const CSkypeClient&) = delete;
    CSkypeClient& operator=(const CSkypeClient&) = delete;

    // Publishes the hidden window, starts the sender thread and broadcasts Discover. True
    // when running (also when it already was).
    bool Start(HWND notifyWnd);
    // Ends the sender thread, even one waiting on Skype, and withdraws the hidden window.
    void Stop();

    // Dropped while Skype has not accepted the attach, and when empty: false then.
    bool QueueCommand(const QString& text);
    void BroadcastDiscover();
    void OnAttached();
    void Detach();
    // Delivers one command to Skype; sender thread only. 0 when it was not delivered.
    int SendCommand(const QString& text);

    bool IsAttached() const { return m_bAttached; }
    // The hidden window on the bus, Null while not running.
    BusHandle GetWindowHandle() const { return m_hWnd; }

    // Every text from Skype except the keep-alive answer, as received; main thread only.
    // Updates the user, call and contact state, queues the follow-up queries and posts what
    // changed to the notify window. Malformed texts are ignored.
    void ParseMessage(const QString& text);
    // Posts WM_SKYPE_CONTACTS once the contacts interval passed without another restart, so a
    // burst of USER texts yields one message.
    void RestartContactsTimer();

    // Forgets the calls (the main window's call once no call is active any more).
    void Reset();
    QString GetCurrentUserHandle() const { return m_strCurrentUserHandle; }
    // Whether the last TYPE answer named an incoming call.
    bool IsIncomingCall() const { return m_bIncomingCall; }
    QString GetSkypeVersion() const { return m_strSkypeVersion; }

    // Command builders: each queues one command text for Skype (dropped while the queue is
    // disabled). id is a call id, h a user handle.
    void GetCallStatus(const QString& id);
    void GetCallPartnerHandle(const QString& id);
    void GetCallType(const QString& id);
    void GetCallTargetIdentity(const QString& id);
    void GetCallConfParticipantsCount(const QString& id);
    void GetCallConfParticipant(const QString& id, const QString& n);
    // Nothing for a handle that is empty once trimmed.
    void GetUserFullName(const QString& h);
    // Redirect the call's microphone, or its far side, to a local port. True when the
    // command was queued.
    bool SetCaptureMic(const QString& id, const QString& port);
    bool SetOutput(const QString& id, const QString& port);
    // Asks about a call only while no call is known: partner, type, status, participants.
    void QueryCallDetails(const QString& id);

private:
    explicit CSkypeClient(const SkypeClientTimings& timings);

    static LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCopyData(BusHandle from, const COPYDATASTRUCT& copy);
    void OnAttachMessage(BusHandle skypeWnd, LPARAM status);
    void OnPingTimer();
    void OnContactsTimer();
    void RestartPingTimer();
    void PostNotify(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    void SenderThread();
    void DeliverWithRetries(const QString& text);
    void SenderSleep(std::chrono::milliseconds duration);

    const SkypeClientTimings m_timings;

    // Transport.
    HWND m_hNotifyWnd = nullptr;
    std::unique_ptr<BusWindow> m_pWindow;
    std::atomic<BusHandle> m_hWnd{BusHandle::Null};
    std::atomic<BusHandle> m_hSkypeWnd{BusHandle::Null};
    QString m_szClassName;
    UINT m_uAttachMsg = 0;
    UINT m_uDiscoverMsg = 0;
    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bAttached{false};
    bool m_bRediscovering = false;
    bool m_bPongReceived = false;
    std::atomic<bool> m_bStop{false};
    int m_nMissedPongs = 0;
    QTimer m_pingTimer;
    QTimer m_contactsTimer;
    Event m_hAttachedEvent{Event::Mode::AutoReset};
    // Set by Stop: wakes the sender's sleeps and ends a delivery still waiting on Skype.
    Event m_hStopEvent{Event::Mode::ManualReset};
    std::thread m_hSenderThread;
    CSkypeCommandQueue* m_pQueue = nullptr;
    CCallTable* m_pCalls = nullptr;
    CContactList* m_pContacts = nullptr;
    CCallPartnerMap* m_pPartners = nullptr;

    // Parser.
    void ParseUsers(const QString& rest);
    void ParseUser(const QString& rest);
    void ParseUserProperty(const QString& h, const QString& tail);
    void ParseUserStatus(const QString& rest, bool connection);
    void ParseCall(const QString& rest);
    void OnCallStatus(const QString& id, const QString& value);
    void OnCallPartner(const QString& id, const QString& h);
    void OnCallDtmf(const QString& id, const QString& value);
    void OnCallConfParticipantsCount(const QString& id, const QString& value);
    void OnCallType(const QString& value);
    // A friend or partner: kept in the contact list, and its full name asked for.
    void LearnContact(const QString& h);

    QString m_strCurrentUserHandle;
    bool m_bIncomingCall = false;
    bool m_bFriendsRequested = false;
    QString m_strSkypeVersion;
};

} // namespace ovento
