// A progressive mesh: the source's used vertices ordered so that the level
// with n vertices uses exactly the first n (one collapse sequence, each later
// vertex recording the earlier one it collapses onto). A face lives while the
// vertex whose collapse ends it is present. Choosing a level rewrites only the
// index buffer: each attribute's living faces, packed in their stored order,
// their corners followed down to the level's vertices.
// This is the progressive mesh of Hoppe 1996, "Progressive Meshes" (SIGGRAPH
// 96): a base mesh and vertex splits, kept as the edge collapses they undo.
// Unlike it, the collapses are half-edge ones (a split adds no new position)
// chosen by quadric error, and a level is drawn whole, not split by split.
#pragma once

#include <vector>

#include "gfxutil/ID3DXPMesh.h"
#include "gfxutil/VertexLayout.h"
#include "platform/kernel/ComObject.h"

// Counted by ComObject; QueryInterface answers IUnknown alone.
class D3DXPMesh final : public ComObject<ID3DXPMesh> {
public:
    struct Group {
        DWORD m_dwAttribId;
        DWORD m_dwFaceStart;
        DWORD m_dwFaceCount;  // all faces of the attribute
        DWORD m_dwLiveCount;  // faces drawn at the current level
    };
    // Everything a level is cut from, in the progressive vertex order.
    struct Sequence {
        DWORD m_dwFvf = 0;
        DWORD m_dwMinVertices = 0;
        DWORD m_dwMaxVertices = 0;
        std::vector<BYTE> m_vertices;  // m_dwMaxVertices vertices
        std::vector<DWORD> m_parents;  // the vertex each one collapses onto; itself below the minimum
        std::vector<DWORD> m_corners;  // 3 per face, in full-detail vertices
        std::vector<DWORD> m_needs;    // a face is drawn while the level has more vertices than this
        std::vector<Group> m_groups;   // faces grouped by attribute
    };

    // A progressive mesh over its own buffers, at its maximum level.
    static HRESULT Create(Sequence&& sequence, DWORD options, IDirect3DDevice8* pDevice, D3DXPMesh** ppMesh);

    HRESULT DrawSubset(DWORD attribId) override;
    DWORD GetNumFaces() override { return m_dwLiveFaces; }
    DWORD GetNumVertices() override { return m_dwVertices; }
    DWORD GetFVF() override { return m_seq.m_dwFvf; }
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

    HRESULT ClonePMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* pDevice, ID3DXPMesh** ppCloneMesh) override;
    HRESULT SetNumVertices(DWORD vertices) override;
    DWORD GetMaxVertices() override { return m_dwBandMax; }
    DWORD GetMinVertices() override { return m_dwBandMin; }
    HRESULT OptimizeBaseLOD(DWORD flags, DWORD* pFaceRemap) override;
    HRESULT TrimByVertices(DWORD newVerticesMin, DWORD newVerticesMax, DWORD* rgiFaceRemap,
                           DWORD* rgiVertRemap) override;

    // How many times the index buffer was rewritten (level changes).
    DWORD IndexRebuildCount() const { return m_dwRebuilds; }

private:
    D3DXPMesh(IDirect3DDevice8* pDevice, DWORD options);
    ~D3DXPMesh() override;

    HRESULT CreateBuffers(IDirect3DVertexBuffer8* pSharedVB);
    HRESULT RebuildIndices();
    DWORD Resolve(DWORD vertex, DWORD level) const;

    IDirect3DDevice8* m_pDevice;
    DWORD m_dwOptions;
    Sequence m_seq;
    VertexLayout m_layout;
    IDirect3DVertexBuffer8* m_pVB;
    IDirect3DIndexBuffer8* m_pIB;
    DWORD m_dwBandMin;
    DWORD m_dwBandMax;
    DWORD m_dwVertices;  // current level
    DWORD m_dwLiveFaces;
    DWORD m_dwRebuilds;
};

// Simplifies `pMesh` by quadric-error collapses towards `minValue` vertices
// (D3DXMESHSIMP_VERTEX) and returns the progressive mesh at full detail.
// Texture seams, open borders and material boundaries are kept; the minimum
// reached may lie above `minValue` where the surface allows no more.
// `pAdjacency` (optional) marks vertices that are one point; the weight
// arrays must be null.
HRESULT D3DXGeneratePMesh(ID3DXMesh* pMesh, const DWORD* pAdjacency,
                          const D3DXATTRIBUTEWEIGHTS* pVertexAttributeWeights, const float* pVertexWeights,
                          DWORD minValue, DWORD options, ID3DXPMesh** ppPMesh);
