// Fixed-function lighting against the published formula, and linear vertex
// fog at known camera depths.
#include <algorithm>
#include <cmath>

#include "support/RenderFixture.h"

namespace {

struct NormalVertex {
    float x, y, z;
    float nx, ny, nz;
};
constexpr DWORD kNormalFvf = D3DFVF_XYZ | D3DFVF_NORMAL;

D3DLIGHT8 Directional(float dx, float dy, float dz, D3DCOLORVALUE diffuse, D3DCOLORVALUE ambient) {
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = {dx, dy, dz};
    light.Diffuse = diffuse;
    light.Ambient = ambient;
    return light;
}

int ToByte(float value) {
    return static_cast<int>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

float Dot(const D3DVECTOR& a, const D3DVECTOR& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

D3DVECTOR Normalised(D3DVECTOR v) {
    const float length = std::sqrt(Dot(v, v));
    return {v.x / length, v.y / length, v.z / length};
}

// Rotation about Y by `angle`, row-vector convention.
D3DMATRIX RotationY(float angle) {
    D3DMATRIX m = IdentityMatrix();
    m._11 = std::cos(angle);
    m._13 = -std::sin(angle);
    m._31 = std::sin(angle);
    m._33 = std::cos(angle);
    return m;
}

class LightingFogTest : public RenderFixture {
protected:
    // A full-screen quad whose normals all point along `normal`.
    void DrawLitQuad(D3DVECTOR normal) {
        const NormalVertex quad[4] = {{-1, 1, 0.5f, normal.x, normal.y, normal.z},
                                      {1, 1, 0.5f, normal.x, normal.y, normal.z},
                                      {-1, -1, 0.5f, normal.x, normal.y, normal.z},
                                      {1, -1, 0.5f, normal.x, normal.y, normal.z}};
        ASSERT_EQ(m_pDevice->SetVertexShader(kNormalFvf), D3D_OK);
        ASSERT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(NormalVertex)), D3D_OK);
    }
};

TEST_F(LightingFogTest, ThreeDirectionalLightsAmbientAndMaterialFollowTheFormula) {
    const D3DMATERIAL8 material = {
        {0.8f, 0.6f, 0.4f, 0.5f}, {0.5f, 0.25f, 1.0f, 1.0f}, {0, 0, 0, 0}, {0.1f, 0, 0.05f, 0}, 0.0f};
    const D3DLIGHT8 lights[3] = {
        Directional(0, 0, 1, {0.2f, 0.1f, 0.0f, 1}, {0.05f, 0.0f, 0.1f, 1}),
        Directional(1, 0, 1, {0.1f, 0.3f, 0.1f, 1}, {0.0f, 0.1f, 0.0f, 1}),
        Directional(0, 0, -1, {1.0f, 1.0f, 1.0f, 1}, {0.0f, 0.0f, 0.05f, 1}),  // behind: no diffuse
    };
    const DWORD globalAmbient = 0xFF202010;
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetRenderState(D3DRS_AMBIENT, globalAmbient);
    m_pDevice->SetMaterial(&material);
    for (DWORD i = 0; i < 3; ++i) {
        ASSERT_EQ(m_pDevice->SetLight(i, &lights[i]), D3D_OK);
        ASSERT_EQ(m_pDevice->LightEnable(i, TRUE), D3D_OK);
    }
    // The quad is turned 40 degrees about Y by the world matrix and the
    // camera turned back 10 degrees: lighting happens in camera space.
    const float worldAngle = 0.7f;
    const float viewAngle = -0.17f;
    const D3DMATRIX world = RotationY(worldAngle);
    const D3DMATRIX view = RotationY(viewAngle);
    const D3DMATRIX projection = TranslationMatrix(0, 0, 0);
    m_pDevice->SetTransform(D3DTS_WORLD, &world);
    m_pDevice->SetTransform(D3DTS_VIEW, &view);
    m_pDevice->SetTransform(D3DTS_PROJECTION, &projection);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    DrawLitQuad({0, 0, -1});
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    const std::vector<DWORD> frame = Frame();

    // The published formula, evaluated in world space (rotations keep dot products).
    const D3DVECTOR n = {-std::sin(worldAngle), 0.0f, -std::cos(worldAngle)};
    const auto channel = [](const D3DCOLORVALUE& v, int c) { return c == 0 ? v.r : c == 1 ? v.g : v.b; };
    const float global[3] = {0x20 / 255.0f, 0x20 / 255.0f, 0x10 / 255.0f};
    float rgb[3];
    for (int c = 0; c < 3; ++c) {
        float ambient = global[c];
        float diffuse = 0.0f;
        for (const D3DLIGHT8& light : lights) {
            const D3DVECTOR d = Normalised(light.Direction);
            ambient += channel(light.Ambient, c);
            diffuse +=
                channel(material.Diffuse, c) * channel(light.Diffuse, c) * std::max(0.0f, Dot(n, {-d.x, -d.y, -d.z}));
        }
        rgb[c] = channel(material.Emissive, c) + channel(material.Ambient, c) * ambient + diffuse;
    }
    EXPECT_TRUE(ColourNear(At(frame, 32, 32), {ToByte(rgb[0]), ToByte(rgb[1]), ToByte(rgb[2])}, 2));
}

TEST_F(LightingFogTest, LightingOffUsesVertexColourOrWhite) {
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    const D3DMATRIX identity = IdentityMatrix();
    m_pDevice->SetTransform(D3DTS_PROJECTION, &identity);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    DrawQuad(-1, -1, 0, 1, 0.5f, 0xFF336699);
    const NormalVertex plain[4] = {
        {0, 1, 0.5f, 0, 0, -1}, {1, 1, 0.5f, 0, 0, -1}, {0, -1, 0.5f, 0, 0, -1}, {1, -1, 0.5f, 0, 0, -1}};
    m_pDevice->SetVertexShader(kNormalFvf);
    ASSERT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, plain, sizeof(NormalVertex)), D3D_OK);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    const std::vector<DWORD> frame = Frame();
    EXPECT_TRUE(ColourNear(At(frame, 16, 32), {0x33, 0x66, 0x99}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 48, 32), {255, 255, 255}, 0));
}

