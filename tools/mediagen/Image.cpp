#include "Image.h"

#include <algorithm>
#include <cmath>

Image::Image(int nWidth, int nHeight)
    : m_nWidth(nWidth), m_nHeight(nHeight), m_pixels(static_cast<size_t>(nWidth) * nHeight) {}

void Image::Fill(const std::function<Rgba(float, float)>& shader) {
    for (int y = 0; y < m_nHeight; ++y) {
        for (int x = 0; x < m_nWidth; ++x) {
            At(x, y) = shader(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
        }
    }
}

void Image::Blend(int x, int y, const Rgba& colour, float fCoverage) {
    if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) {
        return;
    }
    const float fA = std::clamp(colour.a * fCoverage, 0.0f, 1.0f);
    if (fA <= 0.0f) {
        return;
    }
    Rgba& d = At(x, y);
    const float fOut = fA + d.a * (1.0f - fA);
    if (fOut <= 0.0f) {
        return;
    }
    d.r = (colour.r * fA + d.r * d.a * (1.0f - fA)) / fOut;
    d.g = (colour.g * fA + d.g * d.a * (1.0f - fA)) / fOut;
    d.b = (colour.b * fA + d.b * d.a * (1.0f - fA)) / fOut;
    d.a = fOut;
}

void Image::DrawShape(const std::function<float(float, float)>& distance, const Rgba& colour) {
    for (int y = 0; y < m_nHeight; ++y) {
        for (int x = 0; x < m_nWidth; ++x) {
            const float fD = distance(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
            const float fCoverage = std::clamp(0.5f - fD, 0.0f, 1.0f);
            if (fCoverage > 0.0f) {
                Blend(x, y, colour, fCoverage);
            }
        }
    }
}

void Image::Composite(const Image& source, int nX, int nY) {
    for (int y = 0; y < source.m_nHeight; ++y) {
        for (int x = 0; x < source.m_nWidth; ++x) {
            const Rgba& s = source.At(x, y);
            Blend(nX + x, nY + y, Rgba{s.r, s.g, s.b, 1.0f}, s.a);
        }
    }
}

Image Image::Half() const {
    Image half(std::max(1, m_nWidth / 2), std::max(1, m_nHeight / 2));
    for (int y = 0; y < half.m_nHeight; ++y) {
        for (int x = 0; x < half.m_nWidth; ++x) {
            // Average with alpha weighting, so transparent texels lend no colour.
            Rgba sum;
            float fWeight = 0.0f;
            for (int k = 0; k < 4; ++k) {
                const int sx = std::min(m_nWidth - 1, x * 2 + (k & 1));
                const int sy = std::min(m_nHeight - 1, y * 2 + (k >> 1));
                const Rgba& s = At(sx, sy);
                const float w = s.a + 1e-4f;
                sum.r += s.r * w;
                sum.g += s.g * w;
                sum.b += s.b * w;
                sum.a += s.a;
                fWeight += w;
            }
            half.At(x, y) = Rgba{sum.r / fWeight, sum.g / fWeight, sum.b / fWeight, sum.a * 0.25f};
        }
    }
    return half;
}

std::vector<std::uint8_t> Image::ToBgra() const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(m_pixels.size() * 4);
    auto byte = [](float f) { return static_cast<std::uint8_t>(std::lround(std::clamp(f, 0.0f, 1.0f) * 255.0f)); };
    for (const Rgba& p : m_pixels) {
        bytes.push_back(byte(p.b));
        bytes.push_back(byte(p.g));
        bytes.push_back(byte(p.r));
        bytes.push_back(byte(p.a));
    }
    return bytes;
}
