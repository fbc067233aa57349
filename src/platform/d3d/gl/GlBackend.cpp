#include "platform/d3d/gl/GlBackend.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/d3d/core/CoreIndexBuffer.h"
#include "platform/d3d/core/CoreSurface.h"
#include "platform/d3d/core/CoreTexture.h"
#include "platform/d3d/core/CoreVertexBuffer.h"
#include "platform/d3d/core/DeviceState.h"
#include "platform/d3d/core/FvfLayout.h"
#include "platform/d3d/gl/GlPresentHook.h"
#include "platform/d3d/gl/GlTextureUpload.h"
#include "platform/win/GlWindow.h"
#include "platform/win/WinUser.h"
#include "platform/win/WindowLayer.h"

namespace {

d3dgl::PresentHookFn g_pPresentHook = nullptr;
void* g_pPresentHookUser = nullptr;

void ColourToFloats(D3DCOLOR colour, float* out) {
    out[0] = static_cast<float>((colour >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((colour >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(colour & 0xFF) / 255.0f;
    out[3] = static_cast<float>((colour >> 24) & 0xFF) / 255.0f;
}

void ValueToFloats(const D3DCOLORVALUE& value, float* out) {
    out[0] = value.r;
    out[1] = value.g;
    out[2] = value.b;
    out[3] = value.a;
}

void MatrixToFloats(const D3DMATRIX& matrix, float* out) {
    std::memcpy(out, &matrix.m[0][0], 16 * sizeof(float));
}

// The transpose of the inverse of the upper 3 x 3, in a 4 x 4 row-major
// matrix: what normals are multiplied by so non-uniform scales stay right.
void NormalMatrix(const D3DMATRIX& m, float* out) {
    const float c00 = m._22 * m._33 - m._23 * m._32;
    const float c01 = -(m._21 * m._33 - m._23 * m._31);
    const float c02 = m._21 * m._32 - m._22 * m._31;
    const float c10 = -(m._12 * m._33 - m._13 * m._32);
    const float c11 = m._11 * m._33 - m._13 * m._31;
    const float c12 = -(m._11 * m._32 - m._12 * m._31);
    const float c20 = m._12 * m._23 - m._13 * m._22;
    const float c21 = -(m._11 * m._23 - m._13 * m._21);
    const float c22 = m._11 * m._22 - m._12 * m._21;
    const float det = m._11 * c00 + m._12 * c01 + m._13 * c02;
    std::memset(out, 0, 16 * sizeof(float));
    out[15] = 1.0f;
    if (std::fabs(det) < 1e-20f) {
        // Singular (a flattening scale): fall back to the matrix itself.
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                out[r * 4 + c] = m.m[r][c];
            }
        }
        return;
    }
    const float cofactors[3][3] = {{c00, c01, c02}, {c10, c11, c12}, {c20, c21, c22}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            out[r * 4 + c] = cofactors[r][c] / det;
        }
    }
}

GLenum BlendFactor(DWORD blend) {
    switch (blend) {
        case D3DBLEND_ZERO:
            return GL_ZERO;
        case D3DBLEND_SRCCOLOR:
            return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR:
            return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA:
            return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA:
            return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA:
            return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA:
            return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR:
            return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR:
            return GL_ONE_MINUS_DST_COLOR;
        case D3DBLEND_SRCALPHASAT:
            return GL_SRC_ALPHA_SATURATE;
        case D3DBLEND_ONE:
        default:
            return GL_ONE;
    }
}

GLenum CompareFunc(DWORD func) {
    switch (func) {
        case D3DCMP_NEVER:
            return GL_NEVER;
        case D3DCMP_LESS:
            return GL_LESS;
        case D3DCMP_EQUAL:
            return GL_EQUAL;
        case D3DCMP_LESSEQUAL:
            return GL_LEQUAL;
        case D3DCMP_GREATER:
            return GL_GREATER;
        case D3DCMP_NOTEQUAL:
            return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL:
            return GL_GEQUAL;
        default:
            return GL_ALWAYS;
    }
}

GLenum StencilOp(DWORD op) {
    switch (op) {
        case D3DSTENCILOP_ZERO:
            return GL_ZERO;
        case D3DSTENCILOP_REPLACE:
            return GL_REPLACE;
        case D3DSTENCILOP_INCRSAT:
            return GL_INCR;
        case D3DSTENCILOP_DECRSAT:
            return GL_DECR;
        case D3DSTENCILOP_INVERT:
            return GL_INVERT;
        case D3DSTENCILOP_INCR:
            return GL_INCR_WRAP;
        case D3DSTENCILOP_DECR:
            return GL_DECR_WRAP;
        case D3DSTENCILOP_KEEP:
        default:
            return GL_KEEP;
    }
}

GLenum BlendEquation(DWORD op) {
    switch (op) {
        case D3DBLENDOP_SUBTRACT:
            return GL_FUNC_SUBTRACT;
        case D3DBLENDOP_REVSUBTRACT:
            return GL_FUNC_REVERSE_SUBTRACT;
        case D3DBLENDOP_MIN:
            return GL_MIN;
        case D3DBLENDOP_MAX:
            return GL_MAX;
        case D3DBLENDOP_ADD:
        default:
            return GL_FUNC_ADD;
    }
}

GLenum PrimitiveMode(D3DPRIMITIVETYPE type) {
    switch (type) {
        case D3DPT_POINTLIST:
            return GL_POINTS;
        case D3DPT_LINELIST:
            return GL_LINES;
        case D3DPT_LINESTRIP:
            return GL_LINE_STRIP;
        case D3DPT_TRIANGLESTRIP:
            return GL_TRIANGLE_STRIP;
        case D3DPT_TRIANGLEFAN:
            return GL_TRIANGLE_FAN;
        case D3DPT_TRIANGLELIST:
        default:
            return GL_TRIANGLES;
    }
}

GLenum DepthFormat(D3DFORMAT format, GLenum* attachment) {
    *attachment = GL_DEPTH_ATTACHMENT;
    switch (format) {
        case D3DFMT_D16:
            return GL_DEPTH_COMPONENT16;
        case D3DFMT_D24X8:
            return GL_DEPTH_COMPONENT24;
        case D3DFMT_D24S8:
            *attachment = GL_DEPTH_STENCIL_ATTACHMENT;
            return GL_DEPTH24_STENCIL8;
        case D3DFMT_D32:
            return GL_DEPTH_COMPONENT32;
        default:
            return 0;
    }
}

BYTE MaterialSource(const DeviceState& state, D3DRENDERSTATETYPE sourceState, const FvfLayout& layout) {
    if (state.RenderState(D3DRS_COLORVERTEX) == FALSE) {
        return 0;
    }
    const DWORD source = state.RenderState(sourceState);
    if (source == D3DMCS_COLOR1 && layout.HasDiffuse()) {
        return 1;
    }
    if (source == D3DMCS_COLOR2 && layout.HasSpecular()) {
        return 2;
    }
    return 0;
}

bool PacingDisabledByEnvironment() {
    const char* value = std::getenv("VELMORAN_NO_PACING");
    return value != nullptr && value[0] != '\0' && value[0] != '0';
}

}  // namespace

namespace d3dgl {
void SetPresentHook(PresentHookFn hook, void* user) {
    g_pPresentHook = hook;
    g_pPresentHookUser = user;
}
}  // namespace d3dgl

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
        if (FAILED(m_egl.Create())) {
            return D3DERR_NOTAVAILABLE;
        }
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
    glFrontFace(GL_CCW);
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
    glDeleteRenderbuffers(1, &m_uBackColor);
    glDeleteRenderbuffers(1, &m_uBackDepth);
    glDeleteFramebuffers(1, &m_uFrontFbo);
    glDeleteTextures(1, &m_uFrontColor);
    m_uBackFbo = m_uBackColor = m_uBackDepth = m_uFrontFbo = m_uFrontColor = 0;
}

