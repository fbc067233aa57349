#include "platform/win/WindowObject.h"

#include "platform/win/MenuOverlay.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/WindowRegistry.h"

HWND__::HWND__() = default;
HWND__::~HWND__() = default;

BOOL IsWindow(HWND window) {
    return WindowRegistry::Instance().Contains(window) ? TRUE : FALSE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(window) || window->procedure == nullptr) {
        return 0;
    }
    return window->procedure(window, message, wParam, lParam);
}

namespace win {
HWND CreateWindowObject(WNDPROC procedure) {
    auto* window = new HWND__;
    window->procedure = procedure;
    WindowRegistry::Instance().Add(window);
    return window;
}

void DestroyWindowObject(HWND window) {
    if (window == nullptr) {
        return;
    }
    WindowRegistry::Instance().Remove(window);
    MessageQueue::Instance().Forget(window);
    delete window;
}
}  // namespace win
