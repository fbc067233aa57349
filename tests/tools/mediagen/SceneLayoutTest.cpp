// The scene as laid out by the position and path files: what the two cameras
// see, the camera distances along the whole path, and the bird's clearance.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "FlowerModels.h"
#include "Vec3.h"
#include "VineModel.h"
#include "tools/mediagen/GeneratedMedia.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
// Petal tips reach this far from the dial's centre in the flower model.
constexpr float kFlowerReach = 26.0f;

std::vector<Mat4> Placements(const std::string& szFile) {
    const std::string bytes = GeneratedMedia::Read(szFile);
    std::uint32_t n = 0;
    std::memcpy(&n, bytes.data(), 4);
    std::vector<Mat4> out(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        std::memcpy(out[i].m, bytes.data() + 4 + 64 * i, 64);
    }
    return out;
}

struct Path {
    std::vector<Vec3> m_points;
    std::vector<float> m_angles, m_distances;
};

Path ReadPath() {
    const std::string bytes = GeneratedMedia::Read("Misc/Clock.fpp");
    std::uint32_t n = 0;
    std::memcpy(&n, bytes.data(), 4);
    Path path;
    path.m_points.resize(n);
    path.m_angles.resize(n);
    path.m_distances.resize(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        std::memcpy(&path.m_points[i], bytes.data() + 4 + 12 * i, 12);
        std::memcpy(&path.m_angles[i], bytes.data() + 4 + 12 * n + 4 * i, 4);
        std::memcpy(&path.m_distances[i], bytes.data() + 4 + 16 * n + 4 * i, 4);
    }
    return path;
}

// Closed cubic through the values, each segment's tangents the forward chords.
template <typename T>
T Spline(const std::vector<T>& v, float s) {
    const size_t n = v.size();
    const size_t i = static_cast<size_t>(s) % n, j = (i + 1) % n, k = (i + 2) % n;
    const float f = s - std::floor(s);
    const T t0 = v[j] - v[i], t1 = v[k] - v[j];
    const float h00 = 2 * f * f * f - 3 * f * f + 1, h10 = f * f * f - 2 * f * f + f;
    const float h01 = -2 * f * f * f + 3 * f * f, h11 = f * f * f - f * f;
    return v[i] * h00 + t0 * h10 + v[j] * h01 + t1 * h11;
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
    const Vec3 eye(-57.8f, -5.3f, 30.1f), forward(std::sin(0.4f), 0.0f, std::cos(0.4f));
    const std::vector<Mat4> flowers = Placements("Misc/Clock.vps");
    ASSERT_GE(flowers.size(), 2u);
    for (size_t i = 0; i < flowers.size(); ++i) {
        float x = 0.0f, y = 0.0f;
        const Vec3 centre = Translation(flowers[i]);
        ASSERT_TRUE(Project(eye, forward, centre, x, y)) << "flower " << i << " is behind the camera";
        EXPECT_LT(std::fabs(x), 0.8f) << "flower " << i;
        EXPECT_LT(std::fabs(y), 0.8f) << "flower " << i;
        const float fDistance = Length(centre - eye);
        EXPECT_GT(fDistance, 50.0f) << "flower " << i;
        EXPECT_LT(fDistance, 180.0f) << "flower " << i;
        // The dial (model -Z) turns toward the camera.
        const Vec3 dial = Normalize(flowers[i].TransformNormal(Vec3(0.0f, 0.0f, -1.0f)));
        EXPECT_GT(Dot(dial, Normalize(eye - centre)), 0.9f) << "flower " << i;
    }
    // The first flower is the large one in the middle of the view.
    float x = 0.0f, y = 0.0f;
    ASSERT_TRUE(Project(eye, forward, Translation(flowers[0]), x, y));
    EXPECT_LT(std::fabs(x), 0.15f);
    for (size_t i = 1; i < flowers.size(); ++i) {
        EXPECT_LT(Scale(flowers[i]), Scale(flowers[0]));
    }
}

