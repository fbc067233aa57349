#include "platform/win/EventTranslator.h"

#include <SDL.h>

#include "platform/win/CursorState.h"
#include "platform/win/DisplayScale.h"
#include "platform/win/KeyMap.h"
#include "platform/win/MenuOverlay.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/WindowLayer.h"
#include "platform/win/WindowObject.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowVisibility.h"

namespace win {
void RefreshMinimumSize(HWND window);
}

namespace {
constexpr LPARAM kAltContextBit = LPARAM{1} << 29;
constexpr LPARAM kPreviousStateBit = LPARAM{1} << 30;
constexpr LPARAM kTransitionBit = static_cast<LPARAM>(0x80000000u);
constexpr LPARAM kExtendedBit = LPARAM{1} << 24;

MSG Make(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    msg.pt = CursorState::Instance().Position();
    return msg;
}

void Push(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MessageQueue::Instance().PushInput(Make(window, message, wParam, lParam));
}

HWND WindowOf(Uint32 windowId) {
    return WindowRegistry::Instance().FindBySdlWindow(SDL_GetWindowFromID(windowId));
}

LPARAM ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom));
}

// A window moved to an output of another scale (Wayland) is told by a size
// or display change.
void FollowScale(HWND window) {
    if (win::RefreshWindowScale(window)) {
        win::TraceWindowScale(window);
    }
}

void TranslateWindowEvent(HWND window, const SDL_WindowEvent& event) {
    switch (event.event) {
        case SDL_WINDOWEVENT_SHOWN:
            window->m_bNeedsPaint = true;
            Push(window, WM_SIZE, SIZE_RESTORED, ClientSize(window));
            break;
        case SDL_WINDOWEVENT_HIDDEN:
            Push(window, WM_SIZE, SIZE_MAXHIDE, 0);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            window->m_bNeedsPaint = true;
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            Push(window, WM_SIZE, SIZE_MINIMIZED, 0);
            break;
        case SDL_WINDOWEVENT_MAXIMIZED:
            Push(window, WM_SIZE, SIZE_MAXIMIZED, ClientSize(window));
            break;
        case SDL_WINDOWEVENT_RESTORED:
            Push(window, WM_SIZE, SIZE_RESTORED, ClientSize(window));
            break;
        case SDL_WINDOWEVENT_DISPLAY_CHANGED:
            FollowScale(window);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            FollowScale(window);
            // SDL reports only the end of a resize: the program gets the
            // whole size/move loop at once, all or nothing so that its
            // pauses stay balanced.
            win::RefreshMinimumSize(window);
            MSG group[3] = {Make(window, WM_ENTERSIZEMOVE, 0, 0),
                            Make(window, WM_SIZE, SIZE_RESTORED, ClientSize(window)),
                            Make(window, WM_EXITSIZEMOVE, 0, 0)};
            MessageQueue::Instance().PushInputGroup(group, 3);
            window->m_bNeedsPaint = true;
            break;
        }
        case SDL_WINDOWEVENT_MOVED:
            // A window dragged (or moved by another program) ends a move loop,
            // where the program notes where the window is now: leaving full
            // screen brings it back there, on whichever display that is.
            if ((SDL_GetWindowFlags(window->m_pSdlWindow) & SDL_WINDOW_FULLSCREEN) == 0) {
                MSG group[2] = {Make(window, WM_ENTERSIZEMOVE, 0, 0), Make(window, WM_EXITSIZEMOVE, 0, 0)};
                MessageQueue::Instance().PushInputGroup(group, 2);
            }
            break;
        case SDL_WINDOWEVENT_CLOSE:
            Push(window, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
}

void TranslateKey(HWND window, const SDL_KeyboardEvent& event) {
    WPARAM vk = KeyMap::VirtualKey(event.keysym.sym);
    if (vk == 0) {
        return;
    }
    bool down = event.type == SDL_KEYDOWN;
    bool altDown = (event.keysym.mod & KMOD_ALT) != 0 || vk == VK_MENU;
    if (!down && vk == VK_MENU) {
        // Releasing Alt itself ends the Alt combination.
        altDown = true;
    }
    LPARAM lParam = 1;
    if (KeyMap::IsExtended(event.keysym.sym)) {
        lParam |= kExtendedBit;
    }
    if (altDown) {
        lParam |= kAltContextBit;
    }
    if (!down) {
        lParam |= kPreviousStateBit | kTransitionBit;
    } else if (event.repeat != 0) {
        lParam |= kPreviousStateBit;
    }
    bool system = altDown || vk == VK_F10;
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    Push(window, message, vk, lParam);
}

WPARAM MouseKeys(Uint32 buttons) {
    WPARAM keys = 0;
    if ((buttons & SDL_BUTTON_LMASK) != 0) {
        keys |= MK_LBUTTON;
    }
    if ((buttons & SDL_BUTTON_RMASK) != 0) {
        keys |= MK_RBUTTON;
    }
    if ((buttons & SDL_BUTTON_MMASK) != 0) {
        keys |= MK_MBUTTON;
    }
    SDL_Keymod mods = SDL_GetModState();
    if ((mods & KMOD_SHIFT) != 0) {
        keys |= MK_SHIFT;
    }
    if ((mods & KMOD_CTRL) != 0) {
        keys |= MK_CONTROL;
    }
    return keys;
}

// Records the pointer and says whether the event belongs to the client
// area: not over the menu strip, not while a menu is open — unless the
// window holds the capture, which gets everything.
bool TrackMouse(HWND window, int sdlX, int sdlY, POINT* client) {
    const int y = win::FromSdlUnits(window, sdlY);
    const int strip = win::MenuStripHeight(window);
    *client = POINT{win::FromSdlUnits(window, sdlX), y - strip};
    POINT screen = *client;
    ClientToScreen(window, &screen);
    CursorState::Instance().TrackPosition(screen);
    if (CursorState::Instance().Capture() == window) {
        return true;
    }
    bool menuOpen = window->m_pOverlay && window->m_pOverlay->IsMenuOpen();
    return !menuOpen && y >= strip;
}

void TranslateButton(HWND window, const SDL_MouseButtonEvent& event) {
    POINT client{};
    if (!TrackMouse(window, event.x, event.y, &client)) {
        return;
    }
    bool down = event.type == SDL_MOUSEBUTTONDOWN;
    Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
    LPARAM position = MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y));
    UINT message = 0;
    switch (event.button) {
        case SDL_BUTTON_LEFT:
            message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            break;
        case SDL_BUTTON_RIGHT:
            message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            break;
        case SDL_BUTTON_MIDDLE:
            message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
            break;
        default:
            return;
    }
    Push(window, message, MouseKeys(buttons), position);
    bool fullScreen = (SDL_GetWindowFlags(window->m_pSdlWindow) & SDL_WINDOW_FULLSCREEN) != 0;
    if (message == WM_RBUTTONUP && !fullScreen) {
        POINT screen = CursorState::Instance().Position();
        Push(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
             MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
    }
}

