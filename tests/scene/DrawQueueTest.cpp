#include "scene/DrawQueue.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/RecordingDeviceTest.h"

namespace {

// A mesh that draws one triangle per subset, so the recording device keeps
// the material, texture and world each subset was drawn with.
class FakeMesh final : public ID3DXBaseMesh {
public:
    FakeMesh(IDirect3DDevice8* pDevice, int id, std::vector<std::pair<int, DWORD>>* pDraws)
        : m_pDevice(pDevice), m_id(id), m_pDraws(pDraws) {}

    HRESULT QueryInterface(REFIID, void**) override { return E_FAIL; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT DrawSubset(DWORD attribId) override {
        m_pDraws->emplace_back(m_id, attribId);
        const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
        m_pDevice->SetVertexShader(D3DFVF_XYZ);
        return m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, 12);
    }
    DWORD GetNumFaces() override { return 1; }
    DWORD GetNumVertices() override { return 3; }
    DWORD GetFVF() override { return D3DFVF_XYZ; }
    DWORD GetOptions() override { return 0; }
    HRESULT GetDevice(IDirect3DDevice8**) override { return E_FAIL; }
    HRESULT CloneMeshFVF(DWORD, DWORD, IDirect3DDevice8*, ID3DXMesh**) override { return E_FAIL; }
    HRESULT GetVertexBuffer(IDirect3DVertexBuffer8**) override { return E_FAIL; }
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer8**) override { return E_FAIL; }
    HRESULT LockVertexBuffer(DWORD, BYTE**) override { return E_FAIL; }
    HRESULT UnlockVertexBuffer() override { return E_FAIL; }
    HRESULT LockIndexBuffer(DWORD, BYTE**) override { return E_FAIL; }
    HRESULT UnlockIndexBuffer() override { return E_FAIL; }
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE*, DWORD*) override { return E_FAIL; }
    HRESULT GenerateAdjacency(float, DWORD*) override { return E_FAIL; }

private:
    IDirect3DDevice8* m_pDevice;
    int m_id;
    std::vector<std::pair<int, DWORD>>* m_pDraws;
};

D3DMATERIAL8 Material(float alpha, float red) {
    D3DMATERIAL8 material{};
    material.Diffuse = {red, 0.0f, 0.0f, alpha};
    return material;
}

D3DXMATRIX Placed(float z) {
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 0.0f, 0.0f, z);
    return world;
}

class DrawQueueTest : public RecordingDeviceTest {
protected:
    // The device records draws only inside a scene.
    void SetUp() override {
        RecordingDeviceTest::SetUp();
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    }
    void TearDown() override {
        m_pDevice->EndScene();
        RecordingDeviceTest::TearDown();
    }

    std::vector<std::pair<int, DWORD>> m_draws;
    DrawQueue m_queue;
};

TEST_F(DrawQueueTest, HoldsThreeHundredDrawsAndDropsTheRest) {
    FakeMesh mesh(m_pDevice, 0, &m_draws);
    D3DMATERIAL8 material = Material(1.0f, 1.0f);
    for (int i = 0; i < 301; ++i) {
        EXPECT_EQ(m_queue.Add(&mesh, Placed(float(i)), D3DXVECTOR3(0, 0, float(i)), &material, nullptr, 1), S_OK);
    }
    EXPECT_EQ(m_queue.Count(), 300u);
    EXPECT_EQ(m_queue.EntryAt(299).m_vecSortPoint.z, 299.0f);
    m_queue.Draw(m_pDevice);
    EXPECT_EQ(m_draws.size(), 300u);

    m_queue.Clear();
    EXPECT_EQ(m_queue.Count(), 0u);
    EXPECT_EQ(m_queue.EntryAt(0).m_pMesh, nullptr);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&m_queue.EntryAt(0).m_matWorld));
    m_draws.clear();
    m_queue.Draw(m_pDevice);
    EXPECT_TRUE(m_draws.empty());
}

