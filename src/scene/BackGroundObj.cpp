#include "scene/BackGroundObj.h"

#include <cstdio>
#include <new>

#include "framework/ErrorReport.h"
#include "framework/MediaPath.h"

namespace {
constexpr const char* kModule = "BackGroundObj";
constexpr long kRecordLine = 120;
constexpr long kRecordBytes = 64;

// Bytes the file holds after its 4-byte count; -1 when it cannot be told.
long BytesAfterCount(std::FILE* pFile) {
    if (std::fseek(pFile, 0, SEEK_END) != 0) {
        return -1;
    }
    long lSize = std::ftell(pFile);
    if (lSize < 4 || std::fseek(pFile, 4, SEEK_SET) != 0) {
        return -1;
    }
    return lSize - 4;
}
}  // namespace

BackGroundObj::BackGroundObj(TexList* pTexList)
    : m_nCount(0), m_pModel(nullptr), m_pObjects(nullptr), m_pTexList(pTexList) {
    CaptureDirectory(m_szDir);
}

BackGroundObj::~BackGroundObj() {
    Release();
}

HRESULT BackGroundObj::Fail(long line, const char* szMessage) {
    TraceError(kModule, line, E_FAIL, szMessage, TRUE);
    return E_FAIL;
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
    char szPath[MAX_PATH];
    BOOL bPathFits = ComposeMediaPath(szPath, m_szDir, kMiscFolder, szFileName);
    char szMessage[MAX_PATH + 64];
    std::snprintf(szMessage, sizeof(szMessage), "opening backgroundpositionfile...%s", szFileName);
    TraceError(kModule, 87, hrModel, szMessage, FALSE);

    std::FILE* pFile = bPathFits ? std::fopen(szPath, "rb") : nullptr;
    if (pFile == nullptr) {
        return Fail(92, "failed to open bpsfile");
    }
    int nCount = 0;
    if (std::fread(&nCount, 4, 1, pFile) != 1 || nCount < 0) {
        std::fclose(pFile);
        return Fail(100, "failed to read backgroundnumber from file");
    }
    // A count the file cannot hold fails as the short record it would meet,
    // before anything is allocated for it.
    long lHeld = BytesAfterCount(pFile);
    if (lHeld < 0 || static_cast<long long>(lHeld) < kRecordBytes * static_cast<long long>(nCount)) {
        std::fclose(pFile);
        return Fail(kRecordLine, "failed to read backgroundposition from file");
    }

    if (nCount > 0) {
        m_pObjects = new (std::nothrow) PlacedObject[nCount];
        if (m_pObjects == nullptr) {
            std::fclose(pFile);
            return E_OUTOFMEMORY;
        }
    }
    m_nCount = nCount;
    for (int i = 0; i < nCount; ++i) {
        m_pObjects[i].SetModel(m_pModel);
    }

    for (int i = 0; i < nCount; ++i) {
        float afMatrix[16];
        if (std::fread(afMatrix, kRecordBytes, 1, pFile) != 1) {
            std::fclose(pFile);
            return Fail(kRecordLine, "failed to read backgroundposition from file");
        }
        m_pObjects[i].SetWorld(D3DXMATRIX(afMatrix));
    }
    std::fclose(pFile);
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
