// Texture stage operations (with and without a texture), the alpha test on
// the 0..255 scale, blending and depth writes.
#include "support/RenderFixture.h"

namespace {

class StageBlendTest : public RenderFixture {
protected:
    IDirect3DTexture8* SolidTexture(DWORD colour) {
        IDirect3DTexture8* texture = nullptr;
        EXPECT_EQ(m_pDevice->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
        D3DLOCKED_RECT locked = {};
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < 4; ++y) {
            auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
            for (UINT x = 0; x < 4; ++x) {
                row[x] = colour;
            }
        }
        EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
        return texture;
    }

    void DrawTexturedRhwQuad(DWORD colour) {
        const RhwTexVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1, colour, 0, 0},
                                      {63.5f, -0.5f, 0.5f, 1, colour, 1, 0},
                                      {-0.5f, 63.5f, 0.5f, 1, colour, 0, 1},
                                      {63.5f, 63.5f, 0.5f, 1, colour, 1, 1}};
        ASSERT_EQ(m_pDevice->SetVertexShader(kRhwTexFvf), D3D_OK);
        ASSERT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(RhwTexVertex)), D3D_OK);
    }

    // One full-screen draw with the current stage states; the centre pixel.
    DWORD Render(DWORD diffuse) {
        EXPECT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
        EXPECT_EQ(m_pDevice->BeginScene(), D3D_OK);
        DrawTexturedRhwQuad(diffuse);
        EXPECT_EQ(m_pDevice->EndScene(), D3D_OK);
        return At(Frame(), 32, 32);
    }

    void SetStage(DWORD stage, DWORD op, DWORD arg1, DWORD arg2) {
        m_pDevice->SetTextureStageState(stage, D3DTSS_COLOROP, op);
        m_pDevice->SetTextureStageState(stage, D3DTSS_COLORARG1, arg1);
        m_pDevice->SetTextureStageState(stage, D3DTSS_COLORARG2, arg2);
    }
};

constexpr DWORD kTexel = 0xFF80C040;    // (128, 192, 64)
constexpr DWORD kDiffuse = 0xFF4080FF;  // (64, 128, 255)

// Stage 0 reads the texel (128, 192, 64) or, without a texture, opaque white;
// stage 1 reads a grey texel or white and takes stage 0's result as current.
TEST_F(StageBlendTest, StageOperationsCascadeAndMissingTexturesReadWhite) {
    IDirect3DTexture8* textures[2] = {SolidTexture(kTexel), SolidTexture(0xFF808080)};
    struct Case {
        bool texture0, texture1;
        DWORD op0, arg01, arg02, op1;
        Rgb expected;
        int tolerance;
    };
    const Case cases[] = {
        {true, false, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, {32, 96, 64}, 2},
        {true, false, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, {128, 192, 64}, 1},
        {true, false, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, {64, 128, 255}, 1},
        // Current in stage 0 is the diffuse colour.
        {true, false, D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_TEXTURE, D3DTOP_DISABLE, {64, 128, 255}, 1},
        {true, false, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, {64, 128, 255}, 1},
        {false, false, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, {64, 128, 255}, 1},
        {false, false, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, {255, 255, 255}, 0},
        {true, false, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, {128, 192, 64}, 1},
        {true, true, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, {64, 96, 32}, 2},
        {true, true, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, {128, 192, 64}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "ops " << c.op0 << ", " << c.op1 << " textures " << c.texture0
                                        << c.texture1);
        m_pDevice->SetTexture(0, c.texture0 ? textures[0] : nullptr);
        m_pDevice->SetTexture(1, c.texture1 ? textures[1] : nullptr);
        SetStage(0, c.op0, c.arg01, c.arg02);
        SetStage(1, c.op1, D3DTA_TEXTURE, D3DTA_CURRENT);
        EXPECT_TRUE(ColourNear(Render(kDiffuse), c.expected, c.tolerance));
    }
    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetTexture(1, nullptr);
    textures[0]->Release();
    textures[1]->Release();
}

TEST_F(StageBlendTest, AlphaTestComparesOnTheByteScale) {
    PlainStates();
    m_pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    struct Case {
        DWORD func;
        DWORD ref;
        bool drawn;
    };
    const DWORD colour = 0x80FF0000;  // alpha 128
    for (const Case c :
         {Case{D3DCMP_GREATEREQUAL, 0x80, true}, Case{D3DCMP_GREATEREQUAL, 0x81, false},
          Case{D3DCMP_GREATER, 0x80, false}, Case{D3DCMP_LESS, 0x81, true}, Case{D3DCMP_NEVER, 0, false}}) {
        SCOPED_TRACE(testing::Message() << "func " << c.func << " ref " << c.ref);
        m_pDevice->SetRenderState(D3DRS_ALPHAFUNC, c.func);
        m_pDevice->SetRenderState(D3DRS_ALPHAREF, c.ref);
        EXPECT_TRUE(ColourNear(Render(colour), c.drawn ? Rgb{255, 0, 0} : Rgb{0, 0, 0}, 0));
    }
    // With the test off everything is drawn.
    m_pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_NEVER);
    EXPECT_TRUE(ColourNear(Render(colour), {255, 0, 0}, 0));
}

TEST_F(StageBlendTest, BlendFactorsAndOperations) {
    PlainStates();
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    struct Case {
        DWORD src, dest, op, background, colour;
        Rgb expected;
        int tolerance;
    };
    const Case cases[] = {
        // A quarter red over blue; additive.
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 0xFF0000FF, 0x40FF0000, {64, 0, 191}, 2},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD, 0xFF0000FF, 0x40FF0000, {255, 0, 255}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "blend " << c.src << ", " << c.dest << " op " << c.op);
        m_pDevice->SetRenderState(D3DRS_SRCBLEND, c.src);
        m_pDevice->SetRenderState(D3DRS_DESTBLEND, c.dest);
        m_pDevice->SetRenderState(D3DRS_BLENDOP, c.op);
        ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, c.background, 1.0f, 0), D3D_OK);
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
        DrawRhwQuad(-0.5f, -0.5f, 63.5f, 63.5f, 0.5f, c.colour);
        ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
        EXPECT_TRUE(ColourNear(At(Frame(), 32, 32), c.expected, c.tolerance));
    }
}

TEST_F(StageBlendTest, ANearDrawWithoutDepthWriteDoesNotHideALaterFarOne) {
    PlainStates();
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    m_pDevice->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    // Left: the near quad writes no depth; right: it does.
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    DrawRhwQuad(-0.5f, -0.5f, 31.5f, 63.5f, 0.2f, 0xFFFF0000);
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    DrawRhwQuad(-0.5f, -0.5f, 31.5f, 63.5f, 0.8f, 0xFF00FF00);
    DrawRhwQuad(31.5f, -0.5f, 63.5f, 63.5f, 0.2f, 0xFFFF0000);
    DrawRhwQuad(31.5f, -0.5f, 63.5f, 63.5f, 0.8f, 0xFF00FF00);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    const std::vector<DWORD> frame = Frame();
    EXPECT_TRUE(ColourNear(At(frame, 16, 32), {0, 255, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 48, 32), {255, 0, 0}, 0));
}

}  // namespace