TEST(SceneLayout, BirdFliesRoundTheFlowersClearOfEverything) {
    const Path path = ReadPath();
    const std::vector<Mat4> flowers = Placements("Misc/Clock.vps");
    const std::vector<Mat4> vines = Placements("Misc/Clock.bps");
    // The bird drawn 3.5 times its size reaches about 5 units from its centre.
    constexpr float kBirdReach = 5.0f;
    float fLow = 1e9f, fHigh = -1e9f, fTurn = 0.0f;
    const float n = static_cast<float>(path.m_points.size());
    Vec3 centre;
    for (const Mat4& f : flowers) {
        centre += Translation(f) * (1.0f / static_cast<float>(flowers.size()));
    }
    Vec3 previous = Spline(path.m_points, 0.0f);
    for (float s = 1.0f / 32.0f; s < n; s += 1.0f / 32.0f) {
        const Vec3 p = Spline(path.m_points, s);
        fLow = std::min(fLow, p.y);
        fHigh = std::max(fHigh, p.y);
        for (size_t i = 0; i < flowers.size(); ++i) {
            EXPECT_GT(Length(p - Translation(flowers[i])), kFlowerReach * Scale(flowers[i]) + kBirdReach)
                << "flower " << i << " at s = " << s;
        }
        for (size_t i = 0; i < vines.size(); ++i) {
            const Vec3 root = Translation(vines[i]);
            const float fHeight = VineModel::kHeight * Scale(vines[i]);
            const Vec3 across(p.x - root.x, 0.0f, p.z - root.z);
            if (p.y > root.y - kBirdReach && p.y < root.y + fHeight + kBirdReach) {
                EXPECT_GT(Length(across), 20.0f * Scale(vines[i]) + kBirdReach) << "vine " << i << " at s = " << s;
            }
        }
        // Winding number round the flowers: the path goes round them once.
        const float a0 = std::atan2(previous.z - centre.z, previous.x - centre.x);
        const float a1 = std::atan2(p.z - centre.z, p.x - centre.x);
        float da = a1 - a0;
        da -= 2.0f * kPi * std::round(da / (2.0f * kPi));
        fTurn += da;
        previous = p;
    }
    EXPECT_NEAR(std::fabs(fTurn), 2.0f * kPi, 0.2f) << "the path circles the flowers once";
    EXPECT_GT(fHigh - fLow, 20.0f) << "the path rises and falls";
}

TEST(SceneLayout, FollowCameraShowsTheBirdAtTheStartAndKeepsItsDistanceAlongThePath) {
    const Path path = ReadPath();
    const Vec3 forward = Normalize(path.m_points[1] - path.m_points[0]);
    const Vec3 right = Normalize(Cross(Vec3(0, 1, 0), forward));
    const Vec3 up = Cross(forward, right);
    Mat4 frame;
    const Vec3 rows[4] = {right, up, forward, path.m_points[0]};
    for (int r = 0; r < 4; ++r) {
        frame.m[r * 4 + 0] = rows[r].x;
        frame.m[r * 4 + 1] = rows[r].y;
        frame.m[r * 4 + 2] = rows[r].z;
    }
    const float a = path.m_angles[0], d = path.m_distances[0];
    const Mat4 camera =
        Mat4::RotationY(a - kPi / 2.0f) * Mat4::Translation(d * std::cos(a), 20.0f, -d * std::sin(a)) * frame;
    float x = 0.0f, y = 0.0f;
    ASSERT_TRUE(Project(Vec3(camera.m[12], camera.m[13], camera.m[14]), Vec3(camera.m[8], camera.m[9], camera.m[10]),
                        path.m_points[0], x, y));
    EXPECT_LT(std::fabs(x), 0.8f);
    EXPECT_LT(std::fabs(y), 0.8f);
    // ... with the big flower behind it.
    const Vec3 eye(camera.m[12], camera.m[13], camera.m[14]);
    EXPECT_GT(Length(Translation(Placements("Misc/Clock.vps")[0]) - eye), Length(path.m_points[0] - eye));

    // Along the path the distances stay in range, with both kinds of shot:
    // riding close above the bird and wide views of it.
    ASSERT_GE(path.m_points.size(), 4u);
    float fMin = 1e9f, fMax = -1e9f;
    for (float s = 0.0f; s < static_cast<float>(path.m_points.size()); s += 1.0f / 64.0f) {
        fMin = std::min(fMin, Spline(path.m_distances, s));
        fMax = std::max(fMax, Spline(path.m_distances, s));
    }
    EXPECT_GE(fMin, 5.0f);
    EXPECT_LE(fMax, 300.0f);
    EXPECT_LT(fMin, 20.0f);
    EXPECT_GT(fMax, 200.0f);
}
