#include "XLoadRunner.h"

#include "gfxutil/XofMeshData.h"
#include "platform/xfile/DXFile.h"

#ifdef XLOAD_HAVE_ASSIMP
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#endif

namespace {

// Loads every Mesh under pData; frames are walked, other objects skipped.
HRESULT LoadTree(IDirect3DDevice8* pDevice, IDirectXFileData* pData, XLoadRunner::Counts& counts, int depth) {
    const GUID* pType = nullptr;
    HRESULT hr = pData->GetType(&pType);
    if (FAILED(hr)) {
        return hr;
    }
    if (*pType == TID_D3DRMMesh) {
        ID3DXMesh* pMesh = nullptr;
        ID3DXBuffer* pAdjacency = nullptr;
        ID3DXBuffer* pMaterials = nullptr;
        DWORD dwMaterials = 0;
        hr = D3DXLoadMeshFromXof(pData, D3DXMESH_SYSTEMMEM, pDevice, &pAdjacency, &pMaterials, &dwMaterials, &pMesh);
        if (SUCCEEDED(hr)) {
            counts.m_dwTriangles += pMesh->GetNumFaces();
            counts.m_dwMaterials += dwMaterials;
            pMesh->Release();
            pAdjacency->Release();
            pMaterials->Release();
        }
        return hr;
    }
    if (*pType != TID_D3DRMFrame || depth > 64) {
        return S_OK;
    }
    IDirectXFileObject* pChild = nullptr;
    while (SUCCEEDED(hr) && SUCCEEDED(pData->GetNextObject(&pChild))) {
        IDirectXFileData* pChildData = nullptr;
        if (SUCCEEDED(pChild->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&pChildData)))) {
            hr = LoadTree(pDevice, pChildData, counts, depth + 1);
            pChildData->Release();
        }
        pChild->Release();
    }
    return hr;
}

}  // namespace

HRESULT XLoadRunner::LoadOurs(IDirect3DDevice8* pDevice, const std::vector<BYTE>& image, Counts& counts) {
    counts = Counts();
    IDirectXFile* pFile = nullptr;
    HRESULT hr = DirectXFileCreate(&pFile);
    if (FAILED(hr)) {
        return hr;
    }
    hr = pFile->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES);
    IDirectXFileEnumObject* pEnum = nullptr;
    if (SUCCEEDED(hr)) {
        DXFILELOADMEMORY memory{const_cast<BYTE*>(image.data()), static_cast<DWORD>(image.size())};
        hr = pFile->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &pEnum);
    }
    IDirectXFileData* pData = nullptr;
    while (SUCCEEDED(hr) && SUCCEEDED(pEnum->GetNextDataObject(&pData))) {
        hr = LoadTree(pDevice, pData, counts, 0);
        pData->Release();
    }
    if (pEnum != nullptr) {
        pEnum->Release();
    }
    pFile->Release();
    return hr;
}

#ifdef XLOAD_HAVE_ASSIMP

bool XLoadRunner::HasPeer() {
    return true;
}

bool XLoadRunner::LoadPeer(const std::vector<BYTE>& image, Counts& counts) {
    counts = Counts();
    Assimp::Importer importer;
    const aiScene* pScene = importer.ReadFileFromMemory(image.data(), image.size(), aiProcess_Triangulate, "x");
    if (pScene == nullptr) {
        return false;
    }
    for (unsigned i = 0; i < pScene->mNumMeshes; ++i) {
        counts.m_dwTriangles += pScene->mMeshes[i]->mNumFaces;
    }
    counts.m_dwMaterials = pScene->mNumMaterials;
    return true;
}

#else

bool XLoadRunner::HasPeer() {
    return false;
}

bool XLoadRunner::LoadPeer(const std::vector<BYTE>&, Counts& counts) {
    counts = Counts();
    return false;
}

#endif
