// Window classes and windows over SDL windows with a GL context.
#include <SDL.h>

#include <strings.h>
#include <array>
#include <cstring>
#include <string>

#include "platform/win/CursorState.h"
#include "platform/win/DisplayScale.h"
#include "platform/win/GlWindow.h"
#include "platform/win/HostWindow.h"
#include "platform/win/IconImage.h"
#include "platform/win/Menu.h"
#include "platform/win/MenuOverlay.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/WindowLayer.h"
#include "platform/win/WindowObject.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowVisibility.h"

namespace {
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

struct WindowClass {
    WNDCLASSA m_class{};
    std::string m_strName;
};

std::array<WindowClass, 8> g_classes;

WindowClass* FindClass(LPCSTR name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (WindowClass& entry : g_classes) {
        if (!entry.m_strName.empty() && strcasecmp(entry.m_strName.c_str(), name) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

void SetSdlIcon(SDL_Window* sdlWindow, HICON icon) {
    if (icon == nullptr || icon->m_color.empty()) {
        return;
    }
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(icon->m_color.data()), icon->m_nWidth,
                                           icon->m_nHeight, 32, icon->m_nWidth * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface != nullptr) {
        SDL_SetWindowIcon(sdlWindow, surface);
        SDL_FreeSurface(surface);
    }
}

// Asks the procedure for the tracking limits and makes the minimum the SDL
// window's minimum size.
void ApplyMinMaxInfo(HWND window) {
    if (window->m_iHostId != 0) {
        return;  // its owner decides its size
    }
    MINMAXINFO info{};
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window->m_pSdlWindow, &width, &height);
    info.ptMaxSize = POINT{win::FromSdlUnits(window, width), win::FromSdlUnits(window, height)};
    info.ptMinTrackSize = POINT{1, 1};
    info.ptMaxTrackSize = POINT{16384, 16384};
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    if (info.ptMinTrackSize.x > 0 && info.ptMinTrackSize.y > 0) {
        SDL_SetWindowMinimumSize(window->m_pSdlWindow, win::ToSdlUnits(window, info.ptMinTrackSize.x),
                                 win::ToSdlUnits(window, info.ptMinTrackSize.y));
    }
}

// Wayland gives a window no place on a desktop of its own choosing: a move
// there is left to the compositor.
void MoveSdlWindow(HWND window, int x, int y) {
    if (!window->m_bSdlPoints) {
        SDL_SetWindowPosition(window->m_pSdlWindow, win::ToSdlUnits(window, x), win::ToSdlUnits(window, y));
    }
}
}  // namespace

namespace win {
int MenuStripHeight(HWND window) {
    if (!IsWindow(window) || window->m_pSdlWindow == nullptr || !MenuStore::Instance().IsMenu(window->m_hMenu)) {
        return 0;
    }
    if ((SDL_GetWindowFlags(window->m_pSdlWindow) & SDL_WINDOW_FULLSCREEN) != 0) {
        return 0;
    }
    return kMenuStripHeight;
}

// Called by the event translation when the window system resized a window.
void RefreshMinimumSize(HWND window) {
    if (IsWindow(window) && window->m_pSdlWindow != nullptr) {
        ApplyMinMaxInfo(window);
    }
}
}  // namespace win

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    static char s_module = 0;
    return moduleName == nullptr ? static_cast<HMODULE>(&s_module) : nullptr;
}

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr ||
        FindClass(windowClass->lpszClassName) != nullptr) {
        return 0;
    }
    for (std::size_t i = 0; i < g_classes.size(); ++i) {
        if (g_classes[i].m_strName.empty()) {
            g_classes[i].m_class = *windowClass;
            g_classes[i].m_strName = windowClass->lpszClassName;
            g_classes[i].m_class.lpszClassName = g_classes[i].m_strName.c_str();
            return static_cast<ATOM>(0xC000 + i);
        }
    }
    return 0;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE /*instance*/) {
    WindowClass* entry = FindClass(className);
    if (entry == nullptr) {
        return FALSE;
    }
    *entry = WindowClass{};
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND /*parent*/, HMENU menu, HINSTANCE /*instance*/, LPVOID /*param*/) {
    const WindowClass* entry = FindClass(className);
    if (entry == nullptr) {
        return nullptr;
    }
    if (width == CW_USEDEFAULT || width <= 0) {
        width = kDefaultWidth;
    }
    if (height == CW_USEDEFAULT || height <= 0) {
        height = kDefaultHeight;
    }
    bool visible = (style & WS_VISIBLE) != 0;
    HWND window = win::CreateGlWindow(windowName, width, height, entry->m_class.lpfnWndProc, !visible);
    if (window == nullptr) {
        return nullptr;
    }
    window->m_dwStyle = style;
    window->m_dwExStyle = exStyle;
    window->m_hMenu = MenuStore::Instance().IsMenu(menu) ? menu : nullptr;
    window->m_hClassCursor = entry->m_class.hCursor;
    window->m_hClassIcon = entry->m_class.hIcon;
    if (x != CW_USEDEFAULT && y != CW_USEDEFAULT) {
        MoveSdlWindow(window, x, y);
    }
    win::TraceWindowScale(window);
    win::WatchWindowVisibility(window);
    SetSdlIcon(window->m_pSdlWindow, window->m_hClassIcon);
    // CreateGlWindow left the window's context current, as the overlay needs.
    window->m_pOverlay = std::make_unique<MenuOverlay>(window);
    ApplyMinMaxInfo(window);
    window->m_bNeedsPaint = visible;
    return window;
}

