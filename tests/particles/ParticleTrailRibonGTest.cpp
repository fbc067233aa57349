#include "particles/ParticleTrailRibonG.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ParticleTest.h"
#include "framework/FrameStep.h"
#include "particles/HueToRgb.h"

namespace {

TEST(HueToRgbTest, EverySectorAtItsStartAndItsMiddleTheHueWrapsAndOnlyLowBytesCount) {
    // At a sector's start the rising or falling channel sits at v or p.
    const DWORD starts[] = {0xFF7F7Fu, 0xFFFF7Fu, 0x7FFF7Fu, 0x7FFFFFu, 0x7F7FFFu, 0xFF7FFFu};
    for (int sector = 0; sector < 6; ++sector) {
        EXPECT_EQ(HueToRgb(60 * sector, 128, 255), starts[sector]) << sector;
    }
    // Half way the integer steps give 191 on the rising channel, 192 on the falling one.
    EXPECT_EQ(HueToRgb(30, 128, 255), 0xFFBF7Fu);
    EXPECT_EQ(HueToRgb(90, 128, 255), 0xC0FF7Fu);
    EXPECT_EQ(HueToRgb(480, 128, 255), 0x7FFF7Fu);
    EXPECT_EQ(HueToRgb(-60, 128, 255), 0xFF7FFFu);
    EXPECT_EQ(HueToRgb(120, 128 + 256, 255 + 512), 0x7FFF7Fu);
    EXPECT_EQ(HueToRgb(200, 0, 100), 0x646464u);  // no saturation: grey
}

class ParticleTrailRibonGTest : public ParticleTest<ParticleTrailRibonG> {
protected:
    void SetUp() override {
        RecordingDeviceTest::SetUp();
        g_frameStep = 0.01f;
    }
    void LoadWithTexture() { ParticleTest::LoadWithTexture("RibonTex01.dds"); }
    void Updates(int count) {
        for (int i = 0; i < count; ++i) {
            m_ribbon.Update();
        }
    }
    // The alpha of the newest segment as drawn.
    DWORD RenderedAlpha() {
        EXPECT_EQ(m_ribbon.Render(m_pDevice), S_OK);
        std::vector<BubbleVertex> vertices = ReadVertices(m_ribbon.VertexBuffer(), 6);
        return vertices.empty() ? 0xDEADu : vertices[0].color >> 24;
    }

