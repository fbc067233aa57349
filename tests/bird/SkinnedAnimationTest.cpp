// Playing key-framed animation: the looping play window, the key lists of
// each kind and their interpolation, and files whose keys or animation are
// degenerate.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/FrameValues.h"
#include "bird/SkinModelText.h"
#include "bird/SkinnedMeshFixture.h"

using namespace skintext;

namespace {

constexpr float kPi = 3.14159265f;

// Frames Slide, Spin and Jump under Top; `animations` follow the frames.
std::string Model(const std::string& animations) {
    return Header() +
           Frame("Top", Identity(),
                 Frame("Slide", Identity()) + Frame("Spin", Translation(1, 2, 3)) + Frame("Jump", Identity())) +
           animations;
}

// The quaternion of an angle about +Y as the file stores it: the
// conjugate, w first.
std::vector<float> FileRotationY(float fAngle) {
    return {std::cos(fAngle / 2), 0.0f, -std::sin(fAngle / 2), 0.0f};
}

class SkinnedAnimation : public SkinnedMeshFixture {
protected:
    void TearDown() override {
        g_frameStep = 0.0f;
        SkinnedMeshFixture::TearDown();
    }
    // The animation node that drives `szTarget`.
    FrameNode* Driver(const char* szTarget) {
        for (FrameNode* pNode = Tree()->m_pAnimated; pNode != nullptr; pNode = pNode->m_pNextAnimated) {
            if (pNode->m_pTarget == Node(szTarget)) {
                return pNode;
            }
        }
        ADD_FAILURE() << "nothing drives " << szTarget;
        return nullptr;
    }
};

TEST_F(SkinnedAnimation, TheWholeAnimationLoopsAndWrapsOnTheFirstFramePastTheEnd) {
    // Slide's x equals the tick, so the frame shows the time it was posed at.
    LoadText(Model(Animation("Move", "Slide", Keys(2, {{0, {0, 0, 0}}, {4800, {4800, 0, 0}}}))));
    ASSERT_NE(Tree(), nullptr);
    ASSERT_EQ(m_pSkinned->AnimLength(), 4800.0f);
    g_frameStep = 0.25f;  // 1200 ticks
    const float expected[] = {1200, 2400, 3600, 4800, 0, 1200};
    for (float fTick : expected) {
        ASSERT_EQ(m_pSkinned->FrameMove(1, 1, 0), S_OK);
        EXPECT_EQ(Tree()->m_fCurTime, fTick);
    }
    EXPECT_EQ(Node("Slide")->m_matLocal._41, 1200.0f);
    EXPECT_EQ(m_pSkinned->WindowStart(), 0.0f);
    EXPECT_EQ(m_pSkinned->WindowEnd(), 4800.0f);
}

TEST_F(SkinnedAnimation, ASegmentPlaysOnlyItsPartOfTheAnimation) {
    LoadText(Model(Animation("Move", "Slide", Keys(2, {{0, {0, 0, 0}}, {4800, {4800, 0, 0}}}))));
    ASSERT_NE(Tree(), nullptr);
    g_frameStep = 0.1f;  // 480 ticks
    // Nothing plays while the segment or the count is 0.
    EXPECT_EQ(m_pSkinned->FrameMove(0, 4, 0), S_OK);
    EXPECT_EQ(m_pSkinned->FrameMove(2, 0, 0), S_OK);
    EXPECT_EQ(Tree()->m_fCurTime, 0.0f);

    // Segment 2 of 4: ticks 1200 to 2400, starting at its beginning.
    const float expected[] = {1200, 1680, 2160, 1200, 1680};
    for (float fTick : expected) {
        ASSERT_EQ(m_pSkinned->FrameMove(2, 4, 0), S_OK);
        EXPECT_FLOAT_EQ(Tree()->m_fCurTime, fTick);
        EXPECT_FLOAT_EQ(Node("Slide")->m_matLocal._41, fTick);
    }
    EXPECT_EQ(m_pSkinned->WindowStart(), 1200.0f);
    EXPECT_EQ(m_pSkinned->WindowEnd(), 2400.0f);
}

TEST_F(SkinnedAnimation, RotationKeysInterpolateOverWrappingNeighboursAndKeepTheFrameTranslation) {
    // Spin: two keys, a sixth of a turn apart. Jump: three keys, the middle one a quarter turn.
    const std::string spin = Keys(0, {{0, FileRotationY(0)}, {4800, FileRotationY(kPi / 3)}});
    const std::string jump = Keys(0, {{0, FileRotationY(0)}, {2400, FileRotationY(kPi / 2)}, {4800, FileRotationY(0)}});
    LoadText(Model(Animation("Turn", "Spin", spin) + Animation("Hop", "Jump", jump)));
    ASSERT_NE(Tree(), nullptr);

    // On a key the frame takes the key's rotation, turned the right way round.
    Driver("Jump")->SetTime(2400.0f);
    D3DXMATRIX matQuarter;
    D3DXMatrixRotationY(&matQuarter, kPi / 2);
    EXPECT_TRUE(MatrixNear(Node("Jump")->m_matLocal, matQuarter));

    // A quarter of the way from key 0 to key 1: the neighbours before key 0
    // and after key 1 wrap round to the other key.
    FrameNode* pSpin = Driver("Spin");
    ASSERT_NE(pSpin, nullptr);
    pSpin->SetTime(1200.0f);
    const D3DXQUATERNION& q0 = pSpin->m_pRotateKeys[0].m_quatRotate;
    const D3DXQUATERNION& q1 = pSpin->m_pRotateKeys[1].m_quatRotate;
    auto squad = [&](const D3DXQUATERNION& before, const D3DXQUATERNION& after) {
        D3DXQUATERNION a;
        D3DXQUATERNION b;
        D3DXQUATERNION c;
        D3DXQuaternionSquadSetup(&a, &b, &c, &before, &q0, &q1, &after);
        D3DXQUATERNION q;
        D3DXQuaternionSquad(&q, &q0, &a, &b, &c, 0.25f);
        q.w = -q.w;
        D3DXMATRIX m;
        D3DXMatrixRotationQuaternion(&m, &q);
        return m;
    };
    D3DXMATRIX matExpected = squad(q1, q0);
    // Without position keys the frame keeps the translation of its file transform.
    matExpected._41 = 1;
    matExpected._42 = 2;
    matExpected._43 = 3;
    EXPECT_TRUE(MatrixNear(Node("Spin")->m_matLocal, matExpected, 1e-5f));
    // The test can tell the neighbours apart: clamped ones turn the frame elsewhere.
    const D3DXMATRIX matClamped = squad(q0, q1);
    EXPECT_GT(std::abs(matClamped._13 - matExpected._13), 1e-3f);
    // Still a turn about Y, between the two keys.
    EXPECT_NEAR(Node("Spin")->m_matLocal._22, 1.0f, 1e-5f);
    EXPECT_GT(Node("Spin")->m_matLocal._31, 0.0f);
    EXPECT_LT(Node("Spin")->m_matLocal._31, std::sin(kPi / 3));
}

TEST_F(SkinnedAnimation, ScaleAndPositionKeysBlendLinearlyAndMatrixKeysAreTakenWhole) {
    auto translation = [](float x) {
        std::vector<float> values(16, 0.0f);
        values[0] = values[5] = values[10] = values[15] = 1.0f;
        values[12] = x;
        return values;
    };
    const std::string slide =
        Keys(1, {{0, {1, 1, 1}}, {1000, {3, 3, 3}}}) + Keys(2, {{0, {0, 0, 0}}, {1000, {0, 10, 0}}});
    const std::string jump = Keys(4, {{0, translation(1)}, {1000, translation(2)}, {2000, translation(3)}});
    LoadText(Model(Animation("Move", "Slide", slide) + Animation("Hop", "Jump", jump)));
    ASSERT_NE(Tree(), nullptr);

    // Scale first, then the translation.
    Driver("Slide")->SetTime(250.0f);
    EXPECT_FLOAT_EQ(Node("Slide")->m_matLocal._11, 1.5f);
    EXPECT_FLOAT_EQ(Node("Slide")->m_matLocal._42, 2.5f);
    // Each list loops at its own last key: tick 1250 is tick 250 again.
    Driver("Slide")->SetTime(1250.0f);
    EXPECT_FLOAT_EQ(Node("Slide")->m_matLocal._42, 2.5f);

    FrameNode* pJump = Driver("Jump");
    const float cases[][2] = {{499, 1}, {500, 1}, {501, 2}, {1500, 2}, {1501, 3}, {2000, 1}};
    for (const auto& c : cases) {
        pJump->SetTime(c[0]);
        EXPECT_EQ(Node("Jump")->m_matLocal._41, c[1]) << "at tick " << c[0];
    }
}

TEST_F(SkinnedAnimation, KeysAllAtTickZeroHoldTheirPoseWithoutDividingByZero) {
    const std::string still = Keys(2, {{0, {4, 5, 6}}}) + Keys(0, {{0, FileRotationY(kPi / 2)}, {0, FileRotationY(0)}});
    LoadText(Model(Animation("Still", "Slide", still) +
                   Animation("Stuck", "Jump", Keys(4, {{0, std::vector<float>(16, 2.0f)}}))));
    ASSERT_NE(Tree(), nullptr);
    EXPECT_EQ(m_pSkinned->AnimLength(), 0.0f);
    g_frameStep = 0.03f;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(m_pSkinned->FrameMove(1, 1, 0), S_OK);
    }
    EXPECT_EQ(Tree()->m_fCurTime, 0.0f);
    Driver("Slide")->SetTime(777.0f);
    Driver("Jump")->SetTime(777.0f);
    const D3DXMATRIX& matSlide = Node("Slide")->m_matLocal;
    for (int i = 0; i < 16; ++i) {
        EXPECT_TRUE(std::isfinite(matSlide.m[i / 4][i % 4])) << "element " << i;
    }
    D3DXMATRIX matQuarter;
    D3DXMatrixRotationY(&matQuarter, kPi / 2);
    matQuarter._41 = 4;
    matQuarter._42 = 5;
    matQuarter._43 = 6;
    EXPECT_TRUE(MatrixNear(matSlide, matQuarter));
    EXPECT_EQ(Node("Jump")->m_matLocal._23, 2.0f);
}