namespace win {
HWND CreateHostedWindow(LPCSTR className, unsigned long id) {
    const WindowClass* entry = FindClass(className);
    if (entry == nullptr) {
        return nullptr;
    }
    PrepareHostWindow(id);
    HWND window = AdoptHostWindow(id, entry->m_class.lpfnWndProc);
    if (window == nullptr) {
        return nullptr;
    }
    window->m_iHostId = id;
    window->m_dwStyle = WS_VISIBLE;
    window->m_hClassCursor = entry->m_class.hCursor;
    window->m_hClassIcon = entry->m_class.hIcon;
    if (!WatchHostWindow(window)) {
        DestroyGlWindow(window);
        return nullptr;
    }
    return window;
}
}  // namespace win

BOOL DestroyWindow(HWND window) {
    if (!IsWindow(window)) {
        return FALSE;
    }
    SendMessageA(window, WM_DESTROY, 0, 0);
    if (!IsWindow(window)) {
        return TRUE;
    }
    CursorState::Instance().Forget(window);
    if (window->m_hMenu != nullptr) {
        // A menu still attached goes with its window.
        MenuStore::Instance().Destroy(window->m_hMenu);
    }
    if (window->m_pSdlWindow == nullptr) {
        win::DestroyWindowObject(window);
        return TRUE;
    }
    if (window->m_pOverlay) {
        win::MakeGlWindowCurrent(window);
        window->m_pOverlay.reset();
    }
    if (window->m_iHostId != 0) {
        win::ForgetHostedWindow(window);
    }
    win::DestroyGlWindow(window);
    return TRUE;
}

BOOL IsIconic(HWND window) {
    if (!IsWindow(window) || window->m_pSdlWindow == nullptr) {
        return FALSE;
    }
    return (SDL_GetWindowFlags(window->m_pSdlWindow) & SDL_WINDOW_MINIMIZED) != 0 ? TRUE : FALSE;
}

BOOL ShowWindow(HWND window, int command) {
    if (!IsWindow(window) || window->m_pSdlWindow == nullptr) {
        return FALSE;
    }
    if (window->m_iHostId != 0) {
        return TRUE;  // shown or hidden by its owner only
    }
    SDL_Window* sdlWindow = window->m_pSdlWindow;
    BOOL wasVisible = (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN) != 0 ? TRUE : FALSE;
    switch (command) {
        case SW_HIDE:
            SDL_HideWindow(sdlWindow);
            window->m_dwStyle &= ~WS_VISIBLE;
            return wasVisible;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
            SDL_MinimizeWindow(sdlWindow);
            break;
        case SW_MAXIMIZE:
            SDL_MaximizeWindow(sdlWindow);
            break;
        case SW_RESTORE:
            SDL_RestoreWindow(sdlWindow);
            break;
        default:
            SDL_ShowWindow(sdlWindow);
            break;
    }
    window->m_dwStyle |= WS_VISIBLE;
    if (!wasVisible) {
        window->m_bNeedsPaint = true;
    }
    return wasVisible;
}

BOOL UpdateWindow(HWND window) {
    if (!IsWindow(window)) {
        return FALSE;
    }
    if (window->m_bNeedsPaint) {
        window->m_bNeedsPaint = false;
        SendMessageA(window, WM_PAINT, 0, 0);
    }
    return TRUE;
}

BOOL InvalidateRect(HWND window, LPCRECT /*rect*/, BOOL /*erase*/) {
    if (!IsWindow(window)) {
        return FALSE;
    }
    window->m_bNeedsPaint = true;
    return TRUE;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    if (!IsWindow(window) || window->m_pSdlWindow == nullptr) {
        return FALSE;
    }
    if (window->m_iHostId != 0) {
        return TRUE;  // its owner's title stays
    }
    SDL_SetWindowTitle(window->m_pSdlWindow, text != nullptr ? text : "");
    return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD /*style*/, BOOL bMenu) {
    if (rect == nullptr) {
        return FALSE;
    }
    // The desktop draws the frame and caption outside the window; only the
    // menu strip is part of it.
    if (bMenu) {
        rect->top -= win::kMenuStripHeight;
    }
    return TRUE;
}

