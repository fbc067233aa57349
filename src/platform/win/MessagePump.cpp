#include "platform/win/MessagePump.h"

#include <SDL.h>

#include <algorithm>

#include "platform/win/CursorState.h"
#include "platform/win/EventTranslator.h"
#include "platform/win/KeyMap.h"
#include "platform/win/MenuOverlay.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/WindowLayer.h"
#include "platform/win/WindowObject.h"
#include "platform/win/WindowRegistry.h"

namespace {
constexpr DWORD kMenuPaintIntervalMs = 16;
constexpr int kIdleWaitMs = 250;
DWORD g_dwLastMenuPaint = 0;

bool EventsUp() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

Uint32 WindowIdOf(const SDL_Event& event) {
    switch (event.type) {
        case SDL_WINDOWEVENT:
            return event.window.windowID;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            return event.key.windowID;
        case SDL_TEXTINPUT:
            return event.text.windowID;
        case SDL_MOUSEMOTION:
            return event.motion.windowID;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            return event.button.windowID;
        case SDL_MOUSEWHEEL:
            return event.wheel.windowID;
        default:
            return 0;
    }
}

void Handle(const SDL_Event& event) {
    HWND window = WindowRegistry::Instance().FindBySdlWindow(SDL_GetWindowFromID(WindowIdOf(event)));
    if (window != nullptr && window->m_pOverlay) {
        window->m_pOverlay->ProcessEvent(event);
    }
    EventTranslator::Translate(event);
}

void ScheduleMenuPaints() {
    DWORD now = timeGetTime();
    if (now - g_dwLastMenuPaint < kMenuPaintIntervalMs) {
        return;
    }
    for (HWND window : WindowRegistry::Instance().Windows()) {
        if (window->m_pOverlay && window->m_pOverlay->IsMenuOpen()) {
            window->m_bNeedsPaint = true;
            g_dwLastMenuPaint = now;
        }
    }
}

bool AnyMenuOpen() {
    for (HWND window : WindowRegistry::Instance().Windows()) {
        if (window->m_pOverlay && window->m_pOverlay->IsMenuOpen()) {
            return true;
        }
    }
    return false;
}

// An open menu needs its paints; otherwise sleep until something happens.
int IdleWait() {
    return AnyMenuOpen() ? static_cast<int>(kMenuPaintIntervalMs) : kIdleWaitMs;
}
}  // namespace

void MessagePump::Pump() {
    if (EventsUp()) {
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
            Handle(event);
        }
    }
    win::PollHostStop();
    ScheduleMenuPaints();
}

void MessagePump::Wait(int milliseconds) {
    if (!EventsUp()) {
        SDL_Delay(static_cast<Uint32>(milliseconds));
        return;
    }
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, milliseconds) != 0) {
        Handle(event);
    }
}

BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (msg == nullptr) {
        return FALSE;
    }
    MessagePump::Pump();
    return MessageQueue::Instance().Take(msg, window, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0) ? TRUE
                                                                                                          : FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
    if (msg == nullptr) {
        return FALSE;
    }
    for (;;) {
        MessagePump::Pump();
        if (MessageQueue::Instance().Take(msg, window, filterMin, filterMax, true)) {
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        MessagePump::Wait(IdleWait());
    }
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* /*handles*/, BOOL /*waitAll*/, DWORD milliseconds,
                                DWORD /*wakeMask*/) {
    const DWORD start = timeGetTime();
    for (;;) {
        MessagePump::Pump();
        MSG msg{};
        if (MessageQueue::Instance().Take(&msg, nullptr, 0U, 0U, false)) {
            return WAIT_OBJECT_0 + count;
        }
        const DWORD waited = timeGetTime() - start;
        if (waited >= milliseconds) {
            return WAIT_TIMEOUT;
        }
        MessagePump::Wait(std::min(IdleWait(), static_cast<int>(milliseconds - waited)));
    }
}

BOOL TranslateMessage(const MSG* msg) {
    // Character messages are not used by the program; report key messages
    // as translated, as the platform does.
    if (msg == nullptr) {
        return FALSE;
    }
    return (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) ? TRUE : FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg == nullptr || msg->hwnd == nullptr || !IsWindow(msg->hwnd)) {
        return 0;
    }
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window != nullptr && !IsWindow(window)) {
        return FALSE;
    }
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    msg.pt = CursorState::Instance().Position();
    return MessageQueue::Instance().Post(msg) ? TRUE : FALSE;
}

void PostQuitMessage(int exitCode) {
    MessageQueue::Instance().PostQuit(exitCode);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM /*wParam*/, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(static_cast<DWORD_PTR>(lParam)) == HTCLIENT && IsWindow(window)) {
                SetCursor(window->m_hClassCursor);
                return TRUE;
            }
            return FALSE;
        case WM_PAINT:
            if (IsWindow(window)) {
                window->m_bNeedsPaint = false;
            }
            return 0;
        default:
            return 0;
    }
}

short GetKeyState(int virtualKey) {
    constexpr short kDown = static_cast<short>(0x8000);
    if (!EventsUp()) {
        return 0;
    }
    SDL_Keymod mods = SDL_GetModState();
    switch (virtualKey) {
        case static_cast<int>(VK_SHIFT):
            return (mods & KMOD_SHIFT) != 0 ? kDown : 0;
        case static_cast<int>(VK_CONTROL):
            return (mods & KMOD_CTRL) != 0 ? kDown : 0;
        case static_cast<int>(VK_MENU):
            return (mods & KMOD_ALT) != 0 ? kDown : 0;
        default:
            break;
    }
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    for (int scancode = 0; scancode < count; ++scancode) {
        if (keys[scancode] != 0 && KeyMap::VirtualKey(SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(scancode))) ==
                                       static_cast<WPARAM>(virtualKey)) {
            return kDown;
        }
    }
    return 0;
}
