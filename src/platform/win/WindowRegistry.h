// Every live window of the process, so that stale handles are recognised
// and window-system events find their window.
#pragma once

#include <vector>

#include "platform/win/WinUser.h"

struct SDL_Window;

class WindowRegistry {
public:
    static WindowRegistry& Instance();

    void Add(HWND window);
    void Remove(HWND window);
    bool Contains(HWND window) const;
    HWND FindBySdlWindow(const SDL_Window* sdlWindow) const;
    // A window (the given one, or any when null) whose WM_PAINT is due.
    HWND FindPaintDue(HWND window) const;
    // The first window with an SDL window, for requests addressed to none.
    HWND FirstSdlWindow() const;
    const std::vector<HWND>& Windows() const { return m_windows; }

private:
    std::vector<HWND> m_windows;
};
