#include "platform/win/WindowRegistry.h"

#include <algorithm>

#include "platform/win/WindowObject.h"

WindowRegistry& WindowRegistry::Instance() {
    static WindowRegistry registry;
    return registry;
}

void WindowRegistry::Add(HWND window) {
    m_windows.push_back(window);
}

void WindowRegistry::Remove(HWND window) {
    m_windows.erase(std::remove(m_windows.begin(), m_windows.end(), window), m_windows.end());
}

bool WindowRegistry::Contains(HWND window) const {
    return window != nullptr && std::find(m_windows.begin(), m_windows.end(), window) != m_windows.end();
}

HWND WindowRegistry::FindBySdlWindow(const SDL_Window* sdlWindow) const {
    for (HWND window : m_windows) {
        if (sdlWindow != nullptr && window->m_pSdlWindow == sdlWindow) {
            return window;
        }
    }
    return nullptr;
}

HWND WindowRegistry::FindPaintDue(HWND filter) const {
    for (HWND window : m_windows) {
        if (window->m_bNeedsPaint && (filter == nullptr || filter == window)) {
            return window;
        }
    }
    return nullptr;
}

HWND WindowRegistry::FirstSdlWindow() const {
    for (HWND window : m_windows) {
        if (window->m_pSdlWindow != nullptr) {
            return window;
        }
    }
    return nullptr;
}
