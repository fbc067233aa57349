// The generated bird drawn by the reference device as the render pass draws
// it: its wings beat while its body stays, and blending in software draws
// the same picture as blending in hardware.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "BirdModel.h"
#include "bird/MeshPart.h"
#include "bird/SkinnedMesh.h"
#include "framework/FrameStep.h"
#include "support/RenderFixture.h"
#include "support/TempDir.h"

namespace {

constexpr UINT kSize = 128;
constexpr DWORD kBackground = 0xFFFF00FF;

bool Covered(DWORD pixel) {
    const Rgb c = ToRgb(pixel);
    return std::abs(c.r - 255) + c.g + std::abs(c.b - 255) > 40;
}

class SkinnedBirdRender : public RenderFixture {
protected:
    void SetUp() override {
        RenderFixture::SetUp();
        m_pCwd = std::make_unique<ScopedTempCwd>();
        m_pCwd->MakeFolder("Model");
        std::uint32_t dwVertices = 0;
        std::uint32_t dwTriangles = 0;
        m_pCwd->WriteFile("Model/BlueBird01.x", BirdModel::BirdFile(dwVertices, dwTriangles));
        m_pBigDevice = CreateRefDevice(kSize, kSize);
        ASSERT_NE(m_pBigDevice, nullptr);
    }
    void TearDown() override {
        m_pBird.reset();
        if (m_pBigDevice != nullptr) {
            EXPECT_EQ(m_pBigDevice->Release(), 0u);
        }
        m_pCwd.reset();
        g_frameStep = 0.0f;
        RenderFixture::TearDown();
    }

    // Loads the bird with the device's palette cut to `dwMaxIndex` + 1 matrices.
    void LoadBird(DWORD dwMaxIndex) {
        D3DCAPS8 caps = {};
        ASSERT_EQ(m_pBigDevice->GetDeviceCaps(&caps), D3D_OK);
        caps.MaxVertexBlendMatrixIndex = dwMaxIndex;
        m_pBird = std::make_unique<SkinnedMesh>();
        m_pBird->Load(m_pBigDevice, caps, "BlueBird01.x");
        ASSERT_NE(m_pBird->SelectedTree(), nullptr);
        m_pBird->RestoreStates();
    }

    // The clock's lights and states, a camera in front of and above the bird,
    // and the bird posed at `fTick` and drawn at scale 3.5.
    std::vector<DWORD> Draw(float fTick) {
        IDirect3DDevice8* pDevice = m_pBigDevice;
        D3DLIGHT8 light = {};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        light.Direction = {0.1f, -0.5f, -0.5f};  // towards the bird's front
        pDevice->SetLight(0, &light);
        pDevice->LightEnable(0, TRUE);
        pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
        pDevice->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
        pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
        pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        D3DXMATRIX matView;
        const D3DXVECTOR3 eye(0.0f, 6.0f, 20.0f);
        const D3DXVECTOR3 at(0.0f, 0.5f, 0.0f);
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        D3DXMatrixLookAtLH(&matView, &eye, &at, &up);
        pDevice->SetTransform(D3DTS_VIEW, &matView);
        D3DXMATRIX matProjection;
        D3DXMatrixPerspectiveFovLH(&matProjection, D3DX_PI / 4, 1.0f, 1.0f, 100.0f);
        pDevice->SetTransform(D3DTS_PROJECTION, &matProjection);
        m_matViewProjection = matView * matProjection;

        m_pBird->SelectedTree()->m_fCurTime = fTick;
        g_frameStep = 0.0f;
        m_pBird->FrameMove(1, 1, 0);
        D3DXMATRIX matWorld;
        D3DXMatrixScaling(&matWorld, 3.5f, 3.5f, 3.5f);
        pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
        EXPECT_EQ(pDevice->BeginScene(), D3D_OK);
        EXPECT_EQ(m_pBird->Render(matWorld), S_OK);
        EXPECT_EQ(pDevice->EndScene(), D3D_OK);
        return Frame(pDevice, kSize, kSize);
    }

    // Where a point of the bird's own space lands on the picture.
    void Project(const D3DXVECTOR3& point, int* px, int* py) const {
        D3DXVECTOR3 scaled = point * 3.5f;
        D3DXVECTOR3 clip;
        D3DXVec3TransformCoord(&clip, &scaled, &m_matViewProjection);
        *px = static_cast<int>((clip.x + 1.0f) * 0.5f * kSize);
        *py = static_cast<int>((1.0f - clip.y) * 0.5f * kSize);
    }

