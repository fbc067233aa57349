#include "TextureSet.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "DdsWriter.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

float Smooth(float e0, float e1, float x) {
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

Rgba Mix(const Rgba& a, const Rgba& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba Scale(const Rgba& c, float f) {
    return {c.r * f, c.g * f, c.b * f, c.a};
}

// Signed distances in pixels, negative inside.
float Circle(float x, float y, float cx, float cy, float r) {
    return std::hypot(x - cx, y - cy) - r;
}

float Capsule(float x, float y, float ax, float ay, float bx, float by, float r) {
    const float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    const float h = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    return std::hypot(px - dx * h, py - dy * h) - r;
}

float RoundBox(float x, float y, float cx, float cy, float hw, float hh, float r) {
    const float qx = std::fabs(x - cx) - hw + r, qy = std::fabs(y - cy) - hh + r;
    return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - r;
}

// Convex triangle, either winding: the largest distance outside its edges.
float Triangle(float x, float y, const float p[6]) {
    const float gx = (p[0] + p[2] + p[4]) / 3.0f, gy = (p[1] + p[3] + p[5]) / 3.0f;
    float d = -1e9f;
    for (int i = 0; i < 3; ++i) {
        const float ax = p[2 * i], ay = p[2 * i + 1];
        const float bx = p[(2 * i + 2) % 6], by = p[(2 * i + 3) % 6];
        const float len = std::hypot(bx - ax, by - ay);
        float nx = (by - ay) / len, ny = -(bx - ax) / len;
        if (nx * (gx - ax) + ny * (gy - ay) > 0.0f) {
            nx = -nx;
            ny = -ny;
        }
        d = std::max(d, nx * (x - ax) + ny * (y - ay));
    }
    return d;
}

NamedFile Dds(const std::string& szName, const Image& image, DdsFormat format, bool bMipmaps) {
    return {szName, DdsWriter::Write(image, format, bMipmaps)};
}

// A round badge centred in a cell, the background of every button.
void Badge(Image& image, float cx, float cy) {
    image.DrawShape([&](float x, float y) { return Circle(x, y, cx, cy, 56.0f); }, Rgba{0.05f, 0.04f, 0.12f, 0.55f});
    const Rgba top{0.42f, 0.32f, 0.72f, 0.92f}, bottom{0.18f, 0.13f, 0.42f, 0.92f};
    for (int y = static_cast<int>(cy) - 56; y <= static_cast<int>(cy) + 56; ++y) {
        const Rgba c = Mix(top, bottom, Smooth(cy - 50.0f, cy + 50.0f, static_cast<float>(y)));
        for (int x = static_cast<int>(cx) - 56; x <= static_cast<int>(cx) + 56; ++x) {
            const float d = Circle(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f, cx, cy, 51.0f);
            image.Blend(x, y, c, std::clamp(0.5f - d, 0.0f, 1.0f));
        }
    }
    image.DrawShape([&](float x, float y) { return std::fabs(Circle(x, y, cx, cy, 49.0f)) - 2.0f; },
                    Rgba{1.0f, 1.0f, 1.0f, 0.95f});
}

const Rgba kGlyph{1.0f, 1.0f, 1.0f, 1.0f};

}  // namespace

Image TextureSet::Dial() {
    Image image(256, 256);
    const Rgba ivory{1.0f, 0.975f, 0.92f, 1.0f}, edge{0.95f, 0.86f, 0.80f, 1.0f}, blush{0.98f, 0.80f, 0.87f, 1.0f};
    image.Fill([&](float x, float y) {
        const float dx = (x - 128.0f) / 128.0f, dy = (y - 128.0f) / 128.0f;
        const float r = std::hypot(dx, dy);
        Rgba c = Mix(ivory, edge, Smooth(0.2f, 1.0f, r * r));
        // A faint twelve-petal rosette in the middle.
        const float fPetal = std::pow(std::max(0.0f, std::cos(6.0f * std::atan2(dy, dx))), 2.0f);
        const float fBand = Smooth(0.08f, 0.2f, r) * (1.0f - Smooth(0.3f + 0.12f * fPetal, 0.5f + 0.1f * fPetal, r));
        c = Mix(c, blush, 0.55f * fBand * (0.4f + 0.6f * fPetal));
        return c;
    });
    const Rgba plum{0.34f, 0.17f, 0.44f, 1.0f}, lilac{0.50f, 0.38f, 0.56f, 1.0f}, gold{0.80f, 0.60f, 0.25f, 1.0f};
    for (int i = 0; i < 60; ++i) {
        const float a = static_cast<float>(i) * kPi / 30.0f;
        const bool bHour = i % 5 == 0;
        const float r0 = (bHour ? 0.885f : 0.925f) * 128.0f, r1 = 0.955f * 128.0f;
        const float sx = std::sin(a), sy = -std::cos(a);
        image.DrawShape(
            [&](float x, float y) {
                return Capsule(x, y, 128.0f + sx * r0, 128.0f + sy * r0, 128.0f + sx * r1, 128.0f + sy * r1,
                               bHour ? 1.6f : 0.6f);
            },
            bHour ? plum : lilac);
    }
    image.DrawShape([](float x, float y) { return std::fabs(Circle(x, y, 128.0f, 128.0f, 0.982f * 128.0f)) - 0.9f; },
                    gold);
    return image;
}

Image TextureSet::Petal() {
    Image image(128, 128);
    const Rgba deep{0.84f, 0.26f, 0.55f, 1.0f}, pink{0.98f, 0.62f, 0.80f, 1.0f}, tip{1.0f, 0.92f, 0.96f, 1.0f};
    image.Fill([&](float x, float y) {
        const float u = x / 128.0f, v = y / 128.0f;  // v = 0 at the tip, 1 at the base
        Rgba c = Mix(tip, pink, Smooth(0.05f, 0.45f, v));
        c = Mix(c, deep, Smooth(0.55f, 1.0f, v));
        const float fAcross = u - 0.5f;
        const float fVein = std::exp(-std::pow(fAcross / 0.018f, 2.0f)) * Smooth(0.1f, 0.9f, v);
        const float fSide = 0.5f + 0.5f * std::cos(2.0f * kPi * (fAcross * 7.0f / (0.35f + v)));
        c = Scale(c, 1.0f - 0.12f * fVein - 0.05f * fSide * v);
        return c;
    });
    return image;
}

Image TextureSet::Leaf() {
    Image image(128, 128);
    const Rgba base{0.16f, 0.42f, 0.14f, 1.0f}, tip{0.36f, 0.66f, 0.24f, 1.0f}, vein{0.62f, 0.82f, 0.42f, 1.0f};
    image.Fill([&](float x, float y) {
        const float u = x / 128.0f, v = y / 128.0f;
        Rgba c = Mix(tip, base, Smooth(0.0f, 1.0f, v));
        const float fAcross = std::fabs(u - 0.5f);
        const float fMid = std::exp(-std::pow(fAcross / 0.02f, 2.0f));
        const float fPhase = (v + fAcross * 1.3f) * 7.0f;
        const float fSide = std::exp(-std::pow((fPhase - std::round(fPhase)) / 0.08f, 2.0f)) * (fAcross > 0.03f);
        c = Mix(c, vein, 0.8f * fMid + 0.35f * fSide);
        c = Scale(c, 1.0f - 0.25f * Smooth(0.35f, 0.5f, fAcross));
        return c;
    });
    return image;
}

Image TextureSet::Numerals(FontRenderer& serif) {
    Image image(512, 512);
    for (int n = 1; n <= 12; ++n) {
        const float cx = 64.0f + 128.0f * static_cast<float>((n - 1) % 4);
        const float cy = 64.0f + 128.0f * static_cast<float>((n - 1) / 4);
        const std::string sz = std::to_string(n);
        const float fWidth = n >= 10 ? 0.72f : 1.0f;
        serif.DrawCentred(image, sz, cx, cy, 104.0f, fWidth, Rgba{1.0f, 0.98f, 0.92f, 0.85f}, 4.0f);
        serif.DrawCentred(image, sz, cx, cy, 104.0f, fWidth, Rgba{0.32f, 0.14f, 0.42f, 1.0f});
    }
    return image;
}

Image TextureSet::BirdFeathers() {
    Image image(128, 128);
    const Rgba crown{0.08f, 0.24f, 0.78f, 1.0f}, sky{0.22f, 0.54f, 1.0f, 1.0f}, belly{0.97f, 0.95f, 0.90f, 1.0f};
    image.Fill([&](float x, float y) {
        const float u = x / 128.0f, v = y / 128.0f;
        Rgba c = Mix(crown, sky, Smooth(0.0f, 0.45f, v));
        c = Mix(c, belly, Smooth(0.55f, 0.7f, v));
        // Rows of scalloped feathers.
        const float fScallop = std::sin(2.0f * kPi * u * 12.0f) * std::sin(kPi * v * 14.0f);
        return Scale(c, 0.92f + 0.08f * fScallop);
    });
    return image;
}

Image TextureSet::Bubble() {
    // The particle triangle's texture coordinates are (0,1), (0.5,0), (1,1):
    // its inscribed circle is centred at (0.5, 0.691) with radius 0.309.
    Image image(64, 64);
    const float cx = 32.0f, cy = 0.691f * 64.0f, r = 0.29f * 64.0f;
    image.Fill([&](float x, float y) {
        const float d = std::hypot(x - cx, y - cy) / r;
        const float fAngle = std::atan2(y - cy, x - cx);
        const Rgba tint{0.80f + 0.2f * std::sin(fAngle * 2.0f), 0.90f, 0.95f + 0.05f * std::cos(fAngle * 3.0f), 1.0f};
        const float fRim = 0.12f + 0.75f * Smooth(0.55f, 0.97f, d);
        const float fEdge = 1.0f - Smooth(0.97f, 1.05f, d);
        return Rgba{tint.r, tint.g, tint.b, fRim * fEdge};
    });
    image.DrawShape([&](float x, float y) { return Circle(x, y, cx - 0.38f * r, cy - 0.38f * r, 0.2f * r); },
                    Rgba{1.0f, 1.0f, 1.0f, 0.9f});
    return image;
}

Image TextureSet::Spark() {
    Image image(64, 64);
    const float cx = 32.0f, cy = 0.691f * 64.0f, r = 0.3f * 64.0f;
    image.Fill([&](float x, float y) {
        const float d = std::hypot(x - cx, y - cy) / r;
        const float fGlow = std::exp(-d * d * 3.0f) * (1.0f - Smooth(0.8f, 1.0f, d));
        const float fCore = std::exp(-d * d * 30.0f);
        return Rgba{1.0f, 1.0f, 1.0f, std::clamp(fGlow + fCore, 0.0f, 1.0f)};
    });
    return image;
}

Image TextureSet::Ribbon() {
    Image image(64, 64);
    image.Fill([&](float, float y) {
        const float v = y / 64.0f;
        const float fBand = std::pow(std::sin(kPi * v), 1.5f);
        const float fCore = std::exp(-std::pow((v - 0.5f) / 0.12f, 2.0f));
        return Rgba{1.0f, 1.0f, 1.0f, std::clamp(0.75f * fBand + 0.25f * fCore, 0.0f, 1.0f)};
    });
    return image;
}

Image TextureSet::Buttons() {
    Image image(256, 256);
    for (int cell = 0; cell < 4; ++cell) {
        Badge(image, 64.0f + 128.0f * static_cast<float>(cell % 2), 64.0f + 128.0f * static_cast<float>(cell / 2));
    }
    // Cell 0: exit, a cross.
    image.DrawShape(
        [](float x, float y) {
            return std::min(Capsule(x, y, 44, 44, 84, 84, 5.5f), Capsule(x, y, 84, 44, 44, 84, 5.5f));
        },
        kGlyph);
    // Cell 1: full screen, four corner brackets.
    image.DrawShape(
        [](float x, float y) {
            float d = 1e9f;
            for (int k = 0; k < 4; ++k) {
                const float sx = (k & 1) ? 1.0f : -1.0f, sy = (k & 2) ? 1.0f : -1.0f;
                const float cx = 192.0f + sx * 26.0f, cy = 64.0f + sy * 26.0f;
                d = std::min(d, Capsule(x, y, cx, cy, cx - sx * 15.0f, cy, 4.0f));
                d = std::min(d, Capsule(x, y, cx, cy, cx, cy - sy * 15.0f, 4.0f));
            }
            return d;
        },
        kGlyph);
    // Cell 2: camera, a body with a lens and a viewfinder.
    image.DrawShape(
        [](float x, float y) {
            const float fBody = RoundBox(x, y, 64, 196, 30, 19, 6);
            const float fFinder = RoundBox(x, y, 52, 174, 9, 6, 2);
            const float fLens = -(Circle(x, y, 66, 197, 12));
            return std::max(std::min(fBody, fFinder), fLens);
        },
        kGlyph);
    image.DrawShape([](float x, float y) { return Circle(x, y, 66, 197, 6.5f); }, kGlyph);
    // Cell 3: timer, a stopwatch.
    image.DrawShape(
        [](float x, float y) {
            const float fRing = std::fabs(Circle(x, y, 192, 198, 23)) - 3.5f;
            const float fCrown = RoundBox(x, y, 192, 168, 6, 4, 1.5f);
            const float fHands =
                std::min(Capsule(x, y, 192, 198, 192, 183, 2.5f), Capsule(x, y, 192, 198, 203, 198, 2.5f));
            return std::min(std::min(fRing, fCrown), fHands);
        },
        kGlyph);
    return image;
}

Image TextureSet::TimerButtons() {
    Image image(256, 256);
    for (int cell = 0; cell < 4; ++cell) {
        Badge(image, 64.0f + 128.0f * static_cast<float>(cell % 2), 64.0f + 128.0f * static_cast<float>(cell / 2));
    }
    // Cell 0: start / pause, a play triangle beside two bars.
    const float play[6] = {36, 44, 62, 64, 36, 84};
    image.DrawShape(
        [&](float x, float y) {
            return std::min(Triangle(x, y, play) - 1.0f,
                            std::min(RoundBox(x, y, 74, 64, 4, 19, 1.5f), RoundBox(x, y, 88, 64, 4, 19, 1.5f)));
        },
        kGlyph);
    // Cell 1: reset, an open circular arrow.
    const float head[6] = {208, 41, 214, 62, 195, 55};
    image.DrawShape(
        [&](float x, float y) {
            const float fAngle = std::atan2(y - 64.0f, x - 192.0f);
            const float fRing = std::fabs(Circle(x, y, 192, 64, 20)) - 3.5f;
            // Leave a gap at the upper right, where the arrow head sits.
            const float fGap = (fAngle > -1.35f && fAngle < -0.45f) ? 1e9f : fRing;
            return std::min(fGap, Triangle(x, y, head));
        },
        kGlyph);
    // Cell 2: plus.
    image.DrawShape(
        [](float x, float y) {
            return std::min(Capsule(x, y, 42, 192, 86, 192, 6), Capsule(x, y, 64, 170, 64, 214, 6));
        },
        kGlyph);
    // Cell 3: minus.
    image.DrawShape([](float x, float y) { return Capsule(x, y, 170, 192, 214, 192, 6); }, kGlyph);
    return image;
}

Image TextureSet::Digits(FontRenderer& sans) {
    // 4 x 3 cells of 64 x 85.3 texels; the program draws each cell as a
    // square, so the glyphs are narrowed by 3/4 to look right on screen.
    Image image(256, 256);
    for (int d = 0; d <= 9; ++d) {
        const float cx = 32.0f + 64.0f * static_cast<float>(d % 4);
        const float cy = (256.0f / 3.0f) * (static_cast<float>(d / 4) + 0.5f);
        const std::string sz(1, static_cast<char>('0' + d));
        sans.DrawCentred(image, sz, cx, cy, 76.0f, 0.75f, Rgba{0.04f, 0.04f, 0.16f, 0.85f}, 3.0f);
        sans.DrawCentred(image, sz, cx, cy, 76.0f, 0.75f, Rgba{1.0f, 1.0f, 1.0f, 1.0f});
    }
    return image;
}

Image TextureSet::Panel() {
    Image image(128, 128);
    const Rgba top{0.24f, 0.18f, 0.46f, 0.88f}, bottom{0.08f, 0.06f, 0.22f, 0.88f};
    for (int y = 0; y < 128; ++y) {
        const Rgba c = Mix(top, bottom, static_cast<float>(y) / 127.0f);
        for (int x = 0; x < 128; ++x) {
            const float d = RoundBox(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f, 64, 64, 60, 60, 16);
            image.Blend(x, y, c, std::clamp(0.5f - d, 0.0f, 1.0f));
        }
    }
    image.DrawShape([](float x, float y) { return std::fabs(RoundBox(x, y, 64, 64, 55, 55, 12)) - 1.0f; },
                    Rgba{0.85f, 0.78f, 1.0f, 0.9f});
    return image;
}

Image TextureSet::Border() {
    // Only the outer tenth of the picture is ever shown: a band of 25.6 texels.
    constexpr float kSize = 256.0f, kBand = kSize / 10.0f;
    Image image(256, 256);
    const Rgba outer{0.05f, 0.20f, 0.18f, 1.0f}, inner{0.13f, 0.38f, 0.31f, 1.0f};
    const Rgba gold{0.92f, 0.74f, 0.32f, 1.0f}, petal{0.97f, 0.62f, 0.78f, 1.0f};
    image.Fill([&](float x, float y) {
        const float d = std::min(std::min(x, y), std::min(kSize - x, kSize - y));
        Rgba c = Mix(outer, inner, Smooth(0.0f, kBand, d));
        c.a = 1.0f - Smooth(kBand + 2.0f, kBand + 4.0f, d);
        return c;
    });
    // Band coordinate: distance from the nearest edge and position along it.
    auto band = [&](float x, float y, float& fAlong) {
        const float dl = x, dr = kSize - x, dt = y, db = kSize - y;
        const float d = std::min(std::min(dl, dr), std::min(dt, db));
        fAlong = (d == dt || d == db) ? x : y;
        return d;
    };
    image.DrawShape(
        [&](float x, float y) {
            float fAlong = 0.0f;
            const float d = band(x, y, fAlong);
            return std::min(std::fabs(d - 3.0f), std::fabs(d - kBand + 2.0f)) - 1.0f;
        },
        gold);
    image.DrawShape(
        [&](float x, float y) {
            float fAlong = 0.0f;
            const float d = band(x, y, fAlong);
            if (d > kBand) {
                return 1e9f;
            }
            return std::fabs(d - (kBand * 0.5f + 4.0f * std::sin(2.0f * kPi * fAlong / 32.0f))) - 0.8f;
        },
        Rgba{0.70f, 0.85f, 0.45f, 1.0f});
    // Small five-petal flowers along the vine, and one in each corner.
    std::vector<std::pair<float, float>> flowers;
    for (float s = 24.0f; s < kSize - 20.0f; s += 32.0f) {
        const float off = kBand * 0.5f + 4.0f * std::sin(2.0f * kPi * s / 32.0f);
        flowers.push_back({s, off});
        flowers.push_back({s, kSize - off});
        flowers.push_back({off, s});
        flowers.push_back({kSize - off, s});
    }
    for (const auto& [fx, fy] : flowers) {
        image.DrawShape(
            [&](float x, float y) {
                const float a = std::atan2(y - fy, x - fx);
                const float r = 4.0f + 1.8f * std::cos(5.0f * a);
                return std::hypot(x - fx, y - fy) - r;
            },
            petal);
        image.DrawShape([&](float x, float y) { return Circle(x, y, fx, fy, 1.6f); }, gold);
    }
    for (int k = 0; k < 4; ++k) {
        const float cx = (k & 1) ? kSize - kBand * 0.5f : kBand * 0.5f;
        const float cy = (k & 2) ? kSize - kBand * 0.5f : kBand * 0.5f;
        image.DrawShape(
            [&](float x, float y) {
                const float a = std::atan2(y - cy, x - cx);
                return std::hypot(x - cx, y - cy) - (8.0f + 3.0f * std::cos(6.0f * a));
            },
            gold);
        image.DrawShape([&](float x, float y) { return Circle(x, y, cx, cy, 4.0f); }, petal);
    }
    return image;
}

std::vector<NamedFile> TextureSet::Build(FontRenderer& serif, FontRenderer& sans) {
    std::vector<NamedFile> files;
    files.push_back(Dds("VelmoranDial01.dds", Dial(), DdsFormat::Dxt1, true));
    files.push_back(Dds("VelmoranPetal01.dds", Petal(), DdsFormat::R5G6B5, true));
    files.push_back(Dds("VelmoranLeaf01.dds", Leaf(), DdsFormat::R5G6B5, true));
    files.push_back(Dds("VelmoranMoji01.dds", Numerals(serif), DdsFormat::Dxt5, true));
    files.push_back(Dds("BlueBird01.dds", BirdFeathers(), DdsFormat::A8R8G8B8, true));
    files.push_back(Dds("ParticleBubble01.dds", Bubble(), DdsFormat::A8R8G8B8, true));
    files.push_back(Dds("ParticleTrailPC01.dds", Spark(), DdsFormat::A8R8G8B8, true));
    files.push_back(Dds("RibonTex01.dds", Ribbon(), DdsFormat::A8R8G8B8, true));
    files.push_back(Dds("Bottun.dds", Buttons(), DdsFormat::A8R8G8B8, false));
    files.push_back(Dds("BottunTimer01.dds", TimerButtons(), DdsFormat::A8R8G8B8, false));
    files.push_back(Dds("SpriteDigital01.dds", Digits(sans), DdsFormat::A8R8G8B8, false));
    files.push_back(Dds("Frame01.dds", Panel(), DdsFormat::A8R8G8B8, false));
    files.push_back(Dds("MainFrame01.dds", Border(), DdsFormat::A8R8G8B8, false));
    return files;
}
