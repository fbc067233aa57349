#include "scene/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/RecordingDeviceTest.h"

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kEps = 1e-4f;

void ExpectRow(const D3DXMATRIX& m, int row, float x, float y, float z) {
    EXPECT_NEAR(m.m[row][0], x, kEps) << "row " << row;
    EXPECT_NEAR(m.m[row][1], y, kEps) << "row " << row;
    EXPECT_NEAR(m.m[row][2], z, kEps) << "row " << row;
}

float Side(const D3DXPLANE& plane, float x, float y, float z) {
    return plane.a * x + plane.b * y + plane.c * z + plane.d;
}

TEST(CameraSteps, StepsFollowTheCameraAxesOrWithTheWorldFlagTheWorlds) {
    Camera camera;
    camera.SetCameraPosition(10.0f, 0.0f, 0.0f);
    camera.YawLocal(kHalfPi, 0);
    ExpectRow(camera.CameraMatrix(), 3, 10.0f, 0.0f, 0.0f);
    ExpectRow(camera.CameraMatrix(), 2, 1.0f, 0.0f, 0.0f);
    ExpectRow(camera.PreviousMatrix(), 3, 10.0f, 0.0f, 0.0f);
    ExpectRow(camera.PreviousMatrix(), 2, 0.0f, 0.0f, 1.0f);

    Camera swung;
    swung.SetCameraPosition(10.0f, 0.0f, 0.0f);
    swung.YawLocal(kHalfPi, 1);
    ExpectRow(swung.CameraMatrix(), 3, 0.0f, 0.0f, -10.0f);
    ExpectRow(swung.CameraMatrix(), 2, 1.0f, 0.0f, 0.0f);

    Camera moved;
    moved.YawLocal(kHalfPi, 0);            // forward is now +x
    moved.MoveLocal(0.0f, 0.0f, 5.0f, 0);  // so a forward move goes along +x
    ExpectRow(moved.CameraMatrix(), 3, 5.0f, 0.0f, 0.0f);
    moved.MoveLocal(0.0f, 0.0f, 5.0f, 1);  // a world move along +z
    ExpectRow(moved.CameraMatrix(), 3, 5.0f, 0.0f, 5.0f);

    Camera pitched;
    pitched.PitchLocal(kHalfPi, 0);  // nose down: forward becomes world -y
    ExpectRow(pitched.CameraMatrix(), 2, 0.0f, -1.0f, 0.0f);
    ExpectRow(pitched.WorkMatrix(), 1, 0.0f, 0.0f, 1.0f);
}

TEST(CameraSteps, PositionAndRotationOnlyKeepTheAxesAndResetRestoresIdentity) {
    Camera camera;
    camera.YawLocal(0.7f, 0);
    const D3DXMATRIX before = camera.CameraMatrix();
    camera.SetCameraPosition(5.0f, 6.0f, 7.0f);
    D3DXMATRIX rotation;
    EXPECT_EQ(camera.RotationOnly(&rotation), &rotation);
    for (int row = 0; row < 3; ++row) {
        ExpectRow(camera.CameraMatrix(), row, before.m[row][0], before.m[row][1], before.m[row][2]);
        ExpectRow(rotation, row, before.m[row][0], before.m[row][1], before.m[row][2]);
    }
    ExpectRow(camera.CameraMatrix(), 3, 5.0f, 6.0f, 7.0f);
    ExpectRow(rotation, 3, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(camera.CameraMatrix()._44, 1.0f);
    EXPECT_EQ(rotation._44, 1.0f);
    camera.Reset();
    EXPECT_TRUE(D3DXMatrixIsIdentity(&camera.CameraMatrix()));
    EXPECT_TRUE(D3DXMatrixIsIdentity(&camera.PreviousMatrix()));
}

class CameraDeviceTest : public RecordingDeviceTest {};

TEST_F(CameraDeviceTest, ProjectionIsQuarterPiPerspectiveAndTheViewTheInverseOfTheCamera) {
    Camera camera;
    camera.SetProjection(m_pDevice, 2.0f, 1.0f, 500.0f);
    D3DMATRIX projection;
    ASSERT_EQ(m_pDevice->GetTransform(D3DTS_PROJECTION, &projection), D3D_OK);
    auto project = [matrix = D3DXMATRIX(projection)](float x, float y, float z) {
        const D3DXVECTOR3 in(x, y, z);
        D3DXVECTOR3 out;
        D3DXVec3TransformCoord(&out, &in, &matrix);
        return out;
    };
    // 45 degrees high and, at aspect 2, twice as wide: the corner of that view
    // lands on the screen's corner; depth runs from 0 at 1 to 1 at 500.
    const float edge = 100.0f * 0.41421356f;  // tan 22.5 degrees
    const D3DXVECTOR3 corner = project(2.0f * edge, edge, 100.0f);
    EXPECT_NEAR(corner.x, 1.0f, kEps);
    EXPECT_NEAR(corner.y, 1.0f, kEps);
    EXPECT_NEAR(project(0.0f, 0.0f, 1.0f).z, 0.0f, kEps);
    EXPECT_NEAR(project(0.0f, 0.0f, 500.0f).z, 1.0f, kEps);

    camera.YawLocal(0.5f, 0);
    camera.SetCameraPosition(3.0f, 4.0f, -20.0f);
    ASSERT_EQ(camera.ApplyView(m_pDevice), S_OK);

    D3DMATRIX view;
    ASSERT_EQ(m_pDevice->GetTransform(D3DTS_VIEW, &view), D3D_OK);
    D3DXMATRIX product;
    D3DXMATRIX viewX(view);
    D3DXMatrixMultiply(&product, &camera.CameraMatrix(), &viewX);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(product.m[r][c], r == c ? 1.0f : 0.0f, kEps);
        }
    }
    EXPECT_TRUE(camera.PreviousMatrix() == camera.CameraMatrix());
}

