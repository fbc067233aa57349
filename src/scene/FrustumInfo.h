// The view frustum in world space, as the display meshes cull against it.
// Corner k takes +x for bit 0, +y for bit 1 and the far plane for bit 2;
// planes are near, far, left, right, top, bottom with inward normals.
#pragma once

#include "gfxutil/D3DXMath.h"

struct FrustumInfo {
    D3DXVECTOR3 m_vecCorners[8];
    D3DXPLANE m_planes[6];
};
