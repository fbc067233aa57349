#include "particles/ParticleTrailPC.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "app/FrameValues.h"
#include "framework/ErrorReport.h"
#include "framework/MediaPath.h"
#include "gfxutil/D3DXTexture.h"
#include "platform/kernel/Kernel.h"

namespace {
constexpr const char* kModule = "ParticleTrailPC";
constexpr const char* kTextureName = "ParticleTrailPC01.dds";
constexpr float kRandMax = 32767.0f;

void FreeList(ParticleTrailPC::Spark*& pList) {
    while (pList != nullptr) {
        ParticleTrailPC::Spark* pNext = pList->m_pNext;
        delete pList;
        pList = pNext;
    }
}
}  // namespace

ParticleTrailPC::ParticleTrailPC()
    : m_dwLiveNum(0),
      m_dwCapacity(kCapacity),
      m_pLive(nullptr),
      m_pFree(nullptr),
      m_pVB(nullptr),
      m_pTexture(nullptr),
      m_vTemplate{} {
    CaptureDirectory(m_szDir);
    D3DXMatrixIdentity(&m_matWorld);
}

ParticleTrailPC::~ParticleTrailPC() {
    Invalidate();
    Clear();
}

HRESULT ParticleTrailPC::Load(IDirect3DDevice8* pDevice) {
    // A second load without Invalidate must not leak the first texture and buffer.
    Invalidate();
    char szPath[MAX_PATH];
    BOOL bPathFits = ComposeMediaPath(szPath, m_szDir, kTextureFolder, kTextureName);
    // A directory too long for the path still names the file in the messages.
    const char* pszShown = bPathFits ? szPath : kTextureName;
    char szMessage[MAX_PATH + 64];
    std::snprintf(szMessage, sizeof(szMessage), "loading texture for particletrailpc...%s", pszShown);
    TraceError(kModule, 52, S_OK, szMessage, FALSE);

    HRESULT hr = E_FAIL;
    if (bPathFits) {
        hr = D3DXCreateTextureFromFileA(pDevice, szPath, &m_pTexture);
    }
    if (FAILED(hr)) {
        m_pTexture = nullptr;
        std::snprintf(szMessage, sizeof(szMessage), "failed to load texture for particletrailpc...%s", pszShown);
        TraceError(kModule, 58, hr, szMessage, TRUE);
        return E_FAIL;
    }

    const D3DCOLOR color = 0xC8FFFFFF;
    m_vTemplate[0] = {-0.4f, -0.4f, 0.0f, color, 0.0f, 1.0f};
    m_vTemplate[1] = {0.2f, 0.4f, 0.0f, color, 0.5f, 0.0f};
    m_vTemplate[2] = {0.4f, -0.4f, 0.0f, color, 1.0f, 1.0f};

    if (FAILED(pDevice->CreateVertexBuffer(m_dwCapacity * 3 * sizeof(BubbleVertex), D3DUSAGE_WRITEONLY,
                                           D3DFVF_BUBBLEVERTEX, D3DPOOL_MANAGED, &m_pVB))) {
        m_pVB = nullptr;
        return E_FAIL;
    }
    return S_OK;
}

HRESULT ParticleTrailPC::Add(float x, float y, float z, float vx, float vy, float vz) {
    if (m_dwLiveNum >= m_dwCapacity) {
        return S_OK;
    }
    Spark* pSpark = m_pFree;
    if (pSpark != nullptr) {
        m_pFree = pSpark->m_pNext;
    } else {
        pSpark = new (std::nothrow) Spark;
        if (pSpark == nullptr) {
            return E_OUTOFMEMORY;
        }
    }
    pSpark->m_pNext = m_pLive;
    m_pLive = pSpark;
    ++m_dwLiveNum;

    float a = float(crt::rand()) / kRandMax * D3DX_PI * 2.0f;
    float s = std::sin(a);
    float c = std::cos(a);
    pSpark->m_vecPosition = D3DXVECTOR3(x + s * 3.0f, y + s * 1.5f + 1.5f * c, z + c * 3.0f);
    pSpark->m_vecVelocity = D3DXVECTOR3(vx, vy, vz);
    pSpark->m_vecAccel = D3DXVECTOR3(2.0f * s, 2.0f * s, 2.0f * c);

    DWORD dwRed = DWORD(crt::rand() % 128 + 128);
    DWORD dwGreen = DWORD(crt::rand() % 128 + 128);
    DWORD dwBlue = DWORD(crt::rand() % 128 + 128);
    pSpark->m_dwColor = (dwRed << 16) | (dwGreen << 8) | dwBlue;
    pSpark->m_fLife = -255.0f;
    return S_OK;
}

