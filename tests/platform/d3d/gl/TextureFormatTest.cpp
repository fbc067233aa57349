// Texture formats: block-compressed textures (where the device uploads them
// compressed or decoded) and the 16-bit formats.
#include <cstring>

#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/gl/GlBackend.h"
#include "support/RenderFixture.h"

namespace {

constexpr WORD kRed565 = 0xF800;
constexpr WORD kBlue565 = 0x001F;

// A DXT1 colour block: two 5:6:5 end points and sixteen 2-bit indices.
void ColourBlock(BYTE* block, WORD c0, WORD c1, DWORD indices) {
    block[0] = static_cast<BYTE>(c0);
    block[1] = static_cast<BYTE>(c0 >> 8);
    block[2] = static_cast<BYTE>(c1);
    block[3] = static_cast<BYTE>(c1 >> 8);
    std::memcpy(block + 4, &indices, 4);
}

// Row 0 uses indices 0, 1, 2, 3; the other rows index 0.
constexpr DWORD kFirstRowAllIndices = 0 | (1 << 2) | (2 << 4) | (3 << 6);

class TextureFormatTest : public RenderFixture {
protected:
    // Draws `texture` 1:1 at the top-left corner with its alpha blended over
    // black, so colour channels show colour x alpha.
    std::vector<DWORD> DrawOneToOne(IDirect3DTexture8* texture, UINT size) {
        m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        m_pDevice->SetTexture(0, texture);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        const float s = static_cast<float>(size) - 0.5f;
        const RhwTexVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                      {s, -0.5f, 0.5f, 1, 0xFFFFFFFF, 1, 0},
                                      {-0.5f, s, 0.5f, 1, 0xFFFFFFFF, 0, 1},
                                      {s, s, 0.5f, 1, 0xFFFFFFFF, 1, 1}};
        EXPECT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
        EXPECT_EQ(m_pDevice->BeginScene(), D3D_OK);
        m_pDevice->SetVertexShader(kRhwTexFvf);
        EXPECT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(RhwTexVertex)), D3D_OK);
        EXPECT_EQ(m_pDevice->EndScene(), D3D_OK);
        m_pDevice->SetTexture(0, nullptr);
        return Frame();
    }

    IDirect3DTexture8* Texture(UINT size, D3DFORMAT format, const void* bytes, UINT rowBytes, UINT rows) {
        IDirect3DTexture8* texture = nullptr;
        EXPECT_EQ(m_pDevice->CreateTexture(size, size, 1, 0, format, D3DPOOL_MANAGED, &texture), D3D_OK);
        if (texture == nullptr) {
            return nullptr;
        }
        D3DLOCKED_RECT locked = {};
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (UINT row = 0; row < rows; ++row) {
            std::memcpy(static_cast<BYTE*>(locked.pBits) + row * locked.Pitch,
                        static_cast<const BYTE*>(bytes) + row * rowBytes, rowBytes);
        }
        EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
        return texture;
    }
};

TEST_F(TextureFormatTest, Dxt1TextureShowsItsDecodedColours) {
    BYTE blocks[2][8];
    ColourBlock(blocks[0], kRed565, kBlue565, kFirstRowAllIndices);
    ColourBlock(blocks[1], kBlue565, kRed565, kFirstRowAllIndices);  // three-colour mode
    IDirect3DTexture8* texture = Texture(8, D3DFMT_DXT1, blocks, 16, 1);
    ASSERT_NE(texture, nullptr);
    const std::vector<DWORD> frame = DrawOneToOne(texture, 8);
    EXPECT_TRUE(ColourNear(At(frame, 0, 0), {255, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 1, 0), {0, 0, 255}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 2, 0), {170, 0, 85}, 2));
    EXPECT_TRUE(ColourNear(At(frame, 3, 0), {85, 0, 170}, 2));
    EXPECT_TRUE(ColourNear(At(frame, 6, 0), {127, 0, 127}, 2));
    EXPECT_TRUE(ColourNear(At(frame, 7, 0), {0, 0, 0}, 0));  // transparent texel over black
    texture->Release();
}

TEST_F(TextureFormatTest, DecodedUploadShowsWhatCompressedUploadShows) {
    BYTE blocks[4][16];
    for (int b = 0; b < 4; ++b) {
        for (int i = 0; i < 16; ++i) {
            blocks[b][i] = static_cast<BYTE>(b * 71 + i * 37 + (i * i) % 13);
        }
    }
    auto& backend = static_cast<GlBackend&>(static_cast<DeviceCore*>(m_pDevice)->Backend());
    for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
        SCOPED_TRACE(testing::Message() << "format " << format);
        const UINT blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
        std::vector<DWORD> frames[2];
        for (int decoded = 0; decoded < 2; ++decoded) {
            backend.UseCompressedUploads(decoded == 0);
            BYTE bytes[2][32];
            for (int row = 0; row < 2; ++row) {
                std::memcpy(bytes[row], blocks[row * 2], blockBytes);
                std::memcpy(bytes[row] + blockBytes, blocks[row * 2 + 1], blockBytes);
            }
            IDirect3DTexture8* texture = Texture(8, format, bytes, blockBytes * 2, 2);
            ASSERT_NE(texture, nullptr);
            frames[decoded] = DrawOneToOne(texture, 8);
            texture->Release();
        }
        for (UINT y = 0; y < 8; ++y) {
            for (UINT x = 0; x < 8; ++x) {
                const Rgb expected = ToRgb(At(frames[0], x, y));
                EXPECT_TRUE(ColourNear(At(frames[1], x, y), expected, 8)) << x << ", " << y;
            }
        }
    }
    backend.UseCompressedUploads(true);
}

