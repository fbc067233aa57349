#include "bird/SkinnedMeshFixture.h"

#include "platform/d3d/record/RecordingDevice.h"

namespace {

MeshPart* FindPart(FrameNode* pFrame) {
    for (FrameNode* pNode = pFrame; pNode != nullptr; pNode = pNode->m_pSibling) {
        if (pNode->m_pParts != nullptr) {
            return pNode->m_pParts;
        }
        if (MeshPart* pPart = FindPart(pNode->m_pFirstChild)) {
            return pPart;
        }
    }
    return nullptr;
}

}  // namespace

void SkinnedMeshFixture::SetUp() {
    RecordingDeviceTest::SetUp();
    m_pCwd = std::make_unique<ScopedTempCwd>();
    m_pCwd->MakeFolder("Model");
    m_pSkinned = std::make_unique<SkinnedMesh>();
    m_caps = RecordingDeviceCaps(D3DDEVTYPE_HAL);
}

void SkinnedMeshFixture::TearDown() {
    // The model goes first: its meshes and textures hold the device.
    m_pSkinned.reset();
    m_pCwd.reset();
    RecordingDeviceTest::TearDown();
}

void SkinnedMeshFixture::LoadText(const std::string& text, const char* szName) {
    m_pCwd->WriteFile(std::string("Model/") + szName, text);
    m_pSkinned->Load(m_pDevice, m_caps, szName);
}

HRESULT SkinnedMeshFixture::RenderScene(const D3DXMATRIX& matWorld) {
    EXPECT_EQ(m_pDevice->BeginScene(), D3D_OK);
    const HRESULT hr = m_pSkinned->Render(matWorld);
    EXPECT_EQ(m_pDevice->EndScene(), D3D_OK);
    return hr;
}

FrameNode* SkinnedMeshFixture::Node(const char* szName) const {
    FrameNode* pFrame = Tree() != nullptr ? Tree()->m_pRoot->FindFrame(szName) : nullptr;
    EXPECT_NE(pFrame, nullptr) << "no frame " << szName;
    return pFrame;
}

MeshPart* SkinnedMeshFixture::FirstPart() const {
    return Tree() != nullptr ? FindPart(Tree()->m_pRoot) : nullptr;
}
