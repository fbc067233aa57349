#include "FlowerModels.h"

#include <cmath>
#include <numbers>
#include <string>

#include "Shapes.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

MeshMaterial Colour(float r, float g, float b, float a, const std::string& szTexture) {
    MeshMaterial m;
    m.m_fR = r;
    m.m_fG = g;
    m.m_fB = b;
    m.m_fA = a;
    m.m_szTexture = szTexture;
    return m;
}

}  // namespace

StaticModel FlowerModels::Base() {
    StaticModel model;

    MeshBuilder dial;
    // The dial faces the viewer, where the scene's lights reach it only at a
    // glancing angle: it glows a little of its own so it reads as ivory.
    MeshMaterial face = Colour(0.75f, 0.75f, 0.75f, 1.0f, "VelmoranDial01.dds");
    face.m_fEmR = face.m_fEmG = face.m_fEmB = 0.42f;
    const std::uint32_t dwDial = dial.AddMaterial(face);
    dial.Append(Shapes::Disc(kDialRadius, 0.0f, 0.1f, 32, 3, dwDial), Mat4::Identity());
    model.AddDisplay("dial", std::move(dial));

    MeshBuilder bezel;
    MeshMaterial gold = Colour(0.92f, 0.72f, 0.30f, 1.0f, "");
    gold.m_fPower = 24.0f;
    gold.m_fEmR = 0.10f;
    gold.m_fEmG = 0.07f;
    gold.m_fEmB = 0.02f;
    const std::uint32_t dwGold = bezel.AddMaterial(gold);
    bezel.Append(Shapes::Torus(kDialRadius + 0.3f, 0.55f, -0.1f, 24, 4, dwGold), Mat4::Identity());
    // The cap over the hands' pivot, in front of the second hand.
    bezel.Append(Shapes::Ellipsoid(Vec3(0.0f, 0.0f, -1.35f), Vec3(0.7f, 0.7f, 0.45f), 8, 4, dwGold), Mat4::Identity());
    model.AddDisplay("bezel", std::move(bezel));

    MeshBuilder petals;
    MeshMaterial outerPetal = Colour(1.0f, 0.86f, 0.93f, 1.0f, "VelmoranPetal01.dds");
    outerPetal.m_fEmR = outerPetal.m_fEmG = outerPetal.m_fEmB = 0.3f;
    const std::uint32_t dwOuter = petals.AddMaterial(outerPetal);
    // The inner ring is translucent, so it is drawn after everything opaque.
    MeshMaterial innerPetal = Colour(1.0f, 0.97f, 1.0f, 0.7f, "VelmoranPetal01.dds");
    innerPetal.m_fEmR = innerPetal.m_fEmG = innerPetal.m_fEmB = 0.35f;
    const std::uint32_t dwInner = petals.AddMaterial(innerPetal);
    const MeshBuilder outer = Shapes::Lens(15.0f, 8.5f, 0.5f, -3.5f, -0.8f, 4, 2, dwOuter);
    const MeshBuilder inner = Shapes::Lens(11.0f, 6.0f, 0.4f, -2.5f, -0.5f, 3, 2, dwInner);
    for (int i = 0; i < 12; ++i) {
        const float fAngle = static_cast<float>(i) * kPi / 6.0f;
        petals.Append(outer, Mat4::Translation(0.0f, 10.5f, 1.2f) * Mat4::RotationZ(fAngle));
        petals.Append(inner, Mat4::Translation(0.0f, 9.5f, 0.6f) * Mat4::RotationZ(fAngle + kPi / 12.0f));
    }
    model.AddDisplay("petal", std::move(petals));

    MeshBuilder green;
    MeshMaterial leafGreen = Colour(0.85f, 1.0f, 0.85f, 1.0f, "VelmoranLeaf01.dds");
    leafGreen.m_fEmR = leafGreen.m_fEmG = leafGreen.m_fEmB = 0.2f;
    const std::uint32_t dwLeaf = green.AddMaterial(leafGreen);
    MeshMaterial stemGreen = Colour(0.32f, 0.55f, 0.22f, 1.0f, "");
    stemGreen.m_fEmR = 0.06f;
    stemGreen.m_fEmG = 0.12f;
    stemGreen.m_fEmB = 0.04f;
    const std::uint32_t dwStem = green.AddMaterial(stemGreen);
    // The cup behind the dial, closed at the back.
    green.Append(
        Shapes::Revolution({{12.6f, 0.0f}, {11.6f, 1.6f}, {8.6f, 3.2f}, {4.6f, 4.4f}, {1.6f, 5.0f}}, 20, dwLeaf),
        Mat4::Identity());
    std::vector<Vec3> stem;
    std::vector<float> radii;
    for (int i = 0; i <= 8; ++i) {
        const float t = static_cast<float>(i) / 8.0f;
        stem.push_back(Vec3(2.5f * std::sin(t * 2.0f), -3.0f - 44.0f * t, 4.6f + 3.0f * t * t));
        radii.push_back(1.0f - 0.25f * t);
    }
    green.Append(Shapes::Tube(stem, radii, 6, dwStem), Mat4::Identity());
    const MeshBuilder leaf = Shapes::Lens(16.0f, 7.0f, 0.5f, 2.0f, -0.6f, 5, 2, dwLeaf);
    green.Append(leaf, Mat4::RotationY(0.5f) * Mat4::RotationZ(-1.15f) * Mat4::Translation(2.2f, -27.0f, 5.8f));
    green.Append(leaf, Mat4::RotationY(-0.5f) * Mat4::RotationZ(1.0f) * Mat4::Translation(2.0f, -36.0f, 6.6f));
    model.AddDisplay("leaf", std::move(green));
    return model;
}

