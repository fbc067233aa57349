// Where each element of a flexible vertex format lies inside one vertex.
#pragma once

#include "platform/d3d/D3D8.h"

class FvfLayout {
public:
    static constexpr DWORD kMaxTexCoordSets = 8;

    // Fills the layout for `fvf`; false (layout untouched) when the format has
    // no position, reserved bits, or a packed-index flag without blend weights.
    static bool Decode(DWORD fvf, FvfLayout* layout);

    DWORD Fvf() const { return m_dwFvf; }
    UINT Stride() const { return m_uStride; }

    // Position is always at offset 0: three floats, or four with XYZRHW.
    bool IsPretransformed() const { return m_bPretransformed; }
    UINT PositionFloats() const { return m_bPretransformed ? 4u : 3u; }

    // Blend weights follow the position. With LASTBETA_UBYTE4 the last beta
    // is four byte indices packed in one DWORD, not a weight.
    UINT WeightCount() const { return m_uWeightCount; }
    UINT WeightOffset() const { return 12; }
    bool HasBlendIndices() const { return m_bBlendIndices; }
    UINT BlendIndicesOffset() const { return m_uBlendIndicesOffset; }

    bool HasNormal() const { return m_bNormal; }
    UINT NormalOffset() const { return m_uNormalOffset; }
    bool HasPointSize() const { return m_bPointSize; }
    UINT PointSizeOffset() const { return m_uPointSizeOffset; }
    bool HasDiffuse() const { return m_bDiffuse; }
    UINT DiffuseOffset() const { return m_uDiffuseOffset; }
    bool HasSpecular() const { return m_bSpecular; }
    UINT SpecularOffset() const { return m_uSpecularOffset; }

    UINT TexCoordCount() const { return m_uTexCoordCount; }
    UINT TexCoordOffset(UINT set) const { return set < m_uTexCoordCount ? m_uTexOffset[set] : 0; }
    // Floats per coordinate set (two unless the format says otherwise).
    UINT TexCoordDimension(UINT set) const { return set < m_uTexCoordCount ? m_uTexDimension[set] : 0; }

private:
    DWORD m_dwFvf = 0;
    UINT m_uStride = 0;
    bool m_bPretransformed = false;
    UINT m_uWeightCount = 0;
    bool m_bBlendIndices = false;
    UINT m_uBlendIndicesOffset = 0;
    bool m_bNormal = false;
    UINT m_uNormalOffset = 0;
    bool m_bPointSize = false;
    UINT m_uPointSizeOffset = 0;
    bool m_bDiffuse = false;
    UINT m_uDiffuseOffset = 0;
    bool m_bSpecular = false;
    UINT m_uSpecularOffset = 0;
    UINT m_uTexCoordCount = 0;
    UINT m_uTexOffset[kMaxTexCoordSets] = {};
    UINT m_uTexDimension[kMaxTexCoordSets] = {};
};
