// Reading skinned models: the frame tree, the animation length, the files of
// later exporters, and the files that are refused.
#include <gtest/gtest.h>

#include <string>

#include "bird/SkinModelText.h"
#include "bird/SkinnedMeshFixture.h"
#include "support/Capture.h"
#include "support/XTestModel.h"

using namespace skintext;

namespace {

class SkinnedMeshLoad : public SkinnedMeshFixture {};

TEST_F(SkinnedMeshLoad, FramesKeepTheirTransformsAndALaterFileReplacesTheTreeWithItsOwnLength) {
    DebugCapture debug;
    MessageBoxCapture boxes;
    std::string children;
    for (const char* szName : {"A", "B", "C", "D"}) {
        children += Frame(szName, Translation(static_cast<float>(szName[0] - 'A'), 0, 0));
    }
    LoadText(Header() + Frame("Top", Translation(1, 2, 3), children));
    ASSERT_NE(Tree(), nullptr);
    FrameNode* pTop = Tree()->m_pRoot->m_pFirstChild;
    ASSERT_NE(pTop, nullptr);
    EXPECT_STREQ(pTop->m_szName, "Top");
    EXPECT_EQ(pTop->m_matLocal._42, 2.0f);
    EXPECT_TRUE(pTop->m_matFile == pTop->m_matLocal);
    // Children after the second go right behind the first.
    std::string order;
    for (FrameNode* pChild = pTop->m_pFirstChild; pChild != nullptr; pChild = pChild->m_pSibling) {
        order += pChild->m_szName;
    }
    EXPECT_EQ(order, "ADCB");
    EXPECT_EQ(Node("C")->m_matFile._41, 2.0f);
    EXPECT_TRUE(debug.Contains("mload(266): skinnedmesh loading succeeded"));
    EXPECT_TRUE(debug.Contains("skinnedmesh(118): m_fAnimLength=0.000000"));

    // The length is the latest last key of any list.
    const std::string turn =
        Keys(0, {{0, {1, 0, 0, 0}}, {2400, {0.9f, 0.1f, 0.2f, 0.3f}}}) + Keys(2, {{0, {0, 0, 0}}, {1200, {1, 0, 0}}});
    LoadText(TwoBoneModel(TwoBoneQuads(), Animation("Turn", "BoneB", turn)), "Second.x");
    ASSERT_NE(Tree(), nullptr);
    EXPECT_EQ(m_pSkinned->TreeList(), Tree());
    EXPECT_EQ(Tree()->m_pNext, nullptr);
    EXPECT_EQ(m_pSkinned->AnimLength(), 2400.0f);
    ASSERT_NE(Tree()->m_pAnimated, nullptr);
    EXPECT_EQ(Tree()->m_pAnimated->m_pTarget, Node("BoneB"));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(SkinnedMeshLoad, BadFilesAreRefusedAndTheModelLoadedBeforeStays) {
    LoadText(TwoBoneModel(TwoBoneQuads()));
    MeshTree* pGood = Tree();
    ASSERT_NE(pGood, nullptr);

    Mesh lostBone = TwoBoneQuads();
    lostBone.m_bones[1].m_szName = "Elbow";
    struct Case {
        const char* m_szWhat;
        std::string m_text;
    };
    const Case cases[] = {
        {"a bone that names no frame", TwoBoneModel(lostBone)},
        {"two key lists of one type",
         TwoBoneModel(TwoBoneQuads(),
                      Animation("Twice", "BoneA", Keys(1, {{0, {1, 1, 1}}}) + Keys(1, {{10, {1, 1, 1}}})))},
        {"an animation of a frame that does not exist", TwoBoneModel(TwoBoneQuads(), Animation("Lost", "Nowhere", ""))},
        {"an animation with two targets", TwoBoneModel(TwoBoneQuads(), "Animation Both {\n {BoneA}\n {BoneB}\n}\n")},
        {"a file that does not parse", "xof 0303txt 0032\nFrame Broken {\n"},
        // Counts far beyond what the file holds fail at once, without allocating for them.
        {"tens of millions of keys", TwoBoneModel(TwoBoneQuads(),
                                                  "Animation Many {\n {BoneA}\n AnimationKey { 1; "
                                                  "50000000; 0; 3; 1,1,1;;; }\n}\n")},
        {"tens of millions of skin weights",
         Header() + Frame("BoneA", Identity(),
                          "Mesh Skin {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 3;0,1,2;;\n"
                          " SkinWeights { \"BoneA\"; 50000000; 0; 1.0; " +
                              MatrixText(Identity()) + " }\n}\n")},
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

TEST_F(SkinnedMeshLoad, FilesOfTheLaterExportersLoad) {
    // Effects, vertex declarations and compressed animation sets are skipped;
    // the key-framed set plays. (Every encoding is the file reader's to test.)
    DebugCapture debug;
    const std::vector<BYTE> image = BuildExporterModel().Build(XEncoding::Binary);
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

}  // namespace
