#include "overlay/ButtonBar.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/FrameValues.h"
#include "support/OverlayTestSupport.h"

namespace {

struct Point {
    float x, y;
};
// Centres in a full 512 x 384 viewport: exit, full screen, camera mode, timer panel.
constexpr Point kCentres[4] = {{435.2f, 61.44f}, {435.2f, 322.56f}, {76.8f, 322.56f}, {76.8f, 61.44f}};
constexpr Point kNowhere = {0.0f, 0.0f};

class ButtonBarTest : public OverlayRecordingTest {
protected:
    void SetUp() override {
        OverlayRecordingTest::SetUp();
        g_frameStep = 0.125f;  // exact in binary: four steps make the half second
        WriteSheet(m_cwd, "Bottun.dds", 2, 2, {});
        ASSERT_EQ(m_bar.Load(m_pDevice, "Bottun.dds"), S_OK);
        m_bar.SetViewport(MakeViewport(0, 0, 512, 384));
    }
    void TearDown() override {
        m_bar.ReleaseDeviceObjects();
        OverlayRecordingTest::TearDown();
    }
    std::vector<int> Run(const std::vector<Point>& points) {
        std::vector<int> results;
        for (const Point& p : points) {
            results.push_back(m_bar.HitTest(p.x, p.y, 0.0f));
        }
        return results;
    }

    ButtonBar m_bar;
};

TEST_F(ButtonBarTest, EachCornerButtonIs56PixelsAndFiresHalfASecondAfterAShortClick) {
    for (int slot = 0; slot < 4; ++slot) {
        SCOPED_TRACE(slot);
        const Point c = kCentres[slot];
        for (Point outside :
             {Point{c.x - 28.05f, c.y}, Point{c.x + 28.05f, c.y}, Point{c.x, c.y - 28.05f}, Point{c.x, c.y + 28.05f}}) {
            EXPECT_EQ(Run({outside, outside, outside, outside}), std::vector<int>(4, 0));
        }
        // One frame on a corner, then released: the press is latched.
        const Point inside = {c.x - 27.9f, c.y + 27.9f};
        EXPECT_EQ(Run({inside, kNowhere, kNowhere, kNowhere, kNowhere}), (std::vector<int>{0, 0, 0, slot + 1, 0}));
    }
}

TEST_F(ButtonBarTest, HeldClickRepeatsEveryHalfSecondAndTheLowerSlotWinsWhenTwoAreDue) {
    // Never drawn, as with the buttons hidden: the presses still fire.
    const std::vector<int> repeat = {0, 0, 0, ButtonBar::kFullScreen, 0, 0, 0, ButtonBar::kFullScreen};
    EXPECT_EQ(Run(std::vector<Point>(8, kCentres[1])), repeat);
    EXPECT_EQ(m_pLog->DrawCount(), 0u);

    // Timer (slot 3) pressed, then exit (slot 0) a moment later; one long frame makes both due.
    g_frameStep = 0.03f;
    m_bar.HitTest(kCentres[3].x, kCentres[3].y, 0);
    g_frameStep = 0.001f;
    m_bar.HitTest(kCentres[0].x, kCentres[0].y, 0);
    g_frameStep = 0.6f;
    EXPECT_EQ(m_bar.HitTest(kNowhere.x, kNowhere.y, 0), ButtonBar::kExit);
    // The timer press is kept; its clock did not run in the frame exit fired.
    EXPECT_EQ(m_bar.Slot(3).m_nPressed, 1);
    EXPECT_NEAR(m_bar.Slot(3).m_fPressTimer, 0.469f, 1e-5f);
    g_frameStep = 0.5f;
    EXPECT_EQ(m_bar.HitTest(kNowhere.x, kNowhere.y, 0), ButtonBar::kTimerPanel);
}

TEST_F(ButtonBarTest, ButtonsGrowInShrinkWhenPressedAndStayTranslucent) {
    // Width and alpha of the last button drawn (the sheet's buffer holds only slot 3's).
    auto drawFrame = [&](float step) {
        g_frameStep = step;
        InScene([&] { m_bar.Draw(m_pDevice); });
        std::vector<OverlayVertex> v = ReadVertices(m_bar.Sheet().VertexBuffer(), 6);
        return std::make_pair(v[3].x - v[0].x, v[0].color >> 24);
    };
    auto [width, alpha] = drawFrame(0.1f);
    EXPECT_EQ(m_pLog->DrawCount(), 4u);
    EXPECT_NEAR(width, 56.0f * 80.0f / 255.0f, 1e-3f);
    EXPECT_EQ(alpha, 80u);
    drawFrame(0.1f);
    drawFrame(0.1f);
    std::tie(width, alpha) = drawFrame(0.1f);
    EXPECT_NEAR(width, 56.0f, 1e-3f);
    EXPECT_EQ(alpha, 150u);  // never more opaque

    // A press jumps to full size at -255, then shrinks through nothing.
    g_frameStep = 0.01f;
    m_bar.HitTest(kCentres[3].x, kCentres[3].y, 0);
    std::tie(width, alpha) = drawFrame(0.01f);
    EXPECT_NEAR(width, 56.0f * 247.0f / 255.0f, 1e-3f);
    EXPECT_EQ(alpha, 150u);
    std::tie(width, alpha) = drawFrame(0.31f);  // -247 + 248
    EXPECT_NEAR(width, 56.0f / 255.0f, 1e-2f);
    EXPECT_EQ(alpha, 1u);
}

}  // namespace
