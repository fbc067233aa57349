#include "app/TimerPanel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "app/FrameValues.h"
#include "overlay/OverlayTestSupport.h"
#include "platform/kernel/Kernel.h"
#include "support/Capture.h"

namespace {

std::time_t s_now = 1000000;
std::time_t FakeWallClock() {
    return s_now;
}

struct Point {
    float x, y;
};
// Button centres in a 640 x 480 viewport: start/pause, reset, +1 s, -1 s, +1 min, -1 min.
constexpr Point kButtons[6] = {{256, 144}, {384, 144}, {371.2f, 312}, {403.2f, 312}, {236.8f, 312}, {268.8f, 312}};
enum Button { kStartPause, kReset, kPlusSecond, kMinusSecond, kPlusMinute, kMinusMinute };

class TimerPanelTest : public OverlayRecordingTest {
protected:
    void SetUp() override {
        OverlayRecordingTest::SetUp();
        kernel_hooks::SetWallClock(FakeWallClock);
        s_now = 1000000;
        g_blinkPhase = 0.0f;
        m_pPanel = new TimerPanel();
    }
    void TearDown() override {
        delete m_pPanel;
        kernel_hooks::SetWallClock(nullptr);
        OverlayRecordingTest::TearDown();
    }
    void WriteMedia(bool digits = true, bool buttons = true, bool frame = true) {
        if (digits) {
            WriteSheet(m_cwd, "SpriteDigital01.dds", 4, 3, {});
        }
        if (buttons) {
            WriteSheet(m_cwd, "BottunTimer01.dds", 2, 2, {});
        }
        if (frame) {
            WriteSheet(m_cwd, "Frame01.dds", 1, 1, {});
        }
    }
    HRESULT LoadPanel() {
        HRESULT hr = m_pPanel->Load(m_pDevice, "BottunTimer01.dds", "SpriteDigital01.dds", "Frame01.dds");
        m_pPanel->SetViewport(MakeViewport(0, 0, 640, 480));
        return hr;
    }
    void Load() {
        WriteMedia();
        ASSERT_EQ(LoadPanel(), S_OK);
    }
    // A press held for one frame of half a second: it fires in that frame.
    void Press(Button button, int times = 1) {
        const float step = g_frameStep;
        g_frameStep = 0.5f;
        for (int i = 0; i < times; ++i) {
            m_pPanel->HitTest(kButtons[button].x, kButtons[button].y, 0);
        }
        g_frameStep = step;
    }
    void Tick(std::time_t seconds) {
        s_now += seconds;
        m_pPanel->Tick();
    }
    // Brings a stopped panel from 3:00 to `seconds`.
    void SetTo(int seconds) {
        Press(kMinusMinute, 3);
        Press(kPlusMinute, seconds / 60);
        Press(kPlusSecond, seconds % 60);
        ASSERT_EQ(m_pPanel->Seconds(), seconds);
    }

