// The GL state the renderer last set, so a call that would change nothing is
// skipped. Every GL call the renderer makes through here is counted, which is
// how benchmarks report calls per draw. One cache per GL context.
#pragma once

#include <epoxy/gl.h>

#include <array>

#include "platform/d3d/gl/ShaderKey.h"
#include "platform/kernel/WinTypes.h"

class GlStateCache {
public:
    static constexpr int kTextureUnits = kTextureStages;

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

    // Makes a GL call the cache does not wrap, counting it: the count is the
    // calls made, never a number kept by hand beside them.
    template <typename Fn, typename... Args>
    auto Call(Fn fn, Args... args) {
        ++m_dwCalls;
        return fn(args...);
    }

    DWORD CallCount() const { return m_dwCalls; }
    GLuint CurrentVertexArray() const { return m_uVertexArray; }

private:
    // ~0 names no object, so the first bind of each unit is always issued.
    static constexpr std::array<GLuint, kTextureUnits> UnknownUnits() {
        std::array<GLuint, kTextureUnits> units{};
        units.fill(~0u);
        return units;
    }

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
    std::array<GLuint, kTextureUnits> m_uTextures = UnknownUnits();
    std::array<GLuint, kTextureUnits> m_uSamplers = UnknownUnits();
    GLuint m_uDrawFramebuffer = ~0u;
};
