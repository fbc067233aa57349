// A real window (SDL offscreen) whose procedure records what it receives.
#pragma once

#include <SDL.h>

#include <tuple>
#include <vector>

#include "platform/win/WinGdi.h"
#include "platform/win/WinUser.h"

struct RecordedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class RecordingWindow {
public:
    // Client area of the given size; with a menu when withMenu.
    RecordingWindow(int clientWidth, int clientHeight, bool withMenu);
    ~RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND Handle() const { return m_hWnd; }
    HMENU Menu() const { return m_hMenu; }

    static std::vector<RecordedMessage>& Received();
    // Takes and dispatches every waiting message; returns their ids in order.
    static std::vector<UINT> DrainMessages();
    static LRESULT CALLBACK_Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    HWND m_hWnd = nullptr;
    HMENU m_hMenu = nullptr;
};

// Sets the minimum tracking size from WM_GETMINMAXINFO like the program does.
constexpr LONG kTestMinTrack = 100;

// A rectangle's left, top, right and bottom, to compare whole.
using Edges = std::tuple<LONG, LONG, LONG, LONG>;
inline Edges EdgesOf(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// Every waiting message but paints, taken without being dispatched.
std::vector<MSG> TakeMessages();
// Queues an SDL key event for the window.
void PushKey(HWND hwnd, Uint32 type, SDL_Keycode key, Uint16 mods = KMOD_NONE, Uint8 repeat = 0);

// An uncompressed DIB header; a negative height is top-down.
BITMAPINFO DibInfo(LONG width, LONG height, WORD bitCount);

// Plays the overlay's mouse over one window for as long as it lives.
class OverlayMouse {
public:
    explicit OverlayMouse(HWND window);
    ~OverlayMouse();
    OverlayMouse(const OverlayMouse&) = delete;
    OverlayMouse& operator=(const OverlayMouse&) = delete;

    void Frames(int count) const;
    // Moves there, presses and releases, a frame each.
    void ClickAt(float x, float y) const;
    void ClickCentre(const RECT& rect) const;

private:
    HWND m_hWnd;
};
