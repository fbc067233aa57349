// A recording device, a fresh current directory with a Model folder, and a
// SkinnedMesh made inside it, for loading files written by the test.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "bird/MeshPart.h"
#include "bird/SkinnedMesh.h"
#include "platform/d3d/record/RecordingDevice.h"
#include "support/DdsTestFiles.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

class SkinnedMeshFixture : public RecordingDeviceTest {
protected:
    void SetUp() override {
        RecordingDeviceTest::SetUp();
        m_pCwd = std::make_unique<ScopedTempCwd>();
        m_pCwd->MakeFolder("Model");
        m_pSkinned = std::make_unique<SkinnedMesh>();
        m_caps = RecordingDeviceCaps(D3DDEVTYPE_HAL);
    }
    void TearDown() override {
        // The model goes first: its meshes and textures hold the device.
        m_pSkinned.reset();
        m_pCwd.reset();
        RecordingDeviceTest::TearDown();
    }

    // Writes Model/<name> and loads it with the fixture's caps.
    void LoadText(const std::string& text, const char* szName = "Test.x") {
        m_pCwd->WriteFile(std::string("Model/") + szName, text);
        m_pSkinned->Load(m_pDevice, m_caps, szName);
    }
    // A 4 x 4 texture at Texture/<name>.
    void WriteTexture(const std::string& szName) const {
        m_pCwd->MakeFolder("Texture");
        std::vector<BYTE> payload;
        AppendPixels(payload, std::vector<DWORD>(16, 0xFF336699u), 4);
        WriteFile(m_pCwd->File("Texture/" + szName), BuildDds(ArgbLayout(4, 4), payload));
    }
    MeshTree* Tree() const { return m_pSkinned->SelectedTree(); }
    // Render inside a scene, as the render pass calls it.
    HRESULT RenderScene(const D3DXMATRIX& matWorld) {
        EXPECT_EQ(m_pDevice->BeginScene(), D3D_OK);
        const HRESULT hr = m_pSkinned->Render(matWorld);
        EXPECT_EQ(m_pDevice->EndScene(), D3D_OK);
        return hr;
    }
    // The frame of that name in the selected tree; fails the test when absent.
    FrameNode* Node(const char* szName) const {
        FrameNode* pFrame = Tree() != nullptr ? Tree()->m_pRoot->FindFrame(szName) : nullptr;
        EXPECT_NE(pFrame, nullptr) << "no frame " << szName;
        return pFrame;
    }
    // The first part found depth first in the selected tree.
    MeshPart* FirstPart() const { return Tree() != nullptr ? FindPart(Tree()->m_pRoot) : nullptr; }
    static MeshPart* FindPart(FrameNode* pFrame) {
        for (FrameNode* pNode = pFrame; pNode != nullptr; pNode = pNode->m_pSibling) {
            if (MeshPart* pPart = pNode->m_pParts != nullptr ? pNode->m_pParts : FindPart(pNode->m_pFirstChild)) {
                return pPart;
            }
        }
        return nullptr;
    }

    std::unique_ptr<ScopedTempCwd> m_pCwd;
    std::unique_ptr<SkinnedMesh> m_pSkinned;
    D3DCAPS8 m_caps = {};
};

// Element by element, naming the first that differs.
inline ::testing::AssertionResult MatrixNear(const D3DMATRIX& actual, const D3DMATRIX& expected,
                                             float fTolerance = 1e-4f) {
    for (int i = 0; i < 16; ++i) {
        if (!(std::abs(actual.m[i / 4][i % 4] - expected.m[i / 4][i % 4]) <= fTolerance)) {
            return ::testing::AssertionFailure()
                   << "element " << i << ": " << actual.m[i / 4][i % 4] << " vs " << expected.m[i / 4][i % 4];
        }
    }
    return ::testing::AssertionSuccess();
}
