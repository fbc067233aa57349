#include "particles/RibbonLeaders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "ParticleMedia.h"
#include "framework/FrameStep.h"
#include "particles/ParticleTrailRibonG.h"
#include "platform/kernel/Kernel.h"
#include "scene/FergusonPath.h"
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

TEST_F(RibbonLeadersTest, EightLeadersWithTheirOwnSpeedOffsetAndStartPointAndWithoutAPathTheyWait) {
    LoadPath(kPentagon);
    ASSERT_EQ(m_leaders.Load(&m_path), S_OK);
    ASSERT_EQ(m_leaders.LeaderCount(), 8u);
    for (const Leader* p : Leaders()) {
        EXPECT_EQ(p->m_vecPosition, D3DXVECTOR3(0, 0, 0));
        EXPECT_GE(p->m_fSpeed, 0.2666f);
        EXPECT_LE(p->m_fSpeed, 1.3334f);
        for (float offset : {p->m_vecOffset.x, p->m_vecOffset.y, p->m_vecOffset.z}) {
            EXPECT_LE(std::abs(offset), 30.0f);
        }
        EXPECT_EQ(p->m_fS, float(int(p->m_fS)));
        EXPECT_LT(p->m_fS, 5.0f);
    }
    const Leader* pFirst = Leaders()[0];
    const Leader* pSecond = Leaders()[1];
    EXPECT_NE(pFirst->m_fSpeed, pSecond->m_fSpeed);
    EXPECT_NE(pFirst->m_vecOffset, pSecond->m_vecOffset);
    EXPECT_NE(pFirst->m_fS, pSecond->m_fS);  // seed 1: points 0 and 3
    const int next = crt::rand();

    // A path that never loaded has no points to pick from, yet the draws are
    // the same; without a path, or with a released one, the leaders wait.
    crt::srand(1);
    FergusonPath none;
    ASSERT_EQ(m_leaders.Load(&none), S_OK);
    EXPECT_EQ(m_leaders.LeaderCount(), 8u);
    for (const Leader* p : Leaders()) {
        EXPECT_EQ(p->m_fS, 0.0f);
    }
    EXPECT_EQ(crt::rand(), next);
    EXPECT_EQ(m_leaders.Update(&none, &m_ribbon), S_OK);
    EXPECT_EQ(m_leaders.Update(nullptr, &m_ribbon), S_OK);
    m_path.Release();
    ASSERT_EQ(m_leaders.Load(&m_path), S_OK);
    EXPECT_EQ(m_leaders.Update(&m_path, &m_ribbon), S_OK);
    EXPECT_EQ(m_ribbon.LiveCount(), 0u);
    EXPECT_EQ(m_leaders.LiveList()->m_vecPosition, D3DXVECTOR3(0, 0, 0));

    m_leaders.Clear();
    EXPECT_EQ(m_leaders.LeaderCount(), 0u);
    EXPECT_EQ(m_leaders.LiveList(), nullptr);
}

TEST_F(RibbonLeadersTest, EachUpdateLaysOneSegmentFromWhereTheLeaderWasAndALapStartsAgainAtTheFirstPoint) {
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
        EXPECT_EQ(segments[i]->m_vecTail, D3DXVECTOR3(0, 0, 0));
        EXPECT_EQ(segments[i]->m_vecHead, p->m_vecPosition);
        ExpectNear(segments[i]->m_vecVelocity, p->m_vecOffset * 0.02f, 1e-6f);
    }
    // The next segment joins on: its tail is where the last one's head was.
    const D3DXVECTOR3 head = m_ribbon.LiveList()->m_vecHead;
    ASSERT_EQ(m_leaders.Update(&m_path, &m_ribbon), S_OK);
    EXPECT_EQ(m_ribbon.LiveCount(), 16u);
    EXPECT_EQ(m_ribbon.LiveList()->m_vecTail, head);

    // 18 s at 0.27 to 1.33 segments a second round a 5-segment path.
    int wraps = 0;
    for (int frame = 0; frame < 600; ++frame) {
        std::vector<float> before;
        for (const Leader* p : leaders) {
            before.push_back(p->m_fS);
        }
        m_leaders.Update(&m_path, nullptr);
        for (size_t i = 0; i < 8; ++i) {
            const Leader* p = leaders[i];
            EXPECT_LT(p->m_fS, 5.0f);
            if (p->m_fS < before[i]) {
                ++wraps;
                EXPECT_EQ(p->m_fS, 0.0f);
                ExpectNear(p->m_vecPosition, kPentagon[0] + p->m_vecOffset, 1e-3f);
            }
        }
    }
    EXPECT_GE(wraps, 8);
}

}  // namespace
