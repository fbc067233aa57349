#include "particles/ParticleBubble.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "ParticleTest.h"
#include "app/FrameValues.h"
#include "platform/kernel/Kernel.h"

namespace {

class ParticleBubbleTest : public ParticleTest<ParticleBubble> {
protected:
    void SetUp() override {
        RecordingDeviceTest::SetUp();
        g_frameStep = 0.03f;
        g_appTime = 0.0f;
        crt::srand(1);
    }
    void LoadWithTexture() { ParticleTest::LoadWithTexture("ParticleBubble01.dds"); }
    // Renders with an unturned billboard and returns the first bubble's alpha.
    DWORD RenderedAlpha() {
        D3DXMATRIX billboard;
        D3DXMatrixIdentity(&billboard);
        EXPECT_EQ(m_bubbles.Render(m_pDevice, billboard), S_OK);
        std::vector<BubbleVertex> vertices = ReadVertices(m_bubbles.VertexBuffer(), 3);
        return vertices.empty() ? 0xDEADu : vertices[0].color >> 24;
    }
    int CountEmitted(float dt, int frames) {
        g_frameStep = dt;
        DWORD before = m_bubbles.LiveCount();
        for (int i = 0; i < frames; ++i) {
            EXPECT_EQ(m_bubbles.Emit(0, 0, 0), S_OK);
        }
        return int(m_bubbles.LiveCount() - before);
    }

