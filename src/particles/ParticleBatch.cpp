#include "particles/ParticleBatch.h"

#include <cmath>
#include <cstdio>

#include "framework/ErrorReport.h"
#include "framework/MediaPath.h"
#include "gfxutil/D3DXTexture.h"

namespace {
void SetStates(IDirect3DDevice8* pDevice, std::span<const ParticleBatch::StateValue> states) {
    for (const ParticleBatch::StateValue& value : states) {
        pDevice->SetRenderState(value.m_state, value.m_dwValue);
    }
}

constexpr ParticleBatch::StateValue kBlendSet[] = {
    {D3DRS_FOGENABLE, FALSE},
    {D3DRS_LIGHTING, FALSE},
    {D3DRS_ZWRITEENABLE, FALSE},
    {D3DRS_ALPHABLENDENABLE, TRUE},
    {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
};
constexpr ParticleBatch::StateValue kBlendRestore[] = {
    {D3DRS_ZWRITEENABLE, TRUE},
    {D3DRS_ALPHABLENDENABLE, FALSE},
    {D3DRS_LIGHTING, TRUE},
    {D3DRS_FOGENABLE, TRUE},
};
}  // namespace

const ParticleBatch::DrawStates ParticleBatch::kBlendStates = {kBlendSet, kBlendRestore};

ParticleBatch::ParticleBatch() : m_pVB(nullptr), m_pTexture(nullptr) {}

ParticleBatch::~ParticleBatch() {
    Invalidate();
}

HRESULT ParticleBatch::Load(IDirect3DDevice8* pDevice, const char* szDir, const TextureNote& note,
                            DWORD dwVertexCount) {
    // A second load without Invalidate must not leak the first texture and buffer.
    Invalidate();
    char szPath[MAX_PATH];
    BOOL bPathFits = ComposeMediaPath(szPath, szDir, kTextureFolder, note.m_szFile);
    // A directory too long for the path still names the file in the messages.
    const char* pszShown = bPathFits ? szPath : note.m_szFile;
    char szMessage[MAX_PATH + 64];
    std::snprintf(szMessage, sizeof(szMessage), "loading texture for %s...%s", note.m_szWhat, pszShown);
    TraceError(note.m_szModule, note.m_lLoadingLine, S_OK, szMessage, FALSE);

    HRESULT hr = E_FAIL;
    if (bPathFits) {
        hr = D3DXCreateTextureFromFileA(pDevice, szPath, &m_pTexture);
    }
    if (FAILED(hr)) {
        m_pTexture = nullptr;
        std::snprintf(szMessage, sizeof(szMessage), "failed to load texture for %s...%s", note.m_szWhat, pszShown);
        TraceError(note.m_szModule, note.m_lFailedLine, hr, szMessage, TRUE);
        return E_FAIL;
    }
    if (FAILED(pDevice->CreateVertexBuffer(dwVertexCount * sizeof(BubbleVertex), D3DUSAGE_WRITEONLY,
                                           D3DFVF_BUBBLEVERTEX, D3DPOOL_MANAGED, &m_pVB))) {
        m_pVB = nullptr;
        return E_FAIL;
    }
    return S_OK;
}

HRESULT ParticleBatch::Begin(IDirect3DDevice8* pDevice, const DrawStates& states, BubbleVertex** ppVertices) {
    SetStates(pDevice, states.m_set);
    BYTE* pData = nullptr;
    HRESULT hr = m_pVB->Lock(0, 0, &pData, 0);
    if (FAILED(hr)) {
        // Leaving fog, lighting and depth writes off would spoil the rest of the frame.
        SetStates(pDevice, states.m_restore);
        return hr;
    }
    *ppVertices = reinterpret_cast<BubbleVertex*>(pData);
    return S_OK;
}

void ParticleBatch::End(IDirect3DDevice8* pDevice, const DrawStates& states, const D3DXMATRIX& matWorld,
                        DWORD dwPrimitives) {
    m_pVB->Unlock();
    pDevice->SetTransform(D3DTS_WORLD, &matWorld);
    pDevice->SetTexture(0, m_pTexture);
    pDevice->SetStreamSource(0, m_pVB, sizeof(BubbleVertex));
    pDevice->SetVertexShader(D3DFVF_BUBBLEVERTEX);
    pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, dwPrimitives);
    SetStates(pDevice, states.m_restore);
}

HRESULT ParticleBatch::Invalidate() {
    ReleaseInterface(m_pTexture);
    ReleaseInterface(m_pVB);
    return S_OK;
}

BubbleVertex* ParticleBatch::WriteFacing(BubbleVertex* pOut, const BubbleVertex (&corners)[3],
                                         const D3DXMATRIX& matBillboard, const D3DXVECTOR3& vecPosition,
                                         D3DCOLOR color) {
    for (const BubbleVertex& corner : corners) {
        D3DXVECTOR3 vecCorner(corner.x, corner.y, corner.z);
        D3DXVECTOR3 vecTurned;
        D3DXVec3TransformNormal(&vecTurned, &vecCorner, &matBillboard);
        *pOut++ = {vecTurned.x + vecPosition.x,
                   vecTurned.y + vecPosition.y,
                   vecTurned.z + vecPosition.z,
                   color,
                   corner.u,
                   corner.v};
    }
    return pOut;
}

D3DCOLOR ParticleBatch::FadeAlpha(float fLife) {
    return (DWORD(255 - int(std::fabs(fLife))) & 0xFF) << 24;
}
