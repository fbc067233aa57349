#include "scene/Model.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "framework/AnsiString.h"
#include "framework/ErrorReport.h"
#include "framework/MediaPath.h"
#include "gfxutil/XofChildren.h"
#include "scene/MeshDammy.h"
#include "scene/MeshDisplay.h"

namespace {

namespace site {
// Fixed trace sites (see TraceSite): kept exactly. "%s" is the model's path,
// "%d" a count; the read sites share the text of ReportRead.
constexpr const char* kModule = "Model";
constexpr TraceSite kCountNote{kModule, 453, "counting mesh object in xfile...%s"};
constexpr TraceSite kCountRead{kModule, 461, "failed to load xfile...%s"};
constexpr TraceSite kMeshCount{kModule, 493, "m_dwMeshCountInXFile=%d"};
constexpr TraceSite kDisplayCount{kModule, 495, "m_dwMeshDisplayNum=%d"};
constexpr TraceSite kDammyCount{kModule, 497, "m_dwMeshDammyNum=%d"};
constexpr TraceSite kCountsDiffer{kModule, 504, "MeshDisplayNumber != MeshDammyNumber"};
constexpr TraceSite kOutOfMemory{kModule, 509, "failed to load xfile...%s"};
constexpr TraceSite kLoadNote{kModule, 527, "loading xfile...%s"};
constexpr TraceSite kLoadRead{kModule, 535, "failed to load xfile...%s"};
constexpr TraceSite kInvalidName{kModule, 610, "mesh with invalid name detected"};
}  // namespace site

// The name rule: case-sensitive substrings, "display" winning over "dammy".
enum class MeshKind { Display, Dammy, Invalid };

MeshKind KindOf(IDirectXFileData* pData) {
    char szRead[MeshDammy::kNameChars];
    MeshDammy::ReadObjectName(pData, szRead);
    char szName[MAX_PATH];
    CopyAnsi(szName, szRead, MAX_PATH);
    if (std::strstr(szName, "display") != nullptr) {
        return MeshKind::Display;
    }
    if (std::strstr(szName, "dammy") != nullptr) {
        return MeshKind::Dammy;
    }
    return MeshKind::Invalid;
}

void TraceInfo(const TraceSite& site, DWORD dwValue) {
    char szMessage[64];
    std::snprintf(szMessage, sizeof(szMessage), site.m_pszText, static_cast<int>(dwValue));
    TraceError(site.m_pszModule, site.m_lNumber, S_OK, szMessage, FALSE);
}

}  // namespace

Model::Model(TexList* pTexList)
    : m_szName{},
      m_szDirectory{},
      m_szPath{},
      m_dwMeshCountInXFile(0),
      m_pMeshDisplay(nullptr),
      m_dwMeshDisplayNum(0),
      m_dwDisplayCursor(0),
      m_pMeshDammy(nullptr),
      m_dwMeshDammyNum(0),
      m_dwDammyCursor(0),
      m_pTexList(pTexList) {
    CaptureDirectory(m_szDirectory);
}

Model::~Model() {
    Release();
}

