// The backend's life and its render targets: the context made (reference
// device) or borrowed (hardware device) with its per-context objects, the
// back and front buffers made again at each reset, the window's full-screen
// mode, the lost-device answer, and resources let go.
#include "platform/d3d/gl/GlBackend.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/d3d/core/CoreIndexBuffer.h"
#include "platform/d3d/core/CoreTexture.h"
#include "platform/d3d/core/CoreVertexBuffer.h"
#include "platform/d3d/core/DeviceState.h"
#include "platform/d3d/gl/GlTranslation.h"
#include "platform/kernel/Kernel.h"
#include "platform/win/DisplayList.h"
#include "platform/win/DisplayScale.h"
#include "platform/win/GlWindow.h"
#include "platform/win/WindowLayer.h"

using namespace d3dgl;

namespace {

bool PacingDisabledByEnvironment() {
    const char* value = std::getenv("VELMORAN_NO_PACING");
    return value != nullptr && value[0] != '\0' && value[0] != '0';
}

void TraceFullScreen(SDL_Window* window) {
    const int display = SDL_GetWindowDisplayIndex(window);
    SDL_Rect bounds = {};
    SDL_GetDisplayBounds(display, &bounds);
    char line[96];
    std::snprintf(line, sizeof(line), "Full screen on display %d: %dx%d at %d,%d\n", display, bounds.w, bounds.h,
                  bounds.x, bounds.y);
    OutputDebugStringA(line);
}

}  // namespace

GlBackend::GlBackend(D3DDEVTYPE type, HWND window, const GlLimits& limits, UINT refreshRate)
    : m_type(type), m_hWindow(window), m_limits(limits), m_uRefreshRate(refreshRate > 0 ? refreshRate : 60) {
    m_bPacing = !PacingDisabledByEnvironment();
}

GlBackend::~GlBackend() {
    if (m_pCursor != nullptr) {
        SDL_FreeCursor(m_pCursor);
    }
    if (m_bCreated && MakeCurrent()) {
        DestroyTargets();
        m_shaders.Clear();
        glDeleteBuffers(1, &m_uFrameUbo);
        glDeleteBuffers(1, &m_uPixelUbo);
        glDeleteBuffers(1, &m_uWorldUbo);
        glDeleteBuffers(1, &m_uWorldNormalUbo);
        glDeleteBuffers(1, &m_uUserVbo);
        for (VertexArray& array : m_userArrays) {
            glDeleteVertexArrays(1, &array.m_uVao);
        }
        for (GLuint& sampler : m_uSamplers) {
            if (sampler != 0) {
                glDeleteSamplers(1, &sampler);
            }
        }
        if (m_uWindowTexture != 0 && win::MakeGlWindowCurrent(m_hWindow)) {
            glDeleteFramebuffers(1, &m_uWindowFbo);
            glDeleteTextures(1, &m_uWindowTexture);
        }
    }
    // The EGL context (REF) goes with m_egl.
}

bool GlBackend::MakeCurrent() {
    if (m_type == D3DDEVTYPE_REF) {
        return m_egl.MakeCurrent();
    }
    return win::MakeGlWindowCurrent(m_hWindow);
}