    // Mean row of the covered pixels in the columns farther than nAway from column nCentre.
    static float MeanRowOutside(const std::vector<DWORD>& pixels, int nCentre, int nAway) {
        float fSum = 0.0f;
        int nCount = 0;
        for (UINT y = 0; y < kSize; ++y) {
            for (UINT x = 0; x < kSize; ++x) {
                if (std::abs(static_cast<int>(x) - nCentre) > nAway && Covered(pixels[y * kSize + x])) {
                    fSum += static_cast<float>(y);
                    ++nCount;
                }
            }
        }
        return nCount > 0 ? fSum / static_cast<float>(nCount) : -1.0f;
    }

    std::unique_ptr<ScopedTempCwd> m_pCwd;
    IDirect3DDevice8* m_pBigDevice = nullptr;
    std::unique_ptr<SkinnedMesh> m_pBird;
    D3DXMATRIX m_matViewProjection;
};

TEST_F(SkinnedBirdRender, TheWingsBeatWhileTheBodyStays) {
    LoadBird(255);
    // An eighth of a second in, the wings are at one end of their beat; a
    // quarter second later at the other.
    const std::vector<DWORD> first = Draw(600.0f);
    const std::vector<DWORD> second = Draw(1800.0f);

    int nCentreX = 0;
    int nCentreY = 0;
    Project(D3DXVECTOR3(0.0f, 0.0f, 0.0f), &nCentreX, &nCentreY);
    for (int dy = -3; dy <= 3; ++dy) {
        for (int dx = -3; dx <= 3; ++dx) {
            const UINT x = static_cast<UINT>(nCentreX + dx);
            const UINT y = static_cast<UINT>(nCentreY + dy);
            EXPECT_TRUE(Covered(At(first, x, y, kSize))) << x << ", " << y;
            EXPECT_TRUE(Covered(At(second, x, y, kSize))) << x << ", " << y;
        }
    }

    // Out towards the tips only the wings show, higher in one picture than in the other.
    int nHalfSpan = 0;
    int nUnused = 0;
    Project(D3DXVECTOR3(1.0f, 0.0f, 0.0f), &nHalfSpan, &nUnused);
    const int nAway = std::abs(nHalfSpan - nCentreX);  // seen from the front, +x is on the left
    const float fFirstRow = MeanRowOutside(first, nCentreX, nAway);
    const float fSecondRow = MeanRowOutside(second, nCentreX, nAway);
    ASSERT_GE(fFirstRow, 0.0f) << "no wing pixels";
    ASSERT_GE(fSecondRow, 0.0f) << "no wing pixels";
    EXPECT_GT(std::abs(fFirstRow - fSecondRow), 8.0f) << fFirstRow << " vs " << fSecondRow;
    size_t uMoved = 0;
    for (size_t i = 0; i < first.size(); ++i) {
        uMoved += Covered(first[i]) != Covered(second[i]) ? 1 : 0;
    }
    EXPECT_GT(uMoved, 100u);
}

TEST_F(SkinnedBirdRender, SoftwareBlendingDrawsTheSamePictureAsHardware) {
    // A palette of three matrices: the wings' faces fit, so the hardware
    // splits the bird into subsets of three bones.
    LoadBird(2);
    const MeshPart* pPart = m_pBird->SelectedTree()->m_pRoot->m_pFirstChild->m_pParts;
    ASSERT_NE(pPart, nullptr);
    EXPECT_EQ(pPart->m_dwSoftware, 0u);
    EXPECT_EQ(pPart->m_dwPaletteSize, 3u);
    const std::vector<DWORD> hardware = Draw(1000.0f);
    // A palette of one: the same faces need software vertex processing with all five bones.
    LoadBird(0);
    pPart = m_pBird->SelectedTree()->m_pRoot->m_pFirstChild->m_pParts;
    ASSERT_NE(pPart, nullptr);
    EXPECT_EQ(pPart->m_dwSoftware, 1u);
    EXPECT_EQ(pPart->m_dwPaletteSize, 5u);
    const std::vector<DWORD> software = Draw(1000.0f);

    size_t uCovered = 0;
    size_t uDifferent = 0;
    for (size_t i = 0; i < hardware.size(); ++i) {
        uCovered += Covered(hardware[i]) ? 1 : 0;
        uDifferent += ColourNear(hardware[i], ToRgb(software[i]), 4) ? 0 : 1;
    }
    EXPECT_GT(uCovered, 500u);
    EXPECT_LE(uDifferent, 2u);
}

}  // namespace
