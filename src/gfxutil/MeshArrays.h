// A mesh's buffers copied into plain arrays and written back: the mesh
// operations that rebuild whole meshes (cleaning, welding, simplification,
// skin conversion) work on these instead of locking buffers over and over.
#pragma once

#include <vector>

#include "gfxutil/D3DXMath.h"
#include "gfxutil/ID3DXMesh.h"
#include "gfxutil/VertexLayout.h"

class MeshArrays {
public:
    // Reads vertices, indices and (for an ID3DXMesh) attributes.
    HRESULT Read(ID3DXBaseMesh* pMesh);
    HRESULT ReadAttributes(ID3DXMesh* pMesh);

    // Writes all three into a mesh of the same counts and format.
    HRESULT Write(ID3DXMesh* pMesh) const;
    HRESULT WriteIndices(ID3DXBaseMesh* pMesh) const;

    DWORD VertexCount() const { return m_dwStride == 0 ? 0 : static_cast<DWORD>(m_vertices.size() / m_dwStride); }
    DWORD FaceCount() const { return static_cast<DWORD>(m_indices.size() / 3); }
    D3DXVECTOR3 Position(DWORD v) const;
    BYTE* Vertex(DWORD v) { return &m_vertices[static_cast<size_t>(v) * m_dwStride]; }
    const BYTE* Vertex(DWORD v) const { return &m_vertices[static_cast<size_t>(v) * m_dwStride]; }

    DWORD m_dwFvf = 0;
    DWORD m_dwStride = 0;
    DWORD m_dwOptions = 0;
    VertexLayout m_layout;
    std::vector<BYTE> m_vertices;
    std::vector<DWORD> m_indices;
    std::vector<DWORD> m_attributes;
};
