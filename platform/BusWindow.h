#pragma once

#include "platform/Event.h"
#include "platform/Window.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace ovento {

// A window of any process on the session bus, as one word: its handle text
// "<unique bus name><object path>" interned once per process, so it can be kept, compared and
// shared between threads like any window handle. Bus messages carry it in wParam.
enum class BusHandle : std::uintptr_t
{
    Null = 0
};

// The target of SendNotifyMessage that reaches every window listening on the bus.
inline constexpr BusHandle HWND_BROADCAST{0xFFFF};

// lParam of WM_COPYDATA. The bytes are valid only while the window procedure runs.
struct COPYDATASTRUCT
{
    std::uintptr_t dwData;
    std::uint32_t cbData;
    const void* lpData;
};

// A WM_COPYDATA with more bytes is answered with 0 and never reaches a window procedure.
inline constexpr std::uint32_t kMaxCopyDataBytes = 65536;

// The handle named by text, or Null when text is not "<:unique.name></object/path>".
BusHandle BusHandleFromText(const QString& text);
// The handle's text, or an empty string for Null and unknown handles.
QString BusHandleText(BusHandle handle);

// A window that is an object on the session bus (interface org.ovento.Window1), on a bus
// connection of its own. Messages from the bus reach the procedure on the thread that created
// the window, and only when the bus name inside their wParam is their true sender's.
// Registered messages arrive with wParam = the sender's BusHandle and lParam as sent;
// WM_COPYDATA with lParam = a COPYDATASTRUCT*.
class BusWindow : public Window
{
public:
    using Procedure = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

    BusWindow(const QString& objectPath, Procedure procedure);
    ~BusWindow() override;

    // False when the window could not be published (no bus, path taken or malformed).
    bool IsValid() const { return Handle() != BusHandle::Null; }
    BusHandle Handle() const;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    class Private;
    std::unique_ptr<Private> d;
};

// Delivers the message to the window and waits for its result. It travels on the connection
// of the local window that wParam names (the sender); for WM_COPYDATA lParam is a
// COPYDATASTRUCT*. Callable from any thread that serves no window, event loop or not. The
// result is 0 on an error reply, a missing peer, the bus time-out, an unknown sender or
// message, and as soon as abort (a manual-reset event) is set, which ends a wait at once.
LRESULT SendMessage(BusHandle window, UINT message, WPARAM wParam, LPARAM lParam,
                    Event* abort = nullptr);

// The same delivery without waiting; the result is dropped. To HWND_BROADCAST it is the
// Broadcast signal, emitted from the local window that wParam names, on that window's thread
// (registered messages only). False when nothing could be sent.
bool SendNotifyMessage(BusHandle window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace ovento
