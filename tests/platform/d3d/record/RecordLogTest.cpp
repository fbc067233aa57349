#include <cstring>
#include <utility>

#include "platform/d3d/core/CoreIndexBuffer.h"
#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/DeviceTestSupport.h"
#include "platform/d3d/record/RecordBackend.h"

using RecordLogTest = RecordingDeviceTest;

TEST_F(RecordLogTest, EachDrawKeepsTheStateItSaw) {
    IDirect3DTexture8* first = MakeTexture();
    IDirect3DTexture8* second = MakeTexture();
    IDirect3DVertexBuffer8* stream = MakeStream(6);
    D3DMATERIAL8 red = {};
    red.Diffuse = {1.0f, 0.0f, 0.0f, 1.0f};
    D3DMATERIAL8 blue = {};
    blue.Diffuse = {0.0f, 0.0f, 1.0f, 0.5f};
    const D3DMATRIX worldA = MakeMatrix(10.0f);
    const D3DMATRIX worldB = MakeMatrix(20.0f);

    ASSERT_EQ(D3D_OK, m_pDevice->BeginScene());
    m_pDevice->SetTexture(0, first);
    m_pDevice->SetMaterial(&red);
    m_pDevice->SetTransform(D3DTS_WORLD, &worldA);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    ASSERT_EQ(D3D_OK, m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2));

    m_pDevice->SetTexture(0, second);
    m_pDevice->SetMaterial(&blue);
    m_pDevice->SetTransform(D3DTS_WORLD, &worldB);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    ASSERT_EQ(D3D_OK, m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 3));
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->CreateIndexBuffer(24, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &indices));
    ASSERT_EQ(D3D_OK, m_pDevice->SetIndices(indices, 2));
    ASSERT_EQ(D3D_OK, m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 4, 3, 1));
    ASSERT_EQ(D3D_OK, m_pDevice->EndScene());

    ASSERT_EQ(3u, m_pLog->DrawCount());
    EXPECT_EQ(static_cast<DWORD>(D3DCULL_CCW), m_pLog->RenderStateAtDraw(0, D3DRS_CULLMODE));
    EXPECT_EQ(static_cast<DWORD>(D3DCULL_NONE), m_pLog->RenderStateAtDraw(1, D3DRS_CULLMODE));
    EXPECT_EQ(static_cast<DWORD>(D3DTEXF_POINT), m_pLog->StageStateAtDraw(0, 0, D3DTSS_MAGFILTER));
    EXPECT_EQ(static_cast<DWORD>(D3DTEXF_LINEAR), m_pLog->StageStateAtDraw(1, 0, D3DTSS_MAGFILTER));
    EXPECT_EQ(first, m_pLog->TextureAtDraw(0, 0));
    EXPECT_EQ(second, m_pLog->TextureAtDraw(1, 0));
    EXPECT_EQ(nullptr, m_pLog->TextureAtDraw(1, 1));
    EXPECT_TRUE(SameMatrix(worldA, m_pLog->TransformAtDraw(0, D3DTS_WORLD)));
    EXPECT_TRUE(SameMatrix(worldB, m_pLog->TransformAtDraw(1, D3DTS_WORLD)));
    EXPECT_EQ(1.0f, m_pLog->MaterialAtDraw(0).Diffuse.r);
    EXPECT_EQ(0.5f, m_pLog->MaterialAtDraw(1).Diffuse.a);
    EXPECT_EQ(0x142u, m_pLog->FvfAtDraw(1));
    EXPECT_EQ(stream, m_pLog->StreamAtDraw(1));
    EXPECT_EQ(24u, m_pLog->StrideAtDraw(1));

    const RecordLog::Draw& strip = m_pLog->DrawAt(1);
    EXPECT_EQ(D3DPT_TRIANGLESTRIP, strip.m_call.m_type);
    EXPECT_EQ(3u, strip.m_call.m_uPrimitiveCount);
    EXPECT_EQ(5u, strip.m_call.m_uElementCount);
    EXPECT_EQ(1u, strip.m_call.m_uStartVertex);
    EXPECT_FALSE(strip.m_call.m_bIndexed);
    EXPECT_TRUE(strip.m_bInScene);
    EXPECT_EQ("DrawPrimitive", m_pLog->CallNames()[strip.m_uCallIndex]);

    // Indexed draws keep their range and base.
    const RecordLog::Draw& indexed = m_pLog->DrawAt(2);
    EXPECT_TRUE(indexed.m_call.m_bIndexed);
    EXPECT_EQ(1u, indexed.m_call.m_uMinIndex);
    EXPECT_EQ(4u, indexed.m_call.m_uNumVertices);
    EXPECT_EQ(3u, indexed.m_call.m_uStartIndex);
    EXPECT_EQ(3u, indexed.m_call.m_uElementCount);
    EXPECT_EQ(2u, indexed.m_state.BaseVertexIndex());
    EXPECT_EQ(indices, static_cast<IDirect3DIndexBuffer8*>(indexed.m_state.Indices()));
    EXPECT_EQ(0u, strip.m_state.BaseVertexIndex());

    indices->Release();
    first->Release();
    second->Release();
    stream->Release();
}

