// Frames read back without waiting: each read shows the frame before, and the
// first frame at a size shows itself rather than an unwritten buffer.
#include <gtest/gtest.h>

#include "platform/d3d/gl/EglContext.h"
#include "platform/d3d/gl/GlFrameReadback.h"
#include "platform/d3d/gl/GlStateCache.h"

namespace {

// Clears the framebuffer to `red`, `green`, `blue` and reads it back: the
// first pixel of what the read shows.
DWORD ClearAndRead(GlFrameReadback& readback, GlStateCache& cache, GLuint fbo, float red, float green, float blue,
                   UINT size) {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
    glClearColor(red, green, blue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const DWORD* frame = readback.Read(cache, fbo, size, size);
    const DWORD pixel = frame != nullptr ? frame[size * size - 1] : 0;
    readback.Unmap(cache);
    return pixel;
}

TEST(GlFrameReadbackTest, EachFrameShowsAtTheNextRead) {
    EglContext context;
    ASSERT_EQ(context.Create(EglContext::Device::kBest), S_OK);
    GLuint texture = 0;
    GLuint fbo = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    GlStateCache cache;
    GlFrameReadback readback;
    EXPECT_EQ(ClearAndRead(readback, cache, fbo, 1, 0, 0, 4), 0xFFFF0000u);  // the first frame itself
    EXPECT_EQ(ClearAndRead(readback, cache, fbo, 0, 1, 0, 4), 0xFFFF0000u);
    EXPECT_EQ(ClearAndRead(readback, cache, fbo, 0, 0, 1, 4), 0xFF00FF00u);
    EXPECT_EQ(ClearAndRead(readback, cache, fbo, 1, 1, 1, 4), 0xFF0000FFu);
    // A new size starts over; client-memory reads work after each Unmap.
    EXPECT_EQ(ClearAndRead(readback, cache, fbo, 0, 1, 1, 2), 0xFF00FFFFu);
    DWORD pixel = 0;
    glReadPixels(0, 0, 1, 1, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &pixel);
    EXPECT_EQ(pixel, 0xFF00FFFFu);
    readback.Destroy();
    glDeleteFramebuffers(1, &fbo);
    glDeleteTextures(1, &texture);
}

}  // namespace
