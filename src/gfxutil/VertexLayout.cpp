#include "gfxutil/VertexLayout.h"

#include <algorithm>
#include <cstring>

bool VertexLayout::Decode(DWORD fvf) {
    *this = VertexLayout();
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position == D3DFVF_XYZ) {
        m_uPositionFloats = 3;
    } else if (position == D3DFVF_XYZRHW) {
        m_uPositionFloats = 4;
    } else if (position >= D3DFVF_XYZB1 && position <= D3DFVF_XYZB5) {
        m_uPositionFloats = 3;
        m_uWeights = (position - D3DFVF_XYZB1) / 2 + 1;
    } else {
        return false;
    }
    const DWORD known = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_SPECULAR |
                        D3DFVF_TEXCOUNT_MASK | D3DFVF_LASTBETA_UBYTE4 | 0xFFFF0000u;
    if ((fvf & ~known) != 0) {
        return false;
    }
    UINT offset = 4 * (m_uPositionFloats + m_uWeights);
    if (fvf & D3DFVF_NORMAL) {
        m_uNormal = offset;
        offset += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        m_uPSize = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        m_uDiffuse = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        m_uSpecular = offset;
        offset += 4;
    }
    m_uTexSets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (m_uTexSets > kMaxTexSets) {
        return false;
    }
    for (UINT i = 0; i < m_uTexSets; ++i) {
        static const UINT kFloats[4] = {2, 3, 4, 1};
        m_uTexOffset[i] = offset;
        m_uTexFloats[i] = kFloats[(fvf >> (16 + 2 * i)) & 3];
        offset += 4 * m_uTexFloats[i];
    }
    m_uStride = offset;
    return true;
}

namespace {

void CopyOptional(const BYTE* src, UINT srcOffset, BYTE* dst, UINT dstOffset, UINT bytes, DWORD fill) {
    if (dstOffset == VertexLayout::kNone) {
        return;
    }
    if (srcOffset != VertexLayout::kNone) {
        std::memcpy(dst + dstOffset, src + srcOffset, bytes);
        return;
    }
    for (UINT i = 0; i < bytes; i += 4) {
        std::memcpy(dst + dstOffset + i, &fill, 4);
    }
}

}  // namespace

void VertexLayout::Convert(const VertexLayout& from, const BYTE* src, const VertexLayout& to, BYTE* dst) {
    std::memset(dst, 0, to.m_uStride);
    // Position: x, y, z always; the fourth float (rhw) only between pre-transformed formats.
    std::memcpy(dst, src, 4 * std::min(from.m_uPositionFloats, to.m_uPositionFloats));
    const UINT weights = std::min(from.m_uWeights, to.m_uWeights);
    std::memcpy(dst + 4 * to.m_uPositionFloats, src + 4 * from.m_uPositionFloats, 4 * weights);
    CopyOptional(src, from.m_uNormal, dst, to.m_uNormal, 12, 0);
    CopyOptional(src, from.m_uPSize, dst, to.m_uPSize, 4, 0);
    CopyOptional(src, from.m_uDiffuse, dst, to.m_uDiffuse, 4, 0xFFFFFFFF);
    CopyOptional(src, from.m_uSpecular, dst, to.m_uSpecular, 4, 0);
    for (UINT i = 0; i < to.m_uTexSets && i < from.m_uTexSets; ++i) {
        std::memcpy(dst + to.m_uTexOffset[i], src + from.m_uTexOffset[i],
                    4 * std::min(from.m_uTexFloats[i], to.m_uTexFloats[i]));
    }
}
