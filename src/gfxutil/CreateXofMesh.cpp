#include "gfxutil/CreateXofMesh.h"

#include <algorithm>
#include <cstring>

#include "gfxutil/D3DXMesh.h"
#include "gfxutil/MeshAdjacency.h"

namespace {

constexpr DWORD kNoNeighbour = 0xFFFFFFFF;

// Triangle numbers ordered by attribute, file order within one.
std::vector<DWORD> SortedByAttribute(const std::vector<DWORD>& attributes) {
    // A counting sort: stable, and linear in the faces. Attributes lie below the
    // material count (the material list is padded to cover them), so the
    // counts take no more room than the materials do.
    DWORD attributeCount = 0;
    for (DWORD attribute : attributes) {
        attributeCount = std::max(attributeCount, attribute + 1);
    }
    std::vector<DWORD> starts(size_t{attributeCount} + 1, 0);
    for (DWORD attribute : attributes) {
        ++starts[attribute + 1];
    }
    for (DWORD a = 0; a < attributeCount; ++a) {
        starts[a + 1] += starts[a];
    }
    std::vector<DWORD> order(attributes.size());
    for (DWORD f = 0; f < order.size(); ++f) {
        order[starts[attributes[f]]++] = f;
    }
    return order;
}

// The material records and the texture names they point to, in one buffer.
ULONGLONG MaterialBytes(const XofMeshData& data) {
    ULONGLONG bytes = static_cast<ULONGLONG>(data.m_materials.size()) * sizeof(D3DXMATERIAL);
    for (const XofMeshData::Material& m : data.m_materials) {
        bytes += m.m_szTexture.empty() ? 0 : m.m_szTexture.size() + 1;
    }
    return bytes;
}

HRESULT WriteVertices(const XofMeshData& data, D3DXMesh* mesh) {
    VertexLayout layout;
    layout.Decode(data.Fvf());
    BYTE* vertices = nullptr;
    const HRESULT hr = mesh->LockVertexBuffer(0, &vertices);
    if (FAILED(hr)) {
        return hr;
    }
    for (size_t v = 0; v < data.m_positions.size(); ++v) {
        BYTE* out = vertices + v * layout.Stride();
        std::memcpy(out, &data.m_positions[v], 12);
        if (layout.HasNormal()) {
            std::memcpy(out + layout.NormalOffset(), &data.m_normals[v], 12);
        }
        if (layout.HasDiffuse()) {
            std::memcpy(out + layout.DiffuseOffset(), &data.m_colours[v], 4);
        }
        if (layout.TexSetCount() > 0) {
            std::memcpy(out + layout.TexOffset(0), &data.m_texCoords[v], 8);
        }
    }
    return mesh->UnlockVertexBuffer();
}

// Indices and attributes written together, so the attribute table is built once.
HRESULT WriteFaces(const XofMeshData& data, const std::vector<DWORD>& order, D3DXMesh* mesh) {
    BYTE* indices = nullptr;
    DWORD* attributes = nullptr;
    const HRESULT hr = mesh->LockFaces(&indices, &attributes);
    if (FAILED(hr)) {
        return hr;
    }
    const bool wide = mesh->Uses32BitIndices();
    for (size_t f = 0; f < order.size(); ++f) {
        const DWORD* corners = &data.m_triangles[3 * static_cast<size_t>(order[f])];
        for (size_t c = 0; c < 3; ++c) {
            if (wide) {
                std::memcpy(indices + 4 * (3 * f + c), &corners[c], 4);
            } else {
                const WORD index = static_cast<WORD>(corners[c]);
                std::memcpy(indices + 2 * (3 * f + c), &index, 2);
            }
        }
        attributes[f] = data.m_triangleAttributes[order[f]];
    }
    return mesh->UnlockFaces();
}

// The file-order adjacency carried to the sorted faces.
HRESULT CreateAdjacency(const std::vector<DWORD>& fileAdjacency, const std::vector<DWORD>& order,
                        const std::vector<DWORD>& placeOf, ID3DXBuffer** ppBuffer) {
    const HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(fileAdjacency.size() * sizeof(DWORD)), ppBuffer);
    if (FAILED(hr)) {
        return hr;
    }
    DWORD* adjacency = static_cast<DWORD*>((*ppBuffer)->GetBufferPointer());
    for (size_t f = 0; f < order.size(); ++f) {
        for (size_t e = 0; e < 3; ++e) {
            const DWORD neighbour = fileAdjacency[3 * static_cast<size_t>(order[f]) + e];
            adjacency[3 * f + e] = neighbour < placeOf.size() ? placeOf[neighbour] : kNoNeighbour;
        }
    }
    return S_OK;
}

