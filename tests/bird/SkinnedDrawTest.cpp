// Drawing skinned models on the recording device: the blend states around
// each part, the bone palette per subset, rebuilding after a device reset,
// and releasing everything.
#include <gtest/gtest.h>

#include <string>

#include "bird/SkinModelText.h"
#include "bird/SkinnedMeshFixture.h"
#include "support/DdsTestFiles.h"

using namespace skintext;

namespace {

// Quad 0 (material 0) follows BoneA, quad 1 (material 1) BoneB; with
// `blended` the shared corners of quad 0 follow both.
std::string Model(bool bBlended, const std::string& szTexture = "") {
    Mesh mesh = Quads(2);
    mesh.m_faceMaterials = {0, 0, 1, 1};
    mesh.m_dwMaterials = 2;
    mesh.m_textures = {szTexture, szTexture.empty() ? "" : "Missing.dds"};
    if (bBlended) {
        mesh.m_bones.push_back({"BoneA", {0, 1, 2, 3}, {1, 1, 0.5f, 0.5f}, Translation(0, 0, -5)});
        mesh.m_bones.push_back({"BoneB", {2, 3, 4, 5, 6, 7}, {0.5f, 0.5f, 1, 1, 1, 1}, Translation(0, 0, -7)});
    } else {
        mesh.m_bones.push_back({"BoneA", {0, 1, 2, 3}, {1, 1, 1, 1}, Translation(0, 0, -5)});
        mesh.m_bones.push_back({"BoneB", {4, 5, 6, 7}, {1, 1, 1, 1}, Translation(0, 0, -7)});
    }
    return Header() +
           Frame("Top", Translation(0, 1, 0),
                 Frame("BoneA", Translation(0, 0, 5)) + Frame("BoneB", Translation(3, 0, 7)) + MeshText("Skin", mesh));
}

D3DXMATRIX Placement() {
    D3DXMATRIX matTurn;
    D3DXMatrixRotationY(&matTurn, 0.5f);
    D3DXMATRIX matMove;
    D3DXMatrixTranslation(&matMove, 10, 20, 30);
    return matTurn * matMove;
}

class SkinnedDraw : public SkinnedMeshFixture {
protected:
    DWORD State(D3DRENDERSTATETYPE state) {
        DWORD dwValue = 0xDEADBEEF;
        m_pDevice->GetRenderState(state, &dwValue);
        return dwValue;
    }
};

TEST_F(SkinnedDraw, FramesFollowThePlacementAndBlendStatesFollowTheFaceInfluencesAndAreSwitchedOffAfter) {
    struct Case {
        const char* m_szWhat;
        bool m_bBlended;
        DWORD m_dwMaxIndex;
        DWORD m_dwBlend;
        DWORD m_dwSoftware;
    };
    const Case cases[] = {
        {"one bone a vertex, in hardware", false, 255, D3DVBF_0WEIGHTS, FALSE},
        {"two bones a vertex, in hardware", true, 255, D3DVBF_1WEIGHTS, FALSE},
        {"two bones a vertex, in software", true, 0, D3DVBF_1WEIGHTS, TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_szWhat);
        m_caps.MaxVertexBlendMatrixIndex = c.m_dwMaxIndex;
        LoadText(Model(c.m_bBlended));
        // As a mixed device runs between software-blended parts.
        m_pDevice->SetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, FALSE);
        m_pLog->Clear();
        const D3DXMATRIX matWorld = Placement();
        ASSERT_EQ(RenderScene(matWorld), S_OK);
        // The root carries the placement and child frames follow it.
        EXPECT_TRUE(MatrixNear(Tree()->m_pRoot->m_matCombined, matWorld));
        EXPECT_TRUE(
            MatrixNear(Node("BoneB")->m_matCombined, Node("BoneB")->m_matLocal * Node("Top")->m_matLocal * matWorld));
        ASSERT_GE(m_pLog->DrawCount(), 2u);
        for (size_t i = 0; i < m_pLog->DrawCount(); ++i) {
            EXPECT_EQ(m_pLog->RenderStateAtDraw(i, D3DRS_VERTEXBLEND), c.m_dwBlend);
            EXPECT_EQ(m_pLog->RenderStateAtDraw(i, D3DRS_INDEXEDVERTEXBLENDENABLE), static_cast<DWORD>(TRUE));
            EXPECT_EQ(m_pLog->RenderStateAtDraw(i, D3DRS_SOFTWAREVERTEXPROCESSING), c.m_dwSoftware);
        }
        EXPECT_EQ(State(D3DRS_VERTEXBLEND), static_cast<DWORD>(D3DVBF_DISABLE));
        EXPECT_EQ(State(D3DRS_INDEXEDVERTEXBLENDENABLE), static_cast<DWORD>(FALSE));
        EXPECT_EQ(State(D3DRS_SOFTWAREVERTEXPROCESSING), static_cast<DWORD>(FALSE));
    }
}