void TranslateMotion(HWND window, const SDL_MouseMotionEvent& event) {
    POINT client{};
    if (!TrackMouse(window, event.x, event.y, &client)) {
        return;
    }
    Push(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(static_cast<WORD>(HTCLIENT), WM_MOUSEMOVE));
    Push(window, WM_MOUSEMOVE, MouseKeys(event.state),
         MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y)));
}
}  // namespace

void EventTranslator::Translate(const SDL_Event& event) {
    WindowRegistry& registry = WindowRegistry::Instance();
    switch (event.type) {
        case SDL_QUIT: {
            // Interrupt or the session ending: close the program as its close button would.
            HWND window = registry.FirstSdlWindow();
            if (window != nullptr) {
                Push(window, WM_CLOSE, 0, 0);
            }
            break;
        }
        case SDL_WINDOWEVENT: {
            HWND window = WindowOf(event.window.windowID);
            if (window != nullptr) {
                TranslateWindowEvent(window, event.window);
            }
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            HWND window = WindowOf(event.key.windowID);
            if (window == nullptr) {
                window = registry.FirstSdlWindow();
            }
            // An open menu takes the keyboard, as the platform's menu loop does.
            if (window != nullptr && !(window->m_pOverlay && window->m_pOverlay->HasKeyboard())) {
                TranslateKey(window, event.key);
            }
            break;
        }
        case SDL_MOUSEMOTION: {
            HWND window = WindowOf(event.motion.windowID);
            if (window != nullptr) {
                TranslateMotion(window, event.motion);
            }
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            HWND window = WindowOf(event.button.windowID);
            if (window != nullptr) {
                TranslateButton(window, event.button);
            }
            break;
        }
        case SDL_SYSWMEVENT:
            win::TranslateHostEvent(event);
            win::TranslateVisibilityEvent(event);
            break;
        default:
            break;
    }
}
