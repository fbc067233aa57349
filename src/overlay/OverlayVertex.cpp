#include "overlay/OverlayVertex.h"

#include <cstdio>

#include "framework/ErrorReport.h"
#include "framework/MediaPath.h"
#include "gfxutil/D3DXTexture.h"

HRESULT LoadOverlayResources(IDirect3DDevice8* pDevice, const char* pszDir, const char* pszName,
                             const OverlayTrace& trace, UINT vertexCount, IDirect3DTexture8** ppTexture,
                             IDirect3DVertexBuffer8** ppVB) {
    *ppTexture = nullptr;
    *ppVB = nullptr;
    char szPath[MAX_PATH];
    BOOL bPathFits = ComposeMediaPath(szPath, pszDir, kTextureFolder, pszName);
    // A directory too long for the path still names the file in the messages.
    const char* pszShown = bPathFits ? szPath : pszName;
    char szMessage[MAX_PATH + 64];
    std::snprintf(szMessage, sizeof(szMessage), "loading texture for %s...%s", trace.m_pszLabel, pszShown);
    TraceError(trace.m_pszModule, trace.m_lLoadingLine, S_OK, szMessage, FALSE);

    HRESULT hr = E_FAIL;
    if (bPathFits && pDevice != nullptr) {
        hr = D3DXCreateTextureFromFileA(pDevice, szPath, ppTexture);
    }
    if (FAILED(hr)) {
        *ppTexture = nullptr;
        std::snprintf(szMessage, sizeof(szMessage), "failed to load texture for %s...%s", trace.m_pszLabel, pszShown);
        TraceError(trace.m_pszModule, trace.m_lFailedLine, hr, szMessage, TRUE);
        return E_FAIL;
    }
    if (FAILED(pDevice->CreateVertexBuffer(vertexCount * sizeof(OverlayVertex), D3DUSAGE_WRITEONLY,
                                           D3DFVF_OVERLAYVERTEX, D3DPOOL_MANAGED, ppVB))) {
        *ppVB = nullptr;
        return E_FAIL;
    }
    return S_OK;
}

void DrawOverlayTriangles(IDirect3DDevice8* pDevice, IDirect3DTexture8* pTexture, IDirect3DVertexBuffer8* pVB,
                          UINT triangles) {
    pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);

    pDevice->SetTexture(0, pTexture);
    pDevice->SetVertexShader(D3DFVF_OVERLAYVERTEX);
    pDevice->SetStreamSource(0, pVB, sizeof(OverlayVertex));
    pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);

    pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
}
