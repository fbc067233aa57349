#include "gfxutil/D3DXBounds.h"

#include <cmath>
#include <cstring>

UINT D3DXGetFVFVertexSize(DWORD fvf) {
    UINT size = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
        case D3DFVF_XYZ:
            size = 12;
            break;
        case D3DFVF_XYZRHW:
            size = 16;
            break;
        case D3DFVF_XYZB1:
        case D3DFVF_XYZB2:
        case D3DFVF_XYZB3:
        case D3DFVF_XYZB4:
        case D3DFVF_XYZB5:
            // XYZB1 is 0x6, each further weight adds 2 to the field.
            size = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZB1) / 2 + 1);
            break;
        default:
            return 0;
    }
    if (fvf & D3DFVF_NORMAL) {
        size += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        size += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        size += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        size += 4;
    }
    const DWORD texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (DWORD i = 0; i < texCount && i < 8; ++i) {
        // Two bits per set from bit 16: 0 -> 2 floats, 1 -> 3, 2 -> 4, 3 -> 1.
        static const UINT kFloats[4] = {2, 3, 4, 1};
        size += 4 * kFloats[(fvf >> (16 + 2 * i)) & 3];
    }
    return size;
}

namespace {

D3DXVECTOR3 PositionAt(const BYTE* base, DWORD index, UINT stride) {
    float xyz[3];
    std::memcpy(xyz, base + static_cast<size_t>(index) * stride, sizeof(xyz));
    return D3DXVECTOR3(xyz[0], xyz[1], xyz[2]);
}

}  // namespace

HRESULT D3DXComputeBoundingBox(const void* pPointsFVF, DWORD numVertices, DWORD fvf, D3DXVECTOR3* pMin,
                               D3DXVECTOR3* pMax) {
    const UINT stride = D3DXGetFVFVertexSize(fvf);
    if (pPointsFVF == nullptr || pMin == nullptr || pMax == nullptr || numVertices == 0 || stride == 0) {
        return D3DERR_INVALIDCALL;
    }
    const BYTE* base = static_cast<const BYTE*>(pPointsFVF);
    D3DXVECTOR3 lo = PositionAt(base, 0, stride);
    D3DXVECTOR3 hi = lo;
    for (DWORD i = 1; i < numVertices; ++i) {
        const D3DXVECTOR3 p = PositionAt(base, i, stride);
        lo = D3DXVECTOR3(std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z));
        hi = D3DXVECTOR3(std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z));
    }
    *pMin = lo;
    *pMax = hi;
    return D3D_OK;
}

HRESULT D3DXComputeBoundingSphere(const void* pPointsFVF, DWORD numVertices, DWORD fvf, D3DXVECTOR3* pCenter,
                                  float* pRadius) {
    const UINT stride = D3DXGetFVFVertexSize(fvf);
    if (pPointsFVF == nullptr || pCenter == nullptr || pRadius == nullptr || numVertices == 0 || stride == 0) {
        return D3DERR_INVALIDCALL;
    }
    const BYTE* base = static_cast<const BYTE*>(pPointsFVF);
    // Summed in double so large meshes far from the origin keep their centre.
    double sum[3] = {0.0, 0.0, 0.0};
    for (DWORD i = 0; i < numVertices; ++i) {
        const D3DXVECTOR3 p = PositionAt(base, i, stride);
        sum[0] += p.x;
        sum[1] += p.y;
        sum[2] += p.z;
    }
    const D3DXVECTOR3 centre(static_cast<float>(sum[0] / numVertices), static_cast<float>(sum[1] / numVertices),
                             static_cast<float>(sum[2] / numVertices));
    float radiusSq = 0.0f;
    for (DWORD i = 0; i < numVertices; ++i) {
        const D3DXVECTOR3 d = PositionAt(base, i, stride) - centre;
        radiusSq = std::fmax(radiusSq, D3DXVec3LengthSq(&d));
    }
    *pCenter = centre;
    *pRadius = std::sqrt(radiusSq);
    return D3D_OK;
}
