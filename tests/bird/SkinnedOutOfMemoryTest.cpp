// Its own program: the global allocator is replaced by one that fails a chosen
// allocation, and a skinned model with two bones, textured materials and an
// animation is loaded once for every allocation the load makes, that allocation
// failing. Each load must end in the loader's failure report or in a whole
// tree, never in an exception, a crash or a leak.
#include <gtest/gtest.h>

#include "bird/SkinModelText.h"
#include "bird/SkinnedMeshFixture.h"
#include "support/FailingAllocator.h"

using namespace skintext;

namespace {

class SkinnedOutOfMemory : public SkinnedMeshFixture {};

TEST_F(SkinnedOutOfMemory, EveryFailedAllocationEndsInTheLoadersReport) {
    Mesh mesh = TwoBoneQuads(true);
    mesh.m_textures = {"a.dds", "b.dds"};
    const std::string turn =
        Keys(0, {{0, {1, 0, 0, 0}}, {2400, {0.9f, 0.1f, 0.2f, 0.3f}}}) + Keys(2, {{0, {0, 0, 0}}, {1200, {1, 0, 0}}});
    const std::string text =
        TwoBoneModel(mesh, Animation("Hold", "BoneA", Keys(4, {{0, std::vector<float>(16, 0.0f)}})) +
                               Animation("Turn", "BoneB", turn));
    m_pCwd->WriteFile("Model/Skin.x", text);
    WriteTexture("a.dds");
    WriteTexture("b.dds");

    FailureReports reports;
    auto deviceRefs = [this] {
        m_pDevice->AddRef();
        return m_pDevice->Release();
    };
    const ULONG refs = deviceRefs();
    long n = 1;
    for (;; ++n) {
        reports.Clear();
        auto pSkinned = std::make_unique<SkinnedMesh>();
        bool threw = false;
        FailAllocationAfter(n);
        try {
            pSkinned->Load(m_pDevice, m_caps, "Skin.x");
        } catch (...) {
            threw = true;
        }
        const bool failed = AllocationFailed();
        FailAllocationAfter(0);
        ASSERT_FALSE(threw) << "allocation " << n;
        if (reports.DebugContains("skinnedmesh loading failed")) {
            EXPECT_TRUE(failed) << reports.All();
            EXPECT_EQ(pSkinned->SelectedTree(), nullptr);
            EXPECT_EQ(reports.Boxes().size(), 1u) << "allocation " << n;
            EXPECT_TRUE(reports.DebugContains("E_OUTOFMEMORY") || reports.DebugContains("DXFILEERR_BADALLOC"))
                << "allocation " << n << ": " << reports.All();
        } else {
            // Loaded whole (a texture that does not load is left out, as the loader does by design).
            ASSERT_TRUE(reports.DebugContains("skinnedmesh loading succeeded")) << reports.All();
            MeshTree* pTree = pSkinned->SelectedTree();
            ASSERT_NE(pTree, nullptr);
            MeshPart* pPart = pTree->m_pRoot->FindFrame("Top")->m_pParts;
            ASSERT_NE(pPart, nullptr) << "allocation " << n;
            EXPECT_NE(pPart->m_pMesh, nullptr) << "allocation " << n;
            EXPECT_EQ(pPart->BoneCount(), 2u) << "allocation " << n;
            EXPECT_EQ(pSkinned->AnimLength(), 2400.0f) << "allocation " << n;
        }
        pSkinned.reset();
        ASSERT_EQ(deviceRefs(), refs) << "allocation " << n;
        if (!failed) {
            break;
        }
    }
    EXPECT_GT(n, 200);
}

}  // namespace
