#include "particles/ParticleTrailPC.h"

#include <gtest/gtest.h>

#include <vector>

#include "ParticleTest.h"
#include "framework/FrameStep.h"
#include "platform/kernel/Kernel.h"

namespace {

class ParticleTrailPCTest : public ParticleTest<ParticleTrailPC> {
protected:
    void SetUp() override {
        RecordingDeviceTest::SetUp();
        g_frameStep = 0.01f;
        crt::srand(7);
    }

    ParticleTrailPC& m_trail = m_effect;
};

TEST_F(ParticleTrailPCTest, LoadMakesTextureAndBufferOrReportsTheMissingTextureAndALoadAgainLeaksNothing) {
    ExpectLoadOnlyWithTexture("ParticleTrailPC01.dds", "ParticleTrailPC(52): loading texture for particletrailpc",
                              "ParticleTrailPC(58): failed to load texture for particletrailpc", 600u * 3u * 24u);
    // Loading again (a new device without a release between) replaces the
    // resources; the device teardown check shows nothing leaked.
    size_t released = m_pLog->ReleasedResourceCount();
    ASSERT_EQ(m_trail.Load(m_pDevice), S_OK);
    EXPECT_NE(m_trail.VertexBuffer(), nullptr);
    EXPECT_GE(m_pLog->ReleasedResourceCount(), released + 2);
}

TEST_F(ParticleTrailPCTest, SparksAreBornAroundThePointBrightSinkFadeAndDieUpToSixHundred) {
    for (int i = 0; i < 200; ++i) {
        m_trail.Add(10.0f, 20.0f, 30.0f, 1.0f, 2.0f, 3.0f);
        const ParticleTrailPC::Spark* p = m_trail.LiveList();
        EXPECT_EQ(p->m_dwColor >> 24, 0u);
        for (int shift : {0, 8, 16}) {
            EXPECT_GE((p->m_dwColor >> shift) & 0xFF, 128u);
        }
        // Three units out in the x-z plane, moving with the bird's step.
        float dx = p->m_vecPosition.x - 10.0f;
        float dz = p->m_vecPosition.z - 30.0f;
        EXPECT_NEAR(dx * dx + dz * dz, 9.0f, 1e-3f);
        EXPECT_EQ(p->m_vecVelocity, D3DXVECTOR3(1, 2, 3));
    }
    // The population stops at six hundred.
    for (int i = 0; i < 450; ++i) {
        EXPECT_EQ(m_trail.Add(0, 0, 0, 0, 0, 0), S_OK);
    }
    EXPECT_EQ(m_trail.LiveCount(), 600u);
    EXPECT_EQ(ListOf(m_trail.LiveList()).size(), 600u);
    m_trail.Clear();
    EXPECT_EQ(m_trail.LiveCount(), 0u);

    m_trail.Add(0, 0, 0, 0, 0, 0);
    const ParticleTrailPC::Spark* pSpark = m_trail.LiveList();
    for (int i = 0; i < 70; ++i) {
        m_trail.Update();
    }
    // Gravity beats any upward kick.
    EXPECT_LT(pSpark->m_vecVelocity.y, 0.0f);
    int frames = 70;
    while (m_trail.LiveCount() > 0 && frames < 1000) {
        m_trail.Update();
        ++frames;
    }
    EXPECT_NEAR(frames * 0.01f, 3.66f, 0.03f);
    m_trail.Add(0, 0, 0, 0, 0, 0);
    EXPECT_EQ(m_trail.LiveList(), pSpark);
}

TEST_F(ParticleTrailPCTest, RenderDrawsOneFacingTrianglePerSparkFadedAndRestoresStates) {
    LoadWithTexture("ParticleTrailPC01.dds");
    D3DXMATRIX billboard;
    D3DXMatrixIdentity(&billboard);
    const size_t calls = m_pLog->CallNames().size();
    EXPECT_EQ(m_trail.Render(m_pDevice, billboard), S_OK);
    EXPECT_EQ(m_pLog->CallNames().size(), calls) << "nothing alive: nothing touched";
    for (int i = 0; i < 5; ++i) {
        m_trail.Add(float(i) * 10.0f, 0, 0, 0, 0, 0);
    }
    for (int i = 0; i < 100; ++i) {
        m_trail.Update();
    }
    D3DXMatrixRotationY(&billboard, D3DX_PI / 2.0f);
    billboard._41 = 1000.0f;  // the translation must not move the sparks

    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    ASSERT_EQ(m_trail.Render(m_pDevice, billboard), S_OK);
    m_pDevice->EndScene();
    ASSERT_EQ(m_pLog->DrawCount(), 1u);
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_uPrimitiveCount, 5u);
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), m_trail.Texture());
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_ZWRITEENABLE), 0u);
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_ALPHABLENDENABLE), 1u);
    D3DMATRIX world = m_pLog->TransformAtDraw(0, D3DTS_WORLD);
    EXPECT_TRUE(D3DXMatrixIsIdentity(reinterpret_cast<D3DXMATRIX*>(&world)));
    for (D3DRENDERSTATETYPE state : {D3DRS_FOGENABLE, D3DRS_LIGHTING, D3DRS_ZWRITEENABLE}) {
        EXPECT_EQ(State(state), 1u) << state;
    }
    EXPECT_EQ(State(D3DRS_ALPHABLENDENABLE), 0u);

    // The newest spark comes first; its first corner (-0.4, -0.4, 0) turned
    // by the billboard lies at (0, -0.4, 0.4) from the spark.
    std::vector<BubbleVertex> v = ReadVertices(m_trail.VertexBuffer(), 3);
    ASSERT_EQ(v.size(), 3u);
    const ParticleTrailPC::Spark* pSpark = m_trail.LiveList();
    ExpectNear(D3DXVECTOR3(v[0].x, v[0].y, v[0].z), pSpark->m_vecPosition + D3DXVECTOR3(0, -0.4f, 0.4f), 1e-4f);
    // Its own colour, part way through the fade.
    EXPECT_GT(v[0].color >> 24, 100u);
    EXPECT_LT(v[0].color >> 24, 255u);
    EXPECT_EQ(v[0].color & 0xFFFFFF, pSpark->m_dwColor);
}

}  // namespace
