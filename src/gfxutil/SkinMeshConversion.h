// Turns a skin mesh into a mesh the device blends with a palette of bone
// matrices: each vertex carries up to four influences as n - 1 weights and
// one DWORD of four palette slots (D3DFVF_LASTBETA_UBYTE4), and a table says,
// for every subset, which bone each palette slot holds.
#pragma once

#include "gfxutil/ID3DXSkinMesh.h"

// One subset of a blended mesh; BoneId points at palette-size entries in the
// same buffer, 0xFFFFFFFF where a slot is unused.
struct D3DXBONECOMBINATION {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
    DWORD* BoneId;
};

// Faces are grouped by attribute and each group split, in face order, into
// subsets whose bones fit `paletteSize`; a vertex used by several subsets is
// repeated in each. Vertices keep their normals and texture coordinates;
// influences beyond four keep the four largest, renormalised; a vertex no
// bone moves follows bone 0. The new mesh's attribute ids are the subset
// numbers. D3DERR_INVALIDCALL when one face needs more bones than the palette.
HRESULT ConvertSkinToIndexedBlendedMesh(ID3DXSkinMesh* pSkin, DWORD options, const DWORD* pAdjacencyIn,
                                        DWORD paletteSize, DWORD* pAdjacencyOut, DWORD* pNumBoneCombinations,
                                        ID3DXBuffer** ppBoneCombinationTable, DWORD* pFaceRemap,
                                        ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppMesh);
