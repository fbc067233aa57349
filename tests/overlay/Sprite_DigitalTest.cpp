#include "overlay/Sprite_Digital.h"

#include <gtest/gtest.h>

#include "overlay/OverlayTestSupport.h"
#include "support/Capture.h"

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
    // The digit images a value was drawn with: {tens, ones}, or {-1, -1}
    // when nothing was drawn.
    std::pair<int, int> DrawnDigits(int value) {
        const size_t draws = m_pLog->DrawCount();
        EXPECT_EQ(m_pDevice->BeginScene(), D3D_OK);
        EXPECT_EQ(m_digits.DrawNumber(m_pDevice, 60, 50, 3, value, 0xFFFFFFFF), S_OK);
        m_pDevice->EndScene();
        if (m_pLog->DrawCount() == draws) {
            return {-1, -1};
        }
        std::vector<OverlayVertex> v = ReadVertices(m_digits.VertexBuffer(), 12);
        return {CellOf(&v[0], 4, 3), CellOf(&v[6], 4, 3)};
    }

    Sprite_Digital m_digits;
};

TEST_F(Sprite_DigitalTest, LoadReportsUnderItsOwnNameAndMakesRoomForTwoDigits) {
    {
        DebugCapture debug;
        MessageBoxCapture boxes;
        EXPECT_EQ(m_digits.Load(m_pDevice, "SpriteDigital01.dds"), E_FAIL);
        const std::string path = m_cwd.Path() + "/Texture/SpriteDigital01.dds";
        EXPECT_TRUE(debug.Contains("Sprite_Digital(72): loading texture for spritedigital..." + path)) << debug.All();
        EXPECT_TRUE(debug.Contains("Sprite_Digital(76): failed to load texture for spritedigital..." + path));
        EXPECT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(m_digits.DrawNumber(m_pDevice, 50, 50, 1, 42, 0xFFFFFFFF), S_OK);
        EXPECT_EQ(m_pLog->DrawCount(), 0u);
    }
    LoadDigits();
    D3DVERTEXBUFFER_DESC desc{};
    ASSERT_EQ(m_digits.VertexBuffer()->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Size, 336u);
    EXPECT_EQ(desc.FVF, 0x144u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
}

TEST_F(Sprite_DigitalTest, ValuesSplitIntoTwoDigitsWithALeadingZero) {
    LoadDigits();
    EXPECT_EQ(DrawnDigits(7), std::make_pair(0, 7));
    EXPECT_EQ(DrawnDigits(42), std::make_pair(4, 2));
    EXPECT_EQ(DrawnDigits(0), std::make_pair(0, 0));
    EXPECT_EQ(DrawnDigits(10), std::make_pair(1, 0));
    EXPECT_EQ(DrawnDigits(99), std::make_pair(9, 9));
    EXPECT_EQ(DrawnDigits(58), std::make_pair(5, 8));
    // Below zero shows 00; 100 and above draw nothing at all.
    EXPECT_EQ(DrawnDigits(-7), std::make_pair(0, 0));
    EXPECT_EQ(DrawnDigits(-42), std::make_pair(0, 0));
    EXPECT_EQ(DrawnDigits(100), std::make_pair(-1, -1));
    EXPECT_EQ(DrawnDigits(12345), std::make_pair(-1, -1));
}

TEST_F(Sprite_DigitalTest, OnesDigitIsCentredAndTheTensDigitOverlapsItFromTheLeft) {
    LoadDigits();
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    ASSERT_EQ(m_digits.DrawNumber(m_pDevice, 60, 50, 3, 58, 0x40FFFFFF), S_OK);
    m_pDevice->EndScene();
    std::vector<OverlayVertex> v = ReadVertices(m_digits.VertexBuffer(), 12);
    // Each digit 42 pixels square; ones at (384, 240), tens at (347.25, 240).
    const float centres[2] = {347.25f, 384.0f};
    for (int i = 0; i < 2; ++i) {
        const OverlayVertex* quad = &v[6 * i];
        EXPECT_NEAR((quad[0].x + quad[3].x) / 2, centres[i], 1e-3f) << i;
        EXPECT_NEAR((quad[0].y + quad[3].y) / 2, 240.0f, 1e-3f) << i;
        EXPECT_NEAR(quad[3].x - quad[0].x, 42.0f, 1e-3f) << i;
        EXPECT_NEAR(quad[3].y - quad[0].y, 42.0f, 1e-3f) << i;
        // The same two clockwise triangles as any sprite.
        EXPECT_EQ(quad[4].x, quad[2].x);
        EXPECT_EQ(quad[5].y, quad[1].y);
        EXPECT_EQ(quad[0].color, 0x40FFFFFFu);
        EXPECT_NEAR(quad[3].u - quad[0].u, 0.25f, 1e-6f);
        EXPECT_NEAR(quad[3].v - quad[0].v, 1 / 3.0f, 1e-6f);
    }
    ASSERT_EQ(m_pLog->DrawCount(), 1u);
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_uPrimitiveCount, 4u);
    EXPECT_EQ(m_pLog->FvfAtDraw(0), 0x144u);
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), m_digits.Texture());
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_LIGHTING), 0u);
    EXPECT_EQ(State(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(State(D3DRS_FOGENABLE), 1u);
    EXPECT_EQ(State(D3DRS_ALPHABLENDENABLE), 0u);
}

}  // namespace
