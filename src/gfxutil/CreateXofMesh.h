// The mesh of a read Mesh data object, built once: faces sorted by attribute,
// their adjacency and the materials as the published material records.
#pragma once

#include "gfxutil/XofMeshData.h"

// The mesh with its attribute table sorted, the adjacency of the sorted faces
// (3 per face) and the materials; each optional output may be null.
HRESULT CreateXofMesh(const XofMeshData& data, DWORD options, IDirect3DDevice8* pDevice, ID3DXMesh** ppMesh,
                      ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials, DWORD* pNumMaterials);
