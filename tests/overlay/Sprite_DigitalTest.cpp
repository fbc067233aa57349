#include "overlay/Sprite_Digital.h"

#include <gtest/gtest.h>

#include "support/Capture.h"
#include "support/OverlayTestSupport.h"

namespace {

class Sprite_DigitalTest : public OverlayRecordingTest {
protected:
    void TearDown() override {
        m_digits.ReleaseDeviceObjects();
        OverlayRecordingTest::TearDown();
    }
    void LoadDigits() {
        WriteSheet(m_cwd, "SpriteDigital01.dds", 4, 3, {});
        ASSERT_EQ(m_digits.Load(m_pDevice, "SpriteDigital01.dds"), S_OK);
        m_digits.SetViewport(MakeViewport(0, 0, 640, 480));
    }
    // The digit images drawn for `value`, tens then ones, as a number (7 -> 7,
    // "00" -> 0); -1 when nothing was drawn.
    int DrawnDigits(int value) {
        const size_t draws = m_pLog->DrawCount();
        InScene([&] { m_digits.DrawNumber(m_pDevice, 60, 50, 3, value, 0xFFFFFFFF); });
        if (m_pLog->DrawCount() == draws) {
            return -1;
        }
        std::vector<OverlayVertex> v = ReadVertices(m_digits.VertexBuffer(), 12);
        return CellOf(&v[0], 4, 3) * 10 + CellOf(&v[6], 4, 3);
    }

    Sprite_Digital m_digits;
};

TEST_F(Sprite_DigitalTest, ValuesSplitIntoTwoDigitsWithALeadingZeroTheTensOverlappingTheCentredOnes) {
    {
        DebugCapture debug;
        EXPECT_EQ(m_digits.Load(m_pDevice, "SpriteDigital01.dds"), E_FAIL);
        EXPECT_TRUE(debug.Contains("Sprite_Digital(72): loading texture for spritedigital..." + m_cwd.Path()));
        EXPECT_TRUE(debug.Contains("Sprite_Digital(76): failed to load texture for spritedigital..."));
    }
    LoadDigits();
    for (int value : {7, 42, 0, 10, 99, 58}) {
        EXPECT_EQ(DrawnDigits(value), value);
    }
    EXPECT_EQ(DrawnDigits(-7), 0);  // below zero: 00
    EXPECT_EQ(DrawnDigits(-42), 0);
    EXPECT_EQ(DrawnDigits(100), -1);  // nothing at all
    EXPECT_EQ(DrawnDigits(12345), -1);

    // The ones digit is centred and the tens digit overlaps it from the left.
    m_pLog->Clear();
    InScene([&] { m_digits.DrawNumber(m_pDevice, 60, 50, 3, 58, 0x40FFFFFF); });
    ASSERT_EQ(m_pLog->DrawCount(), 1u);
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_uPrimitiveCount, 4u);
    std::vector<OverlayVertex> v = ReadVertices(m_digits.VertexBuffer(), 12);
    // Each digit 42 pixels square; tens at (347.25, 240), ones at (384, 240).
    const float centres[2] = {347.25f, 384.0f};
    for (int i = 0; i < 2; ++i) {
        const OverlayVertex* quad = &v[size_t(6 * i)];
        EXPECT_NEAR((quad[0].x + quad[3].x) / 2, centres[i], 1e-3f) << i;
        EXPECT_NEAR((quad[0].y + quad[3].y) / 2, 240.0f, 1e-3f) << i;
        EXPECT_NEAR(quad[3].x - quad[0].x, 42.0f, 1e-3f) << i;
        EXPECT_NEAR(quad[3].y - quad[0].y, 42.0f, 1e-3f) << i;
        EXPECT_EQ(quad[0].color, 0x40FFFFFFu);
    }
}

}  // namespace