HRESULT ParticleTrailPC::Update() {
    const float dt = g_frameStep;
    Spark** ppLink = &m_pLive;
    while (*ppLink != nullptr) {
        Spark* pSpark = *ppLink;
        pSpark->m_vecVelocity.y += 0.4f * -6.8f * dt;
        pSpark->m_vecVelocity += pSpark->m_vecAccel * dt;
        pSpark->m_vecPosition += pSpark->m_vecVelocity * dt;
        pSpark->m_fLife += (pSpark->m_fLife < -100.0f ? 220.0f : 120.0f) * dt;
        if (pSpark->m_fLife >= 255.0f) {
            *ppLink = pSpark->m_pNext;
            pSpark->m_pNext = m_pFree;
            m_pFree = pSpark;
            --m_dwLiveNum;
        } else {
            ppLink = &pSpark->m_pNext;
        }
    }
    return S_OK;
}

HRESULT ParticleTrailPC::Render(IDirect3DDevice8* pDevice, D3DXMATRIX matBillboard) {
    // Not loaded (or lost its buffer): nothing to draw into.
    if (m_pLive == nullptr || m_pVB == nullptr) {
        return S_OK;
    }
    pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

    BYTE* pData = nullptr;
    HRESULT hr = m_pVB->Lock(0, 0, &pData, 0);
    if (FAILED(hr)) {
        return hr;
    }
    auto* pVertex = reinterpret_cast<BubbleVertex*>(pData);
    for (const Spark* pSpark = m_pLive; pSpark != nullptr; pSpark = pSpark->m_pNext) {
        DWORD dwAlpha = DWORD(255 - int(std::fabs(pSpark->m_fLife))) & 0xFF;
        D3DCOLOR color = (dwAlpha << 24) | pSpark->m_dwColor;
        for (const BubbleVertex& corner : m_vTemplate) {
            D3DXVECTOR3 vecCorner(corner.x, corner.y, corner.z);
            D3DXVECTOR3 vecTurned;
            D3DXVec3TransformNormal(&vecTurned, &vecCorner, &matBillboard);
            *pVertex++ = {vecTurned.x + pSpark->m_vecPosition.x,
                          vecTurned.y + pSpark->m_vecPosition.y,
                          vecTurned.z + pSpark->m_vecPosition.z,
                          color,
                          corner.u,
                          corner.v};
        }
    }
    m_pVB->Unlock();

    pDevice->SetTransform(D3DTS_WORLD, &m_matWorld);
    pDevice->SetTexture(0, m_pTexture);
    pDevice->SetStreamSource(0, m_pVB, sizeof(BubbleVertex));
    pDevice->SetVertexShader(D3DFVF_BUBBLEVERTEX);
    pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, m_dwLiveNum);

    pDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    return S_OK;
}

HRESULT ParticleTrailPC::Invalidate() {
    if (m_pTexture != nullptr) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
    if (m_pVB != nullptr) {
        m_pVB->Release();
        m_pVB = nullptr;
    }
    return S_OK;
}

HRESULT ParticleTrailPC::Clear() {
    FreeList(m_pLive);
    FreeList(m_pFree);
    m_dwLiveNum = 0;
    return S_OK;
}
