// Frames read back from GL without waiting for them: each frame is read into
// one of two pixel buffers while the other, holding the frame before, is
// mapped. What is shown is one frame late; the GPU has a frame's time to
// finish drawing and copying before anybody waits on it.
#pragma once

#include <epoxy/gl.h>

#include "platform/kernel/WinTypes.h"

class GlStateCache;

class GlFrameReadback {
public:
    // The buffers belong to the context current at the first Read; Destroy
    // (or the next Read after it) must run with that context current.
    void Destroy();

    // Starts reading `fbo`'s colour, width x height BGRA as the framebuffer's
    // rows are stored, and maps the frame read at the call before. The first
    // frame at a size has none before it: it is waited for and mapped
    // itself. Null when the buffer cannot be mapped; Unmap either way.
    const DWORD* Read(GlStateCache& cache, GLuint fbo, UINT width, UINT height);
    void Unmap(GlStateCache& cache);

private:
    GLuint m_uBuffers[2] = {};
    int m_iNext = 0;  // the buffer this frame is read into
    bool m_bHasPrevious = false;
    bool m_bMapped = false;
    UINT m_uWidth = 0;
    UINT m_uHeight = 0;
};
