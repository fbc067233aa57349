#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/DeviceTestSupport.h"
#include "platform/d3d/core/StatePolicy.h"

#include <utility>

using DeviceStateTest = RecordingDeviceTest;

// The recording device has an automatic depth buffer and software vertex processing.
TEST_F(DeviceStateTest, DefaultsAreThePlatformsDefaults) {
    const std::pair<D3DRENDERSTATETYPE, DWORD> renderStates[] = {{D3DRS_ZENABLE, D3DZB_TRUE},
                                                                 {D3DRS_LIGHTING, TRUE},
                                                                 {D3DRS_CULLMODE, D3DCULL_CCW},
                                                                 {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
                                                                 {D3DRS_SRCBLEND, D3DBLEND_ONE},
                                                                 {D3DRS_DESTBLEND, D3DBLEND_ZERO},
                                                                 {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
                                                                 {D3DRS_ZWRITEENABLE, TRUE},
                                                                 {D3DRS_ALPHABLENDENABLE, FALSE},
                                                                 {D3DRS_FOGENABLE, FALSE},
                                                                 {D3DRS_AMBIENT, 0},
                                                                 {D3DRS_COLORVERTEX, TRUE},
                                                                 {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
                                                                 {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
                                                                 {D3DRS_COLORWRITEENABLE, 0xF}};
    for (const auto& [state, value] : renderStates) {
        EXPECT_EQ(value, RenderState(state)) << state;
    }
    EXPECT_EQ(static_cast<DWORD>(TRUE), RenderState(D3DRS_SOFTWAREVERTEXPROCESSING));
    EXPECT_EQ(FloatBits(0.0f), RenderState(D3DRS_FOGSTART));
    EXPECT_EQ(FloatBits(1.0f), RenderState(D3DRS_FOGEND));
    const std::pair<D3DTEXTURESTAGESTATETYPE, DWORD> stageZero[] = {
        {D3DTSS_COLOROP, D3DTOP_MODULATE},  {D3DTSS_ALPHAOP, D3DTOP_SELECTARG1}, {D3DTSS_COLORARG1, D3DTA_TEXTURE},
        {D3DTSS_COLORARG2, D3DTA_CURRENT},  {D3DTSS_MINFILTER, D3DTEXF_POINT},   {D3DTSS_MIPFILTER, D3DTEXF_NONE},
        {D3DTSS_ADDRESSU, D3DTADDRESS_WRAP}};
    for (const auto& [type, value] : stageZero) {
        EXPECT_EQ(value, StageState(0, type)) << type;
    }
    for (DWORD stage = 1; stage < 8; ++stage) {
        EXPECT_EQ(static_cast<DWORD>(D3DTOP_DISABLE), StageState(stage, D3DTSS_COLOROP));
        EXPECT_EQ(static_cast<DWORD>(D3DTOP_DISABLE), StageState(stage, D3DTSS_ALPHAOP));
        EXPECT_EQ(stage, StageState(stage, D3DTSS_TEXCOORDINDEX));
    }

    D3DVIEWPORT8 viewport = {};
    ASSERT_EQ(D3D_OK, m_pDevice->GetViewport(&viewport));
    EXPECT_EQ(0u, viewport.X);
    EXPECT_EQ(512u, viewport.Width);
    EXPECT_EQ(384u, viewport.Height);
    EXPECT_EQ(1.0f, viewport.MaxZ);

    D3DMATRIX world = MakeMatrix(5.0f);
    ASSERT_EQ(D3D_OK, m_pDevice->GetTransform(D3DTS_WORLDMATRIX(200), &world));
    EXPECT_TRUE(SameMatrix(DeviceState::Identity(), world));
    IDirect3DBaseTexture8* texture = reinterpret_cast<IDirect3DBaseTexture8*>(0x1);
    ASSERT_EQ(D3D_OK, m_pDevice->GetTexture(0, &texture));
    EXPECT_EQ(nullptr, texture);

    Create(WindowedParameters(320, 240, false));
    EXPECT_EQ(static_cast<DWORD>(D3DZB_FALSE), RenderState(D3DRS_ZENABLE));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0));
    EXPECT_EQ(D3D_OK, m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0));
}

TEST_F(DeviceStateTest, TransformsIncludeTheWorldPaletteAndMultiplyOnTheLeft) {
    const D3DMATRIX view = MakeMatrix(1.0f);
    const D3DMATRIX bone = MakeMatrix(100.0f);
    ASSERT_EQ(D3D_OK, m_pDevice->SetTransform(D3DTS_VIEW, &view));
    ASSERT_EQ(D3D_OK, m_pDevice->SetTransform(D3DTS_WORLDMATRIX(37), &bone));
    D3DMATRIX read = {};
    ASSERT_EQ(D3D_OK, m_pDevice->GetTransform(D3DTS_VIEW, &read));
    EXPECT_TRUE(SameMatrix(view, read));
    ASSERT_EQ(D3D_OK, m_pDevice->GetTransform(static_cast<D3DTRANSFORMSTATETYPE>(256 + 37), &read));
    EXPECT_TRUE(SameMatrix(bone, read));
    EXPECT_EQ(38u, static_cast<DeviceCore*>(m_pDevice)->State().PaletteEntriesInUse());

    // Current = translation by (1, 2, 3); multiplied by a scale of 2: the
    // scale applies first, so the translation stays (1, 2, 3).
    D3DMATRIX translate = DeviceState::Identity();
    translate._41 = 1.0f;
    translate._42 = 2.0f;
    translate._43 = 3.0f;
    D3DMATRIX scale = DeviceState::Identity();
    scale._11 = scale._22 = scale._33 = 2.0f;
    ASSERT_EQ(D3D_OK, m_pDevice->SetTransform(D3DTS_WORLD, &translate));
    ASSERT_EQ(D3D_OK, m_pDevice->MultiplyTransform(D3DTS_WORLD, &scale));
    ASSERT_EQ(D3D_OK, m_pDevice->GetTransform(D3DTS_WORLD, &read));
    EXPECT_EQ(2.0f, read._11);
    EXPECT_EQ(1.0f, read._41);
    EXPECT_EQ(2.0f, read._42);
    EXPECT_EQ(3.0f, read._43);

    for (DWORD bad : {0u, 1u, 4u, 15u, 24u, 255u, 512u}) {
        EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(bad), &view)) << bad;
        EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->GetTransform(static_cast<D3DTRANSFORMSTATETYPE>(bad), &read));
    }
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetTransform(D3DTS_VIEW, nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->MultiplyTransform(D3DTS_VIEW, nullptr));
}

