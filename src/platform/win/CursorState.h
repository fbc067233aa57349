// Mouse capture, the cursor position as the window system last reported it,
// cursor clipping, the cursor shape and its show count.
#pragma once

#include "platform/win/WinUser.h"

struct SDL_Cursor;

class CursorState {
public:
    static CursorState& Instance();

    HWND Capture() const { return m_hCapture; }
    HWND SetCapture(HWND window);
    void ReleaseCapture();

    // Screen coordinates.
    POINT Position() const { return m_position; }
    void TrackPosition(POINT screen) { m_position = screen; }

    // Null removes the clip.
    bool Clip(const RECT* screenRect);
    bool ClipRect(RECT* rect) const;

    int Show(bool show);
    HCURSOR SetShape(HCURSOR cursor);
    HCURSOR Shape() const { return m_hCursor; }

    // Forgets a window that is going away.
    void Forget(HWND window);

private:
    void ApplyVisibility();

    HWND m_hCapture = nullptr;
    POINT m_position{0, 0};
    bool m_bClipped = false;
    RECT m_clip{0, 0, 0, 0};
    HWND m_hClipWindow = nullptr;
    int m_nShowCount = 0;
    HCURSOR m_hCursor = nullptr;
    bool m_bShapeSet = false;
    SDL_Cursor* m_pSdlCursor = nullptr;
};
