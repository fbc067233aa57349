// Drawing skinned models on the recording device: the blend states around
// each part, the bone palette per subset, rebuilding after a device reset,
// and releasing everything.
#include <gtest/gtest.h>

#include <string>

#include "bird/SkinModelText.h"
#include "bird/SkinnedMeshFixture.h"

using namespace skintext;

namespace {

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

TEST_F(SkinnedDraw, FacesBlendInHardwareWhenThePaletteHoldsTheirBonesElseInSoftwareAndTheStatesAreSwitchedOffAfter) {
    // One triangle whose corners follow five bones each, of which a blended
    // vertex keeps four.
    Mesh crowd;
    crowd.m_positions = {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(1, 0, 0)};
    crowd.m_faces = {{0, 1, 2}};
    std::string frames;
    for (DWORD b = 0; b < 15; ++b) {
        const std::string szName = "Bone" + std::to_string(b);
        crowd.m_bones.push_back({szName, {b / 5}, {0.2f}, Identity()});
        frames += Frame(szName, Identity());
    }
    const std::string crowdText = Header() + Frame("Top", Translation(0, 1, 0), frames + MeshText("Crowd", crowd));

    struct Case {
        const char* m_szWhat;
        std::string m_text;
        DWORD m_dwMaxIndex;
        DWORD m_dwSoftware;
        DWORD m_dwPalette;
        DWORD m_dwBlend;
    };
    const Case cases[] = {
        {"one bone a face on the smallest palette", TwoBoneModel(TwoBoneQuads()), 0, 0, 1, D3DVBF_0WEIGHTS},
        {"two bones a face in a large palette", TwoBoneModel(TwoBoneQuads(true)), 255, 0, 2, D3DVBF_1WEIGHTS},
        {"two bones a face in a palette of one", TwoBoneModel(TwoBoneQuads(true)), 0, 1, 2, D3DVBF_1WEIGHTS},
        {"fifteen bones on a face", crowdText, 255, 0, 15, D3DVBF_3WEIGHTS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_szWhat);
        m_caps.MaxVertexBlendMatrixIndex = c.m_dwMaxIndex;
        LoadText(c.m_text);
        MeshPart* pPart = FirstPart();
        ASSERT_NE(pPart, nullptr);
        ASSERT_NE(pPart->m_pMesh, nullptr);
        EXPECT_EQ(pPart->m_dwSoftware, c.m_dwSoftware);
        EXPECT_EQ(pPart->m_dwPaletteSize, c.m_dwPalette);
        // Software meshes live in system memory, hardware ones in the managed pool.
        EXPECT_EQ(pPart->m_pMesh->GetOptions() & D3DXMESH_MANAGED,
                  c.m_dwSoftware != 0 ? 0u : static_cast<DWORD>(D3DXMESH_MANAGED));

        // As a mixed device runs between software-blended parts.
        m_pDevice->SetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, FALSE);
        m_pLog->Clear();
        const D3DXMATRIX matWorld = Placement();
        ASSERT_EQ(RenderScene(matWorld), S_OK);
        // The root carries the placement and child frames follow it.
        EXPECT_TRUE(MatrixNear(Tree()->m_pRoot->m_matCombined, matWorld));
        EXPECT_TRUE(MatrixNear(Node("Top")->m_matCombined, Node("Top")->m_matLocal * matWorld));
        ASSERT_GE(m_pLog->DrawCount(), 1u);
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

TEST_F(SkinnedDraw, PlainPartsDrawEachMaterialUnblendedAtTheirFrameAndOnesWithoutMaterialsGrey) {
    // A mesh without faces is left out; the rest of the file loads.
    const std::string empty = "Mesh Nothing {\n 3;\n 0;0;0;,\n 1;0;0;,\n 0;1;0;;\n 0;;\n}\n";
    Mesh plain = TwoBoneQuads();
    plain.m_bones.clear();
    LoadText(Header() + Frame("Top", Translation(0, 0, 9), empty + MeshText("Plain", plain)));
    ASSERT_NE(FirstPart(), nullptr);
    EXPECT_EQ(FirstPart()->m_pNext, nullptr);
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

    for (bool bSkinned : {false, true}) {
        SCOPED_TRACE(bSkinned ? "skinned" : "plain");
        Mesh mesh = bSkinned ? TwoBoneQuads() : plain;
        mesh.m_faceMaterials.clear();
        LoadText(bSkinned ? TwoBoneModel(mesh) : Header() + Frame("Top", Identity(), MeshText("Plain", mesh)));
        ASSERT_NE(FirstPart(), nullptr);
        EXPECT_EQ(FirstPart()->m_ppTextures[0], nullptr);
        m_pLog->Clear();
        ASSERT_EQ(RenderScene(matWorld), S_OK);
        ASSERT_GE(m_pLog->DrawCount(), 1u);
        const D3DMATERIAL8 grey = m_pLog->MaterialAtDraw(0);
        EXPECT_EQ(grey.Diffuse.r, 0.5f);
        EXPECT_EQ(grey.Diffuse.g, 0.5f);
        EXPECT_EQ(grey.Diffuse.b, 0.5f);
    }
}

TEST_F(SkinnedDraw, EachSubsetLoadsOffsetTimesBoneIntoItsSlotsAndLeavesUnusedSlotsAlone) {
    LoadText(TwoBoneModel(TwoBoneQuads()));
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
    EXPECT_TRUE(MatrixNear(m_pLog->TransformAtDraw(0, D3DTS_WORLDMATRIX(0)), Node("Top")->m_matCombined));
}

TEST_F(SkinnedDraw, TexturesDrawBlendedMeshesComeBackAfterAResetAndDeleteTreeFreesEverything) {
    WriteTexture("Feather.dds");
    Mesh mesh = TwoBoneQuads(true);
    mesh.m_textures = {"Feather.dds", "Missing.dds"};
    LoadText(TwoBoneModel(mesh));
    MeshPart* pPart = FirstPart();
    ASSERT_NE(pPart, nullptr);
    ASSERT_NE(pPart->m_ppTextures[0], nullptr);
    // A texture that is not there leaves its material untextured.
    EXPECT_EQ(pPart->m_ppTextures[1], nullptr);
    m_pSkinned->RestoreStates();
    EXPECT_EQ(State(D3DRS_NORMALIZENORMALS), static_cast<DWORD>(TRUE));
    ASSERT_EQ(RenderScene(Placement()), S_OK);

    ASSERT_EQ(m_pSkinned->ReleaseDeviceMeshes(), S_OK);
    EXPECT_EQ(pPart->m_pMesh, nullptr);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    ASSERT_EQ(m_pDevice->Reset(&parameters), D3D_OK);
    m_pLog->Clear();
    ASSERT_EQ(RenderScene(Placement()), S_OK);
    EXPECT_NE(pPart->m_pMesh, nullptr);
    EXPECT_EQ(m_pLog->DrawCount(), static_cast<size_t>(pPart->m_dwSubsetNum));
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_VERTEXBLEND), static_cast<DWORD>(D3DVBF_1WEIGHTS));
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), pPart->m_ppTextures[0]);

    ASSERT_EQ(m_pSkinned->DeleteTree(), S_OK);
    EXPECT_EQ(Tree(), nullptr);
    EXPECT_EQ(m_pSkinned->TreeList(), nullptr);
    // Only the test's own reference to the device is left.
    m_pDevice->AddRef();
    EXPECT_EQ(m_pDevice->Release(), 1u);
    // Restoring or drawing before the next load touches no device.
    m_pLog->Clear();
    m_pSkinned->RestoreStates();
    EXPECT_EQ(RenderScene(Placement()), S_OK);
    EXPECT_EQ(m_pLog->CountCalls("SetRenderState"), 0u);
    EXPECT_EQ(m_pLog->DrawCount(), 0u);
}

}  // namespace
