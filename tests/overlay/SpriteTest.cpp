#include "overlay/Sprite.h"

#include <gtest/gtest.h>

#include <cmath>

#include "overlay/OverlayTestSupport.h"
#include "support/Capture.h"

namespace {

constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kGreen = 0xFF00FF00;
constexpr DWORD kBlue = 0xFF0000FF;
constexpr DWORD kYellow = 0xFFFFFF00;

class SpriteTest : public OverlayRecordingTest {
protected:
    void TearDown() override {
        m_sprite.ReleaseDeviceObjects();
        OverlayRecordingTest::TearDown();
    }
    void LoadSheet() {
        WriteSheet(m_cwd, "Sheet.dds", 2, 2, {kRed, kGreen, kBlue, kYellow});
        ASSERT_EQ(m_sprite.Load(m_pDevice, "Sheet.dds"), S_OK);
    }
    // Draws and reads back the six vertices written.
    std::vector<OverlayVertex> DrawAndRead(float x, float y, float size, int cell, int columns, int rows,
                                           D3DCOLOR color = 0x80FFFFFF) {
        EXPECT_EQ(m_sprite.Draw(m_pDevice, x, y, size, cell, columns, rows, color), S_OK);
        return ReadVertices(m_sprite.VertexBuffer(), 6);
    }

