#include "platform/d3d/core/CoreTexture.h"
#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/DeviceTestSupport.h"
#include "platform/d3d/record/RecordBackend.h"

using ResetTest = RecordingDeviceTest;
using LifetimeTest = RecordingDeviceTest;

TEST_F(ResetTest, RefusalsAndFailuresLeaveTheDeviceAsItWas) {
    // A default-pool resource or the back buffer held blocks a reset.
    IDirect3DVertexBuffer8* dynamic = nullptr;
    ASSERT_EQ(D3D_OK,
              m_pDevice->CreateVertexBuffer(8400, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &dynamic));
    ASSERT_EQ(D3D_OK, m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE));
    D3DPRESENT_PARAMETERS bigger = WindowedParameters(800, 600);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->Reset(&bigger));
    EXPECT_EQ(static_cast<DWORD>(FALSE), RenderState(D3DRS_LIGHTING));
    D3DVIEWPORT8 viewport = {};
    m_pDevice->GetViewport(&viewport);
    EXPECT_EQ(512u, viewport.Width);

    dynamic->Release();
    ASSERT_EQ(D3D_OK, m_pDevice->Reset(&bigger));
    EXPECT_EQ(static_cast<DWORD>(TRUE), RenderState(D3DRS_LIGHTING));
    m_pDevice->GetViewport(&viewport);
    EXPECT_EQ(800u, viewport.Width);
    EXPECT_EQ(600u, viewport.Height);
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->Reset(&bigger));
    back->Release();
    EXPECT_EQ(D3D_OK, m_pDevice->Reset(&bigger));

    // Bad parameters and backend failures change nothing either.
    RecordBackend& backend = static_cast<RecordBackend&>(static_cast<DeviceCore*>(m_pDevice)->Backend());
    ASSERT_EQ(D3D_OK, m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE));
    D3DPRESENT_PARAMETERS bad = WindowedParameters();
    bad.EnableAutoDepthStencil = TRUE;
    bad.AutoDepthStencilFormat = D3DFMT_A8R8G8B8;
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->Reset(&bad));
    bad = WindowedParameters();
    bad.SwapEffect = static_cast<D3DSWAPEFFECT>(0);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->Reset(&bad));
    bad = WindowedParameters();
    bad.Windowed = FALSE;
    bad.BackBufferWidth = 0;
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->Reset(&bad));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->Reset(nullptr));

    backend.FailNextReset(D3DERR_DEVICELOST);
    D3DPRESENT_PARAMETERS good = WindowedParameters();
    EXPECT_EQ(D3DERR_DEVICELOST, m_pDevice->Reset(&good));
    EXPECT_EQ(static_cast<DWORD>(FALSE), RenderState(D3DRS_ZWRITEENABLE));
    EXPECT_EQ(D3D_OK, m_pDevice->Reset(&good));
    EXPECT_EQ(static_cast<DWORD>(TRUE), RenderState(D3DRS_ZWRITEENABLE));
}

