#include "gfxutil/D3DXSkinMesh.h"

#include <gtest/gtest.h>

#include <string>

#include "gfxutil/D3DXMath.h"
#include "gfxutil/XText.h"
#include "gfxutil/XofMeshData.h"
#include "support/RecordingDeviceTest.h"

namespace {

const std::string kIdentityRows = "1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,";

// A quad of two triangles whose second face has its own normal, so positions
// 0 and 2 are split; three bones, the third with a zero weight only.
std::string SkinnedQuad(const std::string& extraWeights) {
    return "Mesh body {\n 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;\n 2; 3;0,1,2;, 3;0,2,3;;\n"
           " MeshNormals { 2; 0;0;-1;, 0;0;1;; 2; 3;0,0,0;, 3;1,1,1;; }\n"
           " XSkinMeshHeader { 2; 3; 3; }\n"
           " SkinWeights { \"BoneA\"; 3; 0, 1, 2; 1.0, 0.5, 0.0; " +
           kIdentityRows + "2.0,3.0,4.0,1.0;; }\n" + " SkinWeights { \"BoneB\"; 2; 1, 2; 0.5, 1.0; " + kIdentityRows +
           "0.0,0.0,0.0,1.0;; }\n" + " SkinWeights { \"BoneC\"; 1; 3; 0.0; " + kIdentityRows + "0.0,0.0,0.0,1.0;; }\n" +
           extraWeights + "}\n";
}

// A flat fan of `segments` triangles round position 0, each with a normal of its
// own, so the centre becomes `segments` vertices; every bone weighs the centre only.
std::string FlatFan(int segments, int bones) {
    std::string positions = " 0;0;0;", faces, normals, normalFaces;
    for (int i = 0; i < segments; ++i) {
        const std::string n = std::to_string(i), separator = i > 0 ? ", " : " ";
        positions += ", " + n + ";1;0;";
        faces += separator + "3;0," + std::to_string(i + 1) + "," + std::to_string((i + 1) % segments + 1) + ";";
        normals += separator + n + ";0;1;";
        normalFaces += separator + "3;" + n + "," + n + "," + n + ";";
    }
    const std::string count = std::to_string(segments);
    std::string text = "Mesh fan {\n " + std::to_string(segments + 1) + ";" + positions + ";\n " + count + ";" + faces +
                       ";\n MeshNormals { " + count + ";" + normals + "; " + count + ";" + normalFaces + "; }\n";
    for (int b = 0; b < bones; ++b) {
        text += " SkinWeights { \"B" + std::to_string(b) + "\"; 1; 0; 1.0; " + kIdentityRows + "0,0,0,1;; }\n";
    }
    return text + "}\n";
}

class D3DXSkinMeshTest : public RecordingDeviceTest {
protected:
    // Loads the text's first object with the skin loader and, if asked, the plain loader.
    HRESULT LoadSkin(const std::string& body, ID3DXSkinMesh** skin, ID3DXBuffer** names, ID3DXBuffer** offsets,
                     HRESULT* plainResult = nullptr) {
        const XText file(body);
        EXPECT_NE(file.Data(), nullptr) << "the test file does not parse";
        if (file.Data() == nullptr) {
            return E_FAIL;
        }
        ID3DXBuffer* adjacency = nullptr;
        const HRESULT hr = D3DXLoadSkinMeshFromXof(file.Data(), D3DXMESH_SYSTEMMEM, m_pDevice, &adjacency, nullptr,
                                                   nullptr, names, offsets, skin);
        if (adjacency != nullptr) {
            adjacency->Release();
        }
        if (plainResult != nullptr) {
            ID3DXMesh* mesh = nullptr;
            *plainResult =
                D3DXLoadMeshFromXof(file.Data(), D3DXMESH_SYSTEMMEM, m_pDevice, nullptr, nullptr, nullptr, &mesh);
            if (mesh != nullptr) {
                mesh->Release();
            }
        }
        return hr;
    }
};

TEST_F(D3DXSkinMeshTest, BonesNamesOffsetsAndInfluencesFollowSplitVertices) {
    ID3DXSkinMesh* skin = nullptr;
    ID3DXBuffer* names = nullptr;
    ID3DXBuffer* offsets = nullptr;
    ASSERT_EQ(LoadSkin(SkinnedQuad(""), &skin, &names, &offsets), D3D_OK);
    ASSERT_EQ(skin->GetNumBones(), 3u);
    EXPECT_EQ(skin->GetNumVertices(), 6u);  // positions 0 and 2 split by the second normal

    char* const* nameRecords = static_cast<char* const*>(names->GetBufferPointer());
    EXPECT_STREQ(nameRecords[0], "BoneA");
    EXPECT_STREQ(nameRecords[2], "BoneC");
    const D3DXMATRIX* matrices = static_cast<const D3DXMATRIX*>(offsets->GetBufferPointer());
    EXPECT_EQ(offsets->GetBufferSize(), 3u * sizeof(D3DXMATRIX));
    EXPECT_EQ(matrices[0]._41, 2.0f);
    EXPECT_EQ(matrices[0]._43, 4.0f);
    EXPECT_EQ(matrices[1]._41, 0.0f);

    // BoneA moves positions 0, 1, 2: vertices 0 and its copy, 1, 2 and its copy.
    ASSERT_EQ(skin->GetNumBoneInfluences(0), 5u);
    DWORD vertices[5] = {};
    float weights[5] = {};
    ASSERT_EQ(skin->GetBoneInfluence(0, vertices, weights), D3D_OK);
    EXPECT_EQ(vertices[0], 0u);
    EXPECT_EQ(weights[0], 1.0f);
    EXPECT_EQ(vertices[1], 4u);  // the copy of position 0 shares its weight
    EXPECT_EQ(weights[1], 1.0f);
    EXPECT_EQ(skin->GetBoneInfluence(3, vertices, weights), D3DERR_INVALIDCALL);

    // Zero weights move nothing: at most two bones per face and per vertex.
    DWORD most = 0;
    ASSERT_EQ(skin->GetMaxFaceInfluences(&most), D3D_OK);
    EXPECT_EQ(most, 2u);
    ASSERT_EQ(skin->GetMaxVertexInfluences(&most), D3D_OK);
    EXPECT_EQ(most, 2u);

    ID3DXMesh* original = nullptr;
    ASSERT_EQ(skin->GetOriginalMesh(&original), D3D_OK);
    EXPECT_EQ(original->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL));
    original->Release();
    names->Release();
    offsets->Release();
    EXPECT_EQ(skin->Release(), 0u);
}

