#include "WindowTestSupport.h"

#include <SDL.h>

#include "framework/FrameResources.h"
#include "platform/win/MessageQueue.h"

namespace {
constexpr const char* kClassName = "Recording Window";

void EnsureClass() {
    static bool registered = false;
    if (registered) {
        return;
    }
    // Keep video up between tests: SDL would otherwise unload the GL driver
    // with the last window, and the driver's own leftovers could no longer
    // be told apart from ours.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        SDL_GL_LoadLibrary(nullptr);
    }
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RecordingWindow::CALLBACK_Procedure;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(101));
    windowClass.lpszClassName = kClassName;
    registered = RegisterClassA(&windowClass) != 0;
}
}  // namespace

std::vector<RecordedMessage>& RecordingWindow::Received() {
    static std::vector<RecordedMessage> received;
    return received;
}

LRESULT RecordingWindow::CALLBACK_Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Received().push_back(RecordedMessage{hwnd, message, wParam, lParam});
    if (message == WM_GETMINMAXINFO) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = kTestMinTrack;
        info->ptMinTrackSize.y = kTestMinTrack;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

RecordingWindow::RecordingWindow(int clientWidth, int clientHeight, bool withMenu) {
    RegisterFrameResources();
    EnsureClass();
    DWORD style = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
    RECT rect{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&rect, style, withMenu ? TRUE : FALSE);
    m_hMenu = withMenu ? LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(141)) : nullptr;
    m_hWnd = CreateWindowExA(0, kClassName, "Test", style, CW_USEDEFAULT, CW_USEDEFAULT, rect.right - rect.left,
                             rect.bottom - rect.top, nullptr, m_hMenu, GetModuleHandleA(nullptr), nullptr);
    // Start every test from a quiet queue: creation produced its own events.
    DrainMessages();
    MessageQueue::Instance().Clear();
    Received().clear();
}

RecordingWindow::~RecordingWindow() {
    if (IsWindow(m_hWnd)) {
        DestroyWindow(m_hWnd);
    }
    MessageQueue::Instance().Clear();
    Received().clear();
}

std::vector<UINT> RecordingWindow::DrainMessages() {
    std::vector<UINT> ids;
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ids.push_back(msg.message);
        if (msg.message == WM_QUIT) {
            break;
        }
        DispatchMessageA(&msg);
    }
    return ids;
}
