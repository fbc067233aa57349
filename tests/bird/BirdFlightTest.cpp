#include "bird/BirdFlight.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "framework/FrameStep.h"
#include "platform/kernel/Kernel.h"
#include "support/PathFile.h"
#include "support/TempDir.h"

namespace {

constexpr float kEps = 1e-4f;

class BirdFlightTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_cwd.MakeFolder("Misc");
        m_cwd.WriteFile("Misc/Clock.fpp",
                        PathFileBytes(3, {{0, 0, 0}, {30, 0, 0}, {0, 0, 30}}, {0.0f, 1.0f, 2.0f}, {50, 100, 200}));
        ASSERT_EQ(m_path.Load("Clock.fpp"), S_OK);
        g_frameStep = 0.03f;
        crt::srand(3);
    }
    void Step() {
        m_bird.StorePrevious();
        m_bird.Update(&m_path, &m_trail);
    }

    ScopedTempCwd m_cwd;
    FergusonPath m_path;
    ParticleTrailPC m_trail;
    BirdFlight m_bird;
};

TEST_F(BirdFlightTest, FliesTheClosedPathFacingAheadBobbingInItsBandAndStartsEachLapAtTheFirstPoint) {
    int firstLap = -1;
    int laps = 0;
    float previous = 0.0f;
    float highest = 0.0f;
    float lowest = 0.0f;
    for (int frame = 1; frame <= 20000; ++frame) {
        Step();
        const float s = m_bird.PathParameter();
        D3DXVECTOR3 on;
        D3DXVECTOR3 ahead;
        m_path.Evaluate(s, &on.x, &on.y, &on.z, &ahead.x, &ahead.y, &ahead.z);
        const D3DXMATRIX& w = m_bird.World();
        ASSERT_NEAR(w._41, on.x, kEps) << frame;
        ASSERT_NEAR(w._42, on.y + m_bird.BobOffset(), kEps) << frame;
        ASSERT_NEAR(w._43, on.z, kEps) << frame;
        D3DXVECTOR3 toward = ahead - on;
        D3DXVec3Normalize(&toward, &toward);
        ASSERT_NEAR(w._31, toward.x, kEps) << frame;
        ASSERT_NEAR(w._32, toward.y, kEps) << frame;
        ASSERT_NEAR(w._33, toward.z, kEps) << frame;
        if (s < previous) {
            firstLap = laps++ == 0 ? frame : firstLap;
            // The overshoot is dropped: exactly the first point.
            ASSERT_EQ(s, 0.0f);
            ASSERT_EQ(m_bird.PathPoint(), D3DXVECTOR3(0, 0, 0));
        }
        previous = s;
        highest = std::max(highest, m_bird.BobOffset());
        lowest = std::min(lowest, m_bird.BobOffset());
    }
    // Three segments at a quarter of a segment a second: a lap of 12 s.
    EXPECT_NEAR(firstLap * 0.03f, 12.0f, 0.05f);
    EXPECT_NEAR(laps, 20000 * 0.03f / 12.0f, 1.0f);
    EXPECT_GT(highest, 5.0f);
    EXPECT_LT(highest, 5.5f);
    EXPECT_LT(lowest, -5.0f);
    EXPECT_GT(lowest, -5.5f);

    // The path's own frame: the bird's axes and place without the bob.
    ASSERT_GT(std::abs(m_bird.BobOffset()), 0.1f);
    D3DXMATRIX frame;
    EXPECT_EQ(m_bird.GetPathMatrix(&frame), &frame);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const float bob = r == 3 && c == 1 ? m_bird.BobOffset() : 0.0f;
            EXPECT_NEAR(frame.m[r][c], m_bird.World().m[r][c] - bob, kEps) << r << ", " << c;
        }
    }
}

TEST_F(BirdFlightTest, AtMostOneSparkPerFrameCarryingTheBirdsStep) {
    Step();  // 0.6 of a spark
    EXPECT_EQ(m_trail.LiveCount(), 0u);
    Step();
    ASSERT_EQ(m_trail.LiveCount(), 1u);
    const ParticleTrailPC::Spark* pSpark = m_trail.LiveList();
    EXPECT_NEAR(pSpark->m_vecVelocity.x, m_bird.World()._41 - m_bird.PreviousWorld()._41, kEps);
    EXPECT_NEAR(pSpark->m_vecVelocity.y, m_bird.World()._42 - m_bird.PreviousWorld()._42, kEps);
    EXPECT_NEAR(pSpark->m_vecVelocity.z, m_bird.World()._43 - m_bird.PreviousWorld()._43, kEps);
    // The timer restarts from zero, so the next frame again emits nothing.
    Step();
    EXPECT_EQ(m_trail.LiveCount(), 1u);

    // Even a very long frame gives one spark.
    g_frameStep = 1.0f;
    for (DWORD i = 2; i < 5; ++i) {
        Step();
        EXPECT_EQ(m_trail.LiveCount(), i);
    }
}

}  // namespace
