#include "gfxutil/D3DXMesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numeric>

#include "gfxutil/GiveReference.h"
#include "gfxutil/MeshAdjacency.h"

namespace {

constexpr DWORD kNoFace = 0xFFFFFFFF;
constexpr DWORD kOptionMask = 0x00FFFFFF;  // the D3DXMESH_* part of Optimize's flags

DWORD BufferUsage(DWORD options, bool vertexBuffer) {
    DWORD usage = 0;
    if (options & (vertexBuffer ? D3DXMESH_VB_WRITEONLY : D3DXMESH_IB_WRITEONLY)) {
        usage |= D3DUSAGE_WRITEONLY;
    }
    if (options & (vertexBuffer ? D3DXMESH_VB_DYNAMIC : D3DXMESH_IB_DYNAMIC)) {
        usage |= D3DUSAGE_DYNAMIC;
    }
    if (options & (vertexBuffer ? D3DXMESH_VB_SOFTWAREPROCESSING : D3DXMESH_IB_SOFTWAREPROCESSING)) {
        usage |= D3DUSAGE_SOFTWAREPROCESSING;
    }
    if (options & D3DXMESH_DONOTCLIP) {
        usage |= D3DUSAGE_DONOTCLIP;
    }
    if (options & D3DXMESH_POINTS) {
        usage |= D3DUSAGE_POINTS;
    }
    if (options & D3DXMESH_RTPATCHES) {
        usage |= D3DUSAGE_RTPATCHES;
    }
    if (options & D3DXMESH_NPATCHES) {
        usage |= D3DUSAGE_NPATCHES;
    }
    return usage;
}

D3DPOOL BufferPool(DWORD options, bool vertexBuffer) {
    if (options & (vertexBuffer ? D3DXMESH_VB_SYSTEMMEM : D3DXMESH_IB_SYSTEMMEM)) {
        return D3DPOOL_SYSTEMMEM;
    }
    if (options & (vertexBuffer ? D3DXMESH_VB_MANAGED : D3DXMESH_IB_MANAGED)) {
        return D3DPOOL_MANAGED;
    }
    return D3DPOOL_DEFAULT;
}

// Positions equal within epsilon share one representative, the lowest such vertex.
std::vector<DWORD> PointRepresentatives(const std::vector<float>& xyz, float epsilon) {
    const DWORD count = static_cast<DWORD>(xyz.size() / 3);
    std::vector<DWORD> reps(count);
    std::vector<DWORD> order(count);
    std::iota(order.begin(), order.end(), 0u);
    std::iota(reps.begin(), reps.end(), 0u);
    // Sorted by x, a vertex's equals lie in a window of x within epsilon.
    std::sort(order.begin(), order.end(),
              [&](DWORD a, DWORD b) { return xyz[3 * a] < xyz[3 * b] || (xyz[3 * a] == xyz[3 * b] && a < b); });
    for (size_t i = 0; i < order.size(); ++i) {
        const DWORD v = order[i];
        for (size_t j = i; j-- > 0;) {
            const DWORD w = order[j];
            if (xyz[3 * v] - xyz[3 * w] > epsilon) {
                break;
            }
            if (std::fabs(xyz[3 * v + 1] - xyz[3 * w + 1]) <= epsilon &&
                std::fabs(xyz[3 * v + 2] - xyz[3 * w + 2]) <= epsilon) {
                reps[v] = std::min(reps[v], reps[w]);
            }
        }
    }
    return reps;
}

}  // namespace

