#include "platform/d3d/gl/GlFrameReadback.h"

#include "platform/d3d/gl/GlStateCache.h"

void GlFrameReadback::Destroy() {
    if (m_uBuffers[0] != 0) {
        glDeleteBuffers(2, m_uBuffers);
    }
    m_uBuffers[0] = m_uBuffers[1] = 0;
    m_bHasPrevious = false;
    m_uWidth = m_uHeight = 0;
}

const DWORD* GlFrameReadback::Read(GlStateCache& cache, GLuint fbo, UINT width, UINT height) {
    const auto bytes = static_cast<GLsizeiptr>(width) * height * 4;
    if (m_uBuffers[0] == 0) {
        cache.Call(glGenBuffers, 2, m_uBuffers);
    }
    if (width != m_uWidth || height != m_uHeight) {
        for (GLuint buffer : m_uBuffers) {
            cache.Call(glBindBuffer, GL_PIXEL_PACK_BUFFER, buffer);
            cache.Call(glBufferData, GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
        }
        m_uWidth = width;
        m_uHeight = height;
        m_bHasPrevious = false;
    }
    cache.Call(glBindFramebuffer, GL_READ_FRAMEBUFFER, fbo);
    cache.Call(glPixelStorei, GL_PACK_ALIGNMENT, 4);
    cache.Call(glPixelStorei, GL_PACK_ROW_LENGTH, 0);
    cache.Call(glBindBuffer, GL_PIXEL_PACK_BUFFER, m_uBuffers[m_iNext]);
    cache.Call(glReadPixels, 0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_BGRA,
               GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    const GLuint shown = m_bHasPrevious ? m_uBuffers[1 - m_iNext] : m_uBuffers[m_iNext];
    m_bHasPrevious = true;
    m_iNext = 1 - m_iNext;
    cache.Call(glBindBuffer, GL_PIXEL_PACK_BUFFER, shown);
    void* mapped = cache.Call(glMapBufferRange, GL_PIXEL_PACK_BUFFER, 0, bytes, GL_MAP_READ_BIT);
    m_bMapped = mapped != nullptr;
    return static_cast<const DWORD*>(mapped);
}

void GlFrameReadback::Unmap(GlStateCache& cache) {
    // The buffer mapped by Read is still bound; reads into client memory
    // need the binding gone.
    if (m_bMapped) {
        cache.Call(glUnmapBuffer, GL_PIXEL_PACK_BUFFER);
        m_bMapped = false;
    }
    cache.Call(glBindBuffer, GL_PIXEL_PACK_BUFFER, 0);
}