TEST_F(DeviceStateTest, DirectionalLightsAreStoredAndBadOnesLeaveThemAlone) {
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
    light.Direction = {0.0f, -1.0f, 0.0f};
    D3DLIGHT8 read = {};
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->GetLight(2, &read));  // never set
    ASSERT_EQ(D3D_OK, m_pDevice->SetLight(2, &light));
    ASSERT_EQ(D3D_OK, m_pDevice->GetLight(2, &read));
    EXPECT_EQ(0.5f, read.Diffuse.g);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetLight(8, &light));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->LightEnable(8, TRUE));
    BOOL enabled = FALSE;
    ASSERT_EQ(D3D_OK, m_pDevice->LightEnable(2, TRUE));
    ASSERT_EQ(D3D_OK, m_pDevice->GetLightEnable(2, &enabled));
    EXPECT_EQ(TRUE, enabled);
    light.Direction = {0.0f, 0.0f, 0.0f};
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetLight(2, &light));
    ASSERT_EQ(D3D_OK, m_pDevice->GetLight(2, &read));
    EXPECT_EQ(-1.0f, read.Direction.y);
}

TEST_F(DeviceStateTest, ViewportMaterialAndShaders) {
    const D3DVIEWPORT8 framed = {32, 24, 448, 336, 0.0f, 1.0f};
    ASSERT_EQ(D3D_OK, m_pDevice->SetViewport(&framed));
    D3DVIEWPORT8 read = {};
    ASSERT_EQ(D3D_OK, m_pDevice->GetViewport(&read));
    EXPECT_EQ(32u, read.X);
    EXPECT_EQ(336u, read.Height);

    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetMaterial(nullptr));

    ASSERT_EQ(D3D_OK, m_pDevice->SetVertexShader(0x144));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetVertexShader(0x1000));
    DWORD shader = 0;
    ASSERT_EQ(D3D_OK, m_pDevice->GetVertexShader(&shader));
    EXPECT_EQ(0x144u, shader);
    EXPECT_EQ(D3D_OK, m_pDevice->SetPixelShader(0));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetPixelShader(1));
}

