#include "scene/Velmoran.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <memory>
#include <string>

#include "platform/kernel/Kernel.h"
#include "scene/Camera.h"
#include "scene/ClockSceneFiles.h"
#include "support/Capture.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

namespace {

constexpr float kPi = 3.14159265f;

std::time_t g_wallClock = 0;
std::time_t FixedWallClock() {
    return g_wallClock;
}

// Seconds since the epoch of the given local time of day.
std::time_t LocalTimeOfDay(int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 5;
    local.tm_mday = 15;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

// The hands point +Y at twelve and the dial faces -Z, so seen from the front
// a hand turned clockwise by `degrees` has its tip at (sin, cos) of it, on
// the dial of its placement.
void ExpectHandTip(const D3DXMATRIX& hand, const D3DXMATRIX& placement, float degrees, const char* what) {
    const float rad = degrees * kPi / 180.0f;
    const D3DXVECTOR3 twelve(0.0f, 1.0f, 0.0f);
    const D3DXVECTOR3 dial(std::sin(rad), std::cos(rad), 0.0f);
    D3DXVECTOR3 tip;
    D3DXVECTOR3 expected;
    D3DXVec3TransformCoord(&tip, &twelve, &hand);
    D3DXVec3TransformCoord(&expected, &dial, &placement);
    const D3DXVECTOR3 off = tip - expected;
    EXPECT_LT(D3DXVec3Length(&off), 1e-4f) << what;
}

class VelmoranTest : public RecordingDeviceTest {
protected:
    void SetUp() override {
        RecordingDeviceTest::SetUp();
        kernel_hooks::SetWallClock(FixedWallClock);
        m_placements = {Placement(1.0f, 0.0f, 0.0f, 0.0f, 100.0f), Placement(2.0f, kPi, -30.0f, 10.0f, 150.0f)};
        m_camera.SetProjection(m_pDevice, 4.0f / 3.0f, 1.0f, 1000.0f);
        m_camera.BuildFrustum();
        m_pQueue = std::make_unique<DrawQueue>();
    }
    void TearDown() override {
        kernel_hooks::SetWallClock(nullptr);
        RecordingDeviceTest::TearDown();
    }

    // Links the generated models and writes a position file with the two placements.
    void PrepareMedia(const ScopedTempCwd& cwd) {
        ASSERT_TRUE(LinkGeneratedMedia(cwd)) << "generated media missing under " << VELMORAN_RUN_DIR;
        cwd.WriteFile("Misc/Clock.vps", PlacementFileBytes(2, m_placements));
    }

    // Queues the clock into an emptied queue.
    HRESULT RenderInto(Velmoran& clock) {
        m_pQueue->Clear();
        return clock.Render(m_pDevice, m_camera.CameraMatrix(), &m_camera.Frustum(), TRUE, m_pQueue.get());
    }

    std::vector<D3DXMATRIX> m_placements;
    Camera m_camera;
    std::unique_ptr<DrawQueue> m_pQueue;
};

TEST_F(VelmoranTest, HandsFollowTheLocalTime) {
    ScopedTempCwd cwd;
    PrepareMedia(cwd);
    Velmoran clock;
    ASSERT_EQ(clock.Load(m_pDevice, "Clock.vps"), S_OK);
    ASSERT_EQ(clock.Count(), 2);

    struct Case {
        int h, m, s;
        float hourDeg, minuteDeg, secondDeg;
    };
    // The hour hand creeps half a degree a minute; 12 o'clock is a full turn.
    const Case cases[] = {
        {15, 30, 45, 105.0f, 180.0f, 270.0f}, {0, 0, 0, 0.0f, 0.0f, 0.0f},          {12, 0, 0, 360.0f, 0.0f, 0.0f},
        {3, 30, 45, 105.0f, 180.0f, 270.0f},  {23, 59, 59, 359.5f, 354.0f, 354.0f},
    };
    for (const Case& c : cases) {
        g_wallClock = LocalTimeOfDay(c.h, c.m, c.s);
        ASSERT_EQ(clock.Update(), S_OK);
        std::string when = std::to_string(c.h) + ":" + std::to_string(c.m) + ":" + std::to_string(c.s);
        for (int i = 0; i < 2; ++i) {
            SCOPED_TRACE(when + " flower " + std::to_string(i));
            const D3DXMATRIX& placement = m_placements[i];
            EXPECT_TRUE(clock.Parts(Velmoran::PART_BASE)[i].World() == placement);
            EXPECT_TRUE(clock.Parts(Velmoran::PART_NUMERALS)[i].World() == placement);
            ExpectHandTip(clock.Parts(Velmoran::PART_HOUR)[i].World(), placement, c.hourDeg, "hour");
            ExpectHandTip(clock.Parts(Velmoran::PART_MINUTE)[i].World(), placement, c.minuteDeg, "minute");
            ExpectHandTip(clock.Parts(Velmoran::PART_SECOND)[i].World(), placement, c.secondDeg, "second");
        }
    }
}

TEST_F(VelmoranTest, RenderQueuesEveryPartAndTheNumeralsOnlyWhenShown) {
    ScopedTempCwd cwd;
    PrepareMedia(cwd);
    Velmoran clock;
    EXPECT_TRUE(clock.ShowNumerals());
    ASSERT_EQ(clock.Load(m_pDevice, "Clock.vps"), S_OK);
    g_wallClock = LocalTimeOfDay(15, 30, 45);
    clock.Update();

    DWORD perFlower = 0;
    for (int part = 0; part < Velmoran::PART_NUM; ++part) {
        ASSERT_NE(clock.PartModel(Velmoran::Part(part)), nullptr);
        perFlower += clock.PartModel(Velmoran::Part(part))->MeshDisplayNum();
    }
    const DWORD numerals = clock.PartModel(Velmoran::PART_NUMERALS)->MeshDisplayNum();
    ASSERT_GT(numerals, 0u);

    ASSERT_EQ(RenderInto(clock), S_OK);
    EXPECT_EQ(m_pQueue->Count(), 2 * perFlower);

    clock.SetShowNumerals(FALSE);
    RenderInto(clock);
    EXPECT_EQ(m_pQueue->Count(), 2 * (perFlower - numerals));
    clock.SetShowNumerals(TRUE);
    RenderInto(clock);
    EXPECT_EQ(m_pQueue->Count(), 2 * perFlower);
    m_pQueue->Clear();
}

// The reader both placed scenes share is checked here, on the flowers.
TEST_F(VelmoranTest, PositionFileFailuresAreReportedAndAllocateNothing) {
    const char* kOpen = "failed to open vpsfile";
    const char* kCount = "failed to read velmorannumber from file";
    const char* kRecord = "failed to read velmoranposition from file";
    const D3DXMATRIX one = Placement(1.0f, 0.0f, 0.0f, 0.0f, 100.0f);
    const struct {
        const char* m_szWhat;
        const char* m_szMessage;
        std::string m_bytes;  // empty: no file at all
    } kCases[] = {
        {"missing file", kOpen, ""},
        {"short count", kCount, std::string("\x01\x00", 2)},
        {"negative count", kCount, PlacementFileBytes(-1, {one})},
        {"record missing", kRecord, PlacementFileBytes(2, {one})},
        {"record cut short", kRecord, PlacementFileBytes(1, {one}).substr(0, 40)},
        {"huge count", kRecord, PlacementFileBytes(0x7FFFFFFF, {one})},
        // 2^30 records of 64 bytes: a size worked out in 32 bits wraps to zero.
        {"count whose size wraps", kRecord, PlacementFileBytes(0x40000000, {one})},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.m_szWhat);
        ScopedTempCwd cwd;
        ASSERT_TRUE(LinkGeneratedMedia(cwd));
        cwd.MakeFolder("Misc");
        if (!c.m_bytes.empty()) {
            cwd.WriteFile("Misc/Clock.vps", c.m_bytes);
        }
        MessageBoxCapture boxes;
        Velmoran clock;
        EXPECT_EQ(clock.Load(m_pDevice, "Clock.vps"), E_FAIL);
        EXPECT_TRUE(boxes.AnyContains(c.m_szMessage));
        EXPECT_EQ(boxes.Boxes().size(), 1u);
        // Nothing was made for a file that cannot hold its records, and no model was loaded.
        EXPECT_EQ(clock.Count(), 0);
        EXPECT_EQ(clock.Parts(Velmoran::PART_BASE), nullptr);
        EXPECT_EQ(clock.PartModel(Velmoran::PART_BASE), nullptr);
        EXPECT_EQ(clock.Update(), S_OK);
    }
}

TEST_F(VelmoranTest, FailingModelKeepsThePlacementsForReleaseAndDrawsNothing) {
    ScopedTempCwd cwd;
    cwd.WriteFile("Misc/Clock.vps", PlacementFileBytes(2, m_placements));
    cwd.MakeFolder("Model");
    MessageBoxCapture boxes;
    Velmoran clock;
    EXPECT_TRUE(FAILED(clock.Load(m_pDevice, "Clock.vps")));
    EXPECT_TRUE(boxes.AnyContains("VelmoranBase07.x"));
    EXPECT_EQ(clock.Count(), 2);
    EXPECT_EQ(clock.Update(), S_OK);
    RenderInto(clock);
    EXPECT_EQ(m_pQueue->Count(), 0u);
    EXPECT_EQ(clock.Release(), S_OK);
    EXPECT_EQ(clock.Parts(Velmoran::PART_HOUR), nullptr);
}

TEST_F(VelmoranTest, ReleaseFreesEverythingAndTheClockLoadsAgainWithOrWithoutFlowers) {
    ScopedTempCwd cwd;
    PrepareMedia(cwd);
    Velmoran clock;
    ASSERT_EQ(clock.Load(m_pDevice, "Clock.vps"), S_OK);
    EXPECT_EQ(clock.Release(), S_OK);
    EXPECT_EQ(clock.Count(), 0);
    EXPECT_EQ(clock.Parts(Velmoran::PART_SECOND), nullptr);
    EXPECT_EQ(clock.PartModel(Velmoran::PART_SECOND), nullptr);
    EXPECT_EQ(clock.Release(), S_OK);

    // No flower: the models load and nothing is drawn.
    cwd.WriteFile("Misc/Clock.vps", PlacementFileBytes(0, {}));
    ASSERT_EQ(clock.Load(m_pDevice, "Clock.vps"), S_OK);
    ASSERT_NE(clock.PartModel(Velmoran::PART_SECOND), nullptr);
    EXPECT_EQ(clock.Update(), S_OK);
    EXPECT_EQ(RenderInto(clock), S_OK);
    EXPECT_EQ(m_pQueue->Count(), 0u);

    // A load over a load must not leak the first (the device check at the
    // end of the test sees any mesh left behind).
    cwd.WriteFile("Misc/Clock.vps", PlacementFileBytes(2, m_placements));
    ASSERT_EQ(clock.Load(m_pDevice, "Clock.vps"), S_OK);
    ASSERT_EQ(clock.Load(m_pDevice, "Clock.vps"), S_OK);
    EXPECT_EQ(clock.Count(), 2);
    EXPECT_EQ(clock.Parts(Velmoran::PART_SECOND)[1].GetModel(), clock.PartModel(Velmoran::PART_SECOND));
}

}  // namespace
