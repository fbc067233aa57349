#include "platform/win/HostWindow.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/win/WindowLayer.h"
#include "platform/win/WindowObject.h"
#include "platform/win/WindowRegistry.h"

namespace {

XErrorHandler g_pPreviousHandler = nullptr;
// The hosted window's id, kept after it went: its owner may destroy it at
// any moment, and the requests already on their way then fail.
unsigned long g_iHostId = 0;
bool g_bHosted = false;
// An error about the hosted window, or its destruction event, said it is gone.
bool g_bHostGone = false;
// Set when it is adopted, before the message loop runs.
bool g_bHostIsRoot = false;
bool g_bLookupFailed = false;
// Set when the message pump first looks: frames are drawn from then on.
volatile std::sig_atomic_t g_iPumping = 0;
volatile std::sig_atomic_t g_iStopRequested = 0;

void RequestStop(int /*signal*/) {
    // Nothing of the program's needs saving, and another program's window is
    // its owner's to clear: end at once, before anything touches the window
    // again (a screen-saver daemon destroys it right after the signal) and
    // however long the frame under way or the loading would still take. Only
    // the root window, once drawn on, is put back first, when the message
    // loop closes it.
    if (!g_bHostIsRoot || g_iPumping == 0) {
        _exit(0);
    }
    g_iStopRequested = 1;
}

int NoteLookupError(Display* /*display*/, XErrorEvent* /*error*/) {
    g_bLookupFailed = true;
    return 0;
}

// Errors about the hosted window (drawing into it, watching it) come when its
// owner has destroyed it; the program ends at the destruction event that
// follows. Once it is gone, a BadWindow about another id is SDL's: told the
// window was unmapped, SDL 2.26 asks for its parent and, when that query
// fails, translates through the id it never got. Every other error keeps its
// usual handling.
int IgnoreHostErrors(Display* display, XErrorEvent* error) {
    if (g_iHostId != 0 && error->resourceid == g_iHostId) {
        if (error->error_code == BadWindow || error->error_code == BadDrawable) {
            g_bHostGone = true;
        }
        return 0;
    }
    if (g_bHostGone && error->error_code == BadWindow) {
        return 0;
    }
    return g_pPreviousHandler != nullptr ? g_pPreviousHandler(display, error) : 0;
}

Display* SdlDisplay(SDL_Window* sdlWindow) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (sdlWindow == nullptr || SDL_GetWindowWMInfo(sdlWindow, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) {
        return nullptr;
    }
    return info.info.x11.display;
}

HWND FindHosted(unsigned long id) {
    for (HWND window : WindowRegistry::Instance().Windows()) {
        if (window->m_iHostId != 0 && window->m_iHostId == id) {
            return window;
        }
    }
    return nullptr;
}

LPARAM ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom));
}

}  // namespace

namespace win {

bool FindHostWindow(unsigned long id, unsigned long* found, char* problem, std::size_t problemSize) {
    // A connection of its own, closed again: SDL's is not open yet.
    std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        std::snprintf(problem, problemSize, "cannot open the X display '%s'", name != nullptr ? name : "");
        return false;
    }
    const Window window = id == kRootWindow ? DefaultRootWindow(display.get()) : id;
    g_bLookupFailed = false;
    XErrorHandler previous = XSetErrorHandler(NoteLookupError);
    XWindowAttributes attributes;
    const Status status = XGetWindowAttributes(display.get(), window, &attributes);
    XSync(display.get(), False);
    XSetErrorHandler(previous);
    if (status == 0 || g_bLookupFailed) {
        std::snprintf(problem, problemSize, "there is no window 0x%lx on the display", id);
        return false;
    }
    *found = window;
    return true;
}

bool HasHostedWindow() {
    return g_bHosted;
}