void GlBackend::ApplyWindowMode(D3DPRESENT_PARAMETERS& parameters) {
    SDL_Window* window = win::GetSdlWindow(m_hWindow);
    if (window == nullptr) {
        return;
    }
    if (parameters.Windowed == FALSE) {
        SDL_DisplayMode mode = {};
        mode.w = static_cast<int>(parameters.BackBufferWidth);
        mode.h = static_cast<int>(parameters.BackBufferHeight);
        mode.refresh_rate = static_cast<int>(parameters.FullScreen_RefreshRateInHz);
        mode.format = parameters.BackBufferFormat == D3DFMT_R5G6B5 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
        SDL_SetWindowDisplayMode(window, &mode);
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
        m_bFullscreenApplied = true;
    } else if (m_bFullscreenApplied) {
        // Leaving full screen does not give the old size back by itself.
        SDL_SetWindowFullscreen(window, 0);
        SDL_SetWindowSize(window, static_cast<int>(parameters.BackBufferWidth),
                          static_cast<int>(parameters.BackBufferHeight));
        m_bFullscreenApplied = false;
    }
}

HRESULT GlBackend::CreateTargets(const D3DPRESENT_PARAMETERS& parameters) {
    const GLsizei width = static_cast<GLsizei>(parameters.BackBufferWidth);
    const GLsizei height = static_cast<GLsizei>(parameters.BackBufferHeight);
    const GLsizei samples =
        parameters.MultiSampleType >= D3DMULTISAMPLE_2_SAMPLES ? static_cast<GLsizei>(parameters.MultiSampleType) : 0;
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenRenderbuffers(1, &m_uBackColor);
    glBindRenderbuffer(GL_RENDERBUFFER, m_uBackColor);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    glGenFramebuffers(1, &m_uBackFbo);
    glBindFramebuffer(GL_FRAMEBUFFER, m_uBackFbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_uBackColor);
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
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
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
    const HRESULT hr = CreateTargets(parameters);
    ForgetGlState();
    if (FAILED(hr)) {
        DestroyTargets();
        return hr;
    }
    ApplyWindowMode(parameters);
    m_params = parameters;
    m_uWidth = parameters.BackBufferWidth;
    m_uHeight = parameters.BackBufferHeight;
    m_pixels.assign(static_cast<std::size_t>(m_uWidth) * m_uHeight, 0);
    m_dwKeyFvf = ~0u;
    m_bLost = false;
    return D3D_OK;
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

HRESULT GlBackend::Clear(DeviceState& state, DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                         float z, DWORD stencil) {
    if (!MakeCurrent()) {
        return D3DERR_DRIVERINTERNALERROR;
    }
    m_cache.BindDrawFramebuffer(m_uBackFbo);
    GLbitfield mask = 0;
    if ((flags & D3DCLEAR_TARGET) != 0) {
        float rgba[4];
        ColourToFloats(color, rgba);
        glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
        m_cache.Count();
        m_cache.SetColorMask(true, true, true, true);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_ZBUFFER) != 0 && m_bHasDepth) {
        glClearDepth(std::clamp(z, 0.0f, 1.0f));
        m_cache.Count();
        m_cache.SetDepthMask(true);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_STENCIL) != 0 && m_bHasStencil) {
        glClearStencil(static_cast<GLint>(stencil));
        m_cache.Count();
        m_cache.SetStencilWriteMask(0xFF);
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    if (mask == 0) {
        return D3D_OK;
    }
    // Only the viewport is cleared (and within it only the rectangles given).
    const D3DVIEWPORT8& viewport = state.Viewport();
    const LONG vx1 = static_cast<LONG>(viewport.X);
    const LONG vy1 = static_cast<LONG>(viewport.Y);
    const LONG vx2 = static_cast<LONG>(std::min<UINT>(viewport.X + viewport.Width, m_uWidth));
    const LONG vy2 = static_cast<LONG>(std::min<UINT>(viewport.Y + viewport.Height, m_uHeight));
    m_cache.SetEnabled(GL_SCISSOR_TEST, true);
    const DWORD count = rectCount > 0 && rects != nullptr ? rectCount : 1;
    for (DWORD i = 0; i < count; ++i) {
        LONG x1 = vx1;
        LONG y1 = vy1;
        LONG x2 = vx2;
        LONG y2 = vy2;
        if (rectCount > 0 && rects != nullptr) {
            x1 = std::max(x1, rects[i].x1);
            y1 = std::max(y1, rects[i].y1);
            x2 = std::min(x2, rects[i].x2);
            y2 = std::min(y2, rects[i].y2);
        }
        if (x2 <= x1 || y2 <= y1) {
            continue;
        }
        m_cache.SetScissor(x1, static_cast<GLint>(m_uHeight) - y2, x2 - x1, y2 - y1);
        glClear(mask);
        m_cache.Count();
    }
    // The masks a draw wants come back from the render states.
    state.MarkDirty(DeviceState::DIRTY_RENDER_STATES);
    return D3D_OK;
}

