// Repairs a loaded mesh before it is simplified: bow-tie vertices split,
// identical vertices welded, the result checked, vertex normals recomputed.
#pragma once

#include "gfxutil/ID3DXMesh.h"

// How far apart two vertices' components may lie and still be welded; the
// position must match exactly (faces meet through the adjacency by position).
struct D3DXWELDEPSILONS {
    float SkinWeights;
    float Normal;
    float Tex[8];
    DWORD Flags;
};

// A copy of the mesh in which every vertex used by face fans that do not
// share an edge (a bow-tie) is split, one vertex per fan, and its adjacency
// (pAdjacencyOut may be the same array as pAdjacencyIn). A null adjacency in
// is generated from positions.
HRESULT D3DXCleanMesh(ID3DXMesh* pMeshIn, const DWORD* pAdjacencyIn, ID3DXMesh** ppMeshOut, DWORD* pAdjacencyOut,
                      ID3DXBuffer** ppErrorsAndWarnings);

// Joins, in place, vertices at the same position whose other components are
// within the epsilons (all zero: equal). Faces keep their order; joined-away
// vertices stay in the buffer unused. Only Flags 0 is supported (D3DERR_INVALIDCALL otherwise);
// a null pEpsilons means all zero.
HRESULT D3DXWeldVertices(ID3DXMesh* pMesh, const D3DXWELDEPSILONS* pEpsilons, const DWORD* pAdjacencyIn,
                         DWORD* pAdjacencyOut, DWORD* pFaceRemap, ID3DXBuffer** ppVertexRemap);

// D3DXERR_INVALIDMESH for indices out of range, degenerate or repeated faces,
// bow-tie vertices, or adjacency that is out of range or not symmetric; the
// error buffer (optional) then holds one text line per fault.
HRESULT D3DXValidMesh(ID3DXMesh* pMeshIn, const DWORD* pAdjacency, ID3DXBuffer** ppErrorsAndWarnings);

// Angle-weighted vertex normals: each face adds its unit normal times the
// angle of its corner at the vertex. With adjacency, vertices at one position
// joined through it share the sum (smooth across texture seams).
HRESULT D3DXComputeNormals(ID3DXBaseMesh* pMesh, const DWORD* pAdjacency);