HRESULT GlBackend::Create() {
    if (m_type == D3DDEVTYPE_REF) {
        // Another program's window must carry no GL context (its owner may
        // destroy it mid-frame), but the frames drawn for it may come from a
        // GPU: they reach it through memory either way.
        const bool hosted = win::GetSdlWindow(m_hWindow) != nullptr && win::GetGlContext(m_hWindow) == nullptr;
        if (FAILED(m_egl.Create(hosted ? EglContext::Device::kBest : EglContext::Device::kSoftware))) {
            return D3DERR_NOTAVAILABLE;
        }
        char line[200];
        std::snprintf(line, sizeof(line), "GlBackend: off-screen device: %s%s\n", m_egl.Renderer().c_str(),
                      m_egl.IsSoftware() ? " (software)" : "");
        OutputDebugStringA(line);
    } else if (win::GetGlContext(m_hWindow) == nullptr || !win::MakeGlWindowCurrent(m_hWindow)) {
        return D3DERR_NOTAVAILABLE;
    }
    // Start from a clean error state: a context made elsewhere may carry one.
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenBuffers(1, &m_uFrameUbo);
    glBindBuffer(GL_UNIFORM_BUFFER, m_uFrameUbo);
    glBufferData(GL_UNIFORM_BUFFER, sizeof(FrameBlock), nullptr, GL_DYNAMIC_DRAW);
    glBindBufferBase(GL_UNIFORM_BUFFER, ShaderGenerator::kFrameBlock, m_uFrameUbo);
    glGenBuffers(1, &m_uPixelUbo);
    glBindBuffer(GL_UNIFORM_BUFFER, m_uPixelUbo);
    m_pixel = {};
    glBufferData(GL_UNIFORM_BUFFER, sizeof(PixelBlock), &m_pixel, GL_DYNAMIC_DRAW);
    glBindBufferBase(GL_UNIFORM_BUFFER, ShaderGenerator::kPixelBlock, m_uPixelUbo);
    glGenBuffers(1, &m_uWorldUbo);
    glBindBuffer(GL_UNIFORM_BUFFER, m_uWorldUbo);
    glBufferData(GL_UNIFORM_BUFFER, sizeof(m_fWorld), nullptr, GL_DYNAMIC_DRAW);

    glGenBuffers(1, &m_uWorldNormalUbo);
    glBindBuffer(GL_UNIFORM_BUFFER, m_uWorldNormalUbo);
    glBufferData(GL_UNIFORM_BUFFER, sizeof(m_fWorldNormal), nullptr, GL_DYNAMIC_DRAW);

    glGenBuffers(1, &m_uUserVbo);
    for (VertexArray& array : m_userArrays) {
        glGenVertexArrays(1, &array.m_uVao);
        array.m_dwFvf = ~0u;
    }
    glFrontFace(GL_CW);  // the device's counter-clockwise, mirrored (see m_uBackFbo)
    // Flat shading takes the first vertex's colour on the platform.
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    if (glGetError() != GL_NO_ERROR) {
        return D3DERR_NOTAVAILABLE;
    }
    m_cache.Invalidate();
    m_bCreated = true;
    if (m_type == D3DDEVTYPE_HAL && m_bPacing) {
        m_bSwapIntervalPaces = SDL_GL_SetSwapInterval(1) == 0;
    } else if (m_type == D3DDEVTYPE_HAL) {
        SDL_GL_SetSwapInterval(0);
    }
    return D3D_OK;
}

void GlBackend::DestroyTargets() {
    glDeleteFramebuffers(1, &m_uBackFbo);
    if (m_bBackColorTexture) {
        glDeleteTextures(1, &m_uBackColor);
    } else {
        glDeleteRenderbuffers(1, &m_uBackColor);
    }
    glDeleteRenderbuffers(1, &m_uBackDepth);
    glDeleteFramebuffers(1, &m_uFrontFbo);
    glDeleteTextures(1, &m_uFrontColor);
    m_readback.Destroy();
    m_uBackFbo = m_uBackColor = m_uBackDepth = m_uFrontFbo = m_uFrontColor = 0;
}

void GlBackend::ApplyWindowMode(D3DPRESENT_PARAMETERS& parameters) {
    SDL_Window* window = win::GetSdlWindow(m_hWindow);
    if (window == nullptr) {
        return;
    }
    if (parameters.Windowed == FALSE) {
        // The display's mode is in device pixels, as the targets are.
        SDL_DisplayMode mode = {};
        mode.w = static_cast<int>(m_uTargetWidth);
        mode.h = static_cast<int>(m_uTargetHeight);
        mode.refresh_rate = static_cast<int>(parameters.FullScreen_RefreshRateInHz);
        mode.format = parameters.BackBufferFormat == D3DFMT_R5G6B5 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
        // Both act on the display the window is on now, wherever the user
        // moved it since the device was made. A mode the display shows
        // already needs no switch, and where a switch would upset the other
        // displays there is none.
        SDL_DisplayMode desktop = {};
        SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(window), &desktop);
        if (!win::ModeSwitchesAreSafe() || (desktop.w == mode.w && desktop.h == mode.h)) {
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        } else {
            SDL_SetWindowDisplayMode(window, &mode);
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
        }
        m_bFullscreenApplied = true;
        TraceFullScreen(window);
    } else if (m_bFullscreenApplied) {
        // Leaving full screen does not give the old size back by itself. The
        // window holds the menu strip above the back buffer: a window short
        // by the strip is a size it would pass through on the way back, and
        // the program could take that client area for its new size.
        SDL_SetWindowFullscreen(window, 0);
        SetWindowPos(m_hWindow, nullptr, 0, 0, static_cast<int>(parameters.BackBufferWidth),
                     static_cast<int>(parameters.BackBufferHeight) + win::MenuStripHeight(m_hWindow),
                     SWP_NOMOVE | SWP_NOZORDER);
        m_bFullscreenApplied = false;
    }
}

