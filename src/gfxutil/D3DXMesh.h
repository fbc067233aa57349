// A triangle mesh over the device: a vertex buffer in one flexible vertex
// format, a 16- or 32-bit index buffer, one attribute id per face kept in
// memory, and the attribute table (runs of faces with one id) that lets
// DrawSubset draw each run with a single indexed draw.
#pragma once

#include <vector>

#include "gfxutil/ID3DXMesh.h"
#include "gfxutil/VertexLayout.h"
#include "platform/kernel/ComObject.h"

// Counted by ComObject; QueryInterface answers IUnknown alone.
class D3DXMesh final : public ComObject<ID3DXMesh> {
public:
    // Creates the buffers as `options` asks; D3DERR_INVALIDCALL for zero
    // counts, a format without a position, or more vertices than 16-bit
    // indices reach without D3DXMESH_32BIT.
    static HRESULT Create(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* pDevice,
                          D3DXMesh** ppMesh);

    HRESULT DrawSubset(DWORD attribId) override;
    DWORD GetNumFaces() override { return m_dwNumFaces; }
    DWORD GetNumVertices() override { return m_dwNumVertices; }
    DWORD GetFVF() override { return m_dwFvf; }
    DWORD GetOptions() override { return m_dwOptions; }
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* pDevice, ID3DXMesh** ppCloneMesh) override;
    HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** ppVB) override;
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** ppIB) override;
    HRESULT LockVertexBuffer(DWORD flags, BYTE** ppData) override;
    HRESULT UnlockVertexBuffer() override;
    HRESULT LockIndexBuffer(DWORD flags, BYTE** ppData) override;
    HRESULT UnlockIndexBuffer() override;
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) override;
    HRESULT GenerateAdjacency(float epsilon, DWORD* pAdjacency) override;

    HRESULT LockAttributeBuffer(DWORD flags, DWORD** ppData) override;
    HRESULT UnlockAttributeBuffer() override;
    HRESULT Optimize(DWORD flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                     ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh) override;
    HRESULT OptimizeInplace(DWORD flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                            ID3DXBuffer** ppVertexRemap) override;

    // The index and attribute buffers at once, for a loader writing whole faces:
    // UnlockFaces builds the attribute table once, from both.
    HRESULT LockFaces(BYTE** ppIndices, DWORD** ppAttributes);
    HRESULT UnlockFaces();

    bool Uses32BitIndices() const { return (m_dwOptions & D3DXMESH_32BIT) != 0; }

private:
    D3DXMesh(IDirect3DDevice8* pDevice, DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf);
    ~D3DXMesh() override;

    HRESULT CreateBuffers(IDirect3DVertexBuffer8* pSharedVB);
    // The clone's buffers, vertices, indices and attributes from this mesh.
    HRESULT CopyInto(D3DXMesh* clone, bool share, const VertexLayout& target);
    // Rebuilds the attribute table from the attribute and index buffers.
    HRESULT RebuildAttributeTable();
    HRESULT ReadIndices(std::vector<DWORD>& indices);
    HRESULT WriteIndices(const std::vector<DWORD>& indices);

    IDirect3DDevice8* m_pDevice;
    DWORD m_dwNumFaces;
    DWORD m_dwNumVertices;
    DWORD m_dwOptions;
    DWORD m_dwFvf;
    VertexLayout m_layout;
    IDirect3DVertexBuffer8* m_pVB;
    IDirect3DIndexBuffer8* m_pIB;
    std::vector<DWORD> m_attributes;
    std::vector<D3DXATTRIBUTERANGE> m_attribTable;
    bool m_bAttributesLocked;
};

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* pDevice,
                          ID3DXMesh** ppMesh);
