#include "app/TimerPanel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

#include "framework/FrameStep.h"
#include "platform/kernel/Kernel.h"
#include "support/OverlayTestSupport.h"

namespace {

std::time_t s_now = 1000000;
std::time_t FakeWallClock() {
    return s_now;
}

// Button centres in a 640 x 480 viewport, in slot order.
constexpr float kButtons[6][2] = {{256, 144}, {384, 144}, {371.2f, 312}, {403.2f, 312}, {236.8f, 312}, {268.8f, 312}};
enum Button { kStartPause, kReset, kPlusSecond, kMinusSecond, kPlusMinute, kMinusMinute };

class TimerPanelTest : public OverlayRecordingTest {
protected:
    void SetUp() override {
        OverlayRecordingTest::SetUp();
        kernel_hooks::SetWallClock(FakeWallClock);
        s_now = 1000000;
        g_blinkPhase = 0.0f;
        m_pPanel = new TimerPanel();
        WriteSheet(m_cwd, "SpriteDigital01.dds", 4, 3, {});
        WriteSheet(m_cwd, "BottunTimer01.dds", 2, 2, {});
        WriteSheet(m_cwd, "Frame01.dds", 1, 1, {});
        ASSERT_EQ(Load(), S_OK);
    }
    void TearDown() override {
        delete m_pPanel;
        kernel_hooks::SetWallClock(nullptr);
        OverlayRecordingTest::TearDown();
    }
    HRESULT Load() {
        HRESULT hr = m_pPanel->Load(m_pDevice, "BottunTimer01.dds", "SpriteDigital01.dds", "Frame01.dds");
        m_pPanel->SetViewport(MakeViewport(0, 0, 640, 480));
        return hr;
    }
    // Held for one frame of half a second, a button fires in that frame.
    void Press(Button button, int times = 1) {
        const float step = g_frameStep;
        g_frameStep = 0.5f;
        for (int i = 0; i < times; ++i) {
            m_pPanel->HitTest(kButtons[button][0], kButtons[button][1], 0);
        }
        g_frameStep = step;
    }
    int Tick(std::time_t seconds) {
        s_now += seconds;
        m_pPanel->Tick();
        return m_pPanel->Seconds();
    }
    // From a stopped 3:00 to `seconds`, with the buttons.
    void SetTo(int seconds) {
        Press(kMinusMinute, 3);
        Press(kPlusMinute, seconds / 60);
        Press(kPlusSecond, seconds % 60);
        ASSERT_EQ(m_pPanel->Seconds(), seconds);
    }
    void Draw() {
        InScene([&] { m_pPanel->Draw(m_pDevice); });
    }

    TimerPanel* m_pPanel = nullptr;  // made once the fake clock is in place
};

TEST_F(TimerPanelTest, StartPauseResetAndTheLimitsOfZeroAndThirtyMinutes) {
    EXPECT_EQ(m_pPanel->Seconds(), 180);
    Press(kStartPause);
    EXPECT_EQ(Tick(1), 179);
    Press(kStartPause);
    EXPECT_EQ(Tick(5), 179) << "paused";
    Press(kStartPause);
    Press(kReset);
    EXPECT_EQ(m_pPanel->Seconds(), 180);
    EXPECT_EQ(m_pPanel->Running(), 0);

    SetTo(30);
    Press(kMinusMinute);
    Press(kMinusSecond);
    EXPECT_EQ(m_pPanel->Seconds(), 0);
    SetTo(29 * 60 + 30);
    Press(kPlusMinute);
    EXPECT_EQ(m_pPanel->Seconds(), 1800);
    Press(kPlusSecond);
    EXPECT_EQ(m_pPanel->Seconds(), 1800);

    // Held, -1 s repeats every half second; two buttons due in one call both act.
    g_frameStep = 0.125f;
    for (int i = 0; i < 16; ++i) {
        m_pPanel->HitTest(kButtons[kMinusSecond][0], kButtons[kMinusSecond][1], 0);
    }
    EXPECT_EQ(m_pPanel->Seconds(), 1796);
    g_frameStep = 0.03f;
    m_pPanel->HitTest(kButtons[kMinusSecond][0], kButtons[kMinusSecond][1], 0);
    g_frameStep = 0.001f;
    m_pPanel->HitTest(kButtons[kMinusMinute][0], kButtons[kMinusMinute][1], 0);
    g_frameStep = 0.6f;
    m_pPanel->HitTest(0, 0, 0);
    EXPECT_EQ(m_pPanel->Seconds(), 1735);
}

// It counts on the wall clock, whatever the clock does, and rings while
// running at zero until paused, reset or given more time.
TEST_F(TimerPanelTest, CountsTheWallClockAndRingsAtZeroUntilPausedResetOrGivenMoreTime) {
    Press(kStartPause);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(Tick(0), 180) << "frames inside one second take nothing";
    }
    EXPECT_EQ(Tick(10), 170) << "a window frozen ten seconds loses them at once";
    // Set back an hour: nothing is added, and counting goes on from the new time.
    EXPECT_EQ(Tick(-3600), 170);
    EXPECT_EQ(Tick(1), 169);

