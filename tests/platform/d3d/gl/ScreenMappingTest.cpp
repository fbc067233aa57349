// Where things land on the back buffer: the depth range and culling by
// screen winding.
#include "support/RenderFixture.h"

namespace {

constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kGreen = 0xFF00FF00;
constexpr DWORD kBlue = 0xFF0000FF;

class ScreenMappingTest : public RenderFixture {};

TEST_F(ScreenMappingTest, DepthIsZeroToOneInClipSpace) {
    PlainStates();
    const D3DMATRIX identity = IdentityMatrix();
    m_pDevice->SetTransform(D3DTS_PROJECTION, &identity);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    m_pDevice->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.6f, 0), D3D_OK);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    // Left: z = 0.5 lies in front of the cleared 0.6. Middle: z = 0.7 behind it.
    // Right: z = -0.5 is in front of the near plane and clipped away (GL's
    // own range would keep it).
    DrawQuad(-1.0f, -1.0f, -0.4f, 1.0f, 0.5f, kRed);
    DrawQuad(-0.3f, -1.0f, 0.3f, 1.0f, 0.7f, kGreen);
    DrawQuad(0.4f, -1.0f, 1.0f, 1.0f, -0.5f, kBlue);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    const std::vector<DWORD> frame = Frame();
    EXPECT_TRUE(ColourNear(At(frame, 8, 32), {255, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 32, 32), {0, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 56, 32), {0, 0, 0}, 0));
}

TEST_F(ScreenMappingTest, CullingFollowsScreenWindingForPretransformedAndTransformedGeometry) {
    PlainStates();
    const D3DMATRIX identity = IdentityMatrix();
    m_pDevice->SetTransform(D3DTS_PROJECTION, &identity);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    // Screen Y runs down: right then down-left is clockwise on screen.
    const RhwColourVertex clockwise[3] = {{2, 2, 0.5f, 1, kRed}, {30, 2, 0.5f, 1, kRed}, {2, 30, 0.5f, 1, kRed}};
    const RhwColourVertex counterClockwise[3] = {
        {34, 2, 0.5f, 1, kGreen}, {34, 30, 0.5f, 1, kGreen}, {62, 2, 0.5f, 1, kGreen}};
    DrawRhwTriangle(clockwise);
    DrawRhwTriangle(counterClockwise);
    // In clip space Y is up: (left, bottom) -> (right, bottom) -> (left, lower)
    // is clockwise once on screen.
    const ColourVertex kept[3] = {{-0.9f, -0.1f, 0.5f, kRed}, {-0.1f, -0.1f, 0.5f, kRed}, {-0.9f, -0.9f, 0.5f, kRed}};
    const ColourVertex culled[3] = {
        {0.1f, -0.1f, 0.5f, kGreen}, {0.1f, -0.9f, 0.5f, kGreen}, {0.9f, -0.1f, 0.5f, kGreen}};
    m_pDevice->SetVertexShader(kColourFvf);
    ASSERT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, kept, sizeof(ColourVertex)), D3D_OK);
    ASSERT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, culled, sizeof(ColourVertex)), D3D_OK);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    std::vector<DWORD> frame = Frame();
    EXPECT_TRUE(ColourNear(At(frame, 8, 8), {255, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 40, 8), {0, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 8, 40), {255, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 40, 40), {0, 0, 0}, 0));

    // Clockwise culling keeps the other winding.
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    DrawRhwTriangle(clockwise);
    DrawRhwTriangle(counterClockwise);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    frame = Frame();
    EXPECT_TRUE(ColourNear(At(frame, 8, 8), {0, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 40, 8), {0, 255, 0}, 0));
}

}  // namespace
