#include "platform/d3d/gl/GlStateCache.h"

void GlStateCache::Invalidate() {
    const DWORD calls = m_dwCalls;
    *this = GlStateCache();
    m_dwCalls = calls;
}

int GlStateCache::CapIndex(GLenum capability) {
    switch (capability) {
        case GL_DEPTH_TEST:
            return kDepthTest;
        case GL_BLEND:
            return kBlend;
        case GL_CULL_FACE:
            return kCullFace;
        case GL_SCISSOR_TEST:
            return kScissorTest;
        case GL_STENCIL_TEST:
            return kStencilTest;
        case GL_DITHER:
            return kDither;
        case GL_MULTISAMPLE:
            return kMultisample;
        case GL_LINE_SMOOTH:
            return kLineSmooth;
        default:
            return -1;
    }
}

void GlStateCache::SetEnabled(GLenum capability, bool enabled) {
    const int index = CapIndex(capability);
    if (index >= 0 && m_iCaps[index] == static_cast<int>(enabled)) {
        return;
    }
    if (index >= 0) {
        m_iCaps[index] = static_cast<int>(enabled);
    }
    Call(enabled ? glEnable : glDisable, capability);
}

void GlStateCache::SetBlendFunc(GLenum source, GLenum dest) {
    if (m_eBlendSource == source && m_eBlendDest == dest) {
        return;
    }
    m_eBlendSource = source;
    m_eBlendDest = dest;
    Call(glBlendFunc, source, dest);
}

void GlStateCache::SetBlendEquation(GLenum equation) {
    if (m_eBlendEquation == equation) {
        return;
    }
    m_eBlendEquation = equation;
    Call(glBlendEquation, equation);
}

void GlStateCache::SetStencilFunc(GLenum func, GLint ref, GLuint mask) {
    if (m_eStencilFunc == func && m_iStencilRef == ref && m_uStencilMask == mask) {
        return;
    }
    m_eStencilFunc = func;
    m_iStencilRef = ref;
    m_uStencilMask = mask;
    Call(glStencilFunc, func, ref, mask);
}

void GlStateCache::SetStencilOp(GLenum fail, GLenum depthFail, GLenum pass) {
    if (m_eStencilOps[0] == fail && m_eStencilOps[1] == depthFail && m_eStencilOps[2] == pass) {
        return;
    }
    m_eStencilOps[0] = fail;
    m_eStencilOps[1] = depthFail;
    m_eStencilOps[2] = pass;
    Call(glStencilOp, fail, depthFail, pass);
}

void GlStateCache::SetStencilWriteMask(GLuint mask) {
    if (m_bStencilWriteMaskKnown && m_uStencilWriteMask == mask) {
        return;
    }
    m_bStencilWriteMaskKnown = true;
    m_uStencilWriteMask = mask;
    Call(glStencilMask, mask);
}

void GlStateCache::SetDepthFunc(GLenum func) {
    if (m_eDepthFunc == func) {
        return;
    }
    m_eDepthFunc = func;
    Call(glDepthFunc, func);
}

void GlStateCache::SetDepthMask(bool write) {
    if (m_iDepthMask == static_cast<int>(write)) {
        return;
    }
    m_iDepthMask = static_cast<int>(write);
    Call(glDepthMask, write ? GL_TRUE : GL_FALSE);
}

void GlStateCache::SetColorMask(bool red, bool green, bool blue, bool alpha) {
    const int mask = (red ? 1 : 0) | (green ? 2 : 0) | (blue ? 4 : 0) | (alpha ? 8 : 0);
    if (m_iColorMask == mask) {
        return;
    }
    m_iColorMask = mask;
    Call(glColorMask, red, green, blue, alpha);
}

void GlStateCache::SetCullFace(GLenum face) {
    if (m_eCullFace == face) {
        return;
    }
    m_eCullFace = face;
    Call(glCullFace, face);
}

void GlStateCache::SetPolygonMode(GLenum mode) {
    if (m_ePolygonMode == mode) {
        return;
    }
    m_ePolygonMode = mode;
    Call(glPolygonMode, GL_FRONT_AND_BACK, mode);
}

void GlStateCache::SetViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (m_iViewport[0] == x && m_iViewport[1] == y && m_iViewport[2] == width && m_iViewport[3] == height) {
        return;
    }
    m_iViewport[0] = x;
    m_iViewport[1] = y;
    m_iViewport[2] = width;
    m_iViewport[3] = height;
    Call(glViewport, x, y, width, height);
}

void GlStateCache::SetScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (m_iScissor[0] == x && m_iScissor[1] == y && m_iScissor[2] == width && m_iScissor[3] == height) {
        return;
    }
    m_iScissor[0] = x;
    m_iScissor[1] = y;
    m_iScissor[2] = width;
    m_iScissor[3] = height;
    Call(glScissor, x, y, width, height);
}

void GlStateCache::SetDepthRange(float nearZ, float farZ) {
    if (m_fDepthRange[0] == nearZ && m_fDepthRange[1] == farZ) {
        return;
    }
    m_fDepthRange[0] = nearZ;
    m_fDepthRange[1] = farZ;
    Call(glDepthRange, nearZ, farZ);
}

void GlStateCache::UseProgram(GLuint program) {
    if (m_uProgram == program) {
        return;
    }
    m_uProgram = program;
    Call(glUseProgram, program);
}

void GlStateCache::BindVertexArray(GLuint vertexArray) {
    if (m_uVertexArray == vertexArray) {
        return;
    }
    m_uVertexArray = vertexArray;
    Call(glBindVertexArray, vertexArray);
}

void GlStateCache::BindArrayBuffer(GLuint buffer) {
    if (m_uArrayBuffer == buffer) {
        return;
    }
    m_uArrayBuffer = buffer;
    Call(glBindBuffer, GL_ARRAY_BUFFER, buffer);
}

void GlStateCache::BindTexture(int unit, GLuint texture) {
    if (unit < 0 || unit >= kTextureUnits || m_uTextures[unit] == texture) {
        return;
    }
    if (m_iActiveUnit != unit) {
        m_iActiveUnit = unit;
        Call(glActiveTexture, GL_TEXTURE0 + unit);
    }
    m_uTextures[unit] = texture;
    Call(glBindTexture, GL_TEXTURE_2D, texture);
}

void GlStateCache::BindSampler(int unit, GLuint sampler) {
    if (unit < 0 || unit >= kTextureUnits || m_uSamplers[unit] == sampler) {
        return;
    }
    m_uSamplers[unit] = sampler;
    Call(glBindSampler, static_cast<GLuint>(unit), sampler);
}

void GlStateCache::BindDrawFramebuffer(GLuint framebuffer) {
    if (m_uDrawFramebuffer == framebuffer) {
        return;
    }
    m_uDrawFramebuffer = framebuffer;
    Call(glBindFramebuffer, GL_DRAW_FRAMEBUFFER, framebuffer);
}
