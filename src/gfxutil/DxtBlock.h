// The published 4x4 block codings DXT1, DXT3 and DXT5: one block to and from
// sixteen 0xAARRGGBB pixels, row by row.
#pragma once

#include "platform/kernel/WinTypes.h"

enum class DxtKind { kDxt1, kDxt3, kDxt5 };

// Bytes per block: 8 for DXT1, 16 for the others.
constexpr UINT DxtBlockBytes(DxtKind kind) {
    return kind == DxtKind::kDxt1 ? 8u : 16u;
}

void DecodeDxtBlock(DxtKind kind, const BYTE* pBlock, DWORD pixels[16]);

// A plain encoder for levels the file does not carry: end points from the
// block's colour extremes, each pixel to the nearest palette entry. DXT1 uses
// its transparent entry for pixels with alpha below one half.
void EncodeDxtBlock(DxtKind kind, const DWORD pixels[16], BYTE* pBlock);
