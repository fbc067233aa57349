#include "platform/win/DisplayList.h"

#include <SDL.h>

#include <cstdint>
#include <cstring>

#include "platform/kernel/Kernel.h"
#include "platform/win/GlWindow.h"
#include "platform/win/WindowObject.h"

namespace {
int g_iStartDisplay = -1;

// Video started for a question about the displays, stopped again at the end.
class VideoForQuestion {
public:
    VideoForQuestion() {
        win::PrepareGlDriver();
        m_bStarted = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    ~VideoForQuestion() {
        if (m_bStarted) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        }
    }
    VideoForQuestion(const VideoForQuestion&) = delete;
    VideoForQuestion& operator=(const VideoForQuestion&) = delete;
    bool Started() const { return m_bStarted; }

private:
    bool m_bStarted = false;
};
}  // namespace

namespace win {

int DisplayCount() {
    VideoForQuestion video;
    const int count = video.Started() ? SDL_GetNumVideoDisplays() : 0;
    return count > 0 ? count : 0;
}

HMONITOR MonitorOfDisplay(int display) {
    // A handle that only names the display: nothing is behind it.
    return display >= 0 ? reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(display) + 1) : nullptr;
}

bool ModeSwitchesAreSafe() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver == nullptr || std::strcmp(driver, "x11") != 0 || SDL_GetNumVideoDisplays() <= 1;
}

bool ListDisplays(std::FILE* out, char* problem, std::size_t size) {
    VideoForQuestion video;
    if (!video.Started()) {
        std::snprintf(problem, size, "video does not start: %s", SDL_GetError());
        return false;
    }
    const int count = SDL_GetNumVideoDisplays();
    for (int display = 0; display < count; ++display) {
        SDL_Rect bounds = {};
        SDL_GetDisplayBounds(display, &bounds);
        const char* name = SDL_GetDisplayName(display);
        std::fprintf(out, "%d  %s  %dx%d at %d,%d\n", display, name != nullptr ? name : "Display", bounds.w, bounds.h,
                     bounds.x, bounds.y);
    }
    return true;
}

void SetStartDisplay(int display) {
    g_iStartDisplay = display;
}

int StartDisplay() {
    return g_iStartDisplay;
}

void MoveWindowToDisplay(HWND window, int display) {
    if (window == nullptr || window->m_pSdlWindow == nullptr || window->m_iHostId != 0 || display < 0 ||
        display >= SDL_GetNumVideoDisplays() || SDL_GetWindowDisplayIndex(window->m_pSdlWindow) == display) {
        return;
    }
    SDL_SetWindowPosition(window->m_pSdlWindow, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                          SDL_WINDOWPOS_CENTERED_DISPLAY(display));
    char line[48];
    std::snprintf(line, sizeof(line), "Window: moved to display %d\n", display);
    OutputDebugStringA(line);
}

}  // namespace win

HMONITOR MonitorFromWindow(HWND window, DWORD flags) {
    const int display =
        IsWindow(window) && window->m_pSdlWindow != nullptr ? SDL_GetWindowDisplayIndex(window->m_pSdlWindow) : -1;
    if (display >= 0) {
        return win::MonitorOfDisplay(display);
    }
    return flags == MONITOR_DEFAULTTONULL ? nullptr : win::MonitorOfDisplay(0);
}
