// Every generated mesh through the program's own mesh loader, on a recording
// device: it loads, keeps its faces and materials, and names its textures.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "Vec3.h"
#include "gfxutil/D3DXSkinMesh.h"
#include "gfxutil/D3DXTypes.h"
#include "gfxutil/XofMeshData.h"
#include "platform/xfile/DXFile.h"
#include "support/RecordingDeviceTest.h"
#include "tools/mediagen/GeneratedMedia.h"
#include "tools/mediagen/XRuntimeReader.h"

namespace {

class MeshLoader : public RecordingDeviceTest {
protected:
    // Loads every Mesh object of a file (top level or inside frames) and
    // compares it with the same object read as plain data.
    void ExpectMeshesLoad(const std::string& szFile) {
        const std::string szPath = GeneratedMedia::RunFolder() + "/Model/" + szFile;
        std::vector<XNode> roots;
        HRESULT hr = E_FAIL;
        ASSERT_TRUE(XRuntimeReader::Load(szPath, roots, hr));
        std::vector<const XNode*> nodes;
        XRuntimeReader::CollectMeshes(roots, nodes);

        size_t nMesh = 0;
        ForEachMesh(szPath, [&](IDirectXFileData* pData) {
            ASSERT_LT(nMesh, nodes.size());
            const XMesh expected = XRuntimeReader::Mesh(*nodes[nMesh++]);
            ID3DXMesh* pMesh = nullptr;
            ID3DXBuffer* pAdjacency = nullptr;
            ID3DXBuffer* pMaterials = nullptr;
            DWORD dwMaterials = 0;
            ASSERT_EQ(D3DXLoadMeshFromXof(pData, D3DXMESH_SYSTEMMEM, m_pDevice, &pAdjacency, &pMaterials, &dwMaterials,
                                          &pMesh),
                      D3D_OK)
                << szFile << " " << expected.m_szName;
            EXPECT_EQ(pMesh->GetNumFaces(), expected.m_faces.size()) << expected.m_szName;
            EXPECT_GE(pMesh->GetNumVertices(), expected.m_positions.size() / 2) << expected.m_szName;
            ASSERT_EQ(dwMaterials, expected.m_materials.size()) << expected.m_szName;
            const auto* pList = static_cast<const D3DXMATERIAL*>(pMaterials->GetBufferPointer());
            for (DWORD m = 0; m < dwMaterials; ++m) {
                const std::string szTexture = pList[m].pTextureFilename ? pList[m].pTextureFilename : "";
                EXPECT_EQ(szTexture, expected.m_materials[m].m_szTexture) << expected.m_szName;
            }
            // No face is its own neighbour.
            const auto* pAdj = static_cast<const DWORD*>(pAdjacency->GetBufferPointer());
            for (DWORD f = 0; f < pMesh->GetNumFaces(); ++f) {
                for (int k = 0; k < 3; ++k) {
                    EXPECT_NE(pAdj[f * 3 + k], f) << expected.m_szName;
                }
            }
            pMesh->Release();
            pAdjacency->Release();
            pMaterials->Release();
        });
        EXPECT_EQ(nMesh, nodes.size()) << szFile;
    }

    // Calls back with every Mesh object of a file, top level or inside frames.
    static void ForEachMesh(const std::string& szPath, const std::function<void(IDirectXFileData*)>& onMesh) {
        IDirectXFile* pFile = nullptr;
        ASSERT_EQ(DirectXFileCreate(&pFile), DXFILE_OK);
        pFile->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES);
        IDirectXFileEnumObject* pEnum = nullptr;
        ASSERT_EQ(pFile->CreateEnumObject(szPath.c_str(), DXFILELOAD_FROMFILE, &pEnum), DXFILE_OK);
        std::function<void(IDirectXFileData*)> visit = [&](IDirectXFileData* pData) {
            const GUID* pType = nullptr;
            pData->GetType(&pType);
            if (*pType == TID_D3DRMMesh) {
                onMesh(pData);
            } else if (*pType == TID_D3DRMFrame) {
                IDirectXFileObject* pChild = nullptr;
                while (pData->GetNextObject(&pChild) == DXFILE_OK) {
                    IDirectXFileData* pChildData = nullptr;
                    if (pChild->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&pChildData)) == S_OK) {
                        visit(pChildData);
                        pChildData->Release();
                    }
                    pChild->Release();
                }
            }
        };
        IDirectXFileData* pData = nullptr;
        while (pEnum->GetNextDataObject(&pData) == DXFILE_OK) {
            visit(pData);
            pData->Release();
        }
        pEnum->Release();
        pFile->Release();
    }
};

}  // namespace

