#include "platform/d3d/gl/DxtDecoder.h"

#include <cstring>

namespace {

DWORD Expand565(WORD c) {
    const DWORD r5 = (c >> 11) & 0x1F;
    const DWORD g6 = (c >> 5) & 0x3F;
    const DWORD b5 = c & 0x1F;
    const DWORD r = (r5 << 3) | (r5 >> 2);
    const DWORD g = (g6 << 2) | (g6 >> 4);
    const DWORD b = (b5 << 3) | (b5 >> 2);
    return (r << 16) | (g << 8) | b;
}

DWORD Mix(DWORD a, DWORD b, DWORD wa, DWORD wb, DWORD divisor) {
    DWORD out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const DWORD ca = (a >> shift) & 0xFF;
        const DWORD cb = (b >> shift) & 0xFF;
        out |= ((ca * wa + cb * wb) / divisor) << shift;
    }
    return out;
}

WORD ReadWord(const BYTE* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

// The colour half of every block; DXT3/5 always use the four-colour mode.
void DecodeColours(const BYTE* block, bool allowPunchThrough, DWORD* pixels) {
    const WORD c0 = ReadWord(block);
    const WORD c1 = ReadWord(block + 2);
    DWORD palette[4];
    palette[0] = Expand565(c0) | 0xFF000000u;
    palette[1] = Expand565(c1) | 0xFF000000u;
    if (c0 > c1 || !allowPunchThrough) {
        palette[2] = Mix(palette[0], palette[1], 2, 1, 3) | 0xFF000000u;
        palette[3] = Mix(palette[0], palette[1], 1, 2, 3) | 0xFF000000u;
    } else {
        palette[2] = Mix(palette[0], palette[1], 1, 1, 2) | 0xFF000000u;
        palette[3] = 0;  // transparent black
    }
    const DWORD indices = static_cast<DWORD>(block[4]) | (static_cast<DWORD>(block[5]) << 8) |
                          (static_cast<DWORD>(block[6]) << 16) | (static_cast<DWORD>(block[7]) << 24);
    for (int i = 0; i < 16; ++i) {
        pixels[i] = palette[(indices >> (2 * i)) & 3];
    }
}

void SetAlpha(DWORD* pixel, DWORD alpha) {
    *pixel = (*pixel & 0x00FFFFFFu) | (alpha << 24);
}

}  // namespace

DWORD DxtDecoder::ImageBytes(DxtKind kind, DWORD width, DWORD height) {
    const DWORD blocksWide = (width + 3) / 4;
    const DWORD blocksHigh = (height + 3) / 4;
    return (blocksWide > 0 ? blocksWide : 1) * (blocksHigh > 0 ? blocksHigh : 1) * BlockBytes(kind);
}

void DxtDecoder::DecodeBlock(DxtKind kind, const BYTE* block, DWORD* pixels) {
    switch (kind) {
        case DxtKind::Dxt1:
            DecodeColours(block, true, pixels);
            return;
        case DxtKind::Dxt3:
            DecodeColours(block + 8, false, pixels);
            for (int i = 0; i < 16; ++i) {
                const DWORD nibble = (block[i / 2] >> (4 * (i % 2))) & 0xF;
                SetAlpha(&pixels[i], nibble * 17);
            }
            return;
        case DxtKind::Dxt5: {
            DecodeColours(block + 8, false, pixels);
            const DWORD a0 = block[0];
            const DWORD a1 = block[1];
            DWORD alphas[8] = {a0, a1, 0, 0, 0, 0, 0, 0};
            if (a0 > a1) {
                for (DWORD i = 2; i < 8; ++i) {
                    alphas[i] = ((8 - i) * a0 + (i - 1) * a1) / 7;
                }
            } else {
                for (DWORD i = 2; i < 6; ++i) {
                    alphas[i] = ((6 - i) * a0 + (i - 1) * a1) / 5;
                }
                alphas[6] = 0;
                alphas[7] = 255;
            }
            ULONGLONG bits = 0;
            for (int i = 0; i < 6; ++i) {
                bits |= static_cast<ULONGLONG>(block[2 + i]) << (8 * i);
            }
            for (int i = 0; i < 16; ++i) {
                SetAlpha(&pixels[i], alphas[(bits >> (3 * i)) & 7]);
            }
            return;
        }
    }
}

void DxtDecoder::DecodeImage(DxtKind kind, DWORD width, DWORD height, const BYTE* source, DWORD* dest,
                             DWORD destPitch) {
    const DWORD blocksWide = (width + 3) / 4;
    const DWORD blocksHigh = (height + 3) / 4;
    DWORD pixels[16];
    for (DWORD by = 0; by < blocksHigh; ++by) {
        for (DWORD bx = 0; bx < blocksWide; ++bx) {
            DecodeBlock(kind, source, pixels);
            source += BlockBytes(kind);
            for (DWORD y = 0; y < 4 && by * 4 + y < height; ++y) {
                auto* row = reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(dest) + (by * 4 + y) * destPitch);
                for (DWORD x = 0; x < 4 && bx * 4 + x < width; ++x) {
                    row[bx * 4 + x] = pixels[y * 4 + x];
                }
            }
        }
    }
}
