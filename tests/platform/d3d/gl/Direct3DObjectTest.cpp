// The Direct3D object: adapters and modes from SDL, the formats and
// multisample counts GL gives, device capabilities, clean creation failures.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/d3d/D3D8.h"
#include "support/PresentParameters.h"

namespace {

class Direct3DObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pD3D = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(m_pD3D, nullptr);
    }
    void TearDown() override {
        if (m_pD3D != nullptr) {
            EXPECT_EQ(m_pD3D->Release(), 0u);
        }
    }
    IDirect3D8* m_pD3D = nullptr;
};

TEST_F(Direct3DObjectTest, AdaptersDescribeTheirDisplayAndRenderer) {
    const UINT count = m_pD3D->GetAdapterCount();
    ASSERT_GE(count, 1u);
    EXPECT_LE(count, 10u);
    for (UINT adapter = 0; adapter < count; ++adapter) {
        D3DADAPTER_IDENTIFIER8 identifier;
        std::memset(&identifier, 0x7F, sizeof(identifier));
        ASSERT_EQ(m_pD3D->GetAdapterIdentifier(adapter, D3DENUM_NO_WHQL_LEVEL, &identifier), D3D_OK);
        // Display name, then the GL renderer: terminated inside its field.
        const std::string description = identifier.Description;
        EXPECT_LT(description.size(), sizeof(identifier.Description));
        EXPECT_NE(description.find(" - "), std::string::npos) << description;
    }
    D3DADAPTER_IDENTIFIER8 identifier = {};
    EXPECT_EQ(m_pD3D->GetAdapterIdentifier(count, 0, &identifier), D3DERR_INVALIDCALL);
}