    TimerPanel* m_pPanel = nullptr;  // made after the fake clock is in place
};

TEST_F(TimerPanelTest, LoadsReadOutThenButtonsThenFrameAndStopsAtTheFirstFailure) {
    {
        WriteMedia(false, true, true);
        DebugCapture debug;
        MessageBoxCapture boxes;
        EXPECT_EQ(LoadPanel(), E_FAIL);
        EXPECT_TRUE(debug.Contains("failed to load texture for spritedigital..."));
        EXPECT_FALSE(debug.Contains("loading texture for sprite..."));
        EXPECT_EQ(boxes.Boxes().size(), 1u);
    }
    {
        m_cwd.WriteFile("Texture/Frame01.dds", "");
        WriteMedia(true, true, false);
        DebugCapture debug;
        EXPECT_EQ(LoadPanel(), E_FAIL);
        EXPECT_TRUE(debug.Contains("failed to load texture for sprite..." + m_cwd.Path() + "/Texture/Frame01.dds"));
        // No buttons were placed: pressing where they would be does nothing.
        Press(kPlusMinute, 4);
        EXPECT_EQ(m_pPanel->Seconds(), 180);
    }
    WriteMedia();
    ASSERT_EQ(LoadPanel(), S_OK);
    for (int i = 0; i < TimerPanel::kSlotCount; ++i) {
        EXPECT_EQ(m_pPanel->Slot(i).m_nActive, 1) << i;
    }
    m_pPanel->ReleaseDeviceObjects();
    EXPECT_EQ(m_pPanel->ReadOut().Texture(), nullptr);
    EXPECT_EQ(m_pPanel->ButtonSheet().Texture(), nullptr);
    EXPECT_EQ(m_pPanel->Frame().VertexBuffer(), nullptr);
}

TEST_F(TimerPanelTest, StartPauseResetAndTheLimitsOfZeroAndThirtyMinutes) {
    Load();
    EXPECT_EQ(m_pPanel->Seconds(), 180);
    EXPECT_EQ(m_pPanel->Running(), 0);

    Press(kStartPause);
    EXPECT_EQ(m_pPanel->Running(), 1);
    Tick(1);
    EXPECT_EQ(m_pPanel->Seconds(), 179);
    Press(kStartPause);
    Tick(5);
    EXPECT_EQ(m_pPanel->Seconds(), 179) << "paused";
    Press(kStartPause);
    Press(kReset);
    EXPECT_EQ(m_pPanel->Seconds(), 180);
    EXPECT_EQ(m_pPanel->Running(), 0);

    SetTo(30);
    Press(kMinusMinute);
    EXPECT_EQ(m_pPanel->Seconds(), 0);
    Press(kMinusSecond);
    EXPECT_EQ(m_pPanel->Seconds(), 0);

    SetTo(29 * 60 + 30);
    Press(kPlusMinute);
    EXPECT_EQ(m_pPanel->Seconds(), 1800);
    Press(kPlusSecond);
    Press(kPlusMinute);
    EXPECT_EQ(m_pPanel->Seconds(), 1800);
    Press(kMinusSecond);
    EXPECT_EQ(m_pPanel->Seconds(), 1799);
}

TEST_F(TimerPanelTest, RingsAtZeroWhileRunningUntilPausedResetOrGivenMoreTime) {
    Load();
    SetTo(1);
    Press(kStartPause);
    Tick(0);
    EXPECT_EQ(m_pPanel->Ringing(), 0);
    Tick(1);
    EXPECT_EQ(m_pPanel->Seconds(), 0);
    EXPECT_EQ(m_pPanel->Ringing(), 1);

    // More time resumes the count-down.
    Press(kPlusSecond);
    Tick(0);
    EXPECT_EQ(m_pPanel->Ringing(), 0);
    EXPECT_EQ(m_pPanel->Running(), 1);
    Tick(1);
    EXPECT_EQ(m_pPanel->Ringing(), 1);
    // Staying at zero keeps ringing.
    Tick(3);
    EXPECT_EQ(m_pPanel->Seconds(), 0);
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
    EXPECT_EQ(m_pPanel->Seconds(), 180);
}

TEST_F(TimerPanelTest, CountsTheWallClockNotTheFrames) {
    Load();
    Press(kStartPause);
    // Many frames inside one wall-clock second take nothing off.
    g_frameStep = 0.03f;
    for (int i = 0; i < 100; ++i) {
        Tick(0);
    }
    EXPECT_EQ(m_pPanel->Seconds(), 180);
    // A window frozen for ten seconds loses them at its next tick.
    Tick(10);
    EXPECT_EQ(m_pPanel->Seconds(), 170);

    // A jump past zero goes below it for one second, then settles at zero and rings.
    Press(kReset);
    SetTo(3);
    Press(kStartPause);
    Tick(5);
    EXPECT_EQ(m_pPanel->Seconds(), -2);
    EXPECT_EQ(m_pPanel->Ringing(), 0);
    Tick(0);
    EXPECT_EQ(m_pPanel->Seconds(), -2);
    Tick(1);
    EXPECT_EQ(m_pPanel->Seconds(), 0);
    EXPECT_EQ(m_pPanel->Ringing(), 1);
}

TEST_F(TimerPanelTest, ClockSetBackOrFarForwardNeverAddsTimeOrOverflows) {
    Load();
    Press(kStartPause);
    Tick(1);
    ASSERT_EQ(m_pPanel->Seconds(), 179);
    // Set back an hour: nothing is added, and counting goes on from the new time.
    Tick(-3600);
    EXPECT_EQ(m_pPanel->Seconds(), 179);
    EXPECT_EQ(m_pPanel->Ringing(), 0);
    Tick(1);
    EXPECT_EQ(m_pPanel->Seconds(), 178);

    // Set forward by years: the count ends instead of wrapping to a large number.
    Tick(std::time_t(20) * 365 * 24 * 3600);
    EXPECT_LT(m_pPanel->Seconds(), 0);
    EXPECT_GE(m_pPanel->Seconds(), -TimerPanel::kMaxSeconds - 1);
    Tick(1);
    EXPECT_EQ(m_pPanel->Seconds(), 0);
    EXPECT_EQ(m_pPanel->Ringing(), 1);
}

TEST_F(TimerPanelTest, ResetStopsCountsFromNowAndLetsTheButtonsGrowInAgain) {
    Load();
    Press(kStartPause);
    Tick(2);
    g_frameStep = 0.1f;
    m_pPanel->HitTest(kButtons[kPlusMinute].x, kButtons[kPlusMinute].y, 0);  // pending press
    ASSERT_EQ(m_pPanel->Slot(kPlusMinute).m_nPressed, 1);

    s_now += 100;
    m_pPanel->Reset();
    EXPECT_EQ(m_pPanel->Seconds(), 180);
    EXPECT_EQ(m_pPanel->Running(), 0);
    EXPECT_EQ(m_pPanel->Ringing(), 0);
    for (int i = 0; i < TimerPanel::kSlotCount; ++i) {
        EXPECT_EQ(m_pPanel->Slot(i).m_nPressed, 0);
        EXPECT_EQ(m_pPanel->Slot(i).m_fFade, 0.0f);
        EXPECT_EQ(m_pPanel->Slot(i).m_fPressTimer, 0.0f);
    }
    // The hundred seconds before the reset are not charged to a new start.
    Press(kStartPause);
    Tick(0);
    EXPECT_EQ(m_pPanel->Seconds(), 180);
}

TEST_F(TimerPanelTest, HeldButtonsRepeatAndEveryDueButtonActsInOneCall) {
    Load();
    g_frameStep = 0.125f;
    for (int i = 0; i < 16; ++i) {
        m_pPanel->HitTest(kButtons[kPlusSecond].x, kButtons[kPlusSecond].y, 0);
    }
    EXPECT_EQ(m_pPanel->Seconds(), 184);

    // +1 s pressed, then +1 min a moment later; one long frame fires both.
    g_frameStep = 0.03f;
    m_pPanel->HitTest(kButtons[kPlusSecond].x, kButtons[kPlusSecond].y, 0);
    g_frameStep = 0.001f;
    m_pPanel->HitTest(kButtons[kPlusMinute].x, kButtons[kPlusMinute].y, 0);
    EXPECT_EQ(m_pPanel->Seconds(), 184);
    g_frameStep = 0.6f;
    m_pPanel->HitTest(0, 0, 0);
    EXPECT_EQ(m_pPanel->Seconds(), 245);
}

TEST_F(TimerPanelTest, DrawShowsFrameMinutesSecondsAndSixButtons) {
    Load();
    SetTo(29 * 60 + 59);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    ASSERT_EQ(m_pPanel->Draw(m_pDevice), S_OK);
    m_pDevice->EndScene();

    ASSERT_EQ(m_pLog->DrawCount(), 9u);
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), m_pPanel->Frame().Texture());
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_uPrimitiveCount, 2u);
    for (size_t i : {1u, 2u}) {
        EXPECT_EQ(m_pLog->TextureAtDraw(i, 0), m_pPanel->ReadOut().Texture());
        EXPECT_EQ(m_pLog->DrawAt(i).m_call.m_uPrimitiveCount, 4u);
    }
    for (size_t i = 3; i < 9; ++i) {
        EXPECT_EQ(m_pLog->TextureAtDraw(i, 0), m_pPanel->ButtonSheet().Texture());
    }

    // The frame: the whole image, 16 units square in the middle, translucent.
    std::vector<OverlayVertex> frame = ReadVertices(m_pPanel->Frame().VertexBuffer(), 6);
    EXPECT_NEAR(frame[0].x, 320.0f - 112.0f, 1e-3f);
    EXPECT_NEAR(frame[3].y, 240.0f + 112.0f, 1e-3f);
    EXPECT_EQ(frame[0].u, 0.0f);
    EXPECT_EQ(frame[3].v, 1.0f);
    EXPECT_EQ(frame[0].color, 0x96FFFFFFu);

    // The seconds field, drawn last: 59 centred on (60 %, 50 %), size 3.
    std::vector<OverlayVertex> secs = ReadVertices(m_pPanel->ReadOut().VertexBuffer(), 12);
    EXPECT_EQ(CellOf(&secs[0], 4, 3), 5);
    EXPECT_EQ(CellOf(&secs[6], 4, 3), 9);
    EXPECT_NEAR((secs[6].x + secs[9].x) / 2, 384.0f, 1e-3f);
    EXPECT_EQ(secs[0].color, 0xC8FFFFFFu);
    EXPECT_EQ(g_blinkPhase, 0.0f);
}

