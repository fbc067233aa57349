#include "platform/win/WindowVisibility.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/extensions/scrnsaver.h>

#include "platform/win/WindowObject.h"
#include "platform/win/WindowRegistry.h"

namespace {
// The X server's own screen saver hides every window without covering it:
// its extension says when it starts and ends. X.org starts it too when power
// saving turns the monitor off, which has no event of its own. -1 while
// nobody asked for it.
int g_iSaverEvent = -1;
bool g_bScreenSaved = false;

void WatchScreenSaver(Display* display) {
    int errorBase = 0;
    if (g_iSaverEvent >= 0 || XScreenSaverQueryExtension(display, &g_iSaverEvent, &errorBase) == False) {
        return;
    }
    XScreenSaverSelectInput(display, DefaultRootWindow(display), ScreenSaverNotifyMask);
}

void FollowScreenSaver(const XScreenSaverNotifyEvent& event) {
    const bool saved = event.state == ScreenSaverOn;
    for (HWND window : WindowRegistry::Instance().Windows()) {
        window->m_bNeedsPaint = window->m_bNeedsPaint || (g_bScreenSaved && !saved);
    }
    g_bScreenSaved = saved;
}
}  // namespace

namespace win {

void WatchWindowVisibility(HWND window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window->m_pSdlWindow, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) {
        return;
    }
    // A window's event mask replaces the one before: SDL's stays in it.
    Display* display = info.info.x11.display;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, info.info.x11.window, &attributes) == 0) {
        return;
    }
    XSelectInput(display, info.info.x11.window, attributes.your_event_mask | VisibilityChangeMask);
    window->m_iXWindow = info.info.x11.window;
    WatchScreenSaver(display);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void TranslateVisibilityEvent(const SDL_Event& event) {
    if (event.syswm.msg == nullptr || event.syswm.msg->subsystem != SDL_SYSWM_X11) {
        return;
    }
    const XEvent& xevent = event.syswm.msg->msg.x11.event;
    if (g_iSaverEvent >= 0 && xevent.type == g_iSaverEvent + ScreenSaverNotify) {
        FollowScreenSaver(reinterpret_cast<const XScreenSaverNotifyEvent&>(xevent));
        return;
    }
    if (xevent.type != VisibilityNotify) {
        return;
    }
    for (HWND window : WindowRegistry::Instance().Windows()) {
        if (window->m_iXWindow != 0 && window->m_iXWindow == xevent.xvisibility.window) {
            const bool obscured = xevent.xvisibility.state == VisibilityFullyObscured;
            // Uncovered, the window needs its picture again at once.
            window->m_bNeedsPaint = window->m_bNeedsPaint || (window->m_bObscured && !obscured);
            window->m_bObscured = obscured;
        }
    }
}

bool IsWindowObscured(HWND window) {
    return IsWindow(window) && (window->m_bObscured || (g_bScreenSaved && window->m_iXWindow != 0));
}

}  // namespace win
