// Bubbles and ribbons on the reference device, over a cleared background
// with the scene's usual states (lighting, fog, back-face culling) still on:
// the pixels show each effect blended by its own alpha, unlit and unfogged.
#include <gtest/gtest.h>

#include <vector>

#include "ParticleMedia.h"
#include "framework/FrameStep.h"
#include "particles/HueToRgb.h"
#include "particles/ParticleBubble.h"
#include "particles/ParticleTrailRibonG.h"
#include "platform/kernel/Kernel.h"
#include "support/RenderFixture.h"

namespace {

class ParticleRenderTest : public RenderFixture {
protected:
    // What the clock sets on a restored device, plus a fog that would turn
    // anything it touched red and a black material for anything lit.
    void SceneStates() {
        m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        D3DMATERIAL8 material = {};
        m_pDevice->SetMaterial(&material);
        m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
        m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
        m_pDevice->SetRenderState(D3DRS_FOGCOLOR, 0xFFFF0000);
        m_pDevice->SetRenderState(D3DRS_FOGSTART, FloatBits(0.0f));
        m_pDevice->SetRenderState(D3DRS_FOGEND, FloatBits(1.0f));
    }
};

// source * a + background * (1 - a), per channel.
Rgb Blend(DWORD source, Rgb background, float alpha) {
    Rgb s = ToRgb(source);
    auto mix = [alpha](int src, int dst) { return int(float(src) * alpha + float(dst) * (1.0f - alpha) + 0.5f); };
    return Rgb{mix(s.r, background.r), mix(s.g, background.g), mix(s.b, background.b)};
}

TEST_F(ParticleRenderTest, BubbleAndRibbonBlendOverTheBackgroundUnlitAndUnfogged) {
    ScopedTempCwd cwd;
    WriteParticleTexture(cwd, "ParticleBubble01.dds", 0xFFFFFF80);  // pale yellow, opaque
    WriteParticleTexture(cwd, "RibonTex01.dds", 0x80FFFFFF);        // white, half transparent
    ParticleBubble bubbles;
    ParticleTrailRibonG ribbon;
    ASSERT_EQ(bubbles.Load(m_pDevice), S_OK);
    ASSERT_EQ(ribbon.Load(m_pDevice), S_OK);

    // One bubble, half way into its fade-in: life 127.5, alpha 128.
    crt::srand(1);
    g_frameStep = 0.03f;
    g_appTime = 0.0f;
    ASSERT_EQ(bubbles.Emit(0, 0, 0), S_OK);
    g_frameStep = 0.1f;
    for (int i = 0; i < 51; ++i) {
        bubbles.Update();
    }
    ASSERT_EQ(bubbles.LiveCount(), 1u);
    const D3DXVECTOR3 bubble = bubbles.LiveList()->m_vecPosition;

    // The camera looks down +Z at the bubble from 20 units. A ribbon strip
    // 5 units away runs from x = -4 (head) to -1 (tail): seen from here its
    // triangles wind counter-clockwise, which the scene's culling removes.
    ribbon.Add(bubble.x - 4.0f, bubble.y, bubble.z - 15.0f, bubble.x - 1.0f, bubble.y, bubble.z - 15.0f, 0, 0, 0);
    for (int i = 0; i < 3; ++i) {
        ribbon.Update();  // life -135: alpha 120; hue 108
    }
    const D3DMATRIX view = TranslationMatrix(-bubble.x, -bubble.y, -bubble.z + 20.0f);
    const D3DMATRIX projection = PerspectiveMatrix(D3DX_PI / 4.0f, 1.0f, 1.0f, 500.0f);
    m_pDevice->SetTransform(D3DTS_VIEW, &view);
    m_pDevice->SetTransform(D3DTS_PROJECTION, &projection);
    SceneStates();

    const Rgb background{0x20, 0x40, 0x60};
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF204060, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    D3DXMATRIX billboard;
    D3DXMatrixIdentity(&billboard);  // the camera is not turned
    EXPECT_EQ(ribbon.Render(m_pDevice), S_OK);
    EXPECT_EQ(bubbles.Render(m_pDevice, billboard), S_OK);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    std::vector<DWORD> frame = Frame();

    // The ribbon: its hue's colour at 120/255 times the texture's 128/255.
    const float ribbonAlpha = 120.0f / 255.0f * 128.0f / 255.0f;
    EXPECT_TRUE(ColourNear(At(frame, 8, 32), Blend(HueToRgb(108, 128, 255), background, ribbonAlpha), 3));
    EXPECT_TRUE(ColourNear(At(frame, 4, 30), Blend(HueToRgb(108, 128, 255), background, ribbonAlpha), 3));
    // Above and below the 0.6-unit strip: background.
    EXPECT_TRUE(ColourNear(At(frame, 8, 20), background, 2));
    EXPECT_TRUE(ColourNear(At(frame, 8, 44), background, 2));

    // The bubble: the texture's colour at 128/255, round its centre.
    EXPECT_TRUE(ColourNear(At(frame, 34, 37), Blend(0xFFFFFF80, background, 128.0f / 255.0f), 3));
    EXPECT_TRUE(ColourNear(At(frame, 36, 40), Blend(0xFFFFFF80, background, 128.0f / 255.0f), 3));
    // Beside its tip and far corners: background.
    EXPECT_TRUE(ColourNear(At(frame, 60, 4), background, 2));
    EXPECT_TRUE(ColourNear(At(frame, 34, 10), background, 2));

    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetStreamSource(0, nullptr, 0);
    bubbles.Invalidate();
    ribbon.Invalidate();
}

}  // namespace
