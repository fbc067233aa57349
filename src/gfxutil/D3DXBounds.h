// Vertex-format sizes and the bounding volumes of vertex arrays.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "platform/d3d/D3D8.h"

// Bytes of one vertex of the flexible vertex format; 0 for a format without a position.
UINT D3DXGetFVFVertexSize(DWORD fvf);

// Axis-aligned box of `numVertices` positions, each at the start of a vertex of format `fvf`.
// D3DERR_INVALIDCALL for null pointers, no vertices or a format without a position.
HRESULT D3DXComputeBoundingBox(const void* pPointsFVF, DWORD numVertices, DWORD fvf, D3DXVECTOR3* pMin,
                               D3DXVECTOR3* pMax);

// Centre = mean of the positions; radius = largest distance from it.
HRESULT D3DXComputeBoundingSphere(const void* pPointsFVF, DWORD numVertices, DWORD fvf, D3DXVECTOR3* pCenter,
                                  float* pRadius);