TEST_F(ResetTest, ManagedResourcesSurviveAndEveryStateReturnsToDefault) {
    IDirect3DTexture8* texture = MakeTexture();
    IDirect3DVertexBuffer8* stream = MakeStream(3);
    ASSERT_EQ(D3D_OK, m_pDevice->SetTexture(0, texture));
    const D3DMATRIX bone = MakeMatrix(3.0f);
    ASSERT_EQ(D3D_OK, m_pDevice->SetTransform(D3DTS_WORLDMATRIX(12), &bone));
    ASSERT_EQ(D3D_OK, m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE));
    D3DLIGHT8 light = DeviceState::DefaultLight();
    ASSERT_EQ(D3D_OK, m_pDevice->SetLight(0, &light));
    ASSERT_EQ(D3D_OK, m_pDevice->LightEnable(0, TRUE));
    ASSERT_EQ(D3D_OK, m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE));

    // A windowed zero size takes the client size.
    D3DPRESENT_PARAMETERS parameters = WindowedParameters(0, 0);
    ASSERT_EQ(D3D_OK, m_pDevice->Reset(&parameters));
    EXPECT_EQ(640u, parameters.BackBufferWidth);
    EXPECT_EQ(480u, parameters.BackBufferHeight);
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back));
    D3DSURFACE_DESC desc = {};
    back->GetDesc(&desc);
    EXPECT_EQ(640u, desc.Width);
    back->Release();

    DeviceState expected;
    expected.ResetToDefaults(static_cast<DeviceCore*>(m_pDevice)->PresentParameters(),
                             D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    const DeviceState& now = static_cast<DeviceCore*>(m_pDevice)->State();
    for (DWORD rs = 0; rs < DeviceState::kRenderStateCount; ++rs) {
        EXPECT_EQ(expected.RenderState(static_cast<D3DRENDERSTATETYPE>(rs)),
                  now.RenderState(static_cast<D3DRENDERSTATETYPE>(rs)))
            << rs;
    }
    EXPECT_EQ(static_cast<DWORD>(D3DTOP_DISABLE), StageState(1, D3DTSS_COLOROP));
    EXPECT_EQ(nullptr, now.Texture(0));
    EXPECT_EQ(nullptr, now.StreamSource());
    EXPECT_FALSE(now.IsLightDefined(0));
    EXPECT_TRUE(SameMatrix(DeviceState::Identity(), now.WorldMatrix(12)));

    // The managed texture is still whole and can be bound again.
    D3DLOCKED_RECT locked = {};
    EXPECT_EQ(D3D_OK, texture->LockRect(0, &locked, nullptr, 0));
    EXPECT_EQ(D3D_OK, texture->UnlockRect(0));
    EXPECT_EQ(D3D_OK, m_pDevice->SetTexture(0, texture));
    texture->Release();
    stream->Release();
}

TEST_F(LifetimeTest, ResourcesHoldTheDeviceSoALeakShowsInItsCount) {
    IDirect3DTexture8* texture = MakeTexture();
    IDirect3DVertexBuffer8* buffer = MakeStream(3);
    EXPECT_EQ(4u, m_pDevice->AddRef());  // the program's, two resources', this one
    EXPECT_EQ(3u, m_pDevice->Release());

    IDirect3DDevice8* fromTexture = nullptr;
    ASSERT_EQ(D3D_OK, texture->GetDevice(&fromTexture));
    EXPECT_EQ(m_pDevice, fromTexture);
    EXPECT_EQ(3u, fromTexture->Release());

    // The program lets go of the device first: the count shows two leaks.
    EXPECT_EQ(2u, m_pDevice->Release());
    buffer->Release();
    EXPECT_EQ(0u, texture->Release());  // the last reference: the device goes with it
    m_pDevice = nullptr;
}

TEST_F(LifetimeTest, ABoundResourceOutlivesItsLastReleaseWithoutPinningTheDevice) {
    IDirect3DTexture8* texture = MakeTexture();
    ASSERT_EQ(D3D_OK, m_pDevice->SetTexture(0, texture));
    const size_t releasedBefore = m_pLog->ReleasedResourceCount();
    EXPECT_EQ(0u, texture->Release());
    EXPECT_EQ(releasedBefore, m_pLog->ReleasedResourceCount());  // still bound, still alive
    EXPECT_EQ(0u, static_cast<DeviceCore*>(m_pDevice)->LiveResourceCount());

    // Handed out again, it is the program's again.
    IDirect3DBaseTexture8* bound = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->GetTexture(0, &bound));
    EXPECT_EQ(texture, bound);
    EXPECT_EQ(1u, static_cast<DeviceCore*>(m_pDevice)->LiveResourceCount());
    EXPECT_EQ(0u, bound->Release());

    // Unbinding destroys it, and the backend hears of it.
    ASSERT_EQ(D3D_OK, m_pDevice->SetTexture(0, nullptr));
    EXPECT_EQ(releasedBefore + 1, m_pLog->ReleasedResourceCount());

    // A texture still bound when the device goes does not keep it alive.
    IDirect3DTexture8* second = MakeTexture();
    ASSERT_EQ(D3D_OK, m_pDevice->SetTexture(3, second));
    second->Release();
    EXPECT_EQ(0u, m_pDevice->Release());
    m_pDevice = nullptr;
}
