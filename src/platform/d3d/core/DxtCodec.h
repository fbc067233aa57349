// The published 4 x 4 block codings DXT1, DXT3 and DXT5, to and from
// 0xAARRGGBB pixels, over libsquish. Decoding is exact to the format. The
// device decodes for drivers without S3TC, the texture files decode and encode
// their levels, and the media generator encodes its pictures, all through
// this one class.
#pragma once

#include "platform/kernel/WinTypes.h"

enum class DxtKind { kDxt1, kDxt3, kDxt5 };

// How the encoder picks a block's end points. Range fit takes the extremes
// along the colours' principal axis: quick enough for levels made while a
// texture loads. Cluster fit tries the orderings of the pixels along it: about
// a hundred times slower and closer to the picture, for media made ahead.
enum class DxtFit { kRange, kCluster };

class DxtCodec {
public:
    // Bytes per block: 8 for DXT1, 16 for the others.
    static constexpr UINT BlockBytes(DxtKind kind) { return kind == DxtKind::kDxt1 ? 8u : 16u; }
    // Bytes of a whole image: 4 x 4 blocks, partial blocks counted whole.
    static UINT ImageBytes(DxtKind kind, UINT width, UINT height);

    // One block to sixteen pixels, row by row. DXT1's three-colour blocks give
    // index 3 as transparent black.
    static void DecodeBlock(DxtKind kind, const BYTE* pBlock, DWORD pixels[16]);
    // A whole image of width x height into rows of destPitch bytes; pSource
    // holds ImageBytes bytes.
    static void DecodeImage(DxtKind kind, UINT width, UINT height, const BYTE* pSource, DWORD* pDest, UINT destPitch);

    // Sixteen pixels, row by row, to one block. DXT1 leaves pixels with alpha
    // below one half transparent; give it opaque pixels for an opaque block.
    static void EncodeBlock(DxtKind kind, DxtFit fit, const DWORD pixels[16], BYTE* pBlock);
    // A whole image from rows of sourcePitch bytes into ImageBytes bytes;
    // pixels outside the image in edge blocks do not sway the end points.
    static void EncodeImage(DxtKind kind, DxtFit fit, UINT width, UINT height, const DWORD* pSource, UINT sourcePitch,
                            BYTE* pDest);
};
