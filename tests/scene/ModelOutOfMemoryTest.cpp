// Its own program: the global allocator is replaced by one that fails a chosen
// allocation, and a model with a textured display mesh and its dummy is loaded
// once for every allocation the load makes, that allocation failing. Each load
// must end in the loaders' failure report or in a whole model, never in an
// exception, a crash or a leak (the fixture counts the device's references, the
// sanitizer build the memory).
#include <gtest/gtest.h>

#include "ModelFiles.h"
#include "scene/MeshDammy.h"
#include "scene/MeshDisplay.h"
#include "scene/Model.h"
#include "scene/TexList.h"
#include "support/FailingAllocator.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

namespace {

class ModelOutOfMemoryTest : public RecordingDeviceTest {};

TEST_F(ModelOutOfMemoryTest, EveryFailedAllocationEndsInTheLoadersReport) {
    ScopedTempCwd cwd;
    WriteTexture(cwd.Path(), "wood.dds");
    const D3DXVECTOR3 lo(-1.0f, -1.0f, -1.0f);
    const D3DXVECTOR3 hi(1.0f, 1.0f, 1.0f);
    WriteModel(cwd, "m.x",
               SphereMesh("ball_display", 1.0f, 4, 6) + BoxMesh("ball_dammy", lo, hi, {"wood.dds"}) +
                   BoxMesh("box_display", lo, hi, {"wood.dds"}) + BoxMesh("box_dammy", lo, hi));
    FailureReports reports;
    auto deviceRefs = [this] {
        m_pDevice->AddRef();
        return m_pDevice->Release();
    };
    const ULONG refs = deviceRefs();
    long n = 1;
    for (;; ++n) {
        // Each load's meshes and textures go with the model and the list, failed or not.
        ASSERT_EQ(deviceRefs(), refs) << "after allocation " << n - 1;
        reports.Clear();
        TexList texList;
        Model model(&texList);
        HRESULT hr = E_FAIL;
        bool threw = false;
        FailAllocationAfter(n);
        try {
            hr = model.Load(m_pDevice, "m.x");
        } catch (...) {
            threw = true;
        }
        const bool failed = AllocationFailed();
        FailAllocationAfter(0);
        ASSERT_FALSE(threw) << "allocation " << n;
        if (!failed) {
            ASSERT_EQ(hr, S_OK) << reports.All();
            break;
        }
        if (FAILED(hr)) {
            // Told to the user, with the code of running out of memory.
            EXPECT_FALSE(reports.Boxes().empty()) << "allocation " << n << ": " << reports.All();
            EXPECT_TRUE(reports.DebugContains("E_OUTOFMEMORY") || reports.DebugContains("DXFILEERR_BADALLOC"))
                << "allocation " << n << ": " << reports.All();
        } else if (reports.Boxes().empty()) {
            // Nothing said, so nothing may be missing.
            ASSERT_EQ(model.MeshDisplayNum(), 2u) << "allocation " << n;
            for (DWORD i = 0; i < 2; ++i) {
                EXPECT_NE(model.DisplayAt(i)->Full(), nullptr) << "allocation " << n;
                EXPECT_NE(model.DammyAt(i)->Mesh(), nullptr) << "allocation " << n;
            }
            EXPECT_EQ(texList.EntryCount(), 1u) << "allocation " << n;
        }
    }
    // The load really ran through the allocator: every step of it had its turn.
    EXPECT_GT(n, 200);
}

}  // namespace
