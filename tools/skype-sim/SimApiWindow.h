#pragma once

#include "SimAnswers.h"
#include "SimLog.h"
#include "platform/BusWindow.h"

#include <QObject>
#include <QString>
#include <deque>
#include <optional>

namespace ovento::sim {

// Skype's one API window on the bus: announces itself, answers Discover with the configured
// Attach status, takes each command as a WM_COPYDATA answered 1 at once, and delivers the
// answers afterwards, in order, as WM_COPYDATA sends that never wait.
class SimApiWindow
{
public:
    SimApiWindow(SimAnswers& answers, SimLog& log, std::optional<long long> attachStatus);

    bool IsValid() const { return m_window.IsValid(); }
    BusHandle Handle() const { return m_window.Handle(); }
    // Broadcasts Attach 0x8001, as Skype does when it starts.
    void Announce();

private:
    struct Delivery
    {
        BusHandle client;
        QString text;
    };

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    void OnDiscover(BusHandle client);
    void OnCommand(BusHandle client, const COPYDATASTRUCT& copy);
    void DeliverPending();

    SimAnswers& m_answers;
    SimLog& m_log;
    const std::optional<long long> m_attachStatus;
    const UINT m_uAttachMsg;
    const UINT m_uDiscoverMsg;
    std::deque<Delivery> m_pending;
    QObject m_deliveryAnchor; // deliveries are queued on it, so none outlives the window
    BusWindow m_window;
};

} // namespace ovento::sim
