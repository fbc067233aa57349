// The recording device is the oracle of many scene tests: every call and draw
// must be counted, or a test that expects none would pass for nothing
// recorded. And the device core over it: a lost device refuses Reset until it
// may be reset, and cursor calls reach the backend.
#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/DeviceTestSupport.h"
#include "platform/d3d/record/RecordBackend.h"

using RecordLogTest = RecordingDeviceTest;

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