TEST_F(LightingFogTest, NormalsAreRenormalisedOnlyWhenAskedAndFollowANonUniformScale) {
    const D3DMATERIAL8 material = {{1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0.0f};
    const D3DLIGHT8 light = Directional(0, 0, 1, {0.5f, 0.5f, 0.5f, 1}, {0, 0, 0, 0});
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetMaterial(&material);
    m_pDevice->SetLight(0, &light);
    m_pDevice->LightEnable(0, TRUE);
    const D3DMATRIX identity = IdentityMatrix();
    m_pDevice->SetTransform(D3DTS_PROJECTION, &identity);
    // A surface tilted 45 degrees about Y, stretched twice along X, turns
    // towards the viewer, and so must its normal (the inverse transpose):
    // (1/2, 0, -1) normalised.
    const float s = 0.70710678f;
    struct Case {
        BOOL normalize;
        float stretch;
        D3DVECTOR normal;
        int expected;
    };
    for (const Case c : {Case{FALSE, 1.0f, {0, 0, -0.5f}, 64}, Case{TRUE, 1.0f, {0, 0, -0.5f}, 128},
                         Case{TRUE, 2.0f, {s, 0, -s}, ToByte(1.0f / std::sqrt(5.0f))}}) {
        SCOPED_TRACE(testing::Message() << "normalise " << c.normalize << " stretch " << c.stretch);
        D3DMATRIX world = IdentityMatrix();
        world._11 = c.stretch;
        m_pDevice->SetTransform(D3DTS_WORLD, &world);
        m_pDevice->SetRenderState(D3DRS_NORMALIZENORMALS, c.normalize);
        ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
        DrawLitQuad(c.normal);
        ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
        EXPECT_TRUE(ColourNear(At(Frame(), 32, 32), {c.expected, c.expected, c.expected}, 2));
    }
}

// The clock turns specular off for materials that carry a specular colour.
TEST_F(LightingFogTest, NoSpecularHighlightWhenItIsOff) {
    const D3DMATERIAL8 material = {{0, 0, 0, 1}, {0, 0, 0, 0}, {0.5f, 0.25f, 1.0f, 0}, {0, 0, 0, 0}, 10.0f};
    D3DLIGHT8 light = Directional(1, 0, 1, {0, 0, 0, 1}, {0, 0, 0, 0});
    light.Specular = {1, 1, 1, 1};
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    m_pDevice->SetMaterial(&material);
    m_pDevice->SetLight(0, &light);
    m_pDevice->LightEnable(0, TRUE);
    const D3DMATRIX identity = IdentityMatrix();
    m_pDevice->SetTransform(D3DTS_PROJECTION, &identity);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    DrawLitQuad({0, 0, -1});
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    EXPECT_TRUE(ColourNear(At(Frame(), 32, 32), {0, 0, 0}, 0));
}

TEST_F(LightingFogTest, LinearFogAtKnownCameraDepths) {
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    m_pDevice->SetRenderState(D3DRS_FOGCOLOR, 0xFF0000FF);
    const float start = 10.0f;
    const float end = 20.0f;
    m_pDevice->SetRenderState(D3DRS_FOGSTART, FloatBits(start));
    m_pDevice->SetRenderState(D3DRS_FOGEND, FloatBits(end));
    const D3DMATRIX projection = PerspectiveMatrix(1.5707963f, 1.0f, 1.0f, 100.0f);
    m_pDevice->SetTransform(D3DTS_PROJECTION, &projection);
    struct Case {
        float depth;
        float fog;  // share of the vertex colour
    };
    for (const Case c : {Case{5.0f, 1.0f}, Case{12.5f, 0.75f}, Case{15.0f, 0.5f}, Case{25.0f, 0.0f}}) {
        SCOPED_TRACE(testing::Message() << "depth " << c.depth);
        // The camera moves back instead of the quad, so the depth is camera-space.
        const D3DMATRIX view = TranslationMatrix(0, 0, c.depth - 2.0f);
        m_pDevice->SetTransform(D3DTS_VIEW, &view);
        ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
        DrawQuad(-100, -100, 100, 100, 2.0f, 0xFFFF0000);
        ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
        const std::vector<DWORD> frame = Frame();
        const int red = static_cast<int>(std::lround(255.0f * c.fog));
        EXPECT_TRUE(ColourNear(At(frame, 32, 32), {red, 0, 255 - red}, 2));
    }
}

}  // namespace
