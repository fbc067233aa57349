// Texture stage operations (with and without a texture), the alpha test on
// the 0..255 scale, blending, depth and stencil.
#include "platform/d3d/core/DeviceCore.h"
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

TEST_F(StageBlendTest, EachDrawSeesItsOwnTextureFactor) {
    SetStage(0, D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE);
    // Two draws of one frame with different factors, then a frame that goes
    // back to the first: none may show a factor it did not set.
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
        m_pDevice->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFF0000);
        DrawRhwQuad(-0.5f, -0.5f, 31.5f, 63.5f, 0.5f, kDiffuse);
        m_pDevice->SetRenderState(D3DRS_TEXTUREFACTOR, frame == 0 ? 0xFF00FF00 : 0xFFFF0000);
        DrawRhwQuad(31.5f, -0.5f, 63.5f, 63.5f, 0.5f, kDiffuse);
        ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
        const std::vector<DWORD> pixels = Frame();
        EXPECT_TRUE(ColourNear(At(pixels, 16, 32), {255, 0, 0}, 0)) << "frame " << frame;
        EXPECT_TRUE(ColourNear(At(pixels, 48, 32), frame == 0 ? Rgb{0, 255, 0} : Rgb{255, 0, 0}, 0))
            << "frame " << frame;
    }
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
         {Case{D3DCMP_GREATER, 0x80, false}, Case{D3DCMP_GREATER, 0x7F, true}, Case{D3DCMP_GREATEREQUAL, 0x80, true},
          Case{D3DCMP_LESS, 0x80, false}, Case{D3DCMP_LESS, 0x81, true}, Case{D3DCMP_EQUAL, 0x80, true},
          Case{D3DCMP_EQUAL, 0x81, false}, Case{D3DCMP_NOTEQUAL, 0x80, false}, Case{D3DCMP_NEVER, 0x00, false},
          Case{D3DCMP_ALWAYS, 0xFF, true}}) {
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
        // A quarter red over blue; additive; dest - source; the minimum.
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 0xFF0000FF, 0x40FF0000, {64, 0, 191}, 2},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD, 0xFF0000FF, 0x40FF0000, {255, 0, 255}, 0},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, 0xFF808080, 0xFF204060, {0x60, 0x40, 0x20}, 1},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_MIN, 0xFF808080, 0xFF20FF60, {0x20, 0x80, 0x60}, 1},
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

TEST_F(StageBlendTest, FlatShadingTakesTheFirstVertexColour) {
    PlainStates();
    m_pDevice->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    const RhwColourVertex triangle[3] = {
        {0, 0, 0.5f, 1, 0xFFFF0000}, {64, 0, 0.5f, 1, 0xFF00FF00}, {0, 64, 0.5f, 1, 0xFF0000FF}};
    DrawRhwTriangle(triangle);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    const std::vector<DWORD> frame = Frame();
    EXPECT_TRUE(ColourNear(At(frame, 30, 2), {255, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 2, 30), {255, 0, 0}, 0));
    m_pDevice->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    DrawRhwTriangle(triangle);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    EXPECT_GT(ToRgb(At(Frame(), 30, 2)).g, 100);
}

TEST_F(StageBlendTest, TextureMatrixMovesTwoCoordinates) {
    // Left half red, right half green; a texture matrix shifting u by half
    // swaps what the quad's halves show.
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(m_pDevice->CreateTexture(2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    static_cast<DWORD*>(locked.pBits)[0] = 0xFFFF0000;
    static_cast<DWORD*>(locked.pBits)[1] = 0xFF00FF00;
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetTexture(0, texture);
    SetStage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    D3DMATRIX shift = IdentityMatrix();
    shift._31 = 0.5f;  // (u, v, 1, 0): the third row adds to u
    m_pDevice->SetTransform(D3DTS_TEXTURE0, &shift);
    const D3DMATRIX identity = IdentityMatrix();
    m_pDevice->SetTransform(D3DTS_PROJECTION, &identity);
    struct Vertex {
        float x, y, z;
        float u, v;
    };
    const Vertex quad[4] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {-1, -1, 0.5f, 0, 1}, {1, -1, 0.5f, 1, 1}};
    std::vector<DWORD> frames[2];
    for (DWORD flags : {DWORD{D3DTTFF_DISABLE}, DWORD{D3DTTFF_COUNT2}}) {
        m_pDevice->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, flags);
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
        m_pDevice->SetVertexShader(D3DFVF_XYZ | D3DFVF_TEX1);
        ASSERT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex)), D3D_OK);
        ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
        frames[flags == D3DTTFF_COUNT2 ? 1 : 0] = Frame();
    }
    EXPECT_TRUE(ColourNear(At(frames[0], 8, 32), {255, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frames[0], 56, 32), {0, 255, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frames[1], 8, 32), {0, 255, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frames[1], 56, 32), {255, 0, 0}, 0));
    m_pDevice->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(StageBlendTest, DepthWriteAndStencilMaskLaterDraws) {
    D3DPRESENT_PARAMETERS parameters = static_cast<DeviceCore*>(m_pDevice)->PresentParameters();
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    ASSERT_EQ(m_pDevice->Reset(&parameters), D3D_OK);
    PlainStates();
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    m_pDevice->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0),
              D3D_OK);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    // Top left: a near quad without depth write does not hide a far one drawn
    // after; top right: with depth write it does.
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    DrawRhwQuad(-0.5f, -0.5f, 31.5f, 31.5f, 0.2f, 0xFFFF0000);
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    DrawRhwQuad(-0.5f, -0.5f, 31.5f, 31.5f, 0.8f, 0xFF00FF00);
    DrawRhwQuad(31.5f, -0.5f, 63.5f, 31.5f, 0.2f, 0xFFFF0000);
    DrawRhwQuad(31.5f, -0.5f, 63.5f, 31.5f, 0.8f, 0xFF00FF00);
    // Bottom: mark the left half with 1 without drawing colour, then draw
    // across the whole row where the mark is.
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_pDevice->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    m_pDevice->SetRenderState(D3DRS_STENCILREF, 1);
    m_pDevice->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    m_pDevice->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    DrawRhwQuad(-0.5f, 31.5f, 31.5f, 63.5f, 0.5f, 0xFFFFFFFF);
    m_pDevice->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    m_pDevice->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    m_pDevice->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    DrawRhwQuad(-0.5f, 31.5f, 63.5f, 63.5f, 0.5f, 0xFFFF0000);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    const std::vector<DWORD> frame = Frame();
    EXPECT_TRUE(ColourNear(At(frame, 16, 16), {0, 255, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 48, 16), {255, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 16, 48), {255, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 48, 48), {0, 0, 0}, 0));
}

}  // namespace
