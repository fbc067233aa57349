#include "particles/RibbonLeaders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ParticleMedia.h"
#include "app/FrameValues.h"
#include "bird/FergusonPath.h"
#include "particles/ParticleTrailRibonG.h"
#include "platform/kernel/Kernel.h"
#include "support/Capture.h"
#include "support/PathFile.h"

namespace {

using Leader = RibbonLeaders::RibbonLeader;

class RibbonLeadersTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_frameStep = 0.03f;
        crt::srand(1);
    }
    // A closed path through `points` (camera angles and distances unused here).
    void LoadPath(const std::vector<D3DXVECTOR3>& points) {
        std::vector<float> zeros(points.size(), 0.0f);
        m_cwd.WriteFile("Misc/Clock.fpp", PathFileBytes(int(points.size()), points, zeros, zeros));
        DebugCapture quiet;
        ASSERT_EQ(m_path.Load("Clock.fpp"), S_OK);
    }
    // Oldest leader first: the order they were made in.
    std::vector<const Leader*> Leaders() const {
        std::vector<const Leader*> leaders = ListOf(m_leaders.LiveList());
        std::reverse(leaders.begin(), leaders.end());
        return leaders;
    }

    ScopedTempCwd m_cwd;  // before the path: it takes the directory when built
    FergusonPath m_path;
    RibbonLeaders m_leaders;
    ParticleTrailRibonG m_ribbon;
};

const std::vector<D3DXVECTOR3> kPentagon = {{50, 0, 0}, {15, 5, 48}, {-40, 10, 29}, {-40, 5, -29}, {15, 0, -48}};

TEST_F(RibbonLeadersTest, EightLeadersTakeSpeedOffsetAndStartPointFromFourDrawsEach) {
    LoadPath(kPentagon);
    ASSERT_EQ(m_leaders.Load(&m_path), S_OK);
    ASSERT_EQ(m_leaders.LeaderCount(), 8u);
    std::vector<const Leader*> leaders = Leaders();
    ASSERT_EQ(leaders.size(), 8u);
    // Seed 1 draws 41, 18467, 6334 (angles), 26500 (point) for the first
    // leader and 19169, 15724, 11478, 29358 for the second.
    EXPECT_NEAR(leaders[0]->m_fSpeed, 1.333317f, 1e-5f);
    ExpectNear(leaders[0]->m_vecOffset, D3DXVECTOR3(29.99907f, -11.66924f, 10.46230f), 1e-4f);
    EXPECT_EQ(leaders[0]->m_fS, 0.0f);  // 26500 mod 5
    EXPECT_NEAR(leaders[1]->m_fSpeed, 0.340953f, 1e-5f);
    ExpectNear(leaders[1]->m_vecOffset, D3DXVECTOR3(-25.82137f, 3.78374f, -17.67797f), 1e-4f);
    EXPECT_EQ(leaders[1]->m_fS, 3.0f);  // 29358 mod 5
    for (const Leader* p : leaders) {
        EXPECT_EQ(p->m_vecPosition, D3DXVECTOR3(0, 0, 0));
        EXPECT_EQ(p->m_vecPrevious, D3DXVECTOR3(0, 0, 0));
        // Speed and the offset's x share one angle.
        EXPECT_NEAR(p->m_fSpeed, p->m_vecOffset.x / 30.0f * 0.53333336f + 0.8f, 1e-5f);
        EXPECT_GE(p->m_fSpeed, 0.2666f);
        EXPECT_LE(p->m_fSpeed, 1.3334f);
    }
    // 32 draws in all: the next value of the generator is the 33rd.
    EXPECT_EQ(crt::rand(), 14771);

    // Loading again starts over: still eight.
    crt::srand(1);
    ASSERT_EQ(m_leaders.Load(&m_path), S_OK);
    EXPECT_EQ(m_leaders.LeaderCount(), 8u);
    EXPECT_NEAR(Leaders()[0]->m_fSpeed, 1.333317f, 1e-5f);
}