LONG GetWindowLongA(HWND window, int index) {
    if (!IsWindow(window)) {
        return 0;
    }
    if (index == GWL_STYLE) {
        return static_cast<LONG>(window->m_dwStyle);
    }
    if (index == GWL_EXSTYLE) {
        return static_cast<LONG>(window->m_dwExStyle);
    }
    return 0;
}

LONG SetWindowLongA(HWND window, int index, LONG value) {
    if (!IsWindow(window)) {
        return 0;
    }
    DWORD* field = nullptr;
    if (index == GWL_STYLE) {
        field = &window->m_dwStyle;
    } else if (index == GWL_EXSTYLE) {
        field = &window->m_dwExStyle;
    } else {
        return 0;
    }
    LONG previous = static_cast<LONG>(*field);
    *field = static_cast<DWORD>(value);
    return previous;
}

ULONG_PTR GetClassLongPtrA(HWND window, int index) {
    if (!IsWindow(window)) {
        return 0;
    }
    if (index == GCLP_HCURSOR) {
        return reinterpret_cast<ULONG_PTR>(window->m_hClassCursor);
    }
    if (index == GCLP_HICON) {
        return reinterpret_cast<ULONG_PTR>(window->m_hClassIcon);
    }
    return 0;
}

ULONG_PTR SetClassLongPtrA(HWND window, int index, LONG_PTR value) {
    if (!IsWindow(window)) {
        return 0;
    }
    ULONG_PTR previous = GetClassLongPtrA(window, index);
    if (index == GCLP_HCURSOR) {
        window->m_hClassCursor = reinterpret_cast<HCURSOR>(value);
    } else if (index == GCLP_HICON) {
        window->m_hClassIcon = reinterpret_cast<HICON>(value);
        if (window->m_pSdlWindow != nullptr && window->m_iHostId == 0) {
            SetSdlIcon(window->m_pSdlWindow, window->m_hClassIcon);
        }
    }
    return previous;
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
    if (!IsWindow(window) || rect == nullptr || window->m_pSdlWindow == nullptr) {
        return FALSE;
    }
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    SDL_GetWindowPosition(window->m_pSdlWindow, &x, &y);
    SDL_GetWindowSize(window->m_pSdlWindow, &width, &height);
    x = win::FromSdlUnits(window, x);
    y = win::FromSdlUnits(window, y);
    *rect = RECT{x, y, x + win::FromSdlUnits(window, width), y + win::FromSdlUnits(window, height)};
    return TRUE;
}

BOOL GetClientRect(HWND window, LPRECT rect) {
    if (!IsWindow(window) || rect == nullptr || window->m_pSdlWindow == nullptr) {
        return FALSE;
    }
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window->m_pSdlWindow, &width, &height);
    int clientHeight = win::FromSdlUnits(window, height) - win::MenuStripHeight(window);
    *rect = RECT{0, 0, win::FromSdlUnits(window, width), clientHeight > 0 ? clientHeight : 0};
    return TRUE;
}

BOOL SetWindowPos(HWND window, HWND /*insertAfter*/, int x, int y, int cx, int cy, UINT flags) {
    if (!IsWindow(window) || window->m_pSdlWindow == nullptr) {
        return FALSE;
    }
    if (window->m_iHostId != 0) {
        return TRUE;  // placed and sized by its owner only
    }
    SDL_Window* sdlWindow = window->m_pSdlWindow;
    if ((flags & SWP_NOMOVE) == 0) {
        MoveSdlWindow(window, x, y);
    }
    if ((flags & SWP_NOSIZE) == 0 && cx > 0 && cy > 0) {
        SDL_SetWindowSize(sdlWindow, win::ToSdlUnits(window, cx), win::ToSdlUnits(window, cy));
    }
    if ((flags & SWP_SHOWWINDOW) != 0) {
        ShowWindow(window, SW_SHOW);
    } else if ((flags & SWP_HIDEWINDOW) != 0) {
        ShowWindow(window, SW_HIDE);
    }
    return TRUE;
}

HWND GetForegroundWindow() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return nullptr;
    }
    return WindowRegistry::Instance().FindBySdlWindow(SDL_GetKeyboardFocus());
}

HWND GetFocus() {
    return GetForegroundWindow();
}

HWND SetFocus(HWND window) {
    HWND previous = GetFocus();
    if (IsWindow(window) && window->m_pSdlWindow != nullptr) {
        SDL_RaiseWindow(window->m_pSdlWindow);
    }
    return previous;
}
