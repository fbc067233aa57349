// Where each element of a flexible-vertex-format vertex lies, for copying
// vertices between formats.
#pragma once

#include "platform/d3d/D3D8.h"

class VertexLayout {
public:
    static constexpr UINT kMaxTexSets = 8;

    // False for formats without a position or with unknown bits set.
    bool Decode(DWORD fvf);

    UINT Stride() const { return m_uStride; }
    UINT PositionFloats() const { return m_uPositionFloats; }  // 3, or 4 for XYZRHW
    UINT WeightCount() const { return m_uWeights; }            // floats after the position (incl. packed indices)
    bool HasNormal() const { return m_uNormal != kNone; }
    bool HasDiffuse() const { return m_uDiffuse != kNone; }
    UINT NormalOffset() const { return m_uNormal; }
    UINT DiffuseOffset() const { return m_uDiffuse; }
    UINT SpecularOffset() const { return m_uSpecular; }
    UINT PSizeOffset() const { return m_uPSize; }
    UINT TexSetCount() const { return m_uTexSets; }
    UINT TexOffset(UINT set) const { return m_uTexOffset[set]; }
    UINT TexFloats(UINT set) const { return m_uTexFloats[set]; }

    // One vertex of `from` into one vertex of `to`: shared elements copied,
    // missing ones zero except a missing diffuse colour, which is white.
    static void Convert(const VertexLayout& from, const BYTE* src, const VertexLayout& to, BYTE* dst);

    static constexpr UINT kNone = 0xFFFFFFFF;

private:
    UINT m_uStride = 0;
    UINT m_uPositionFloats = 0;
    UINT m_uWeights = 0;
    UINT m_uNormal = kNone;
    UINT m_uPSize = kNone;
    UINT m_uDiffuse = kNone;
    UINT m_uSpecular = kNone;
    UINT m_uTexSets = 0;
    UINT m_uTexOffset[kMaxTexSets] = {};
    UINT m_uTexFloats[kMaxTexSets] = {};
};
