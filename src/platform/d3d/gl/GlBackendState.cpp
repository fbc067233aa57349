// Clears and the state a draw sees: the render states and viewport handed to
// the state cache, and the key of the program that draws with them.
#include <algorithm>

#include "platform/d3d/core/DeviceState.h"
#include "platform/d3d/core/FvfLayout.h"
#include "platform/d3d/gl/GlBackend.h"
#include "platform/d3d/gl/GlTranslation.h"

using namespace d3dgl;

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
        m_cache.Call(glClearColor, rgba[0], rgba[1], rgba[2], rgba[3]);
        m_cache.SetColorMask(true, true, true, true);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_ZBUFFER) != 0 && m_bHasDepth) {
        m_cache.Call(glClearDepth, std::clamp(z, 0.0f, 1.0f));
        m_cache.SetDepthMask(true);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_STENCIL) != 0 && m_bHasStencil) {
        m_cache.Call(glClearStencil, static_cast<GLint>(stencil));
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
        const LONG scale = m_iScale;
        m_cache.SetScissor(x1 * scale, y1 * scale, (x2 - x1) * scale, (y2 - y1) * scale);
        m_cache.Call(glClear, mask);
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
    // Targets are top row first (m_uBackFbo), as viewport Y counts, and
    // m_iScale device pixels to the program's unit.
    const GLint scale = m_iScale;
    m_cache.SetViewport(static_cast<GLint>(viewport.X) * scale, static_cast<GLint>(viewport.Y) * scale,
                        static_cast<GLsizei>(viewport.Width) * scale, static_cast<GLsizei>(viewport.Height) * scale);
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
    for (DWORD s = 0; s < kTextureStages; ++s) {
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
