// The overlay drawn by the reference device: corner buttons, the open timer
// panel reading 03 00, and the frame of the framed view, with pixels probed.
#include <gtest/gtest.h>

#include "app/FrameValues.h"
#include "app/TimerPanel.h"
#include "overlay/ButtonBar.h"
#include "overlay/MainFrame.h"
#include "overlay/OverlayTestSupport.h"
#include "platform/d3d/gl/RenderFixture.h"
#include "support/TempDir.h"

namespace {

constexpr UINT kBackWidth = 512;
constexpr UINT kBackHeight = 384;

constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kGreen = 0xFF00FF00;
constexpr DWORD kBlue = 0xFF0000FF;
constexpr DWORD kYellow = 0xFFFFFF00;
constexpr DWORD kMagenta = 0xFFFF00FF;
constexpr DWORD kCyan = 0xFF00FFFF;
constexpr DWORD kWhite = 0xFFFFFFFF;
constexpr DWORD kOrange = 0xFFFF8000;

class OverlayRenderTest : public RenderFixture {
protected:
    void SetUp() override {
        ASSERT_NE(s_pDirect3D, nullptr);
        m_pDevice = CreateRefDevice(kBackWidth, kBackHeight);
        ASSERT_NE(m_pDevice, nullptr) << "no software GL context for the reference device";
        // Stage 0 and the scene states as the application leaves them for the overlay.
        m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
        m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);

        WriteSheet(m_cwd, "Bottun.dds", 2, 2, {kRed, kGreen, kBlue, kYellow}, 16);
        WriteSheet(m_cwd, "BottunTimer01.dds", 2, 2, {kMagenta, kCyan, kWhite, kWhite}, 16);
        WriteSheet(m_cwd, "Frame01.dds", 1, 1, {kWhite}, 16);
        // Digit 0 red, 3 green, every other blue.
        std::vector<DWORD> digits(12, kBlue);
        digits[0] = kRed;
        digits[3] = kGreen;
        WriteSheet(m_cwd, "SpriteDigital01.dds", 4, 3, digits, 16);
        WriteSheet(m_cwd, "MainFrame01.dds", 1, 1, {kOrange}, 16);
        g_frameStep = 0.5f;  // buttons fully grown at their first draw
    }
    void TearDown() override {
        if (m_pDevice != nullptr) {
            m_pDevice->SetTexture(0, nullptr);
            m_pDevice->SetStreamSource(0, nullptr, 0);
        }
        RenderFixture::TearDown();
    }
    void ClearViewport(const D3DVIEWPORT8& viewport, D3DCOLOR colour) {
        m_pDevice->SetViewport(&viewport);
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0);
    }
    static DWORD Pixel(const std::vector<DWORD>& frame, float x, float y) {
        return At(frame, UINT(x), UINT(y), kBackWidth);
    }

    ScopedTempCwd m_cwd;
};

