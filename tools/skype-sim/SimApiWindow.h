#pragma once

#include "SimAnswers.h"
#include "SimLog.h"
#include "platform/BusWindow.h"

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

namespace ovento::sim {

// Skype's one API window on the bus: announces itself, answers Discover with the configured
// Attach status, takes each command as a WM_COPYDATA answered 1 at once, and delivers the
// answers and notifications afterwards, in order, as WM_COPYDATA sends that never wait.
// Logs "attach <client> <status>", "recv <command>" and "send <text>".
class SimApiWindow
{
public:
    using CommandListener = std::function<void(const QString& command)>;
    using AttachListener = std::function<void()>;

    SimApiWindow(SimAnswers& answers, SimLog& log, std::optional<long long> attachStatus);
    ~SimApiWindow();

    bool IsValid() const { return m_window.IsValid(); }
    BusHandle Handle() const { return m_window.Handle(); }
    // Broadcasts Attach 0x8001, as Skype does when it starts.
    void Announce();
    // Told of each command after it has been answered, and of each successful attach.
    void SetListeners(CommandListener onCommand, AttachListener onAttach);
    // Sends the text to every client attached so far, after everything queued before it.
    void Notify(const QString& text);
    // Calls done on this thread once everything queued so far has left through the bus, so
    // the process may end without losing a text.
    void Flush(std::function<void()> done);

private:
    struct Delivery
    {
        BusHandle client;
        QString text;
    };

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    void OnDiscover(BusHandle client);
    void OnCommand(BusHandle client, const COPYDATASTRUCT& copy);
    void Queue(BusHandle client, const QString& text);
    void DeliverPending();

    SimAnswers& m_answers;
    SimLog& m_log;
    const std::optional<long long> m_attachStatus;
    const UINT m_uAttachMsg;
    const UINT m_uDiscoverMsg;
    const UINT m_uFlushMsg;
    CommandListener m_onCommand;
    AttachListener m_onAttach;
    std::vector<BusHandle> m_attachedClients;
    std::deque<Delivery> m_pending;
    std::thread m_flusher;
    QObject m_deliveryAnchor; // deliveries are queued on it, so none outlives the window
    BusWindow m_window;
};

} // namespace ovento::sim
