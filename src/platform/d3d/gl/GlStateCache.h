// The GL state the renderer last set, so a call that would change nothing is
// skipped. Every GL call the renderer makes through here is counted, which is
// how benchmarks report calls per draw. One cache per GL context.
#pragma once

#include <epoxy/gl.h>

#include "platform/kernel/WinTypes.h"

class GlStateCache {
public:
    static constexpr int kTextureUnits = 2;

    // Forgets everything: the next request of each kind is issued. Used after
    // code outside the renderer (menus drawn at Present) touched the context.
    void Invalidate();

    void SetEnabled(GLenum capability, bool enabled);
    void SetBlendFunc(GLenum source, GLenum dest);
    void SetBlendEquation(GLenum equation);
    void SetStencilFunc(GLenum func, GLint ref, GLuint mask);
    void SetStencilOp(GLenum fail, GLenum depthFail, GLenum pass);
    void SetStencilWriteMask(GLuint mask);
    void SetDepthFunc(GLenum func);
    void SetDepthMask(bool write);
    void SetColorMask(bool red, bool green, bool blue, bool alpha);
    void SetCullFace(GLenum face);
    void SetPolygonMode(GLenum mode);
    void SetViewport(GLint x, GLint y, GLsizei width, GLsizei height);
    void SetScissor(GLint x, GLint y, GLsizei width, GLsizei height);
    void SetDepthRange(float nearZ, float farZ);
    void UseProgram(GLuint program);
    void BindVertexArray(GLuint vertexArray);
    void BindArrayBuffer(GLuint buffer);
    void BindTexture(int unit, GLuint texture);
    void BindSampler(int unit, GLuint sampler);
    void BindDrawFramebuffer(GLuint framebuffer);

    // Counts a GL call made directly (uploads, draws, clears).
    void Count(DWORD calls = 1) { m_dwCalls += calls; }
    DWORD CallCount() const { return m_dwCalls; }
    GLuint CurrentVertexArray() const { return m_uVertexArray; }

private:
    enum Cap {
        kDepthTest,
        kBlend,
        kCullFace,
        kScissorTest,
        kStencilTest,
        kDither,
        kMultisample,
        kLineSmooth,
        kCapCount
    };
    static int CapIndex(GLenum capability);

    DWORD m_dwCalls = 0;
    int m_iCaps[kCapCount] = {-1, -1, -1, -1, -1, -1, -1, -1};
    GLenum m_eBlendSource = 0;
    GLenum m_eBlendDest = 0;
    GLenum m_eBlendEquation = 0;
    GLenum m_eStencilFunc = 0;
    GLint m_iStencilRef = -1;
    GLuint m_uStencilMask = 0;
    GLenum m_eStencilOps[3] = {0, 0, 0};
    GLuint m_uStencilWriteMask = 0;
    bool m_bStencilWriteMaskKnown = false;
    GLenum m_eDepthFunc = 0;
    int m_iDepthMask = -1;
    int m_iColorMask = -1;
    GLenum m_eCullFace = 0;
    GLenum m_ePolygonMode = 0;
    GLint m_iViewport[4] = {-1, -1, -1, -1};
    GLint m_iScissor[4] = {-1, -1, -1, -1};
    float m_fDepthRange[2] = {-1.0f, -1.0f};
    GLuint m_uProgram = ~0u;
    GLuint m_uVertexArray = ~0u;
    GLuint m_uArrayBuffer = ~0u;
    int m_iActiveUnit = -1;
    GLuint m_uTextures[kTextureUnits] = {~0u, ~0u};
    GLuint m_uSamplers[kTextureUnits] = {~0u, ~0u};
    GLuint m_uDrawFramebuffer = ~0u;
};
