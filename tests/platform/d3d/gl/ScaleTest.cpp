// A window drawn at scale 2: the program's sizes stay its own, the targets
// are twice as large, and what it places lands on exactly the doubled pixels.
#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/gl/GlBackend.h"
#include "platform/win/DisplayScale.h"
#include "platform/win/GlWindow.h"
#include "support/RenderFixture.h"

namespace {

constexpr UINT kW = 64;
constexpr UINT kH = 48;

class ScaleTest : public RenderFixture {
protected:
    void SetUp() override {
        RenderFixture::SetUp();
        win::SetScaleOverride(2);
        m_hWindow = win::CreateGlWindow("scale", kW, kH, nullptr, true);
        win::SetScaleOverride(1);
        if (m_hWindow == nullptr) {
            GTEST_SKIP() << "no SDL window with a GL 3.3 context can be made here";
        }
        std::swap(m_pDevice, m_pWindowed);
        m_pDevice = CreateRefDevice(kW, kH, m_hWindow);
        ASSERT_NE(m_pDevice, nullptr);
        PlainStates();
    }
    void TearDown() override {
        if (m_pWindowed != nullptr) {
            EXPECT_TRUE(m_pDevice == nullptr || m_pDevice->Release() == 0u);
            m_pDevice = m_pWindowed;
        }
        RenderFixture::TearDown();
        win::DestroyGlWindow(m_hWindow);
    }
    // Presents and reads the frame in device pixels; each must be expected(x / 2, y / 2).
    template <class Expected>
    void ExpectDoubled(Expected expected) {
        ASSERT_EQ(m_pDevice->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        GlBackend& backend = static_cast<GlBackend&>(static_cast<DeviceCore*>(m_pDevice)->Backend());
        ASSERT_EQ(backend.TargetWidth(), kW * 2);
        const std::vector<DWORD> pixels = backend.FrontPixels();
        for (UINT y = 0; y < kH * 2; ++y) {
            for (UINT x = 0; x < kW * 2; ++x) {
                ASSERT_EQ(pixels[y * kW * 2 + x] & 0xFFFFFFu, expected(x / 2, y / 2) & 0xFFFFFFu) << x << ", " << y;
            }
        }
    }
    HWND m_hWindow = nullptr;
    IDirect3DDevice8* m_pWindowed = nullptr;
};

TEST_F(ScaleTest, ViewportsAndClearRectanglesCoverTheDoubledPixels) {
    const D3DVIEWPORT8 viewport = {10, 6, 20, 12, 0.0f, 1.0f};
    D3DVIEWPORT8 read = {};
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_pDevice->SetViewport(&viewport), D3D_OK);
    ASSERT_EQ(m_pDevice->GetViewport(&read), D3D_OK);
    EXPECT_EQ(read.Width, 20u);
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
    const D3DRECT rect = {12, 8, 14, 11};
    ASSERT_EQ(m_pDevice->Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    ExpectDoubled([](UINT x, UINT y) -> DWORD {
        if (x >= 12 && x < 14 && y >= 8 && y < 11) {
            return 0xFF0000;
        }
        return x >= 10 && x < 30 && y >= 6 && y < 18 ? 0x0000FF : 0;
    });
}

TEST_F(ScaleTest, ScreenSpaceTexturesAreMagnifiedIntoWholeBlocks) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(m_pDevice->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    const auto texel = [](UINT x, UINT y) -> DWORD { return (x + y) % 2 == 0 ? 0xFFFFFFFF : 0xFF2080C0 + x * 16; };
    for (UINT y = 0; y < 4; ++y) {
        for (UINT x = 0; x < 4; ++x) {
            reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] = texel(x, y);
        }
    }
    texture->UnlockRect(0);
    m_pDevice->SetTexture(0, texture);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    const RhwTexVertex quad[4] = {{7.5f, 3.5f, 0.5f, 1, 0, 0, 0},
                                  {11.5f, 3.5f, 0.5f, 1, 0, 1, 0},
                                  {7.5f, 7.5f, 0.5f, 1, 0, 0, 1},
                                  {11.5f, 7.5f, 0.5f, 1, 0, 1, 1}};
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    m_pDevice->SetVertexShader(kRhwTexFvf);
    ASSERT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(RhwTexVertex)), D3D_OK);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    m_pDevice->SetTexture(0, nullptr);
    texture->Release();
    ExpectDoubled(
        [&](UINT x, UINT y) -> DWORD { return x >= 8 && x < 12 && y >= 4 && y < 8 ? texel(x - 8, y - 4) : 0; });
}

}  // namespace