HRESULT Model::Load(IDirect3DDevice8* pDevice, const char* szFileName) {
    // A second load replaces the first instead of leaking its meshes.
    Release();
    if (szFileName == nullptr) {
        return E_INVALIDARG;
    }
    CopyAnsi(m_szName, szFileName, sizeof(m_szName));
    if (!ComposeMediaPath(m_szPath, m_szDirectory, kModelFolder, szFileName)) {
        // Too long for a media path (or no directory): never open a cut path.
        char szMessage[3 * MAX_PATH + sizeof(m_szName)];
        std::snprintf(szMessage, sizeof(szMessage), "failed to load xfile...%s%s%s", m_szDirectory, kModelFolder,
                      szFileName);
        TraceError(site::kModule, site::kCountRead.m_lNumber, E_FAIL, szMessage, TRUE);
        return E_FAIL;
    }

    // First pass: count the meshes of each kind and check their names.
    IDirectXFile* pFile = nullptr;
    IDirectXFileEnumObject* pEnum = nullptr;
    HRESULT hr = OpenFile(&pFile, &pEnum, site::kCountNote, site::kCountRead.m_lNumber);
    if (FAILED(hr)) {
        return hr;
    }
    m_dwMeshCountInXFile = 0;
    m_dwMeshDisplayNum = 0;
    m_dwMeshDammyNum = 0;
    hr = ForEachObject(pEnum, site::kCountRead.m_lNumber,
                       [this](IDirectXFileData* pData) { return CountMeshes(pData); });
    pEnum->Release();
    pFile->Release();
    if (FAILED(hr)) {
        return E_FAIL;
    }

    TraceInfo(site::kMeshCount, m_dwMeshCountInXFile);
    TraceInfo(site::kDisplayCount, m_dwMeshDisplayNum);
    TraceInfo(site::kDammyCount, m_dwMeshDammyNum);
    if (m_dwMeshDisplayNum != m_dwMeshDammyNum) {
        TraceError(site::kCountsDiffer, E_FAIL, TRUE);
        return E_FAIL;
    }

    if (m_dwMeshDisplayNum > 0) {
        m_pMeshDisplay = new (std::nothrow) MeshDisplay[m_dwMeshDisplayNum];
        m_pMeshDammy = new (std::nothrow) MeshDammy[m_dwMeshDammyNum];
        if (m_pMeshDisplay == nullptr || m_pMeshDammy == nullptr) {
            Release();
            return ReportRead(site::kOutOfMemory.m_lNumber, E_OUTOFMEMORY);
        }
    }

    // Second pass: load every mesh into the slot of its kind, in file order.
    hr = OpenFile(&pFile, &pEnum, site::kLoadNote, site::kLoadRead.m_lNumber);
    if (FAILED(hr)) {
        return hr;
    }
    m_dwDisplayCursor = 0;
    m_dwDammyCursor = 0;
    hr = ForEachObject(pEnum, site::kLoadRead.m_lNumber,
                       [this, pDevice](IDirectXFileData* pData) { return LoadMeshes(pDevice, pData); });
    pEnum->Release();
    pFile->Release();
    return FAILED(hr) ? E_FAIL : S_OK;
}

HRESULT Model::ReportRead(long line, HRESULT hr) const {
    char szMessage[MAX_PATH + 64];
    std::snprintf(szMessage, sizeof(szMessage), site::kLoadRead.m_pszText, m_szPath);
    TraceError(site::kModule, line, hr, szMessage, TRUE);
    return hr;
}

template <typename Visit>
HRESULT Model::ForEachObject(IDirectXFileEnumObject* pEnum, long line, Visit visit) {
    for (;;) {
        IDirectXFileData* pData = nullptr;
        const HRESULT hrNext = pEnum->GetNextDataObject(&pData);
        if (hrNext == DXFILEERR_NOMOREOBJECTS) {
            return S_OK;
        }
        // An object the runtime cannot hand out (out of memory) is not the end of the file.
        if (FAILED(hrNext)) {
            return ReportRead(line, hrNext);
        }
        const HRESULT hr = visit(pData);
        pData->Release();
        if (FAILED(hr)) {
            return hr;
        }
    }
}

HRESULT Model::OpenFile(IDirectXFile** ppFile, IDirectXFileEnumObject** ppEnum, const TraceSite& note, long lineOpen) {
    IDirectXFile* pFile = nullptr;
    HRESULT hr = DirectXFileCreate(&pFile);
    if (FAILED(hr)) {
        ReportRead(lineOpen, hr);
        return E_FAIL;
    }
    hr = pFile->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES);
    if (FAILED(hr)) {
        pFile->Release();
        ReportRead(lineOpen, hr);
        return E_FAIL;
    }
    char szMessage[MAX_PATH + 64];
    std::snprintf(szMessage, sizeof(szMessage), note.m_pszText, m_szPath);
    TraceError(note.m_pszModule, note.m_lNumber, S_OK, szMessage, FALSE);

    IDirectXFileEnumObject* pEnum = nullptr;
    hr = pFile->CreateEnumObject(m_szPath, DXFILELOAD_FROMFILE, &pEnum);
    if (FAILED(hr)) {
        pFile->Release();
        return ReportRead(lineOpen, hr);
    }
    *ppFile = pFile;
    *ppEnum = pEnum;
    return S_OK;
}

HRESULT Model::CountMeshes(IDirectXFileData* pData) {
    const GUID* pType = nullptr;
    HRESULT hr = pData->GetType(&pType);
    if (FAILED(hr)) {
        return hr;
    }
    if (*pType == TID_D3DRMMesh) {
        ++m_dwMeshCountInXFile;
        switch (KindOf(pData)) {
            case MeshKind::Display:
                ++m_dwMeshDisplayNum;
                break;
            case MeshKind::Dammy:
                ++m_dwMeshDammyNum;
                break;
            case MeshKind::Invalid:
                TraceError(site::kInvalidName, E_FAIL, TRUE);
                return E_FAIL;
        }
    } else if (*pType == TID_D3DRMFrame) {
        // A child the runtime cannot hand out is reported at the read site, as top-level objects are.
        return ForEachChild(pData, OnlyData([this](IDirectXFileData* pChild) { return CountMeshes(pChild); }),
                            [this](HRESULT hrNext) { return ReportRead(site::kCountRead.m_lNumber, hrNext); });
    }
    return S_OK;
}

