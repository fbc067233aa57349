// An RGBA picture in floating point (straight alpha, 0..1) with the few
// drawing operations the textures need: fills, shapes given as signed distance
// (anti-aliased over one pixel), "over" compositing and box-filtered halving
// for mip levels.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

struct Rgba {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
};

class Image {
public:
    Image(int nWidth, int nHeight);

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    const Rgba& At(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_nWidth + x]; }
    Rgba& At(int x, int y) { return m_pixels[static_cast<size_t>(y) * m_nWidth + x]; }

    // Sets every pixel from a function of the pixel centre (x + 0.5, y + 0.5).
    void Fill(const std::function<Rgba(float, float)>& shader);
    // Composites colour over the picture where the signed distance (pixels,
    // negative inside) says the shape is, with one pixel of soft edge.
    void DrawShape(const std::function<float(float, float)>& distance, const Rgba& colour);
    // Composites a colour with a given coverage (0..1) over one pixel.
    void Blend(int x, int y, const Rgba& colour, float fCoverage);
    // Copies a region of another picture, composited over this one.
    void Composite(const Image& source, int nX, int nY);

    Image Half() const;
    // Pixels as bytes in B, G, R, A order (the layout of A8R8G8B8).
    std::vector<std::uint8_t> ToBgra() const;

private:
    int m_nWidth;
    int m_nHeight;
    std::vector<Rgba> m_pixels;
};
