#include "app/ViewControl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/FrameValues.h"
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
    }
    D3DXMATRIX View() {
        D3DMATRIX view;
        m_pDevice->GetTransform(D3DTS_VIEW, &view);
        return D3DXMATRIX(view);
    }

    ScopedTempCwd m_cwd;
    FergusonPath m_path;
    BirdFlight m_bird;
    Camera m_camera;
    KeyState m_keys{};
};

TEST_F(ViewControlTest, FarFollowRidesThePathFrameAndLooksBackAtTheBird) {
    LoadPath(0.5f, 300.0f);
    ASSERT_EQ(FollowStep(m_pDevice, &m_camera, &m_path, &m_bird), S_OK);
    D3DXMATRIX frame;
    m_bird.GetPathMatrix(&frame);
    const D3DXMATRIX& cam = m_camera.CameraMatrix();

    // 20 above the path frame, 300 out along the frame's x turned by 0.5.
    D3DXVECTOR3 out = Row(cam, 3) - Row(frame, 3) - Row(frame, 1) * 20.0f;
    D3DXVECTOR3 expectedOut = Row(frame, 0) * (300.0f * std::cos(0.5f)) + Row(frame, 2) * (-300.0f * std::sin(0.5f));
    ExpectNear(out, expectedOut);
    // Facing back toward the bird's frame, level with it.
    D3DXVECTOR3 back;
    D3DXVec3Normalize(&back, &out);
    ExpectNear(Row(cam, 2), -back);
    ExpectNear(Row(cam, 1), Row(frame, 1));

    D3DXMATRIX product = cam * View();
    ExpectNear(Row(product, 3), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    ExpectNear(Row(product, 0), D3DXVECTOR3(1.0f, 0.0f, 0.0f));
}

TEST_F(ViewControlTest, CloseFollowTakesMostOfTheBob) {
    LoadPath(0.0f, 5.0f);
    ASSERT_GT(std::fabs(m_bird.BobOffset()), 0.5f);
    FollowStep(m_pDevice, &m_camera, &m_path, &m_bird);
    D3DXMATRIX frame;
    m_bird.GetPathMatrix(&frame);
    // t = 0.1: nine tenths of the bob lifts the camera's base.
    D3DXVECTOR3 base = Row(m_camera.CameraMatrix(), 3) - Row(frame, 1) * 20.0f - Row(frame, 0) * 5.0f;
    EXPECT_NEAR(base.y, frame._42 + 0.9f * m_bird.BobOffset(), kEps);
}

TEST_F(ViewControlTest, BeyondThePathTheDefaultCircleIsUsed) {
    LoadPath(0.5f, 300.0f);
    m_bird.SetPathParameter(10.0f);  // the path leaves angle 2 pi and distance 75 as they are
    FollowStep(m_pDevice, &m_camera, &m_path, &m_bird);
    D3DXMATRIX frame;
    m_bird.GetPathMatrix(&frame);
    // t = 0.5: half the bob; 75 out along the frame's own x, 20 up.
    D3DXVECTOR3 base = Row(frame, 3) + D3DXVECTOR3(0.0f, 0.5f * m_bird.BobOffset(), 0.0f);
    D3DXVECTOR3 expected = base + Row(frame, 0) * 75.0f + Row(frame, 1) * 20.0f;
    ExpectNear(Row(m_camera.CameraMatrix(), 3), expected);
    ExpectNear(Row(m_camera.CameraMatrix(), 2), -Row(frame, 0));
}

TEST_F(ViewControlTest, KeysTurnOneRadianAndMoveFiftyUnitsPerSecondAndNoKeysStillSetTheView) {
    ResetCamera(&m_camera);
    ExpectNear(Row(m_camera.CameraMatrix(), 3), D3DXVECTOR3(-57.8f, -5.3f, 30.1f));
    ExpectNear(Row(m_camera.CameraMatrix(), 2), D3DXVECTOR3(std::sin(0.4f), 0.0f, std::cos(0.4f)));
    const D3DXMATRIX start = m_camera.CameraMatrix();
    KeyboardStep(m_pDevice, &m_camera, m_keys);
    EXPECT_TRUE(start == m_camera.CameraMatrix());
    const D3DXMATRIX product = m_camera.CameraMatrix() * View();
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(product.m[r][c], r == c ? 1.0f : 0.0f, kEps);
        }
    }

    m_keys.m_bRight = TRUE;
    for (int i = 0; i < 40; ++i) {  // one second of frames
        KeyboardStep(m_pDevice, &m_camera, m_keys);
    }
    ExpectNear(Row(m_camera.CameraMatrix(), 2), D3DXVECTOR3(std::sin(1.4f), 0.0f, std::cos(1.4f)));
    ExpectNear(Row(m_camera.CameraMatrix(), 3), D3DXVECTOR3(-57.8f, -5.3f, 30.1f));

    m_keys = KeyState{};
    m_keys.m_bUp = TRUE;
    for (int i = 0; i < 40; ++i) {
        KeyboardStep(m_pDevice, &m_camera, m_keys);
    }
    D3DXVECTOR3 moved = Row(m_camera.CameraMatrix(), 3) - D3DXVECTOR3(-57.8f, -5.3f, 30.1f);
    ExpectNear(moved, D3DXVECTOR3(std::sin(1.4f), 0.0f, std::cos(1.4f)) * 50.0f);

    m_keys = KeyState{};
    m_keys.m_bPageUp = TRUE;
    m_keys.m_bLeft = TRUE;  // left undoes right within the frame: only the pitch remains
    D3DXVECTOR3 before = Row(m_camera.CameraMatrix(), 2);
    KeyboardStep(m_pDevice, &m_camera, m_keys);
    EXPECT_LT(Row(m_camera.CameraMatrix(), 2).y, before.y);
}

}  // namespace
