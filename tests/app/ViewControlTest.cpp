#include "app/ViewControl.h"

#include <gtest/gtest.h>

#include <cmath>

#include "framework/FrameStep.h"
#include "support/PathFile.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

namespace {

constexpr float kEps = 1e-3f;

D3DXVECTOR3 Row(const D3DXMATRIX& m, int row) {
    return D3DXVECTOR3(m.m[row][0], m.m[row][1], m.m[row][2]);
}

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    EXPECT_NEAR(a.x, b.x, kEps);
    EXPECT_NEAR(a.y, b.y, kEps);
    EXPECT_NEAR(a.z, b.z, kEps);
}

class ViewControlTest : public RecordingDeviceTest {
protected:
    void SetUp() override {
        RecordingDeviceTest::SetUp();
        g_frameStep = 0.025f;
    }
    // A triangle path with one camera angle and distance at every point.
    void LoadPath(float angle, float distance) {
        m_cwd.MakeFolder("Misc");
        m_cwd.WriteFile("Misc/Clock.fpp", PathFileBytes(3, {{0, 0, 0}, {40, 0, 0}, {0, 10, 40}}, {angle, angle, angle},
                                                        {distance, distance, distance}));
        ASSERT_EQ(m_path.Load("Clock.fpp"), S_OK);
        for (int i = 0; i < 300; ++i) {  // fly on until the bob is well away from zero
            m_bird.StorePrevious();
            m_bird.Update(&m_path, nullptr);
        }
        ASSERT_GT(std::fabs(m_bird.BobOffset()), 0.5f);
        ASSERT_EQ(FollowStep(m_pDevice, &m_camera, &m_path, &m_bird), S_OK);
        m_bird.GetPathMatrix(&m_frame);
    }
    // The view set on the device undoes the camera.
    void ExpectViewOfTheCamera() {
        D3DMATRIX view;
        m_pDevice->GetTransform(D3DTS_VIEW, &view);
        const D3DXMATRIX product = m_camera.CameraMatrix() * D3DXMATRIX(view);
        ExpectNear(Row(product, 3), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        ExpectNear(Row(product, 0), D3DXVECTOR3(1.0f, 0.0f, 0.0f));
        ExpectNear(Row(product, 1), D3DXVECTOR3(0.0f, 1.0f, 0.0f));
    }

    ScopedTempCwd m_cwd;
    FergusonPath m_path;
    BirdFlight m_bird;
    Camera m_camera;
    D3DXMATRIX m_frame;
    KeyState m_keys{};
};

// Close shots take most of the bird's bob, distant ones ride the smooth path
// frame alone: the camera stands out at the path's distance and 20 above.
TEST_F(ViewControlTest, CloseFollowTakesMostOfTheBobAndAFarOneNone) {
    for (float distance : {5.0f, 300.0f}) {
        LoadPath(0.0f, distance);
        const D3DXVECTOR3 base = Row(m_camera.CameraMatrix(), 3) - Row(m_frame, 1) * 20.0f - Row(m_frame, 0) * distance;
        EXPECT_NEAR(base.y, m_frame._42 + (distance < 10.0f ? 0.9f : 0.0f) * m_bird.BobOffset(), kEps) << distance;
    }
}

TEST_F(ViewControlTest, KeysTurnOneRadianAndMoveFiftyUnitsPerSecondAndNoKeysStillSetTheView) {
    ResetCamera(&m_camera);
    const D3DXMATRIX start = m_camera.CameraMatrix();
    KeyboardStep(m_pDevice, &m_camera, m_keys);
    EXPECT_TRUE(start == m_camera.CameraMatrix());
    ExpectViewOfTheCamera();

    // Right turns clockwise seen from above, about the camera's own up.
    m_keys.m_bRight = TRUE;
    for (int i = 0; i < 40; ++i) {  // one second of frames
        KeyboardStep(m_pDevice, &m_camera, m_keys);
    }
    const D3DXVECTOR3 ahead = Row(start, 2), turned = Row(m_camera.CameraMatrix(), 2);
    D3DXVECTOR3 axis;
    D3DXVec3Cross(&axis, &ahead, &turned);
    EXPECT_NEAR(std::acos(D3DXVec3Dot(&ahead, &turned)), 1.0f, kEps);
    ExpectNear(axis, Row(start, 1) * std::sin(1.0f));
    ExpectNear(Row(m_camera.CameraMatrix(), 3), Row(start, 3));

    m_keys = KeyState{};
    m_keys.m_bUp = TRUE;
    for (int i = 0; i < 40; ++i) {
        KeyboardStep(m_pDevice, &m_camera, m_keys);
    }
    ExpectNear(Row(m_camera.CameraMatrix(), 3) - Row(start, 3), turned * 50.0f);

    m_keys = KeyState{};
    m_keys.m_bPageUp = TRUE;
    KeyboardStep(m_pDevice, &m_camera, m_keys);
    EXPECT_LT(Row(m_camera.CameraMatrix(), 2).y, turned.y);
}

}  // namespace