    // A jump past zero stays below it until the next second, then rings.
    Press(kReset);
    SetTo(3);
    Press(kStartPause);
    EXPECT_EQ(Tick(5), -2);
    EXPECT_EQ(m_pPanel->Ringing(), 0);
    EXPECT_EQ(Tick(1), 0);
    EXPECT_EQ(m_pPanel->Ringing(), 1);

    Press(kPlusSecond);  // resumes the count-down
    Tick(0);
    EXPECT_EQ(m_pPanel->Ringing(), 0);
    EXPECT_EQ(Tick(1), 0);
    EXPECT_EQ(Tick(3), 0);
    EXPECT_EQ(m_pPanel->Ringing(), 1);
    Press(kStartPause);
    Tick(0);
    EXPECT_EQ(m_pPanel->Ringing(), 0) << "paused at zero";
    Press(kStartPause);
    Tick(0);
    EXPECT_EQ(m_pPanel->Ringing(), 1);
    Press(kReset);
    Tick(0);
    EXPECT_EQ(m_pPanel->Ringing(), 0);

    // Forward by years: the count ends instead of wrapping round.
    Press(kStartPause);
    EXPECT_LT(Tick(std::time_t(20) * 365 * 24 * 3600), 0);
    EXPECT_GE(m_pPanel->Seconds(), -TimerPanel::kMaxSeconds - 1);
}

TEST_F(TimerPanelTest, ResetStopsCountsFromNowAndLetsTheButtonsGrowInAgain) {
    Press(kStartPause);
    Tick(2);
    g_frameStep = 0.1f;
    m_pPanel->HitTest(kButtons[kPlusMinute][0], kButtons[kPlusMinute][1], 0);
    Draw();
    s_now += 100;
    m_pPanel->Reset();
    EXPECT_EQ(m_pPanel->Seconds(), 180);
    EXPECT_EQ(m_pPanel->Running(), 0);
    for (int i = 0; i < TimerPanel::kSlotCount; ++i) {
        EXPECT_EQ(m_pPanel->Slot(i).m_nPressed, 0);
        EXPECT_EQ(m_pPanel->Slot(i).m_fFade, 0.0f);
    }
    Press(kStartPause);
    EXPECT_EQ(Tick(0), 180) << "the seconds before the reset are not charged";
}

TEST_F(TimerPanelTest, DrawsTheSecondsAndBlinksWhileRinging) {
    SetTo(29 * 60 + 59);
    Draw();
    // The seconds field is written last.
    std::vector<OverlayVertex> secs = ReadVertices(m_pPanel->ReadOut().VertexBuffer(), 12);
    EXPECT_EQ(CellOf(&secs[0], 4, 3) * 10 + CellOf(&secs[6], 4, 3), 59);
    const D3DCOLOR steady = secs[0].color;

    Press(kReset);
    SetTo(1);
    Press(kStartPause);
    Tick(1);
    // Ringing, the read-out fades in and out once every 1.6 s: nearly opaque
    // in the middle, invisible where it starts again.
    g_frameStep = 0.25f;
    DWORD most = 0, least = 255;
    for (int i = 0; i < 7; ++i) {
        Draw();
        const DWORD alpha = ReadVertices(m_pPanel->ReadOut().VertexBuffer(), 1)[0].color >> 24;
        most = std::max(most, alpha);
        least = std::min(least, alpha);
    }
    EXPECT_GT(most, 0xF0u);
    EXPECT_EQ(least, 0u);
    Press(kStartPause);
    Tick(0);
    Draw();
    EXPECT_EQ(ReadVertices(m_pPanel->ReadOut().VertexBuffer(), 1)[0].color, steady) << "blinks while not ringing";
}

}  // namespace
