#include "scene/PlacedObject.h"

#include <gtest/gtest.h>

#include "support/RecordingDeviceTest.h"

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kEps = 1e-4f;

void ExpectRow(const D3DXMATRIX& m, int row, float x, float y, float z) {
    EXPECT_NEAR(m.m[row][0], x, kEps) << "row " << row;
    EXPECT_NEAR(m.m[row][1], y, kEps) << "row " << row;
    EXPECT_NEAR(m.m[row][2], z, kEps) << "row " << row;
}

TEST(PlacedObjectSteps, PostStepsWorkInWorldAxesLocalOnesInTheObjectsOwnAndFaceTowardAimsPlusZ) {
    // A turned object: a post step moves along the world's axes, a local
    // rotation turns it in place.
    PlacedObject object;
    object.RotateZ(kHalfPi, 0);
    object.SetPosition(10.0f, 0.0f, 0.0f);
    object.Translate(0.0f, 5.0f, 0.0f, 1);
    ExpectRow(object.World(), 3, 10.0f, 5.0f, 0.0f);
    object.RotateZ(kHalfPi, 0);
    ExpectRow(object.World(), 3, 10.0f, 5.0f, 0.0f);
    ExpectRow(object.World(), 0, -1.0f, 0.0f, 0.0f);
    ExpectRow(object.World(), 1, 0.0f, -1.0f, 0.0f);

    // StorePrevious keeps the last transform.
    object.StorePrevious();
    object.Translate(1.0f, 0.0f, 0.0f, 1);
    ExpectRow(object.PreviousWorld(), 3, 10.0f, 5.0f, 0.0f);
    EXPECT_EQ(object.PreviousPosition(), D3DXVECTOR3(10.0f, 5.0f, 0.0f));

    // FaceToward points +Z at the target and keeps the position.
    object.SetPosition(1.0f, 2.0f, 3.0f);
    object.FaceToward(11.0f, 2.0f, 3.0f);
    ExpectRow(object.World(), 2, 1.0f, 0.0f, 0.0f);
    ExpectRow(object.World(), 0, 0.0f, 0.0f, -1.0f);
    ExpectRow(object.World(), 1, 0.0f, 1.0f, 0.0f);
    ExpectRow(object.World(), 3, 1.0f, 2.0f, 3.0f);
    // Rising toward the target tilts the up axis back, still orthogonal.
    object.FaceToward(1.0f, 12.0f, 13.0f);
    const float s = 0.70710678f;
    ExpectRow(object.World(), 2, 0.0f, s, s);
    ExpectRow(object.World(), 1, 0.0f, s, -s);
}

class PlacedObjectDeviceTest : public RecordingDeviceTest {};

TEST_F(PlacedObjectDeviceTest, WithoutAModelVisibleButNotRenderedWithoutDisplayMeshesNotVisible) {
    PlacedObject object;
    FrustumInfo frustum{};
    DrawQueue queue;
    D3DXMATRIX camera;
    D3DXMatrixIdentity(&camera);
    EXPECT_EQ(object.IsVisible(m_pDevice, &frustum), E_FAIL);
    EXPECT_EQ(object.Render(m_pDevice, camera, &frustum, 1, &queue), E_FAIL);
    EXPECT_EQ(object.ApplyWorld(1), E_FAIL);

    Model model;
    object.SetModel(&model);
    EXPECT_EQ(object.IsVisible(m_pDevice, &frustum), 0);
    EXPECT_EQ(object.Render(m_pDevice, camera, &frustum, 1, &queue), S_OK);
    EXPECT_EQ(queue.Count(), 0u);
}

}  // namespace
