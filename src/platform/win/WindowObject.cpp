#include "platform/win/WindowObject.h"

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == nullptr || window->procedure == nullptr) {
        return 0;
    }
    return window->procedure(window, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND /*window*/, UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}

namespace win {
HWND CreateWindowObject(WNDPROC procedure) {
    auto* window = new HWND__;
    window->procedure = procedure;
    return window;
}

void DestroyWindowObject(HWND window) {
    delete window;
}
}  // namespace win