TEST_F(D3DXSkinMeshTest, AMeshWithoutWeightsHasNoBones) {
    const std::string text = "Mesh tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";
    ID3DXSkinMesh* skin = nullptr;
    ID3DXBuffer* names = nullptr;
    ASSERT_EQ(LoadSkin(text, &skin, &names, nullptr), D3D_OK);
    EXPECT_EQ(skin->GetNumBones(), 0u);
    DWORD most = 7;
    skin->GetMaxFaceInfluences(&most);
    EXPECT_EQ(most, 0u);
    ID3DXMesh* original = nullptr;
    ASSERT_EQ(skin->GetOriginalMesh(&original), D3D_OK);
    EXPECT_EQ(original->GetNumFaces(), 1u);
    // The part keeps the plain mesh and lets the skin go.
    skin->Release();
    original->Release();
    if (names != nullptr) {
        EXPECT_EQ(names->GetBufferSize(), 0u);
        names->Release();
    }
}

TEST_F(D3DXSkinMeshTest, WeightsForMissingPositionsOrMultipliedPastTheMeshAreRefusedAndEmptyMeshesReported) {
    ID3DXSkinMesh* skin = reinterpret_cast<ID3DXSkinMesh*>(this);
    ID3DXBuffer* names = reinterpret_cast<ID3DXBuffer*>(this);
    HRESULT plain = E_FAIL;
    const std::string bad = " SkinWeights { \"Stray\"; 1; 9; 1.0; " + kIdentityRows + "0,0,0,1;; }\n";
    EXPECT_EQ(LoadSkin(SkinnedQuad(bad), &skin, &names, nullptr, &plain), D3DXERR_INVALIDDATA);
    EXPECT_EQ(skin, nullptr);
    EXPECT_EQ(names, nullptr);
    EXPECT_EQ(plain, D3D_OK);  // the plain loader does not read skin data

    const std::string empty = "Mesh none { 1; 0;0;0;; 0;; }\n";
    EXPECT_EQ(LoadSkin(empty, &skin, &names, nullptr), D3DXERR_LOADEDMESHHASNODATA);
    EXPECT_EQ(skin, nullptr);

    // A few bones on a much split position are carried to every copy of it ...
    ASSERT_EQ(LoadSkin(FlatFan(40, 8), &skin, &names, nullptr), D3D_OK);
    EXPECT_EQ(skin->GetNumBoneInfluences(7), 40u);
    skin->Release();
    names->Release();
    // ... but a file whose weights multiply that way by the thousand is refused before
    // the influences are written out (each bone here would become forty).
    EXPECT_EQ(LoadSkin(FlatFan(40, 64), &skin, &names, nullptr), D3DXERR_INVALIDDATA);
    EXPECT_EQ(skin, nullptr);
}

}  // namespace
