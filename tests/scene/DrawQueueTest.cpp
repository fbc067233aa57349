#include "scene/DrawQueue.h"

#include <gtest/gtest.h>

#include <vector>

#include "gfxutil/D3DXMesh.h"
#include "support/RecordingDeviceTest.h"

namespace {

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
    // Three triangles, one per subset; the device records draws only inside a scene.
    void SetUp() override {
        RecordingDeviceTest::SetUp();
        ASSERT_EQ(D3DXCreateMeshFVF(3, 9, D3DXMESH_MANAGED, D3DFVF_XYZ, m_pDevice, &m_pMesh), D3D_OK);
        WORD* pIndices = nullptr;
        DWORD* pAttributes = nullptr;
        ASSERT_EQ(m_pMesh->LockIndexBuffer(0, reinterpret_cast<BYTE**>(&pIndices)), D3D_OK);
        for (WORD i = 0; i < 9; ++i) {
            pIndices[i] = i;
        }
        m_pMesh->UnlockIndexBuffer();
        ASSERT_EQ(m_pMesh->LockAttributeBuffer(0, &pAttributes), D3D_OK);
        for (DWORD f = 0; f < 3; ++f) {
            pAttributes[f] = f;
        }
        m_pMesh->UnlockAttributeBuffer();
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    }
    void TearDown() override {
        m_pDevice->EndScene();
        m_pDevice->SetStreamSource(0, nullptr, 0);
        m_pDevice->SetIndices(nullptr, 0);
        m_pMesh->Release();
        RecordingDeviceTest::TearDown();
    }
    // The red of each draw's material and the depth of its world, in draw order.
    std::vector<float> Reds() const {
        std::vector<float> reds;
        for (size_t i = 0; i < m_pLog->DrawCount(); ++i) {
            reds.push_back(m_pLog->MaterialAtDraw(i).Diffuse.r);
        }
        return reds;
    }
    std::vector<float> Depths() const {
        std::vector<float> depths;
        for (size_t i = 0; i < m_pLog->DrawCount(); ++i) {
            depths.push_back(m_pLog->TransformAtDraw(i, D3DTS_WORLD)._43);
        }
        return depths;
    }

    ID3DXMesh* m_pMesh = nullptr;
    DrawQueue m_queue;
};

TEST_F(DrawQueueTest, HoldsThreeHundredDrawsDropsTheRestAndSortsTheFarthestAlongTheDirectionFirst) {
    D3DMATERIAL8 material = Material(1.0f, 1.0f);
    for (int i = 0; i < 301; ++i) {
        EXPECT_EQ(m_queue.Add(m_pMesh, Placed(float(i)), D3DXVECTOR3(0, 0, float(i)), &material, nullptr, 1), S_OK);
    }
    EXPECT_EQ(m_queue.Count(), 300u);
    m_queue.Draw(m_pDevice);
    EXPECT_EQ(m_pLog->DrawCount(), 300u);

    m_queue.Clear();
    m_pLog->Clear();
    m_queue.Draw(m_pDevice);
    EXPECT_EQ(m_pLog->DrawCount(), 0u);
    for (float z : {50.0f, 10.0f, 30.0f}) {
        m_queue.Add(m_pMesh, Placed(z), D3DXVECTOR3(0, 0, z), &material, nullptr, 1);
    }
    m_queue.Sort(0.0f, 0.0f, 1.0f);
    m_queue.Draw(m_pDevice);
    EXPECT_EQ(Depths(), (std::vector<float>{50.0f, 30.0f, 10.0f}));
    m_pLog->Clear();
    m_queue.Sort(0.0f, 0.0f, -1.0f);
    m_queue.Draw(m_pDevice);
    EXPECT_EQ(Depths(), (std::vector<float>{10.0f, 30.0f, 50.0f}));
}

TEST_F(DrawQueueTest, OpaqueSubsetsBeforeTranslucentOnesEachWithItsMaterialAndTexture) {
    IDirect3DTexture8* pTexture = nullptr;
    ASSERT_EQ(m_pDevice->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &pTexture), D3D_OK);
    D3DMATERIAL8 materials[3] = {Material(0.5f, 0.1f), Material(1.0f, 0.2f), Material(1.5f, 0.3f)};
    IDirect3DTexture8* textures[3] = {nullptr, pTexture, nullptr};
    m_queue.Add(m_pMesh, Placed(0), D3DXVECTOR3(0, 0, 0), materials, textures, 3);
    m_queue.Draw(m_pDevice);

    // Opaque pass: 1 (alpha 1.0) and 2 (above 1.0); translucent pass: 0 and 2.
    EXPECT_EQ(Reds(), (std::vector<float>{0.2f, 0.3f, 0.1f, 0.3f}));
    ASSERT_EQ(m_pLog->DrawCount(), 4u);
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), pTexture);
    EXPECT_EQ(m_pLog->TextureAtDraw(1, 0), nullptr) << "a missing texture binds none";
    m_pDevice->SetTexture(0, nullptr);
    pTexture->Release();
}

}  // namespace
