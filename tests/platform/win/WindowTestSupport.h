// A real window (SDL offscreen) whose procedure records what it receives.
#pragma once

#include <vector>

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
