#include "platform/win/IconImage.h"

#include <cmath>
#include <cstring>

namespace {
constexpr int kSize = 32;

// 'X' outline (black), 'o' fill (white), anything else transparent.
constexpr const char* kArrowRows[] = {
    "X",         "XX",        "XoX",        "XooX",        "XoooX",        "XooooX",   "XoooooX",
    "XooooooX",  "XoooooooX", "XooooooooX", "XoooooooooX", "XooooooXXXXX", "XoooXooX", "XooXXooX",
    "XoX  XooX", "XX   XooX", "X     XooX", "      XooX",  "       XX",
};

HICON__ BuildArrow() {
    HICON__ arrow;
    arrow.m_bIcon = false;
    arrow.m_nWidth = kSize;
    arrow.m_nHeight = kSize;
    arrow.m_andMask.assign(kSize * kSize, 1);
    arrow.m_xorMask.assign(kSize * kSize, 0);
    int rows = static_cast<int>(sizeof(kArrowRows) / sizeof(kArrowRows[0]));
    for (int y = 0; y < rows; ++y) {
        int length = static_cast<int>(std::strlen(kArrowRows[y]));
        for (int x = 0; x < length; ++x) {
            char c = kArrowRows[y][x];
            if (c == 'X' || c == 'o') {
                arrow.m_andMask[y * kSize + x] = 0;
                arrow.m_xorMask[y * kSize + x] = (c == 'o') ? 1 : 0;
            }
        }
    }
    return arrow;
}

std::uint32_t Argb(int a, int r, int g, int b) {
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(r) << 16) |
           (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

// Distance from p to the segment a-b.
float SegmentDistance(float px, float py, float ax, float ay, float bx, float by) {
    float dx = bx - ax;
    float dy = by - ay;
    float t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    float ex = ax + t * dx - px;
    float ey = ay + t * dy - py;
    return std::sqrt(ex * ex + ey * ey);
}

// Eight rose petals round a cream dial with two blue hands at ten past two.
HICON__ BuildAppIcon() {
    HICON__ icon;
    icon.m_bIcon = true;
    icon.m_nWidth = kSize;
    icon.m_nHeight = kSize;
    icon.m_dwHotspotX = kSize / 2;
    icon.m_dwHotspotY = kSize / 2;
    icon.m_color.assign(kSize * kSize, 0);
    icon.m_andMask.assign(kSize * kSize, 1);
    icon.m_xorMask.assign(kSize * kSize, 0);
    const float centre = 15.5f;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            float dx = static_cast<float>(x) - centre;
            float dy = static_cast<float>(y) - centre;
            float radius = std::sqrt(dx * dx + dy * dy);
            float angle = std::atan2(dy, dx);
            float petalEdge = 11.5f + 4.0f * std::fabs(std::cos(4.0f * angle));
            std::uint32_t colour = 0;
            if (radius <= 9.5f) {
                colour = Argb(255, 255, 248, 225);
                if (radius >= 8.5f) {
                    colour = Argb(255, 200, 150, 60);
                }
                if (SegmentDistance(dx, dy, 0.0f, 0.0f, 0.0f, -7.5f) < 1.1f ||
                    SegmentDistance(dx, dy, 0.0f, 0.0f, 5.0f, -2.5f) < 1.3f) {
                    colour = Argb(255, 40, 70, 170);
                }
            } else if (radius <= petalEdge) {
                int shade = static_cast<int>(255.0f - 6.0f * (radius - 9.5f));
                colour = Argb(255, shade, 90, 150);
            }
            if (colour != 0) {
                icon.m_color[y * kSize + x] = colour;
                icon.m_andMask[y * kSize + x] = 0;
            }
        }
    }
    return icon;
}
}  // namespace

HICON IconImage::Arrow() {
    static HICON__ arrow = BuildArrow();
    return &arrow;
}

HICON IconImage::AppIcon() {
    static HICON__ icon = BuildAppIcon();
    return &icon;
}
