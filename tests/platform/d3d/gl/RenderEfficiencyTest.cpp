// Device calls stay cheap: redundant state is not sent to GL again, programs
// are built once per state key, and buffers are uploaded only when changed.
#include <cstring>
#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/gl/GlBackend.h"

#include "support/RenderFixture.h"

namespace {

class RenderEfficiencyTest : public RenderFixture {
protected:
    void SetUp() override {
        RenderFixture::SetUp();
        m_pBackend = &static_cast<GlBackend&>(static_cast<DeviceCore*>(m_pDevice)->Backend());
        const ColourVertex quad[4] = {{-0.5f, 0.5f, 0.5f, 0xFFFFFFFF},
                                      {0.5f, 0.5f, 0.5f, 0xFFFFFFFF},
                                      {-0.5f, -0.5f, 0.5f, 0xFFFFFFFF},
                                      {0.5f, -0.5f, 0.5f, 0xFFFFFFFF}};
        const WORD indices[6] = {0, 1, 2, 2, 1, 3};
        ASSERT_EQ(
            m_pDevice->CreateVertexBuffer(sizeof(quad), D3DUSAGE_WRITEONLY, kColourFvf, D3DPOOL_MANAGED, &m_pVertices),
            D3D_OK);
        ASSERT_EQ(m_pDevice->CreateIndexBuffer(sizeof(indices), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                               &m_pIndices),
                  D3D_OK);
        BYTE* data = nullptr;
        ASSERT_EQ(m_pVertices->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, quad, sizeof(quad));
        m_pVertices->Unlock();
        ASSERT_EQ(m_pIndices->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, indices, sizeof(indices));
        m_pIndices->Unlock();
        m_pDevice->SetStreamSource(0, m_pVertices, sizeof(ColourVertex));
        m_pDevice->SetIndices(m_pIndices, 0);
        m_pDevice->SetVertexShader(kColourFvf);
        m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    }

    void TearDown() override {
        if (m_pDevice != nullptr) {
            m_pDevice->SetStreamSource(0, nullptr, 0);
            m_pDevice->SetIndices(nullptr, 0);
        }
        if (m_pVertices != nullptr) {
            m_pVertices->Release();
        }
        if (m_pIndices != nullptr) {
            m_pIndices->Release();
        }
        RenderFixture::TearDown();
    }

    // GL calls made by one indexed draw.
    DWORD CallsForDraw() {
        const DWORD before = m_pBackend->GlCallCount();
        EXPECT_EQ(m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
        return m_pBackend->GlCallCount() - before;
    }

    GlBackend* m_pBackend = nullptr;
    IDirect3DVertexBuffer8* m_pVertices = nullptr;
    IDirect3DIndexBuffer8* m_pIndices = nullptr;
};

TEST_F(RenderEfficiencyTest, RepeatedDrawsSendOnlyTheDrawUntilABufferChanges) {
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    EXPECT_GT(CallsForDraw(), 10u);  // states, program, uploads and the vertex layout
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(CallsForDraw(), 1u);
    }
    // Setting a state to the value it has changes nothing GL sees.
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    EXPECT_LE(CallsForDraw(), 3u);
    EXPECT_EQ(CallsForDraw(), 1u);
    BYTE* data = nullptr;
    ASSERT_EQ(m_pVertices->Lock(0, 0, &data, 0), D3D_OK);
    reinterpret_cast<ColourVertex*>(data)[0].colour = 0xFFFF0000;
    m_pVertices->Unlock();
    EXPECT_EQ(CallsForDraw(), 3u);  // bind, upload, draw
    EXPECT_EQ(CallsForDraw(), 1u);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    const std::vector<DWORD> frame = Frame();
    // The changed corner (top left) shows the new colour.
    EXPECT_GT(ToRgb(At(frame, 17, 17)).r, ToRgb(At(frame, 17, 17)).g);
}

TEST_F(RenderEfficiencyTest, ProgramsAreBuiltOncePerStateKey) {
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    CallsForDraw();
    const std::size_t programs = m_pBackend->ProgramCount();
    // States that leave the picture alone leave the program alone: fog with
    // no fog mode, an alpha test that always passes.
    m_pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    CallsForDraw();
    EXPECT_EQ(m_pBackend->ProgramCount(), programs);
    m_pDevice->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    m_pDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    for (int i = 0; i < 6; ++i) {
        m_pDevice->SetRenderState(D3DRS_FOGENABLE, i % 2 == 0 ? TRUE : FALSE);
        m_pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, i % 3 == 0 ? TRUE : FALSE);
        CallsForDraw();
    }
    // Fog on/off times alpha test on/off, less the one already built.
    EXPECT_EQ(m_pBackend->ProgramCount(), programs + 3);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
}

}  // namespace
