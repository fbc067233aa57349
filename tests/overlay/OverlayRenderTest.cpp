// The overlay drawn by the reference device: corner buttons, the open timer
// panel reading 03 00, and the framed view's frame, with pixels probed.
#include <gtest/gtest.h>

#include "app/TimerPanel.h"
#include "framework/FrameStep.h"
#include "overlay/ButtonBar.h"
#include "overlay/MainFrame.h"
#include "support/OverlayTestSupport.h"
#include "support/RenderFixture.h"

namespace {

constexpr UINT kBackWidth = 512;
constexpr UINT kBackHeight = 384;
constexpr DWORD kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;
constexpr DWORD kMagenta = 0xFFFF00FF, kCyan = 0xFF00FFFF, kWhite = 0xFFFFFFFF;
constexpr Rgb kBlack = {0, 0, 0};

class OverlayRenderTest : public RenderFixture {
protected:
    void SetUp() override {
        ASSERT_NE(s_pDirect3D, nullptr);
        m_pDevice = CreateRefDevice(kBackWidth, kBackHeight);
        ASSERT_NE(m_pDevice, nullptr) << "no software GL context for the reference device";
        // Stage 0 and the scene states as the application leaves them for the overlay.
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);

        WriteSheet(m_cwd, "Bottun.dds", 2, 2, {kRed, kGreen, kBlue, kYellow}, 16);
        WriteSheet(m_cwd, "BottunTimer01.dds", 2, 2, {kMagenta, kCyan}, 16);
        WriteSheet(m_cwd, "Frame01.dds", 1, 1, {kWhite}, 16);
        std::vector<DWORD> digits(12, kBlue);  // 0 red, 3 green, the others blue
        digits[0] = kRed;
        digits[3] = kGreen;
        WriteSheet(m_cwd, "SpriteDigital01.dds", 4, 3, digits, 16);
        g_frameStep = 0.5f;  // buttons fully grown at their first draw
    }
    void Clear(const D3DVIEWPORT8& viewport, D3DCOLOR colour) {
        m_pDevice->SetViewport(&viewport);
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0);
    }
    template <typename Fn>
    std::vector<DWORD> Render(Fn draw) {
        EXPECT_EQ(m_pDevice->BeginScene(), D3D_OK);
        draw();
        m_pDevice->EndScene();
        std::vector<DWORD> frame = Frame(m_pDevice, kBackWidth, kBackHeight);
        m_pDevice->SetTexture(0, nullptr);  // the objects go before the device
        m_pDevice->SetStreamSource(0, nullptr, 0);
        return frame;
    }
    ::testing::AssertionResult Near(float x, float y, Rgb expected, int tolerance = 5) {
        return ColourNear(At(m_frame, UINT(x), UINT(y), kBackWidth), expected, tolerance);
    }

    ScopedTempCwd m_cwd;
    std::vector<DWORD> m_frame;
};

TEST_F(OverlayRenderTest, ButtonBarAndOpenTimerPanelShowThreeMinutes) {
    const D3DVIEWPORT8 full = MakeViewport(0, 0, kBackWidth, kBackHeight);
    ButtonBar bar;
    TimerPanel panel;
    ASSERT_EQ(bar.Load(m_pDevice, "Bottun.dds"), S_OK);
    ASSERT_EQ(panel.Load(m_pDevice, "BottunTimer01.dds", "SpriteDigital01.dds", "Frame01.dds"), S_OK);
    bar.SetViewport(full);
    panel.SetViewport(full);
    Clear(full, 0xFF000000);
    m_frame = Render([&] {
        bar.Draw(m_pDevice);
        panel.Draw(m_pDevice);
    });

    // Corner buttons at 150/255 over black, 56 pixels square.
    EXPECT_TRUE(Near(435.2f, 61.44f, {150, 0, 0}));
    EXPECT_TRUE(Near(435.2f, 322.56f, {0, 150, 0}));
    EXPECT_TRUE(Near(76.8f, 322.56f, {0, 0, 150}));
    EXPECT_TRUE(Near(76.8f, 61.44f, {150, 150, 0}));
    EXPECT_TRUE(Near(435.2f + 26, 61.44f + 26, {150, 0, 0}));
    EXPECT_TRUE(Near(435.2f + 30, 61.44f, kBlack, 2));
    // The panel: white at 150/255, 179.2 pixels square in the middle.
    EXPECT_TRUE(Near(256, 275, {150, 150, 150}));
    EXPECT_TRUE(Near(170, 275, {150, 150, 150}));
    EXPECT_TRUE(Near(162, 275, kBlack, 2));
    // 03 00 at 200/255 over the panel (0 red, 3 green); ones digits at 45 % and 60 %.
    EXPECT_TRUE(Near(201.0f, 192, {232, 32, 32}));
    EXPECT_TRUE(Near(230.4f, 192, {32, 232, 32}));
    EXPECT_TRUE(Near(277.8f, 192, {232, 32, 32}));
    EXPECT_TRUE(Near(307.2f, 192, {232, 32, 32}));
    // Start/pause magenta and reset cyan over the panel.
    EXPECT_TRUE(Near(204.8f, 120, {212, 62, 212}));
    EXPECT_TRUE(Near(307.2f, 120, {62, 212, 212}));
}

// The frame covers the outer tenth of the framed view with the image's outer
// tenth: a red border around green, and the view's middle left alone.
TEST_F(OverlayRenderTest, TheFrameShowsTheImagesBorderAroundTheFramedView) {
    std::vector<DWORD> cells(100, kGreen);
    for (int i = 0; i < 10; ++i) {
        cells[size_t(i)] = cells[size_t(90 + i)] = cells[size_t(10 * i)] = cells[size_t(10 * i + 9)] = kRed;
    }
    WriteSheet(m_cwd, "MainFrame01.dds", 10, 10, cells, 8);
    MainFrame frame;
    ASSERT_EQ(frame.Load(m_pDevice, "MainFrame01.dds"), S_OK);
    frame.SetViewport(MakeViewport(64, 48, 384, 288));  // framed view of 512 x 384
    Clear(MakeViewport(0, 0, kBackWidth, kBackHeight), 0xFF000000);
    m_frame = Render([&] { frame.Draw(m_pDevice); });
    // Top, bottom, left and right bands, halfway across their width.
    EXPECT_TRUE(Near(256, 62, {255, 0, 0}));
    EXPECT_TRUE(Near(256, 321, {255, 0, 0}));
    EXPECT_TRUE(Near(83, 192, {255, 0, 0}));
    EXPECT_TRUE(Near(428, 192, {255, 0, 0}));
    // Just inside the bands, and outside the view.
    EXPECT_TRUE(Near(112, 192, kBlack, 2));
    EXPECT_TRUE(Near(256, 87, kBlack, 2));
    EXPECT_TRUE(Near(20, 20, kBlack, 2));
}

}  // namespace
