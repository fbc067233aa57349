// Sizes of the pixel formats textures and surfaces can hold. Compressed
// formats are stored as 4 x 4 blocks of 8 (DXT1) or 16 bytes (DXT2..5).
#pragma once

#include "platform/d3d/D3D8.h"

class FormatInfo {
public:
    // True for the colour formats a texture or image surface may be created in.
    static bool IsTextureFormat(D3DFORMAT format);
    static bool IsDepthFormat(D3DFORMAT format);
    static bool IsCompressed(D3DFORMAT format);
    // Bytes per pixel of an uncompressed format; bytes per 4 x 4 block of a compressed one.
    static UINT BytesPerUnit(D3DFORMAT format);
    // Bytes from one row (of pixels, or of blocks) to the next.
    static UINT Pitch(D3DFORMAT format, UINT width);
    // Rows of pixels, or of blocks.
    static UINT RowCount(D3DFORMAT format, UINT height);
    static UINT ImageSize(D3DFORMAT format, UINT width, UINT height);
    // Bits of depth and stencil; 0 for colour formats.
    static UINT DepthBits(D3DFORMAT format);
    static UINT StencilBits(D3DFORMAT format);
};