    Sprite m_sprite;
};

TEST_F(SpriteTest, LoadReportsItsStepsAndMakesAManagedBufferOfTwoTriangles) {
    {
        DebugCapture debug;
        MessageBoxCapture boxes;
        EXPECT_EQ(m_sprite.Load(m_pDevice, "Missing.dds"), E_FAIL);
        const std::string path = m_cwd.Path() + "/Texture/Missing.dds";
        EXPECT_TRUE(debug.Contains("Sprite(72): loading texture for sprite..." + path)) << debug.All();
        EXPECT_TRUE(debug.Contains("Sprite(76): failed to load texture for sprite..." + path)) << debug.All();
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(m_sprite.Texture(), nullptr);
        EXPECT_EQ(m_sprite.VertexBuffer(), nullptr);
        // Not loaded: drawing does nothing rather than writing through a null buffer.
        EXPECT_EQ(m_sprite.Draw(m_pDevice, 50, 50, 1, 0, 1, 1, 0xFFFFFFFF), S_OK);
        EXPECT_EQ(m_pLog->DrawCount(), 0u);
    }
    LoadSheet();
    ASSERT_NE(m_sprite.Texture(), nullptr);
    D3DVERTEXBUFFER_DESC desc{};
    ASSERT_EQ(m_sprite.VertexBuffer()->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Size, 168u);
    EXPECT_EQ(desc.FVF, 0x144u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(desc.Usage & D3DUSAGE_WRITEONLY, D3DUSAGE_WRITEONLY);

    // A second load replaces the first resources instead of leaking them.
    const size_t released = m_pLog->ReleasedResourceCount();
    LoadSheet();
    EXPECT_EQ(m_pLog->ReleasedResourceCount(), released + 2);
    m_sprite.ReleaseDeviceObjects();
    EXPECT_EQ(m_sprite.Texture(), nullptr);
    EXPECT_EQ(m_sprite.VertexBuffer(), nullptr);
}

TEST_F(SpriteTest, SquareFollowsTheViewportInPercentAndSpriteUnits) {
    LoadSheet();
    struct Case {
        D3DVIEWPORT8 viewport;
        float x, y, size;
        float left, top, right, bottom;
    };
    const Case cases[] = {
        // One unit is 14 pixels at the 640 x 480 reference.
        {MakeViewport(0, 0, 640, 480), 50, 50, 1, 313, 233, 327, 247},
        // 512 x 384: centred at (256, 192), 11.2 pixels wide.
        {MakeViewport(0, 0, 512, 384), 50, 50, 1, 250.4f, 186.4f, 261.6f, 197.6f},
        // Framed view of 512 x 384: the sprite moves with the origin and shrinks.
        {MakeViewport(64, 48, 384, 288), 50, 50, 1, 251.8f, 187.8f, 260.2f, 196.2f},
        {MakeViewport(64, 48, 384, 288), 15, 16, 5, 100.6f, 73.08f, 142.6f, 115.08f},
        // Width and height scale separately.
        {MakeViewport(0, 0, 1280, 480), 10, 10, 2, 100, 34, 156, 62},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.viewport.Width << "x" << c.viewport.Height << " at " << c.x << "," << c.y);
        m_sprite.SetViewport(c.viewport);
        std::vector<OverlayVertex> v = DrawAndRead(c.x, c.y, c.size, 0, 1, 1);
        EXPECT_NEAR(v[0].x, c.left, 1e-3f);
        EXPECT_NEAR(v[0].y, c.top, 1e-3f);
        EXPECT_NEAR(v[3].x, c.right, 1e-3f);
        EXPECT_NEAR(v[3].y, c.bottom, 1e-3f);
        EXPECT_EQ(v[1].x, v[3].x);
        EXPECT_EQ(v[1].y, v[0].y);
        EXPECT_EQ(v[2].x, v[0].x);
        EXPECT_EQ(v[2].y, v[3].y);

        // The hit test covers the same square, its edges excluded.
        const float mx = (c.left + c.right) / 2;
        const float my = (c.top + c.bottom) / 2;
        EXPECT_EQ(m_sprite.HitTest(c.x, c.y, c.size, mx, my, 0), 1);
        EXPECT_EQ(m_sprite.HitTest(c.x, c.y, c.size, c.left + 0.05f, c.top + 0.05f, 0), 1);
        EXPECT_EQ(m_sprite.HitTest(c.x, c.y, c.size, c.right - 0.05f, c.bottom - 0.05f, 0), 1);
        EXPECT_EQ(m_sprite.HitTest(c.x, c.y, c.size, c.left - 0.05f, my, 0), 0);
        EXPECT_EQ(m_sprite.HitTest(c.x, c.y, c.size, c.right + 0.05f, my, 0), 0);
        EXPECT_EQ(m_sprite.HitTest(c.x, c.y, c.size, mx, c.top - 0.05f, 0), 0);
        EXPECT_EQ(m_sprite.HitTest(c.x, c.y, c.size, mx, c.bottom + 0.05f, 0), 0);
    }
}

TEST_F(SpriteTest, APointExactlyOnTheEdgeIsOutside) {
    LoadSheet();
    m_sprite.SetViewport(MakeViewport(0, 0, 640, 480));
    // The edges where the draw puts them, rounding included.
    std::vector<OverlayVertex> v = DrawAndRead(50, 50, 1, 0, 1, 1);
    const float left = v[0].x, top = v[0].y, right = v[3].x, bottom = v[3].y;
    EXPECT_EQ(m_sprite.HitTest(50, 50, 1, left, 240, 0), 0);
    EXPECT_EQ(m_sprite.HitTest(50, 50, 1, right, 240, 0), 0);
    EXPECT_EQ(m_sprite.HitTest(50, 50, 1, 320, top, 0), 0);
    EXPECT_EQ(m_sprite.HitTest(50, 50, 1, 320, bottom, 0), 0);
    EXPECT_EQ(m_sprite.HitTest(50, 50, 1, std::nextafter(left, 1000.0f), std::nextafter(top, 1000.0f), 0), 1);
    EXPECT_EQ(m_sprite.HitTest(50, 50, 1, std::nextafter(right, 0.0f), std::nextafter(bottom, 0.0f), 0), 1);
    // z plays no part.
    EXPECT_EQ(m_sprite.HitTest(50, 50, 1, 320, 240, -1000.0f), 1);
}

TEST_F(SpriteTest, CellsPickTheirPartOfTheSheet) {
    LoadSheet();
    m_sprite.SetViewport(MakeViewport(0, 0, 640, 480));
    struct Case {
        int cell, columns, rows;
        float u0, v0, u1, v1;
    };
    const Case cases[] = {
        {3, 2, 2, 0.5f, 0.5f, 1.0f, 1.0f},   // lower right quarter
        {1, 2, 2, 0.5f, 0.0f, 1.0f, 0.5f},   // upper right
        {1, 1, 1, 0.0f, 0.0f, 1.0f, 1.0f},   // no cell 1: the whole texture
        {4, 2, 2, 0.0f, 0.0f, 0.5f, 0.5f},   // past the sheet: the first cell
        {-1, 2, 2, 0.0f, 0.0f, 0.5f, 0.5f},  // negative: the first cell
        {6, 4, 3, 0.5f, 1 / 3.0f, 0.75f, 2 / 3.0f},
        {0, 0, -2, 0.0f, 0.0f, 1.0f, 1.0f},  // columns and rows below 1 count as 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "cell " << c.cell << " of " << c.columns << "x" << c.rows);
        std::vector<OverlayVertex> v = DrawAndRead(50, 50, 1, c.cell, c.columns, c.rows);
        EXPECT_NEAR(v[0].u, c.u0, 1e-6f);
        EXPECT_NEAR(v[0].v, c.v0, 1e-6f);
        EXPECT_NEAR(v[1].u, c.u1, 1e-6f);
        EXPECT_NEAR(v[1].v, c.v0, 1e-6f);
        EXPECT_NEAR(v[2].u, c.u0, 1e-6f);
        EXPECT_NEAR(v[2].v, c.v1, 1e-6f);
        EXPECT_NEAR(v[3].u, c.u1, 1e-6f);
        EXPECT_NEAR(v[3].v, c.v1, 1e-6f);
    }
}

TEST_F(SpriteTest, DrawIsTwoClockwiseTrianglesBlendedWithoutLightOrFogAndRestoresTheSceneStates) {
    LoadSheet();
    m_sprite.SetViewport(MakeViewport(0, 0, 640, 480));
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    std::vector<OverlayVertex> v = DrawAndRead(50, 50, 1, 0, 2, 2, 0x7F102030);
    m_pDevice->EndScene();

    // first, second, third, fourth, third, second
    const int corner[6] = {0, 1, 2, 3, 2, 1};
    const float expectX[4] = {313, 327, 313, 327};
    const float expectY[4] = {233, 233, 247, 247};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(v[i].x, expectX[corner[i]], 1e-4f) << i;
        EXPECT_NEAR(v[i].y, expectY[corner[i]], 1e-4f) << i;
        EXPECT_EQ(v[i].z, 0.0f);
        EXPECT_EQ(v[i].rhw, 1.0f);
        EXPECT_EQ(v[i].color, 0x7F102030u);
    }

    ASSERT_EQ(m_pLog->DrawCount(), 1u);
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_uPrimitiveCount, 2u);
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_uStartVertex, 0u);
    EXPECT_EQ(m_pLog->FvfAtDraw(0), 0x144u);
    EXPECT_EQ(m_pLog->StrideAtDraw(0), 28u);
    EXPECT_EQ(m_pLog->StreamAtDraw(0), m_sprite.VertexBuffer());
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), m_sprite.Texture());
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_LIGHTING), 0u);
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_FOGENABLE), 0u);
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(State(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(State(D3DRS_FOGENABLE), 1u);
    EXPECT_EQ(State(D3DRS_ALPHABLENDENABLE), 0u);
}

}  // namespace
