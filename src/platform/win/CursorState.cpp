#include "platform/win/CursorState.h"

#include <SDL.h>

#include "platform/win/DisplayScale.h"
#include "platform/win/IconImage.h"
#include "platform/win/WindowLayer.h"
#include "platform/win/WindowObject.h"
#include "platform/win/WindowRegistry.h"

namespace {
bool VideoUp() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

// Screen position of a window's top left corner, in logical units (Wayland
// tells no position: SDL says 0, 0).
POINT WindowOrigin(HWND window) {
    int x = 0;
    int y = 0;
    if (window != nullptr && window->m_pSdlWindow != nullptr) {
        SDL_GetWindowPosition(window->m_pSdlWindow, &x, &y);
    }
    return POINT{win::FromSdlUnits(window, x), win::FromSdlUnits(window, y)};
}

// Screen position of a window's client origin.
POINT ClientOrigin(HWND window) {
    POINT origin = WindowOrigin(window);
    origin.y += win::MenuStripHeight(window);
    return origin;
}

SDL_Cursor* CreateSdlCursor(HCURSOR cursor) {
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, cursor->m_nWidth, cursor->m_nHeight, 32, SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr) {
        return nullptr;
    }
    auto* pixels = static_cast<Uint32*>(surface->pixels);
    int pitch = surface->pitch / 4;
    for (int y = 0; y < cursor->m_nHeight; ++y) {
        for (int x = 0; x < cursor->m_nWidth; ++x) {
            int i = y * cursor->m_nWidth + x;
            Uint32 value = 0;
            if (!cursor->m_color.empty()) {
                value = cursor->m_color[i];
            } else if (cursor->m_andMask[i] == 0) {
                value = cursor->m_xorMask[i] != 0 ? 0xFFFFFFFFu : 0xFF000000u;
            }
            pixels[y * pitch + x] = value;
        }
    }
    SDL_Cursor* sdlCursor =
        SDL_CreateColorCursor(surface, static_cast<int>(cursor->m_dwHotspotX), static_cast<int>(cursor->m_dwHotspotY));
    SDL_FreeSurface(surface);
    return sdlCursor;
}
}  // namespace

CursorState& CursorState::Instance() {
    static CursorState state;
    return state;
}

HWND CursorState::SetCapture(HWND window) {
    HWND previous = m_hCapture;
    m_hCapture = window;
    if (VideoUp()) {
        SDL_CaptureMouse(window != nullptr ? SDL_TRUE : SDL_FALSE);
    }
    return previous;
}

void CursorState::ReleaseCapture() {
    m_hCapture = nullptr;
    if (VideoUp()) {
        SDL_CaptureMouse(SDL_FALSE);
    }
}

bool CursorState::Clip(const RECT* screenRect) {
    if (m_hClipWindow != nullptr && IsWindow(m_hClipWindow) && m_hClipWindow->m_pSdlWindow != nullptr) {
        SDL_SetWindowMouseRect(m_hClipWindow->m_pSdlWindow, nullptr);
    }
    m_hClipWindow = nullptr;
    if (screenRect == nullptr) {
        m_bClipped = false;
        return true;
    }
    m_bClipped = true;
    m_clip = *screenRect;
    // SDL confines the pointer per window: use the window the rectangle lies on.
    HWND window = WindowRegistry::Instance().FirstSdlWindow();
    if (window != nullptr) {
        const POINT origin = WindowOrigin(window);
        SDL_Rect rect{win::ToSdlUnits(window, screenRect->left - origin.x),
                      win::ToSdlUnits(window, screenRect->top - origin.y),
                      win::ToSdlUnits(window, screenRect->right - screenRect->left),
                      win::ToSdlUnits(window, screenRect->bottom - screenRect->top)};
        SDL_SetWindowMouseRect(window->m_pSdlWindow, &rect);
        m_hClipWindow = window;
    }
    return true;
}

bool CursorState::ClipRect(RECT* rect) const {
    if (!m_bClipped) {
        return false;
    }
    *rect = m_clip;
    return true;
}

int CursorState::Show(bool show) {
    m_nShowCount += show ? 1 : -1;
    ApplyVisibility();
    return m_nShowCount;
}

