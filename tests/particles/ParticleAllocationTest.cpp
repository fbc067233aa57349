// Every allocation of this program goes through the counter below, so the
// test can show that the particle effects allocate nothing per frame once
// their populations have stopped growing: dead records are reused.
#include <gtest/gtest.h>

#include "ParticleMedia.h"
#include "app/FrameValues.h"
#include "bird/FergusonPath.h"
#include "particles/ParticleBubble.h"
#include "particles/ParticleTrailPC.h"
#include "particles/ParticleTrailRibonG.h"
#include "particles/RibbonLeaders.h"
#include "platform/kernel/Kernel.h"
#include "support/Capture.h"
#include "support/CountingAllocator.h"
#include "support/PathFile.h"
#include "support/RecordingDeviceTest.h"

namespace {

class ParticleAllocationTest : public RecordingDeviceTest {};

TEST_F(ParticleAllocationTest, SteadyPopulationsReuseTheirRecords) {
    ScopedTempCwd cwd;
    WriteParticleTexture(cwd, "ParticleBubble01.dds");
    WriteParticleTexture(cwd, "ParticleTrailPC01.dds");
    WriteParticleTexture(cwd, "RibonTex01.dds");
    cwd.WriteFile("Misc/Clock.fpp",
                  PathFileBytes(4, {{60, 0, 0}, {0, 10, 60}, {-60, 0, 0}, {0, -10, -60}}, {0, 0, 0, 0}, {0, 0, 0, 0}));
    FergusonPath path;
    ParticleBubble bubbles;
    ParticleTrailPC sparks;
    ParticleTrailRibonG ribbon;
    RibbonLeaders leaders;
    {
        DebugCapture quiet;
        ASSERT_EQ(path.Load("Clock.fpp"), S_OK);
        ASSERT_EQ(bubbles.Load(m_pDevice), S_OK);
        ASSERT_EQ(sparks.Load(m_pDevice), S_OK);
        ASSERT_EQ(ribbon.Load(m_pDevice), S_OK);
        ASSERT_EQ(leaders.Load(&path), S_OK);
    }
    m_pLog->KeepLastFrameOnly(true);
    crt::srand(3);
    g_frameStep = 0.03f;
    g_appTime = 0.0f;
    D3DXMATRIX billboard;
    D3DXMatrixRotationY(&billboard, 0.4f);

    int frame = 0;
    auto step = [&]() {
        g_appTime += g_frameStep;
        if (frame++ % 2 == 0) {  // about the bird's 20 sparks a second
            sparks.Add(0.0f, 5.0f, 0.0f, 1.0f, 0.0f, 0.5f);
        }
        sparks.Update();
        bubbles.Emit(0.0f, 0.0f, 0.0f);
        bubbles.Update();
        leaders.Update(&path, &ribbon);
        ribbon.Update();
        m_pDevice->BeginScene();
        sparks.Render(m_pDevice, billboard);
        ribbon.Render(m_pDevice);
        bubbles.Render(m_pDevice, billboard);
        m_pDevice->EndScene();
        // The recording device restarts its log at each present; once its
        // own buffers have grown, what is left is the effects'.
        m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    };
    // Bubbles live 20.4 s: after 24 s births and deaths balance for all three.
    for (int i = 0; i < 800; ++i) {
        step();
    }
    const DWORD bubbleCount = bubbles.LiveCount();
    EXPECT_GT(bubbleCount, 600u);
    EXPECT_GT(sparks.LiveCount(), 40u);
    EXPECT_GT(ribbon.LiveCount(), 300u);

    long before = AllocationCount();
    for (int i = 0; i < 300; ++i) {
        step();
    }
    EXPECT_EQ(AllocationCount() - before, 0);
    EXPECT_NEAR(double(bubbles.LiveCount()), double(bubbleCount), 2.0);

    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetStreamSource(0, nullptr, 0);
    bubbles.Invalidate();
    sparks.Invalidate();
    ribbon.Invalidate();
}

}  // namespace
