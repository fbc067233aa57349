// The mesh interfaces the program uses, with the platform's signatures.
#pragma once

#include "gfxutil/D3DXBuffer.h"
#include "gfxutil/D3DXTypes.h"

struct ID3DXMesh;

struct ID3DXBaseMesh : IUnknown {
    // Draws the faces of one attribute id with the device's current state.
    virtual HRESULT DrawSubset(DWORD attribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(IDirect3DDevice8** ppDevice) = 0;
    virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* pDevice, ID3DXMesh** ppCloneMesh) = 0;
    virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** ppVB) = 0;
    virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** ppIB) = 0;
    virtual HRESULT LockVertexBuffer(DWORD flags, BYTE** ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD flags, BYTE** ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) = 0;
    // Three entries per face: the face across each edge (v0-v1, v1-v2, v2-v0), 0xFFFFFFFF for none.
    virtual HRESULT GenerateAdjacency(float epsilon, DWORD* pAdjacency) = 0;

protected:
    ~ID3DXBaseMesh() = default;
};

struct ID3DXMesh : ID3DXBaseMesh {
    virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    virtual HRESULT Optimize(DWORD flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                             ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh) = 0;
    virtual HRESULT OptimizeInplace(DWORD flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                                    ID3DXBuffer** ppVertexRemap) = 0;

protected:
    ~ID3DXMesh() = default;
};