HCURSOR CursorState::SetShape(HCURSOR cursor) {
    HCURSOR previous = m_hCursor;
    m_bShapeSet = true;
    if (cursor != m_hCursor) {
        m_hCursor = cursor;
        if (m_pSdlCursor != nullptr) {
            SDL_FreeCursor(m_pSdlCursor);
            m_pSdlCursor = nullptr;
        }
        if (cursor != nullptr && VideoUp()) {
            m_pSdlCursor = CreateSdlCursor(cursor);
            if (m_pSdlCursor != nullptr) {
                SDL_SetCursor(m_pSdlCursor);
            }
        }
    }
    ApplyVisibility();
    return previous;
}

void CursorState::ApplyVisibility() {
    if (!VideoUp()) {
        return;
    }
    bool visible = m_nShowCount >= 0 && (m_hCursor != nullptr || !m_bShapeSet);
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void CursorState::Forget(HWND window) {
    if (m_hCapture == window) {
        ReleaseCapture();
    }
    if (m_hClipWindow == window) {
        if (window->m_pSdlWindow != nullptr) {
            SDL_SetWindowMouseRect(window->m_pSdlWindow, nullptr);
        }
        m_hClipWindow = nullptr;
    }
}

HWND SetCapture(HWND window) {
    if (window != nullptr && !IsWindow(window)) {
        return nullptr;
    }
    return CursorState::Instance().SetCapture(window);
}

BOOL ReleaseCapture() {
    CursorState::Instance().ReleaseCapture();
    return TRUE;
}

HWND GetCapture() {
    return CursorState::Instance().Capture();
}

BOOL GetCursorPos(LPPOINT point) {
    if (point == nullptr) {
        return FALSE;
    }
    *point = CursorState::Instance().Position();
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    CursorState::Instance().TrackPosition(POINT{x, y});
    if (VideoUp()) {
        // Wayland lets no client place the pointer; SDL says so and does nothing.
        HWND window = WindowRegistry::Instance().FirstSdlWindow();
        SDL_WarpMouseGlobal(win::ToSdlUnits(window, x), win::ToSdlUnits(window, y));
    }
    return TRUE;
}

BOOL ScreenToClient(HWND window, LPPOINT point) {
    if (!IsWindow(window) || point == nullptr) {
        return FALSE;
    }
    POINT origin = ClientOrigin(window);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

BOOL ClientToScreen(HWND window, LPPOINT point) {
    if (!IsWindow(window) || point == nullptr) {
        return FALSE;
    }
    POINT origin = ClientOrigin(window);
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

BOOL ClipCursor(LPCRECT rect) {
    return CursorState::Instance().Clip(rect) ? TRUE : FALSE;
}

BOOL GetClipCursor(LPRECT rect) {
    if (rect == nullptr) {
        return FALSE;
    }
    if (!CursorState::Instance().ClipRect(rect)) {
        // Unclipped: the whole desktop.
        SDL_Rect bounds{0, 0, 0, 0};
        if (VideoUp()) {
            SDL_GetDisplayBounds(0, &bounds);
        }
        HWND window = VideoUp() ? WindowRegistry::Instance().FirstSdlWindow() : nullptr;
        *rect = RECT{win::FromSdlUnits(window, bounds.x), win::FromSdlUnits(window, bounds.y),
                     win::FromSdlUnits(window, bounds.x + bounds.w), win::FromSdlUnits(window, bounds.y + bounds.h)};
    }
    return TRUE;
}

int ShowCursor(BOOL show) {
    return CursorState::Instance().Show(show != FALSE);
}

HCURSOR SetCursor(HCURSOR cursor) {
    return CursorState::Instance().SetShape(cursor);
}

HCURSOR GetCursor() {
    return CursorState::Instance().Shape();
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    // Only the system arrow exists; the program has no cursor resources.
    if (instance == nullptr && name == IDC_ARROW) {
        return IconImage::Arrow();
    }
    return nullptr;
}

HICON LoadIconA(HINSTANCE /*instance*/, LPCSTR name) {
    // The program module is the only module: its icon 101 also stands in for
    // the stock application icon.
    constexpr WORD kAppIcon = 101;
    if (name == MAKEINTRESOURCEA(kAppIcon) || name == IDI_APPLICATION) {
        return IconImage::AppIcon();
    }
    return nullptr;
}

BOOL DestroyCursor(HCURSOR cursor) {
    // Shared resource images are never freed.
    return cursor != nullptr ? TRUE : FALSE;
}

BOOL DestroyIcon(HICON icon) {
    return icon != nullptr ? TRUE : FALSE;
}