TEST_F(RibbonLeadersTest, EachUpdateLaysOneSegmentFromWhereTheLeaderWasStartingAtTheOrigin) {
    LoadPath(kPentagon);
    ASSERT_EQ(m_leaders.Load(&m_path), S_OK);
    ASSERT_EQ(m_leaders.Update(&m_path, &m_ribbon), S_OK);
    ASSERT_EQ(m_ribbon.LiveCount(), 8u);

    // The ribbon's newest segment comes from the last leader updated.
    std::vector<const Leader*> leaders = ListOf(m_leaders.LiveList());
    std::vector<const ParticleTrailRibonG::RibbonSegment*> segments = ListOf(m_ribbon.LiveList());
    std::reverse(segments.begin(), segments.end());
    for (size_t i = 0; i < 8; ++i) {
        const Leader* p = leaders[i];
        float x = 0, y = 0, z = 0, ax = 0, ay = 0, az = 0;
        m_path.Evaluate(p->m_fS, &x, &y, &z, &ax, &ay, &az);
        ExpectNear(p->m_vecPosition, D3DXVECTOR3(x, y, z) + p->m_vecOffset, 1e-4f);
        EXPECT_EQ(p->m_vecAhead, D3DXVECTOR3(ax, ay, az));
        EXPECT_EQ(segments[i]->m_vecTail, D3DXVECTOR3(0, 0, 0));
        EXPECT_EQ(segments[i]->m_vecHead, p->m_vecPosition);
        ExpectNear(segments[i]->m_vecVelocity, p->m_vecOffset * 0.02f, 1e-6f);
    }
    // The next segment joins on: its tail is where the last one's head was.
    const D3DXVECTOR3 head = m_ribbon.LiveList()->m_vecHead;
    ASSERT_EQ(m_leaders.Update(&m_path, &m_ribbon), S_OK);
    EXPECT_EQ(m_ribbon.LiveCount(), 16u);
    EXPECT_EQ(m_ribbon.LiveList()->m_vecTail, head);
}

TEST_F(RibbonLeadersTest, LeaderReachingTheLastPointStartsAgainAtTheFirst) {
    const std::vector<D3DXVECTOR3> triangle = {{0, 0, 0}, {30, 0, 0}, {0, 0, 30}};
    LoadPath(triangle);
    ASSERT_EQ(m_leaders.Load(&m_path), S_OK);
    const Leader* p = m_leaders.LiveList();
    int wraps = 0;
    for (int frame = 0; frame < 600; ++frame) {
        float before = p->m_fS;
        m_leaders.Update(&m_path, nullptr);
        EXPECT_LT(p->m_fS, 3.0f);
        if (p->m_fS < before) {
            ++wraps;
            EXPECT_EQ(p->m_fS, 0.0f);
            ExpectNear(p->m_vecPosition, p->m_vecOffset, 1e-3f);
        }
    }
    // 18 s at 0.27 to 1.33 segments a second round a 3-segment path.
    EXPECT_GE(wraps, 1);
}

TEST_F(RibbonLeadersTest, WithoutAPathLeadersWaitAndLayNothing) {
    // A path that never loaded has no points to pick from.
    ASSERT_EQ(m_leaders.Load(&m_path), S_OK);
    EXPECT_EQ(m_leaders.LeaderCount(), 8u);
    for (const Leader* p : Leaders()) {
        EXPECT_EQ(p->m_fS, 0.0f);
    }
    EXPECT_EQ(crt::rand(), 14771);  // the same 32 draws as with a path
    EXPECT_EQ(m_leaders.Update(&m_path, &m_ribbon), S_OK);
    EXPECT_EQ(m_leaders.Update(nullptr, &m_ribbon), S_OK);
    EXPECT_EQ(m_ribbon.LiveCount(), 0u);
    EXPECT_EQ(m_leaders.LiveList()->m_vecPosition, D3DXVECTOR3(0, 0, 0));

    // A released path keeps its count but has nothing to evaluate.
    LoadPath(kPentagon);
    m_path.Release();
    ASSERT_EQ(m_leaders.Load(&m_path), S_OK);
    for (int i = 0; i < 3; ++i) {
        m_leaders.Update(&m_path, &m_ribbon);
    }
    EXPECT_EQ(m_ribbon.LiveCount(), 0u);
    EXPECT_EQ(m_leaders.LiveList()->m_vecPosition, D3DXVECTOR3(0, 0, 0));

    m_leaders.Clear();
    EXPECT_EQ(m_leaders.LeaderCount(), 0u);
    EXPECT_EQ(m_leaders.LiveList(), nullptr);
}

}  // namespace