    ParticleTrailRibonG& m_ribbon = m_effect;
};

TEST_F(ParticleTrailRibonGTest, LoadMakesTextureAndSixVerticesPerSegmentOrReportsTheMissingTexture) {
    ExpectLoadOnlyWithTexture("RibonTex01.dds", "ParticleTrailRibonG(103): loading texture for particletrailm",
                              "ParticleTrailRibonG(109): failed to load texture for particletrailm", 2500u * 144u);
}

TEST_F(ParticleTrailRibonGTest, SegmentsStopAtCapacityAndDieAfterAboutOnePointThreeSeconds) {
    for (int i = 0; i < 2600; ++i) {
        EXPECT_EQ(m_ribbon.Add(0, 0, 0, 1, 1, 1, 0, 0, 0), S_OK);
    }
    EXPECT_EQ(m_ribbon.LiveCount(), 2500u);
    std::vector<const ParticleTrailRibonG::RibbonSegment*> records = ListOf(m_ribbon.LiveList());

    ASSERT_EQ(records.size(), 2500u);
    int frames = 0;
    while (m_ribbon.LiveCount() > 0 && frames < 1000) {
        m_ribbon.Update();
        ++frames;
    }
    EXPECT_NEAR(frames * 0.01, 1.275, 0.011);
    // Their records come back for the next ones.
    m_ribbon.Add(0, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_NE(std::find(records.begin(), records.end(), m_ribbon.LiveList()), records.end());
    m_ribbon.Clear();
    EXPECT_EQ(m_ribbon.LiveCount(), 0u);
    EXPECT_EQ(m_ribbon.LiveList(), nullptr);
}

TEST_F(ParticleTrailRibonGTest, HueTurnsOnceASecondInWholeDegreesAndWrapsToZero) {
    g_frameStep = 1.0f / 60.0f;
    m_ribbon.Add(0, 0, 0, 0, 0, 0, 0, 0, 0);
    const ParticleTrailRibonG::RibbonSegment* p = m_ribbon.LiveList();
    Updates(1);
    EXPECT_EQ(p->m_nHue, 6);
    EXPECT_EQ(p->m_dwColor, HueToRgb(6, 128, 255));
    // Below 1/360 s the step is 0.
    g_frameStep = 1.0f / 400.0f;
    Updates(20);
    EXPECT_EQ(p->m_nHue, 6);

    // At 0.02 s the step is 7: 357 goes to 0, not on to 4.
    m_ribbon.Add(0, 0, 0, 0, 0, 0, 0, 0, 0);
    p = m_ribbon.LiveList();
    g_frameStep = 0.02f;
    Updates(51);
    EXPECT_EQ(p->m_nHue, 357);
    Updates(1);
    EXPECT_EQ(p->m_nHue, 0);
    EXPECT_EQ(p->m_dwColor, 0xFF7F7Fu);
}

TEST_F(ParticleTrailRibonGTest, AlphaRisesToTheCapOfHalfAndFallsToZeroAtDeath) {
    LoadWithTexture();
    m_ribbon.Add(0, 0, 0, 1, 0, 0, 0, 0, 0);
    EXPECT_EQ(RenderedAlpha(), 0u);
    Updates(32);  // life -127: at the cap after 0.32 s
    EXPECT_EQ(RenderedAlpha(), 128u);
    Updates(63);  // life 125: would be 130 uncapped
    EXPECT_EQ(RenderedAlpha(), 128u);
    Updates(31);  // life 249
    EXPECT_NEAR(double(RenderedAlpha()), 6.0, 1.0);
}

TEST_F(ParticleTrailRibonGTest, SegmentsDriftWithTheirVelocityEndsTogether) {
    m_ribbon.Add(1, 2, 3, 4, 5, 6, 10, -20, 30);
    const ParticleTrailRibonG::RibbonSegment* p = m_ribbon.LiveList();
    g_frameStep = 0.025f;
    Updates(4);
    ExpectNear(p->m_vecHead, D3DXVECTOR3(2, 0, 6), 1e-5f);
    ExpectNear(p->m_vecTail, D3DXVECTOR3(5, 3, 9), 1e-5f);
}

TEST_F(ParticleTrailRibonGTest, RenderDrawsTwoUnturnedTrianglesPerSegmentWithCullingOff) {
    LoadWithTexture();
    // With nothing alive, at first or after all died, nothing is touched.
    const size_t calls = m_pLog->CallNames().size();
    EXPECT_EQ(m_ribbon.Render(m_pDevice), S_OK);
    m_ribbon.Add(0, 0, 0, 0, 0, 0, 0, 0, 0);
    g_frameStep = 2.0f;
    m_ribbon.Update();
    EXPECT_EQ(m_ribbon.Render(m_pDevice), S_OK);
    EXPECT_EQ(m_pLog->CallNames().size(), calls);

    m_ribbon.Add(10, 20, 30, 7, 20, 26, 0, 0, 0);
    m_ribbon.Add(1, 2, 3, 4, 5, 6, 0, 0, 0);
    g_frameStep = 0.1f;
    Updates(1);  // hue 36, life -215: alpha 40
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);

    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    ASSERT_EQ(m_ribbon.Render(m_pDevice), S_OK);
    m_pDevice->EndScene();
    ASSERT_EQ(m_pLog->DrawCount(), 1u);
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_uPrimitiveCount, 4u);
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), m_ribbon.Texture());
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_ZWRITEENABLE), 0u);
    // Whatever culling the scene had, the draw leaves the scene's own.
    EXPECT_EQ(State(D3DRS_CULLMODE), DWORD(D3DCULL_CCW));
    for (D3DRENDERSTATETYPE state : {D3DRS_FOGENABLE, D3DRS_LIGHTING, D3DRS_ZWRITEENABLE}) {
        EXPECT_EQ(State(state), 1u) << state;
    }
    EXPECT_EQ(State(D3DRS_ALPHABLENDENABLE), 0u);

    // Newest first: head (1,2,3), tail (4,5,6); c0 c1 c2 then c3 c2 c1.
    std::vector<BubbleVertex> v = ReadVertices(m_ribbon.VertexBuffer(), 12);
    ASSERT_EQ(v.size(), 12u);
    const float expected[6][5] = {{1, 2.3f, 3, 1, 0}, {1, 1.7f, 3, 1, 1}, {4, 5.3f, 6, 0, 0},
                                  {4, 4.7f, 6, 0, 1}, {4, 5.3f, 6, 0, 0}, {1, 1.7f, 3, 1, 1}};
    for (size_t k = 0; k < 6; ++k) {
        EXPECT_FLOAT_EQ(v[k].x, expected[k][0]) << k;
        EXPECT_FLOAT_EQ(v[k].y, expected[k][1]) << k;
        EXPECT_FLOAT_EQ(v[k].z, expected[k][2]) << k;
        EXPECT_EQ(v[k].u, expected[k][3]) << k;
        EXPECT_EQ(v[k].v, expected[k][4]) << k;
        EXPECT_EQ(v[k].color, (40u << 24) | HueToRgb(36, 128, 255)) << k;
    }
    // The older segment follows: its head (10,20,30) top corner comes first.
    EXPECT_FLOAT_EQ(v[6].x, 10.0f);
    EXPECT_FLOAT_EQ(v[6].y, 20.3f);
    EXPECT_FLOAT_EQ(v[8].x, 7.0f);
}

}  // namespace
