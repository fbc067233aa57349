// One model file split into display meshes (drawn) and dummy meshes (bounds
// only). This is the part placed objects call; loading and the meshes arrive
// with the model loader, so for now a model holds no meshes.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "platform/d3d/D3D8.h"
#include "scene/DrawQueue.h"
#include "scene/FrustumInfo.h"

class Model {
public:
    Model() = default;
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // Carries the bounds of the display meshes (display != 0) or of the dummy
    // meshes into world space.
    HRESULT UpdateBounds(D3DXMATRIX matWorld, int display);
    // Culls each display mesh, picks its level of detail and queues its draw.
    HRESULT Submit(IDirect3DDevice8* pDevice, D3DXMATRIX matWorld, D3DXMATRIX matCamera, const FrustumInfo* pFrustum,
                   int lod, DrawQueue* pQueue);
    // TRUE when a display mesh lies in the frustum.
    BOOL AnyVisible(const FrustumInfo* pFrustum) const;
};
