#include "overlay/MainFrame.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/Capture.h"
#include "support/OverlayTestSupport.h"

namespace {

class MainFrameTest : public OverlayRecordingTest {
protected:
    void TearDown() override {
        m_frame.ReleaseDeviceObjects();
        OverlayRecordingTest::TearDown();
    }

    MainFrame m_frame;
};

TEST_F(MainFrameTest, BandsCoverTheOuterTenthOfTheFramedViewportWithTheImagesOuterTenth) {
    {
        DebugCapture debug;
        EXPECT_EQ(m_frame.Load(m_pDevice, "MainFrame01.dds"), E_FAIL);
        // No module and no line: the record starts with the message.
        ASSERT_FALSE(debug.Records().empty());
        EXPECT_EQ(debug.Records().front().rfind("loading texture for MainFrame..." + m_cwd.Path(), 0), 0u);
    }
    WriteSheet(m_cwd, "MainFrame01.dds", 1, 1, {});
    ASSERT_EQ(m_frame.Load(m_pDevice, "MainFrame01.dds"), S_OK);
    m_frame.SetViewport(MakeViewport(64, 48, 384, 288));  // framed view of 512 x 384
    InScene([&] { m_frame.Draw(m_pDevice); });
    ASSERT_EQ(m_pLog->DrawCount(), 1u);
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_uPrimitiveCount, 8u);

    struct Rect {
        float left, top, right, bottom, u0, v0, u1, v1;
    };
    const Rect bands[4] = {
        {64, 48, 448, 76.8f, 0, 0, 1, 0.1f},                // top
        {64, 307.2f, 448, 336, 0, 0.9f, 1, 1},              // bottom
        {64, 76.8f, 102.4f, 307.2f, 0, 0.1f, 0.1f, 0.9f},   // left
        {409.6f, 76.8f, 448, 307.2f, 0.9f, 0.1f, 1, 0.9f},  // right
    };
    std::vector<OverlayVertex> v = ReadVertices(m_frame.VertexBuffer(), 24);
    const int order[6] = {0, 1, 2, 2, 3, 0};  // corners clockwise from the top left, two triangles
    for (int b = 0; b < 4; ++b) {
        const Rect& r = bands[b];
        for (int i = 0; i < 6; ++i) {
            SCOPED_TRACE(testing::Message() << "band " << b << " vertex " << i);
            const OverlayVertex& p = v[size_t(b * 6 + i)];
            const bool right = order[i] == 1 || order[i] == 2;
            const bool bottom = order[i] >= 2;
            EXPECT_NEAR(p.x, right ? r.right : r.left, 1e-3f);
            EXPECT_NEAR(p.y, bottom ? r.bottom : r.top, 1e-3f);
            EXPECT_NEAR(p.u, right ? r.u1 : r.u0, 1e-6f);
            EXPECT_NEAR(p.v, bottom ? r.v1 : r.v0, 1e-6f);
            EXPECT_EQ(p.color, 0xFFFFFFFFu);
        }
    }
    // An empty viewport gives empty bands, not NaN texture coordinates.
    m_frame.SetViewport(MakeViewport(0, 0, 0, 0));
    EXPECT_FALSE(std::isnan(m_frame.Corner(3, 0).u));
    EXPECT_FALSE(std::isnan(m_frame.Corner(0, 3).v));
}

}  // namespace