TEST_F(DeviceStateTest, DrawsNeedASceneAndStayInsideTheirBuffers) {
    IDirect3DVertexBuffer8* stream = MakeStream(6);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2));  // no scene
    ASSERT_EQ(D3D_OK, m_pDevice->BeginScene());
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->BeginScene());
    EXPECT_EQ(D3D_OK, m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2));
    EXPECT_EQ(D3D_OK, m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 2, 2));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 2));  // vertex 6
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 3));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0xFFFFFFF0u, 2));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(9), 0, 1));

    // A stride shorter than the vertex format would read past the end.
    ASSERT_EQ(D3D_OK, m_pDevice->SetStreamSource(0, stream, 16));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DrawPrimitive(D3DPT_POINTLIST, 0, 1));
    ASSERT_EQ(D3D_OK, m_pDevice->SetStreamSource(0, stream, 24));

    // A locked buffer cannot be drawn.
    BYTE* data = nullptr;
    ASSERT_EQ(D3D_OK, stream->Lock(0, 0, &data, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DrawPrimitive(D3DPT_POINTLIST, 0, 1));
    stream->Unlock();

    // Indexed: every index, plus the base vertex, must reach a vertex of the stream.
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices));
    ASSERT_EQ(D3D_OK, indices->Lock(0, 0, &data, 0));
    const WORD values[6] = {0, 1, 2, 2, 1, 5};
    std::memcpy(data, values, sizeof(values));
    indices->Unlock();
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 6, 0, 2));  // none set
    ASSERT_EQ(D3D_OK, m_pDevice->SetIndices(indices, 0));
    EXPECT_EQ(D3D_OK, m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 6, 0, 2));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 6, 1, 2));  // index 6
    ASSERT_EQ(D3D_OK, m_pDevice->SetIndices(indices, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 6, 0, 2));  // 1 + 5
    EXPECT_EQ(D3D_OK, m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1));              // 1 + 2

    // User-pointer draws leave stream 0 unset.
    const float quad[4 * 6] = {};
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 20));
    EXPECT_EQ(D3D_OK, m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 24));
    IDirect3DVertexBuffer8* bound = stream;
    UINT stride = 1;
    ASSERT_EQ(D3D_OK, m_pDevice->GetStreamSource(0, &bound, &stride));
    EXPECT_EQ(nullptr, bound);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DrawPrimitive(D3DPT_POINTLIST, 0, 1));

    ASSERT_EQ(D3D_OK, m_pDevice->EndScene());
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->EndScene());
    EXPECT_EQ(5u, m_pLog->DrawCount());
    indices->Release();
    stream->Release();
}

TEST_F(DeviceStateTest, StreamsAndTexturesFromElsewhereAreRefused) {
    IDirect3DDevice8* other = nullptr;
    RecordLog* otherLog = nullptr;
    D3DPRESENT_PARAMETERS parameters = WindowedParameters();
    ASSERT_EQ(D3D_OK, CreateRecordingDevice(&parameters, nullptr, &other, &otherLog));
    IDirect3DTexture8* foreign = nullptr;
    ASSERT_EQ(D3D_OK, other->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &foreign));
    IDirect3DVertexBuffer8* foreignStream = nullptr;
    ASSERT_EQ(D3D_OK, other->CreateVertexBuffer(96, 0, 0x142, D3DPOOL_MANAGED, &foreignStream));

    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetTexture(0, foreign));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetStreamSource(0, foreignStream, 24));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetTexture(8, nullptr));
    IDirect3DVertexBuffer8* own = MakeStream(4);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetStreamSource(1, own, 24));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetStreamSource(0, own, 0));

    foreign->Release();
    foreignStream->Release();
    own->Release();
    EXPECT_EQ(0u, other->Release());
}

