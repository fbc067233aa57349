// A window at scale 2: the program's sizes stay its own, and what it places
// lands on exactly the doubled device pixels.
#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/gl/GlBackend.h"
#include "platform/win/DisplayScale.h"
#include "platform/win/GlWindow.h"
#include "support/RenderFixture.h"

namespace {

class ScaleTest : public RenderFixture {};

TEST_F(ScaleTest, ViewportsClearsAndScreenSpaceTexturesCoverWholeDoubledPixels) {
    win::SetScaleOverride(2);
    HWND window = win::CreateGlWindow("scale", 64, 48, nullptr, true);
    win::SetScaleOverride(1);
    if (window == nullptr) {
        GTEST_SKIP() << "no SDL window with a GL 3.3 context can be made here";
    }
    IDirect3DDevice8* device = CreateRefDevice(64, 48, window);
    ASSERT_NE(device, nullptr);
    const D3DVIEWPORT8 viewport = {10, 6, 20, 12, 0.0f, 1.0f};
    const D3DRECT rect = {12, 8, 14, 11};
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->SetViewport(&viewport), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    // A 4 x 4 checker drawn 1:1 with linear filtering.
    const auto texel = [](UINT x, UINT y) -> DWORD { return (x + y) % 2 == 0 ? 0xFFFFFF : 0x2080C0 + x * 16; };
    IDirect3DTexture8* texture = nullptr;
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT i = 0; i < 16; ++i) {
        reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + i / 4 * locked.Pitch)[i % 4] = texel(i % 4, i / 4);
    }
    texture->UnlockRect(0);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    const DWORD white = 0xFFFFFFFF;
    const RhwTexVertex quad[4] = {{19.5f, 9.5f, 0.5f, 1, white, 0, 0},
                                  {23.5f, 9.5f, 0.5f, 1, white, 1, 0},
                                  {19.5f, 13.5f, 0.5f, 1, white, 0, 1},
                                  {23.5f, 13.5f, 0.5f, 1, white, 1, 1}};
    device->SetVertexShader(kRhwTexFvf);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(RhwTexVertex)), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    const std::vector<DWORD> pixels =
        static_cast<GlBackend&>(static_cast<DeviceCore*>(device)->Backend()).FrontPixels();
    const auto inside = [](LONG x, LONG y, const D3DRECT& r) { return x >= r.x1 && x < r.x2 && y >= r.y1 && y < r.y2; };
    const auto expected = [&](UINT x, UINT y) -> DWORD {
        return inside(x, y, {20, 10, 24, 14}) ? texel(x - 20, y - 10)
               : inside(x, y, rect)           ? 0xFF0000
                                              : (inside(x, y, {10, 6, 30, 18}) ? 0x0000FF : 0);
    };
    ASSERT_EQ(pixels.size(), 128u * 96u);
    for (UINT i = 0; i < pixels.size(); ++i) {
        ASSERT_EQ(pixels[i] & 0xFFFFFFu, expected(i % 128 / 2, i / 128 / 2)) << i % 128 << ", " << i / 128;
    }
    texture->Release();
    EXPECT_EQ(device->Release(), 0u);
    win::DestroyGlWindow(window);
}

}  // namespace
