#include "scene/Model.h"

HRESULT Model::UpdateBounds(D3DXMATRIX, int) {
    return S_OK;
}

HRESULT Model::Submit(IDirect3DDevice8*, D3DXMATRIX, D3DXMATRIX, const FrustumInfo*, int, DrawQueue*) {
    return S_OK;
}

BOOL Model::AnyVisible(const FrustumInfo*) const {
    return m_dwMeshDisplayNum > 0 ? TRUE : FALSE;
}
