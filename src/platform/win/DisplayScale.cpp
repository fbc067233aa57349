#include "platform/win/DisplayScale.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/kernel/Kernel.h"

#include "platform/win/WindowObject.h"

namespace {

int g_iScaleOverride = 0;

// Xft.dpi from the resources the desktop merged into the X server; 0 when
// there is no server, no resource or no number.
double ReadXftDpi() {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        return 0.0;
    }
    Display* display = XOpenDisplay(name);
    if (display == nullptr) {
        return 0.0;
    }
    double dpi = 0.0;
    const char* resources = XResourceManagerString(display);
    for (const char* line = resources; line != nullptr && *line != '\0';) {
        const char* end = std::strchr(line, '\n');
        const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - line) : std::strlen(line);
        constexpr char kKey[] = "Xft.dpi:";
        if (length > sizeof(kKey) - 1 && std::strncmp(line, kKey, sizeof(kKey) - 1) == 0) {
            dpi = std::strtod(line + sizeof(kKey) - 1, nullptr);
        }
        line = end != nullptr ? end + 1 : nullptr;
    }
    XCloseDisplay(display);
    return dpi;
}

}  // namespace

namespace win {

void SetScaleOverride(int scale) {
    g_iScaleOverride = scale > 0 && scale <= kMaxScale ? scale : 0;
}

int ParseScale(const char* text) {
    if (text == nullptr || text[0] < '1' || text[0] > '9') {
        return 0;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return *end == '\0' && value >= 1 && value <= kMaxScale ? static_cast<int>(value) : 0;
}

int ChooseX11Scale(const char** source) {
    const char* from = "default";
    int scale = 1;
    if (g_iScaleOverride > 0) {
        from = "--scale";
        scale = g_iScaleOverride;
    } else if (const int gdk = ParseScale(std::getenv("GDK_SCALE")); gdk > 0) {
        from = "GDK_SCALE";
        scale = gdk;
    } else if (const double dpi = ReadXftDpi(); dpi > 0.0) {
        // 144 dpi (1.5) and up is drawn at 2: a whole factor keeps pixel art crisp.
        from = "Xft.dpi";
        scale = static_cast<int>(std::lround(dpi / 96.0));
        scale = scale < 1 ? 1 : (scale > kMaxScale ? kMaxScale : scale);
    }
    if (source != nullptr) {
        *source = from;
    }
    return scale;
}

int WindowScale(HWND window) {
    return IsWindow(window) && window->m_iScale > 0 ? window->m_iScale : 1;
}

namespace {
// Whether SDL counts this window in points now. A Wayland window in full
// screen does not: SDL then sizes it, and reports the pointer, in the pixels
// of the display mode it set.
bool CountsInPoints(HWND window) {
    return IsWindow(window) && window->m_bSdlPoints && window->m_pSdlWindow != nullptr &&
           (SDL_GetWindowFlags(window->m_pSdlWindow) & SDL_WINDOW_FULLSCREEN) == 0;
}
}  // namespace

int SdlUnitsPerLogical(HWND window) {
    return CountsInPoints(window) ? 1 : WindowScale(window);
}

int ToSdlUnits(HWND window, int logical) {
    return logical * SdlUnitsPerLogical(window);
}

int FromSdlUnits(HWND window, int units) {
    const int factor = SdlUnitsPerLogical(window);
    return units >= 0 ? units / factor : -((-units + factor - 1) / factor);
}

int PixelsPerSdlUnit(HWND window) {
    return CountsInPoints(window) ? WindowScale(window) : 1;
}

bool RefreshWindowScale(HWND window) {
    // In full screen the drawable is the mode's size: the scale stays the one
    // the mode was chosen at.
    if (!CountsInPoints(window)) {
        return false;
    }
    int width = 0;
    int drawableWidth = 0;
    SDL_GetWindowSize(window->m_pSdlWindow, &width, nullptr);
    SDL_GL_GetDrawableSize(window->m_pSdlWindow, &drawableWidth, nullptr);
    int scale = width > 0 ? static_cast<int>(std::lround(static_cast<double>(drawableWidth) / width)) : 1;
    scale = scale < 1 ? 1 : (scale > kMaxScale ? kMaxScale : scale);
    if (scale == window->m_iScale) {
        return false;
    }
    window->m_iScale = scale;
    return true;
}

void TraceWindowScale(HWND window) {
    if (!IsWindow(window) || window->m_pSdlWindow == nullptr) {
        return;
    }
    int width = 0;
    int height = 0;
    int pixelWidth = 0;
    int pixelHeight = 0;
    SDL_GetWindowSize(window->m_pSdlWindow, &width, &height);
    SDL_GL_GetDrawableSize(window->m_pSdlWindow, &pixelWidth, &pixelHeight);
    const char* driver = SDL_GetCurrentVideoDriver();
    char line[160];
    std::snprintf(line, sizeof(line), "Window: %s, scale %d, %d x %d points on %d x %d pixels\n",
                  driver != nullptr ? driver : "no video", WindowScale(window), FromSdlUnits(window, width),
                  FromSdlUnits(window, height), pixelWidth, pixelHeight);
    OutputDebugStringA(line);
}

}  // namespace win
