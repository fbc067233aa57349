#include "DxtEncoder.h"

#include <algorithm>
#include <cmath>

namespace {

std::uint16_t Pack565(float r, float g, float b) {
    const auto q = [](float f, int nMax) {
        return static_cast<std::uint16_t>(std::lround(std::clamp(f, 0.0f, 1.0f) * static_cast<float>(nMax)));
    };
    return static_cast<std::uint16_t>((q(r, 31) << 11) | (q(g, 63) << 5) | q(b, 31));
}

void Unpack565(std::uint16_t c, float out[3]) {
    out[0] = static_cast<float>((c >> 11) & 31) / 31.0f;
    out[1] = static_cast<float>((c >> 5) & 63) / 63.0f;
    out[2] = static_cast<float>(c & 31) / 31.0f;
}

}  // namespace

void DxtEncoder::GatherBlock(const Image& image, int nBlockX, int nBlockY, Rgba texels[16]) {
    for (int i = 0; i < 16; ++i) {
        const int x = std::min(image.Width() - 1, nBlockX * 4 + (i & 3));
        const int y = std::min(image.Height() - 1, nBlockY * 4 + (i >> 2));
        texels[i] = image.At(x, y);
    }
}

void DxtEncoder::EncodeColourBlock(const Rgba texels[16], std::uint8_t out[8]) {
    float mean[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        mean[0] += texels[i].r / 16.0f;
        mean[1] += texels[i].g / 16.0f;
        mean[2] += texels[i].b / 16.0f;
    }
    float cov[3][3] = {};
    for (int i = 0; i < 16; ++i) {
        const float d[3] = {texels[i].r - mean[0], texels[i].g - mean[1], texels[i].b - mean[2]};
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) {
                cov[a][b] += d[a] * d[b];
            }
        }
    }
    // Principal axis by a few power iterations.
    float axis[3] = {1.0f, 1.0f, 1.0f};
    for (int it = 0; it < 8; ++it) {
        float next[3] = {0, 0, 0};
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) {
                next[a] += cov[a][b] * axis[b];
            }
        }
        const float fLen = std::sqrt(next[0] * next[0] + next[1] * next[1] + next[2] * next[2]);
        if (fLen < 1e-9f) {
            break;
        }
        for (int a = 0; a < 3; ++a) {
            axis[a] = next[a] / fLen;
        }
    }
    float fMin = 1e9f, fMax = -1e9f;
    for (int i = 0; i < 16; ++i) {
        const float t =
            (texels[i].r - mean[0]) * axis[0] + (texels[i].g - mean[1]) * axis[1] + (texels[i].b - mean[2]) * axis[2];
        fMin = std::min(fMin, t);
        fMax = std::max(fMax, t);
    }
    std::uint16_t c0 = Pack565(mean[0] + axis[0] * fMax, mean[1] + axis[1] * fMax, mean[2] + axis[2] * fMax);
    std::uint16_t c1 = Pack565(mean[0] + axis[0] * fMin, mean[1] + axis[1] * fMin, mean[2] + axis[2] * fMin);
    if (c0 < c1) {
        std::swap(c0, c1);
    }
    std::uint32_t dwIndices = 0;
    if (c0 != c1) {
        float palette[4][3];
        Unpack565(c0, palette[0]);
        Unpack565(c1, palette[1]);
        for (int a = 0; a < 3; ++a) {
            palette[2][a] = (2.0f * palette[0][a] + palette[1][a]) / 3.0f;
            palette[3][a] = (palette[0][a] + 2.0f * palette[1][a]) / 3.0f;
        }
        for (int i = 0; i < 16; ++i) {
            int nBest = 0;
            float fBest = 1e9f;
            for (int k = 0; k < 4; ++k) {
                const float dr = texels[i].r - palette[k][0], dg = texels[i].g - palette[k][1],
                            db = texels[i].b - palette[k][2];
                const float fDist = dr * dr + dg * dg + db * db;
                if (fDist < fBest) {
                    fBest = fDist;
                    nBest = k;
                }
            }
            dwIndices |= static_cast<std::uint32_t>(nBest) << (2 * i);
        }
    }
    out[0] = static_cast<std::uint8_t>(c0 & 0xFF);
    out[1] = static_cast<std::uint8_t>(c0 >> 8);
    out[2] = static_cast<std::uint8_t>(c1 & 0xFF);
    out[3] = static_cast<std::uint8_t>(c1 >> 8);
    for (int k = 0; k < 4; ++k) {
        out[4 + k] = static_cast<std::uint8_t>((dwIndices >> (8 * k)) & 0xFF);
    }
}

void DxtEncoder::EncodeAlphaBlock(const Rgba texels[16], std::uint8_t out[8]) {
    int nMin = 255, nMax = 0;
    int alpha[16];
    for (int i = 0; i < 16; ++i) {
        alpha[i] = static_cast<int>(std::lround(std::clamp(texels[i].a, 0.0f, 1.0f) * 255.0f));
        nMin = std::min(nMin, alpha[i]);
        nMax = std::max(nMax, alpha[i]);
    }
    out[0] = static_cast<std::uint8_t>(nMax);
    out[1] = static_cast<std::uint8_t>(nMin);
    std::uint64_t qwIndices = 0;
    if (nMax > nMin) {
        // Eight-value mode: entries 0 and 1 are the ends, 2..7 step between them.
        int palette[8] = {nMax, nMin};
        for (int k = 1; k <= 6; ++k) {
            palette[k + 1] = ((7 - k) * nMax + k * nMin) / 7;
        }
        for (int i = 0; i < 16; ++i) {
            int nBest = 0, nBestDist = 1 << 20;
            for (int k = 0; k < 8; ++k) {
                const int nDist = std::abs(alpha[i] - palette[k]);
                if (nDist < nBestDist) {
                    nBestDist = nDist;
                    nBest = k;
                }
            }
            qwIndices |= static_cast<std::uint64_t>(nBest) << (3 * i);
        }
    }
    for (int k = 0; k < 6; ++k) {
        out[2 + k] = static_cast<std::uint8_t>((qwIndices >> (8 * k)) & 0xFF);
    }
}

std::vector<std::uint8_t> DxtEncoder::EncodeDxt1(const Image& image) {
    const int nBlocksX = std::max(1, (image.Width() + 3) / 4), nBlocksY = std::max(1, (image.Height() + 3) / 4);
    std::vector<std::uint8_t> out(static_cast<size_t>(nBlocksX) * nBlocksY * 8);
    Rgba texels[16];
    for (int by = 0; by < nBlocksY; ++by) {
        for (int bx = 0; bx < nBlocksX; ++bx) {
            GatherBlock(image, bx, by, texels);
            EncodeColourBlock(texels, &out[(static_cast<size_t>(by) * nBlocksX + bx) * 8]);
        }
    }
    return out;
}

std::vector<std::uint8_t> DxtEncoder::EncodeDxt5(const Image& image) {
    const int nBlocksX = std::max(1, (image.Width() + 3) / 4), nBlocksY = std::max(1, (image.Height() + 3) / 4);
    std::vector<std::uint8_t> out(static_cast<size_t>(nBlocksX) * nBlocksY * 16);
    Rgba texels[16];
    for (int by = 0; by < nBlocksY; ++by) {
        for (int bx = 0; bx < nBlocksX; ++bx) {
            GatherBlock(image, bx, by, texels);
            std::uint8_t* pBlock = &out[(static_cast<size_t>(by) * nBlocksX + bx) * 16];
            EncodeAlphaBlock(texels, pBlock);
            EncodeColourBlock(texels, pBlock + 8);
        }
    }
    return out;
}