void GlBackend::ApplyRenderStates(const DeviceState& state) {
    m_cache.SetEnabled(GL_SCISSOR_TEST, false);
    const bool depth = m_bHasDepth && state.RenderState(D3DRS_ZENABLE) != D3DZB_FALSE;
    m_cache.SetEnabled(GL_DEPTH_TEST, depth);
    if (depth) {
        m_cache.SetDepthFunc(CompareFunc(state.RenderState(D3DRS_ZFUNC)));
    }
    m_cache.SetDepthMask(depth && state.RenderState(D3DRS_ZWRITEENABLE) != FALSE);
    const bool blend = state.RenderState(D3DRS_ALPHABLENDENABLE) != FALSE;
    m_cache.SetEnabled(GL_BLEND, blend);
    if (blend) {
        m_cache.SetBlendFunc(BlendFactor(state.RenderState(D3DRS_SRCBLEND)),
                             BlendFactor(state.RenderState(D3DRS_DESTBLEND)));
        m_cache.SetBlendEquation(BlendEquation(state.RenderState(D3DRS_BLENDOP)));
    }
    const bool stencil = m_bHasStencil && state.RenderState(D3DRS_STENCILENABLE) != FALSE;
    m_cache.SetEnabled(GL_STENCIL_TEST, stencil);
    if (stencil) {
        m_cache.SetStencilFunc(CompareFunc(state.RenderState(D3DRS_STENCILFUNC)),
                               static_cast<GLint>(state.RenderState(D3DRS_STENCILREF)),
                               state.RenderState(D3DRS_STENCILMASK));
        m_cache.SetStencilOp(StencilOp(state.RenderState(D3DRS_STENCILFAIL)),
                             StencilOp(state.RenderState(D3DRS_STENCILZFAIL)),
                             StencilOp(state.RenderState(D3DRS_STENCILPASS)));
        m_cache.SetStencilWriteMask(state.RenderState(D3DRS_STENCILWRITEMASK));
    }
    m_cache.SetEnabled(GL_DITHER, state.RenderState(D3DRS_DITHERENABLE) != FALSE);
    m_cache.SetEnabled(GL_MULTISAMPLE, state.RenderState(D3DRS_MULTISAMPLEANTIALIAS) != FALSE);
    m_cache.SetEnabled(GL_LINE_SMOOTH, state.RenderState(D3DRS_EDGEANTIALIAS) != FALSE);
    // The picture is upright in GL (only the viewport origin moves), so a
    // triangle counter-clockwise on screen is counter-clockwise for GL too:
    // one of GL's front faces.
    const DWORD cull = state.RenderState(D3DRS_CULLMODE);
    m_cache.SetEnabled(GL_CULL_FACE, cull == D3DCULL_CW || cull == D3DCULL_CCW);
    if (cull == D3DCULL_CCW) {
        m_cache.SetCullFace(GL_FRONT);
    } else if (cull == D3DCULL_CW) {
        m_cache.SetCullFace(GL_BACK);
    }
    const DWORD fill = state.RenderState(D3DRS_FILLMODE);
    m_cache.SetPolygonMode(fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
    const DWORD write = state.RenderState(D3DRS_COLORWRITEENABLE);
    m_cache.SetColorMask((write & D3DCOLORWRITEENABLE_RED) != 0, (write & D3DCOLORWRITEENABLE_GREEN) != 0,
                         (write & D3DCOLORWRITEENABLE_BLUE) != 0, (write & D3DCOLORWRITEENABLE_ALPHA) != 0);
}

void GlBackend::ApplyViewport(const DeviceState& state) {
    const D3DVIEWPORT8& viewport = state.Viewport();
    // Viewport Y runs down from the top of the back buffer; GL's runs up.
    const GLint glY = static_cast<GLint>(m_uHeight) - static_cast<GLint>(viewport.Y + viewport.Height);
    m_cache.SetViewport(static_cast<GLint>(viewport.X), glY, static_cast<GLsizei>(viewport.Width),
                        static_cast<GLsizei>(viewport.Height));
    m_cache.SetDepthRange(viewport.MinZ, viewport.MaxZ);
}

void GlBackend::BuildShaderKey(const DeviceState& state, const FvfLayout& layout, ShaderKey* key) const {
    *key = ShaderKey();
    key->preTransformed = layout.IsPretransformed() ? 1 : 0;
    key->hasNormal = layout.HasNormal() ? 1 : 0;
    key->hasDiffuse = layout.HasDiffuse() ? 1 : 0;
    key->hasSpecular = layout.HasSpecular() ? 1 : 0;
    key->texCoordCount = static_cast<BYTE>(std::min<UINT>(layout.TexCoordCount(), 3));
    key->flat = state.RenderState(D3DRS_SHADEMODE) == D3DSHADE_FLAT ? 1 : 0;
    key->specular = state.RenderState(D3DRS_SPECULARENABLE) != FALSE ? 1 : 0;
    if (key->preTransformed == 0) {
        key->lighting = state.RenderState(D3DRS_LIGHTING) != FALSE ? 1 : 0;
        if (key->lighting != 0) {
            for (DWORD i = 0; i < DeviceState::kLightCount; ++i) {
                if (state.IsLightEnabled(i)) {
                    ++key->lightCount;
                }
            }
            key->normalize = state.RenderState(D3DRS_NORMALIZENORMALS) != FALSE ? 1 : 0;
            key->diffuseSource = MaterialSource(state, D3DRS_DIFFUSEMATERIALSOURCE, layout);
            key->ambientSource = MaterialSource(state, D3DRS_AMBIENTMATERIALSOURCE, layout);
            key->emissiveSource = MaterialSource(state, D3DRS_EMISSIVEMATERIALSOURCE, layout);
            if (key->specular != 0) {
                key->specularSource = MaterialSource(state, D3DRS_SPECULARMATERIALSOURCE, layout);
                key->localViewer = state.RenderState(D3DRS_LOCALVIEWER) != FALSE ? 1 : 0;
            }
        }
        key->fog =
            state.RenderState(D3DRS_FOGENABLE) != FALSE && (state.RenderState(D3DRS_FOGVERTEXMODE) == D3DFOG_LINEAR ||
                                                            state.RenderState(D3DRS_FOGTABLEMODE) == D3DFOG_LINEAR)
                ? 1
                : 0;
        const DWORD blend = state.RenderState(D3DRS_VERTEXBLEND);
        if (blend == D3DVBF_0WEIGHTS) {
            key->blendMatrices = 1;
        } else if (blend >= D3DVBF_1WEIGHTS && blend <= D3DVBF_3WEIGHTS) {
            key->blendMatrices = static_cast<BYTE>(blend + 1);
        }
        if (key->blendMatrices != 0) {
            key->weightCount = static_cast<BYTE>(layout.WeightCount());
            key->indexed =
                state.RenderState(D3DRS_INDEXEDVERTEXBLENDENABLE) != FALSE && layout.HasBlendIndices() ? 1 : 0;
        }
    }
    if (state.RenderState(D3DRS_ALPHATESTENABLE) != FALSE) {
        key->alphaFunc = static_cast<BYTE>(state.RenderState(D3DRS_ALPHAFUNC));
        if (key->alphaFunc < D3DCMP_NEVER || key->alphaFunc > D3DCMP_ALWAYS) {
            key->alphaFunc = D3DCMP_ALWAYS;
        }
    }
    for (DWORD s = 0; s < 2; ++s) {
        StageKey& stage = key->stages[s];
        stage.colorOp = static_cast<BYTE>(state.StageState(s, D3DTSS_COLOROP));
        if (stage.colorOp == D3DTOP_DISABLE || (s == 1 && key->stages[0].colorOp == D3DTOP_DISABLE)) {
            stage = StageKey();  // everything after a disabled stage is unused
            break;
        }
        stage.colorArg1 = static_cast<BYTE>(state.StageState(s, D3DTSS_COLORARG1));
        stage.colorArg2 = static_cast<BYTE>(state.StageState(s, D3DTSS_COLORARG2));
        stage.alphaOp = static_cast<BYTE>(state.StageState(s, D3DTSS_ALPHAOP));
        if (stage.alphaOp != D3DTOP_DISABLE) {
            stage.alphaArg1 = static_cast<BYTE>(state.StageState(s, D3DTSS_ALPHAARG1));
            stage.alphaArg2 = static_cast<BYTE>(state.StageState(s, D3DTSS_ALPHAARG2));
        }
        stage.texCoordIndex = static_cast<BYTE>(std::min<DWORD>(state.StageState(s, D3DTSS_TEXCOORDINDEX) & 0xFFFF, 7));
        stage.hasTexture = state.Texture(s) != nullptr ? 1 : 0;
        const DWORD transform = state.StageState(s, D3DTSS_TEXTURETRANSFORMFLAGS);
        const DWORD count = transform & 0xFF;
        if (count == D3DTTFF_COUNT2 || count == D3DTTFF_COUNT3) {
            stage.texTransform = static_cast<BYTE>(count);
            stage.projected = (transform & D3DTTFF_PROJECTED) != 0 ? 1 : 0;
        }
    }
}

void GlBackend::UpdateFrameBlock(const DeviceState& state) {
    FrameBlock& f = m_frame;
    const D3DMATRIX& view = state.Transform(D3DTS_VIEW);
    MatrixToFloats(view, f.view);
    MatrixToFloats(state.Transform(D3DTS_PROJECTION), f.projection);
    NormalMatrix(view, f.viewNormal);

    const float start = state.RenderStateFloat(D3DRS_FOGSTART);
    const float end = state.RenderStateFloat(D3DRS_FOGEND);
    f.fog[0] = start;
    f.fog[1] = end;
    f.fog[2] = end != start ? 1.0f / (end - start) : 1.0e30f;
    ColourToFloats(state.RenderState(D3DRS_FOGCOLOR), f.fogColor);
    ColourToFloats(state.RenderState(D3DRS_TEXTUREFACTOR), f.textureFactor);

    const D3DVIEWPORT8& viewport = state.Viewport();
    f.screen[0] = static_cast<float>(viewport.X);
    f.screen[1] = static_cast<float>(static_cast<LONG>(m_uHeight) - static_cast<LONG>(viewport.Y + viewport.Height));
    f.screen[2] = static_cast<float>(std::max<DWORD>(viewport.Width, 1));
    f.screen[3] = static_cast<float>(std::max<DWORD>(viewport.Height, 1));
    f.target[0] = static_cast<float>(m_uWidth);
    f.target[1] = static_cast<float>(m_uHeight);
    f.alphaRef[0] = static_cast<float>(state.RenderState(D3DRS_ALPHAREF) & 0xFF);

    const D3DMATERIAL8& material = state.Material();
    ValueToFloats(material.Diffuse, f.materialDiffuse);
    ValueToFloats(material.Ambient, f.materialAmbient);
    ValueToFloats(material.Emissive, f.materialEmissive);
    ValueToFloats(material.Specular, f.materialSpecular);
    f.materialSpecular[3] = material.Power;
    MatrixToFloats(state.Transform(D3DTS_TEXTURE0), f.textureMatrix[0]);
    MatrixToFloats(state.Transform(D3DTS_TEXTURE1), f.textureMatrix[1]);
    ColourToFloats(state.RenderState(D3DRS_AMBIENT), f.ambientTotal);
    int packed = 0;
    for (DWORD i = 0; i < DeviceState::kLightCount; ++i) {
        if (!state.IsLightEnabled(i)) {
            continue;
        }
        const D3DLIGHT8& light = state.Light(i);
        f.ambientTotal[0] += light.Ambient.r;
        f.ambientTotal[1] += light.Ambient.g;
        f.ambientTotal[2] += light.Ambient.b;
        ValueToFloats(light.Diffuse, f.lightDiffuse[packed]);
        ValueToFloats(light.Specular, f.lightSpecular[packed]);
        // Direction into camera space (a vector: no translation), turned to
        // point at the light.
        const D3DVECTOR& d = light.Direction;
        float cx = d.x * view._11 + d.y * view._21 + d.z * view._31;
        float cy = d.x * view._12 + d.y * view._22 + d.z * view._32;
        float cz = d.x * view._13 + d.y * view._23 + d.z * view._33;
        const float length = std::sqrt(cx * cx + cy * cy + cz * cz);
        if (length > 0.0f) {
            cx /= length;
            cy /= length;
            cz /= length;
        }
        f.lightDirection[packed][0] = -cx;
        f.lightDirection[packed][1] = -cy;
        f.lightDirection[packed][2] = -cz;
        f.lightDirection[packed][3] = 0.0f;
        ++packed;
    }
    UploadUniforms(m_uFrameUbo, &m_frame, sizeof(FrameBlock));
}

void GlBackend::UpdateWorldBlocks(const DeviceState& state, DWORD dirty) {
    const DWORD count = (dirty & DeviceState::DIRTY_PALETTE) != 0
                            ? std::min<DWORD>(state.PaletteEntriesInUse(), ShaderGenerator::kPaletteSize)
                            : 1;
    for (DWORD i = 0; i < count; ++i) {
        MatrixToFloats(state.WorldMatrix(i), m_fWorld[i]);
        NormalMatrix(state.WorldMatrix(i), m_fWorldNormal[i]);
    }
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(count * 16 * sizeof(float));
    UploadUniforms(m_uWorldUbo, m_fWorld, bytes);
    UploadUniforms(m_uWorldNormalUbo, m_fWorldNormal, bytes);
}

void GlBackend::UploadUniforms(GLuint buffer, const void* data, GLsizeiptr bytes) {
    glBindBuffer(GL_UNIFORM_BUFFER, buffer);
    glBufferSubData(GL_UNIFORM_BUFFER, 0, bytes, data);
    m_cache.Count(2);
}

void GlBackend::BindPalette(unsigned entries) {
    if (m_uBoundPaletteEntries == entries) {
        return;
    }
    m_uBoundPaletteEntries = entries;
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(entries * 16 * sizeof(float));
    glBindBufferBase(GL_UNIFORM_BUFFER, ShaderGenerator::kFrameBlock, m_uFrameUbo);
    glBindBufferRange(GL_UNIFORM_BUFFER, ShaderGenerator::kWorldBlock, m_uWorldUbo, 0, bytes);
    glBindBufferRange(GL_UNIFORM_BUFFER, ShaderGenerator::kWorldNormalBlock, m_uWorldNormalUbo, 0, bytes);
    m_cache.Count(3);
}

GLuint GlBackend::Sampler(const DeviceState& state, DWORD stage) {
    const auto clampFilter = [](DWORD filter) { return filter > D3DTEXF_LINEAR ? DWORD{D3DTEXF_LINEAR} : filter; };
    const auto clampAddress = [](DWORD address) {
        return address >= D3DTADDRESS_WRAP && address <= D3DTADDRESS_MIRRORONCE ? address : DWORD{D3DTADDRESS_WRAP};
    };
    const DWORD mag = std::max<DWORD>(clampFilter(state.StageState(stage, D3DTSS_MAGFILTER)), 1);
    const DWORD min = std::max<DWORD>(clampFilter(state.StageState(stage, D3DTSS_MINFILTER)), 1);
    const DWORD mip = clampFilter(state.StageState(stage, D3DTSS_MIPFILTER));
    const DWORD u = clampAddress(state.StageState(stage, D3DTSS_ADDRESSU));
    const DWORD v = clampAddress(state.StageState(stage, D3DTSS_ADDRESSV));
    const int index = static_cast<int>((((mag * 3 + min) * 3 + mip) * 6 + u) * 6 + v);
    GLuint& sampler = m_uSamplers[index];
    if (sampler != 0) {
        return sampler;
    }
    glGenSamplers(1, &sampler);
    const bool linearMin = min == D3DTEXF_LINEAR;
    GLenum minFilter = linearMin ? GL_LINEAR : GL_NEAREST;
    if (mip == D3DTEXF_POINT) {
        minFilter = linearMin ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    } else if (mip == D3DTEXF_LINEAR) {
        minFilter = linearMin ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    }
    const auto wrap = [](DWORD address) -> GLint {
        switch (address) {
            case D3DTADDRESS_MIRROR:
                return GL_MIRRORED_REPEAT;
            case D3DTADDRESS_CLAMP:
            case D3DTADDRESS_MIRRORONCE:
                return GL_CLAMP_TO_EDGE;
            case D3DTADDRESS_BORDER:
                return GL_CLAMP_TO_BORDER;
            default:
                return GL_REPEAT;
        }
    };
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, mag == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, wrap(u));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, wrap(v));
    m_cache.Count(5);
    return sampler;
}

