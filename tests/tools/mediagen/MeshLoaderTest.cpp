// Every generated mesh through the program's own mesh loader, on a recording
// device: it loads, keeps its faces and materials, and names its textures.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "gfxutil/D3DXTypes.h"
#include "gfxutil/XofMeshData.h"
#include "platform/d3d/record/RecordingDevice.h"
#include "platform/xfile/DXFile.h"
#include "tools/mediagen/GeneratedMedia.h"
#include "tools/mediagen/XRuntimeReader.h"

namespace {

class MeshLoader : public ::testing::Test {
protected:
    void SetUp() override {
        D3DPRESENT_PARAMETERS parameters{};
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        ASSERT_EQ(CreateRecordingDevice(&parameters, nullptr, &m_pDevice, &m_pLog), D3D_OK);
    }
    void TearDown() override {
        if (m_pDevice != nullptr) {
            EXPECT_EQ(m_pDevice->Release(), 0u);
        }
    }

    // Loads every Mesh object of a file (top level or inside frames) and
    // compares it with the same object read as plain data.
    void ExpectMeshesLoad(const std::string& szFile) {
        const std::string szPath = GeneratedMedia::RunFolder() + "/Model/" + szFile;
        std::vector<XNode> roots;
        HRESULT hr = E_FAIL;
        ASSERT_TRUE(XRuntimeReader::Load(szPath, roots, hr));
        std::vector<const XNode*> nodes;
        XRuntimeReader::CollectMeshes(roots, nodes);

        IDirectXFile* pFile = nullptr;
        ASSERT_EQ(DirectXFileCreate(&pFile), DXFILE_OK);
        pFile->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES);
        IDirectXFileEnumObject* pEnum = nullptr;
        ASSERT_EQ(pFile->CreateEnumObject(szPath.c_str(), DXFILELOAD_FROMFILE, &pEnum), DXFILE_OK);
        size_t nMesh = 0;
        std::function<void(IDirectXFileData*)> visit = [&](IDirectXFileData* pData) {
            const GUID* pType = nullptr;
            pData->GetType(&pType);
            if (*pType == TID_D3DRMMesh) {
                ASSERT_LT(nMesh, nodes.size());
                const XMesh expected = XRuntimeReader::Mesh(*nodes[nMesh++]);
                ID3DXMesh* pMesh = nullptr;
                ID3DXBuffer* pAdjacency = nullptr;
                ID3DXBuffer* pMaterials = nullptr;
                DWORD dwMaterials = 0;
                ASSERT_EQ(D3DXLoadMeshFromXof(pData, D3DXMESH_SYSTEMMEM, m_pDevice, &pAdjacency, &pMaterials,
                                              &dwMaterials, &pMesh),
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
        EXPECT_EQ(nMesh, nodes.size()) << szFile;
        pEnum->Release();
        pFile->Release();
    }

    IDirect3DDevice8* m_pDevice = nullptr;
    RecordLog* m_pLog = nullptr;
};

}  // namespace

TEST_F(MeshLoader, EveryModelsMeshesLoadWithTheirMaterials) {
    ASSERT_FALSE(GeneratedMedia::RunFolder().empty());
    for (const char* szFile : {"VelmoranBase07.x", "VelmoranMoji01.x", "VelmoranHri101.x", "VelmoranHri201.x",
                               "VelmoranHri301.x", "VelmoranTuru04.x", "ClockDammy.x", "BlueBird01.x", "Dammy.x"}) {
        ExpectMeshesLoad(szFile);
    }
}
