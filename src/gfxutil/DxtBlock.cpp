#include "gfxutil/DxtBlock.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

DWORD ReadLE(const BYTE* p, int bytes) {
    DWORD v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

void WriteLE(BYTE* p, DWORD v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        p[i] = static_cast<BYTE>(v >> (8 * i));
    }
}

struct Rgb {
    int r;
    int g;
    int b;
};

Rgb Expand565(DWORD c) {
    const int r = static_cast<int>((c >> 11) & 31);
    const int g = static_cast<int>((c >> 5) & 63);
    const int b = static_cast<int>(c & 31);
    return Rgb{(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

DWORD Pack565(int r, int g, int b) {
    return static_cast<DWORD>(((r * 31 + 127) / 255) << 11 | ((g * 63 + 127) / 255) << 5 | ((b * 31 + 127) / 255));
}

DWORD Argb(int a, const Rgb& c) {
    return (static_cast<DWORD>(a) << 24) | (static_cast<DWORD>(c.r) << 16) | (static_cast<DWORD>(c.g) << 8) |
           static_cast<DWORD>(c.b);
}

Rgb Mix(const Rgb& a, const Rgb& b, int wa, int wb) {
    const int sum = wa + wb;
    return Rgb{(a.r * wa + b.r * wb) / sum, (a.g * wa + b.g * wb) / sum, (a.b * wa + b.b * wb) / sum};
}

// The four colours of a colour block; entry 3 is transparent black in DXT1's three-colour mode.
void ColourPalette(DWORD c0, DWORD c1, bool allowThreeColour, Rgb palette[4], bool& transparent3) {
    palette[0] = Expand565(c0);
    palette[1] = Expand565(c1);
    transparent3 = false;
    if (c0 > c1 || !allowThreeColour) {
        palette[2] = Mix(palette[0], palette[1], 2, 1);
        palette[3] = Mix(palette[0], palette[1], 1, 2);
    } else {
        palette[2] = Mix(palette[0], palette[1], 1, 1);
        palette[3] = Rgb{0, 0, 0};
        transparent3 = true;
    }
}

void DecodeColour(const BYTE* p, bool allowThreeColour, const int alpha[16], DWORD pixels[16]) {
    const DWORD c0 = ReadLE(p, 2);
    const DWORD c1 = ReadLE(p + 2, 2);
    const DWORD indices = ReadLE(p + 4, 4);
    Rgb palette[4];
    bool transparent3 = false;
    ColourPalette(c0, c1, allowThreeColour, palette, transparent3);
    for (int i = 0; i < 16; ++i) {
        const DWORD index = (indices >> (2 * i)) & 3;
        const int a = (transparent3 && index == 3) ? 0 : alpha[i];
        pixels[i] = Argb(a, palette[index]);
    }
}

void AlphaPalette(int a0, int a1, int palette[8]) {
    palette[0] = a0;
    palette[1] = a1;
    if (a0 > a1) {
        for (int i = 1; i <= 6; ++i) {
            palette[i + 1] = ((7 - i) * a0 + i * a1) / 7;
        }
    } else {
        for (int i = 1; i <= 4; ++i) {
            palette[i + 1] = ((5 - i) * a0 + i * a1) / 5;
        }
        palette[6] = 0;
        palette[7] = 255;
    }
}

int DistanceSq(const Rgb& a, const Rgb& b) {
    return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

Rgb ColourOf(DWORD argb) {
    return Rgb{static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
               static_cast<int>(argb & 0xFF)};
}

int AlphaOf(DWORD argb) {
    return static_cast<int>(argb >> 24);
}

void EncodeColour(const DWORD pixels[16], bool useTransparency, BYTE* p) {
    // End points: the corners of the colour box of the pixels that are drawn.
    Rgb lo{255, 255, 255};
    Rgb hi{0, 0, 0};
    bool transparent[16];
    bool anyTransparent = false;
    for (int i = 0; i < 16; ++i) {
        transparent[i] = useTransparency && AlphaOf(pixels[i]) < 128;
        anyTransparent = anyTransparent || transparent[i];
        if (transparent[i]) {
            continue;
        }
        const Rgb c = ColourOf(pixels[i]);
        lo = Rgb{std::min(lo.r, c.r), std::min(lo.g, c.g), std::min(lo.b, c.b)};
        hi = Rgb{std::max(hi.r, c.r), std::max(hi.g, c.g), std::max(hi.b, c.b)};
    }
    DWORD c0 = Pack565(hi.r, hi.g, hi.b);
    DWORD c1 = Pack565(lo.r, lo.g, lo.b);
    if (lo.r > hi.r) {  // every pixel transparent
        c0 = 0;
        c1 = 0;
    }
    // Four-colour mode needs c0 > c1, three-colour mode c0 <= c1.
    if (anyTransparent ? (c0 > c1) : (c0 < c1)) {
        std::swap(c0, c1);
    }
    Rgb palette[4];
    bool transparent3 = false;
    ColourPalette(c0, c1, useTransparency, palette, transparent3);
    const int usable = transparent3 ? 3 : 4;
    DWORD indices = 0;
    for (int i = 0; i < 16; ++i) {
        DWORD best = 3;
        if (!transparent[i]) {
            const Rgb c = ColourOf(pixels[i]);
            best = 0;
            for (int k = 1; k < usable; ++k) {
                if (DistanceSq(c, palette[k]) < DistanceSq(c, palette[best])) {
                    best = static_cast<DWORD>(k);
                }
            }
        }
        indices |= best << (2 * i);
    }
    WriteLE(p, c0, 2);
    WriteLE(p + 2, c1, 2);
    WriteLE(p + 4, indices, 4);
}

}  // namespace

void DecodeDxtBlock(DxtKind kind, const BYTE* pBlock, DWORD pixels[16]) {
    int alpha[16];
    switch (kind) {
        case DxtKind::kDxt1:
            for (int& a : alpha) {
                a = 255;
            }
            DecodeColour(pBlock, true, alpha, pixels);
            return;
        case DxtKind::kDxt3:
            for (int i = 0; i < 16; ++i) {
                const int nibble = (pBlock[i / 2] >> (4 * (i % 2))) & 0xF;
                alpha[i] = nibble * 17;
            }
            break;
        case DxtKind::kDxt5: {
            int palette[8];
            AlphaPalette(pBlock[0], pBlock[1], palette);
            const DWORD low = ReadLE(pBlock + 2, 3);
            const DWORD high = ReadLE(pBlock + 5, 3);
            for (int i = 0; i < 16; ++i) {
                const DWORD bits = (i < 8) ? (low >> (3 * i)) : (high >> (3 * (i - 8)));
                alpha[i] = palette[bits & 7];
            }
            break;
        }
    }
    DecodeColour(pBlock + 8, false, alpha, pixels);
}

void EncodeDxtBlock(DxtKind kind, const DWORD pixels[16], BYTE* pBlock) {
    switch (kind) {
        case DxtKind::kDxt1:
            EncodeColour(pixels, true, pBlock);
            return;
        case DxtKind::kDxt3:
            std::memset(pBlock, 0, 8);
            for (int i = 0; i < 16; ++i) {
                const int nibble = (AlphaOf(pixels[i]) * 15 + 127) / 255;
                pBlock[i / 2] = static_cast<BYTE>(pBlock[i / 2] | (nibble << (4 * (i % 2))));
            }
            break;
        case DxtKind::kDxt5: {
            int a0 = 0;
            int a1 = 255;
            for (int i = 0; i < 16; ++i) {
                a0 = std::max(a0, AlphaOf(pixels[i]));
                a1 = std::min(a1, AlphaOf(pixels[i]));
            }
            // a0 > a1 selects the eight-value palette; equal extremes need no indices.
            int palette[8];
            AlphaPalette(a0, a1, palette);
            DWORD low = 0;
            DWORD high = 0;
            for (int i = 0; i < 16; ++i) {
                DWORD best = 0;
                for (int k = 1; k < 8 && a0 > a1; ++k) {
                    if (std::abs(AlphaOf(pixels[i]) - palette[k]) < std::abs(AlphaOf(pixels[i]) - palette[best])) {
                        best = static_cast<DWORD>(k);
                    }
                }
                if (i < 8) {
                    low |= best << (3 * i);
                } else {
                    high |= best << (3 * (i - 8));
                }
            }
            pBlock[0] = static_cast<BYTE>(a0);
            pBlock[1] = static_cast<BYTE>(a1);
            WriteLE(pBlock + 2, low, 3);
            WriteLE(pBlock + 5, high, 3);
            break;
        }
    }
    EncodeColour(pixels, false, pBlock + 8);
}