GlBackend::TextureData* GlBackend::PrepareTexture(CoreTexture& texture, int unit) {
    auto* data = static_cast<TextureData*>(texture.BackendData());
    if (data == nullptr) {
        data = new TextureData();
        glGenTextures(1, &data->m_uTexture);
        m_cache.Count();
        texture.SetBackendData(data);
    }
    if (!data->m_bUploaded || data->m_dwVersion != texture.Version()) {
        // Uploaded on the unit it is drawn from, so no other stage's binding moves.
        m_cache.BindTexture(unit, data->m_uTexture);
        m_cache.Count(GlTextureUpload::Upload(texture, m_limits.m_bS3tc && m_bCompressedUploads, m_scratch));
        data->m_dwVersion = texture.Version();
        data->m_bUploaded = true;
    }
    return data;
}

void GlBackend::BindTextures(const DeviceState& state, bool samplersDirty) {
    for (DWORD stage = 0; stage < 2; ++stage) {
        CoreTexture* texture = m_key.stages[stage].hasTexture != 0 ? state.Texture(stage) : nullptr;
        if (texture == nullptr) {
            continue;
        }
        TextureData* data = PrepareTexture(*texture, static_cast<int>(stage));
        m_cache.BindTexture(static_cast<int>(stage), data->m_uTexture);
        if (samplersDirty) {
            m_cache.BindSampler(static_cast<int>(stage), Sampler(state, stage));
        }
    }
}

