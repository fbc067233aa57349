// The scene as laid out by the position and path files, the path followed
// with the program's own path code: what the reset camera sees, the bird's
// clearance and the follow camera's distances.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "VineModel.h"
#include "scene/FergusonPath.h"
#include "support/TempDir.h"
#include "tools/mediagen/GeneratedMedia.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
// Petal tips reach this far from the dial's centre in the flower model.
constexpr float kFlowerReach = 26.0f;

// A placement file: a count, then one 4 x 4 matrix per copy, nothing more.
std::vector<Mat4> Placements(const std::string& szFile) {
    const std::string bytes = GeneratedMedia::Read(szFile);
    std::uint32_t n = 0;
    std::memcpy(&n, bytes.data(), bytes.size() >= 4 ? 4 : 0);
    EXPECT_EQ(bytes.size(), 4u + 64u * n) << szFile;
    std::vector<Mat4> out(bytes.size() == 4u + 64u * n ? n : 0);
    for (std::uint32_t i = 0; i < out.size(); ++i) {
        std::memcpy(out[i].m, bytes.data() + 4 + 64 * i, 64);
        EXPECT_FLOAT_EQ(out[i].m[15], 1.0f) << szFile << " record " << i;
    }
    return out;
}

// The path as the bird flies it, sampled 32 times a segment.
struct PathSamples {
    std::vector<Vec3> m_points;
    std::vector<float> m_distances;
};

PathSamples SamplePath() {
    ScopedTempCwd cwd;
    cwd.WriteFile("Misc/Clock.fpp", GeneratedMedia::Read("Misc/Clock.fpp"));
    FergusonPath path;
    PathSamples samples;
    EXPECT_EQ(path.Load("Clock.fpp"), S_OK);
    for (float s = 0.0f; s < static_cast<float>(path.PointCount()); s += 1.0f / 32.0f) {
        float x = 0.0f, y = 0.0f, z = 0.0f, ax = 0.0f, ay = 0.0f, az = 0.0f, fAngle = 0.0f, fDistance = 0.0f;
        path.Evaluate(s, &x, &y, &z, &ax, &ay, &az);
        path.EvaluateCamera(s, &fAngle, &fDistance);
        samples.m_points.emplace_back(x, y, z);
        samples.m_distances.push_back(fDistance);
    }
    return samples;
}

// Where a world point lands in a 512 x 384 view: x and y in -1..1 when visible.
bool Project(const Vec3& eye, const Vec3& forward, const Vec3& p, float& x, float& y) {
    const Vec3 z = Normalize(forward), xAxis = Normalize(Cross(Vec3(0, 1, 0), z)), yAxis = Cross(z, xAxis);
    const Vec3 d = p - eye;
    const float fDepth = Dot(d, z);
    if (fDepth <= 1.0f) {
        return false;
    }
    const float fHalf = std::tan(kPi / 8.0f);
    x = Dot(d, xAxis) / (fDepth * fHalf * 512.0f / 384.0f);
    y = Dot(d, yAxis) / (fDepth * fHalf);
    return true;
}

Vec3 Translation(const Mat4& m) {
    return Vec3(m.m[12], m.m[13], m.m[14]);
}

float Scale(const Mat4& m) {
    return Length(Vec3(m.m[0], m.m[1], m.m[2]));
}

}  // namespace