TEST_F(CameraDeviceTest, FrustumOfTheIdentityCameraAndOfAMovedOne) {
    const float aspect = 4.0f / 3.0f;
    const float t = std::tan(D3DX_PI / 8.0f);
    Camera camera;
    camera.SetProjection(m_pDevice, aspect, 1.0f, 100.0f);
    camera.BuildFrustum();
    const FrustumInfo& frustum = camera.Frustum();

    EXPECT_NEAR(frustum.m_vecCorners[0].x, -t * aspect, kEps);
    EXPECT_NEAR(frustum.m_vecCorners[0].y, -t, kEps);
    EXPECT_NEAR(frustum.m_vecCorners[0].z, 1.0f, kEps);
    EXPECT_NEAR(frustum.m_vecCorners[7].x, 100.0f * t * aspect, 1e-2f);
    EXPECT_NEAR(frustum.m_vecCorners[7].y, 100.0f * t, 1e-2f);
    EXPECT_NEAR(frustum.m_vecCorners[7].z, 100.0f, 1e-2f);
    // Bits pick the side: corner 5 is right, bottom, far.
    EXPECT_GT(frustum.m_vecCorners[5].x, 0.0f);
    EXPECT_LT(frustum.m_vecCorners[5].y, 0.0f);

    EXPECT_LT(Side(frustum.m_planes[0], 0.0f, 0.0f, 0.0f), 0.0f);
    for (int i = 0; i < 6; ++i) {
        EXPECT_GT(Side(frustum.m_planes[i], 0.0f, 0.0f, 50.0f), 0.0f) << "plane " << i;
    }
    // Each plane shuts out its own side.
    const D3DXVECTOR3 beyond[5] = {{0, 0, 150}, {-100, 0, 50}, {100, 0, 50}, {0, 100, 50}, {0, -100, 50}};
    for (int i = 1; i < 6; ++i) {
        EXPECT_LT(Side(frustum.m_planes[i], beyond[i - 1].x, beyond[i - 1].y, beyond[i - 1].z), 0.0f) << "plane " << i;
    }

    // Turned and moved, the frustum follows the camera.
    camera.YawLocal(kHalfPi, 0);  // looking along +x
    camera.SetCameraPosition(-40.0f, 0.0f, 0.0f);
    camera.BuildFrustum();
    for (int i = 0; i < 6; ++i) {
        EXPECT_GT(Side(frustum.m_planes[i], 0.0f, 0.0f, 0.0f), 0.0f) << "plane " << i;
    }
    EXPECT_LT(Side(frustum.m_planes[0], -50.0f, 0.0f, 0.0f), 0.0f);
    EXPECT_NEAR(frustum.m_vecCorners[4].x, 60.0f, 1e-2f);
}

}  // namespace
