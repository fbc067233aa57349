// Reading skinned models: the frame tree, key lists, mesh parts, the choice
// between hardware and software blending, and the files that are refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bird/SkinModelText.h"
#include "bird/SkinnedMeshFixture.h"
#include "support/Capture.h"
#include "support/XTestModel.h"

using namespace skintext;

namespace {

// Two quads: the first (material 0) follows BoneA, the second (material 1) BoneB.
Mesh TwoBoneQuads(const char* szSecondBone = "BoneB") {
    Mesh mesh = Quads(2);
    mesh.m_faceMaterials = {0, 0, 1, 1};
    mesh.m_dwMaterials = 2;
    mesh.m_bones.push_back({"BoneA", {0, 1, 2, 3}, {1, 1, 1, 1}, Translation(0, 0, -5)});
    mesh.m_bones.push_back({szSecondBone, {4, 5, 6, 7}, {1, 1, 1, 1}, Translation(0, 0, -7)});
    return mesh;
}

std::string TwoBoneModel(const std::string& animations = "", const Mesh& mesh = TwoBoneQuads()) {
    return Header() +
           Frame("Top", Identity(),
                 Frame("BoneA", Translation(0, 0, 5)) + Frame("BoneB", Translation(0, 0, 7)) + MeshText("Skin", mesh)) +
           animations;
}

// The first quad follows BoneA alone; the right edge of each quad is shared
// half and half with BoneB, so faces there need two bones.
Mesh BlendedQuads() {
    Mesh mesh = TwoBoneQuads();
    mesh.m_bones[0] = {"BoneA", {0, 1, 2, 3, 6, 7}, {1, 1, 0.5f, 0.5f, 0.5f, 0.5f}, Identity()};
    mesh.m_bones[1] = {"BoneB", {2, 3, 4, 5, 6, 7}, {0.5f, 0.5f, 1, 1, 0.5f, 0.5f}, Identity()};
    return mesh;
}

class SkinnedMeshLoad : public SkinnedMeshFixture {};

TEST_F(SkinnedMeshLoad, FramesKeepTheirTransformsAndChildrenAfterTheSecondGoRightBehindTheFirst) {
    DebugCapture debug;
    MessageBoxCapture boxes;
    std::string children;
    const char* const names[] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) {
        children += Frame(names[i], Translation(static_cast<float>(i), 0, 0));
    }
    LoadText(Header() + Frame("Top", Translation(1, 2, 3), children));
    ASSERT_NE(Tree(), nullptr);

    FrameNode* pTop = Tree()->m_pRoot->m_pFirstChild;
    ASSERT_NE(pTop, nullptr);
    EXPECT_STREQ(pTop->m_szName, "Top");
    EXPECT_EQ(Tree()->m_pRoot->m_szName, nullptr);
    EXPECT_EQ(pTop->m_matLocal._42, 2.0f);
    EXPECT_TRUE(pTop->m_matFile == pTop->m_matLocal);
    std::string order;
    for (FrameNode* pChild = pTop->m_pFirstChild; pChild != nullptr; pChild = pChild->m_pSibling) {
        order += pChild->m_szName;
    }
    EXPECT_EQ(order, "ADCB");
    EXPECT_EQ(Node("C")->m_matFile._41, 2.0f);

