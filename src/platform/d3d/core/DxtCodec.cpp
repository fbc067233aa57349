#include "platform/d3d/core/DxtCodec.h"

#include <squish.h>

namespace {

int SquishFlags(DxtKind kind) {
    switch (kind) {
        case DxtKind::kDxt1:
            return squish::kDxt1;
        case DxtKind::kDxt3:
            return squish::kDxt3;
        case DxtKind::kDxt5:
            break;
    }
    return squish::kDxt5;
}

int SquishFlags(DxtKind kind, DxtFit fit) {
    return SquishFlags(kind) | (fit == DxtFit::kCluster ? squish::kColourClusterFit : squish::kColourRangeFit);
}

// libsquish takes and gives bytes in R, G, B, A order.
void ToRgba(const DWORD pixels[16], squish::u8 rgba[64]) {
    for (int i = 0; i < 16; ++i) {
        rgba[4 * i + 0] = static_cast<squish::u8>(pixels[i] >> 16);
        rgba[4 * i + 1] = static_cast<squish::u8>(pixels[i] >> 8);
        rgba[4 * i + 2] = static_cast<squish::u8>(pixels[i]);
        rgba[4 * i + 3] = static_cast<squish::u8>(pixels[i] >> 24);
    }
}

void FromRgba(const squish::u8 rgba[64], DWORD pixels[16]) {
    for (int i = 0; i < 16; ++i) {
        pixels[i] = static_cast<DWORD>(rgba[4 * i + 3]) << 24 | static_cast<DWORD>(rgba[4 * i + 0]) << 16 |
                    static_cast<DWORD>(rgba[4 * i + 1]) << 8 | static_cast<DWORD>(rgba[4 * i + 2]);
    }
}

const DWORD* Row(const DWORD* pImage, UINT pitch, UINT y) {
    return reinterpret_cast<const DWORD*>(reinterpret_cast<const BYTE*>(pImage) + static_cast<size_t>(y) * pitch);
}

DWORD* Row(DWORD* pImage, UINT pitch, UINT y) {
    return reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(pImage) + static_cast<size_t>(y) * pitch);
}

}  // namespace

UINT DxtCodec::ImageBytes(DxtKind kind, UINT width, UINT height) {
    const UINT blocksWide = (width + 3) / 4;
    const UINT blocksHigh = (height + 3) / 4;
    return (blocksWide > 0 ? blocksWide : 1) * (blocksHigh > 0 ? blocksHigh : 1) * BlockBytes(kind);
}

void DxtCodec::DecodeBlock(DxtKind kind, const BYTE* pBlock, DWORD pixels[16]) {
    squish::u8 rgba[64];
    squish::Decompress(rgba, pBlock, SquishFlags(kind));
    FromRgba(rgba, pixels);
}

void DxtCodec::DecodeImage(DxtKind kind, UINT width, UINT height, const BYTE* pSource, DWORD* pDest, UINT destPitch) {
    DWORD pixels[16];
    for (UINT by = 0; by < height; by += 4) {
        for (UINT bx = 0; bx < width; bx += 4) {
            DecodeBlock(kind, pSource, pixels);
            pSource += BlockBytes(kind);
            for (UINT y = 0; y < 4 && by + y < height; ++y) {
                DWORD* row = Row(pDest, destPitch, by + y);
                for (UINT x = 0; x < 4 && bx + x < width; ++x) {
                    row[bx + x] = pixels[4 * y + x];
                }
            }
        }
    }
}

void DxtCodec::EncodeBlock(DxtKind kind, DxtFit fit, const DWORD pixels[16], BYTE* pBlock) {
    squish::u8 rgba[64];
    ToRgba(pixels, rgba);
    squish::Compress(rgba, pBlock, SquishFlags(kind, fit));
}

void DxtCodec::EncodeImage(DxtKind kind, DxtFit fit, UINT width, UINT height, const DWORD* pSource, UINT sourcePitch,
                           BYTE* pDest) {
    DWORD pixels[16] = {};
    squish::u8 rgba[64];
    for (UINT by = 0; by < height; by += 4) {
        for (UINT bx = 0; bx < width; bx += 4) {
            int mask = 0;
            for (UINT y = 0; y < 4 && by + y < height; ++y) {
                const DWORD* row = Row(pSource, sourcePitch, by + y);
                for (UINT x = 0; x < 4 && bx + x < width; ++x) {
                    pixels[4 * y + x] = row[bx + x];
                    mask |= 1 << (4 * y + x);
                }
            }
            ToRgba(pixels, rgba);
            squish::CompressMasked(rgba, mask, pDest, SquishFlags(kind, fit));
            pDest += BlockBytes(kind);
        }
    }
}
