// The font's glyph sheet, the quads it draws and how it batches them.
#include "framework/BitmapFont.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/FrameHarness.h"
#include "support/PresentParameters.h"

namespace {

struct Vertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
static_assert(sizeof(Vertex) == 28);

std::vector<Vertex> VerticesOf(const BackendEvent& draw) {
    std::vector<Vertex> out(draw.m_vertices.size() / sizeof(Vertex));
    std::memcpy(out.data(), draw.m_vertices.data(), out.size() * sizeof(Vertex));
    return out;
}

class BitmapFontTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_caps = TableDirect3D::Capable(D3DDEVTYPE_HAL, {}).m_caps;
        Recreate();
    }
    void TearDown() override { Release(); }
    void Release() {
        if (m_pDevice != nullptr) {
            EXPECT_EQ(0u, m_pDevice->Release()) << "the font left something on the device";
            m_pDevice = nullptr;
        }
    }
    void Recreate() {
        Release();
        m_pDevice = CreateBareTestDevice(&m_log, 512, 384, &m_caps);
        ASSERT_NE(nullptr, m_pDevice);
    }
    // Glyph width and height in pixels, as the font draws them.
    static float Width(const BitmapFont& font, char c) {
        const float* r = font.GlyphRect(static_cast<unsigned char>(c));
        return (r[2] - r[0]) * static_cast<float>(font.TextureWidth()) / font.TextScale();
    }
    static float Height(const BitmapFont& font, char c) {
        const float* r = font.GlyphRect(static_cast<unsigned char>(c));
        return (r[3] - r[1]) * static_cast<float>(font.TextureHeight()) / font.TextScale();
    }
    std::vector<Vertex> AllDrawnVertices() const {
        std::vector<Vertex> all;
        for (const BackendEvent* draw : m_log.Of(BackendEvent::kDraw)) {
            std::vector<Vertex> part = VerticesOf(*draw);
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    }

    D3DCAPS8 m_caps = {};
    BackendLog m_log;
    IDirect3DDevice8* m_pDevice = nullptr;
};

TEST_F(BitmapFontTest, SheetSizeFollowsTheFontHeightAndTheDeviceLimit) {
    const struct {
        DWORD height;
        DWORD maxWidth;
        DWORD sheet;
        float scale;
    } cases[] = {{12, 2048, 256, 1.0f}, {48, 512, 512, 0.5f}};  // the clock's font; one past a small device's limit
    for (const auto& c : cases) {
        m_caps.MaxTextureWidth = c.maxWidth;
        Recreate();
        BitmapFont font("Arial", c.height, FONT_BOLD);
        ASSERT_EQ(S_OK, font.OnDeviceCreated(m_pDevice)) << c.height;
        EXPECT_EQ(c.sheet, font.TextureWidth()) << c.height;
        EXPECT_EQ(c.sheet, font.TextureHeight()) << c.height;
        EXPECT_FLOAT_EQ(c.scale, font.TextScale()) << c.height;
        D3DSURFACE_DESC desc = {};
        ASSERT_EQ(S_OK, font.Texture()->GetLevelDesc(0, &desc));
        EXPECT_EQ(D3DFMT_A4R4G4B4, desc.Format);
        EXPECT_EQ(D3DPOOL_MANAGED, desc.Pool);
        EXPECT_EQ(c.sheet, desc.Width);
        EXPECT_EQ(1u, font.Texture()->GetLevelCount());
        font.OnDeviceDestroyed();
    }
}

