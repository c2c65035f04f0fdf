#pragma once

#include "WindowMessages.h"

#include <QObject>

namespace ovento {

// An in-process window: the target of PostMessage and SendMessage. Messages are delivered
// to WindowProc on the thread that created the window, so a window can be posted to from
// any thread while it lives.
class Window
{
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    friend bool PostMessage(Window*, UINT, WPARAM, LPARAM);
    QObject m_queueAnchor; // posted messages die with it when the window goes away
};

using HWND = Window*;

// Queues the message for the window's thread and returns at once; false for a null window.
bool PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the window's WindowProc now, on the calling thread; 0 for a null window.
LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace ovento
