#include "app/DepthFog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/RecordingDeviceTest.h"

namespace {

float AsFloat(DWORD bits) {
    float f;
    std::memcpy(&f, &bits, sizeof(f));
    return f;
}

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

TEST_F(DepthFogTest, AppliesLinearFogInTheChosenColourOnlyWhenDirtyOrForced) {
    size_t calls = m_pLog->CallNames().size();
    EXPECT_EQ(m_fog.Apply(m_pDevice, &m_camera, 512, 384, 0), S_OK);
    EXPECT_EQ(m_pLog->CallNames().size(), calls) << "a clean fog touches nothing";

    m_fog.SetColor(0xFF000000);
    EXPECT_EQ(m_fog.Dirty(), 1);
    m_fog.Apply(m_pDevice, &m_camera, 512, 384, 0);
    EXPECT_EQ(m_fog.Dirty(), 0);
    EXPECT_EQ(m_pLog->CountCalls("SetRenderState"), 5u);
    EXPECT_EQ(m_pLog->CountCalls("SetTransform"), 1u);
    // Linear fog that ends before the far plane.
    EXPECT_EQ(State(D3DRS_FOGENABLE), 1u);
    EXPECT_EQ(State(D3DRS_FOGCOLOR), 0xFF000000u);
    EXPECT_EQ(State(D3DRS_FOGVERTEXMODE), DWORD(D3DFOG_LINEAR));
    EXPECT_EQ(AsFloat(State(D3DRS_FOGSTART)), 0.0f);
    EXPECT_EQ(AsFloat(State(D3DRS_FOGEND)), 495.0f);

    calls = m_pLog->CallNames().size();
    m_fog.Apply(m_pDevice, &m_camera, 512, 384, 0);
    EXPECT_EQ(m_pLog->CallNames().size(), calls);

    m_fog.Apply(m_pDevice, &m_camera, 512, 384, 1);
    EXPECT_EQ(m_pLog->CountCalls("SetRenderState"), 10u);
    EXPECT_EQ(m_pLog->CountCalls("SetTransform"), 2u);

    // Forced with the starting colour: white fog.
    DepthFog fresh;
    fresh.Apply(m_pDevice, &m_camera, 512, 384, 1);
    EXPECT_EQ(State(D3DRS_FOGCOLOR), 0xFFFFFFFFu);
}

TEST_F(DepthFogTest, ProjectionTakesTheViewportAspectAndFarDistance) {
    m_fog.Apply(m_pDevice, &m_camera, 384, 288, 1);
    D3DMATRIX projection;
    m_pDevice->GetTransform(D3DTS_PROJECTION, &projection);
    // The corner of a 45-degree view as wide as the 384 x 288 viewport lands on
    // the screen's corner; depth runs from 0 at 1 to 1 at 500.
    const float edge = 100.0f * 0.41421356f;  // tan 22.5 degrees
    const D3DXMATRIX matrix(projection);
    auto project = [&matrix](float x, float y, float z) {
        const D3DXVECTOR3 in(x, y, z);
        D3DXVECTOR3 out;
        D3DXVec3TransformCoord(&out, &in, &matrix);
        return out;
    };
    const D3DXVECTOR3 corner = project(edge * 384.0f / 288.0f, edge, 100.0f);
    EXPECT_NEAR(corner.x, 1.0f, 1e-4f);
    EXPECT_NEAR(corner.y, 1.0f, 1e-4f);
    EXPECT_NEAR(project(0.0f, 0.0f, 1.0f).z, 0.0f, 1e-5f);
    EXPECT_NEAR(project(0.0f, 0.0f, 500.0f).z, 1.0f, 1e-5f);
    EXPECT_TRUE(D3DXMATRIX(projection) == m_camera.ProjectionMatrix());

    // An empty viewport does not poison the projection.
    m_fog.Apply(m_pDevice, &m_camera, 512, 0, 1);
    EXPECT_TRUE(std::isfinite(m_camera.ProjectionMatrix()._11));
}

}  // namespace
