#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/DeviceTestSupport.h"

using StateBlockTest = RecordingDeviceTest;

TEST_F(StateBlockTest, RecordingStoresTheStatesLeavesTheDeviceAloneAndRefusesCaptureApplyAndReset) {
    IDirect3DTexture8* glyphs = MakeTexture();
    ASSERT_EQ(D3D_OK, m_pDevice->BeginStateBlock());
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->BeginStateBlock());
    ASSERT_EQ(D3D_OK, m_pDevice->SetTexture(0, glyphs));
    ASSERT_EQ(D3D_OK, m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE));
    ASSERT_EQ(D3D_OK, m_pDevice->SetRenderState(D3DRS_ALPHAREF, 0x08));
    ASSERT_EQ(D3D_OK, m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR));
    const D3DMATRIX bone = MakeMatrix(9.0f);
    ASSERT_EQ(D3D_OK, m_pDevice->SetTransform(D3DTS_WORLDMATRIX(3), &bone));
    D3DMATERIAL8 red = {};
    red.Diffuse = {1.0f, 0.0f, 0.0f, 1.0f};
    ASSERT_EQ(D3D_OK, m_pDevice->SetMaterial(&red));
    DWORD token = 0;
    ASSERT_EQ(D3D_OK, m_pDevice->EndStateBlock(&token));
    EXPECT_NE(0u, token);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->EndStateBlock(&token));
    // While recording, capture, apply and reset are refused.
    ASSERT_EQ(D3D_OK, m_pDevice->BeginStateBlock());
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->ApplyStateBlock(token));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->CaptureStateBlock(token));
    D3DPRESENT_PARAMETERS parameters = WindowedParameters();
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->Reset(&parameters));
    DWORD second = 0;
    ASSERT_EQ(D3D_OK, m_pDevice->EndStateBlock(&second));

    // Nothing reached the device while recording.
    EXPECT_EQ(static_cast<DWORD>(FALSE), RenderState(D3DRS_ALPHABLENDENABLE));
    EXPECT_EQ(0u, RenderState(D3DRS_ALPHAREF));
    EXPECT_EQ(static_cast<DWORD>(D3DTEXF_POINT), StageState(0, D3DTSS_MINFILTER));
    IDirect3DBaseTexture8* bound = nullptr;
    m_pDevice->GetTexture(0, &bound);
    EXPECT_EQ(nullptr, bound);

    ASSERT_EQ(D3D_OK, m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE));
    ASSERT_EQ(D3D_OK, m_pDevice->ApplyStateBlock(token));
    EXPECT_EQ(static_cast<DWORD>(TRUE), RenderState(D3DRS_ALPHABLENDENABLE));
    EXPECT_EQ(0x08u, RenderState(D3DRS_ALPHAREF));
    EXPECT_EQ(static_cast<DWORD>(D3DTEXF_LINEAR), StageState(0, D3DTSS_MINFILTER));
    EXPECT_EQ(static_cast<DWORD>(FALSE), RenderState(D3DRS_LIGHTING));  // not recorded: untouched
    EXPECT_EQ(static_cast<DWORD>(D3DCULL_CCW), RenderState(D3DRS_CULLMODE));
    m_pDevice->GetTexture(0, &bound);
    EXPECT_EQ(glyphs, bound);
    bound->Release();
    D3DMATRIX read = {};
    m_pDevice->GetTransform(D3DTS_WORLDMATRIX(3), &read);
    EXPECT_TRUE(SameMatrix(bone, read));
    D3DMATERIAL8 material = {};
    m_pDevice->GetMaterial(&material);
    EXPECT_EQ(1.0f, material.Diffuse.r);
    glyphs->Release();
}

TEST_F(StateBlockTest, CaptureReReadsExactlyTheRecordedStates) {
    // The font's pattern: a "saved" block recorded with the draw states,
    // captured from the caller's states before drawing and applied after.
    auto record = [this](DWORD* token) {
        ASSERT_EQ(D3D_OK, m_pDevice->BeginStateBlock());
        m_pDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
        m_pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        ASSERT_EQ(D3D_OK, m_pDevice->EndStateBlock(token));
    };
    DWORD saved = 0;
    DWORD draw = 0;
    record(&saved);
    record(&draw);
    EXPECT_NE(saved, draw);

    // The caller's states.
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetRenderState(D3DRS_AMBIENT, 0xFF0A0A1E);

    ASSERT_EQ(D3D_OK, m_pDevice->CaptureStateBlock(saved));
    ASSERT_EQ(D3D_OK, m_pDevice->ApplyStateBlock(draw));
    EXPECT_EQ(static_cast<DWORD>(FALSE), RenderState(D3DRS_FOGENABLE));
    EXPECT_EQ(static_cast<DWORD>(D3DZB_FALSE), RenderState(D3DRS_ZENABLE));
    EXPECT_EQ(static_cast<DWORD>(D3DCULL_CCW), RenderState(D3DRS_CULLMODE));
    EXPECT_EQ(static_cast<DWORD>(D3DTOP_DISABLE), StageState(1, D3DTSS_COLOROP));
    m_pDevice->SetRenderState(D3DRS_AMBIENT, 0x11223344);  // changed while drawing, not recorded

    ASSERT_EQ(D3D_OK, m_pDevice->ApplyStateBlock(saved));
    EXPECT_EQ(static_cast<DWORD>(TRUE), RenderState(D3DRS_FOGENABLE));
    EXPECT_EQ(static_cast<DWORD>(D3DZB_TRUE), RenderState(D3DRS_ZENABLE));
    EXPECT_EQ(static_cast<DWORD>(D3DCULL_NONE), RenderState(D3DRS_CULLMODE));
    EXPECT_EQ(static_cast<DWORD>(D3DTOP_MODULATE), StageState(1, D3DTSS_COLOROP));
    EXPECT_EQ(0x11223344u, RenderState(D3DRS_AMBIENT));

    EXPECT_EQ(D3D_OK, m_pDevice->DeleteStateBlock(saved));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->ApplyStateBlock(saved));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->CaptureStateBlock(saved));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->DeleteStateBlock(saved));
    EXPECT_EQ(D3D_OK, m_pDevice->DeleteStateBlock(draw));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->ApplyStateBlock(0));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->ApplyStateBlock(77));
}
