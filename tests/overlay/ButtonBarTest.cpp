#include "overlay/ButtonBar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "framework/FrameStep.h"
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

TEST_F(ButtonBarTest, EachCornerButtonFiresItsOwnNumberHalfASecondAfterAShortClick) {
    for (int slot = 0; slot < 4; ++slot) {
        SCOPED_TRACE(slot);
        // One frame on the button, then released: the press is latched.
        EXPECT_EQ(Run({kCentres[slot], kNowhere, kNowhere, kNowhere, kNowhere}),
                  (std::vector<int>{0, 0, 0, slot + 1, 0}));
    }
    EXPECT_EQ(Run(std::vector<Point>(5, kNowhere)), std::vector<int>(5, 0));
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
    // The timer press is kept for the next frame.
    EXPECT_EQ(m_bar.HitTest(kNowhere.x, kNowhere.y, 0), ButtonBar::kTimerPanel);
}

// The buttons fade in growing, never more opaque than at full size; a press
// makes one shrink to almost nothing before it grows back.
TEST_F(ButtonBarTest, ButtonsGrowInShrinkWhenPressedAndStayTranslucent) {
    // Width and alpha of the last button drawn (the sheet's buffer holds only slot 3's).
    auto drawFrame = [&](float step) {
        g_frameStep = step;
        InScene([&] { m_bar.Draw(m_pDevice); });
        std::vector<OverlayVertex> v = ReadVertices(m_bar.Sheet().VertexBuffer(), 6);
        return std::make_pair(v[3].x - v[0].x, v[0].color >> 24);
    };
    const auto [first, firstAlpha] = drawFrame(0.1f);
    EXPECT_EQ(m_pLog->DrawCount(), 4u);
    const auto [full, fullAlpha] = drawFrame(1.0f);
    EXPECT_LT(first, full);
    EXPECT_LT(firstAlpha, fullAlpha);
    EXPECT_EQ(drawFrame(1.0f), std::make_pair(full, fullAlpha)) << "grown to its size";

    g_frameStep = 0.01f;
    m_bar.HitTest(kCentres[3].x, kCentres[3].y, 0);
    float smallest = full;
    float last = full;
    for (int frame = 0; frame < 30; ++frame) {
        const auto [width, alpha] = drawFrame(0.05f);
        EXPECT_LE(alpha, fullAlpha);
        smallest = std::min(smallest, width);
        last = width;
    }
    EXPECT_LT(smallest, full / 10.0f);
    EXPECT_FLOAT_EQ(last, full);
}

}  // namespace
