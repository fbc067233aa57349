#include "platform/d3d/record/FakeDirect3D.h"

#include <gtest/gtest.h>

#include "platform/d3d/core/DeviceTestSupport.h"

class FakeDirect3DTest : public ::testing::Test {
protected:
    void SetUp() override { m_pD3D = FakeDirect3D::Create(); }
    void TearDown() override {
        if (m_pD3D != nullptr) {
            EXPECT_EQ(0u, m_pD3D->Release());
        }
    }
    FakeDirect3D* m_pD3D = nullptr;
};

TEST_F(FakeDirect3DTest, AdaptersAndModesAsConfigured) {
    ASSERT_EQ(1u, m_pD3D->GetAdapterCount());
    D3DADAPTER_IDENTIFIER8 identifier = {};
    ASSERT_EQ(D3D_OK, m_pD3D->GetAdapterIdentifier(0, D3DENUM_NO_WHQL_LEVEL, &identifier));
    EXPECT_STREQ("Recording display adapter", identifier.Description);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pD3D->GetAdapterIdentifier(1, 0, &identifier));

    D3DDISPLAYMODE mode = {};
    ASSERT_EQ(D3D_OK, m_pD3D->GetAdapterDisplayMode(0, &mode));
    EXPECT_EQ(1024u, mode.Width);
    EXPECT_EQ(D3DFMT_X8R8G8B8, mode.Format);
    const UINT count = m_pD3D->GetAdapterModeCount(0);
    EXPECT_EQ(20u, count);
    ASSERT_EQ(D3D_OK, m_pD3D->EnumAdapterModes(0, count - 1, &mode));
    EXPECT_EQ(D3DFMT_R5G6B5, mode.Format);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pD3D->EnumAdapterModes(0, count, &mode));
    EXPECT_EQ(0u, m_pD3D->GetAdapterModeCount(3));

    m_pD3D->Adapters().push_back(FakeDirect3D::TypicalAdapter("Second"));
    m_pD3D->Adapters()[1].m_modes.resize(2);
    EXPECT_EQ(2u, m_pD3D->GetAdapterCount());
    EXPECT_EQ(2u, m_pD3D->GetAdapterModeCount(1));
}

TEST_F(FakeDirect3DTest, CheckCallsAnswerFromTheTables) {
    EXPECT_EQ(D3D_OK, m_pD3D->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE));
    EXPECT_EQ(D3DERR_NOTAVAILABLE, m_pD3D->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_A1R5G5B5, D3DFMT_A1R5G5B5, TRUE));
    EXPECT_EQ(D3DERR_NOTAVAILABLE, m_pD3D->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, FALSE));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pD3D->CheckDeviceType(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pD3D->CheckDeviceType(4, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE));

    for (D3DFORMAT depth : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32}) {
        EXPECT_EQ(D3D_OK, m_pD3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                                    D3DRTYPE_SURFACE, depth));
        EXPECT_EQ(D3D_OK, m_pD3D->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, depth));
    }
    for (D3DFORMAT depth : {D3DFMT_D15S1, D3DFMT_D24X4S4}) {
        EXPECT_EQ(D3DERR_NOTAVAILABLE, m_pD3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                                 D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depth));
    }
    EXPECT_EQ(D3D_OK, m_pD3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_DXT5));
    m_pD3D->FindDeviceType(0, D3DDEVTYPE_HAL)->m_depthMismatches.push_back(D3DFMT_D16);
    EXPECT_EQ(D3DERR_NOTAVAILABLE,
              m_pD3D->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_D16));

    EXPECT_EQ(D3D_OK,
              m_pD3D->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_NONE));
    EXPECT_EQ(D3D_OK,
              m_pD3D->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_4_SAMPLES));
    EXPECT_EQ(D3DERR_NOTAVAILABLE,
              m_pD3D->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_8_SAMPLES));
    EXPECT_EQ(D3DERR_NOTAVAILABLE,
              m_pD3D->CheckDeviceMultiSampleType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_2_SAMPLES));

    D3DCAPS8 hal = {};
    D3DCAPS8 ref = {};
    ASSERT_EQ(D3D_OK, m_pD3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, &hal));
    ASSERT_EQ(D3D_OK, m_pD3D->GetDeviceCaps(0, D3DDEVTYPE_REF, &ref));
    EXPECT_NE(0u, hal.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_EQ(0u, ref.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_EQ(D3DDEVTYPE_REF, ref.DeviceType);
    EXPECT_NE(0u, ref.Caps2 & D3DCAPS2_CANRENDERWINDOWED);

    // A device that cannot render in a window fails the windowed check.
    m_pD3D->FindDeviceType(0, D3DDEVTYPE_HAL)->m_caps.Caps2 = 0;
    EXPECT_EQ(D3DERR_NOTAVAILABLE, m_pD3D->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE));
    EXPECT_EQ(D3D_OK, m_pD3D->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE));
}

