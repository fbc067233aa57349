#include "scene/Velmoran.h"

#include <cstdio>
#include <ctime>
#include <new>

#include "framework/ErrorReport.h"
#include "framework/MediaPath.h"
#include "platform/kernel/Kernel.h"

namespace {
constexpr const char* kModule = "Velmoran";
constexpr long kRecordLine = 128;
constexpr long kRecordBytes = 64;

constexpr const char* kPartFiles[Velmoran::PART_NUM] = {
    "VelmoranBase07.x", "VelmoranMoji01.x", "VelmoranHri101.x", "VelmoranHri201.x", "VelmoranHri301.x",
};

// One twelfth and one sixtieth of a turn, as single-precision constants.
constexpr float kStep30 = 0.52359879f;
constexpr float kStep6 = 0.10471976f;

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

Velmoran::Velmoran(TexList* pTexList)
    : m_nCount(0), m_pModels{}, m_pParts{}, m_bShowNumerals(TRUE), m_pTexList(pTexList) {
    CaptureDirectory(m_szDir);
}

Velmoran::~Velmoran() {
    Release();
}

HRESULT Velmoran::Fail(long line, const char* szMessage) {
    TraceError(kModule, line, E_FAIL, szMessage, TRUE);
    return E_FAIL;
}

HRESULT Velmoran::Load(IDirect3DDevice8* pDevice, const char* szFileName) {
    // A second load starts from nothing rather than leaking the first.
    Release();

    HRESULT hr = ReadPlacements(szFileName);
    if (FAILED(hr)) {
        return hr;
    }
    for (int part = 0; part < PART_NUM; ++part) {
        m_pModels[part] = new (std::nothrow) Model(m_pTexList);
        if (m_pModels[part] == nullptr) {
            return E_OUTOFMEMORY;
        }
        hr = m_pModels[part]->Load(pDevice, kPartFiles[part]);
        if (FAILED(hr)) {
            return hr;
        }
    }
    for (int part = 0; part < PART_NUM; ++part) {
        for (int i = 0; i < m_nCount; ++i) {
            m_pParts[part][i].SetModel(m_pModels[part]);
        }
    }
    return S_OK;
}

HRESULT Velmoran::ReadPlacements(const char* szFileName) {
    char szPath[MAX_PATH];
    BOOL bPathFits = ComposeMediaPath(szPath, m_szDir, kMiscFolder, szFileName);
    char szMessage[MAX_PATH + 64];
    std::snprintf(szMessage, sizeof(szMessage), "opening velmoranpositionfile...%s", szFileName);
    TraceError(kModule, 94, S_OK, szMessage, FALSE);

    std::FILE* pFile = bPathFits ? std::fopen(szPath, "rb") : nullptr;
    if (pFile == nullptr) {
        return Fail(99, "failed to open vpsfile");
    }
    int nCount = 0;
    if (std::fread(&nCount, 4, 1, pFile) != 1 || nCount < 0) {
        std::fclose(pFile);
        return Fail(107, "failed to read velmorannumber from file");
    }
    // A count the file cannot hold fails as the short record it would meet,
    // before anything is allocated for it.
    long lHeld = BytesAfterCount(pFile);
    if (lHeld < 0 || static_cast<long long>(lHeld) < kRecordBytes * static_cast<long long>(nCount)) {
        std::fclose(pFile);
        return Fail(kRecordLine, "failed to read velmoranposition from file");
    }

    if (nCount > 0) {
        for (int part = 0; part < PART_NUM; ++part) {
            m_pParts[part] = new (std::nothrow) PlacedObject[nCount];
            if (m_pParts[part] == nullptr) {
                std::fclose(pFile);
                return E_OUTOFMEMORY;
            }
        }
    }
    m_nCount = nCount;

    for (int i = 0; i < nCount; ++i) {
        float afMatrix[16];
        if (std::fread(afMatrix, kRecordBytes, 1, pFile) != 1) {
            std::fclose(pFile);
            return Fail(kRecordLine, "failed to read velmoranposition from file");
        }
        m_pParts[PART_BASE][i].SetWorld(D3DXMATRIX(afMatrix));
    }
    std::fclose(pFile);
    return S_OK;
}

HRESULT Velmoran::Update() {
    std::time_t now = crt::time(nullptr);
    const std::tm* pLocal = crt::localtime(&now);
    if (pLocal == nullptr) {
        return S_OK;
    }
    int nHour = pLocal->tm_hour;
    if (nHour > 12) {
        nHour -= 12;
    }
    const float fPerMinute = kStep30 / 60.0f;
    float afAngles[PART_NUM] = {};
    afAngles[PART_HOUR] = -(static_cast<float>(nHour) * kStep30 + static_cast<float>(pLocal->tm_min) * fPerMinute);
    afAngles[PART_MINUTE] = -(static_cast<float>(pLocal->tm_min) * kStep6);
    afAngles[PART_SECOND] = -(static_cast<float>(pLocal->tm_sec) * kStep6);

    for (int i = 0; i < m_nCount; ++i) {
        const D3DXMATRIX& matPlacement = m_pParts[PART_BASE][i].World();
        m_pParts[PART_NUMERALS][i].SetWorld(matPlacement);
        // Each hand turns about its own pivot before it is placed.
        for (int part = PART_HOUR; part <= PART_SECOND; ++part) {
            m_pParts[part][i].SetWorld(matPlacement);
            m_pParts[part][i].RotateZ(afAngles[part], 0);
        }
    }
    return S_OK;
}

HRESULT Velmoran::Render(IDirect3DDevice8* pDevice, D3DXMATRIX matCamera, const FrustumInfo* pFrustum, int lod,
                         DrawQueue* pQueue) {
    for (int i = 0; i < m_nCount; ++i) {
        for (int part = 0; part < PART_NUM; ++part) {
            if (part == PART_NUMERALS && !m_bShowNumerals) {
                continue;
            }
            m_pParts[part][i].Render(pDevice, matCamera, pFrustum, lod, pQueue);
        }
    }
    return S_OK;
}

HRESULT Velmoran::Release() {
    for (int part = 0; part < PART_NUM; ++part) {
        if (m_pModels[part] != nullptr) {
            m_pModels[part]->Release();
            delete m_pModels[part];
            m_pModels[part] = nullptr;
        }
    }
    for (int part = 0; part < PART_NUM; ++part) {
        delete[] m_pParts[part];
        m_pParts[part] = nullptr;
    }
    m_nCount = 0;
    return S_OK;
}
