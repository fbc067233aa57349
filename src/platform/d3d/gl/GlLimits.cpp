#include "platform/d3d/gl/GlLimits.h"

#include <epoxy/gl.h>

#include <cstring>

#include "platform/d3d/core/FormatInfo.h"
#include "platform/d3d/gl/ShaderKey.h"

namespace {

bool DepthRenderbufferWorks(GLenum format) {
    GLuint renderbuffer = 0;
    GLuint framebuffer = 0;
    glGenRenderbuffers(1, &renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, format, 4, 4);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderbuffer);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glDeleteRenderbuffers(1, &renderbuffer);
    while (glGetError() != GL_NO_ERROR) {
    }
    return complete;
}

}  // namespace

GlLimits GlLimits::ReadCurrent() {
    GlLimits limits;
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    limits.m_szRenderer = renderer != nullptr ? renderer : "";
    GLint value = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
    limits.m_dwMaxTextureSize = value > 0 ? static_cast<DWORD>(value) : 0;
    value = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &value);
    limits.m_dwMaxSamples = value > 0 ? static_cast<DWORD>(value) : 0;
    limits.m_bS3tc = epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc");
    limits.m_bDepth32 = DepthRenderbufferWorks(GL_DEPTH_COMPONENT32);
    limits.m_bValid = limits.m_dwMaxTextureSize > 0;
    return limits;
}

bool GlLimits::SupportsDepthFormat(D3DFORMAT format) const {
    switch (format) {
        case D3DFMT_D16:
        case D3DFMT_D24X8:
        case D3DFMT_D24S8:
            return true;
        case D3DFMT_D32:
            return m_bDepth32;
        default:
            // D15S1 and D24X4S4 have no GL framebuffer format.
            return false;
    }
}

bool GlLimits::IsDisplayFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5;
}

bool GlLimits::IsBackBufferFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_R5G6B5;
}

bool GlLimits::IsTextureFormat(D3DFORMAT format) {
    // Every format the device core stores is uploaded or decoded for GL.
    return FormatInfo::IsTextureFormat(format);
}

void GlLimits::FillCaps(D3DDEVTYPE type, UINT adapter, D3DCAPS8* caps) const {
    std::memset(caps, 0, sizeof(*caps));
    caps->DeviceType = type;
    caps->AdapterOrdinal = adapter;
    caps->Caps2 = D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_CANMANAGERESOURCE | D3DCAPS2_DYNAMICTEXTURES;
    caps->PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    caps->CursorCaps = D3DCURSORCAPS_COLOR;
    caps->DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                    D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_DRAWPRIMITIVES2 |
                    D3DDEVCAPS_DRAWPRIMITIVES2EX;
    if (type == D3DDEVTYPE_HAL) {
        caps->DevCaps |= D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_EXECUTEVIDEOMEMORY |
                         D3DDEVCAPS_TLVERTEXVIDEOMEMORY | D3DDEVCAPS_TEXTUREVIDEOMEMORY;
    }
    caps->PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                              D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_CLIPTLVERTS;
    caps->RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE | D3DPRASTERCAPS_ZFOG |
                       D3DPRASTERCAPS_COLORPERSPECTIVE;
    const DWORD allCompares = D3DPCMPCAPS_NEVER | D3DPCMPCAPS_LESS | D3DPCMPCAPS_EQUAL | D3DPCMPCAPS_LESSEQUAL |
                              D3DPCMPCAPS_GREATER | D3DPCMPCAPS_NOTEQUAL | D3DPCMPCAPS_GREATEREQUAL |
                              D3DPCMPCAPS_ALWAYS;
    caps->ZCmpCaps = allCompares;
    caps->AlphaCmpCaps = allCompares;
    const DWORD blends = D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCCOLOR | D3DPBLENDCAPS_INVSRCCOLOR |
                         D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA | D3DPBLENDCAPS_DESTALPHA |
                         D3DPBLENDCAPS_INVDESTALPHA | D3DPBLENDCAPS_DESTCOLOR | D3DPBLENDCAPS_INVDESTCOLOR |
                         D3DPBLENDCAPS_SRCALPHASAT;
    caps->SrcBlendCaps = blends;
    caps->DestBlendCaps = blends;
    caps->ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND | D3DPSHADECAPS_FOGGOURAUD;
    caps->TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
    caps->TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                              D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    caps->TextureAddressCaps =
        D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP | D3DPTADDRESSCAPS_INDEPENDENTUV;
    caps->LineCaps =
        D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP | D3DLINECAPS_FOG;
    caps->MaxTextureWidth = m_dwMaxTextureSize;
    caps->MaxTextureHeight = m_dwMaxTextureSize;
    caps->MaxTextureRepeat = 8192;
    caps->MaxTextureAspectRatio = m_dwMaxTextureSize;
    caps->MaxVertexW = 1.0e10f;
    caps->GuardBandLeft = -8192.0f;
    caps->GuardBandTop = -8192.0f;
    caps->GuardBandRight = 8192.0f;
    caps->GuardBandBottom = 8192.0f;
    caps->FVFCaps = 8;
    caps->TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                          D3DTEXOPCAPS_MODULATE | D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_MODULATE4X | D3DTEXOPCAPS_ADD;
    caps->MaxTextureBlendStages = kTextureStages;
    caps->MaxSimultaneousTextures = kTextureStages;
    caps->VertexProcessingCaps = D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS;
    caps->MaxActiveLights = 8;
    caps->MaxVertexBlendMatrices = 4;
    // The whole 256-matrix palette lives in one uniform block.
    caps->MaxVertexBlendMatrixIndex = 255;
    caps->MaxPointSize = 1.0f;
    caps->MaxPrimitiveCount = 0xFFFFF;
    caps->MaxVertexIndex = 0xFFFFFF;
    caps->MaxStreams = 1;
    caps->MaxStreamStride = 255;
}