TEST_F(OverlayRenderTest, ButtonBarAndOpenTimerPanelShowThreeMinutes) {
    const D3DVIEWPORT8 full = MakeViewport(0, 0, kBackWidth, kBackHeight);
    std::vector<DWORD> frame;
    {
        ButtonBar bar;
        TimerPanel panel;
        ASSERT_EQ(bar.Load(m_pDevice, "Bottun.dds"), S_OK);
        ASSERT_EQ(panel.Load(m_pDevice, "BottunTimer01.dds", "SpriteDigital01.dds", "Frame01.dds"), S_OK);
        bar.SetViewport(full);
        panel.SetViewport(full);
        panel.Reset();

        ClearViewport(full, 0xFF000000);
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
        bar.Draw(m_pDevice);
        panel.Draw(m_pDevice);
        m_pDevice->EndScene();
        frame = Frame(m_pDevice, kBackWidth, kBackHeight);
        m_pDevice->SetTexture(0, nullptr);
        m_pDevice->SetStreamSource(0, nullptr, 0);
    }

    // Corner buttons at 150/255 over black: exit red, full screen green,
    // camera blue, timer yellow.
    EXPECT_TRUE(ColourNear(Pixel(frame, 435.2f, 61.44f), {150, 0, 0}, 4));
    EXPECT_TRUE(ColourNear(Pixel(frame, 435.2f, 322.56f), {0, 150, 0}, 4));
    EXPECT_TRUE(ColourNear(Pixel(frame, 76.8f, 322.56f), {0, 0, 150}, 4));
    EXPECT_TRUE(ColourNear(Pixel(frame, 76.8f, 61.44f), {150, 150, 0}, 4));
    // 56 pixels square: 26 pixels off the centre is still the button, 30 is not.
    EXPECT_TRUE(ColourNear(Pixel(frame, 435.2f + 26, 61.44f + 26), {150, 0, 0}, 4));
    EXPECT_TRUE(ColourNear(Pixel(frame, 435.2f + 30, 61.44f), {0, 0, 0}, 2));

    // The panel: white at 150/255, 179.2 pixels square in the middle.
    EXPECT_TRUE(ColourNear(Pixel(frame, 256, 275), {150, 150, 150}, 4));
    EXPECT_TRUE(ColourNear(Pixel(frame, 170, 275), {150, 150, 150}, 4));
    EXPECT_TRUE(ColourNear(Pixel(frame, 162, 275), {0, 0, 0}, 2));
    EXPECT_TRUE(ColourNear(Pixel(frame, 256, 30), {0, 0, 0}, 2));

    // 03 00 at 200/255 over the panel: digit 0 red, digit 3 green.
    const Rgb red = {232, 32, 32};
    const Rgb green = {32, 232, 32};
    EXPECT_TRUE(ColourNear(Pixel(frame, 201.0f, 192), red, 5));
    EXPECT_TRUE(ColourNear(Pixel(frame, 230.4f, 192), green, 5));
    EXPECT_TRUE(ColourNear(Pixel(frame, 277.8f, 192), red, 5));
    EXPECT_TRUE(ColourNear(Pixel(frame, 307.2f, 192), red, 5));

    // Start/pause magenta and reset cyan over the panel.
    EXPECT_TRUE(ColourNear(Pixel(frame, 204.8f, 120), {212, 62, 212}, 5));
    EXPECT_TRUE(ColourNear(Pixel(frame, 307.2f, 120), {62, 212, 212}, 5));
}

TEST_F(OverlayRenderTest, FrameCoversTheEdgeOfTheFramedViewportOnly) {
    const D3DVIEWPORT8 framed = MakeViewport(64, 48, 384, 288);
    std::vector<DWORD> frame;
    {
        MainFrame border;
        ASSERT_EQ(border.Load(m_pDevice, "MainFrame01.dds"), S_OK);
        border.SetViewport(framed);
        ClearViewport(MakeViewport(0, 0, kBackWidth, kBackHeight), 0xFFFFFFFF);
        ClearViewport(framed, 0xFF000000);
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
        border.Draw(m_pDevice);
        m_pDevice->EndScene();
        frame = Frame(m_pDevice, kBackWidth, kBackHeight);
        m_pDevice->SetTexture(0, nullptr);
        m_pDevice->SetStreamSource(0, nullptr, 0);
    }
    const Rgb orange = {255, 128, 0};
    // Top band y 48 to 76.8, bottom 307.2 to 336, sides 38.4 pixels wide.
    EXPECT_TRUE(ColourNear(Pixel(frame, 256, 50), orange, 3));
    EXPECT_TRUE(ColourNear(Pixel(frame, 256, 75), orange, 3));
    EXPECT_TRUE(ColourNear(Pixel(frame, 256, 79), {0, 0, 0}, 2));
    EXPECT_TRUE(ColourNear(Pixel(frame, 256, 334), orange, 3));
    EXPECT_TRUE(ColourNear(Pixel(frame, 66, 192), orange, 3));
    EXPECT_TRUE(ColourNear(Pixel(frame, 100, 192), orange, 3));
    EXPECT_TRUE(ColourNear(Pixel(frame, 105, 192), {0, 0, 0}, 2));
    EXPECT_TRUE(ColourNear(Pixel(frame, 446, 192), orange, 3));
    // The viewport's middle stays the scene; the margin stays white.
    EXPECT_TRUE(ColourNear(Pixel(frame, 256, 192), {0, 0, 0}, 2));
    EXPECT_TRUE(ColourNear(Pixel(frame, 30, 192), {255, 255, 255}, 2));
    EXPECT_TRUE(ColourNear(Pixel(frame, 256, 340), {255, 255, 255}, 2));
}

}  // namespace