    ParticleBubble& m_bubbles = m_effect;
};

TEST_F(ParticleBubbleTest, LoadMakesTextureAndBufferOrReportsTheMissingTexture) {
    ExpectLoadOnlyWithTexture("ParticleBubble01.dds", "ParticleBubble(88): loading texture for particlebubble",
                              "ParticleBubble(94): failed to load texture for particlebubble", 1000u * 72u);
}

TEST_F(ParticleBubbleTest, AtMostOneBubblePerFrameAndAboutThirtyFivePerSecond) {
    // Frames longer than 1/35 s: one bubble each, never more.
    EXPECT_EQ(CountEmitted(0.03f, 50), 50);
    EXPECT_EQ(CountEmitted(0.25f, 10), 10);
    // Short frames: the timer is set back to 0, not by 1, so 0.01 s frames
    // give one bubble every third frame and 60 fps one every second frame.
    EXPECT_EQ(CountEmitted(0.01f, 300), 100);
    EXPECT_EQ(CountEmitted(1.0f / 60.0f, 120), 60);
    // No time, no bubbles.
    EXPECT_EQ(CountEmitted(0.0f, 100), 0);
}

TEST_F(ParticleBubbleTest, BubblesStartBelowTheSceneFromThreeDrawsInOrder) {
    // The generator's first values from seed 1 are 41, 18467, 6334, then
    // 26500, 19169, 15724: x, z, y in that order.
    ASSERT_EQ(m_bubbles.Emit(0, 0, 0), S_OK);
    const ParticleBubble::Bubble* p = m_bubbles.LiveList();
    EXPECT_EQ(p->m_vecPosition, D3DXVECTOR3(41 - 750, 6334 % 50 - 125, 18467 % 1500 - 750));
    ASSERT_EQ(m_bubbles.Emit(10.0f, 20.0f, 30.0f), S_OK);
    p = m_bubbles.LiveList();
    EXPECT_EQ(p->m_vecPosition, D3DXVECTOR3(10 + 1000 - 750, 20 + 24 - 125, 30 + 1169 - 750));
    EXPECT_EQ(p->m_vecVelocity, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(p->m_fLife, 255.0f);
    EXPECT_EQ(p->m_dwColor, 0x00FFFFFFu);

    for (int i = 0; i < 998; ++i) {
        m_bubbles.Emit(0, 0, 0);
    }
    for (const ParticleBubble::Bubble* b : ListOf(m_bubbles.LiveList())) {
        EXPECT_GE(b->m_vecPosition.x, -750.0f);
        EXPECT_LE(b->m_vecPosition.x, 749.0f);
        EXPECT_GE(b->m_vecPosition.z, -750.0f);
        EXPECT_LE(b->m_vecPosition.z, 749.0f);
        EXPECT_GE(b->m_vecPosition.y, -125.0f);
        EXPECT_LE(b->m_vecPosition.y, -76.0f);
    }
}

TEST_F(ParticleBubbleTest, FullPopulationStopsEmissionButStillResetsTheTimerAndRecyclesRecords) {
    EXPECT_EQ(CountEmitted(0.03f, 1000), 1000);
    std::set<const void*> records;
    for (const ParticleBubble::Bubble* b : ListOf(m_bubbles.LiveList())) {
        records.insert(b);
    }
    ASSERT_EQ(records.size(), 1000u);

    EXPECT_EQ(CountEmitted(0.03f, 5), 0);
    EXPECT_EQ(m_bubbles.EmitTimer(), 0.0f);
    // Had the timer kept running, this short frame would emit at once when
    // a slot frees; it starts from 0 instead.
    g_frameStep = 0.01f;
    m_bubbles.Emit(0, 0, 0);
    EXPECT_NEAR(m_bubbles.EmitTimer(), 0.35f, 1e-6f);

    // Everyone dies in one long step; new bubbles reuse the old records.
    g_frameStep = 21.0f;
    m_bubbles.Update();
    EXPECT_EQ(m_bubbles.LiveCount(), 0u);
    EXPECT_EQ(m_bubbles.LiveList(), nullptr);
    EXPECT_EQ(CountEmitted(0.03f, 3), 3);
    for (const ParticleBubble::Bubble* b : ListOf(m_bubbles.LiveList())) {
        EXPECT_EQ(records.count(b), 1u);
    }
}

TEST_F(ParticleBubbleTest, BubbleFadesInToOpaqueAtTenSecondsAndOutAtTwenty) {
    LoadWithTexture();
    ASSERT_EQ(m_bubbles.Emit(0, 0, 0), S_OK);
    EXPECT_EQ(RenderedAlpha(), 0u);

    g_frameStep = 0.1f;
    for (int i = 0; i < 51; ++i) {  // 5.1 s: life 127.5
        m_bubbles.Update();
    }
    EXPECT_EQ(RenderedAlpha(), 128u);
    for (int i = 0; i < 51; ++i) {  // 10.2 s: life 0
        m_bubbles.Update();
    }
    EXPECT_EQ(RenderedAlpha(), 255u);
    for (int i = 0; i < 100; ++i) {  // 20.2 s: life -250
        m_bubbles.Update();
    }
    EXPECT_NEAR(double(RenderedAlpha()), 5.0, 1.0);

    int frames = 0;
    g_frameStep = 0.01f;
    while (m_bubbles.LiveCount() > 0 && frames < 1000) {
        m_bubbles.Update();
        ++frames;
    }
    EXPECT_NEAR(20.2 + frames * 0.01, 20.4, 0.02);
}

TEST_F(ParticleBubbleTest, WindChangesEveryEightSecondsFromThreeDrawsStoredBackwards) {
    ASSERT_EQ(m_bubbles.Emit(0, 0, 0), S_OK);  // draws 41, 18467, 6334
    const ParticleBubble::Bubble* p = m_bubbles.LiveList();
    g_appTime = D3DX_PI / 2.0f;  // the drift at the top of its swing
    g_frameStep = 0.25f;
    const float startX = p->m_vecPosition.x;
    const float startZ = p->m_vecPosition.z;
    for (int i = 0; i < 31; ++i) {
        m_bubbles.Update();
    }
    // 7.75 s: no wind yet, so the bubble only rose.
    EXPECT_EQ(m_bubbles.Wind(), D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(p->m_vecPosition.x, startX);
    EXPECT_EQ(p->m_vecPosition.z, startZ);
    EXPECT_GT(p->m_vecPosition.y, -91.0f + 25.0f);

    // 8 s: the next draws 26500, 19169, 15724 become (c, b, a).
    m_bubbles.Update();
    const D3DXVECTOR3 wind = m_bubbles.Wind();
    EXPECT_FLOAT_EQ(wind.x, 15724.0f / 32767.0f);
    EXPECT_FLOAT_EQ(wind.y, 19169.0f / 32767.0f);
    EXPECT_FLOAT_EQ(wind.z, 26500.0f / 32767.0f);
    // It carries the bubble the same frame: 25 units/s along the wind.
    EXPECT_NEAR(p->m_vecPosition.x - startX, wind.x * 25.0f * 0.25f, 1e-3f);
    EXPECT_NEAR(p->m_vecPosition.z - startZ, wind.z * 25.0f * 0.25f, 1e-3f);

    // The drift swings back with the application time.
    g_appTime = -D3DX_PI / 2.0f;
    float x = p->m_vecPosition.x;
    m_bubbles.Update();
    EXPECT_NEAR(p->m_vecPosition.x - x, -wind.x * 25.0f * 0.25f, 1e-3f);

    // The timer restarted at the change: the next comes 8 s after it.
    for (int i = 0; i < 30; ++i) {
        m_bubbles.Update();
    }
    EXPECT_EQ(m_bubbles.Wind(), wind);
    m_bubbles.Update();
    EXPECT_NE(m_bubbles.Wind(), wind);
}

TEST_F(ParticleBubbleTest, RenderDrawsOneFacingTrianglePerBubbleFromItsTemplate) {
    LoadWithTexture();
    // With nothing alive, at first or after all died, nothing is touched.
    D3DXMATRIX billboard;
    D3DXMatrixIdentity(&billboard);
    const size_t calls = m_pLog->CallNames().size();
    EXPECT_EQ(m_bubbles.Render(m_pDevice, billboard), S_OK);
    m_bubbles.Emit(0, 0, 0);
    g_frameStep = 21.0f;
    m_bubbles.Update();
    EXPECT_EQ(m_bubbles.Render(m_pDevice, billboard), S_OK);
    EXPECT_EQ(m_pLog->CallNames().size(), calls);

    g_frameStep = 0.03f;
    for (int i = 0; i < 4; ++i) {
        m_bubbles.Emit(0, 0, 0);
    }
    g_frameStep = 1.0f;
    m_bubbles.Update();  // life 230: alpha 25
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    D3DXMatrixRotationY(&billboard, D3DX_PI / 2.0f);
    billboard._41 = 1000.0f;  // the translation must not move the bubbles

    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    ASSERT_EQ(m_bubbles.Render(m_pDevice, billboard), S_OK);
    m_pDevice->EndScene();
    ASSERT_EQ(m_pLog->DrawCount(), 1u);
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_uPrimitiveCount, 4u);
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), m_bubbles.Texture());
    // The blend states are the spark trail's; bubbles face the camera, so
    // culling stays as the scene had it.
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_CULLMODE), DWORD(D3DCULL_CCW));
    EXPECT_EQ(State(D3DRS_ALPHABLENDENABLE), 0u);

    // Newest bubble first; the corners (-4,-4,0), (2,4,0), (4,-4,0) turned a
    // quarter about Y land at (0,-4,4), (0,4,-2), (0,-4,-4) from the bubble.
    std::vector<BubbleVertex> v = ReadVertices(m_bubbles.VertexBuffer(), 12);
    ASSERT_EQ(v.size(), 12u);
    std::vector<const ParticleBubble::Bubble*> bubbles = ListOf(m_bubbles.LiveList());
    const D3DXVECTOR3 expected[3] = {{0, -4, 4}, {0, 4, -2}, {0, -4, -4}};
    const float uv[3][2] = {{0, 1}, {0.5f, 0}, {1, 1}};
    for (size_t b = 0; b < 4; ++b) {
        for (size_t k = 0; k < 3; ++k) {
            const BubbleVertex& vertex = v[b * 3 + k];
            EXPECT_NEAR(vertex.x, bubbles[b]->m_vecPosition.x + expected[k].x, 1e-3f);
            EXPECT_NEAR(vertex.y, bubbles[b]->m_vecPosition.y + expected[k].y, 1e-3f);
            EXPECT_NEAR(vertex.z, bubbles[b]->m_vecPosition.z + expected[k].z, 1e-3f);
            EXPECT_EQ(vertex.color, 0x19FFFFFFu);
            EXPECT_EQ(vertex.u, uv[k][0]);
            EXPECT_EQ(vertex.v, uv[k][1]);
        }
    }
}

}  // namespace
