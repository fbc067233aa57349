#include "gfxutil/MeshArrays.h"

#include <cstring>
#include <new>

HRESULT MeshArrays::Read(ID3DXBaseMesh* pMesh) {
    if (pMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    m_dwFvf = pMesh->GetFVF();
    m_dwOptions = pMesh->GetOptions();
    if (!m_layout.Decode(m_dwFvf)) {
        return D3DERR_INVALIDCALL;
    }
    m_dwStride = m_layout.Stride();
    const DWORD numVertices = pMesh->GetNumVertices();
    const DWORD numFaces = pMesh->GetNumFaces();
    try {
        m_vertices.resize(static_cast<size_t>(numVertices) * m_dwStride);
        m_indices.resize(static_cast<size_t>(numFaces) * 3);
        m_attributes.assign(numFaces, 0);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    BYTE* data = nullptr;
    HRESULT hr = pMesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
    if (FAILED(hr)) {
        return hr;
    }
    std::memcpy(m_vertices.data(), data, m_vertices.size());
    pMesh->UnlockVertexBuffer();
    hr = pMesh->LockIndexBuffer(D3DLOCK_READONLY, &data);
    if (FAILED(hr)) {
        return hr;
    }
    const bool wide = (m_dwOptions & D3DXMESH_32BIT) != 0;
    for (size_t i = 0; i < m_indices.size(); ++i) {
        if (wide) {
            std::memcpy(&m_indices[i], data + 4 * i, 4);
        } else {
            WORD index = 0;
            std::memcpy(&index, data + 2 * i, 2);
            m_indices[i] = index;
        }
    }
    pMesh->UnlockIndexBuffer();
    return D3D_OK;
}

HRESULT MeshArrays::ReadAttributes(ID3DXMesh* pMesh) {
    DWORD* attributes = nullptr;
    const HRESULT hr = pMesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes);
    if (FAILED(hr)) {
        return hr;
    }
    try {
        m_attributes.assign(attributes, attributes + pMesh->GetNumFaces());
    } catch (const std::bad_alloc&) {
        pMesh->UnlockAttributeBuffer();
        return E_OUTOFMEMORY;
    }
    return pMesh->UnlockAttributeBuffer();
}

HRESULT MeshArrays::WriteIndices(ID3DXBaseMesh* pMesh) const {
    BYTE* data = nullptr;
    const HRESULT hr = pMesh->LockIndexBuffer(0, &data);
    if (FAILED(hr)) {
        return hr;
    }
    const bool wide = (pMesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (size_t i = 0; i < m_indices.size(); ++i) {
        if (wide) {
            std::memcpy(data + 4 * i, &m_indices[i], 4);
        } else {
            const WORD index = static_cast<WORD>(m_indices[i]);
            std::memcpy(data + 2 * i, &index, 2);
        }
    }
    return pMesh->UnlockIndexBuffer();
}

HRESULT MeshArrays::Write(ID3DXMesh* pMesh) const {
    if (pMesh->GetNumVertices() != VertexCount() || pMesh->GetNumFaces() != FaceCount() || pMesh->GetFVF() != m_dwFvf) {
        return D3DERR_INVALIDCALL;
    }
    BYTE* data = nullptr;
    HRESULT hr = pMesh->LockVertexBuffer(0, &data);
    if (FAILED(hr)) {
        return hr;
    }
    std::memcpy(data, m_vertices.data(), m_vertices.size());
    pMesh->UnlockVertexBuffer();
    DWORD* attributes = nullptr;
    hr = pMesh->LockAttributeBuffer(0, &attributes);
    if (FAILED(hr)) {
        return hr;
    }
    std::memcpy(attributes, m_attributes.data(), m_attributes.size() * sizeof(DWORD));
    pMesh->UnlockAttributeBuffer();
    // Indices last: unlocking them rebuilds the attribute table from both.
    return WriteIndices(pMesh);
}

D3DXVECTOR3 MeshArrays::Position(DWORD v) const {
    D3DXVECTOR3 p;
    std::memcpy(&p, Vertex(v), sizeof(p));
    return p;
}