TEST_F(TimerPanelTest, RingingReadOutBlinksOverHalfAPeriodOfTheSine) {
    Load();
    SetTo(1);
    Press(kStartPause);
    Tick(1);
    ASSERT_EQ(m_pPanel->Ringing(), 1);

    g_frameStep = 0.25f;
    std::vector<DWORD> alphas;
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
        m_pPanel->Draw(m_pDevice);
        m_pDevice->EndScene();
        std::vector<OverlayVertex> v = ReadVertices(m_pPanel->ReadOut().VertexBuffer(), 1);
        EXPECT_EQ(v[0].color & 0xFFFFFF, 0xFFFFFFu);
        alphas.push_back(v[0].color >> 24);
    }
    // Phase 0.5, 1.0 ... 3.0, then past pi it starts again from 0.
    std::vector<DWORD> expected;
    for (float phase : {0.5f, 1.0f, 1.5f, 2.0f, 2.5f, 3.0f, 0.0f, 0.5f}) {
        expected.push_back(DWORD(int(std::sin(phase) * 255.0f)) & 0xFF);
    }
    EXPECT_EQ(alphas, expected);
    EXPECT_EQ(expected[1], 214u);  // sin 1 = 0.84: the formula itself
    EXPECT_NEAR(g_blinkPhase, 0.5f, 1e-6f);

    // Stopping the ring stops the phase and restores the steady colour.
    Press(kStartPause);
    Tick(0);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    m_pPanel->Draw(m_pDevice);
    m_pDevice->EndScene();
    EXPECT_NEAR(g_blinkPhase, 0.5f, 1e-6f);
    EXPECT_EQ(ReadVertices(m_pPanel->ReadOut().VertexBuffer(), 1)[0].color, 0xC8FFFFFFu);
}

}  // namespace
