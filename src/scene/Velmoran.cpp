#include "scene/Velmoran.h"

#include <cstdio>
#include <ctime>
#include <new>

#include "framework/ErrorReport.h"
#include "framework/MediaPath.h"
#include "platform/kernel/Kernel.h"
#include "scene/PlacementFile.h"

namespace {
constexpr const char* kModule = "Velmoran";
// Fixed trace sites (see TraceSite): kept exactly.
constexpr PlacementFile::Messages kPlacementMessages = {
    kModule,
    94,
    "opening velmoranpositionfile...%s",
    99,
    "failed to open vpsfile",
    107,
    "failed to read velmorannumber from file",
    128,
    "failed to read velmoranposition from file",
};

constexpr const char* kPartFiles[Velmoran::PART_NUM] = {
    "VelmoranBase07.x", "VelmoranMoji01.x", "VelmoranHri101.x", "VelmoranHri201.x", "VelmoranHri301.x",
};

// One twelfth and one sixtieth of a turn, as single-precision constants.
constexpr float kStep30 = 0.52359879f;
constexpr float kStep6 = 0.10471976f;
}  // namespace

Velmoran::Velmoran(TexList* pTexList)
    : m_nCount(0), m_pModels{}, m_pParts{}, m_bShowNumerals(TRUE), m_pTexList(pTexList) {
    CaptureDirectory(m_szDir);
}

Velmoran::~Velmoran() {
    Release();
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
    PlacementFile file(kPlacementMessages);
    HRESULT hr = file.OpenMedia(m_szDir, szFileName, S_OK);
    if (FAILED(hr)) {
        return hr;
    }
    const int nCount = file.Count();
    if (nCount > 0) {
        for (int part = 0; part < PART_NUM; ++part) {
            m_pParts[part] = new (std::nothrow) PlacedObject[nCount];
            if (m_pParts[part] == nullptr) {
                return E_OUTOFMEMORY;
            }
        }
    }
    m_nCount = nCount;
    for (int i = 0; i < nCount; ++i) {
        D3DXMATRIX matPlacement;
        if (FAILED(file.Next(&matPlacement))) {
            return E_FAIL;
        }
        m_pParts[PART_BASE][i].SetWorld(matPlacement);
    }
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
