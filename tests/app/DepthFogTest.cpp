#include "app/DepthFog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/RecordingDeviceTest.h"

namespace {

class DepthFogTest : public RecordingDeviceTest {
protected:
    DWORD State(D3DRENDERSTATETYPE state) {
        DWORD value = 0;
        m_pDevice->GetRenderState(state, &value);
        return value;
    }

    DepthFog m_fog;
    Camera m_camera;
};

// Linear fog in the chosen colour that is whole before the far plane, so
// nothing pops out of the fog as it is clipped; the projection takes the
// viewport's aspect.
TEST_F(DepthFogTest, AppliesLinearFogInTheChosenColourAndAProjectionOfTheViewportsAspect) {
    m_fog.SetColor(0xFF000000);
    ASSERT_EQ(m_fog.Apply(m_pDevice, &m_camera, 384, 288, 0), S_OK);
    EXPECT_EQ(State(D3DRS_FOGENABLE), 1u);
    EXPECT_EQ(State(D3DRS_FOGCOLOR), 0xFF000000u);
    EXPECT_EQ(State(D3DRS_FOGVERTEXMODE), DWORD(D3DFOG_LINEAR));
    float start = 0.0f, end = 0.0f;
    const DWORD startBits = State(D3DRS_FOGSTART), endBits = State(D3DRS_FOGEND);
    std::memcpy(&start, &startBits, sizeof(start));
    std::memcpy(&end, &endBits, sizeof(end));
    EXPECT_EQ(start, 0.0f);
    EXPECT_LT(end, m_fog.FarDistance());
    EXPECT_GT(end, 0.95f * m_fog.FarDistance());

    // Square pixels: the horizontal scale is the vertical one over the aspect.
    EXPECT_NEAR(m_camera.ProjectionMatrix()._22 / m_camera.ProjectionMatrix()._11, 384.0f / 288.0f, 1e-5f);
    D3DMATRIX projection;
    m_pDevice->GetTransform(D3DTS_PROJECTION, &projection);
    EXPECT_TRUE(D3DXMATRIX(projection) == m_camera.ProjectionMatrix());

    // An empty viewport (a window shrunk to nothing) does not poison the projection.
    m_fog.Apply(m_pDevice, &m_camera, 512, 0, 1);
    EXPECT_TRUE(std::isfinite(m_camera.ProjectionMatrix()._11));
}

}  // namespace