GlBackend::BufferData* GlBackend::PrepareVertexBuffer(CoreVertexBuffer& buffer) {
    auto* data = static_cast<BufferData*>(buffer.BackendData());
    if (data == nullptr) {
        data = new BufferData();
        glGenBuffers(1, &data->m_uBuffer);
        m_cache.Count();
        data->m_dwSerial = m_dwNextSerial++;
        buffer.SetBackendData(data);
    }
    if (!data->m_bUploaded || data->m_dwVersion != buffer.Version()) {
        m_cache.BindArrayBuffer(data->m_uBuffer);
        const bool dynamic = (buffer.Usage() & D3DUSAGE_DYNAMIC) != 0;
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(buffer.Length()), buffer.Bytes(),
                     dynamic ? GL_STREAM_DRAW : GL_STATIC_DRAW);
        m_cache.Count();
        data->m_dwVersion = buffer.Version();
        data->m_bUploaded = true;
    }
    return data;
}

GlBackend::BufferData* GlBackend::PrepareIndexBuffer(CoreIndexBuffer& buffer) {
    auto* data = static_cast<BufferData*>(buffer.BackendData());
    if (data == nullptr) {
        data = new BufferData();
        glGenBuffers(1, &data->m_uBuffer);
        m_cache.Count();
        data->m_dwSerial = m_dwNextSerial++;
        buffer.SetBackendData(data);
    }
    if (!data->m_bUploaded || data->m_dwVersion != buffer.Version()) {
        // Uploaded through the array target so no VAO's index binding moves.
        m_cache.BindArrayBuffer(data->m_uBuffer);
        const bool dynamic = (buffer.Usage() & D3DUSAGE_DYNAMIC) != 0;
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(buffer.Length()), buffer.Bytes(),
                     dynamic ? GL_STREAM_DRAW : GL_STATIC_DRAW);
        m_cache.Count();
        data->m_dwVersion = buffer.Version();
        data->m_bUploaded = true;
    }
    return data;
}