TEST_F(BitmapFontTest, SheetHoldsWhiteTexelsWithGlyphCoverageAsAlpha) {
    BitmapFont font("Arial", 12, FONT_BOLD);
    ASSERT_EQ(S_OK, font.OnDeviceCreated(m_pDevice));
    const DWORD size = font.TextureWidth();

    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(S_OK, font.Texture()->LockRect(0, &locked, nullptr, D3DLOCK_READONLY));
    auto texel = [&](DWORD x, DWORD y) {
        return reinterpret_cast<const WORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch)[x];
    };
    auto coveredIn = [&](char c) {
        const float* r = font.GlyphRect(static_cast<unsigned char>(c));
        int covered = 0;
        for (auto y = static_cast<DWORD>(r[1] * size); y < static_cast<DWORD>(r[3] * size); ++y) {
            for (auto x = static_cast<DWORD>(r[0] * size); x < static_cast<DWORD>(r[2] * size); ++x) {
                covered += texel(x, y) != 0 ? 1 : 0;
            }
        }
        return covered;
    };
    int bad = 0;
    for (DWORD y = 0; y < size; ++y) {
        for (DWORD x = 0; x < size; ++x) {
            const WORD t = texel(x, y);
            bad += (t != 0 && (t & 0x0FFF) != 0x0FFF) || (t != 0 && (t >> 12) == 0) ? 1 : 0;
        }
    }
    EXPECT_EQ(0, bad);
    EXPECT_EQ(0, coveredIn(' '));
    EXPECT_GT(coveredIn('W'), coveredIn('.'));
    EXPECT_GT(coveredIn('.'), 0);
    font.Texture()->UnlockRect(0);

    // Glyphs are packed left to right with a one-texel gap, rows one texel apart.
    const float* a = font.GlyphRect('A');
    const float* b = font.GlyphRect('B');
    if (a[1] == b[1]) {
        EXPECT_FLOAT_EQ(a[2] + 1.0f / static_cast<float>(size), b[0]);
    }
    EXPECT_GT(Height(font, 'A'), 10.0f);
    EXPECT_LT(Height(font, 'A'), 25.0f);
    font.OnDeviceDestroyed();
}

class FontDrawTest : public BitmapFontTest {
protected:
    void SetUp() override {
        BitmapFontTest::SetUp();
        ASSERT_EQ(S_OK, m_font.OnDeviceCreated(m_pDevice));
        ASSERT_EQ(S_OK, m_font.OnDeviceRestored());
        m_log.m_events.clear();
    }
    void TearDown() override {
        m_font.OnDeviceLost();
        m_font.OnDeviceDestroyed();
        BitmapFontTest::TearDown();
    }
    // Draws inside a scene, as the application does.
    HRESULT Draw(float x, float y, D3DCOLOR color, const char* text) {
        m_pDevice->BeginScene();
        const HRESULT hr = m_font.DrawString(x, y, color, text, 0);
        m_pDevice->EndScene();
        return hr;
    }
    BitmapFont m_font{"Arial", 12, FONT_BOLD};
};

TEST_F(FontDrawTest, TwoCharactersAreTwoQuadsSideBySideAndTheCallersStateComesBack) {
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
    m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    ASSERT_EQ(S_OK, Draw(10, 20, 0xFF00C800, "AB"));
    ASSERT_EQ(1, m_log.Count(BackendEvent::kDraw));
    const BackendEvent& draw = *m_log.Of(BackendEvent::kDraw)[0];
    EXPECT_EQ(4u, draw.m_uPrimitives);
    EXPECT_EQ(28u, draw.m_uStride);
    const std::vector<Vertex> v = VerticesOf(draw);
    ASSERT_EQ(12u, v.size());

    const float wA = Width(m_font, 'A');
    const float h = Height(m_font, 'A');
    const float* rA = m_font.GlyphRect('A');
    // Corners in the order bottom-left, top-left, bottom-right, top-right, bottom-right, top-left.
    const float xs[6] = {10, 10, 10 + wA, 10 + wA, 10 + wA, 10};
    const float ys[6] = {20 + h, 20, 20 + h, 20, 20 + h, 20};
    const float us[6] = {rA[0], rA[0], rA[2], rA[2], rA[2], rA[0]};
    const float vs[6] = {rA[3], rA[1], rA[3], rA[1], rA[3], rA[1]};
    for (int i = 0; i < 6; ++i) {
        EXPECT_FLOAT_EQ(xs[i] - 0.5f, v[i].x) << i;
        EXPECT_FLOAT_EQ(ys[i] - 0.5f, v[i].y) << i;
        EXPECT_EQ(0xFF00C800u, v[i].color);
        EXPECT_FLOAT_EQ(us[i], v[i].u) << i;
        EXPECT_FLOAT_EQ(vs[i], v[i].v) << i;
    }
    EXPECT_FLOAT_EQ(10 + wA - 0.5f, v[7].x);  // B starts where A ends
    EXPECT_EQ(1u, draw.m_dwAlphaBlend);
    EXPECT_EQ(static_cast<DWORD>(D3DTEXF_POINT), draw.m_dwMinFilter);
    DWORD value = 0;
    m_pDevice->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(0u, value);
    m_pDevice->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(1u, value);
    m_pDevice->GetTextureStageState(0, D3DTSS_MINFILTER, &value);
    EXPECT_EQ(static_cast<DWORD>(D3DTEXF_LINEAR), value);
}

