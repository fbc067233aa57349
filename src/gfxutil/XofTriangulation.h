// A mesh's polygons as triangle lists: each polygon fanned from its first
// corner, a vertex per distinct (position, normal) pair, the file's positions
// first in file order and the ones split off for another normal after them.
#pragma once

#include <vector>

#include "gfxutil/D3DXMath.h"
#include "gfxutil/XofMemberReader.h"

class XofTriangulation {
public:
    using Polygons = XofMemberReader::Polygons;

    // `normals` empty: one vertex per position, no normals; otherwise
    // `faceNormals` gives each face a normal polygon of its own shape.
    void Run(const std::vector<D3DXVECTOR3>& positions, const Polygons& faces, const std::vector<D3DXVECTOR3>& normals,
             const Polygons& faceNormals);

    std::vector<D3DXVECTOR3> m_positions;  // one per vertex
    std::vector<D3DXVECTOR3> m_normals;    // one per vertex; empty without normals
    std::vector<DWORD> m_sourceVertex;     // the file's position index of each vertex
    std::vector<DWORD> m_triangles;        // 3 vertices per triangle
    std::vector<DWORD> m_trianglePoints;   // the same corners as file position indices
    std::vector<DWORD> m_triangleFaces;    // the file face each triangle comes from
};