// Before SDL first touches the window: from here on errors about it are
// expected, and the boxes go to stderr.
void PrepareHostWindow(unsigned long id) {
    g_bHosted = true;
    g_iHostId = id;
    // The daemon ends its display module with a signal; a module started in
    // the background inherits SIGINT ignored, and SDL handles only signals
    // nobody ignores, so both are taken here. The message pump closes the
    // window when one came.
    struct sigaction action = {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    if (g_pPreviousHandler == nullptr) {
        g_pPreviousHandler = XSetErrorHandler(IgnoreHostErrors);
    }
}

HWND AdoptHostWindow(unsigned long id, WNDPROC procedure) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return nullptr;
    }
    // Only X windows can be adopted; the off-screen drivers have none.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || SDL_strcmp(driver, "x11") != 0) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    // No GL context on it: its owner may destroy it at any moment, and a GL
    // drawable that vanishes under the software rasteriser brings the
    // process down. Frames come through SDL's window surface (X images), whose
    // failed requests are only errors; a surface through GL would be the same.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Window* sdlWindow = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(id)));
    if (sdlWindow != nullptr && g_bHostGone) {
        // Destroyed since main found it: SDL does not look whether its query
        // of the window's size and visual failed, and would keep garbage.
        SDL_DestroyWindow(sdlWindow);
        sdlWindow = nullptr;
    }
    if (sdlWindow == nullptr) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    // Its owner sized it in pixels and draws no menus over it: scale 1.
    HWND window = CreateWindowObject(procedure);
    window->m_pSdlWindow = sdlWindow;
    return window;
}

// Only the window's structure and visibility are asked for: this replaces
// whatever SDL chose, so no key, pointer or focus event of the window reaches
// the program.
bool WatchHostWindow(HWND window) {
    Display* display = SdlDisplay(window->m_pSdlWindow);
    if (display == nullptr) {
        return false;
    }
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    XSelectInput(display, window->m_iHostId, StructureNotifyMask | VisibilityChangeMask);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window->m_iHostId, &attributes) == 0) {
        return false;
    }
    g_bHostIsRoot = attributes.root == window->m_iHostId;
    if (attributes.map_state != IsViewable) {
        PostMessageA(window, WM_SIZE, SIZE_MAXHIDE, 0);
    }
    XFlush(display);
    return true;
}

void ForgetHostedWindow(HWND window) {
    Display* display = SdlDisplay(window->m_pSdlWindow);
    if (display != nullptr) {
        // Left as found, if it is still there.
        XSelectInput(display, window->m_iHostId, NoEventMask);
        // The desktop's root shows its own background again, not the last frame.
        if (g_bHostIsRoot) {
            XClearWindow(display, window->m_iHostId);
        }
        XFlush(display);
    }
    SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
}

void PollHostStop() {
    g_iPumping = 1;
    if (g_iStopRequested == 0) {
        return;
    }
    g_iStopRequested = 0;
    HWND window = FindHosted(g_iHostId);
    if (window != nullptr) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

void TranslateHostEvent(const SDL_Event& event) {
    if (event.type != SDL_SYSWMEVENT || event.syswm.msg == nullptr || event.syswm.msg->subsystem != SDL_SYSWM_X11) {
        return;
    }
    const XEvent& xevent = event.syswm.msg->msg.x11.event;
    switch (xevent.type) {
        case DestroyNotify: {
            HWND window = FindHosted(xevent.xdestroywindow.window);
            if (window != nullptr) {
                g_bHostGone = true;
                PostMessageA(window, WM_CLOSE, 0, 0);
            }
            break;
        }
        case VisibilityNotify: {
            HWND window = FindHosted(xevent.xvisibility.window);
            if (window == nullptr) {
                break;
            }
            if (xevent.xvisibility.state == VisibilityFullyObscured) {
                PostMessageA(window, WM_SIZE, SIZE_MAXHIDE, 0);
            } else {
                PostMessageA(window, WM_SIZE, SIZE_RESTORED, ClientSize(window));
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace win
