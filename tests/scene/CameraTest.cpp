// The keys' steps and the view they give are checked with the view control;
// here the frustum the scene is culled with and the particles' rotation.
#include "scene/Camera.h"

#include <gtest/gtest.h>

#include "support/RecordingDeviceTest.h"

namespace {

constexpr float kHalfPi = 1.5707964f;

float Side(const D3DXPLANE& plane, float x, float y, float z) {
    return plane.a * x + plane.b * y + plane.c * z + plane.d;
}

class CameraTest : public RecordingDeviceTest {};

TEST_F(CameraTest, EachFrustumPlaneShutsOutItsSideAndTheFrustumFollowsTheCamera) {
    Camera camera;
    camera.SetProjection(m_pDevice, 4.0f / 3.0f, 1.0f, 100.0f);
    camera.BuildFrustum();
    const FrustumInfo& frustum = camera.Frustum();
    EXPECT_LT(Side(frustum.m_planes[0], 0.0f, 0.0f, 0.0f), 0.0f);
    // Far, left, right, top, bottom.
    const D3DXVECTOR3 beyond[5] = {{0, 0, 150}, {-100, 0, 50}, {100, 0, 50}, {0, 100, 50}, {0, -100, 50}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_GT(Side(frustum.m_planes[i], 0.0f, 0.0f, 50.0f), 0.0f) << "plane " << i;
        if (i > 0) {
            EXPECT_LT(Side(frustum.m_planes[i], beyond[i - 1].x, beyond[i - 1].y, beyond[i - 1].z), 0.0f) << i;
        }
    }

    camera.YawLocal(kHalfPi, 0);  // looking along +x
    camera.SetCameraPosition(-40.0f, 0.0f, 0.0f);
    camera.BuildFrustum();
    for (int i = 0; i < 6; ++i) {
        EXPECT_GT(Side(frustum.m_planes[i], 0.0f, 0.0f, 0.0f), 0.0f) << "plane " << i;
    }
    EXPECT_LT(Side(frustum.m_planes[0], -50.0f, 0.0f, 0.0f), 0.0f);

    // The particles face the camera: its rotation without its position.
    D3DXMATRIX rotation;
    camera.RotationOnly(&rotation);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(rotation.m[r][c], r < 3 ? camera.CameraMatrix().m[r][c] : 0.0f, 1e-6f);
        }
    }
}

}  // namespace