HRESULT GlBackend::CreateTargets(const D3DPRESENT_PARAMETERS& parameters, int scale) {
    const UINT limit = m_limits.m_dwMaxTextureSize;
    if (parameters.BackBufferWidth * scale > limit || parameters.BackBufferHeight * scale > limit) {
        scale = 1;
    }
    m_iScale = scale;
    m_uTargetWidth = parameters.BackBufferWidth * static_cast<UINT>(scale);
    m_uTargetHeight = parameters.BackBufferHeight * static_cast<UINT>(scale);
    m_pixels.assign(static_cast<std::size_t>(m_uTargetWidth) * m_uTargetHeight, 0);
    const GLsizei width = static_cast<GLsizei>(m_uTargetWidth);
    const GLsizei height = static_cast<GLsizei>(m_uTargetHeight);
    const GLsizei samples =
        parameters.MultiSampleType >= D3DMULTISAMPLE_2_SAMPLES ? static_cast<GLsizei>(parameters.MultiSampleType) : 0;
    while (glGetError() != GL_NO_ERROR) {
    }
    // An unsized RGBA with BGRA data is stored in the window's BGRA layout;
    // a sized GL_RGBA8 would be RGBA, and copies between the two are draws.
    // A multisampled buffer resolves with a draw anyway.
    const GLint colorFormat = samples == 0 ? GL_RGBA : GL_RGBA8;
    glGenFramebuffers(1, &m_uBackFbo);
    glBindFramebuffer(GL_FRAMEBUFFER, m_uBackFbo);
    m_bBackColorTexture = samples == 0;
    if (m_bBackColorTexture) {
        glGenTextures(1, &m_uBackColor);
        glBindTexture(GL_TEXTURE_2D, m_uBackColor);
        glTexImage2D(GL_TEXTURE_2D, 0, colorFormat, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_uBackColor, 0);
    } else {
        glGenRenderbuffers(1, &m_uBackColor);
        glBindRenderbuffer(GL_RENDERBUFFER, m_uBackColor);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_uBackColor);
    }
    m_bHasDepth = false;
    m_bHasStencil = false;
    if (parameters.EnableAutoDepthStencil != FALSE) {
        GLenum attachment = 0;
        const GLenum format = DepthFormat(parameters.AutoDepthStencilFormat, &attachment);
        if (format == 0) {
            return D3DERR_INVALIDCALL;
        }
        glGenRenderbuffers(1, &m_uBackDepth);
        glBindRenderbuffer(GL_RENDERBUFFER, m_uBackDepth);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, m_uBackDepth);
        m_bHasDepth = true;
        m_bHasStencil = attachment == GL_DEPTH_STENCIL_ATTACHMENT;
    }
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        return D3DERR_NOTAVAILABLE;
    }
    glGenTextures(1, &m_uFrontColor);
    glBindTexture(GL_TEXTURE_2D, m_uFrontColor);
    glTexImage2D(GL_TEXTURE_2D, 0, colorFormat, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glGenFramebuffers(1, &m_uFrontFbo);
    glBindFramebuffer(GL_FRAMEBUFFER, m_uFrontFbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_uFrontColor, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        return D3DERR_NOTAVAILABLE;
    }
    // Both buffers start black, as a new swap chain shows.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, m_uBackFbo);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    return glGetError() == GL_NO_ERROR ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT GlBackend::Reset(D3DPRESENT_PARAMETERS& parameters) {
    if (!m_bCreated || !MakeCurrent()) {
        return D3DERR_NOTAVAILABLE;
    }
    if (parameters.Windowed != FALSE && (parameters.BackBufferWidth == 0 || parameters.BackBufferHeight == 0)) {
        SDL_Window* window = win::GetSdlWindow(m_hWindow);
        if (window == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(window, &width, &height);
        if (parameters.BackBufferWidth == 0) {
            parameters.BackBufferWidth = static_cast<UINT>(std::max(width, 1));
        }
        if (parameters.BackBufferHeight == 0) {
            parameters.BackBufferHeight = static_cast<UINT>(std::max(height, 1));
        }
    }
    if (parameters.BackBufferWidth > m_limits.m_dwMaxTextureSize ||
        parameters.BackBufferHeight > m_limits.m_dwMaxTextureSize ||
        (parameters.MultiSampleType >= D3DMULTISAMPLE_2_SAMPLES &&
         static_cast<DWORD>(parameters.MultiSampleType) > m_limits.m_dwMaxSamples)) {
        return D3DERR_INVALIDCALL;
    }
    DestroyTargets();
    const HRESULT hr = CreateTargets(parameters, WindowScaleNow());
    ForgetGlState();
    if (FAILED(hr)) {
        DestroyTargets();
        return hr;
    }
    ApplyWindowMode(parameters);
    m_params = parameters;
    m_uWidth = parameters.BackBufferWidth;
    m_uHeight = parameters.BackBufferHeight;
    m_dwKeyFvf = ~0u;
    m_bLost = false;
    char line[160];
    std::snprintf(line, sizeof(line), "GlBackend: %s back buffer %u x %u, targets %u x %u device pixels (scale %d)\n",
                  m_type == D3DDEVTYPE_HAL ? "HAL" : "REF", m_uWidth, m_uHeight, m_uTargetWidth, m_uTargetHeight,
                  m_iScale);
    OutputDebugStringA(line);
    return D3D_OK;
}

int GlBackend::WindowScaleNow() const {
    // A window without GL (a hosted one) takes frames through its surface, at
    // the back buffer's size.
    return win::GetGlContext(m_hWindow) != nullptr ? std::max(win::WindowScale(m_hWindow), 1) : 1;
}

void GlBackend::FollowWindowScale() {
    // Full screen keeps the scale it was made at: the display mode was chosen
    // for those targets, and a window filling it may report another scale.
    const int scale = WindowScaleNow();
    if (scale == m_iScale || m_uWidth == 0 || m_params.Windowed == FALSE || !MakeCurrent()) {
        return;
    }
    DestroyTargets();
    if (FAILED(CreateTargets(m_params, scale))) {
        DestroyTargets();
        m_bLost = true;  // the program's Reset tries again
    }
    ForgetGlState();
}

HRESULT GlBackend::TestCooperativeLevel() {
    SDL_Window* window = win::GetSdlWindow(m_hWindow);
    if (window != nullptr && m_params.Windowed == FALSE) {
        const Uint32 flags = SDL_GetWindowFlags(window);
        const bool away = (flags & SDL_WINDOW_MINIMIZED) != 0 || (flags & SDL_WINDOW_INPUT_FOCUS) == 0;
        if (away) {
            m_bLost = true;
            return D3DERR_DEVICELOST;
        }
    }
    return m_bLost ? D3DERR_DEVICENOTRESET : D3D_OK;
}

void GlBackend::ForgetGlState() {
    m_cache.Invalidate();
    m_dwForceDirty = DeviceState::DIRTY_ALL;
    m_uBoundPaletteEntries = 0;
}

void GlBackend::ReleaseResource(ResourceBase& resource) {
    void* backendData = resource.BackendData();
    if (backendData == nullptr) {
        return;
    }
    resource.SetBackendData(nullptr);
    const bool current = m_bCreated && MakeCurrent();
    if (resource.ResourceType() == D3DRTYPE_TEXTURE) {
        auto* data = static_cast<TextureData*>(backendData);
        if (current) {
            glDeleteTextures(1, &data->m_uTexture);
            m_cache.Invalidate();
        }
        delete data;
        return;
    }
    auto* data = static_cast<BufferData*>(backendData);
    if (current) {
        for (VertexArray& array : data->m_arrays) {
            if (array.m_uVao != 0) {
                glDeleteVertexArrays(1, &array.m_uVao);
            }
        }
        glDeleteBuffers(1, &data->m_uBuffer);
        // A deleted name may come back for a new object: never trust a
        // cached binding to it.
        m_cache.Invalidate();
    }
    delete data;
}
