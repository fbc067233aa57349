// A recording device, a fresh current directory with a Model folder, and a
// SkinnedMesh made inside it, for loading files written by the test.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "bird/MeshPart.h"
#include "bird/SkinnedMesh.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

class SkinnedMeshFixture : public RecordingDeviceTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes Model/<name> and loads it with the fixture's caps.
    void LoadText(const std::string& text, const char* szName = "Test.x");
    MeshTree* Tree() const { return m_pSkinned->SelectedTree(); }
    // Render inside a scene, as the render pass calls it.
    HRESULT RenderScene(const D3DXMATRIX& matWorld);
    // The frame of that name in the selected tree; fails the test when absent.
    FrameNode* Node(const char* szName) const;
    // The first part found depth first in the selected tree.
    MeshPart* FirstPart() const;

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