    const std::string szName = Tree()->m_szName;
    EXPECT_EQ(szName, m_pCwd->Path() + "/Model/Test.x");
    EXPECT_TRUE(debug.Contains("mload(266): skinnedmesh loading succeeded"));
    EXPECT_TRUE(debug.Contains("skinnedmesh(118): m_fAnimLength=0.000000"));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(SkinnedMeshLoad, RotationKeysAreStoredXyzwAndTheLengthIsTheLongestLastKey) {
    LoadText(TwoBoneModel(Animation("Grow", "BoneA", Keys(1, {{0, {1, 1, 1}}, {4800, {2, 2, 2}}}))));
    ASSERT_NE(Tree(), nullptr);
    EXPECT_EQ(m_pSkinned->AnimLength(), 4800.0f);

    const std::string turn =
        Keys(0, {{0, {1, 0, 0, 0}}, {2400, {0.9f, 0.1f, 0.2f, 0.3f}}}) + Keys(2, {{0, {0, 0, 0}}, {1200, {1, 0, 0}}});
    LoadText(TwoBoneModel(Animation("Turn", "BoneB", turn)), "Second.x");
    ASSERT_NE(Tree(), nullptr);
    // A new file replaces the old tree, and its own keys give the length.
    EXPECT_EQ(m_pSkinned->TreeList(), Tree());
    EXPECT_EQ(Tree()->m_pNext, nullptr);
    EXPECT_EQ(m_pSkinned->AnimLength(), 2400.0f);

    FrameNode* pNode = Tree()->m_pAnimated;
    ASSERT_NE(pNode, nullptr);
    EXPECT_EQ(pNode->m_pNextAnimated, nullptr);
    EXPECT_EQ(pNode->m_pTarget, Node("BoneB"));
    ASSERT_EQ(pNode->m_dwRotateKeys, 2u);
    const D3DXQUATERNION expected[2] = {{0.0f, 0.0f, 0.0f, 1.0f}, {0.1f, 0.2f, 0.3f, 0.9f}};
    for (int k = 0; k < 2; ++k) {
        const D3DXQUATERNION& q = pNode->m_pRotateKeys[k].m_quatRotate;
        EXPECT_FLOAT_EQ(q.x, expected[k].x) << "key " << k;
        EXPECT_FLOAT_EQ(q.y, expected[k].y) << "key " << k;
        EXPECT_FLOAT_EQ(q.z, expected[k].z) << "key " << k;
        EXPECT_FLOAT_EQ(q.w, expected[k].w) << "key " << k;
    }
    EXPECT_EQ(pNode->m_pRotateKeys[1].m_dwTime, 2400u);
    ASSERT_EQ(pNode->m_dwPositionKeys, 2u);
    EXPECT_EQ(pNode->m_pPositionKeys[1].m_vecPos.x, 1.0f);
    EXPECT_EQ(pNode->m_dwScaleKeys, 0u);
}

TEST_F(SkinnedMeshLoad, BadFilesAreRefusedAndTheModelLoadedBeforeStays) {
    LoadText(TwoBoneModel());
    MeshTree* pGood = Tree();
    ASSERT_NE(pGood, nullptr);

    struct Case {
        const char* m_szWhat;
        std::string m_text;
    };
    const Case cases[] = {
        {"a bone that names no frame", TwoBoneModel("", TwoBoneQuads("Elbow"))},
        {"two key lists of one type",
         TwoBoneModel(Animation("Twice", "BoneA", Keys(1, {{0, {1, 1, 1}}}) + Keys(1, {{10, {1, 1, 1}}})))},
        {"an animation of a frame that does not exist", TwoBoneModel(Animation("Lost", "Nowhere", ""))},
        {"an animation with two targets", TwoBoneModel("Animation Both {\n {BoneA}\n {BoneB}\n}\n")},
        {"a file that does not parse", "xof 0303txt 0032\nFrame Broken {\n"},
        // Counts far beyond what the file holds fail at once, without allocating for them.
        {"tens of millions of keys", TwoBoneModel("Animation Many {\n {BoneA}\n AnimationKey { 1; 50000000; "
                                                  "0; 3; 1,1,1;;; }\n}\n")},
        {"tens of millions of skin weights",
         Header() + Frame("BoneA", Identity(),
                          "Mesh Skin {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 3;0,1,2;;\n"
                          " SkinWeights { \"BoneA\"; 50000000; 0; 1.0; " +
                              MatrixText(Identity()) + " }\n}\n")},
        {"tens of millions of materials for one face",
         Header() + Frame("Top", Identity(),
                          "Mesh Many {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 3;0,1,2;;\n"
                          " MeshMaterialList { 50000000; 1; 49999999;; }\n}\n")},
        // Standard identifiers with other members: never read as the standard templates.
        {"key values declared with other members",
         "xof 0303txt 0032\ntemplate FloatKeys { <10DD46A9-775B-11cf-8F52-0040333594A3> DWORD nValues; "
         "array FLOAT values[3]; }\n" +
             TwoBoneModel(Animation("Grow", "BoneA", Keys(1, {{0, {1, 1, 1}}}))).substr(17)},
        {"a texture name declared with other members",
         "xof 0303txt 0032\ntemplate TextureFilename { <A42790E1-7810-11cf-8F52-0040333594A3> DWORD a; DWORD b; }\n" +
             Header().substr(17) +
             Frame("Top", Identity(),
                   "Mesh Tex {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 3;0,1,2;;\n MeshMaterialList { 1; 1; 0;;"
                   " Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { 1; 2; } } }\n}\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_szWhat);
        DebugCapture debug;
        MessageBoxCapture boxes;
        LoadText(c.m_text, "Bad.x");
        EXPECT_EQ(Tree(), pGood);
        EXPECT_EQ(m_pSkinned->TreeList(), pGood);
        EXPECT_TRUE(boxes.AnyContains("skinnedmesh loading failed"));
        EXPECT_TRUE(debug.Contains("mload(271): skinnedmesh loading failed"));
        EXPECT_FALSE(debug.Contains("loading succeeded"));
    }

    // A missing file fails the same way; no name at all fails without a box.
    MessageBoxCapture boxes;
    m_pSkinned->Load(m_pDevice, m_caps, "Absent.x");
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    m_pSkinned->Load(m_pDevice, m_caps, nullptr);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(Tree(), pGood);
}

TEST_F(SkinnedMeshLoad, FilesOfTheLaterExportersLoadInEveryEncoding) {
    // Effects, vertex declarations and compressed animation sets are skipped; the key-framed set plays.
    for (XEncoding encoding : {XEncoding::Text, XEncoding::Binary, XEncoding::BinaryZip}) {
        SCOPED_TRACE(XEncodingLabel(encoding));
        DebugCapture debug;
        const std::vector<BYTE> image = BuildExporterModel().Build(encoding);
        LoadText(std::string(image.begin(), image.end()), "Exported.x");
        ASSERT_TRUE(debug.Contains("skinnedmesh loading succeeded")) << debug.All();
        MeshPart* pPart = FirstPart();
        ASSERT_NE(pPart, nullptr);
        EXPECT_STREQ(pPart->m_szName, "quad_display");
        EXPECT_EQ(pPart->m_pMesh->GetNumFaces(), 2u);
        ASSERT_EQ(pPart->m_dwMaterialNum, 1u);
        EXPECT_EQ(pPart->m_pMaterials[0].Diffuse.g, 0.5f);
        EXPECT_EQ(m_pSkinned->AnimLength(), 4800.0f);
        ASSERT_NE(Tree()->m_pAnimated, nullptr);
        EXPECT_EQ(Tree()->m_pAnimated->m_pTarget, Node("Root"));
    }
}

TEST_F(SkinnedMeshLoad, AMeshWithoutMaterialsGetsTheGreyDefault) {
    for (bool bSkinned : {false, true}) {
        SCOPED_TRACE(bSkinned ? "skinned" : "plain");
        Mesh mesh = bSkinned ? TwoBoneQuads() : Quads(2);
        mesh.m_faceMaterials.clear();
        LoadText(bSkinned ? TwoBoneModel("", mesh) : Header() + Frame("Top", Identity(), MeshText("Plain", mesh)));
        MeshPart* pPart = FirstPart();
        ASSERT_NE(pPart, nullptr);
        ASSERT_EQ(pPart->m_dwMaterialNum, 1u);
        const D3DMATERIAL8& grey = pPart->m_pMaterials[0];
        EXPECT_EQ(grey.Diffuse.r, 0.5f);
        EXPECT_EQ(grey.Diffuse.g, 0.5f);
        EXPECT_EQ(grey.Diffuse.b, 0.5f);
        EXPECT_EQ(grey.Diffuse.a, 0.0f);
        EXPECT_EQ(grey.Specular.g, 0.5f);
        EXPECT_EQ(grey.Ambient.r, 0.0f);
        EXPECT_EQ(pPart->m_ppTextures[0], nullptr);

        // The part is drawn, in grey.
        m_pLog->Clear();
        D3DXMATRIX matWorld;
        D3DXMatrixIdentity(&matWorld);
        ASSERT_EQ(RenderScene(matWorld), S_OK);
        ASSERT_GE(m_pLog->DrawCount(), 1u);
        EXPECT_EQ(m_pLog->MaterialAtDraw(0).Diffuse.g, 0.5f);
    }
}

TEST_F(SkinnedMeshLoad, AMeshWithoutFacesIsLeftOutAndTheRestLoads) {
    const std::string empty = "Mesh Nothing {\n 3;\n 0;0;0;,\n 1;0;0;,\n 0;1;0;;\n 0;;\n}\n";
    LoadText(Header() + Frame("Top", Identity(), empty + MeshText("Plain", Quads(1))));
    ASSERT_NE(Tree(), nullptr);
    MeshPart* pPart = FirstPart();
    ASSERT_NE(pPart, nullptr);
    EXPECT_STREQ(pPart->m_szName, "Plain");
    EXPECT_EQ(pPart->m_pNext, nullptr);
}

TEST_F(SkinnedMeshLoad, FacesBlendInHardwareWhenThePaletteHoldsTheirBonesElseInSoftware) {
    // One triangle whose corners follow five bones each: fifteen bones on one
    // face, of which a blended vertex keeps four, so twelve at most.
    Mesh crowd;
    crowd.m_positions = {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(1, 0, 0)};
    crowd.m_faces = {{0, 1, 2}};
    std::string frames;
    for (DWORD b = 0; b < 15; ++b) {
        const std::string szName = "Bone" + std::to_string(b);
        crowd.m_bones.push_back({szName, {b / 5}, {0.2f}, Identity()});
        frames += Frame(szName, Identity());
    }
    const std::string crowdText = Header() + Frame("Top", Identity(), frames + MeshText("Crowd", crowd));

    struct Case {
        const char* m_szWhat;
        std::string m_text;
        DWORD m_dwMaxIndex;
        DWORD m_dwSoftware;
        DWORD m_dwPalette;
        DWORD m_dwInfluences;
    };
    const Case cases[] = {
        {"one bone a face on the smallest palette", TwoBoneModel(), 0, 0, 1, 1},
        {"two bones a face in a large palette", TwoBoneModel("", BlendedQuads()), 255, 0, 2, 2},
        {"two bones a face in a palette of one", TwoBoneModel("", BlendedQuads()), 0, 1, 2, 2},
        {"more than twelve bones a face in a palette of twelve", crowdText, 11, 0, 12, 4},
        {"more than twelve bones a face in a palette of eleven", crowdText, 10, 1, 15, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_szWhat);
        m_caps.MaxVertexBlendMatrixIndex = c.m_dwMaxIndex;
        LoadText(c.m_text);
        MeshPart* pPart = FirstPart();
        ASSERT_NE(pPart, nullptr);
        ASSERT_NE(pPart->m_pSkin, nullptr);
        ASSERT_NE(pPart->m_pMesh, nullptr);
        EXPECT_EQ(pPart->m_dwSoftware, c.m_dwSoftware);
        EXPECT_EQ(pPart->m_dwPaletteSize, c.m_dwPalette);
        EXPECT_EQ(pPart->m_dwFaceInfluences, c.m_dwInfluences);
        EXPECT_EQ(pPart->m_nBuiltMethod, 0);
        // Software meshes live in system memory, hardware ones in the managed pool.
        EXPECT_EQ(pPart->m_pMesh->GetOptions() & D3DXMESH_MANAGED,
                  c.m_dwSoftware != 0 ? 0u : static_cast<DWORD>(D3DXMESH_MANAGED));
        EXPECT_GE(pPart->m_dwSubsetNum, 1u);
    }
}

}  // namespace