TEST_F(DeviceStateTest, DirtyBitsTellABackendWhatChangedSinceTheLastDraw) {
    IDirect3DVertexBuffer8* stream = MakeStream(3);
    IDirect3DTexture8* texture = MakeTexture();
    ASSERT_EQ(D3D_OK, m_pDevice->BeginScene());
    ASSERT_EQ(D3D_OK, m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(static_cast<DWORD>(DeviceState::DIRTY_ALL), m_pLog->StateAtDraw(0).Dirty());

    // Nothing changed: nothing to upload.
    ASSERT_EQ(D3D_OK, m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(0u, m_pLog->StateAtDraw(1).Dirty());

    const D3DMATRIX bone = MakeMatrix(2.0f);
    m_pDevice->SetTransform(D3DTS_WORLDMATRIX(5), &bone);
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    m_pDevice->SetTexture(0, texture);
    ASSERT_EQ(D3D_OK, m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(
        static_cast<DWORD>(DeviceState::DIRTY_PALETTE | DeviceState::DIRTY_RENDER_STATES | DeviceState::DIRTY_TEXTURES),
        m_pLog->StateAtDraw(2).Dirty());

    // Binding the same texture again is no change; the world matrix is its own category.
    m_pDevice->SetTexture(0, texture);
    m_pDevice->SetTransform(D3DTS_WORLD, &bone);
    ASSERT_EQ(D3D_OK, m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(static_cast<DWORD>(DeviceState::DIRTY_WORLD), m_pLog->StateAtDraw(3).Dirty());

    // Rejected calls raise nothing.
    m_pDevice->SetRenderState(static_cast<D3DRENDERSTATETYPE>(2), 1);
    m_pDevice->SetPixelShader(7);
    ASSERT_EQ(D3D_OK, m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(0u, m_pLog->StateAtDraw(4).Dirty());
    ASSERT_EQ(D3D_OK, m_pDevice->EndScene());
    texture->Release();
    stream->Release();
}

// Known states store what they are given; unknown ones are refused both ways
// and leave the stored block (which has slots for some of them) untouched.
TEST_F(DeviceStateTest, TheDeviceAcceptsExactlyTheStatesInTheTable) {
    const DeviceState before = static_cast<DeviceCore*>(m_pDevice)->State();
    for (DWORD state = 0; state < 300; ++state) {
        const auto rs = static_cast<D3DRENDERSTATETYPE>(state);
        const bool known = StatePolicyTable::ForRenderState(state) != StatePolicy::Unknown;
        EXPECT_EQ(known ? D3D_OK : D3DERR_INVALIDCALL, m_pDevice->SetRenderState(rs, 0x5A5A0000u + state)) << state;
        DWORD value = 0;
        EXPECT_EQ(known ? D3D_OK : D3DERR_INVALIDCALL, m_pDevice->GetRenderState(rs, &value)) << state;
        if (known) {
            EXPECT_EQ(0x5A5A0000u + state, value) << state;
        } else if (state < DeviceState::kRenderStateCount) {
            EXPECT_EQ(before.RenderState(rs), static_cast<DeviceCore*>(m_pDevice)->State().RenderState(rs)) << state;
        }
    }
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetRenderState(static_cast<D3DRENDERSTATETYPE>(1000), 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->GetRenderState(D3DRS_LIGHTING, nullptr));
    for (DWORD type = 0; type <= 40; ++type) {
        const auto tss = static_cast<D3DTEXTURESTAGESTATETYPE>(type);
        const bool known = StatePolicyTable::ForStageState(type) != StatePolicy::Unknown;
        EXPECT_EQ(known ? D3D_OK : D3DERR_INVALIDCALL, m_pDevice->SetTextureStageState(7, tss, 0xA0 + type)) << type;
        if (known) {
            EXPECT_EQ(0xA0 + type, StageState(7, tss));
        }
    }
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_ADD));
    EXPECT_EQ(static_cast<DWORD>(D3DTOP_MODULATE), StageState(0, D3DTSS_COLOROP));
}
