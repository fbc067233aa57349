// Pre-transformed (XYZRHW) vertices as the overlay and the font draw them:
// pixel centres on integers, no transform, lighting or fog.
#include "support/RenderFixture.h"

namespace {

using PretransformedTest = RenderFixture;

DWORD Pattern(UINT x, UINT y) {
    // Every texel different, so a shift by one shows.
    return 0xFF000000u | ((x * 31 + 7) << 16) | ((y * 29 + 3) << 8) | ((x * 5 + y * 11) & 0xFF);
}

TEST_F(PretransformedTest, TexelAlignedQuadReproducesItsTextureExactly) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(m_pDevice->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < 8; ++y) {
        for (UINT x = 0; x < 8; ++x) {
            reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] = Pattern(x, y);
        }
    }
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetTexture(0, texture);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    // Pixels (10, 20) to (17, 27), edges on the half pixel.
    const RhwTexVertex quad[4] = {{9.5f, 19.5f, 0.5f, 1.0f, 0xFFFFFFFF, 0.0f, 0.0f},
                                  {17.5f, 19.5f, 0.5f, 1.0f, 0xFFFFFFFF, 1.0f, 0.0f},
                                  {9.5f, 27.5f, 0.5f, 1.0f, 0xFFFFFFFF, 0.0f, 1.0f},
                                  {17.5f, 27.5f, 0.5f, 1.0f, 0xFFFFFFFF, 1.0f, 1.0f}};
    for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
        SCOPED_TRACE(filter == D3DTEXF_POINT ? "point filter" : "linear filter");
        m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, filter);
        m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, filter);
        ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
        ASSERT_EQ(m_pDevice->SetVertexShader(kRhwTexFvf), D3D_OK);
        ASSERT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(RhwTexVertex)), D3D_OK);
        ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
        const std::vector<DWORD> frame = Frame();
        for (UINT y = 0; y < 8; ++y) {
            for (UINT x = 0; x < 8; ++x) {
                ASSERT_TRUE(ColourNear(At(frame, 10 + x, 20 + y), ToRgb(Pattern(x, y)), 0))
                    << "texel " << x << ", " << y;
            }
        }
        // Nothing spills onto the neighbouring pixels.
        EXPECT_TRUE(ColourNear(At(frame, 9, 20), {0, 0, 0}, 0));
        EXPECT_TRUE(ColourNear(At(frame, 18, 20), {0, 0, 0}, 0));
        EXPECT_TRUE(ColourNear(At(frame, 10, 19), {0, 0, 0}, 0));
        EXPECT_TRUE(ColourNear(At(frame, 10, 28), {0, 0, 0}, 0));
    }
    m_pDevice->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(PretransformedTest, PretransformedVerticesIgnoreTransformsLightingAndFog) {
    PlainStates();
    const D3DMATRIX shifted = TranslationMatrix(0.5f, 0.5f, 0.0f);
    m_pDevice->SetTransform(D3DTS_WORLD, &shifted);
    m_pDevice->SetTransform(D3DTS_VIEW, &shifted);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    m_pDevice->SetRenderState(D3DRS_FOGCOLOR, 0xFF0000FF);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    DrawRhwQuad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, 0xFF00FF00);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    const std::vector<DWORD> frame = Frame();
    EXPECT_TRUE(ColourNear(At(frame, 0, 0), {0, 255, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 3, 3), {0, 255, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 4, 4), {0, 0, 0}, 0));
}

}  // namespace
