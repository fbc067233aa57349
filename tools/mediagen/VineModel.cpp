#include "VineModel.h"

#include <cmath>
#include <numbers>

#include "Shapes.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

Vec3 StemPoint(float t) {
    const float fR = 5.0f * (0.35f + t);
    return Vec3(fR * std::sin(2.3f * kPi * t), VineModel::kHeight * t, fR * std::cos(2.3f * kPi * t) - 1.75f);
}

}  // namespace

StaticModel VineModel::Build() {
    StaticModel model;

    MeshBuilder stem;
    MeshMaterial bark;
    bark.m_fR = 0.36f;
    bark.m_fG = 0.46f;
    bark.m_fB = 0.20f;
    bark.m_fEmR = 0.08f;
    bark.m_fEmG = 0.12f;
    bark.m_fEmB = 0.05f;
    const std::uint32_t dwBark = stem.AddMaterial(bark);
    MeshMaterial tendrilColour;
    tendrilColour.m_fR = 0.55f;
    tendrilColour.m_fG = 0.75f;
    tendrilColour.m_fB = 0.30f;
    tendrilColour.m_fEmR = 0.12f;
    tendrilColour.m_fEmG = 0.18f;
    tendrilColour.m_fEmB = 0.08f;
    const std::uint32_t dwTendril = stem.AddMaterial(tendrilColour);
    std::vector<Vec3> path;
    std::vector<float> radii;
    for (int i = 0; i <= 14; ++i) {
        const float t = static_cast<float>(i) / 14.0f;
        path.push_back(StemPoint(t));
        radii.push_back(1.2f - 0.75f * t);
    }
    stem.Append(Shapes::Tube(path, radii, 6, dwBark), Mat4::Identity());
    // The tendril leaves the top and winds inward one and a half turns.
    const Vec3 top = StemPoint(1.0f);
    const Vec3 out = Normalize(Vec3(top.x, 0.0f, top.z + 1.75f));
    std::vector<Vec3> curl;
    std::vector<float> curlRadii;
    for (int i = 0; i <= 10; ++i) {
        const float t = static_cast<float>(i) / 10.0f;
        const float fA = 3.0f * kPi * t;
        const float fR = 4.0f * (1.0f - 0.7f * t);
        const Vec3 centre = top + out * 4.0f;
        curl.push_back(centre + out * (-fR * std::cos(fA)) + Vec3(0.0f, fR * std::sin(fA), 0.0f));
        curlRadii.push_back(0.42f - 0.25f * t);
    }
    // Start inside the stem's end, so the two ends do not meet in one point.
    curl[0] = top - Normalize(top - StemPoint(0.97f)) * 0.6f;
    stem.Append(Shapes::Tube(curl, curlRadii, 4, dwTendril), Mat4::Identity());
    model.AddDisplay("stem", std::move(stem));

    MeshBuilder leaves;
    MeshMaterial leafColour;
    leafColour.m_szTexture = "VelmoranLeaf01.dds";
    leafColour.m_fEmR = leafColour.m_fEmG = leafColour.m_fEmB = 0.22f;
    const std::uint32_t dwLeaf = leaves.AddMaterial(leafColour);
    const MeshBuilder leaf = Shapes::Lens(13.0f, 9.0f, 0.6f, 2.0f, 1.0f, 4, 2, dwLeaf);
    const Vec3 up(0.0f, 1.0f, 0.0f);
    for (int i = 0; i < 6; ++i) {
        const float t = 0.18f + 0.13f * static_cast<float>(i);
        const Vec3 p = StemPoint(t);
        const Vec3 tangent = Normalize(StemPoint(t + 0.01f) - p);
        // Alternate sides across the stem, pointing up and out, their faces
        // turned outward so they show to a camera going round.
        Vec3 side = Normalize(Cross(up, tangent));
        if (i % 2 == 1) {
            side = -side;
        }
        const Vec3 leafY = Normalize(side * 0.6f + up * 0.8f);
        const Vec3 ax = Normalize(Cross(up, side));
        const Vec3 az = Cross(ax, leafY);
        Mat4 m;
        m.m[0] = ax.x;
        m.m[1] = ax.y;
        m.m[2] = ax.z;
        m.m[4] = leafY.x;
        m.m[5] = leafY.y;
        m.m[6] = leafY.z;
        m.m[8] = az.x;
        m.m[9] = az.y;
        m.m[10] = az.z;
        m.m[12] = p.x;
        m.m[13] = p.y;
        m.m[14] = p.z;
        leaves.Append(leaf, m);
    }
    model.AddDisplay("leaf", std::move(leaves));
    return model;
}