TEST_F(RecordLogTest, CallsBetweenBeginSceneAndEndScene) {
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    ASSERT_EQ(D3D_OK, m_pDevice->BeginScene());
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    m_pDevice->SetVertexShader(0x144);
    m_pDevice->SetPixelShader(0);
    ASSERT_EQ(D3D_OK, m_pDevice->EndScene());
    m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(D3D_OK, m_pDevice->BeginScene());
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);

    ASSERT_EQ(2u, m_pLog->SceneCount());
    const std::vector<std::string> expected = {"Clear", "SetVertexShader", "SetPixelShader"};
    EXPECT_EQ(expected, m_pLog->CallsInScene(0));
    // A scene not yet ended runs to the last call.
    EXPECT_EQ(std::vector<std::string>{"SetRenderState"}, m_pLog->CallsInScene(1));
    EXPECT_TRUE(m_pLog->CallsInScene(2).empty());
    EXPECT_EQ(2u, m_pLog->CountCalls("SetRenderState"));
    EXPECT_EQ(1u, m_pLog->PresentCount());
    EXPECT_EQ("SetRenderState", m_pLog->CallNames().front());

    m_pLog->Clear();
    EXPECT_TRUE(m_pLog->CallNames().empty());
    EXPECT_EQ(0u, m_pLog->SceneCount());
    ASSERT_EQ(D3D_OK, m_pDevice->EndScene());
}

TEST_F(RecordLogTest, LongRunsCanKeepOnlyTheLastFrame) {
    IDirect3DVertexBuffer8* stream = MakeStream(3);
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
        EXPECT_EQ(1u, m_pLog->SceneCount());
    }
    EXPECT_EQ(3u, m_pLog->PresentCount());
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    EXPECT_EQ(0u, m_pLog->DrawCount());
    EXPECT_EQ(std::vector<std::string>{"SetRenderState"}, m_pLog->CallNames());
    stream->Release();
}

TEST_F(RecordLogTest, ClearsKeepTheirViewportAndRectangles) {
    const D3DVIEWPORT8 framed = {16, 8, 200, 100, 0.0f, 1.0f};
    m_pDevice->SetViewport(&framed);
    const D3DRECT rect = {20, 10, 40, 30};
    ASSERT_EQ(D3D_OK, m_pDevice->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF112233, 1.0f, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->Clear(0, nullptr, 0, 0, 1.0f, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0));  // D16: no stencil
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 2.0f, 0));
    ASSERT_EQ(1u, m_pLog->Clears().size());
    const RecordLog::ClearRecord& clear = m_pLog->Clears()[0];
    EXPECT_EQ(0xFF112233u, clear.m_color);
    EXPECT_EQ(16u, clear.m_viewport.X);
    EXPECT_EQ(200u, clear.m_viewport.Width);
    ASSERT_EQ(1u, clear.m_rects.size());
    EXPECT_EQ(40, clear.m_rects[0].x2);
}

TEST_F(RecordLogTest, FrontBufferReadsThePresentedClearColour) {
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.0f, 0);
    m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);  // not presented yet

    IDirect3DSurface8* shot = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->CreateImageSurface(512, 384, D3DFMT_A8R8G8B8, &shot));
    ASSERT_EQ(D3D_OK, m_pDevice->GetFrontBuffer(shot));
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(D3D_OK, shot->LockRect(&locked, nullptr, D3DLOCK_READONLY));
    DWORD pixel = 0;
    std::memcpy(&pixel, static_cast<BYTE*>(locked.pBits) + 383 * locked.Pitch + 511 * 4, 4);
    EXPECT_EQ(0xFF204060u, pixel);
    // A locked surface cannot be written into.
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->GetFrontBuffer(shot));
    shot->UnlockRect();
    shot->Release();

    // Too small, or of another format.
    for (const auto& [width, format] : {std::pair{256u, D3DFMT_A8R8G8B8}, {512u, D3DFMT_R5G6B5}}) {
        ASSERT_EQ(D3D_OK, m_pDevice->CreateImageSurface(width, 384, format, &shot));
        EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->GetFrontBuffer(shot)) << width << " " << format;
        shot->Release();
    }
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->GetFrontBuffer(nullptr));
}

TEST_F(RecordLogTest, CooperativeLevelAndCursorReachTheBackend) {
    RecordBackend& backend = static_cast<RecordBackend&>(static_cast<DeviceCore*>(m_pDevice)->Backend());
    EXPECT_EQ(D3D_OK, m_pDevice->TestCooperativeLevel());
    backend.SetCooperativeLevel(D3DERR_DEVICELOST);
    EXPECT_EQ(D3DERR_DEVICELOST, m_pDevice->TestCooperativeLevel());
    // While lost the device cannot be reset; once it may be, Reset brings it back.
    D3DPRESENT_PARAMETERS parameters = WindowedParameters();
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    EXPECT_EQ(D3DERR_DEVICELOST, m_pDevice->Reset(&parameters));
    EXPECT_EQ(static_cast<DWORD>(FALSE), RenderState(D3DRS_LIGHTING));
    backend.SetCooperativeLevel(D3DERR_DEVICENOTRESET);
    EXPECT_EQ(D3DERR_DEVICENOTRESET, m_pDevice->TestCooperativeLevel());
    ASSERT_EQ(D3D_OK, m_pDevice->Reset(&parameters));
    EXPECT_EQ(D3D_OK, m_pDevice->TestCooperativeLevel());

    IDirect3DSurface8* cursor = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->CreateImageSurface(32, 32, D3DFMT_A8R8G8B8, &cursor));
    EXPECT_EQ(D3D_OK, m_pDevice->SetCursorProperties(3, 4, cursor));
    EXPECT_EQ(3, backend.CursorHotSpot().x);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetCursorProperties(32, 0, cursor));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetCursorProperties(0, 0, nullptr));
    cursor->Release();
    m_pDevice->SetCursorPosition(100, 50, 0);
    EXPECT_EQ(100, backend.CursorPosition().x);
    EXPECT_EQ(FALSE, m_pDevice->ShowCursor(TRUE));
    EXPECT_TRUE(backend.IsCursorVisible());
    EXPECT_EQ(TRUE, m_pDevice->ShowCursor(FALSE));
    EXPECT_FALSE(backend.IsCursorVisible());
}
