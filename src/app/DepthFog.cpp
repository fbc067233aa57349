#include "app/DepthFog.h"

#include <cstring>

namespace {
DWORD FloatBits(float f) {
    DWORD dw;
    std::memcpy(&dw, &f, sizeof(dw));
    return dw;
}
}  // namespace

HRESULT DepthFog::SetColor(D3DCOLOR color) {
    m_dwFogColor = color;
    m_nDirty = 1;
    return S_OK;
}

HRESULT DepthFog::Apply(IDirect3DDevice8* pDevice, Camera* pCamera, DWORD viewportWidth, DWORD viewportHeight,
                        int force) {
    if (m_nDirty != 1 && force != 1) {
        return S_OK;
    }
    pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    pDevice->SetRenderState(D3DRS_FOGCOLOR, m_dwFogColor);
    pDevice->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    pDevice->SetRenderState(D3DRS_FOGSTART, FloatBits(0.0f));
    pDevice->SetRenderState(D3DRS_FOGEND, FloatBits(m_fFar - 5.0f));

    // A viewport with no height (a window shrunk to nothing) must not give an
    // infinite aspect; the projection is rebuilt at the next restore anyway.
    float aspect = viewportHeight != 0 ? float(viewportWidth) / float(viewportHeight) : 1.0f;
    pCamera->SetProjection(pDevice, aspect, 1.0f, m_fFar);
    m_nDirty = 0;
    return S_OK;
}
