// The progressive-mesh interface the program uses, with the platform's signatures.
#pragma once

#include "gfxutil/ID3DXMesh.h"

constexpr DWORD D3DXMESHSIMP_VERTEX = 0x1;
constexpr DWORD D3DXMESHSIMP_FACE = 0x2;

// Per-component weights of the simplification error; the program passes none.
struct D3DXATTRIBUTEWEIGHTS {
    float Position;
    float Boundary;
    float Normal;
    float Diffuse;
    float Specular;
    float Tex[8];
};

struct ID3DXPMesh : ID3DXBaseMesh {
    // A copy drawn at the same level; D3DXMESH_VB_SHARE shares the vertex
    // buffer (same format and device only).
    virtual HRESULT ClonePMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* pDevice, ID3DXPMesh** ppCloneMesh) = 0;
    // Draws with `vertices` vertices from now on, clamped to the band.
    virtual HRESULT SetNumVertices(DWORD vertices) = 0;
    virtual DWORD GetMaxVertices() = 0;
    virtual DWORD GetMinVertices() = 0;
    // Reorders the faces every level of the band draws, for the vertex cache.
    virtual HRESULT OptimizeBaseLOD(DWORD flags, DWORD* pFaceRemap) = 0;
    // Narrows the band of vertex counts; bounds outside the band are clamped to it.
    virtual HRESULT TrimByVertices(DWORD newVerticesMin, DWORD newVerticesMax, DWORD* rgiFaceRemap,
                                   DWORD* rgiVertRemap) = 0;

protected:
    ~ID3DXPMesh() = default;
};
