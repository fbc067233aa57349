#include "platform/win/DisplayScale.h"

#include <X11/Xlib.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

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

}  // namespace win
