#include "overlay/ButtonBar.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "app/FrameValues.h"
#include "overlay/OverlayTestSupport.h"
#include "support/Capture.h"

namespace {

struct Point {
    float x, y;
};

// Centres of the four buttons in a full 512 x 384 viewport, in slot order:
// exit, full screen, camera mode, timer panel.
constexpr Point kCentres[4] = {{435.2f, 61.44f}, {435.2f, 322.56f}, {76.8f, 322.56f}, {76.8f, 61.44f}};
constexpr Point kNowhere = {0.0f, 0.0f};

class ButtonBarTest : public OverlayRecordingTest {
protected:
    void SetUp() override {
        OverlayRecordingTest::SetUp();
        g_frameStep = 0.125f;  // exact in binary: four steps make the half second
    }
    void TearDown() override {
        m_bar.ReleaseDeviceObjects();
        OverlayRecordingTest::TearDown();
    }
    void Load() {
        WriteSheet(m_cwd, "Bottun.dds", 2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00});
        ASSERT_EQ(m_bar.Load(m_pDevice, "Bottun.dds"), S_OK);
        m_bar.SetViewport(MakeViewport(0, 0, 512, 384));
    }
    // Runs the hit test once per point and returns its results.
    std::vector<int> Run(const std::vector<Point>& points) {
        std::vector<int> results;
        for (const Point& p : points) {
            results.push_back(m_bar.HitTest(p.x, p.y, 0.0f));
        }
        return results;
    }

    ButtonBar m_bar;
};

TEST_F(ButtonBarTest, FailedSheetLeavesNoButtons) {
    MessageBoxCapture boxes;
    EXPECT_EQ(m_bar.Load(m_pDevice, "Bottun.dds"), E_FAIL);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    m_bar.SetViewport(MakeViewport(0, 0, 512, 384));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(m_bar.HitTest(kCentres[0].x, kCentres[0].y, 0), 0);
    }
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    m_bar.Draw(m_pDevice);
    m_pDevice->EndScene();
    EXPECT_EQ(m_pLog->DrawCount(), 0u);
}

TEST_F(ButtonBarTest, EachCornerButtonIs56PixelsAndFiresItsOwnResultHalfASecondAfterThePress) {
    Load();
    for (int slot = 0; slot < 4; ++slot) {
        SCOPED_TRACE(slot);
        const Point c = kCentres[slot];
        // Just beyond the 28-pixel half width on each side nothing is pressed.
        for (Point outside :
             {Point{c.x - 28.05f, c.y}, Point{c.x + 28.05f, c.y}, Point{c.x, c.y - 28.05f}, Point{c.x, c.y + 28.05f}}) {
            EXPECT_EQ(Run({outside, outside, outside, outside, outside}), std::vector<int>(5, 0));
        }
        // Just inside a corner it is: latched, it fires on the fourth frame of 0.125 s.
        const Point inside = {c.x - 27.9f, c.y + 27.9f};
        EXPECT_EQ(Run({inside, kNowhere, kNowhere, kNowhere, kNowhere}), (std::vector<int>{0, 0, 0, slot + 1, 0}));
        EXPECT_EQ(m_bar.Slot(slot).m_nPressed, 0);
    }
}

TEST_F(ButtonBarTest, HeldClickRepeatsEveryHalfSecondAndHoveringWithoutTheButtonDoesNothing) {
    Load();
    const Point plus = kCentres[1];
    std::vector<int> results = Run(std::vector<Point>(16, plus));
    std::vector<int> expected(16, 0);
    for (int frame : {3, 7, 11, 15}) {
        expected[size_t(frame)] = ButtonBar::kFullScreen;
    }
    EXPECT_EQ(results, expected);
    // Never drawn (buttons hidden): the presses above still fired.
    EXPECT_EQ(m_pLog->DrawCount(), 0u);
}

TEST_F(ButtonBarTest, LowerSlotWinsWhenTwoAreDueAndTheOtherFiresInALaterFrame) {
    Load();
    // Press the timer button (slot 3), then slide onto exit (slot 0) a
    // moment later: both presses fall due in the same long frame.
    g_frameStep = 0.03f;
    EXPECT_EQ(m_bar.HitTest(kCentres[3].x, kCentres[3].y, 0), 0);
    g_frameStep = 0.001f;
    EXPECT_EQ(m_bar.HitTest(kCentres[0].x, kCentres[0].y, 0), 0);
    g_frameStep = 0.6f;
    EXPECT_EQ(m_bar.HitTest(kNowhere.x, kNowhere.y, 0), ButtonBar::kExit);
    // The timer press is kept, but its clock did not run in the frame exit fired.
    EXPECT_EQ(m_bar.Slot(3).m_nPressed, 1);
    EXPECT_NEAR(m_bar.Slot(3).m_fPressTimer, 0.469f, 1e-5f);
    g_frameStep = 0.5f;
    EXPECT_EQ(m_bar.HitTest(kNowhere.x, kNowhere.y, 0), ButtonBar::kTimerPanel);
    EXPECT_EQ(m_bar.HitTest(kNowhere.x, kNowhere.y, 0), 0);
}

TEST_F(ButtonBarTest, ButtonsGrowInShrinkWhenPressedAndStayTranslucent) {
    Load();
    // Width in pixels and colour of the last button drawn: the sheet's
    // buffer holds only that one (slot 3, the timer button).
    auto lastDrawn = [&]() {
        std::vector<OverlayVertex> v = ReadVertices(m_bar.Sheet().VertexBuffer(), 6);
        return std::make_pair(v[3].x - v[0].x, v[0].color);
    };
    auto drawAll = [&]() {
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
        m_bar.Draw(m_pDevice);
        m_pDevice->EndScene();
    };

    g_frameStep = 0.1f;
    drawAll();
    EXPECT_EQ(m_pLog->DrawCount(), 4u);
    auto [width, colour] = lastDrawn();
    EXPECT_NEAR(width, 56.0f * 80.0f / 255.0f, 1e-3f);
    EXPECT_EQ(colour, 0x50FFFFFFu);  // alpha 80

    // Fully grown: full size but never more opaque than 150.
    for (int i = 0; i < 3; ++i) {
        drawAll();
    }
    std::tie(width, colour) = lastDrawn();
    EXPECT_NEAR(width, 56.0f, 1e-3f);
    EXPECT_EQ(colour, 0x96FFFFFFu);
    EXPECT_EQ(m_bar.Slot(3).m_fFade, 255.0f);

    // A press jumps to full size at -255 and shrinks through nothing.
    g_frameStep = 0.01f;
    m_bar.HitTest(kCentres[3].x, kCentres[3].y, 0);
    EXPECT_EQ(m_bar.Slot(3).m_fFade, -255.0f);
    drawAll();
    std::tie(width, colour) = lastDrawn();
    EXPECT_NEAR(width, 56.0f * 247.0f / 255.0f, 1e-3f);
    EXPECT_EQ(colour, 0x96FFFFFFu);
    g_frameStep = 0.31f;  // -247 + 248 = 1
    drawAll();
    std::tie(width, colour) = lastDrawn();
    EXPECT_NEAR(width, 56.0f * 1.0f / 255.0f, 1e-2f);
    EXPECT_EQ(colour >> 24, 1u);
    EXPECT_EQ(m_pLog->DrawAt(m_pLog->DrawCount() - 1).m_call.m_uPrimitiveCount, 2u);
}

}  // namespace