TEST_F(FakeDirect3DTest, CreatedDevicesRecordAndHoldTheObject) {
    D3DPRESENT_PARAMETERS parameters = WindowedParameters();
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(D3D_OK,
              m_pD3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_MIXED_VERTEXPROCESSING, &parameters, &device));
    EXPECT_EQ(2u, m_pD3D->RefCount());
    EXPECT_EQ(static_cast<DWORD>(D3DCREATE_MIXED_VERTEXPROCESSING), m_pD3D->LastBehaviorFlags());
    IDirect3D8* owner = nullptr;
    ASSERT_EQ(D3D_OK, device->GetDirect3D(&owner));
    EXPECT_EQ(m_pD3D, owner);
    owner->Release();

    D3DDEVICE_CREATION_PARAMETERS creation = {};
    ASSERT_EQ(D3D_OK, device->GetCreationParameters(&creation));
    EXPECT_EQ(D3DDEVTYPE_HAL, creation.DeviceType);
    D3DDISPLAYMODE mode = {};
    ASSERT_EQ(D3D_OK, device->GetDisplayMode(&mode));
    EXPECT_EQ(1024u, mode.Width);
    D3DCAPS8 caps = {};
    ASSERT_EQ(D3D_OK, device->GetDeviceCaps(&caps));
    EXPECT_EQ(255u, caps.MaxVertexBlendMatrixIndex);

    device->SetRenderState(D3DRS_AMBIENT, 0xFF0A0A1E);
    ASSERT_NE(nullptr, m_pD3D->LastDeviceLog());
    EXPECT_EQ(1u, m_pD3D->LastDeviceLog()->CountCalls("SetRenderState"));
    EXPECT_EQ(0u, device->Release());
    EXPECT_EQ(1u, m_pD3D->RefCount());
}

TEST_F(FakeDirect3DTest, CreationFailuresHandOutNothing) {
    D3DPRESENT_PARAMETERS parameters = WindowedParameters();
    IDirect3DDevice8* device = reinterpret_cast<IDirect3DDevice8*>(0x1);
    // Hardware vertex processing needs a hardware T&L device; exactly one kind must be asked.
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pD3D->CreateDevice(0, D3DDEVTYPE_REF, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                                       &parameters, &device));
    EXPECT_EQ(nullptr, device);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pD3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &parameters, &device));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              m_pD3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                   D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE, &parameters, &device));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              m_pD3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, nullptr, &device));
    m_pD3D->FindDeviceType(0, D3DDEVTYPE_HAL)->m_hrCreate = D3DERR_NOTAVAILABLE;
    EXPECT_EQ(D3DERR_NOTAVAILABLE, m_pD3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                                        &parameters, &device));
    EXPECT_EQ(nullptr, device);
    EXPECT_EQ(1u, m_pD3D->RefCount());
    EXPECT_EQ(5u, m_pD3D->CreateDeviceCalls());

    // The reference device still starts: the fall-back path.
    ASSERT_EQ(D3D_OK, m_pD3D->CreateDevice(0, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters,
                                           &device));
    device->Release();
}
