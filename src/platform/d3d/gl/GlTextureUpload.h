// Copies a texture's stored levels into a GL texture: uncompressed formats
// as they are (GL reads the platform's packed layouts directly), DXT blocks
// compressed where GL has S3TC and decoded to 32-bit otherwise.
#pragma once

#include <epoxy/gl.h>

#include <vector>

#include "platform/d3d/D3D8.h"
#include "platform/d3d/gl/GlStateCache.h"

class CoreTexture;

class GlTextureUpload {
public:
    struct PixelLayout {
        GLenum m_eFormat = 0;
        GLenum m_eType = 0;
        UINT m_uBytesPerPixel = 0;
        bool m_bOpaque = false;  // X formats: alpha reads as one
    };

    // False for formats GL gets no plain layout for (the compressed ones).
    static bool LayoutOf(D3DFORMAT format, PixelLayout* layout);

    // Uploads every level into the texture bound on the current unit.
    // `scratch` keeps its memory between calls for decoded DXT levels.
    static void Upload(GlStateCache& cache, const CoreTexture& source, bool s3tc, std::vector<DWORD>& scratch);
};
