// Decodes block-compressed (DXT1/3/5) images to 32-bit ARGB for GL drivers
// without S3TC, and for tests that check what the device should show.
#pragma once

#include "platform/kernel/WinTypes.h"

enum class DxtKind { Dxt1, Dxt3, Dxt5 };

class DxtDecoder {
public:
    static DWORD BlockBytes(DxtKind kind) { return kind == DxtKind::Dxt1 ? 8u : 16u; }
    // Bytes of a whole image: 4x4 blocks, partial blocks counted whole.
    static DWORD ImageBytes(DxtKind kind, DWORD width, DWORD height);

    // One 4x4 block to 16 ARGB pixels, row by row.
    static void DecodeBlock(DxtKind kind, const BYTE* block, DWORD* pixels);

    // A whole image of width x height (any size, blocks padded) into rows of
    // destPitch bytes. The source must hold ImageBytes bytes.
    static void DecodeImage(DxtKind kind, DWORD width, DWORD height, const BYTE* source, DWORD* dest, DWORD destPitch);
};
