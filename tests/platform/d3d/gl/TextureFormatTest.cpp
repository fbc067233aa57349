// Texture formats: block-compressed textures (where the device uploads them
// compressed or decoded) and the 16-bit formats.
#include <cstring>

#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/gl/GlBackend.h"
#include "support/RenderFixture.h"

namespace {

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

// The first row of each texture over black, as the format decodes it.
TEST_F(TextureFormatTest, CompressedTexturesShowTheirDecodedColoursAndAlpha) {
    struct Case {
        D3DFORMAT format;
        UINT size;
        std::vector<BYTE> blocks;  // the first row of blocks
        std::vector<Rgb> firstRow;
    };
    const Case cases[] = {
        // Red and blue 5:6:5 end points with indices 0, 1, 2, 3 along row 0;
        // the second block swaps them: the three-colour mode.
        {D3DFMT_DXT1,
         8,
         {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0, 0x1F, 0x00, 0x00, 0xF8, 0xE4, 0, 0, 0},
         {{255, 0, 0}, {0, 0, 255}, {170, 0, 85}, {85, 0, 170}, {0, 0, 255}, {255, 0, 0}, {127, 0, 127}, {0, 0, 0}}},
        // Explicit alpha 0, 8/15, 15, 15 over white.
        {D3DFMT_DXT3,
         4,
         {0x80, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0},
         {{0, 0, 0}, {136, 136, 136}, {255, 255, 255}, {255, 255, 255}}},
        // Alpha end points 255 and 0, indices 0, 1, 4 (four sevenths of 255), 0.
        {D3DFMT_DXT5,
         4,
         {0xFF, 0x00, 0x08, 0x01, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0},
         {{255, 255, 255}, {0, 0, 0}, {146, 146, 146}, {255, 255, 255}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format);
        IDirect3DTexture8* texture = Texture(c.size, c.format, c.blocks.data(), static_cast<UINT>(c.blocks.size()), 1);
        ASSERT_NE(texture, nullptr);
        const std::vector<DWORD> frame = DrawOneToOne(texture, c.size);
        for (UINT x = 0; x < c.firstRow.size(); ++x) {
            EXPECT_TRUE(ColourNear(At(frame, x, 0), c.firstRow[x], 2)) << "x " << x;
        }
        texture->Release();
    }
}

TEST_F(TextureFormatTest, DecodedUploadShowsWhatCompressedUploadShows) {
    // Arbitrary block bytes: both paths must agree whatever the blocks hold.
    BYTE bytes[64];
    for (int i = 0; i < 64; ++i) {
        bytes[i] = static_cast<BYTE>(i * 37 + (i * i) % 13);
    }
    auto& backend = static_cast<GlBackend&>(static_cast<DeviceCore*>(m_pDevice)->Backend());
    for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
        SCOPED_TRACE(testing::Message() << "format " << format);
        const UINT blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
        std::vector<DWORD> frames[2];
        for (int decoded = 0; decoded < 2; ++decoded) {
            backend.UseCompressedUploads(decoded == 0);
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

TEST_F(TextureFormatTest, UncompressedFormatsReadTheirChannels) {
    struct Case {
        D3DFORMAT format;
        DWORD texel;
        Rgb shown;  // over black, after alpha
    };
    const Case cases[] = {
        {D3DFMT_R5G6B5, 0xF81F, {255, 0, 255}},
        {D3DFMT_X1R5G5B5, 0x03E0, {0, 255, 0}},  // no alpha bit, yet opaque
        {D3DFMT_A1R5G5B5, 0x7C00, {0, 0, 0}},    // alpha bit clear: transparent
        {D3DFMT_A1R5G5B5, 0xFC00, {255, 0, 0}},
        {D3DFMT_A4R4G4B4, 0x80F0, {0, 136, 0}},             // half alpha, full green
        {D3DFMT_X8R8G8B8, 0x00336699, {0x33, 0x66, 0x99}},  // unused byte ignored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format << " texel " << c.texel);
        const UINT bytes = c.format == D3DFMT_X8R8G8B8 ? 4 : 2;
        BYTE texels[4][16];
        for (UINT i = 0; i < 16; ++i) {
            std::memcpy(&texels[0][0] + i * bytes, &c.texel, bytes);
        }
        IDirect3DTexture8* texture = Texture(4, c.format, texels, 4 * bytes, 4);
        ASSERT_NE(texture, nullptr);
        EXPECT_TRUE(ColourNear(At(DrawOneToOne(texture, 4), 1, 1), c.shown, 2));
        texture->Release();
    }
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
