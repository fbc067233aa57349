#include "platform/d3d/core/FvfLayout.h"

bool FvfLayout::Decode(DWORD fvf, FvfLayout* layout) {
    if (layout == nullptr) {
        return false;
    }
    if ((fvf & (D3DFVF_RESERVED0 | D3DFVF_RESERVED2)) != 0) {
        return false;
    }
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position == 0) {
        return false;
    }
    const UINT texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (texCount > kMaxTexCoordSets) {
        return false;
    }

    FvfLayout result;
    result.m_dwFvf = fvf;
    UINT offset = 0;
    UINT betas = 0;
    if (position == D3DFVF_XYZRHW) {
        result.m_bPretransformed = true;
        offset = 16;
    } else {
        offset = 12;
        if (position != D3DFVF_XYZ) {
            betas = (position - D3DFVF_XYZB1) / 2 + 1;  // XYZB1..XYZB5
        }
    }
    if ((fvf & D3DFVF_LASTBETA_UBYTE4) != 0) {
        if (betas == 0) {
            return false;
        }
        result.m_bBlendIndices = true;
        result.m_uWeightCount = betas - 1;
        result.m_uBlendIndicesOffset = offset + 4 * result.m_uWeightCount;
    } else {
        result.m_uWeightCount = betas;
    }
    offset += 4 * betas;

    if ((fvf & D3DFVF_NORMAL) != 0) {
        result.m_bNormal = true;
        result.m_uNormalOffset = offset;
        offset += 12;
    }
    if ((fvf & D3DFVF_PSIZE) != 0) {
        result.m_bPointSize = true;
        result.m_uPointSizeOffset = offset;
        offset += 4;
    }
    if ((fvf & D3DFVF_DIFFUSE) != 0) {
        result.m_bDiffuse = true;
        result.m_uDiffuseOffset = offset;
        offset += 4;
    }
    if ((fvf & D3DFVF_SPECULAR) != 0) {
        result.m_bSpecular = true;
        result.m_uSpecularOffset = offset;
        offset += 4;
    }
    result.m_uTexCoordCount = texCount;
    for (UINT set = 0; set < texCount; ++set) {
        // Two bits per set from bit 16: 0 = two floats, 1 = three, 2 = four, 3 = one.
        const DWORD code = (fvf >> (16 + 2 * set)) & 3u;
        static constexpr UINT kDimension[4] = {2, 3, 4, 1};
        result.m_uTexOffset[set] = offset;
        result.m_uTexDimension[set] = kDimension[code];
        offset += 4 * kDimension[code];
    }
    result.m_uStride = offset;
    *layout = result;
    return true;
}
