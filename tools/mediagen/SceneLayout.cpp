#include "SceneLayout.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
// The middle of the flower group, which the path circles.
const Vec3 kCentre(-15.0f, 0.0f, 128.0f);

void PutFloat(std::string& out, float f) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof(bits));
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
    }
}

void PutInt(std::string& out, std::uint32_t d) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((d >> (8 * i)) & 0xFF));
    }
}

// Scaled, turned about Y so the dial (model -Z) faces the point seen from,
// and moved to its place.
Mat4 FacingFrom(const Vec3& at, const Vec3& viewer, float fScale, float fTilt) {
    const float fYaw = std::atan2(at.x - viewer.x, at.z - viewer.z);
    return Mat4::Scaling(fScale, fScale, fScale) * Mat4::RotationZ(fTilt) * Mat4::RotationY(fYaw) *
           Mat4::Translation(at.x, at.y, at.z);
}

}  // namespace

std::vector<Mat4> SceneLayout::Flowers() {
    const Vec3 eye(kResetX, kResetY, kResetZ);
    // A large flower straight ahead of the reset pose, 115 units out, a
    // smaller one nearer on the left and another farther up on the right.
    return {FacingFrom(Vec3(-13.0f, 0.0f, 136.0f), eye, 1.0f, 0.0f),
            FacingFrom(Vec3(-55.0f, -10.0f, 100.0f), eye, 0.55f, 0.12f),
            FacingFrom(Vec3(45.0f, 24.0f, 165.0f), eye, 0.6f, -0.1f)};
}

std::vector<Mat4> SceneLayout::Vines() {
    // Around the group, clear of the flowers and of the view from the reset
    // pose (which comes from about -2 rad round the centre).
    const float angles[] = {-0.5f, -1.1f, 1.25f, 1.9f, 2.6f, 3.1f};
    const float radii[] = {72.0f, 64.0f, 70.0f, 60.0f, 74.0f, 66.0f};
    const float scales[] = {0.95f, 1.1f, 0.85f, 1.0f, 1.15f, 0.9f};
    std::vector<Mat4> vines;
    for (int i = 0; i < 6; ++i) {
        const Vec3 at = kCentre + Vec3(radii[i] * std::cos(angles[i]), -52.0f, radii[i] * std::sin(angles[i]));
        vines.push_back(Mat4::Scaling(scales[i], scales[i], scales[i]) *
                        Mat4::RotationY(1.7f * static_cast<float>(i) + 0.3f) * Mat4::Translation(at.x, at.y, at.z));
    }
    return vines;
}

std::vector<PathPoint> SceneLayout::Path() {
    // Sixteen points round the group, starting on the near side (toward the
    // reset pose) and going round counter-clockwise seen from above, so the
    // path's right hand points outward. Camera angle 0 looks in from outside,
    // pi/2 looks along the path from behind the bird.
    const float angles[16] = {0.25f, 0.35f, 0.6f,  1.0f, 1.35f, 1.55f, 1.6f,  1.57f,
                              1.5f,  1.35f, 1.15f, 0.9f, 0.65f, 0.4f,  0.25f, 0.2f};
    // The follow camera stands 20 units above the bird and looks level, so the
    // bird is in view only from about 50 units out: wide shots show it against
    // the flowers; close ones (down to 8) ride along above it.
    const float distances[16] = {70.0f, 95.0f,  140.0f, 90.0f,  40.0f,  14.0f,  8.0f,   12.0f,
                                 30.0f, 120.0f, 220.0f, 280.0f, 200.0f, 140.0f, 100.0f, 75.0f};
    std::vector<PathPoint> path;
    for (int i = 0; i < 16; ++i) {
        const float fPhi = -kPi / 2.0f + 2.0f * kPi * static_cast<float>(i) / 16.0f;
        PathPoint p;
        p.m_position = kCentre + Vec3(118.0f * std::cos(fPhi), 8.0f + 22.0f * std::sin(2.0f * fPhi + 1.0f),
                                      104.0f * std::sin(fPhi));
        p.m_fCameraAngle = angles[i];
        p.m_fCameraDistance = distances[i];
        path.push_back(p);
    }
    return path;
}

std::string SceneLayout::PositionFile(const std::vector<Mat4>& placements) {
    std::string out;
    PutInt(out, static_cast<std::uint32_t>(placements.size()));
    for (const Mat4& m : placements) {
        for (float f : m.m) {
            PutFloat(out, f);
        }
    }
    return out;
}

std::string SceneLayout::PathFile(const std::vector<PathPoint>& path) {
    std::string out;
    PutInt(out, static_cast<std::uint32_t>(path.size()));
    for (const PathPoint& p : path) {
        PutFloat(out, p.m_position.x);
        PutFloat(out, p.m_position.y);
        PutFloat(out, p.m_position.z);
    }
    for (const PathPoint& p : path) {
        PutFloat(out, p.m_fCameraAngle);
    }
    for (const PathPoint& p : path) {
        PutFloat(out, p.m_fCameraDistance);
    }
    return out;
}

std::string SceneLayout::FlagsFile(std::uint32_t dwFlags) {
    std::string out;
    PutInt(out, dwFlags);
    return out;
}