TEST_F(SkinnedAnimation, AModelWithoutAnimationPlaysItsRestPose) {
    Mesh mesh = Quads(1);
    mesh.m_bones.push_back({"Spin", {0, 1, 2, 3}, {1, 1, 1, 1}, Translation(-1, -2, -3)});
    LoadText(Model("") + Frame("Holder", Identity(), MeshText("Skin", mesh)));
    ASSERT_NE(Tree(), nullptr);
    EXPECT_EQ(Tree()->m_pAnimated, nullptr);
    EXPECT_EQ(m_pSkinned->AnimLength(), 0.0f);
    g_frameStep = 0.03f;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(m_pSkinned->FrameMove(1, 1, 0), S_OK);
    }
    D3DXMATRIX matWorld;
    D3DXMatrixTranslation(&matWorld, 0, 0, 50);
    m_pLog->Clear();
    ASSERT_EQ(RenderScene(matWorld), S_OK);
    ASSERT_EQ(m_pLog->DrawCount(), 1u);
    // The bone sits where the file put it, and its offset takes the vertices back to the placement.
    EXPECT_TRUE(MatrixNear(Node("Spin")->m_matLocal, Node("Spin")->m_matFile));
    EXPECT_TRUE(MatrixNear(m_pLog->TransformAtDraw(0, D3DTS_WORLDMATRIX(0)), matWorld));
}

}  // namespace