HRESULT Model::LoadMeshes(IDirect3DDevice8* pDevice, IDirectXFileData* pData) {
    const GUID* pType = nullptr;
    HRESULT hr = pData->GetType(&pType);
    if (FAILED(hr)) {
        return hr;
    }
    if (*pType == TID_D3DRMMesh) {
        // The slots were counted in the first pass; a file that changed in
        // between must not write past them.
        switch (KindOf(pData)) {
            case MeshKind::Display:
                if (m_dwDisplayCursor >= m_dwMeshDisplayNum) {
                    return E_FAIL;
                }
                hr = m_pMeshDisplay[m_dwDisplayCursor].Load(pDevice, pData, m_pTexList);
                ++m_dwDisplayCursor;
                break;
            case MeshKind::Dammy:
                if (m_dwDammyCursor >= m_dwMeshDammyNum) {
                    return E_FAIL;
                }
                hr = m_pMeshDammy[m_dwDammyCursor].Load(pDevice, pData);
                ++m_dwDammyCursor;
                break;
            case MeshKind::Invalid:
                return E_FAIL;
        }
        return hr;
    }
    if (*pType == TID_D3DRMFrame) {
        return ForEachChild(pData,
                            OnlyData([this, pDevice](IDirectXFileData* pChild) { return LoadMeshes(pDevice, pChild); }),
                            [this](HRESULT hrNext) { return ReportRead(site::kLoadRead.m_lNumber, hrNext); });
    }
    return S_OK;
}

void Model::Release() {
    for (DWORD i = 0; m_pMeshDisplay != nullptr && i < m_dwMeshDisplayNum; ++i) {
        m_pMeshDisplay[i].Release();
    }
    for (DWORD i = 0; m_pMeshDammy != nullptr && i < m_dwMeshDammyNum; ++i) {
        m_pMeshDammy[i].Release();
    }
    delete[] m_pMeshDisplay;
    delete[] m_pMeshDammy;
    m_pMeshDisplay = nullptr;
    m_pMeshDammy = nullptr;
    // The counts describe the arrays: with the arrays gone nothing is left to walk.
    m_dwMeshDisplayNum = 0;
    m_dwMeshDammyNum = 0;
    m_dwDisplayCursor = 0;
    m_dwDammyCursor = 0;
}

HRESULT Model::UpdateBounds(D3DXMATRIX matWorld, int display) {
    if (display != 0) {
        for (DWORD i = 0; i < DisplayCount(); ++i) {
            m_pMeshDisplay[i].UpdateBounds(matWorld);
        }
    } else {
        for (DWORD i = 0; i < DammyCount(); ++i) {
            m_pMeshDammy[i].UpdateBounds(matWorld);
        }
    }
    return S_OK;
}

HRESULT Model::Submit(IDirect3DDevice8* pDevice, D3DXMATRIX matWorld, D3DXMATRIX matCamera, const FrustumInfo* pFrustum,
                      int lod, DrawQueue* pQueue) {
    const D3DXVECTOR3 vecCamera(matCamera._41, matCamera._42, matCamera._43);
    const D3DXVECTOR3 vecObject(matWorld._41, matWorld._42, matWorld._43);
    for (DWORD i = 0; i < DisplayCount(); ++i) {
        HRESULT hr = m_pMeshDisplay[i].Submit(pDevice, pFrustum, vecCamera, vecObject, lod, matWorld, pQueue);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

BOOL Model::AnyVisible(const FrustumInfo* pFrustum) const {
    for (DWORD i = 0; i < DisplayCount(); ++i) {
        if (m_pMeshDisplay[i].IsVisible(nullptr, pFrustum) != 0) {
            return TRUE;
        }
    }
    return FALSE;
}

MeshDisplay* Model::DisplayAt(DWORD index) const {
    return index < DisplayCount() ? &m_pMeshDisplay[index] : nullptr;
}

MeshDammy* Model::DammyAt(DWORD index) const {
    return index < DammyCount() ? &m_pMeshDammy[index] : nullptr;
}
