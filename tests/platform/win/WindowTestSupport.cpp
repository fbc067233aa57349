#include "WindowTestSupport.h"

#include <SDL.h>

#include "framework/FrameResources.h"
#include "platform/win/GlWindow.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/WindowLayer.h"

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

std::vector<MSG> TakeMessages() {
    std::vector<MSG> taken;
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_PAINT) {
            taken.push_back(msg);
        }
    }
    return taken;
}

void PushKey(HWND hwnd, Uint32 type, SDL_Keycode key, Uint16 mods, Uint8 repeat) {
    SDL_Event event{};
    event.type = type;
    event.key.windowID = SDL_GetWindowID(win::GetSdlWindow(hwnd));
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mods;
    SDL_PushEvent(&event);
}

BITMAPINFO DibInfo(LONG width, LONG height, WORD bitCount) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitCount;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

namespace {
float g_fMouseX = -1.0f;
float g_fMouseY = -1.0f;
bool g_bMouseDown = false;

void TestMouse(float* x, float* y, bool* down) {
    *x = g_fMouseX;
    *y = g_fMouseY;
    *down = g_bMouseDown;
}
}  // namespace

OverlayMouse::OverlayMouse(HWND window) : m_hWnd(window) {
    g_fMouseX = -1.0f;
    g_fMouseY = -1.0f;
    g_bMouseDown = false;
    win_hooks::SetOverlayMouse(TestMouse);
}

OverlayMouse::~OverlayMouse() {
    win_hooks::SetOverlayMouse(nullptr);
}

void OverlayMouse::Frames(int count) const {
    for (int i = 0; i < count; ++i) {
        win::DrawWindowOverlay(m_hWnd);
    }
}

void OverlayMouse::ClickAt(float x, float y) const {
    g_fMouseX = x;
    g_fMouseY = y;
    Frames(1);
    g_bMouseDown = true;
    Frames(1);
    g_bMouseDown = false;
    Frames(1);
}

void OverlayMouse::ClickCentre(const RECT& rect) const {
    ClickAt(static_cast<float>(rect.left + rect.right) * 0.5f, static_cast<float>(rect.top + rect.bottom) * 0.5f);
}
