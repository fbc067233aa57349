#include "overlay/MainFrame.h"

#include <gtest/gtest.h>

#include <cmath>

#include "overlay/OverlayTestSupport.h"
#include "support/Capture.h"

namespace {

class MainFrameTest : public OverlayRecordingTest {
protected:
    void TearDown() override {
        m_frame.ReleaseDeviceObjects();
        OverlayRecordingTest::TearDown();
    }

    MainFrame m_frame;
};

TEST_F(MainFrameTest, LoadNamesNoModuleAndMakesABufferForFourBands) {
    {
        DebugCapture debug;
        MessageBoxCapture boxes;
        EXPECT_EQ(m_frame.Load(m_pDevice, "MainFrame01.dds"), E_FAIL);
        const std::string path = m_cwd.Path() + "/Texture/MainFrame01.dds";
        ASSERT_FALSE(debug.Records().empty());
        // No module and no line: the record starts with the message itself.
        EXPECT_EQ(debug.Records().front().rfind("loading texture for MainFrame..." + path, 0), 0u) << debug.All();
        EXPECT_TRUE(debug.Contains("failed to load texture for MainFrame..." + path));
        EXPECT_EQ(boxes.Boxes().size(), 1u);
        m_frame.SetViewport(MakeViewport(0, 0, 512, 384));
        EXPECT_EQ(m_frame.Draw(m_pDevice), S_OK);
        EXPECT_EQ(m_pLog->DrawCount(), 0u);
    }
    WriteSheet(m_cwd, "MainFrame01.dds", 1, 1, {0xFFFFFFFF});
    ASSERT_EQ(m_frame.Load(m_pDevice, "MainFrame01.dds"), S_OK);
    D3DVERTEXBUFFER_DESC desc{};
    ASSERT_EQ(m_frame.VertexBuffer()->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Size, 672u);
    EXPECT_EQ(desc.FVF, 0x144u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
}

TEST_F(MainFrameTest, BandsCoverTheOuterTenthOfTheFramedViewportAndShowTheImagesOuterTenth) {
    WriteSheet(m_cwd, "MainFrame01.dds", 1, 1, {0xFFFFFFFF});
    ASSERT_EQ(m_frame.Load(m_pDevice, "MainFrame01.dds"), S_OK);
    // The framed view of a 512 x 384 back buffer.
    m_frame.SetViewport(MakeViewport(64, 48, 384, 288));
    struct Rect {
        float left, top, right, bottom, u0, v0, u1, v1;
    };
    const Rect bands[4] = {
        {64, 48, 448, 76.8f, 0, 0, 1, 0.1f},                // top
        {64, 307.2f, 448, 336, 0, 0.9f, 1, 1},              // bottom
        {64, 76.8f, 102.4f, 307.2f, 0, 0.1f, 0.1f, 0.9f},   // left
        {409.6f, 76.8f, 448, 307.2f, 0.9f, 0.1f, 1, 0.9f},  // right
    };

    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    ASSERT_EQ(m_frame.Draw(m_pDevice), S_OK);
    m_pDevice->EndScene();
    std::vector<OverlayVertex> v = ReadVertices(m_frame.VertexBuffer(), 24);
    for (int b = 0; b < 4; ++b) {
        SCOPED_TRACE(b);
        const Rect& r = bands[b];
        // Corners clockwise from the top left, as two triangles 1 2 3, 3 4 1.
        const float x[4] = {r.left, r.right, r.right, r.left};
        const float y[4] = {r.top, r.top, r.bottom, r.bottom};
        const float u[4] = {r.u0, r.u1, r.u1, r.u0};
        const float vv[4] = {r.v0, r.v0, r.v1, r.v1};
        const int order[6] = {0, 1, 2, 2, 3, 0};
        for (int i = 0; i < 6; ++i) {
            const OverlayVertex& p = v[size_t(b * 6 + i)];
            const int k = order[i];
            EXPECT_NEAR(p.x, x[k], 1e-3f) << i;
            EXPECT_NEAR(p.y, y[k], 1e-3f) << i;
            EXPECT_NEAR(p.u, u[k], 1e-6f) << i;
            EXPECT_NEAR(p.v, vv[k], 1e-6f) << i;
            EXPECT_EQ(p.z, 0.0f);
            EXPECT_EQ(p.rhw, 1.0f);
            EXPECT_EQ(p.color, 0xFFFFFFFFu);
        }
    }
    ASSERT_EQ(m_pLog->DrawCount(), 1u);
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_uPrimitiveCount, 8u);
    EXPECT_EQ(m_pLog->FvfAtDraw(0), 0x144u);
    EXPECT_EQ(m_pLog->StrideAtDraw(0), 28u);
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), m_frame.Texture());
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(m_pLog->RenderStateAtDraw(0, D3DRS_FOGENABLE), 0u);
    EXPECT_EQ(State(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(State(D3DRS_ALPHABLENDENABLE), 0u);

    // A new viewport rebuilds the bands; an empty one gives empty bands, not NaN.
    m_frame.SetViewport(MakeViewport(0, 0, 0, 0));
    for (int b = 0; b < 4; ++b) {
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(m_frame.Corner(b, k).x, 0.0f);
            EXPECT_FALSE(std::isnan(m_frame.Corner(b, k).u));
            EXPECT_FALSE(std::isnan(m_frame.Corner(b, k).v));
        }
    }
}

}  // namespace