// Materials: the records, then the texture names they point to.
HRESULT CreateMaterials(const std::vector<XofMeshData::Material>& materials, ULONGLONG bytes, ID3DXBuffer** ppBuffer) {
    const HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(bytes), ppBuffer);
    if (FAILED(hr)) {
        return hr;
    }
    BYTE* base = static_cast<BYTE*>((*ppBuffer)->GetBufferPointer());
    D3DXMATERIAL* records = reinterpret_cast<D3DXMATERIAL*>(base);
    char* names = reinterpret_cast<char*>(base + materials.size() * sizeof(D3DXMATERIAL));
    for (size_t i = 0; i < materials.size(); ++i) {
        records[i].MatD3D = materials[i].m_d3d;
        records[i].pTextureFilename = nullptr;
        if (!materials[i].m_szTexture.empty()) {
            std::memcpy(names, materials[i].m_szTexture.c_str(), materials[i].m_szTexture.size() + 1);
            records[i].pTextureFilename = names;
            names += materials[i].m_szTexture.size() + 1;
        }
    }
    return S_OK;
}

// Hands the buffer to the caller, or releases it when the caller wants none.
void HandOut(ID3DXBuffer* buffer, ID3DXBuffer** out) {
    if (out != nullptr) {
        *out = buffer;
    } else if (buffer != nullptr) {
        buffer->Release();
    }
}

}  // namespace

HRESULT CreateXofMesh(const XofMeshData& data, DWORD options, IDirect3DDevice8* pDevice, ID3DXMesh** ppMesh,
                      ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials, DWORD* pNumMaterials) {
    // More vertices than 16-bit indices reach: take 32-bit ones rather than fail.
    if (data.VertexCount() > 0xFFFF) {
        options |= D3DXMESH_32BIT;
    }
    // Sizes in 64 bits: a buffer a DWORD cannot measure is refused, never cut short.
    const ULONGLONG adjacencyBytes = static_cast<ULONGLONG>(data.m_triangles.size()) * sizeof(DWORD);
    const ULONGLONG materialBytes = MaterialBytes(data);
    if (adjacencyBytes > 0xFFFFFFFF || materialBytes > 0xFFFFFFFF) {
        return E_OUTOFMEMORY;
    }
    // Everything that allocates in this process comes before the mesh, so nothing can leak it.
    // Adjacency by the file's positions, so vertices split by normals still join their faces.
    std::vector<DWORD> fileAdjacency(data.m_triangles.size());
    ComputeAdjacency(data.m_trianglePoints.data(), data.TriangleCount(), fileAdjacency.data());
    // Faces sorted by attribute, file order kept within one, as the attribute sort of
    // OptimizeInplace leaves them; done here so the mesh is written once.
    const std::vector<DWORD> order = SortedByAttribute(data.m_triangleAttributes);
    std::vector<DWORD> placeOf(order.size());
    for (DWORD f = 0; f < order.size(); ++f) {
        placeOf[order[f]] = f;
    }
    D3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXMesh::Create(data.TriangleCount(), data.VertexCount(), options, data.Fvf(), pDevice, &mesh);
    if (FAILED(hr)) {
        return hr;
    }
    hr = WriteVertices(data, mesh);
    if (SUCCEEDED(hr)) {
        hr = WriteFaces(data, order, mesh);
    }
    ID3DXBuffer* adjacencyBuffer = nullptr;
    if (SUCCEEDED(hr)) {
        hr = CreateAdjacency(fileAdjacency, order, placeOf, &adjacencyBuffer);
    }
    ID3DXBuffer* materialBuffer = nullptr;
    if (SUCCEEDED(hr) && !data.m_materials.empty()) {
        hr = CreateMaterials(data.m_materials, materialBytes, &materialBuffer);
    }
    if (FAILED(hr)) {
        HandOut(materialBuffer, nullptr);
        HandOut(adjacencyBuffer, nullptr);
        mesh->Release();
        return hr;
    }
    *ppMesh = mesh;
    HandOut(adjacencyBuffer, ppAdjacency);
    HandOut(materialBuffer, ppMaterials);
    if (pNumMaterials != nullptr) {
        *pNumMaterials = static_cast<DWORD>(data.m_materials.size());
    }
    return D3D_OK;
}
