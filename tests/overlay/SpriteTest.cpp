#include "overlay/Sprite.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/Capture.h"
#include "support/OverlayTestSupport.h"

namespace {

class SpriteTest : public OverlayRecordingTest {
protected:
    void TearDown() override {
        m_sprite.ReleaseDeviceObjects();
        OverlayRecordingTest::TearDown();
    }
    void LoadSheet() {
        WriteSheet(m_cwd, "Sheet.dds", 2, 2, {});
        ASSERT_EQ(m_sprite.Load(m_pDevice, "Sheet.dds"), S_OK);
    }
    std::vector<OverlayVertex> DrawAndRead(float x, float y, float size, int cell, int columns, int rows,
                                           D3DCOLOR color = 0x7F102030) {
        InScene([&] { EXPECT_EQ(m_sprite.Draw(m_pDevice, x, y, size, cell, columns, rows, color), S_OK); });
        return ReadVertices(m_sprite.VertexBuffer(), 6);
    }

    Sprite m_sprite;
};

// How the sheet looks on the screen is probed by the overlay render test;
// here what it cannot see: failures, the states left behind and the cells.
TEST_F(SpriteTest, AMissingSheetIsReportedAndTheDrawLeavesTheScenesStatesAsItFoundThem) {
    {
        MessageBoxCapture boxes;
        EXPECT_EQ(m_sprite.Load(m_pDevice, "Missing.dds"), E_FAIL);
        EXPECT_TRUE(boxes.AnyContains("failed to load texture for sprite..." + m_cwd.Path() + "/Texture/Missing.dds"));
        // Not loaded: drawing does nothing rather than writing through a null buffer.
        EXPECT_EQ(m_sprite.Draw(m_pDevice, 50, 50, 1, 0, 1, 1, 0xFFFFFFFF), S_OK);
    }
    LoadSheet();
    LoadSheet();  // a second load replaces the first resources: the teardown finds no leak
    m_sprite.SetViewport(MakeViewport(0, 0, 640, 480));
    DrawAndRead(50, 50, 1, 0, 2, 2);
    ASSERT_EQ(m_pLog->DrawCount(), 1u);
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_LIGHTING) + m_pLog->RenderStateAtDraw(0, D3DRS_FOGENABLE), 0u);
    EXPECT_EQ(State(D3DRS_LIGHTING) + State(D3DRS_FOGENABLE), 2u);
    EXPECT_EQ(State(D3DRS_ALPHABLENDENABLE), 0u);
}

// A click lands on the button where it is drawn: x and y are percentages of
// the viewport, and the drawn edges are just outside the hit test.
TEST_F(SpriteTest, TheSquareCentresOnItsPercentagesOfTheViewportAndItsEdgesBoundTheHitTest) {
    LoadSheet();
    struct Case {
        D3DVIEWPORT8 viewport;
        float x, y, size;
    };
    const Case cases[] = {
        {MakeViewport(64, 48, 384, 288), 15, 16, 5},  // framed view
        {MakeViewport(0, 0, 1280, 480), 10, 10, 2},   // width and height scale apart
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.viewport.Width << " x " << c.viewport.Height);
        m_sprite.SetViewport(c.viewport);
        std::vector<OverlayVertex> v = DrawAndRead(c.x, c.y, c.size, 0, 1, 1);
        const float l = v[0].x, t = v[0].y, r = v[3].x, b = v[3].y, mx = (l + r) / 2, my = (t + b) / 2;
        EXPECT_NEAR(mx, float(c.viewport.X) + c.x * float(c.viewport.Width) / 100.0f, 1e-3f);
        EXPECT_NEAR(my, float(c.viewport.Y) + c.y * float(c.viewport.Height) / 100.0f, 1e-3f);
        EXPECT_NEAR((r - l) / (b - t), (float(c.viewport.Width) / 640.0f) / (float(c.viewport.Height) / 480.0f), 1e-4f);
        auto hit = [&](float px, float py) { return m_sprite.HitTest(c.x, c.y, c.size, px, py, -1000.0f); };
        EXPECT_EQ(hit(mx, my), 1);
        EXPECT_EQ(hit(std::nextafter(l, r), std::nextafter(t, b)), 1);
        EXPECT_EQ(hit(std::nextafter(r, l), std::nextafter(b, t)), 1);
        EXPECT_EQ(hit(l, my) + hit(r, my) + hit(mx, t) + hit(mx, b), 0);
    }
}

TEST_F(SpriteTest, CellsPickTheirPartOfTheSheet) {
    LoadSheet();
    m_sprite.SetViewport(MakeViewport(0, 0, 640, 480));
    struct Case {
        int cell, columns, rows;
        float u0, v0, u1, v1;
    };
    const Case cases[] = {
        {6, 4, 3, 0.5f, 1 / 3.0f, 0.75f, 2 / 3.0f},
        {4, 2, 2, 0, 0, 0.5f, 0.5f},  // no such cell: the first
        {-1, 2, 2, 0, 0, 0.5f, 0.5f},
        {0, 0, -2, 0, 0, 1, 1},  // columns and rows below 1 count as 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "cell " << c.cell << " of " << c.columns << " x " << c.rows);
        std::vector<OverlayVertex> v = DrawAndRead(50, 50, 1, c.cell, c.columns, c.rows);
        const float u[4] = {c.u0, c.u1, c.u0, c.u1};
        const float w[4] = {c.v0, c.v0, c.v1, c.v1};
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(v[k].u, u[k], 1e-6f);
            EXPECT_NEAR(v[k].v, w[k], 1e-6f);
        }
    }
}

}  // namespace