HRESULT D3DXMesh::Create(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* pDevice,
                         D3DXMesh** ppMesh) {
    if (ppMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppMesh = nullptr;
    VertexLayout layout;
    if (pDevice == nullptr || numFaces == 0 || numVertices == 0 || !layout.Decode(fvf)) {
        return D3DERR_INVALIDCALL;
    }
    // 16-bit indices reach 65535 vertices; the buffers' sizes must fit in a UINT.
    const ULONGLONG indexBytes = 3ull * numFaces * ((options & D3DXMESH_32BIT) ? 4 : 2);
    const ULONGLONG vertexBytes = static_cast<ULONGLONG>(numVertices) * layout.Stride();
    if ((!(options & D3DXMESH_32BIT) && numVertices > 0xFFFF) || indexBytes > 0x7FFFFFFF || vertexBytes > 0x7FFFFFFF) {
        return D3DERR_INVALIDCALL;
    }
    D3DXMesh* mesh = new (std::nothrow) D3DXMesh(pDevice, numFaces, numVertices, options & kOptionMask, fvf);
    if (mesh == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = mesh->CreateBuffers(nullptr);
    if (FAILED(hr)) {
        mesh->Release();
        return hr;
    }
    *ppMesh = mesh;
    return D3D_OK;
}

D3DXMesh::D3DXMesh(IDirect3DDevice8* pDevice, DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf)
    : m_pDevice(pDevice),
      m_dwNumFaces(numFaces),
      m_dwNumVertices(numVertices),
      m_dwOptions(options),
      m_dwFvf(fvf),
      m_pVB(nullptr),
      m_pIB(nullptr),
      m_bAttributesLocked(false) {
    m_pDevice->AddRef();
    m_layout.Decode(fvf);
}

D3DXMesh::~D3DXMesh() {
    if (m_pIB != nullptr) {
        m_pIB->Release();
    }
    if (m_pVB != nullptr) {
        m_pVB->Release();
    }
    m_pDevice->Release();
}

HRESULT D3DXMesh::CreateBuffers(IDirect3DVertexBuffer8* pSharedVB) {
    HRESULT hr = D3D_OK;
    if (pSharedVB != nullptr) {
        pSharedVB->AddRef();
        m_pVB = pSharedVB;
    } else {
        hr = m_pDevice->CreateVertexBuffer(m_dwNumVertices * m_layout.Stride(), BufferUsage(m_dwOptions, true), m_dwFvf,
                                           BufferPool(m_dwOptions, true), &m_pVB);
        if (FAILED(hr)) {
            return hr;
        }
    }
    const UINT indexSize = Uses32BitIndices() ? 4 : 2;
    hr = m_pDevice->CreateIndexBuffer(m_dwNumFaces * 3 * indexSize, BufferUsage(m_dwOptions, false),
                                      Uses32BitIndices() ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                      BufferPool(m_dwOptions, false), &m_pIB);
    if (FAILED(hr)) {
        return hr;
    }
    try {
        m_attributes.assign(m_dwNumFaces, 0);
        // New buffers hold zeros: every face is attribute 0 on vertex 0, one run.
        m_attribTable.assign(1, D3DXATTRIBUTERANGE{0, 0, m_dwNumFaces, 0, 1});
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT D3DXMesh::DrawSubset(DWORD attribId) {
    HRESULT hr = m_pDevice->SetVertexShader(m_dwFvf);
    if (SUCCEEDED(hr)) {
        hr = m_pDevice->SetStreamSource(0, m_pVB, m_layout.Stride());
    }
    if (SUCCEEDED(hr)) {
        hr = m_pDevice->SetIndices(m_pIB, 0);
    }
    for (const D3DXATTRIBUTERANGE& range : m_attribTable) {
        if (FAILED(hr)) {
            break;
        }
        if (range.AttribId == attribId && range.FaceCount > 0) {
            hr = m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, range.VertexStart, range.VertexCount,
                                                 range.FaceStart * 3, range.FaceCount);
        }
    }
    return hr;
}

HRESULT D3DXMesh::GetDevice(IDirect3DDevice8** ppDevice) {
    return GiveReference<IDirect3DDevice8>(m_pDevice, ppDevice);
}

HRESULT D3DXMesh::GetVertexBuffer(IDirect3DVertexBuffer8** ppVB) {
    return GiveReference<IDirect3DVertexBuffer8>(m_pVB, ppVB);
}

HRESULT D3DXMesh::GetIndexBuffer(IDirect3DIndexBuffer8** ppIB) {
    return GiveReference<IDirect3DIndexBuffer8>(m_pIB, ppIB);
}

HRESULT D3DXMesh::LockVertexBuffer(DWORD flags, BYTE** ppData) {
    return m_pVB->Lock(0, 0, ppData, flags);
}

HRESULT D3DXMesh::UnlockVertexBuffer() {
    return m_pVB->Unlock();
}

HRESULT D3DXMesh::LockIndexBuffer(DWORD flags, BYTE** ppData) {
    return m_pIB->Lock(0, 0, ppData, flags);
}

HRESULT D3DXMesh::UnlockIndexBuffer() {
    const HRESULT hr = m_pIB->Unlock();
    // New indices change the vertex range each run draws.
    return FAILED(hr) ? hr : RebuildAttributeTable();
}

HRESULT D3DXMesh::LockAttributeBuffer(DWORD /*flags*/, DWORD** ppData) {
    if (ppData == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    m_bAttributesLocked = true;
    *ppData = m_attributes.data();
    return D3D_OK;
}

HRESULT D3DXMesh::UnlockAttributeBuffer() {
    if (!m_bAttributesLocked) {
        return D3DERR_INVALIDCALL;
    }
    m_bAttributesLocked = false;
    return RebuildAttributeTable();
}

HRESULT D3DXMesh::LockFaces(BYTE** ppIndices, DWORD** ppAttributes) {
    if (ppIndices == nullptr || ppAttributes == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    const HRESULT hr = m_pIB->Lock(0, 0, ppIndices, 0);
    return FAILED(hr) ? hr : LockAttributeBuffer(0, ppAttributes);
}

HRESULT D3DXMesh::UnlockFaces() {
    if (!m_bAttributesLocked) {
        return D3DERR_INVALIDCALL;
    }
    m_bAttributesLocked = false;
    const HRESULT hr = m_pIB->Unlock();
    return FAILED(hr) ? hr : RebuildAttributeTable();
}

HRESULT D3DXMesh::GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) {
    if (pAttribTableSize != nullptr) {
        *pAttribTableSize = static_cast<DWORD>(m_attribTable.size());
    }
    if (pAttribTable != nullptr) {
        std::copy(m_attribTable.begin(), m_attribTable.end(), pAttribTable);
    }
    return D3D_OK;
}

HRESULT D3DXMesh::ReadIndices(std::vector<DWORD>& indices) {
    // Allocated before the lock, so running out of memory leaves nothing locked.
    const size_t count = static_cast<size_t>(m_dwNumFaces) * 3;
    indices.resize(count);
    BYTE* data = nullptr;
    const HRESULT hr = m_pIB->Lock(0, 0, &data, D3DLOCK_READONLY);
    if (FAILED(hr)) {
        return hr;
    }
    if (Uses32BitIndices()) {
        std::memcpy(indices.data(), data, 4 * count);
    } else {
        for (size_t i = 0; i < count; ++i) {
            WORD index = 0;
            std::memcpy(&index, data + 2 * i, 2);
            indices[i] = index;
        }
    }
    return m_pIB->Unlock();
}

HRESULT D3DXMesh::WriteIndices(const std::vector<DWORD>& indices) {
    BYTE* data = nullptr;
    const HRESULT hr = m_pIB->Lock(0, 0, &data, 0);
    if (FAILED(hr)) {
        return hr;
    }
    for (size_t i = 0; i < indices.size(); ++i) {
        if (Uses32BitIndices()) {
            std::memcpy(data + 4 * i, &indices[i], 4);
        } else {
            const WORD index = static_cast<WORD>(indices[i]);
            std::memcpy(data + 2 * i, &index, 2);
        }
    }
    return m_pIB->Unlock();
}

HRESULT D3DXMesh::RebuildAttributeTable() try {
    // Read where they lie: a copy of every index would cost more than the scan.
    BYTE* data = nullptr;
    const HRESULT hr = m_pIB->Lock(0, 0, &data, D3DLOCK_READONLY);
    if (FAILED(hr)) {
        return hr;
    }
    const bool wide = Uses32BitIndices();
    auto index = [&](size_t i) -> DWORD {
        if (wide) {
            DWORD value;
            std::memcpy(&value, data + 4 * i, 4);
            return value;
        }
        WORD value;
        std::memcpy(&value, data + 2 * i, 2);
        return value;
    };
    m_attribTable.clear();
    for (DWORD face = 0; face < m_dwNumFaces; ++face) {
        const size_t first = 3 * static_cast<size_t>(face);
        const DWORD tri[3] = {index(first), index(first + 1), index(first + 2)};
        const DWORD lo = std::min({tri[0], tri[1], tri[2]});
        const DWORD hi = std::max({tri[0], tri[1], tri[2]});
        if (m_attribTable.empty() || m_attribTable.back().AttribId != m_attributes[face]) {
            m_attribTable.push_back(D3DXATTRIBUTERANGE{m_attributes[face], face, 0, lo, 1});
        }
        D3DXATTRIBUTERANGE& range = m_attribTable.back();
        const DWORD end = std::max(range.VertexStart + range.VertexCount - 1, hi);
        range.VertexStart = std::min(range.VertexStart, lo);
        range.VertexCount = end - range.VertexStart + 1;
        ++range.FaceCount;
    }
    return m_pIB->Unlock();
} catch (const std::bad_alloc&) {
    // A partial table would draw some faces twice or not at all: draw none.
    m_attribTable.clear();
    m_pIB->Unlock();
    return E_OUTOFMEMORY;
}

HRESULT D3DXMesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* pDevice, ID3DXMesh** ppCloneMesh) {
    if (ppCloneMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppCloneMesh = nullptr;
    VertexLayout target;
    if (pDevice == nullptr || !target.Decode(fvf)) {
        return D3DERR_INVALIDCALL;
    }
    // Sharing the vertex buffer needs the same format on the same device.
    const bool share = (options & D3DXMESH_VB_SHARE) != 0;
    if (share && (fvf != m_dwFvf || pDevice != m_pDevice)) {
        return D3DERR_INVALIDCALL;
    }
    if (!(options & D3DXMESH_32BIT) && m_dwNumVertices > 0xFFFF) {
        return D3DERR_INVALIDCALL;
    }
    D3DXMesh* clone = new (std::nothrow) D3DXMesh(pDevice, m_dwNumFaces, m_dwNumVertices, options & kOptionMask, fvf);
    if (clone == nullptr) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = D3D_OK;
    try {
        hr = CopyInto(clone, share, target);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        clone->Release();
        return hr;
    }
    *ppCloneMesh = clone;
    return D3D_OK;
}

HRESULT D3DXMesh::CopyInto(D3DXMesh* clone, bool share, const VertexLayout& target) {
    HRESULT hr = clone->CreateBuffers(share ? m_pVB : nullptr);
    if (SUCCEEDED(hr) && !share) {
        BYTE* src = nullptr;
        BYTE* dst = nullptr;
        hr = m_pVB->Lock(0, 0, &src, D3DLOCK_READONLY);
        if (SUCCEEDED(hr)) {
            hr = clone->m_pVB->Lock(0, 0, &dst, 0);
            if (SUCCEEDED(hr)) {
                for (DWORD v = 0; v < m_dwNumVertices; ++v) {
                    VertexLayout::Convert(m_layout, src + static_cast<size_t>(v) * m_layout.Stride(), target,
                                          dst + static_cast<size_t>(v) * target.Stride());
                }
                clone->m_pVB->Unlock();
            }
            m_pVB->Unlock();
        }
    }
    std::vector<DWORD> indices;
    if (SUCCEEDED(hr)) {
        hr = ReadIndices(indices);
    }
    if (SUCCEEDED(hr)) {
        hr = clone->WriteIndices(indices);
    }
    if (SUCCEEDED(hr)) {
        clone->m_attributes = m_attributes;
        hr = clone->RebuildAttributeTable();
    }
    return hr;
}

HRESULT D3DXMesh::GenerateAdjacency(float epsilon, DWORD* pAdjacency) try {
    if (pAdjacency == nullptr || epsilon < 0.0f) {
        return D3DERR_INVALIDCALL;
    }
    std::vector<DWORD> indices;
    HRESULT hr = ReadIndices(indices);
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<float> xyz(static_cast<size_t>(m_dwNumVertices) * 3);
    BYTE* data = nullptr;
    hr = m_pVB->Lock(0, 0, &data, D3DLOCK_READONLY);
    if (FAILED(hr)) {
        return hr;
    }
    for (DWORD v = 0; v < m_dwNumVertices; ++v) {
        std::memcpy(&xyz[3 * static_cast<size_t>(v)], data + static_cast<size_t>(v) * m_layout.Stride(), 12);
    }
    m_pVB->Unlock();
    const std::vector<DWORD> reps = PointRepresentatives(xyz, epsilon);

    std::vector<DWORD> pointIds(indices.size());
    for (size_t i = 0; i < indices.size(); ++i) {
        pointIds[i] = indices[i] < m_dwNumVertices ? reps[indices[i]] : indices[i];
    }
    ComputeAdjacency(pointIds.data(), m_dwNumFaces, pAdjacency);
    return D3D_OK;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}

// Everything that allocates comes before the vertex remap buffer is handed out.
HRESULT D3DXMesh::OptimizeInplace(DWORD flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                                  ID3DXBuffer** ppVertexRemap) try {
    std::vector<DWORD> indices;
    HRESULT hr = ReadIndices(indices);
    if (FAILED(hr)) {
        return hr;
    }
    // Faces sorted by attribute, keeping their order within one attribute.
    // Every optimisation the program asks for implies this sort; vertices keep their places.
    std::vector<DWORD> newToOld(m_dwNumFaces);
    std::iota(newToOld.begin(), newToOld.end(), 0u);
    if (flags & (D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) {
        std::stable_sort(newToOld.begin(), newToOld.end(),
                         [&](DWORD a, DWORD b) { return m_attributes[a] < m_attributes[b]; });
    }
    std::vector<DWORD> oldToNew(m_dwNumFaces);
    for (DWORD f = 0; f < m_dwNumFaces; ++f) {
        oldToNew[newToOld[f]] = f;
    }
    if (pAdjacencyOut != nullptr) {
        std::vector<DWORD> adjacency(3 * static_cast<size_t>(m_dwNumFaces));
        if (pAdjacencyIn != nullptr) {
            std::copy(pAdjacencyIn, pAdjacencyIn + adjacency.size(), adjacency.begin());
        } else {
            hr = GenerateAdjacency(0.0f, adjacency.data());
            if (FAILED(hr)) {
                return hr;
            }
        }
        for (DWORD f = 0; f < m_dwNumFaces; ++f) {
            for (DWORD e = 0; e < 3; ++e) {
                const DWORD neighbour = adjacency[3 * newToOld[f] + e];
                pAdjacencyOut[3 * f + e] = neighbour < m_dwNumFaces ? oldToNew[neighbour] : kNoFace;
            }
        }
    }
    std::vector<DWORD> sortedIndices(indices.size());
    std::vector<DWORD> sortedAttributes(m_dwNumFaces);
    for (DWORD f = 0; f < m_dwNumFaces; ++f) {
        std::copy_n(&indices[3 * static_cast<size_t>(newToOld[f])], 3, &sortedIndices[3 * static_cast<size_t>(f)]);
        sortedAttributes[f] = m_attributes[newToOld[f]];
    }
    if (pFaceRemap != nullptr) {
        std::copy(newToOld.begin(), newToOld.end(), pFaceRemap);
    }
    if (ppVertexRemap != nullptr) {
        *ppVertexRemap = nullptr;
        hr = D3DXCreateBuffer(m_dwNumVertices * sizeof(DWORD), ppVertexRemap);
        if (FAILED(hr)) {
            return hr;
        }
        DWORD* remap = static_cast<DWORD*>((*ppVertexRemap)->GetBufferPointer());
        std::iota(remap, remap + m_dwNumVertices, 0u);
    }
    hr = WriteIndices(sortedIndices);
    if (FAILED(hr)) {
        return hr;
    }
    m_attributes.swap(sortedAttributes);
    return RebuildAttributeTable();
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}

HRESULT D3DXMesh::Optimize(DWORD flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                           ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh) {
    if (ppOptMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppOptMesh = nullptr;
    ID3DXMesh* clone = nullptr;
    HRESULT hr = CloneMeshFVF(flags & kOptionMask, m_dwFvf, m_pDevice, &clone);
    if (FAILED(hr)) {
        return hr;
    }
    hr = clone->OptimizeInplace(flags, pAdjacencyIn, pAdjacencyOut, pFaceRemap, ppVertexRemap);
    if (FAILED(hr)) {
        clone->Release();
        return hr;
    }
    *ppOptMesh = clone;
    return D3D_OK;
}

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* pDevice,
                          ID3DXMesh** ppMesh) {
    if (ppMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    D3DXMesh* mesh = nullptr;
    const HRESULT hr = D3DXMesh::Create(numFaces, numVertices, options, fvf, pDevice, &mesh);
    *ppMesh = mesh;
    return hr;
}