void GlBackend::SetupVertexArray(const FvfLayout& layout, UINT stride, GLuint buffer) {
    // The vertex array is bound; point its attributes into `buffer`.
    m_cache.BindArrayBuffer(buffer);
    const auto offset = [](UINT bytes) { return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(bytes)); };
    const GLsizei s = static_cast<GLsizei>(stride);
    glEnableVertexAttribArray(ShaderGenerator::kPosition);
    glVertexAttribPointer(ShaderGenerator::kPosition, static_cast<GLint>(layout.PositionFloats()), GL_FLOAT, GL_FALSE,
                          s, offset(0));
    m_cache.Count(2);
    if (layout.WeightCount() > 0) {
        glEnableVertexAttribArray(ShaderGenerator::kWeights);
        glVertexAttribPointer(ShaderGenerator::kWeights, static_cast<GLint>(std::min<UINT>(layout.WeightCount(), 4)),
                              GL_FLOAT, GL_FALSE, s, offset(layout.WeightOffset()));
        m_cache.Count(2);
    }
    if (layout.HasBlendIndices()) {
        glEnableVertexAttribArray(ShaderGenerator::kIndices);
        glVertexAttribPointer(ShaderGenerator::kIndices, 4, GL_UNSIGNED_BYTE, GL_FALSE, s,
                              offset(layout.BlendIndicesOffset()));
        m_cache.Count(2);
    }
    if (layout.HasNormal()) {
        glEnableVertexAttribArray(ShaderGenerator::kNormal);
        glVertexAttribPointer(ShaderGenerator::kNormal, 3, GL_FLOAT, GL_FALSE, s, offset(layout.NormalOffset()));
        m_cache.Count(2);
    }
    // Packed colours are B, G, R, A bytes in memory: GL reads them with BGRA.
    if (layout.HasDiffuse()) {
        glEnableVertexAttribArray(ShaderGenerator::kDiffuse);
        glVertexAttribPointer(ShaderGenerator::kDiffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s,
                              offset(layout.DiffuseOffset()));
        m_cache.Count(2);
    }
    if (layout.HasSpecular()) {
        glEnableVertexAttribArray(ShaderGenerator::kSpecular);
        glVertexAttribPointer(ShaderGenerator::kSpecular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s,
                              offset(layout.SpecularOffset()));
        m_cache.Count(2);
    }
    for (UINT set = 0; set < std::min<UINT>(layout.TexCoordCount(), 3); ++set) {
        const GLuint location = ShaderGenerator::kTexCoord0 + set;
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, static_cast<GLint>(std::min<UINT>(layout.TexCoordDimension(set), 4)), GL_FLOAT,
                              GL_FALSE, s, offset(layout.TexCoordOffset(set)));
        m_cache.Count(2);
    }
}

GLuint GlBackend::UserVertexArray(const FvfLayout& layout, UINT stride) {
    for (VertexArray& array : m_userArrays) {
        if (array.m_dwFvf == layout.Fvf() && array.m_uStride == stride) {
            m_cache.BindVertexArray(array.m_uVao);
            return array.m_uVao;
        }
    }
    VertexArray& array = m_userArrays[m_iNextUserArray];
    m_iNextUserArray = (m_iNextUserArray + 1) % kUserArrays;
    // Reuse the object: start from no enabled attributes.
    glDeleteVertexArrays(1, &array.m_uVao);
    glGenVertexArrays(1, &array.m_uVao);
    m_cache.Count(2);
    if (m_cache.CurrentVertexArray() == array.m_uVao) {
        m_cache.BindVertexArray(0);
    }
    m_cache.BindVertexArray(array.m_uVao);
    array.m_dwFvf = layout.Fvf();
    array.m_uStride = stride;
    SetupVertexArray(layout, stride, m_uUserVbo);
    return array.m_uVao;
}

