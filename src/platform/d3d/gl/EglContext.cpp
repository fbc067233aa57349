#include "platform/d3d/gl/EglContext.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <cstring>

#include "platform/win/GlWindow.h"

namespace {

bool HasExtension(const char* list, const char* name) {
    if (list == nullptr) {
        return false;
    }
    const std::size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p != nullptr; p = std::strstr(p + 1, name)) {
        const bool startOk = p == list || p[-1] == ' ';
        const bool endOk = p[length] == '\0' || p[length] == ' ';
        if (startOk && endOk) {
            return true;
        }
    }
    return false;
}

// Candidate displays, best first. The software device alone for the
// reference device, which must render the same everywhere; otherwise the
// GPUs' devices before it.
int CandidateDisplays(EglContext::Device device, EGLDisplay* displays, int capacity) {
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!HasExtension(clientExtensions, "EGL_EXT_platform_base")) {
        return 0;
    }
    const bool best = device == EglContext::Device::kBest;
    EGLDeviceEXT devices[16];
    EGLint count = 0;
    if (!HasExtension(clientExtensions, "EGL_EXT_device_enumeration") ||
        !HasExtension(clientExtensions, "EGL_EXT_platform_device") ||
        eglQueryDevicesEXT(16, devices, &count) != EGL_TRUE) {
        count = 0;
    }
    int found = 0;
    auto add = [&](EGLDisplay display) {
        if (display != EGL_NO_DISPLAY && found < capacity) {
            displays[found++] = display;
        }
    };
    // Hardware devices first when the best is wanted, the software one last.
    for (int pass = best ? 0 : 1; pass < 2; ++pass) {
        for (EGLint i = 0; i < count; ++i) {
            const bool software =
                HasExtension(eglQueryDeviceStringEXT(devices[i], EGL_EXTENSIONS), "EGL_MESA_device_software");
            if (software == (pass == 1)) {
                add(eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr));
            }
        }
        if (pass == 0 && HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
            // The driver's own choice: a GPU's render node when there is one.
            add(eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
        }
    }
    if (!best && HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        // The renderer string is checked after creation, so a GPU here is refused.
        add(eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
    }
    return found;
}

bool IsSoftwareRenderer(const char* renderer) {
    return renderer != nullptr &&
           (std::strstr(renderer, "llvmpipe") != nullptr || std::strstr(renderer, "softpipe") != nullptr ||
            std::strstr(renderer, "swrast") != nullptr);
}

}  // namespace

EglContext::~EglContext() {
    Destroy();
}

HRESULT EglContext::Create(Device device) {
    Destroy();
    win::PrepareGlDriver();
    EGLDisplay displays[18];
    const int count = CandidateDisplays(device, displays, 18);
    for (int i = 0; i < count; ++i) {
        if (SUCCEEDED(CreateOn(displays[i], device))) {
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT EglContext::CreateOn(void* display, Device device) {
    EGLint major = 0;
    EGLint minor = 0;
    if (eglInitialize(display, &major, &minor) != EGL_TRUE) {
        return E_FAIL;
    }
    m_pDisplay = display;
    if (!HasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context") ||
        eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
        Destroy();
        return E_FAIL;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (eglChooseConfig(display, configAttributes, &config, 1, &configCount) != EGL_TRUE || configCount < 1) {
        Destroy();
        return E_FAIL;
    }
    const EGLint contextAttributes[] = {
        EGL_CONTEXT_MAJOR_VERSION,           3,       EGL_CONTEXT_MINOR_VERSION, 3, EGL_CONTEXT_OPENGL_PROFILE_MASK,
        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        Destroy();
        return E_FAIL;
    }
    m_pContext = context;
    win::PinGlDriver();
    if (!MakeCurrent()) {
        Destroy();
        return E_FAIL;
    }
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    m_bSoftware = IsSoftwareRenderer(renderer);
    if (renderer == nullptr || (device == Device::kSoftware && !m_bSoftware)) {
        Destroy();
        return E_FAIL;
    }
    m_szRenderer = renderer;
    return S_OK;
}

bool EglContext::MakeCurrent() {
    if (m_pContext == nullptr) {
        return false;
    }
    if (win::IsGlCurrent(this)) {
        return true;
    }
    win::ReleaseCurrentGl();
    if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE ||
        eglMakeCurrent(m_pDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, m_pContext) != EGL_TRUE) {
        return false;
    }
    win::NoteGlCurrent(this, &EglContext::Release);
    return true;
}

void EglContext::Release(const void* owner) {
    const auto* context = static_cast<const EglContext*>(owner);
    eglMakeCurrent(context->m_pDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

void EglContext::Destroy() {
    if (m_pDisplay != nullptr) {
        if (win::IsGlCurrent(this)) {
            win::ReleaseCurrentGl();
        }
        if (m_pContext != nullptr) {
            eglDestroyContext(m_pDisplay, m_pContext);
        }
        // The display is shared by every context of the process; terminating it
        // here would pull it from under another device.
    }
    m_pContext = nullptr;
    m_pDisplay = nullptr;
    m_szRenderer.clear();
    m_bSoftware = false;
}
