#include "platform/win/DisplayConnection.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The X display the program found at the start; empty when it draws
// through something else.
char g_szXDisplay[256] = "";
pid_t g_iMainProcess = 0;
bool g_bLost = false;
win::DisplayLostFn g_pfnLostHandler = nullptr;
void* g_pLostContext = nullptr;

// An environment variable's value; null when it is unset or empty.
const char* NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

// Called by the X library when a connection fails; it must not return.
int EndOnIoError(Display* /*display*/) {
    // SDL shows a box from a child process of its own: the box fails in the
    // program, which says what happened.
    if (getpid() != g_iMainProcess) {
        _exit(1);
    }
    win::EndForLostDisplay();
}

}  // namespace

namespace win {

bool ConnectDisplay(char* problem, std::size_t problemSize) {
    const char* asked = NonEmptyEnv("SDL_VIDEODRIVER");
    const char* x11 = NonEmptyEnv("DISPLAY");
    const char* wayland = NonEmptyEnv("WAYLAND_DISPLAY");
    std::string tried;
    if (asked == nullptr) {
        // SDL would fall back to drawing off screen. A Wayland compositor is
        // tried only where it is named (over ssh the one at home is not
        // ours), and then first: SDL would take the X11 server a Wayland
        // session also runs, and draw blurred through it.
        std::string drivers;
        if (wayland != nullptr) {
            drivers = "wayland";
            tried = std::string("Wayland at WAYLAND_DISPLAY '") + wayland + "'";
        }
        if (x11 != nullptr) {
            drivers += drivers.empty() ? "x11" : ",x11";
            tried += (tried.empty() ? "" : ", ") + std::string("X11 at DISPLAY '") + x11 + "'";
        }
        if (drivers.empty()) {
            std::snprintf(problem, problemSize, "cannot open a display (neither DISPLAY nor WAYLAND_DISPLAY is set)");
            return false;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    } else {
        tried = std::string("SDL_VIDEODRIVER '") + asked + "'";
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::snprintf(problem, problemSize, "cannot open a display (tried %s)", tried.c_str());
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && std::strcmp(driver, "x11") == 0 && x11 != nullptr) {
        std::snprintf(g_szXDisplay, sizeof(g_szXDisplay), "%s", x11);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // Instead of the X library's report of several lines and its exit.
    g_iMainProcess = getpid();
    XSetIOErrorHandler(EndOnIoError);
    return true;
}

bool IsWaylandSession() {
    const char* asked = NonEmptyEnv("SDL_VIDEODRIVER");
    return NonEmptyEnv("WAYLAND_DISPLAY") != nullptr && (asked == nullptr || std::strncmp(asked, "wayland", 7) == 0);
}

void SetDisplayLostHandler(DisplayLostFn handler, void* context) {
    g_pfnLostHandler = handler;
    g_pLostContext = context;
}

void EndForLostDisplay() {
    if (g_bLost) {
        _exit(1);
    }
    g_bLost = true;
    std::fflush(stdout);
    std::fprintf(stderr, "velmoran: lost the connection to the display%s%s\n", g_szXDisplay[0] != '\0' ? " " : "",
                 g_szXDisplay);
    if (g_pfnLostHandler != nullptr) {
        g_pfnLostHandler(g_pLostContext);
    }
    // No exit handlers: libraries' clean-up would talk to the dead connection.
    std::fflush(nullptr);
    _exit(1);
}

bool IsDisplayLost() {
    return g_bLost;
}

void CheckDisplayStillThere() {
    if (g_szXDisplay[0] == '\0' || g_bLost) {
        return;
    }
    Display* display = XOpenDisplay(g_szXDisplay);
    if (display == nullptr) {
        EndForLostDisplay();
    }
    XCloseDisplay(display);
}

}  // namespace win
