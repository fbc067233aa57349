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

// The software device, never a GPU: the reference device must render the
// same everywhere.
EGLDisplay OpenSoftwareDisplay() {
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!HasExtension(clientExtensions, "EGL_EXT_platform_base")) {
        return EGL_NO_DISPLAY;
    }
    if (HasExtension(clientExtensions, "EGL_EXT_device_enumeration") &&
        HasExtension(clientExtensions, "EGL_EXT_platform_device")) {
        EGLDeviceEXT devices[16];
        EGLint count = 0;
        if (eglQueryDevicesEXT(16, devices, &count) == EGL_TRUE) {
            for (EGLint i = 0; i < count; ++i) {
                if (HasExtension(eglQueryDeviceStringEXT(devices[i], EGL_EXTENSIONS), "EGL_MESA_device_software")) {
                    EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
                    if (display != EGL_NO_DISPLAY) {
                        return display;
                    }
                }
            }
        }
    }
    if (HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        // The renderer string is checked after creation, so a GPU here is refused.
        return eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    }
    return EGL_NO_DISPLAY;
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

HRESULT EglContext::Create() {
    Destroy();
    win::PrepareGlDriver();
    EGLDisplay display = OpenSoftwareDisplay();
    if (display == EGL_NO_DISPLAY) {
        return E_FAIL;
    }
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
    if (!IsSoftwareRenderer(renderer)) {
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
}
