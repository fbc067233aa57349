#include "particles/ParticleBubble.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "ParticleTest.h"
#include "framework/FrameStep.h"
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

TEST_F(ParticleBubbleTest, AtMostOneBubblePerFrameAboutThirtyFiveASecondBelowTheSceneUpToAThousand) {
    // Frames longer than 1/35 s: one bubble each, never more.
    EXPECT_EQ(CountEmitted(0.25f, 10), 10);
    // Short frames: the timer is set back to 0, not by 1, so 0.01 s frames
    // give one bubble every third frame.
    EXPECT_EQ(CountEmitted(0.01f, 300), 100);
    EXPECT_EQ(CountEmitted(0.0f, 100), 0);
    // Frames just shorter than 1/35 s: every other frame.
    EXPECT_EQ(CountEmitted(0.028f, 100), 50);
    EXPECT_EQ(CountEmitted(0.03f, 1000), 840);
    EXPECT_EQ(CountEmitted(0.03f, 5), 0);
    std::set<const void*> records;
    for (const ParticleBubble::Bubble* b : ListOf(m_bubbles.LiveList())) {
        records.insert(b);
        // Spread over the whole scene, starting below it.
        EXPECT_GE(b->m_vecPosition.x, -750.0f);
        EXPECT_LE(b->m_vecPosition.x, 749.0f);
        EXPECT_GE(b->m_vecPosition.z, -750.0f);
        EXPECT_LE(b->m_vecPosition.z, 749.0f);
        EXPECT_GE(b->m_vecPosition.y, -125.0f);
        EXPECT_LE(b->m_vecPosition.y, -76.0f);
    }
    ASSERT_EQ(records.size(), 1000u);

    // Everyone dies in one long step; new bubbles reuse the old records.
    g_frameStep = 21.0f;
    m_bubbles.Update();
    EXPECT_EQ(m_bubbles.LiveCount(), 0u);
    EXPECT_EQ(m_bubbles.LiveList(), nullptr);
    EXPECT_EQ(CountEmitted(0.03f, 3), 3);
    for (const ParticleBubble::Bubble* b : ListOf(m_bubbles.LiveList())) {
        EXPECT_EQ(records.count(b), 1u);
    }
    ASSERT_EQ(m_bubbles.Emit(10.0f, 20.0f, 30.0f), S_OK);
    EXPECT_EQ(m_bubbles.LiveList()->m_vecVelocity, D3DXVECTOR3(0, 0, 0));
}

TEST_F(ParticleBubbleTest, ABubbleRisesFadesInToOpaqueAtTenSecondsAndOutAtTwenty) {
    LoadWithTexture();
    ASSERT_EQ(m_bubbles.Emit(0, 0, 0), S_OK);
    const ParticleBubble::Bubble* p = m_bubbles.LiveList();
    const float y = p->m_vecPosition.y;
    EXPECT_EQ(RenderedAlpha(), 0u);

    g_frameStep = 0.1f;
    for (int i = 0; i < 51; ++i) {  // 5.1 s: life 127.5
        m_bubbles.Update();
    }
    EXPECT_EQ(RenderedAlpha(), 128u);
    const float firstRise = p->m_vecPosition.y - y;
    for (int i = 0; i < 51; ++i) {  // 10.2 s: life 0
        m_bubbles.Update();
    }
    EXPECT_EQ(RenderedAlpha(), 255u);
    // Rising, ever faster.
    EXPECT_GT(firstRise, 1.0f);
    EXPECT_GT(p->m_vecPosition.y - y - firstRise, 2.0f * firstRise);
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

TEST_F(ParticleBubbleTest, WindChangesEveryEightSecondsAndTheDriftSwingsWithTheTime) {
    ASSERT_EQ(m_bubbles.Emit(0, 0, 0), S_OK);
    const ParticleBubble::Bubble* p = m_bubbles.LiveList();
    g_appTime = D3DX_PI / 2.0f;  // the drift at the top of its swing
    g_frameStep = 0.25f;
    const D3DXVECTOR3 start = p->m_vecPosition;
    for (int i = 0; i < 31; ++i) {
        m_bubbles.Update();
    }
    // 7.75 s: no wind yet, so the bubble only rose.
    EXPECT_EQ(m_bubbles.Wind(), D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(p->m_vecPosition.x, start.x);
    EXPECT_EQ(p->m_vecPosition.z, start.z);

    // 8 s: a wind, carrying the bubble along it the same frame.
    m_bubbles.Update();
    const D3DXVECTOR3 wind = m_bubbles.Wind();
    ASSERT_GT(wind.x, 0.0f);
    ASSERT_GT(wind.z, 0.0f);
    const float dx = p->m_vecPosition.x - start.x;
    const float dz = p->m_vecPosition.z - start.z;
    EXPECT_GT(dx, 0.0f);
    EXPECT_NEAR(dx * wind.z, dz * wind.x, 1e-3f);

    // The drift swings back with the application time.
    g_appTime = -D3DX_PI / 2.0f;
    const float x = p->m_vecPosition.x;
    m_bubbles.Update();
    EXPECT_NEAR(p->m_vecPosition.x - x, -dx, 1e-3f);

    // The timer restarted at the change: the next comes 8 s after it.
    for (int i = 0; i < 30; ++i) {
        m_bubbles.Update();
    }
    EXPECT_EQ(m_bubbles.Wind(), wind);
    m_bubbles.Update();
    EXPECT_NE(m_bubbles.Wind(), wind);
}

}  // namespace
