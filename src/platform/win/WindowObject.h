// The object behind an HWND. Private to the window layer.
#pragma once

#include <memory>

#include "platform/win/WinUser.h"

struct SDL_Window;
class MenuOverlay;

struct HWND__ {
    WNDPROC procedure = nullptr;
    // Set for windows that are real SDL windows with a GL context.
    SDL_Window* m_pSdlWindow = nullptr;
    void* m_pGlContext = nullptr;
    // The X id of an adopted window of another program (HostWindow.h), 0
    // for the program's own windows.
    unsigned long m_iHostId = 0;
    // The X id of a window of the program's own whose visibility the X
    // server reports (WindowVisibility.h), else 0.
    unsigned long m_iXWindow = 0;

    // Window layer state.
    DWORD m_dwStyle = 0;
    DWORD m_dwExStyle = 0;
    HMENU m_hMenu = nullptr;
    HCURSOR m_hClassCursor = nullptr;
    HICON m_hClassIcon = nullptr;
    // Device pixels per logical unit (DisplayScale.h): the window's
    // coordinates as the program sees them are logical, its drawable is not.
    int m_iScale = 1;
    // SDL counts this window in points (Wayland), so its SDL sizes and
    // pointer positions are logical already; elsewhere they are pixels.
    bool m_bSdlPoints = false;
    // A WM_PAINT is due (exposed, or shown for the first time).
    bool m_bNeedsPaint = false;
    // Covered whole by other windows, as the window system reported last
    // (WindowVisibility.h).
    bool m_bObscured = false;
    // Menus, popups and window-DC pictures drawn with Dear ImGui; only
    // windows made by CreateWindowExA have one.
    std::unique_ptr<MenuOverlay> m_pOverlay;

    HWND__();
    ~HWND__();
    HWND__(const HWND__&) = delete;
    HWND__& operator=(const HWND__&) = delete;
};
