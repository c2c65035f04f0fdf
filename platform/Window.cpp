#include "Window.h"

namespace ovento {

Window::Window() = default;
Window::~Window() = default;

bool PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!window)
        return false;
    return QMetaObject::invokeMethod(
        &window->m_queueAnchor,
        [window, message, wParam, lParam] { window->WindowProc(message, wParam, lParam); },
        Qt::QueuedConnection);
}

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return window ? window->WindowProc(message, wParam, lParam) : 0;
}

} // namespace ovento