StaticModel FlowerModels::Numerals() {
    StaticModel model;
    MeshBuilder ring;
    MeshMaterial ink = Colour(0.7f, 0.7f, 0.7f, 1.0f, "VelmoranMoji01.dds");
    ink.m_fEmR = ink.m_fEmG = ink.m_fEmB = 0.45f;
    const std::uint32_t dwInk = ring.AddMaterial(ink);
    const float fHalf = kNumeralSize * 0.5f;
    const Vec3 front(0.0f, 0.0f, -1.0f);
    for (int n = 1; n <= 12; ++n) {
        const float fAngle = static_cast<float>(n) * kPi / 6.0f;
        const float cx = kNumeralRadius * std::sin(fAngle), cy = kNumeralRadius * std::cos(fAngle);
        // Numeral n sits in cell n - 1 of a 4 x 4 atlas, read left to right, top to bottom.
        const float u0 = static_cast<float>((n - 1) % 4) * 0.25f, v0 = static_cast<float>((n - 1) / 4) * 0.25f;
        const std::uint32_t a = ring.AddVertex(Vec3(cx - fHalf, cy + fHalf, kNumeralZ), u0, v0);
        const std::uint32_t b = ring.AddVertex(Vec3(cx + fHalf, cy + fHalf, kNumeralZ), u0 + 0.25f, v0);
        const std::uint32_t c = ring.AddVertex(Vec3(cx + fHalf, cy - fHalf, kNumeralZ), u0 + 0.25f, v0 + 0.25f);
        const std::uint32_t d = ring.AddVertex(Vec3(cx - fHalf, cy - fHalf, kNumeralZ), u0, v0 + 0.25f);
        ring.AddQuad(a, b, c, d, front, dwInk);
    }
    model.AddDisplay("numeral", std::move(ring));
    return model;
}

StaticModel FlowerModels::Hand(int nHand) {
    StaticModel model;
    MeshBuilder hand;
    const float fFront = kHandFrontZ[nHand], fBack = fFront + kHandThickness;
    const float fLength = kHandLength[nHand];
    if (nHand == 0) {
        MeshMaterial plum = Colour(0.30f, 0.16f, 0.42f, 1.0f, "");
        plum.m_fEmR = 0.04f;
        plum.m_fEmB = 0.06f;
        const std::uint32_t dw = hand.AddMaterial(plum);
        hand.Append(Shapes::Blade(-1.5f, {{0.5f, -1.2f}, {0.38f, 0.5f}, {0.30f, 3.0f}, {0.85f, 4.2f}, {0.60f, 5.4f}},
                                  fLength, fFront, fBack, dw),
                    Mat4::Identity());
        model.AddDisplay("hour", std::move(hand));
    } else if (nHand == 1) {
        MeshMaterial plum = Colour(0.24f, 0.13f, 0.36f, 1.0f, "");
        plum.m_fEmR = 0.04f;
        plum.m_fEmB = 0.06f;
        const std::uint32_t dw = hand.AddMaterial(plum);
        hand.Append(Shapes::Blade(-2.0f, {{0.42f, -1.7f}, {0.30f, 0.0f}, {0.22f, 5.8f}, {0.62f, 7.3f}, {0.40f, 8.5f}},
                                  fLength, fFront, fBack, dw),
                    Mat4::Identity());
        model.AddDisplay("minute", std::move(hand));
    } else {
        MeshMaterial coral = Colour(0.95f, 0.28f, 0.22f, 1.0f, "");
        coral.m_fEmR = 0.12f;
        const std::uint32_t dw = hand.AddMaterial(coral);
        hand.Append(Shapes::Blade(-3.0f, {{0.45f, -2.7f}, {0.45f, -2.2f}, {0.12f, -1.2f}, {0.08f, 0.0f}, {0.05f, 9.0f}},
                                  fLength, fFront, fBack, dw),
                    Mat4::Identity());
        std::vector<Outline2> hub;
        for (int i = 0; i < 10; ++i) {
            const float fA = static_cast<float>(i) * kPi / 5.0f;
            hub.push_back({0.55f * std::sin(fA), 0.55f * std::cos(fA)});
        }
        hand.Append(Shapes::Extrusion(hub, {0.0f, 0.0f}, fFront, fBack, dw), Mat4::Identity());
        model.AddDisplay("second", std::move(hand));
    }
    return model;
}