TEST_F(FontDrawTest, SpacesAdvanceWithoutDrawingLineFeedsStartTheNextLineAndOtherBytesBelow32AreSkipped) {
    ASSERT_EQ(S_OK, Draw(0, 0, 0xFFFFFFFF, "A A"));
    std::vector<Vertex> v = AllDrawnVertices();
    ASSERT_EQ(12u, v.size());
    EXPECT_FLOAT_EQ(Width(m_font, 'A') + Width(m_font, ' ') - 0.5f, v[7].x);

    m_log.m_events.clear();
    ASSERT_EQ(S_OK, Draw(0, 0, 0xFFFFFFFF, "A\t\x01\x80\xe9\xff\rB"));
    v = AllDrawnVertices();
    ASSERT_EQ(12u, v.size());
    EXPECT_FLOAT_EQ(Width(m_font, 'A') - 0.5f, v[7].x);
    EXPECT_FLOAT_EQ(-0.5f, v[7].y);

    m_log.m_events.clear();
    ASSERT_EQ(S_OK, Draw(0, 0, 0xFFFFFFFF, "   "));
    EXPECT_EQ(0, m_log.Count(BackendEvent::kDraw));

    // A line feed returns to the start on the next line.
    ASSERT_EQ(S_OK, Draw(7, 9, 0xFFFFFFFF, "AA\nA"));
    v = AllDrawnVertices();
    ASSERT_EQ(18u, v.size());
    EXPECT_FLOAT_EQ(7 - 0.5f, v[13].x);  // top-left of the third glyph
    EXPECT_FLOAT_EQ(9 + Height(m_font, ' ') - 0.5f, v[13].y);
}

TEST_F(FontDrawTest, TextLongerThanOneBatchIsDrawnWhole) {
    const std::string text(120, 'x');
    ASSERT_EQ(S_OK, Draw(0, 0, 0xFFFFFFFF, text.c_str()));
    const std::vector<Vertex> v = AllDrawnVertices();
    ASSERT_EQ(720u, v.size());
    const float w = Width(m_font, 'x');
    for (int i = 0; i < 120; ++i) {
        EXPECT_FLOAT_EQ(static_cast<float>(i) * w - 0.5f, v[i * 6 + 1].x) << i;
    }
}

TEST_F(FontDrawTest, LostDeviceCanBeResetAndDrawingNeedsTheRestoredObjects) {
    m_font.OnDeviceLost();
    EXPECT_EQ(E_FAIL, Draw(0, 0, 0xFFFFFFFF, "A"));
    D3DPRESENT_PARAMETERS parameters = WindowedParameters(512, 384, false);
    EXPECT_EQ(S_OK, m_pDevice->Reset(&parameters)) << "the font still held a default-pool buffer";
    ASSERT_EQ(S_OK, m_font.OnDeviceRestored());
    EXPECT_EQ(S_OK, Draw(0, 0, 0xFFFFFFFF, "A"));
}

TEST(BitmapFontWithoutDevice, DrawsNothingAndKeepsALongNameWithinBounds) {
    const std::string longName(200, 'n');
    BitmapFont font(longName.c_str(), 12, 0);
    EXPECT_EQ(E_FAIL, font.DrawString(0, 0, 0xFFFFFFFF, "A"));
    EXPECT_EQ(S_OK, font.OnDeviceLost());
    EXPECT_EQ(S_OK, font.OnDeviceDestroyed());
}

}  // namespace