TEST_F(TextureFormatTest, Dxt3AndDxt5AlphaReachTheBlend) {
    BYTE dxt3[16] = {};
    dxt3[0] = 0x80;  // pixel 0 alpha 0, pixel 1 alpha 8/15
    dxt3[1] = 0xFF;
    ColourBlock(dxt3 + 8, 0xFFFF, 0xFFFF, 0);
    IDirect3DTexture8* texture3 = Texture(4, D3DFMT_DXT3, dxt3, 16, 1);
    ASSERT_NE(texture3, nullptr);
    std::vector<DWORD> frame = DrawOneToOne(texture3, 4);
    EXPECT_TRUE(ColourNear(At(frame, 0, 0), {0, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 1, 0), {136, 136, 136}, 2));
    EXPECT_TRUE(ColourNear(At(frame, 2, 0), {255, 255, 255}, 0));
    texture3->Release();

    BYTE dxt5[16] = {};
    dxt5[0] = 255;
    dxt5[1] = 0;
    const ULONGLONG bits = 0 | (1ull << 3) | (4ull << 6);  // alpha 255, 0, (4 * 255 + 3 * 0) / 7
    for (int i = 0; i < 6; ++i) {
        dxt5[2 + i] = static_cast<BYTE>(bits >> (8 * i));
    }
    ColourBlock(dxt5 + 8, 0xFFFF, 0xFFFF, 0);
    IDirect3DTexture8* texture5 = Texture(4, D3DFMT_DXT5, dxt5, 16, 1);
    ASSERT_NE(texture5, nullptr);
    frame = DrawOneToOne(texture5, 4);
    EXPECT_TRUE(ColourNear(At(frame, 0, 0), {255, 255, 255}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 1, 0), {0, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 2, 0), {146, 146, 146}, 2));
    texture5->Release();
}

TEST_F(TextureFormatTest, SixteenBitFormatsReadTheirChannels) {
    struct Case {
        D3DFORMAT format;
        WORD texel;
        Rgb shown;  // over black, after alpha
    };
    const Case cases[] = {
        {D3DFMT_R5G6B5, 0xF81F, {255, 0, 255}}, {D3DFMT_X1R5G5B5, 0x03E0, {0, 255, 0}},  // no alpha bit, yet opaque
        {D3DFMT_A1R5G5B5, 0x7C00, {0, 0, 0}},                                            // alpha bit clear: transparent
        {D3DFMT_A1R5G5B5, 0xFC00, {255, 0, 0}}, {D3DFMT_A4R4G4B4, 0x80F0, {0, 136, 0}},  // half alpha, full green
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format << " texel " << c.texel);
        const WORD texels[4][4] = {{c.texel, c.texel, c.texel, c.texel},
                                   {c.texel, c.texel, c.texel, c.texel},
                                   {c.texel, c.texel, c.texel, c.texel},
                                   {c.texel, c.texel, c.texel, c.texel}};
        IDirect3DTexture8* texture = Texture(4, c.format, texels, 8, 4);
        ASSERT_NE(texture, nullptr);
        const std::vector<DWORD> frame = DrawOneToOne(texture, 4);
        EXPECT_TRUE(ColourNear(At(frame, 1, 1), c.shown, 2));
        texture->Release();
    }
}

TEST_F(TextureFormatTest, X8R8G8B8IgnoresItsUnusedByte) {
    const DWORD texels[4][4] = {{0x00336699, 0x00336699, 0x00336699, 0x00336699},
                                {0x00336699, 0x00336699, 0x00336699, 0x00336699},
                                {0x00336699, 0x00336699, 0x00336699, 0x00336699},
                                {0x00336699, 0x00336699, 0x00336699, 0x00336699}};
    IDirect3DTexture8* texture = Texture(4, D3DFMT_X8R8G8B8, texels, 16, 4);
    ASSERT_NE(texture, nullptr);
    const std::vector<DWORD> frame = DrawOneToOne(texture, 4);
    EXPECT_TRUE(ColourNear(At(frame, 2, 2), {0x33, 0x66, 0x99}, 0));
    texture->Release();
}

TEST_F(TextureFormatTest, ChangedTextureIsUploadedAgain) {
    DWORD texels[4][4];
    for (auto& row : texels) {
        for (DWORD& texel : row) {
            texel = 0xFFFF0000;
        }
    }
    IDirect3DTexture8* texture = Texture(4, D3DFMT_A8R8G8B8, texels, 16, 4);
    ASSERT_NE(texture, nullptr);
    EXPECT_TRUE(ColourNear(At(DrawOneToOne(texture, 4), 1, 1), {255, 0, 0}, 0));
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    static_cast<DWORD*>(locked.pBits)[0] = 0xFF00FF00;
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    const std::vector<DWORD> frame = DrawOneToOne(texture, 4);
    EXPECT_TRUE(ColourNear(At(frame, 0, 0), {0, 255, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 1, 1), {255, 0, 0}, 0));
    texture->Release();
}

}  // namespace
