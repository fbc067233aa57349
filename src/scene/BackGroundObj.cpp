#include "scene/BackGroundObj.h"

#include <cstdio>
#include <new>

#include "framework/ErrorReport.h"
#include "framework/MediaPath.h"
#include "scene/PlacementFile.h"

namespace {
constexpr const char* kModule = "BackGroundObj";
// Fixed trace sites (see TraceSite): kept exactly.
constexpr PlacementFile::Messages kPlacementMessages = {
    kModule,
    87,
    "opening backgroundpositionfile...%s",
    92,
    "failed to open bpsfile",
    100,
    "failed to read backgroundnumber from file",
    120,
    "failed to read backgroundposition from file",
};
}  // namespace

BackGroundObj::BackGroundObj(TexList* pTexList)
    : m_nCount(0), m_pModel(nullptr), m_pObjects(nullptr), m_pTexList(pTexList) {
    CaptureDirectory(m_szDir);
}

BackGroundObj::~BackGroundObj() {
    Release();
}

HRESULT BackGroundObj::Load(IDirect3DDevice8* pDevice, const char* szModelFileName, const char* szPositionFileName) {
    // A second load starts from nothing rather than leaking the first.
    Release();

    m_pModel = new (std::nothrow) Model(m_pTexList);
    if (m_pModel == nullptr) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = m_pModel->Load(pDevice, szModelFileName);
    if (FAILED(hr)) {
        return hr;
    }
    return ReadPlacements(szPositionFileName, hr);
}

HRESULT BackGroundObj::ReadPlacements(const char* szFileName, HRESULT hrModel) {
    PlacementFile file(kPlacementMessages);
    HRESULT hr = file.OpenMedia(m_szDir, szFileName, hrModel);
    if (FAILED(hr)) {
        return hr;
    }
    const int nCount = file.Count();
    if (nCount > 0) {
        m_pObjects = new (std::nothrow) PlacedObject[nCount];
        if (m_pObjects == nullptr) {
            return E_OUTOFMEMORY;
        }
    }
    m_nCount = nCount;
    for (int i = 0; i < nCount; ++i) {
        m_pObjects[i].SetModel(m_pModel);
    }
    for (int i = 0; i < nCount; ++i) {
        D3DXMATRIX matPlacement;
        if (FAILED(file.Next(&matPlacement))) {
            return E_FAIL;
        }
        m_pObjects[i].SetWorld(matPlacement);
    }
    return S_OK;
}

HRESULT BackGroundObj::Render(IDirect3DDevice8* pDevice, D3DXMATRIX matCamera, const FrustumInfo* pFrustum, int lod,
                              DrawQueue* pQueue) {
    for (int i = 0; i < m_nCount; ++i) {
        m_pObjects[i].Render(pDevice, matCamera, pFrustum, lod, pQueue);
    }
    return S_OK;
}

HRESULT BackGroundObj::Release() {
    if (m_pModel != nullptr) {
        m_pModel->Release();
        delete m_pModel;
        m_pModel = nullptr;
    }
    delete[] m_pObjects;
    m_pObjects = nullptr;
    m_nCount = 0;
    return S_OK;
}
