#include "platform/win/GlWindow.h"

#include "platform/win/DisplayList.h"
#include "platform/win/DisplayScale.h"

#include <SDL.h>
#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <cstring>

#include "platform/win/WindowObject.h"

namespace {
// The desktop entry's id, which the installed launcher carries as well.
constexpr const char* kDesktopId = "io.github.velmoran.horlo";
const void* g_pCurrentOwner = nullptr;
win::GlReleaseFn g_pReleaseCurrent = nullptr;

bool IsGlLibrary(const char* path) {
    static const char* const kParts[] = {"/dri/", "libgallium", "libLLVM", "libglapi", "libEGL", "libGL"};
    for (const char* part : kParts) {
        if (std::strstr(path, part) != nullptr) {
            return true;
        }
    }
    return false;
}

int PinIfGl(dl_phdr_info* info, size_t, void*) {
    if (info->dlpi_name != nullptr && IsGlLibrary(info->dlpi_name)) {
        // A reference that is never given back, made permanent by NODELETE.
        dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
    return 0;
}

void ReleaseWindowContext(const void* owner) {
    const auto* window = static_cast<const HWND__*>(owner);
    SDL_GL_MakeCurrent(window->m_pSdlWindow, nullptr);
}
}  // namespace

namespace win {

bool IsGlCurrent(const void* owner) {
    return owner != nullptr && g_pCurrentOwner == owner;
}

void NoteGlCurrent(const void* owner, GlReleaseFn release) {
    g_pCurrentOwner = owner;
    g_pReleaseCurrent = release;
}

void ReleaseCurrentGl() {
    if (g_pCurrentOwner != nullptr && g_pReleaseCurrent != nullptr) {
        g_pReleaseCurrent(g_pCurrentOwner);
    }
    g_pCurrentOwner = nullptr;
    g_pReleaseCurrent = nullptr;
}

bool MakeGlWindowCurrent(HWND window) {
    if (window == nullptr || window->m_pGlContext == nullptr) {
        return false;
    }
    if (IsGlCurrent(window)) {
        return true;
    }
    ReleaseCurrentGl();
    if (SDL_GL_MakeCurrent(window->m_pSdlWindow, static_cast<SDL_GLContext>(window->m_pGlContext)) != 0) {
        return false;
    }
    NoteGlCurrent(window, ReleaseWindowContext);
    return true;
}

HWND CreateGlWindow(const char* title, int clientWidth, int clientHeight, WNDPROC procedure, bool hidden) {
    PrepareGlDriver();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return nullptr;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    // Creating the window (SDL probes GL extensions with a context of its own)
    // and the context make a GLX context current; the GL dispatch refuses
    // that while another API's context (a reference device's EGL one) is.
    ReleaseCurrentGl();
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | (hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN);
    // Wayland sizes windows in points and gives a scaled output a drawable
    // of more pixels; X11 knows pixels only, so the window is made bigger.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool points = driver != nullptr && std::strcmp(driver, "wayland") == 0;
    const int scale = points ? 1 : ChooseX11Scale(nullptr);
    if (points) {
        flags |= SDL_WINDOW_ALLOW_HIGHDPI;
    }
    const int display = StartDisplay();
    const int place = display >= 0 && display < SDL_GetNumVideoDisplays() ? SDL_WINDOWPOS_CENTERED_DISPLAY(display)
                                                                          : SDL_WINDOWPOS_UNDEFINED;
    SDL_Window* sdlWindow =
        SDL_CreateWindow(title != nullptr ? title : "", place, place, clientWidth * scale, clientHeight * scale, flags);
    if (sdlWindow == nullptr) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    SDL_GLContext context = SDL_GL_CreateContext(sdlWindow);
    if (context == nullptr) {
        SDL_DestroyWindow(sdlWindow);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    HWND window = CreateWindowObject(procedure);
    window->m_pSdlWindow = sdlWindow;
    window->m_pGlContext = context;
    window->m_iScale = scale;
    window->m_bSdlPoints = points;
    RefreshWindowScale(window);
    // SDL made the new context current behind our back.
    NoteGlCurrent(window, ReleaseWindowContext);
    PinGlDriver();
    return window;
}

void DestroyGlWindow(HWND window) {
    if (window == nullptr) {
        return;
    }
    if (IsGlCurrent(window)) {
        ReleaseCurrentGl();
    }
    if (window->m_pGlContext != nullptr) {
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(window->m_pGlContext));
    }
    if (window->m_pSdlWindow != nullptr) {
        SDL_DestroyWindow(window->m_pSdlWindow);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    DestroyWindowObject(window);
}

void PinGlDriver() {
    dl_iterate_phdr(PinIfGl, nullptr);
}

void PrepareGlDriver() {
    // The rasterizer otherwise splits every frame over a worker per core. For
    // a clock paced to the display the hand-offs cost more than they save: on
    // two cores a paced frame took a tenth less CPU on the calling thread in
    // the default window and a quarter less full screen at 1920 x 1080, which
    // one thread still draws at twice the display's rate. Read when the driver
    // opens a display, so it must be set before the first context.
    setenv("LP_NUM_THREADS", "0", 0);
    // Docks match a window to its launcher by the window's class (X11) or
    // application id (Wayland): both are the desktop entry's name. Read when
    // video starts; a user's own choice stays.
    setenv("SDL_VIDEO_X11_WMCLASS", kDesktopId, 0);
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", kDesktopId, 0);
}

SDL_Window* GetSdlWindow(HWND window) {
    return window != nullptr ? window->m_pSdlWindow : nullptr;
}

void* GetGlContext(HWND window) {
    return window != nullptr ? window->m_pGlContext : nullptr;
}

}  // namespace win