TEST(SceneLayout, ResetPoseFramesEveryFlowerFacingIt) {
    ASSERT_FALSE(GeneratedMedia::RunFolder().empty());
    // The keyboard camera's reset pose (app/ViewControl): here, turned 0.4 rad from +Z.
    const Vec3 eye(-57.8f, -5.3f, 30.1f), forward(std::sin(0.4f), 0.0f, std::cos(0.4f));
    const std::vector<Mat4> flowers = Placements("Misc/Clock.vps");
    ASSERT_GE(flowers.size(), 2u);
    for (size_t i = 0; i < flowers.size(); ++i) {
        float x = 0.0f, y = 0.0f;
        const Vec3 centre = Translation(flowers[i]);
        ASSERT_TRUE(Project(eye, forward, centre, x, y)) << "flower " << i << " is behind the camera";
        EXPECT_LT(std::fabs(x), i == 0 ? 0.15f : 0.8f) << "flower " << i << "; the first one in the middle";
        EXPECT_LT(std::fabs(y), 0.8f) << "flower " << i;
        const float fDistance = Length(centre - eye);
        EXPECT_GT(fDistance, 50.0f) << "flower " << i;
        EXPECT_LT(fDistance, 180.0f) << "flower " << i;
        // The dial (model -Z) turns toward the camera; the first flower is the large one.
        const Vec3 dial = Normalize(flowers[i].TransformNormal(Vec3(0.0f, 0.0f, -1.0f)));
        EXPECT_GT(Dot(dial, Normalize(eye - centre)), 0.9f) << "flower " << i;
        if (i > 0) {
            EXPECT_LT(Scale(flowers[i]), Scale(flowers[0])) << "flower " << i;
        }
    }
}

TEST(SceneLayout, BirdFliesRoundTheFlowersClearOfEverything) {
    const PathSamples path = SamplePath();
    const std::vector<Mat4> flowers = Placements("Misc/Clock.vps");
    const std::vector<Mat4> vines = Placements("Misc/Clock.bps");
    ASSERT_GE(path.m_points.size(), 4u * 32u);
    ASSERT_FALSE(vines.empty());
    // The bird drawn 3.5 times its size reaches about 5 units from its centre.
    constexpr float kBirdReach = 5.0f;
    float fLow = 1e9f, fHigh = -1e9f, fTurn = 0.0f;
    Vec3 centre;
    for (const Mat4& f : flowers) {
        centre += Translation(f) * (1.0f / static_cast<float>(flowers.size()));
    }
    Vec3 previous = path.m_points.back();
    for (size_t s = 0; s < path.m_points.size(); ++s) {
        const Vec3& p = path.m_points[s];
        fLow = std::min(fLow, p.y);
        fHigh = std::max(fHigh, p.y);
        for (size_t i = 0; i < flowers.size(); ++i) {
            EXPECT_GT(Length(p - Translation(flowers[i])), kFlowerReach * Scale(flowers[i]) + kBirdReach)
                << "flower " << i << " at sample " << s;
        }
        for (size_t i = 0; i < vines.size(); ++i) {
            const Vec3 root = Translation(vines[i]);
            const float fHeight = VineModel::kHeight * Scale(vines[i]);
            const Vec3 across(p.x - root.x, 0.0f, p.z - root.z);
            if (p.y > root.y - kBirdReach && p.y < root.y + fHeight + kBirdReach) {
                EXPECT_GT(Length(across), 20.0f * Scale(vines[i]) + kBirdReach) << "vine " << i << " at sample " << s;
            }
        }
        // Winding number round the flowers: the path goes round them once.
        float da =
            std::atan2(p.z - centre.z, p.x - centre.x) - std::atan2(previous.z - centre.z, previous.x - centre.x);
        da -= 2.0f * kPi * std::round(da / (2.0f * kPi));
        fTurn += da;
        previous = p;
    }
    EXPECT_NEAR(std::fabs(fTurn), 2.0f * kPi, 0.2f) << "the path circles the flowers once";
    EXPECT_GT(fHigh - fLow, 20.0f) << "the path rises and falls";

    // The follow camera's distances stay in range, with both kinds of shot:
    // riding close above the bird and wide views of it.
    const auto [fMin, fMax] = std::minmax_element(path.m_distances.begin(), path.m_distances.end());
    EXPECT_GE(*fMin, 5.0f);
    EXPECT_LT(*fMin, 20.0f);
    EXPECT_GT(*fMax, 200.0f);
    EXPECT_LE(*fMax, 300.0f);
}
