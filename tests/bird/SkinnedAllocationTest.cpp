// Every allocation of this program goes through the counter below, so a test
// can show that animating and drawing the bird allocates nothing once warm.
#include <gtest/gtest.h>

#include <memory>

#include "BirdModel.h"
#include "app/FrameValues.h"
#include "bird/SkinnedMesh.h"
#include "support/CountingAllocator.h"
#include "support/RenderFixture.h"
#include "support/TempDir.h"

namespace {

class SkinnedAllocation : public RenderFixture {};

TEST_F(SkinnedAllocation, WarmFramesOfTheBirdAllocateNothing) {
    ScopedTempCwd cwd;
    cwd.MakeFolder("Model");
    std::uint32_t dwVertices = 0;
    std::uint32_t dwTriangles = 0;
    cwd.WriteFile("Model/BlueBird01.x", BirdModel::BirdFile(dwVertices, dwTriangles));
    for (DWORD dwMaxIndex : {255u, 0u}) {
        SCOPED_TRACE(dwMaxIndex == 0 ? "software blending" : "hardware blending");
        D3DCAPS8 caps = {};
        ASSERT_EQ(m_pDevice->GetDeviceCaps(&caps), D3D_OK);
        caps.MaxVertexBlendMatrixIndex = dwMaxIndex;
        auto pBird = std::make_unique<SkinnedMesh>();
        pBird->Load(m_pDevice, caps, "BlueBird01.x");
        ASSERT_NE(pBird->SelectedTree(), nullptr);
        g_frameStep = 0.03f;
        D3DXMATRIX matWorld;
        D3DXMatrixScaling(&matWorld, 3.5f, 3.5f, 3.5f);
        HRESULT hrWorst = S_OK;
        auto frame = [&]() {
            pBird->FrameMove(1, 1, 0);
            m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
            m_pDevice->BeginScene();
            const HRESULT hr = pBird->Render(matWorld);
            hrWorst = FAILED(hr) ? hr : hrWorst;
            m_pDevice->EndScene();
            m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
        };
        for (int i = 0; i < 20; ++i) {
            frame();
        }
        const long before = AllocationCount();
        // 1.5 s: the animation wraps on the way.
        for (int i = 0; i < 50; ++i) {
            frame();
        }
        EXPECT_EQ(AllocationCount() - before, 0);
        EXPECT_EQ(hrWorst, S_OK);
    }
    g_frameStep = 0.0f;
}

}  // namespace
