// Indexed vertex blending as the bird draws: 0 to 3 weights (the last one
// implicit) through packed byte indices into the 256-matrix palette, blended
// normals, and software vertex processing giving the same picture.
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/d3d/core/DeviceCore.h"
#include "support/RenderFixture.h"

namespace {

// Palette entry k: a scale and a translation that differ from entry to entry.
D3DMATRIX PaletteMatrix(DWORD k) {
    const float scale = 1.0f + static_cast<float>(k % 3) * 0.25f;
    D3DMATRIX m = IdentityMatrix();
    m._11 = m._22 = m._33 = scale;
    m._41 = std::sin(static_cast<float>(k)) * 0.6f;
    m._42 = std::cos(static_cast<float>(k) * 1.3f) * 0.6f;
    return m;
}

struct Point {
    float x, y, z;
};

Point Transform(Point p, const D3DMATRIX& m) {
    return {p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41, p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
            p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43};
}

struct BlendCase {
    const char* name;
    DWORD vertexBlend;
    DWORD fvf;
    std::vector<float> weights;   // as stored in the vertex
    std::vector<BYTE> indices;    // empty: not indexed
    std::vector<DWORD> matrices;  // palette entries the blend uses, in weight order
};

class VertexBlendTest : public RenderFixture {
protected:
    void SetUp() override {
        RenderFixture::SetUp();
        PreparePalette();
    }

    void PreparePalette() {
        PlainStates();
        const D3DMATRIX identity = IdentityMatrix();
        m_pDevice->SetTransform(D3DTS_VIEW, &identity);
        m_pDevice->SetTransform(D3DTS_PROJECTION, &identity);
        for (DWORD k = 0; k < 256; ++k) {
            const D3DMATRIX m = PaletteMatrix(k);
            ASSERT_EQ(m_pDevice->SetTransform(D3DTS_WORLDMATRIX(k), &m), D3D_OK);
        }
    }

    // A small white quad around `centre` whose vertices carry the case's
    // weights and indices.
    void DrawBlendedQuad(const BlendCase& c, Point centre) {
        const UINT floats = 3 + static_cast<UINT>(c.weights.size()) + (c.indices.empty() ? 0 : 1);
        std::vector<float> vertices;
        const float h = 0.04f;
        const Point corners[4] = {{centre.x - h, centre.y + h, centre.z},
                                  {centre.x + h, centre.y + h, centre.z},
                                  {centre.x - h, centre.y - h, centre.z},
                                  {centre.x + h, centre.y - h, centre.z}};
        for (const Point& p : corners) {
            vertices.insert(vertices.end(), {p.x, p.y, p.z});
            vertices.insert(vertices.end(), c.weights.begin(), c.weights.end());
            if (!c.indices.empty()) {
                DWORD packed = 0;
                for (std::size_t i = 0; i < c.indices.size(); ++i) {
                    packed |= static_cast<DWORD>(c.indices[i]) << (8 * i);
                }
                float asFloat = 0.0f;
                std::memcpy(&asFloat, &packed, sizeof(packed));
                vertices.push_back(asFloat);
            }
        }
        m_pDevice->SetRenderState(D3DRS_VERTEXBLEND, c.vertexBlend);
        m_pDevice->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, c.indices.empty() ? FALSE : TRUE);
        ASSERT_EQ(m_pDevice->SetVertexShader(c.fvf), D3D_OK);
        ASSERT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, vertices.data(), floats * sizeof(float)), D3D_OK);
    }

    // Where the CPU puts the blended centre, in pixels.
    static void Expected(const BlendCase& c, Point centre, UINT* px, UINT* py) {
        Point sum = {0, 0, 0};
        float used = 0.0f;
        for (std::size_t i = 0; i < c.matrices.size(); ++i) {
            const bool last = i + 1 == c.matrices.size();
            const float weight = last ? 1.0f - used : c.weights[i];
            used += weight;
            const Point p = Transform(centre, PaletteMatrix(c.matrices[i]));
            sum = {sum.x + weight * p.x, sum.y + weight * p.y, sum.z + weight * p.z};
        }
        *px = static_cast<UINT>((sum.x + 1.0f) * 32.0f);
        *py = static_cast<UINT>((1.0f - sum.y) * 32.0f);
    }
};

