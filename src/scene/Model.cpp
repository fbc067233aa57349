#include "scene/Model.h"

HRESULT Model::UpdateBounds(D3DXMATRIX, int) {
    return S_OK;
}

HRESULT Model::Submit(IDirect3DDevice8*, D3DXMATRIX, D3DXMATRIX, const FrustumInfo*, int, DrawQueue*) {
    return S_OK;
}

// No display meshes yet, so nothing of the model can be in view.
BOOL Model::AnyVisible(const FrustumInfo*) const {
    return FALSE;
}
