// Every allocation of this program goes through the counter below, so a test
// can show that culling and submitting a loaded model allocate nothing.
#include <gtest/gtest.h>

#include "ModelFiles.h"
#include "scene/Camera.h"
#include "scene/DrawQueue.h"
#include "scene/Model.h"
#include "scene/TexList.h"
#include "support/CountingAllocator.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

namespace {

class ModelAllocationTest : public RecordingDeviceTest {};

TEST_F(ModelAllocationTest, CullingAndSubmittingAllocateNothing) {
    ScopedTempCwd cwd;
    WriteTexture(cwd.Path(), "wood.dds");
    WriteModel(cwd, "m.x",
               SphereMesh("ball_display", 1.0f, 8, 12) +
                   BoxMesh("box_display", D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 1, 1), {"wood.dds"}) +
                   BoxMesh("ball_dammy", D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 1, 1)) +
                   BoxMesh("box_dammy", D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 1, 1)));
    TexList texList;
    Model model(&texList);
    ASSERT_EQ(model.Load(m_pDevice, "m.x"), S_OK);
    Camera camera;
    camera.SetProjection(m_pDevice, 1.0f, 1.0f, 3000.0f);
    camera.BuildFrustum();
    DrawQueue* pQueue = new DrawQueue;

    DWORD dwQueued = 0;
    DWORD dwVisible = 0;
    const long before = AllocationCount();
    for (int i = 0; i < 500; ++i) {
        // Near and far, in view and out of it, so every level and cull path runs.
        D3DXMATRIX world;
        D3DXMatrixTranslation(&world, static_cast<float>(i % 7) * 40.0f - 120.0f, 0.0f,
                              static_cast<float>(i % 50) * 60.0f - 200.0f);
        model.UpdateBounds(world, 1);
        model.UpdateBounds(world, 0);
        dwVisible += model.AnyVisible(&camera.Frustum()) ? 1 : 0;
        model.Submit(m_pDevice, world, camera.CameraMatrix(), &camera.Frustum(), i % 2, pQueue);
        dwQueued += pQueue->Count();
        pQueue->Clear();
    }
    EXPECT_EQ(AllocationCount() - before, 0);
    EXPECT_GT(dwQueued, 0u);
    EXPECT_LT(dwVisible, 500u);
    delete pQueue;
    model.Release();
}

}  // namespace
