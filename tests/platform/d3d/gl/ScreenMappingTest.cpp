// Where things land on the back buffer: depth range, viewport orientation,
// Clear confined to the viewport, culling by screen winding.
#include "support/RenderFixture.h"

namespace {

constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kGreen = 0xFF00FF00;
constexpr DWORD kBlue = 0xFF0000FF;

class ScreenMappingTest : public RenderFixture {};

TEST_F(ScreenMappingTest, DepthIsZeroToOneInClipSpaceAndFollowsViewportMinAndMaxZ) {
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
    std::vector<DWORD> frame = Frame();
    EXPECT_TRUE(ColourNear(At(frame, 8, 32), {255, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 32, 32), {0, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 56, 32), {0, 0, 0}, 0));

    // z = 0.5 in a viewport with depths 0.5..0.6 lands at 0.55: not less than
    // the cleared 0.55; with 0.4..0.6 it lands at 0.5 and passes.
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.55f, 0), D3D_OK);
    D3DVIEWPORT8 viewport = {0, 0, kWidth / 2, kHeight, 0.5f, 0.6f};
    ASSERT_EQ(m_pDevice->SetViewport(&viewport), D3D_OK);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f, kRed);
    viewport = {kWidth / 2, 0, kWidth / 2, kHeight, 0.4f, 0.6f};
    ASSERT_EQ(m_pDevice->SetViewport(&viewport), D3D_OK);
    DrawQuad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f, kGreen);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    frame = Frame();
    EXPECT_TRUE(ColourNear(At(frame, 16, 32), {0, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 48, 32), {0, 255, 0}, 0));
}

TEST_F(ScreenMappingTest, ViewportYRunsDownFromTheTop) {
    PlainStates();
    const D3DMATRIX identity = IdentityMatrix();
    m_pDevice->SetTransform(D3DTS_PROJECTION, &identity);
    const D3DVIEWPORT8 top = {0, 0, kWidth, 16, 0.0f, 1.0f};
    ASSERT_EQ(m_pDevice->SetViewport(&top), D3D_OK);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    // The upper half of the viewport red, the lower half green.
    DrawQuad(-1.0f, 0.0f, 1.0f, 1.0f, 0.5f, kRed);
    DrawQuad(-1.0f, -1.0f, 1.0f, 0.0f, 0.5f, kGreen);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    const std::vector<DWORD> frame = Frame();
    EXPECT_TRUE(ColourNear(At(frame, 32, 2), {255, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 32, 13), {0, 255, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 32, 20), {0, 0, 0}, 0));
    EXPECT_TRUE(ColourNear(At(frame, 32, 60), {0, 0, 0}, 0));
}

TEST_F(ScreenMappingTest, ClearAndItsRectanglesTouchOnlyTheViewport) {
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0), D3D_OK);
    const D3DVIEWPORT8 inner = {16, 8, 24, 8, 0.0f, 1.0f};
    ASSERT_EQ(m_pDevice->SetViewport(&inner), D3D_OK);
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kBlue, 1.0f, 0), D3D_OK);
    // A rectangle reaching out of the viewport below is cut to it.
    const D3DVIEWPORT8 left = {0, 32, 32, 32, 0.0f, 1.0f};
    ASSERT_EQ(m_pDevice->SetViewport(&left), D3D_OK);
    const D3DRECT rect = {24, 32, 48, 42};
    ASSERT_EQ(m_pDevice->Clear(1, &rect, D3DCLEAR_TARGET, kGreen, 1.0f, 0), D3D_OK);
    const std::vector<DWORD> frame = Frame();
    const struct {
        UINT x, y;
        Rgb colour;
    } probes[] = {
        {16, 8, {0, 0, 255}},  {39, 15, {0, 0, 255}}, {15, 8, {255, 0, 0}},  {40, 15, {255, 0, 0}},
        {16, 7, {255, 0, 0}},  {16, 16, {255, 0, 0}}, {32, 24, {255, 0, 0}}, {24, 32, {0, 255, 0}},
        {31, 41, {0, 255, 0}}, {32, 37, {255, 0, 0}}, {23, 37, {255, 0, 0}}, {24, 42, {255, 0, 0}},
    };
    for (const auto& p : probes) {
        EXPECT_TRUE(ColourNear(At(frame, p.x, p.y), p.colour, 0)) << p.x << ", " << p.y;
    }
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
