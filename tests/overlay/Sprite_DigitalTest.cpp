#include "overlay/Sprite_Digital.h"

#include <gtest/gtest.h>

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
    LoadDigits();
    for (int value : {7, 42, 0, 10, 99, 58}) {
        EXPECT_EQ(DrawnDigits(value), value);
    }
    EXPECT_EQ(DrawnDigits(-7), 0);  // below zero: 00
    EXPECT_EQ(DrawnDigits(-42), 0);
    EXPECT_EQ(DrawnDigits(100), -1);  // nothing at all
    EXPECT_EQ(DrawnDigits(12345), -1);

    // The ones digit is centred on the point (60 % across), the tens digit
    // overlaps it from the left by an eighth of a digit.
    DrawnDigits(58);
    std::vector<OverlayVertex> v = ReadVertices(m_digits.VertexBuffer(), 12);
    const float width = v[9].x - v[6].x;
    EXPECT_NEAR((v[6].x + v[9].x) / 2, 384.0f, 1e-3f);
    EXPECT_NEAR(v[6].x - v[0].x, width * 7.0f / 8.0f, 1e-3f);
}

}  // namespace
