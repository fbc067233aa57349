// Every allocation of this program goes through the counter below, so a test
// can show that the per-frame paths allocate nothing once they are warm.
#include <gtest/gtest.h>

#include "app/FrameValues.h"
#include "bird/BirdFlight.h"
#include "particles/ParticleTrailPC.h"
#include "scene/Camera.h"
#include "scene/DrawQueue.h"
#include "support/CountingAllocator.h"
#include "support/DdsTestFiles.h"
#include "support/PathFile.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

namespace {

class FrameAllocationTest : public RecordingDeviceTest {};

TEST_F(FrameAllocationTest, WarmFramesAllocateNothing) {
    ScopedTempCwd cwd;
    cwd.MakeFolder("Misc");
    cwd.WriteFile("Misc/Clock.fpp", PathFileBytes(3, {{0, 0, 0}, {30, 0, 0}, {0, 0, 30}}, {0, 1, 2}, {50, 60, 70}));
    cwd.MakeFolder("Texture");
    std::vector<BYTE> payload;
    AppendPixels(payload, std::vector<DWORD>(16, 0xFFFFFFFFu), 4);
    WriteFile(cwd.File("Texture/ParticleTrailPC01.dds"), BuildDds(ArgbSpec(4, 4), payload));
    FergusonPath path;
    ASSERT_EQ(path.Load("Clock.fpp"), S_OK);
    BirdFlight bird;
    ParticleTrailPC trail;
    ASSERT_EQ(trail.Load(m_pDevice), S_OK);
    Camera camera;
    DrawQueue* pQueue = new DrawQueue;  // too big for the stack of a test
    m_pLog->KeepLastFrameOnly(true);
    g_frameStep = 0.03f;

    D3DMATERIAL8 material{};
    material.Diffuse.a = 1.0f;
    auto frame = [&]() {
        bird.StorePrevious();
        bird.Update(&path, &trail);
        trail.Update();
        camera.SetProjection(m_pDevice, 4.0f / 3.0f, 1.0f, 500.0f);
        camera.YawLocal(0.01f, 0);
        camera.ApplyView(m_pDevice);
        camera.BuildFrustum();
        for (int i = 0; i < 300; ++i) {
            pQueue->Add(nullptr, bird.World(), D3DXVECTOR3(0, 0, float(i % 17)), &material, nullptr, 1);
        }
        pQueue->Sort(0.0f, 0.0f, 1.0f);
        pQueue->Clear();
        D3DXMATRIX billboard;
        camera.RotationOnly(&billboard);
        m_pDevice->BeginScene();
        trail.Render(m_pDevice, billboard);
        m_pDevice->EndScene();
        // The recording device restarts its log at each present; once its
        // own buffers have grown, what is left is the program's.
        m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    };
    // Warm up: the trail fills to its steady population (sparks live ~3.7 s).
    for (int i = 0; i < 400; ++i) {
        frame();
    }
    ASSERT_GT(trail.LiveCount(), 0u);
    long before = AllocationCount();
    for (int i = 0; i < 200; ++i) {
        frame();
    }
    EXPECT_EQ(AllocationCount() - before, 0);
    delete pQueue;
    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetStreamSource(0, nullptr, 0);
    trail.Invalidate();
}

}  // namespace
