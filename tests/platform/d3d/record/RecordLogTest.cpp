// The recording device is the oracle of many scene tests: a draw must keep a
// copy of the state it saw (not a view of the live state, which would let a
// later change pass for an earlier one), and every call and draw must be
// counted, or a test that expects none would pass for nothing recorded.
#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/DeviceTestSupport.h"
#include "platform/d3d/record/RecordBackend.h"

using RecordLogTest = RecordingDeviceTest;

TEST_F(RecordLogTest, EachDrawKeepsTheStateItSaw) {
    IDirect3DTexture8* first = MakeTexture();
    IDirect3DVertexBuffer8* stream = MakeStream(6);
    D3DMATERIAL8 red = {};
    red.Diffuse = {1.0f, 0.0f, 0.0f, 1.0f};
    const D3DMATRIX worldA = MakeMatrix(10.0f);
    const D3DMATRIX worldB = MakeMatrix(20.0f);

    ASSERT_EQ(D3D_OK, m_pDevice->BeginScene());
    m_pDevice->SetTexture(0, first);
    m_pDevice->SetMaterial(&red);
    m_pDevice->SetTransform(D3DTS_WORLD, &worldA);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    ASSERT_EQ(D3D_OK, m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2));

    D3DMATERIAL8 blue = {};
    blue.Diffuse = {0.0f, 0.0f, 1.0f, 0.5f};
    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetMaterial(&blue);
    m_pDevice->SetTransform(D3DTS_WORLD, &worldB);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    ASSERT_EQ(D3D_OK, m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 3));
    ASSERT_EQ(D3D_OK, m_pDevice->EndScene());

    ASSERT_EQ(2u, m_pLog->DrawCount());
    EXPECT_EQ(static_cast<DWORD>(D3DCULL_CCW), m_pLog->RenderStateAtDraw(0, D3DRS_CULLMODE));
    EXPECT_EQ(static_cast<DWORD>(D3DCULL_NONE), m_pLog->RenderStateAtDraw(1, D3DRS_CULLMODE));
    EXPECT_EQ(first, m_pLog->TextureAtDraw(0, 0));
    EXPECT_EQ(nullptr, m_pLog->TextureAtDraw(1, 0));
    EXPECT_TRUE(SameMatrix(worldA, m_pLog->TransformAtDraw(0, D3DTS_WORLD)));
    EXPECT_TRUE(SameMatrix(worldB, m_pLog->TransformAtDraw(1, D3DTS_WORLD)));
    EXPECT_EQ(1.0f, m_pLog->MaterialAtDraw(0).Diffuse.r);
    EXPECT_EQ(0.5f, m_pLog->MaterialAtDraw(1).Diffuse.a);
    EXPECT_EQ(0x142u, m_pLog->FvfAtDraw(1));
    EXPECT_EQ(stream, m_pLog->StreamAtDraw(1));
    EXPECT_EQ(24u, m_pLog->StrideAtDraw(1));
    const RecordLog::Draw& strip = m_pLog->DrawAt(1);
    EXPECT_EQ(D3DPT_TRIANGLESTRIP, strip.m_call.m_type);
    EXPECT_EQ(5u, strip.m_call.m_uElementCount);
    EXPECT_EQ(1u, strip.m_call.m_uStartVertex);
    first->Release();
    stream->Release();
}

TEST_F(RecordLogTest, EveryCallIsCountedAndALongRunKeepsItsWholeLastFrame) {
    IDirect3DVertexBuffer8* stream = MakeStream(3);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    EXPECT_EQ(1u, m_pLog->CountCalls("SetVertexShader"));
    EXPECT_EQ("SetRenderState", m_pLog->CallNames().back());

    m_pLog->KeepLastFrameOnly(true);
    for (int frame = 0; frame < 3; ++frame) {
        m_pDevice->BeginScene();
        for (int draw = 0; draw <= frame; ++draw) {
            m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
        }
        m_pDevice->EndScene();
        m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
        // The presented frame stays readable until the next one starts.
        EXPECT_EQ(static_cast<size_t>(frame + 1), m_pLog->DrawCount());
        EXPECT_EQ(static_cast<size_t>(frame + 1), m_pLog->CountCalls("DrawPrimitive"));
    }
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    EXPECT_EQ(0u, m_pLog->DrawCount());
    EXPECT_EQ(std::vector<std::string>{"SetRenderState"}, m_pLog->CallNames());

    // Released resources keep counting across frames.
    const size_t released = m_pLog->ReleasedResourceCount();
    stream->Release();
    m_pDevice->SetStreamSource(0, nullptr, 0);
    EXPECT_EQ(released + 1, m_pLog->ReleasedResourceCount());
}

TEST_F(RecordLogTest, ALostDeviceIsResetOnlyOnceItMayBeAndCursorCallsReachTheBackend) {
    RecordBackend& backend = static_cast<RecordBackend&>(static_cast<DeviceCore*>(m_pDevice)->Backend());
    backend.SetCooperativeLevel(D3DERR_DEVICELOST);
    EXPECT_EQ(D3DERR_DEVICELOST, m_pDevice->TestCooperativeLevel());
    D3DPRESENT_PARAMETERS parameters = WindowedParameters();
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    EXPECT_EQ(D3DERR_DEVICELOST, m_pDevice->Reset(&parameters));
    EXPECT_EQ(static_cast<DWORD>(FALSE), RenderState(D3DRS_LIGHTING));
    backend.SetCooperativeLevel(D3DERR_DEVICENOTRESET);
    ASSERT_EQ(D3D_OK, m_pDevice->Reset(&parameters));
    EXPECT_EQ(D3D_OK, m_pDevice->TestCooperativeLevel());

    IDirect3DSurface8* cursor = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->CreateImageSurface(32, 32, D3DFMT_A8R8G8B8, &cursor));
    EXPECT_EQ(D3D_OK, m_pDevice->SetCursorProperties(3, 4, cursor));
    EXPECT_EQ(3, backend.CursorHotSpot().x);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetCursorProperties(32, 0, cursor));
    cursor->Release();
    m_pDevice->SetCursorPosition(100, 50, 0);
    EXPECT_EQ(100, backend.CursorPosition().x);
    EXPECT_EQ(FALSE, m_pDevice->ShowCursor(TRUE));
    EXPECT_TRUE(backend.IsCursorVisible());
    EXPECT_EQ(TRUE, m_pDevice->ShowCursor(FALSE));
    EXPECT_FALSE(backend.IsCursorVisible());
}
