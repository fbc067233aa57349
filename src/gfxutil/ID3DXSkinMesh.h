// A mesh with bones: which vertices each bone moves and by how much. The
// conversion to a vertex-blended mesh is a separate step built on this data.
#pragma once

#include "gfxutil/ID3DXMesh.h"

struct ID3DXSkinMesh : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice8** ppDevice) = 0;
    virtual DWORD GetNumBones() = 0;
    // The most bones that move any one face (bones with a non-zero weight on one of its corners).
    virtual HRESULT GetMaxFaceInfluences(DWORD* pMaxFaceInfluences) = 0;
    // The most bones that move any one vertex.
    virtual HRESULT GetMaxVertexInfluences(DWORD* pMaxVertexInfluences) = 0;
    virtual DWORD GetNumBoneInfluences(DWORD bone) = 0;
    // The bone's vertices and weights; the arrays hold GetNumBoneInfluences entries.
    virtual HRESULT GetBoneInfluence(DWORD bone, DWORD* pVertices, float* pWeights) = 0;
    // The mesh as loaded, without bones; one more reference to it.
    virtual HRESULT GetOriginalMesh(ID3DXMesh** ppMesh) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetOptions() = 0;
    // A copy the device blends with a palette of bone matrices, and its bone-combination table.
    virtual HRESULT ConvertToIndexedBlendedMesh(DWORD options, const DWORD* pAdjacencyIn, DWORD paletteSize,
                                                DWORD* pAdjacencyOut, DWORD* pNumBoneCombinations,
                                                ID3DXBuffer** ppBoneCombinationTable, DWORD* pFaceRemap,
                                                ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppMesh) = 0;

protected:
    ~ID3DXSkinMesh() = default;
};
