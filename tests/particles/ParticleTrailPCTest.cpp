#include "particles/ParticleTrailPC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ParticleTest.h"
#include "app/FrameValues.h"
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

TEST_F(ParticleTrailPCTest, LoadMakesTextureAndBufferOrReportsTheMissingTexture) {
    ExpectLoadOnlyWithTexture("ParticleTrailPC01.dds", "ParticleTrailPC(52): loading texture for particletrailpc",
                              "ParticleTrailPC(58): failed to load texture for particletrailpc", 600u * 3u * 24u);
    D3DVERTEXBUFFER_DESC desc{};
    m_trail.VertexBuffer()->GetDesc(&desc);
    EXPECT_EQ(desc.FVF, 0x142u);
    // The buffer every effect's shared loader makes: kept over a device reset, written only.
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(desc.Usage, DWORD(D3DUSAGE_WRITEONLY));

    // Loading again (a new device without a release between) replaces the
    // resources; the device teardown check shows nothing leaked.
    IDirect3DVertexBuffer8* pFirst = m_trail.VertexBuffer();
    size_t released = m_pLog->ReleasedResourceCount();
    ASSERT_EQ(m_trail.Load(m_pDevice), S_OK);
    EXPECT_NE(m_trail.VertexBuffer(), nullptr);
    EXPECT_GE(m_pLog->ReleasedResourceCount(), released + 2) << static_cast<void*>(pFirst);
}

TEST_F(ParticleTrailPCTest, SparkIsBornAroundThePointWithBrightColoursUpToSixHundred) {
    for (int i = 0; i < 200; ++i) {
        m_trail.Add(10.0f, 20.0f, 30.0f, 1.0f, 2.0f, 3.0f);
        const ParticleTrailPC::Spark* p = m_trail.LiveList();
        EXPECT_EQ(p->m_fLife, -255.0f);
        EXPECT_EQ(p->m_dwColor >> 24, 0u);
        for (int shift : {0, 8, 16}) {
            EXPECT_GE((p->m_dwColor >> shift) & 0xFF, 128u);
        }
        // Three units out in the x-z plane, the kick's acceleration matching it.
        float dx = p->m_vecPosition.x - 10.0f;
        float dz = p->m_vecPosition.z - 30.0f;
        EXPECT_NEAR(dx * dx + dz * dz, 9.0f, 1e-3f);
        EXPECT_NEAR(p->m_vecAccel.x, dx * 2.0f / 3.0f, 1e-4f);
        EXPECT_NEAR(p->m_vecAccel.z, dz * 2.0f / 3.0f, 1e-4f);
        EXPECT_EQ(p->m_vecVelocity.z, 3.0f);
    }
    // The population stops at six hundred.
    for (int i = 0; i < 450; ++i) {
        EXPECT_EQ(m_trail.Add(0, 0, 0, 0, 0, 0), S_OK);
    }
    EXPECT_EQ(m_trail.LiveCount(), 600u);
    EXPECT_EQ(ListOf(m_trail.LiveList()).size(), 600u);
    m_trail.Clear();
    EXPECT_EQ(m_trail.LiveCount(), 0u);
}

TEST_F(ParticleTrailPCTest, LifeFlashesInFadesOutAndTheRecordIsReused) {
    m_trail.Add(0, 0, 0, 0, 0, 0);
    const ParticleTrailPC::Spark* pSpark = m_trail.LiveList();
    D3DXVECTOR3 birth = pSpark->m_vecPosition;
    for (int i = 0; i < 70; ++i) {
        m_trail.Update();
    }
    float alpha = 255.0f - std::fabs(pSpark->m_fLife);
    EXPECT_NEAR(alpha, 155.0f, 3.0f);
    // Still, it drifts away and sinks: gravity beats any upward kick.
    EXPECT_LT(pSpark->m_vecVelocity.y, 0.0f);
    D3DXVECTOR3 moved = pSpark->m_vecPosition - birth;
    EXPECT_GT(D3DXVec3Length(&moved), 0.5f);

    int frames = 70;
    while (m_trail.LiveCount() > 0 && frames < 1000) {
        m_trail.Update();
        ++frames;
    }
    EXPECT_NEAR(frames * 0.01f, 3.66f, 0.03f);
    m_trail.Add(0, 0, 0, 0, 0, 0);
    EXPECT_EQ(m_trail.LiveList(), pSpark);
}

TEST_F(ParticleTrailPCTest, RenderDrawsOneTrianglePerSparkAndRestoresStates) {
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
    EXPECT_EQ(m_pLog->FvfAtDraw(0), 0x142u);
    EXPECT_EQ(m_pLog->StrideAtDraw(0), 24u);
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), m_trail.Texture());
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_FOGENABLE), 0u);
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_LIGHTING), 0u);
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_ZWRITEENABLE), 0u);
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
    D3DMATRIX world = m_pLog->TransformAtDraw(0, D3DTS_WORLD);
    EXPECT_TRUE(D3DXMatrixIsIdentity(reinterpret_cast<D3DXMATRIX*>(&world)));

    EXPECT_EQ(State(D3DRS_FOGENABLE), 1u);
    EXPECT_EQ(State(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(State(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(State(D3DRS_ALPHABLENDENABLE), 0u);

    // The newest spark comes first; its first corner (-0.4, -0.4, 0) turned
    // by the billboard lies at (0, -0.4, 0.4) from the spark.
    BYTE* pData = nullptr;
    ASSERT_EQ(m_trail.VertexBuffer()->Lock(0, 0, &pData, 0), D3D_OK);
    const auto* pVertex = reinterpret_cast<const BubbleVertex*>(pData);
    const ParticleTrailPC::Spark* pSpark = m_trail.LiveList();
    EXPECT_NEAR(pVertex[0].x, pSpark->m_vecPosition.x, 1e-4f);
    EXPECT_NEAR(pVertex[0].y, pSpark->m_vecPosition.y - 0.4f, 1e-4f);
    EXPECT_NEAR(pVertex[0].z, pSpark->m_vecPosition.z + 0.4f, 1e-4f);
    DWORD alpha = DWORD(255 - int(std::fabs(pSpark->m_fLife)));
    EXPECT_EQ(pVertex[0].color, (alpha << 24) | pSpark->m_dwColor);
    EXPECT_EQ(pVertex[1].u, 0.5f);
    m_trail.VertexBuffer()->Unlock();
}

}  // namespace