HRESULT GlBackend::Draw(DeviceState& state, const DrawCall& call) {
    if (call.m_pLayout == nullptr || !MakeCurrent()) {
        return D3DERR_INVALIDCALL;
    }
    const FvfLayout& layout = *call.m_pLayout;
    const DWORD dirty = state.Dirty() | m_dwForceDirty;
    m_dwForceDirty = 0;
    m_cache.BindDrawFramebuffer(m_uBackFbo);
    if ((dirty & DeviceState::DIRTY_RENDER_STATES) != 0) {
        ApplyRenderStates(state);
    }
    if ((dirty & DeviceState::DIRTY_VIEWPORT) != 0) {
        ApplyViewport(state);
    }
    const DWORD keyFlags = DeviceState::DIRTY_RENDER_STATES | DeviceState::DIRTY_STAGE_STATES |
                           DeviceState::DIRTY_TEXTURES | DeviceState::DIRTY_LIGHTS | DeviceState::DIRTY_VERTEX_SHADER;
    if ((dirty & keyFlags) != 0 || layout.Fvf() != m_dwKeyFvf || m_uProgram == 0) {
        BuildShaderKey(state, layout, &m_key);
        m_uProgram = m_shaders.Program(m_key);
        m_dwKeyFvf = layout.Fvf();
    }
    if (m_uProgram == 0) {
        return D3DERR_DRIVERINTERNALERROR;
    }
    m_cache.UseProgram(m_uProgram);
    BindPalette(ShaderGenerator::PaletteEntries(m_key));
    const DWORD frameFlags = DeviceState::DIRTY_RENDER_STATES | DeviceState::DIRTY_TEXTURE_TRANSFORMS |
                             DeviceState::DIRTY_VIEW | DeviceState::DIRTY_PROJECTION | DeviceState::DIRTY_MATERIAL |
                             DeviceState::DIRTY_LIGHTS | DeviceState::DIRTY_VIEWPORT;
    if ((dirty & frameFlags) != 0) {
        UpdateFrameBlock(state);
    }
    if ((dirty & (DeviceState::DIRTY_WORLD | DeviceState::DIRTY_PALETTE)) != 0) {
        UpdateWorldBlocks(state, dirty);
    }
    BindTextures(state, (dirty & (DeviceState::DIRTY_STAGE_STATES | DeviceState::DIRTY_TEXTURES)) != 0);

    const GLenum mode = PrimitiveMode(call.m_type);
    const GLsizei count = static_cast<GLsizei>(call.m_uElementCount);
    if (call.m_pUserVertices != nullptr) {
        const UINT stride = call.m_uUserStride;
        const GLsizeiptr bytes = static_cast<GLsizeiptr>(call.m_uElementCount) * stride;
        UserVertexArray(layout, stride);
        m_cache.BindArrayBuffer(m_uUserVbo);
        if (bytes > m_iUserVboSize) {
            m_iUserVboSize = std::max<GLsizeiptr>(bytes, 64 * 1024);
        }
        // Orphan the old storage so the driver need not wait for the last draw.
        glBufferData(GL_ARRAY_BUFFER, m_iUserVboSize, nullptr, GL_STREAM_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, call.m_pUserVertices + call.m_uStartVertex * stride);
        glDrawArrays(mode, 0, count);
        m_cache.Count(3);
    } else {
        CoreVertexBuffer* stream = state.StreamSource();
        if (stream == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        BufferData* vertices = PrepareVertexBuffer(*stream);
        const UINT stride = state.StreamStride();
        VertexArray* array = nullptr;
        for (VertexArray& candidate : vertices->m_arrays) {
            if (candidate.m_uVao != 0 && candidate.m_dwFvf == layout.Fvf() && candidate.m_uStride == stride) {
                array = &candidate;
            }
        }
        if (array == nullptr) {
            array = &vertices->m_arrays[vertices->m_iNextArray];
            vertices->m_iNextArray = (vertices->m_iNextArray + 1) % 2;
            if (array->m_uVao != 0) {
                if (m_cache.CurrentVertexArray() == array->m_uVao) {
                    m_cache.BindVertexArray(0);
                }
                glDeleteVertexArrays(1, &array->m_uVao);
                m_cache.Count();
            }
            glGenVertexArrays(1, &array->m_uVao);
            m_cache.Count();
            array->m_dwFvf = layout.Fvf();
            array->m_uStride = stride;
            array->m_dwIndexSerial = 0;
            m_cache.BindVertexArray(array->m_uVao);
            SetupVertexArray(layout, stride, vertices->m_uBuffer);
        }
        m_cache.BindVertexArray(array->m_uVao);
        if (call.m_bIndexed) {
            CoreIndexBuffer* indices = state.Indices();
            if (indices == nullptr) {
                return D3DERR_INVALIDCALL;
            }
            BufferData* indexData = PrepareIndexBuffer(*indices);
            if (array->m_dwIndexSerial != indexData->m_dwSerial) {
                glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexData->m_uBuffer);
                m_cache.Count();
                array->m_dwIndexSerial = indexData->m_dwSerial;
            }
            const UINT indexSize = indices->IndexSize();
            glDrawElementsBaseVertex(
                mode, count, indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                reinterpret_cast<const void*>(static_cast<std::uintptr_t>(call.m_uStartIndex) * indexSize),
                static_cast<GLint>(state.BaseVertexIndex()));
        } else {
            glDrawArrays(mode, static_cast<GLint>(call.m_uStartVertex), count);
        }
        m_cache.Count();
    }
    state.ClearDirty(keyFlags | frameFlags | DeviceState::DIRTY_WORLD | DeviceState::DIRTY_PALETTE |
                     DeviceState::DIRTY_STREAM | DeviceState::DIRTY_INDICES | DeviceState::DIRTY_PIXEL_SHADER |
                     DeviceState::DIRTY_TEXTURE_TRANSFORMS);
    return D3D_OK;
}

void GlBackend::ResolveToFront() {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uBackFbo);
    m_cache.BindDrawFramebuffer(m_uFrontFbo);
    m_cache.SetEnabled(GL_SCISSOR_TEST, false);
    const GLint w = static_cast<GLint>(m_uWidth);
    const GLint h = static_cast<GLint>(m_uHeight);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    m_cache.Count(2);
}

void GlBackend::ReadFront(std::vector<DWORD>& pixels) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uFrontFbo);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, static_cast<GLsizei>(m_uWidth), static_cast<GLsizei>(m_uHeight), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    m_cache.Count(4);
}

void GlBackend::ShowOnWindowContext() {
    SDL_Window* window = win::GetSdlWindow(m_hWindow);
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    if (m_type == D3DDEVTYPE_REF) {
        // The software frame comes over through memory.
        ReadFront(m_pixels);
        if (!win::MakeGlWindowCurrent(m_hWindow)) {
            return;
        }
        if (m_uWindowTexture == 0) {
            glGenTextures(1, &m_uWindowTexture);
            glGenFramebuffers(1, &m_uWindowFbo);
        }
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, m_uWindowTexture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        if (m_uWindowTextureWidth != m_uWidth || m_uWindowTextureHeight != m_uHeight) {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(m_uWidth), static_cast<GLsizei>(m_uHeight), 0,
                         GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, m_pixels.data());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uWindowFbo);
            glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_uWindowTexture, 0);
            m_uWindowTextureWidth = m_uWidth;
            m_uWindowTextureHeight = m_uHeight;
        } else {
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(m_uWidth), static_cast<GLsizei>(m_uHeight),
                            GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, m_pixels.data());
        }
        glBindTexture(GL_TEXTURE_2D, 0);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uWindowFbo);
    } else {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uFrontFbo);
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, drawableWidth, drawableHeight);
    // The back buffer is the client area, which is the window's lower rows
    // (GL counts from the bottom); the menu strip above it is the window
    // layer's to draw.
    int clientWidth = drawableWidth;
    int clientHeight = drawableHeight;
    RECT client{};
    if (GetClientRect(m_hWindow, &client) && client.right > 0 && client.bottom > 0) {
        clientWidth = std::min(drawableWidth, static_cast<int>(client.right));
        clientHeight = std::min(drawableHeight, static_cast<int>(client.bottom));
    }
    const bool sameSize = clientWidth == static_cast<int>(m_uWidth) && clientHeight == static_cast<int>(m_uHeight);
    glBlitFramebuffer(0, 0, static_cast<GLint>(m_uWidth), static_cast<GLint>(m_uHeight), 0, 0, clientWidth,
                      clientHeight, GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    m_cache.Count(6);
    // Menus and popups of the window go over the scene on both device types.
    win::DrawWindowOverlay(m_hWindow);
    if (g_pPresentHook != nullptr) {
        g_pPresentHook(g_pPresentHookUser);
    }
    SDL_GL_SwapWindow(window);
    // The window's context is the HAL device's own: whatever the hook and
    // this blit changed is no longer known.
    if (m_type == D3DDEVTYPE_HAL) {
        ForgetGlState();
    }
}