TEST_F(VertexBlendTest, BlendedPositionsMatchTheCpuReference) {
    const Point centre = {0.1f, -0.05f, 0.4f};
    // The bird blends through the palette with 0 to 3 weights.
    const BlendCase cases[] = {
        {"indexed, 2 weights",
         D3DVBF_2WEIGHTS,
         D3DFVF_XYZB3 | D3DFVF_LASTBETA_UBYTE4,
         {0.3f, 0.5f},
         {200, 7, 255, 0},
         {200, 7, 255}},
        {"indexed, 0 weights", D3DVBF_0WEIGHTS, D3DFVF_XYZB1 | D3DFVF_LASTBETA_UBYTE4, {}, {42, 0, 0, 0}, {42}},
        {"indexed, 3 weights",
         D3DVBF_3WEIGHTS,
         D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4,
         {0.1f, 0.2f, 0.3f},
         {17, 128, 3, 99},
         {17, 128, 3, 99}},
    };
    for (const BlendCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
        DrawBlendedQuad(c, centre);
        ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
        const std::vector<DWORD> frame = Frame();
        UINT px = 0;
        UINT py = 0;
        Expected(c, centre, &px, &py);
        ASSERT_LT(px, kWidth);
        ASSERT_LT(py, kHeight);
        EXPECT_TRUE(ColourNear(At(frame, px, py), {255, 255, 255}, 0)) << "at " << px << ", " << py;
        // Where the first matrix alone would put it stays empty.
        const Point alone = Transform(centre, PaletteMatrix(c.matrices[0]));
        const UINT ax = static_cast<UINT>((alone.x + 1.0f) * 32.0f);
        const UINT ay = static_cast<UINT>((1.0f - alone.y) * 32.0f);
        if (c.matrices.size() > 1 && ax < kWidth && ay < kHeight &&
            (std::abs(static_cast<int>(ax) - static_cast<int>(px)) > 4 ||
             std::abs(static_cast<int>(ay) - static_cast<int>(py)) > 4)) {
            EXPECT_TRUE(ColourNear(At(frame, ax, ay), {0, 0, 0}, 0)) << "at " << ax << ", " << ay;
        }
    }
}

TEST_F(VertexBlendTest, NormalsBlendWithTheSameWeights) {
    struct LitVertex {
        float x, y, z;
        float weight;
        DWORD indices;
        float nx, ny, nz;
    };
    // Palette entry 7 turns a quarter about Y (the normal then faces sideways),
    // entry 3 leaves it facing the light; half of each lights at cos 45.
    D3DMATRIX turn = IdentityMatrix();
    turn._11 = 0.0f;
    turn._13 = -1.0f;
    turn._31 = 1.0f;
    turn._33 = 0.0f;
    turn._43 = 0.5f;
    const D3DMATRIX straight = TranslationMatrix(0, 0, 0.5f);
    m_pDevice->SetTransform(D3DTS_WORLDMATRIX(7), &turn);
    m_pDevice->SetTransform(D3DTS_WORLDMATRIX(3), &straight);
    const D3DMATERIAL8 material = {{1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0.0f};
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = {0, 0, 1};
    light.Diffuse = {1, 1, 1, 1};
    m_pDevice->SetMaterial(&material);
    m_pDevice->SetLight(0, &light);
    m_pDevice->LightEnable(0, TRUE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    m_pDevice->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    m_pDevice->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, TRUE);
    const DWORD indices = 7 | (3 << 8);
    const LitVertex quad[4] = {{-0.4f, 0.4f, 0, 0.5f, indices, 0, 0, -1},
                               {0.4f, 0.4f, 0, 0.5f, indices, 0, 0, -1},
                               {-0.4f, -0.4f, 0, 0.5f, indices, 0, 0, -1},
                               {0.4f, -0.4f, 0, 0.5f, indices, 0, 0, -1}};
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    m_pDevice->SetVertexShader(D3DFVF_XYZB2 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL);
    ASSERT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(LitVertex)), D3D_OK);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    const std::vector<DWORD> frame = Frame();
    EXPECT_TRUE(ColourNear(At(frame, 32, 32), {180, 180, 180}, 2));
}

TEST_F(VertexBlendTest, SoftwareVertexProcessingDrawsTheSamePicture) {
    IDirect3DDevice8* device = nullptr;
    D3DPRESENT_PARAMETERS parameters = static_cast<DeviceCore*>(m_pDevice)->PresentParameters();
    ASSERT_EQ(
        s_pDirect3D->CreateDevice(0, D3DDEVTYPE_REF, nullptr, D3DCREATE_MIXED_VERTEXPROCESSING, &parameters, &device),
        D3D_OK);
    std::swap(device, m_pDevice);
    PreparePalette();
    std::vector<DWORD> frames[2];
    const BlendCase c = {"indexed",    D3DVBF_2WEIGHTS,  D3DFVF_XYZB3 | D3DFVF_LASTBETA_UBYTE4,
                         {0.3f, 0.5f}, {200, 7, 255, 0}, {200, 7, 255}};
    for (BOOL software : {FALSE, TRUE}) {
        ASSERT_EQ(m_pDevice->SetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, software), D3D_OK);
        ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
        DrawBlendedQuad(c, {0.1f, -0.05f, 0.4f});
        DrawBlendedQuad(c, {-0.3f, 0.2f, 0.6f});
        ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
        frames[software] = Frame();
    }
    EXPECT_EQ(frames[0], frames[1]);
    std::swap(device, m_pDevice);
    EXPECT_EQ(device->Release(), 0u);
}

}  // namespace