TEST_F(DrawQueueTest, SortPutsTheFarthestAlongTheDirectionFirst) {
    FakeMesh near(m_pDevice, 10, &m_draws);
    FakeMesh far(m_pDevice, 50, &m_draws);
    FakeMesh middle(m_pDevice, 30, &m_draws);
    D3DMATERIAL8 material = Material(1.0f, 1.0f);
    // A lone entry sorts to itself, intact.
    m_queue.Add(&far, Placed(50), D3DXVECTOR3(1, 2, 50), &material, nullptr, 1);
    m_queue.Sort(0.0f, 0.0f, 1.0f);
    EXPECT_EQ(m_queue.EntryAt(0).m_vecSortPoint.y, 2.0f);
    m_queue.Add(&near, Placed(10), D3DXVECTOR3(0, 0, 10), &material, nullptr, 1);
    m_queue.Add(&middle, Placed(30), D3DXVECTOR3(0, 0, 30), &material, nullptr, 1);
    m_queue.Sort(0.0f, 0.0f, 1.0f);
    m_queue.Draw(m_pDevice);

    ASSERT_EQ(m_draws.size(), 3u);
    EXPECT_EQ(m_draws[0].first, 50);
    EXPECT_EQ(m_draws[1].first, 30);
    EXPECT_EQ(m_draws[2].first, 10);
    // Each entry is drawn with its own world matrix.
    ASSERT_EQ(m_pLog->DrawCount(), 3u);
    EXPECT_EQ(m_pLog->TransformAtDraw(0, D3DTS_WORLD)._43, 50.0f);
    EXPECT_EQ(m_pLog->TransformAtDraw(2, D3DTS_WORLD)._43, 10.0f);

    // The opposite direction reverses the order.
    m_draws.clear();
    m_queue.Sort(0.0f, 0.0f, -1.0f);
    m_queue.Draw(m_pDevice);
    EXPECT_EQ(m_draws[0].first, 10);
    EXPECT_EQ(m_draws[2].first, 50);
}

TEST_F(DrawQueueTest, OpaqueSubsetsBeforeTranslucentOnes) {
    FakeMesh mesh(m_pDevice, 0, &m_draws);
    D3DMATERIAL8 materials[3] = {Material(0.5f, 0.1f), Material(1.0f, 0.2f), Material(1.5f, 0.3f)};
    m_queue.Add(&mesh, Placed(0), D3DXVECTOR3(0, 0, 0), materials, nullptr, 3);
    m_queue.Draw(m_pDevice);

    // Opaque pass: 1 (alpha 1.0) and 2 (above 1.0); translucent pass: 0 and 2.
    std::vector<std::pair<int, DWORD>> expected = {{0, 1}, {0, 2}, {0, 0}, {0, 2}};
    EXPECT_EQ(m_draws, expected);
    ASSERT_EQ(m_pLog->DrawCount(), 4u);
    EXPECT_FLOAT_EQ(m_pLog->MaterialAtDraw(0).Diffuse.r, 0.2f);
    EXPECT_FLOAT_EQ(m_pLog->MaterialAtDraw(2).Diffuse.r, 0.1f);
    EXPECT_FLOAT_EQ(m_pLog->MaterialAtDraw(3).Diffuse.a, 1.5f);
}

TEST_F(DrawQueueTest, MissingTextureBindsNone) {
    IDirect3DTexture8* pTexture = nullptr;
    ASSERT_EQ(m_pDevice->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &pTexture), D3D_OK);
    FakeMesh mesh(m_pDevice, 0, &m_draws);
    D3DMATERIAL8 materials[2] = {Material(1.0f, 0.0f), Material(1.0f, 0.0f)};
    IDirect3DTexture8* textures[2] = {pTexture, nullptr};
    m_queue.Add(&mesh, Placed(0), D3DXVECTOR3(0, 0, 0), materials, textures, 2);
    m_queue.Draw(m_pDevice);
    ASSERT_EQ(m_pLog->DrawCount(), 2u);
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), pTexture);
    EXPECT_EQ(m_pLog->TextureAtDraw(1, 0), nullptr);
    m_pDevice->SetTexture(0, nullptr);
    pTexture->Release();
}

}  // namespace