TEST_F(SkinnedDraw, PlainPartsDrawEachMaterialUnblendedAtTheirFrame) {
    Mesh mesh = Quads(2);
    mesh.m_faceMaterials = {0, 0, 1, 1};
    mesh.m_dwMaterials = 2;
    LoadText(Header() + Frame("Top", Translation(0, 0, 9), MeshText("Plain", mesh)));
    MeshPart* pPart = FirstPart();
    ASSERT_NE(pPart, nullptr);
    EXPECT_EQ(pPart->m_pSkin, nullptr);
    EXPECT_EQ(pPart->m_dwSubsetNum, 2u);
    m_pDevice->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    D3DXMATRIX matWorld;
    D3DXMatrixIdentity(&matWorld);
    m_pLog->Clear();
    ASSERT_EQ(RenderScene(matWorld), S_OK);
    ASSERT_EQ(m_pLog->DrawCount(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_FLOAT_EQ(m_pLog->MaterialAtDraw(i).Diffuse.r, 0.1f * static_cast<float>(i + 1));
        // Ambient follows diffuse, so the scene's ambient light tints each material.
        EXPECT_FLOAT_EQ(m_pLog->MaterialAtDraw(i).Ambient.r, 0.1f * static_cast<float>(i + 1));
        EXPECT_EQ(m_pLog->RenderStateAtDraw(i, D3DRS_VERTEXBLEND), static_cast<DWORD>(D3DVBF_DISABLE));
        EXPECT_EQ(m_pLog->RenderStateAtDraw(i, D3DRS_INDEXEDVERTEXBLENDENABLE), static_cast<DWORD>(FALSE));
        EXPECT_EQ(m_pLog->TransformAtDraw(i, D3DTS_WORLD)._43, 9.0f);
    }
    EXPECT_EQ(m_pLog->CountCalls("MultiplyTransform"), 0u);
}

TEST_F(SkinnedDraw, EachSubsetLoadsOffsetTimesBoneIntoItsSlotsAndLeavesUnusedSlotsAlone) {
    LoadText(Model(false));
    MeshPart* pPart = FirstPart();
    ASSERT_NE(pPart, nullptr);
    ASSERT_EQ(pPart->m_dwPaletteSize, 2u);
    ASSERT_EQ(pPart->m_dwSubsetNum, 2u);
    // Each quad needs one bone, so slot 1 is unused in both subsets.
    EXPECT_EQ(pPart->BoneCombinations()[0].BoneId[1], 0xFFFFFFFFu);
    EXPECT_EQ(pPart->BoneCombinations()[1].BoneId[1], 0xFFFFFFFFu);

    const D3DXMATRIX matMarker(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 7, 7, 7, 1);
    m_pDevice->SetTransform(D3DTS_WORLDMATRIX(1), &matMarker);
    m_pLog->Clear();
    ASSERT_EQ(RenderScene(Placement()), S_OK);
    ASSERT_EQ(m_pLog->DrawCount(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const D3DXBONECOMBINATION& combination = pPart->BoneCombinations()[i];
        const DWORD dwBone = combination.BoneId[0];
        const FrameNode* pBone = Node(pPart->BoneName(dwBone));
        ASSERT_NE(pBone, nullptr);
        const D3DXMATRIX expected = pPart->m_pBoneOffsets[dwBone] * pBone->m_matCombined;
        EXPECT_TRUE(MatrixNear(m_pLog->TransformAtDraw(i, D3DTS_WORLDMATRIX(0)), expected));
        EXPECT_TRUE(MatrixNear(m_pLog->TransformAtDraw(i, D3DTS_WORLDMATRIX(1)), matMarker));
        EXPECT_FLOAT_EQ(m_pLog->MaterialAtDraw(i).Diffuse.r, 0.1f * static_cast<float>(combination.AttribId + 1));
    }
    // The offset undoes the bind position: a bone at rest places its vertices where the file put them.
    const D3DXMATRIX matRest = m_pLog->TransformAtDraw(0, D3DTS_WORLDMATRIX(0));
    D3DXMATRIX matTopAtPlacement = Node("Top")->m_matCombined;
    EXPECT_TRUE(MatrixNear(matRest, matTopAtPlacement));
}

TEST_F(SkinnedDraw, BlendedMeshesAreBuiltAgainAfterADeviceReset) {
    LoadText(Model(true));
    MeshPart* pPart = FirstPart();
    ASSERT_NE(pPart, nullptr);
    ASSERT_EQ(RenderScene(Placement()), S_OK);

    ASSERT_EQ(m_pSkinned->ReleaseDeviceMeshes(), S_OK);
    EXPECT_EQ(pPart->m_pMesh, nullptr);
    EXPECT_EQ(pPart->m_nBuiltMethod, 1);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    ASSERT_EQ(m_pDevice->Reset(&parameters), D3D_OK);

    m_pLog->Clear();
    ASSERT_EQ(RenderScene(Placement()), S_OK);
    EXPECT_NE(pPart->m_pMesh, nullptr);
    EXPECT_EQ(pPart->m_nBuiltMethod, 0);
    EXPECT_EQ(m_pLog->DrawCount(), static_cast<size_t>(pPart->m_dwSubsetNum));
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_VERTEXBLEND), static_cast<DWORD>(D3DVBF_1WEIGHTS));
}

