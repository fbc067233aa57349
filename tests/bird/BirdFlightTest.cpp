#include "bird/BirdFlight.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/FrameValues.h"
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

TEST_F(BirdFlightTest, AdvancesQuarterSegmentPerSecondFacesAheadAndRestartsAtTheFirstPoint) {
    Step();
    EXPECT_NEAR(m_bird.PathParameter(), 0.0075f, 1e-6f);
    float px, py, pz, ax, ay, az;
    m_path.Evaluate(0.0075f, &px, &py, &pz, &ax, &ay, &az);
    const D3DXMATRIX& w = m_bird.World();
    EXPECT_NEAR(w._41, px, kEps);
    EXPECT_NEAR(w._43, pz, kEps);
    // The bob only raises the translation.
    EXPECT_NEAR(w._42, py + m_bird.BobOffset(), kEps);
    EXPECT_NEAR(m_bird.BobOffset(), 0.003f, 1e-6f);
    D3DXVECTOR3 toward(ax - px, ay - py, az - pz);
    D3DXVec3Normalize(&toward, &toward);
    EXPECT_NEAR(w._31, toward.x, kEps);
    EXPECT_NEAR(w._32, toward.y, kEps);
    EXPECT_NEAR(w._33, toward.z, kEps);

    // Overshooting the end restarts exactly at the first point.
    m_bird.SetPathParameter(2.999f);
    Step();
    EXPECT_EQ(m_bird.PathParameter(), 0.0f);
    EXPECT_NEAR(m_bird.World()._41, 0.0f, kEps);
    EXPECT_NEAR(m_bird.World()._43, 0.0f, kEps);
    EXPECT_EQ(m_bird.PathPoint(), D3DXVECTOR3(0, 0, 0));
}

TEST_F(BirdFlightTest, BobSwingsAboutTheFiveUnitBand) {
    float highest = 0.0f;
    float lowest = 0.0f;
    bool turnedDown = false;
    bool turnedUp = false;
    for (int frame = 0; frame < 20000; ++frame) {
        Step();
        highest = std::max(highest, m_bird.BobOffset());
        lowest = std::min(lowest, m_bird.BobOffset());
        turnedDown = turnedDown || m_bird.BobVelocity() < 0.0f;
        turnedUp = turnedUp || (turnedDown && m_bird.BobVelocity() > 0.0f);
    }
    EXPECT_TRUE(turnedDown);
    EXPECT_TRUE(turnedUp);
    EXPECT_GT(highest, 5.0f);
    EXPECT_LT(highest, 5.5f);
    EXPECT_LT(lowest, -5.0f);
    EXPECT_GT(lowest, -5.5f);
}

TEST_F(BirdFlightTest, AtMostOneSparkPerFrameCarryingTheBirdsStep) {
    DWORD before = m_trail.LiveCount();
    Step();  // 0.6 of a spark
    EXPECT_EQ(m_trail.LiveCount(), before);
    Step();
    ASSERT_EQ(m_trail.LiveCount(), before + 1);
    const ParticleTrailPC::Spark* pSpark = m_trail.LiveList();
    D3DXVECTOR3 step(m_bird.World()._41 - m_bird.PreviousWorld()._41, m_bird.World()._42 - m_bird.PreviousWorld()._42,
                     m_bird.World()._43 - m_bird.PreviousWorld()._43);
    EXPECT_NEAR(pSpark->m_vecVelocity.x, step.x, kEps);
    EXPECT_NEAR(pSpark->m_vecVelocity.y, step.y, kEps);
    EXPECT_NEAR(pSpark->m_vecVelocity.z, step.z, kEps);
    // The timer restarts from zero, so the next frame again emits nothing.
    Step();
    EXPECT_EQ(m_trail.LiveCount(), before + 1);

    // Even a very long frame gives one spark.
    g_frameStep = 1.0f;
    for (int i = 0; i < 3; ++i) {
        DWORD count = m_trail.LiveCount();
        Step();
        EXPECT_EQ(m_trail.LiveCount(), count + 1);
    }
}

TEST_F(BirdFlightTest, PathMatrixIsThePathFrameWithoutTheBob) {
    for (int i = 0; i < 200; ++i) {
        Step();
    }
    ASSERT_GT(m_bird.BobOffset(), 0.1f);
    D3DXMATRIX frame;
    EXPECT_EQ(m_bird.GetPathMatrix(&frame), &frame);
    EXPECT_NEAR(frame._41, m_bird.PathPoint().x, kEps);
    EXPECT_NEAR(frame._42, m_bird.PathPoint().y, kEps);
    EXPECT_NEAR(frame._43, m_bird.PathPoint().z, kEps);
    EXPECT_NEAR(m_bird.World()._42 - frame._42, m_bird.BobOffset(), kEps);
    // Same axes as the bird: both face the look-ahead point with +Y up.
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(frame.m[r][c], m_bird.World().m[r][c], kEps);
        }
        EXPECT_EQ(frame.m[r][3], 0.0f);
    }
    EXPECT_EQ(frame._44, 1.0f);
    D3DXVECTOR3 right(frame._11, frame._12, frame._13);
    EXPECT_NEAR(D3DXVec3Length(&right), 1.0f, kEps);
    EXPECT_NEAR(frame._12, 0.0f, kEps);
}

}  // namespace