void GlBackend::ShowOnWindowSurface() {
    SDL_Window* window = win::GetSdlWindow(m_hWindow);
    if (g_pPresentHook != nullptr) {
        m_cache.BindDrawFramebuffer(m_uFrontFbo);
        glViewport(0, 0, static_cast<GLsizei>(m_uWidth), static_cast<GLsizei>(m_uHeight));
        g_pPresentHook(g_pPresentHookUser);
        ForgetGlState();
    }
    ReadFront(m_pixels);
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr) {
        return;
    }
    const int width = std::min(surface->w, static_cast<int>(m_uWidth));
    const int height = std::min(surface->h, static_cast<int>(m_uHeight));
    SDL_LockSurface(surface);
    for (int y = 0; y < height; ++y) {
        // GL rows run bottom-up.
        const DWORD* source = m_pixels.data() + static_cast<std::size_t>(m_uHeight - 1 - y) * m_uWidth;
        SDL_ConvertPixels(
            width, 1, SDL_PIXELFORMAT_ARGB8888, source, static_cast<int>(m_uWidth) * 4, surface->format->format,
            static_cast<BYTE*>(surface->pixels) + static_cast<std::size_t>(y) * surface->pitch, surface->pitch);
    }
    SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(window);
}

void GlBackend::Pace() {
    if (!m_bPacing || m_bSwapIntervalPaces) {
        return;
    }
    const ULONGLONG frequency = SDL_GetPerformanceFrequency();
    const ULONGLONG period = frequency / m_uRefreshRate;
    const ULONGLONG now = SDL_GetPerformanceCounter();
    if (m_ullNextFrame == 0 || now > m_ullNextFrame + period) {
        m_ullNextFrame = now + period;  // first frame, or fell behind: start over
        return;
    }
    if (now < m_ullNextFrame) {
        SDL_Delay(static_cast<Uint32>((m_ullNextFrame - now) * 1000 / frequency));
    }
    m_ullNextFrame += period;
}

HRESULT GlBackend::Present(const RECT* /*sourceRect*/, const RECT* /*destRect*/, HWND /*destWindowOverride*/) {
    if (m_bLost) {
        return D3DERR_DEVICELOST;
    }
    if (!MakeCurrent()) {
        return D3DERR_DRIVERINTERNALERROR;
    }
    ResolveToFront();
    if (win::GetGlContext(m_hWindow) != nullptr) {
        ShowOnWindowContext();
        Pace();
    } else if (win::GetSdlWindow(m_hWindow) != nullptr) {
        ShowOnWindowSurface();
        Pace();
    }
    return D3D_OK;
}

HRESULT GlBackend::ReadFrontBuffer(UINT width, UINT height, BYTE* bits, UINT pitch) {
    if (bits == nullptr || !MakeCurrent()) {
        return D3DERR_INVALIDCALL;
    }
    ReadFront(m_pixels);
    const UINT rows = std::min(height, m_uHeight);
    const UINT columns = std::min(width, m_uWidth);
    for (UINT y = 0; y < rows; ++y) {
        const DWORD* source = m_pixels.data() + static_cast<std::size_t>(m_uHeight - 1 - y) * m_uWidth;
        auto* dest = reinterpret_cast<DWORD*>(bits + static_cast<std::size_t>(y) * pitch);
        for (UINT x = 0; x < columns; ++x) {
            dest[x] = source[x] | 0xFF000000u;  // the front buffer shows no alpha
        }
    }
    return D3D_OK;
}

HRESULT GlBackend::SetCursorProperties(UINT xHotSpot, UINT yHotSpot, const CoreSurface& image) {
    if (image.Bits() == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return D3D_OK;  // nothing to show a cursor on
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<BYTE*>(image.Bits()), static_cast<int>(image.Width()), static_cast<int>(image.Height()), 32,
        static_cast<int>(image.Pitch()), SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, static_cast<int>(xHotSpot), static_cast<int>(yHotSpot));
    SDL_FreeSurface(surface);
    if (cursor == nullptr) {
        // The display has no colour cursors (off-screen drivers): the system
        // pointer stays, as it would for a device without cursor support.
        return D3D_OK;
    }
    if (m_bCursorShown) {
        SDL_SetCursor(cursor);
    }
    if (m_pCursor != nullptr) {
        SDL_FreeCursor(m_pCursor);
    }
    m_pCursor = cursor;
    return D3D_OK;
}

void GlBackend::SetCursorPosition(int x, int y, DWORD /*flags*/) {
    SDL_Window* window = win::GetSdlWindow(m_hWindow);
    if (window == nullptr || (SDL_GetWindowFlags(window) & SDL_WINDOW_INPUT_FOCUS) == 0) {
        return;
    }
    // Windowed, the position is on the desktop; full screen, on the back buffer.
    if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) == 0) {
        int windowX = 0;
        int windowY = 0;
        SDL_GetWindowPosition(window, &windowX, &windowY);
        x -= windowX;
        y -= windowY;
    }
    int currentX = 0;
    int currentY = 0;
    SDL_GetMouseState(&currentX, &currentY);
    // The system cursor already follows the pointer; move it only when told
    // to go somewhere else.
    if (currentX != x || currentY != y) {
        SDL_WarpMouseInWindow(window, x, y);
    }
}

void GlBackend::ShowCursor(bool show) {
    m_bCursorShown = show;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return;
    }
    if (show && m_pCursor != nullptr) {
        SDL_SetCursor(m_pCursor);
    }
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
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