TEST_F(SkinnedDraw, RestoreSetsItsStatesAndDeleteTreeFreesEverything) {
    m_pCwd->MakeFolder("Texture");
    std::vector<BYTE> payload;
    AppendPixels(payload, std::vector<DWORD>(16, 0xFF336699u), 4);
    WriteFile(m_pCwd->File("Texture/Feather.dds"), BuildDds(ArgbLayout(4, 4), payload));
    LoadText(Model(true, "Feather.dds"));
    MeshPart* pPart = FirstPart();
    ASSERT_NE(pPart, nullptr);
    ASSERT_NE(pPart->m_ppTextures[0], nullptr);
    // A texture that is not there leaves its material untextured.
    EXPECT_EQ(pPart->m_ppTextures[1], nullptr);

    m_pSkinned->RestoreStates();
    EXPECT_EQ(State(D3DRS_NORMALIZENORMALS), static_cast<DWORD>(TRUE));
    EXPECT_EQ(State(D3DRS_COLORVERTEX), static_cast<DWORD>(FALSE));

    m_pLog->Clear();
    ASSERT_EQ(RenderScene(Placement()), S_OK);
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), pPart->m_ppTextures[0]);

    ASSERT_EQ(m_pSkinned->DeleteTree(), S_OK);
    EXPECT_EQ(Tree(), nullptr);
    EXPECT_EQ(m_pSkinned->TreeList(), nullptr);
    // Only the test's own reference to the device is left.
    m_pDevice->AddRef();
    EXPECT_EQ(m_pDevice->Release(), 1u);
    // Restoring before the next load touches no device.
    m_pLog->Clear();
    m_pSkinned->RestoreStates();
    EXPECT_EQ(m_pLog->CountCalls("SetRenderState"), 0u);
    EXPECT_EQ(RenderScene(Placement()), S_OK);
    EXPECT_EQ(m_pLog->DrawCount(), 0u);
}

}  // namespace