TEST_F(Direct3DObjectTest, ModesComeInBothFramebufferFormatsWithoutDuplicates) {
    const UINT count = m_pD3D->GetAdapterModeCount(0);
    ASSERT_GE(count, 2u);
    bool x8 = false;
    bool r5 = false;
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode = {};
        ASSERT_EQ(m_pD3D->EnumAdapterModes(0, i, &mode), D3D_OK);
        EXPECT_GT(mode.Width, 0u);
        EXPECT_GT(mode.Height, 0u);
        x8 = x8 || mode.Format == D3DFMT_X8R8G8B8;
        r5 = r5 || mode.Format == D3DFMT_R5G6B5;
        for (UINT j = 0; j < i; ++j) {
            D3DDISPLAYMODE other = {};
            m_pD3D->EnumAdapterModes(0, j, &other);
            EXPECT_FALSE(other.Width == mode.Width && other.Height == mode.Height &&
                         other.RefreshRate == mode.RefreshRate && other.Format == mode.Format)
                << "mode " << i << " repeats mode " << j;
        }
    }
    EXPECT_TRUE(x8);
    EXPECT_TRUE(r5);
    D3DDISPLAYMODE mode = {};
    EXPECT_EQ(m_pD3D->EnumAdapterModes(0, count, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_pD3D->GetAdapterModeCount(99), 0u);
    ASSERT_EQ(m_pD3D->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_TRUE(mode.Format == D3DFMT_X8R8G8B8 || mode.Format == D3DFMT_R5G6B5);
}

TEST_F(Direct3DObjectTest, FormatsAndMultisampleCountsAreTheOnesAGlFramebufferHas) {
    const D3DDEVTYPE ref = D3DDEVTYPE_REF;
    EXPECT_EQ(m_pD3D->CheckDeviceType(0, ref, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3D_OK);
    EXPECT_EQ(m_pD3D->CheckDeviceType(0, ref, D3DFMT_R5G6B5, D3DFMT_R5G6B5, FALSE), D3D_OK);
    EXPECT_EQ(m_pD3D->CheckDeviceType(0, ref, D3DFMT_A4R4G4B4, D3DFMT_A4R4G4B4, FALSE), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(m_pD3D->CheckDeviceType(5, ref, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_pD3D->CheckDeviceType(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3DERR_INVALIDCALL);
    for (D3DFORMAT depth : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D15S1, D3DFMT_D24X4S4}) {
        const HRESULT expected = depth == D3DFMT_D15S1 || depth == D3DFMT_D24X4S4 ? D3DERR_NOTAVAILABLE : D3D_OK;
        EXPECT_EQ(m_pD3D->CheckDeviceFormat(0, ref, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depth),
                  expected)
            << depth;
        EXPECT_EQ(m_pD3D->CheckDepthStencilMatch(0, ref, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, depth), expected) << depth;
    }
    for (D3DFORMAT texture : {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A4R4G4B4, D3DFMT_DXT1, D3DFMT_DXT5}) {
        EXPECT_EQ(m_pD3D->CheckDeviceFormat(0, ref, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, texture), D3D_OK);
    }
    EXPECT_EQ(m_pD3D->CheckDeviceFormat(0, ref, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_P8), D3DERR_NOTAVAILABLE);
    // llvmpipe resolves 4 samples; 16 is beyond it.
    EXPECT_EQ(m_pD3D->CheckDeviceMultiSampleType(0, ref, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_NONE), D3D_OK);
    EXPECT_EQ(m_pD3D->CheckDeviceMultiSampleType(0, ref, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_4_SAMPLES), D3D_OK);
    EXPECT_EQ(m_pD3D->CheckDeviceMultiSampleType(0, ref, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_16_SAMPLES),
              D3DERR_NOTAVAILABLE);
}

TEST_F(Direct3DObjectTest, CapsSayWhatEachDeviceTypeDoes) {
    D3DCAPS8 ref = {};
    ASSERT_EQ(m_pD3D->GetDeviceCaps(0, D3DDEVTYPE_REF, &ref), D3D_OK);
    EXPECT_EQ(ref.DeviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(ref.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
    EXPECT_NE(ref.Caps2 & D3DCAPS2_CANRENDERWINDOWED, 0u);
    EXPECT_GE(ref.MaxTextureWidth, 2048u);
    EXPECT_GE(ref.MaxVertexBlendMatrixIndex, 255u);
    EXPECT_GE(ref.MaxActiveLights, 8u);
    EXPECT_EQ(ref.PrimitiveMiscCaps & D3DPMISCCAPS_NULLREFERENCE, 0u);
    D3DCAPS8 hal = {};
    const HRESULT hr = m_pD3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, &hal);
    if (hr == D3DERR_NOTAVAILABLE) {
        GTEST_SKIP() << "no GL window context here, so no hardware device to describe";
    }
    ASSERT_EQ(hr, D3D_OK);
    EXPECT_NE(hal.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
    EXPECT_NE(hal.Caps2 & D3DCAPS2_CANRENDERWINDOWED, 0u);
    EXPECT_GE(hal.MaxVertexBlendMatrixIndex, 255u);
}

TEST_F(Direct3DObjectTest, CreateDeviceFailsCleanlyAndADeviceHoldsTheObjectUntilReleased) {
    D3DPRESENT_PARAMETERS parameters = WindowedParameters(32, 16, false);
    const auto create = [&](D3DDEVTYPE type, DWORD flags, IDirect3DDevice8** device) {
        *device = reinterpret_cast<IDirect3DDevice8*>(&parameters);
        return m_pD3D->CreateDevice(0, type, nullptr, flags, &parameters, device);
    };
    IDirect3DDevice8* device = nullptr;
    // A hardware device needs a window with a GL context.
    EXPECT_LT(create(D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &device), 0);
    EXPECT_EQ(device, nullptr);
    // No vertex-processing flag, or two of them.
    EXPECT_EQ(create(D3DDEVTYPE_REF, 0, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(
        create(D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING, &device),
        D3DERR_INVALIDCALL);
    // A window-sized back buffer with no window to size it from.
    parameters.BackBufferWidth = 0;
    EXPECT_LT(create(D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &device), 0);
    EXPECT_EQ(device, nullptr);
    // A depth format no GL framebuffer has.
    parameters.BackBufferWidth = 32;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D15S1;
    EXPECT_LT(create(D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &device), 0);
    EXPECT_EQ(device, nullptr);
    // Nothing of the failed attempts holds the object.
    EXPECT_EQ(m_pD3D->AddRef(), 2u);
    EXPECT_EQ(m_pD3D->Release(), 1u);

    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    ASSERT_EQ(create(D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &device), D3D_OK);
    EXPECT_EQ(m_pD3D->AddRef(), 3u);
    EXPECT_EQ(m_pD3D->Release(), 2u);
    IDirect3DSurface8* backBuffer = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
    D3DSURFACE_DESC desc = {};
    ASSERT_EQ(backBuffer->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 32u);
    EXPECT_EQ(desc.Height, 16u);
    backBuffer->Release();
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(m_pD3D->AddRef(), 2u);
    EXPECT_EQ(m_pD3D->Release(), 1u);
}

}  // namespace
