// Playing key-framed animation: the looping play window, the key lists of
// each kind and their interpolation, and files whose keys are degenerate.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "bird/SkinModelText.h"
#include "bird/SkinnedMeshFixture.h"
#include "framework/FrameStep.h"

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
}

TEST_F(SkinnedAnimation, RotationKeysTurnTheFrameTheRightWayAndKeepItsTranslation) {
    // Spin: two keys, a sixth of a turn apart. Jump: the middle of three keys a quarter turn.
    const std::string spin = Keys(0, {{0, FileRotationY(0)}, {4800, FileRotationY(kPi / 3)}});
    const std::string jump = Keys(0, {{0, FileRotationY(0)}, {2400, FileRotationY(kPi / 2)}, {4800, FileRotationY(0)}});
    LoadText(Model(Animation("Turn", "Spin", spin) + Animation("Hop", "Jump", jump)));
    ASSERT_NE(Tree(), nullptr);

    Driver("Jump")->SetTime(2400.0f);
    D3DXMATRIX matQuarter;
    D3DXMatrixRotationY(&matQuarter, kPi / 2);
    EXPECT_TRUE(MatrixNear(Node("Jump")->m_matLocal, matQuarter));

    // Between the keys: a turn about Y between theirs, at the file's translation.
    Driver("Spin")->SetTime(1200.0f);
    const D3DXMATRIX& matSpin = Node("Spin")->m_matLocal;
    EXPECT_NEAR(matSpin._22, 1.0f, 1e-5f);
    EXPECT_GT(matSpin._31, 0.0f);
    EXPECT_LT(matSpin._31, std::sin(kPi / 3));
    EXPECT_NEAR(matSpin._11 * matSpin._11 + matSpin._31 * matSpin._31, 1.0f, 1e-5f);
    EXPECT_EQ(D3DXVECTOR3(matSpin._41, matSpin._42, matSpin._43), D3DXVECTOR3(1, 2, 3));
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
    D3DXMATRIX matQuarter;
    D3DXMatrixRotationY(&matQuarter, kPi / 2);
    matQuarter._41 = 4;
    matQuarter._42 = 5;
    matQuarter._43 = 6;
    EXPECT_TRUE(MatrixNear(Node("Slide")->m_matLocal, matQuarter));
    EXPECT_EQ(Node("Jump")->m_matLocal._23, 2.0f);
}

}  // namespace