TEST_F(MeshLoader, EveryModelsMeshesLoadWithTheirMaterials) {
    ASSERT_FALSE(GeneratedMedia::RunFolder().empty());
    for (const char* szFile : {"VelmoranBase07.x", "VelmoranMoji01.x", "VelmoranHri101.x", "VelmoranHri201.x",
                               "VelmoranHri301.x", "VelmoranTuru04.x", "ClockDammy.x", "BlueBird01.x", "Dammy.x"}) {
        ExpectMeshesLoad(szFile);
    }
}

TEST_F(MeshLoader, SkinnedModelsLoadWithBonesBoundToTheirFramesInBindPose) {
    struct Case {
        const char* m_szFile;
        DWORD m_dwBones;
        DWORD m_dwMaxFaceInfluences;
    };
    for (const Case& c : {Case{"BlueBird01.x", 5, 2}, Case{"Dammy.x", 2, 2}}) {
        const std::string szPath = GeneratedMedia::RunFolder() + "/Model/" + c.m_szFile;
        // Each frame's bind-pose placement: its transform times its parents'.
        std::vector<XNode> roots;
        HRESULT hr = E_FAIL;
        ASSERT_TRUE(XRuntimeReader::Load(szPath, roots, hr));
        std::map<std::string, Mat4> world;
        std::function<void(const XNode&, const Mat4&)> walk = [&](const XNode& node, const Mat4& parent) {
            if (!(node.m_type == TID_D3DRMFrame)) {
                return;
            }
            Mat4 local;
            if (const XNode* pMatrix = node.Child(TID_D3DRMFrameTransformMatrix)) {
                const std::vector<float> m = pMatrix->Floats("frameMatrix");
                std::copy(m.begin(), m.begin() + 16, local.m);
            }
            world[node.m_szName] = local * parent;
            for (const XNode& child : node.m_children) {
                walk(child, world[node.m_szName]);
            }
        };
        for (const XNode& root : roots) {
            walk(root, Mat4::Identity());
        }

        int nSkins = 0;
        ForEachMesh(szPath, [&](IDirectXFileData* pData) {
            ++nSkins;
            ID3DXBuffer *pAdjacency = nullptr, *pMaterials = nullptr, *pNames = nullptr, *pOffsets = nullptr;
            ID3DXSkinMesh* pSkin = nullptr;
            DWORD dwMaterials = 0;
            ASSERT_EQ(D3DXLoadSkinMeshFromXof(pData, D3DXMESH_SYSTEMMEM, m_pDevice, &pAdjacency, &pMaterials,
                                              &dwMaterials, &pNames, &pOffsets, &pSkin),
                      D3D_OK)
                << c.m_szFile;
            EXPECT_EQ(pSkin->GetNumBones(), c.m_dwBones) << c.m_szFile;
            DWORD dwInfluences = 0;
            EXPECT_EQ(pSkin->GetMaxFaceInfluences(&dwInfluences), D3D_OK);
            EXPECT_EQ(dwInfluences, c.m_dwMaxFaceInfluences) << c.m_szFile;
            // ... which is what the file's skin header promises.
            std::vector<const XNode*> meshes;
            XRuntimeReader::CollectMeshes(roots, meshes);
            ASSERT_EQ(meshes.size(), 1u);
            const XNode* pHeader = meshes[0]->Child(DXFILEOBJ_XSkinMeshHeader);
            ASSERT_NE(pHeader, nullptr);
            std::uint16_t wPerFace = 0;
            std::memcpy(&wPerFace, pHeader->m_members.at("nMaxSkinWeightsPerFace").data(), 2);
            EXPECT_EQ(wPerFace, dwInfluences) << c.m_szFile;
            const auto* pNameList = static_cast<char* const*>(pNames->GetBufferPointer());
            const auto* pOffsetList = static_cast<const float*>(pOffsets->GetBufferPointer());
            for (DWORD b = 0; b < pSkin->GetNumBones(); ++b) {
                const std::string szBone = pNameList[b];
                ASSERT_TRUE(world.count(szBone)) << c.m_szFile << ": bone " << szBone << " names no frame";
                // In the bind pose a bone's offset undoes its frame's placement.
                Mat4 offset;
                std::copy(pOffsetList + 16 * b, pOffsetList + 16 * b + 16, offset.m);
                const Mat4 bind = offset * world[szBone];
                for (int i = 0; i < 16; ++i) {
                    EXPECT_NEAR(bind.m[i], Mat4::Identity().m[i], 1e-5f) << c.m_szFile << " bone " << szBone;
                }
            }
            for (IUnknown* p :
                 {static_cast<IUnknown*>(pAdjacency), static_cast<IUnknown*>(pMaterials),
                  static_cast<IUnknown*>(pNames), static_cast<IUnknown*>(pOffsets), static_cast<IUnknown*>(pSkin)}) {
                p->Release();
            }
        });
        EXPECT_EQ(nSkins, 1) << c.m_szFile;
    }
}
