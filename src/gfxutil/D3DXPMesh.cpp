#include "gfxutil/D3DXPMesh.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <map>
#include <new>
#include <numeric>
#include <tuple>

#include <meshoptimizer.h>

#include "gfxutil/D3DXMesh.h"
#include "gfxutil/GiveReference.h"
#include "gfxutil/MeshAdjacency.h"
#include "gfxutil/MeshArrays.h"
#include "gfxutil/MeshSimplifier.h"
#include "gfxutil/MeshTopology.h"

namespace {

constexpr DWORD kOptionMask = 0x00FFFFFF;

D3DPOOL PoolOf(DWORD options, DWORD systemBit, DWORD managedBit) {
    if (options & systemBit) {
        return D3DPOOL_SYSTEMMEM;
    }
    return (options & managedBit) ? D3DPOOL_MANAGED : D3DPOOL_DEFAULT;
}

DWORD UsageOf(DWORD options, DWORD writeOnlyBit) {
    DWORD usage = (options & writeOnlyBit) ? D3DUSAGE_WRITEONLY : 0;
    if (options & D3DXMESH_DONOTCLIP) {
        usage |= D3DUSAGE_DONOTCLIP;
    }
    return usage;
}

// Locks every used vertex that shares its position with another one. A
// hash table of the positions seen so far, open addressing, twice as many
// slots as vertices; -0 counts as 0, as it compares equal.
void LockSharedPositions(const std::vector<D3DXVECTOR3>& positions, const std::vector<bool>& used,
                         std::vector<bool>& locked) {
    constexpr DWORD kEmpty = 0xFFFFFFFF;
    size_t size = 1;
    while (size < 2 * positions.size()) {
        size *= 2;
    }
    std::vector<DWORD> slots(size, kEmpty);
    const auto bits = [](float f) {
        DWORD b = 0;
        const float plain = f + 0.0f;
        std::memcpy(&b, &plain, sizeof(b));
        return b;
    };
    for (DWORD v = 0; v < positions.size(); ++v) {
        if (!used[v]) {
            continue;
        }
        const D3DXVECTOR3& p = positions[v];
        size_t slot = ((bits(p.x) * 73856093u) ^ (bits(p.y) * 19349663u) ^ (bits(p.z) * 83492791u)) & (size - 1);
        while (slots[slot] != kEmpty) {
            const D3DXVECTOR3& q = positions[slots[slot]];
            if (p.x == q.x && p.y == q.y && p.z == q.z) {
                locked[v] = true;
                locked[slots[slot]] = true;
                break;
            }
            slot = (slot + 1) & (size - 1);
        }
        if (slots[slot] == kEmpty) {
            slots[slot] = v;
        }
    }
}

// Faces by attribute, then by need (below `needLimit`), in face order among
// equals: two stable counting sorts.
std::vector<DWORD> FaceOrder(const std::vector<DWORD>& attributes, const std::vector<DWORD>& needs, DWORD needLimit) {
    const DWORD numFaces = static_cast<DWORD>(needs.size());
    std::vector<DWORD> byNeed(numFaces);
    std::vector<DWORD> slots(static_cast<size_t>(needLimit) + 1, 0);
    for (DWORD need : needs) {
        ++slots[need + 1];
    }
    std::partial_sum(slots.begin(), slots.end(), slots.begin());
    for (DWORD f = 0; f < numFaces; ++f) {
        byNeed[slots[needs[f]]++] = f;
    }
    std::vector<DWORD> kinds;
    for (DWORD attribute : attributes) {
        if (kinds.empty() || kinds.back() != attribute) {
            kinds.push_back(attribute);  // runs of one attribute are the usual case
        }
    }
    std::sort(kinds.begin(), kinds.end());
    kinds.erase(std::unique(kinds.begin(), kinds.end()), kinds.end());
    if (kinds.size() < 2) {
        return byNeed;
    }
    std::vector<DWORD> rank(numFaces);
    slots.assign(kinds.size() + 1, 0);
    for (DWORD f = 0; f < numFaces; ++f) {
        rank[f] = static_cast<DWORD>(std::lower_bound(kinds.begin(), kinds.end(), attributes[f]) - kinds.begin());
        ++slots[rank[f] + 1];
    }
    std::partial_sum(slots.begin(), slots.end(), slots.begin());
    std::vector<DWORD> order(numFaces);
    for (DWORD f : byNeed) {
        order[slots[rank[f]]++] = f;
    }
    return order;
}

// Vertices that are one point with another (a texture or normal seam) stay
// put, so both sides of the seam keep meeting: those sharing a position and,
// with an adjacency, those it joins to another.
std::vector<bool> LockedVertices(const MeshArrays& arrays, const std::vector<D3DXVECTOR3>& positions,
                                 const std::vector<bool>& used, const DWORD* pAdjacency) {
    const DWORD numVertices = arrays.VertexCount();
    std::vector<bool> locked(numVertices, false);
    LockSharedPositions(positions, used, locked);
    if (pAdjacency != nullptr) {
        const std::vector<DWORD> reps = PointRepsFromAdjacency(arrays.m_indices, pAdjacency, numVertices);
        for (DWORD v = 0; v < numVertices; ++v) {
            if (used[v] && reps[v] != v) {
                locked[v] = true;
                locked[reps[v]] = true;
            }
        }
    }
    return locked;
}

// Progressive order: survivors in source order, then removed vertices, the
// last removed first. Fills the sequence's vertices, parents and band and
// returns each source vertex's place in the order.
std::vector<DWORD> OrderVertices(const MeshArrays& arrays, const std::vector<bool>& used,
                                 const std::vector<MeshSimplifier::Collapse>& collapses, D3DXPMesh::Sequence& seq) {
    const DWORD numVertices = arrays.VertexCount();
    std::vector<DWORD> newIndex(numVertices, 0xFFFFFFFF);
    std::vector<bool> removed(numVertices, false);
    for (const MeshSimplifier::Collapse& c : collapses) {
        removed[c.m_dwFrom] = true;
    }
    std::vector<DWORD> oldOf;
    for (DWORD v = 0; v < numVertices; ++v) {
        if (used[v] && !removed[v]) {
            newIndex[v] = static_cast<DWORD>(oldOf.size());
            oldOf.push_back(v);
        }
    }
    seq.m_dwMinVertices = static_cast<DWORD>(oldOf.size());
    for (size_t i = collapses.size(); i-- > 0;) {
        newIndex[collapses[i].m_dwFrom] = static_cast<DWORD>(oldOf.size());
        oldOf.push_back(collapses[i].m_dwFrom);
    }
    seq.m_dwMaxVertices = static_cast<DWORD>(oldOf.size());
    seq.m_parents.resize(oldOf.size());
    std::iota(seq.m_parents.begin(), seq.m_parents.begin() + seq.m_dwMinVertices, 0u);
    for (const MeshSimplifier::Collapse& c : collapses) {
        // A vertex collapses onto one the coarser levels still have.
        assert(newIndex[c.m_dwTo] < newIndex[c.m_dwFrom]);
        seq.m_parents[newIndex[c.m_dwFrom]] = newIndex[c.m_dwTo];
    }
    seq.m_vertices.resize(oldOf.size() * arrays.m_dwStride);
    for (size_t i = 0; i < oldOf.size(); ++i) {
        std::memcpy(&seq.m_vertices[i * arrays.m_dwStride], arrays.Vertex(oldOf[i]), arrays.m_dwStride);
    }
    return newIndex;
}

// Faces by attribute, then by the vertex whose removal ends them, in the
// progressive vertex order.
void OrderFaces(const MeshArrays& arrays, const std::vector<MeshSimplifier::Collapse>& collapses,
                const std::vector<DWORD>& faceDeaths, const std::vector<DWORD>& newIndex, D3DXPMesh::Sequence& seq) {
    const DWORD numFaces = arrays.FaceCount();
    std::vector<DWORD> needOf(numFaces, 0);
    for (DWORD f = 0; f < numFaces; ++f) {
        const DWORD death = faceDeaths[f];
        needOf[f] = death == MeshSimplifier::kSurvives ? 0 : newIndex[collapses[death].m_dwFrom];
    }
    const std::vector<DWORD> faceOrder = FaceOrder(arrays.m_attributes, needOf, seq.m_dwMaxVertices);
    seq.m_corners.reserve(3 * static_cast<size_t>(numFaces));
    seq.m_needs.reserve(numFaces);
    for (DWORD i = 0; i < numFaces; ++i) {
        const DWORD f = faceOrder[i];
        for (DWORD k = 0; k < 3; ++k) {
            seq.m_corners.push_back(newIndex[arrays.m_indices[3 * static_cast<size_t>(f) + k]]);
            assert(seq.m_corners.back() < seq.m_dwMaxVertices);
        }
        seq.m_needs.push_back(needOf[f]);
        if (seq.m_groups.empty() || seq.m_groups.back().m_dwAttribId != arrays.m_attributes[f]) {
            seq.m_groups.push_back(D3DXPMesh::Group{arrays.m_attributes[f], i, 0, 0});
        }
        ++seq.m_groups.back().m_dwFaceCount;
    }
}

}  // namespace

HRESULT D3DXPMesh::Create(Sequence&& sequence, DWORD options, IDirect3DDevice8* pDevice, D3DXPMesh** ppMesh) {
    if (ppMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppMesh = nullptr;
    if (pDevice == nullptr || sequence.m_dwMaxVertices == 0 || sequence.m_corners.empty()) {
        return D3DERR_INVALIDCALL;
    }
    if (sequence.m_dwMaxVertices > 0xFFFF) {
        options |= D3DXMESH_32BIT;
    }
    D3DXPMesh* mesh = new (std::nothrow) D3DXPMesh(pDevice, options & kOptionMask);
    if (mesh == nullptr) {
        return E_OUTOFMEMORY;
    }
    mesh->m_seq = std::move(sequence);
    mesh->m_layout.Decode(mesh->m_seq.m_dwFvf);
    mesh->m_dwBandMin = mesh->m_seq.m_dwMinVertices;
    mesh->m_dwBandMax = mesh->m_seq.m_dwMaxVertices;
    mesh->m_dwVertices = mesh->m_dwBandMax;
    HRESULT hr = mesh->CreateBuffers(nullptr);
    if (SUCCEEDED(hr)) {
        hr = mesh->RebuildIndices();
    }
    if (FAILED(hr)) {
        mesh->Release();
        return hr;
    }
    *ppMesh = mesh;
    return D3D_OK;
}

D3DXPMesh::D3DXPMesh(IDirect3DDevice8* pDevice, DWORD options)
    : m_pDevice(pDevice),
      m_dwOptions(options),
      m_pVB(nullptr),
      m_pIB(nullptr),
      m_dwBandMin(0),
      m_dwBandMax(0),
      m_dwVertices(0),
      m_dwLiveFaces(0),
      m_dwRebuilds(0) {
    m_pDevice->AddRef();
}

D3DXPMesh::~D3DXPMesh() {
    if (m_pIB != nullptr) {
        m_pIB->Release();
    }
    if (m_pVB != nullptr) {
        m_pVB->Release();
    }
    m_pDevice->Release();
}

HRESULT D3DXPMesh::CreateBuffers(IDirect3DVertexBuffer8* pSharedVB) {
    HRESULT hr = D3D_OK;
    if (pSharedVB != nullptr) {
        pSharedVB->AddRef();
        m_pVB = pSharedVB;
    } else {
        const UINT bytes = m_seq.m_dwMaxVertices * m_layout.Stride();
        hr = m_pDevice->CreateVertexBuffer(bytes, UsageOf(m_dwOptions, D3DXMESH_VB_WRITEONLY), m_seq.m_dwFvf,
                                           PoolOf(m_dwOptions, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED), &m_pVB);
        if (FAILED(hr)) {
            return hr;
        }
        BYTE* data = nullptr;
        hr = m_pVB->Lock(0, 0, &data, 0);
        if (FAILED(hr)) {
            return hr;
        }
        std::memcpy(data, m_seq.m_vertices.data(), bytes);
        m_pVB->Unlock();
    }
    const bool wide = (m_dwOptions & D3DXMESH_32BIT) != 0;
    return m_pDevice->CreateIndexBuffer(static_cast<UINT>(m_seq.m_corners.size()) * (wide ? 4 : 2),
                                        UsageOf(m_dwOptions, D3DXMESH_IB_WRITEONLY),
                                        wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                        PoolOf(m_dwOptions, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED), &m_pIB);
}

DWORD D3DXPMesh::Resolve(DWORD vertex, DWORD level) const {
    assert(vertex < m_seq.m_dwMaxVertices);
    while (vertex >= level) {
        // Each step goes to an earlier vertex, so the walk ends inside the level.
        assert(m_seq.m_parents[vertex] < vertex);
        vertex = m_seq.m_parents[vertex];
    }
    return vertex;
}

HRESULT D3DXPMesh::RebuildIndices() {
    BYTE* data = nullptr;
    const HRESULT hr = m_pIB->Lock(0, 0, &data, 0);
    if (FAILED(hr)) {
        return hr;
    }
    // The level never leaves the band, so no face the band keeps is dropped.
    assert(m_dwBandMin <= m_dwVertices && m_dwVertices <= m_dwBandMax);
    const bool wide = (m_dwOptions & D3DXMESH_32BIT) != 0;
    m_dwLiveFaces = 0;
    // The faces the level keeps, in their stored order, packed at the front of each group.
    for (Group& group : m_seq.m_groups) {
        DWORD slot = 3 * group.m_dwFaceStart;
        for (DWORD f = group.m_dwFaceStart; f < group.m_dwFaceStart + group.m_dwFaceCount; ++f) {
            if (m_seq.m_needs[f] >= m_dwVertices) {
                continue;
            }
            for (DWORD k = 0; k < 3; ++k, ++slot) {
                const DWORD index = Resolve(m_seq.m_corners[3 * static_cast<size_t>(f) + k], m_dwVertices);
                if (wide) {
                    std::memcpy(data + 4 * static_cast<size_t>(slot), &index, 4);
                } else {
                    const WORD narrow = static_cast<WORD>(index);
                    std::memcpy(data + 2 * static_cast<size_t>(slot), &narrow, 2);
                }
            }
        }
        group.m_dwLiveCount = slot / 3 - group.m_dwFaceStart;
        m_dwLiveFaces += group.m_dwLiveCount;
    }
    ++m_dwRebuilds;
    return m_pIB->Unlock();
}

HRESULT D3DXPMesh::DrawSubset(DWORD attribId) {
    for (const Group& group : m_seq.m_groups) {
        if (group.m_dwAttribId != attribId || group.m_dwLiveCount == 0) {
            continue;
        }
        HRESULT hr = m_pDevice->SetVertexShader(m_seq.m_dwFvf);
        if (SUCCEEDED(hr)) {
            hr = m_pDevice->SetStreamSource(0, m_pVB, m_layout.Stride());
        }
        if (SUCCEEDED(hr)) {
            hr = m_pDevice->SetIndices(m_pIB, 0);
        }
        if (SUCCEEDED(hr)) {
            hr = m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, m_dwVertices, group.m_dwFaceStart * 3,
                                                 group.m_dwLiveCount);
        }
        return hr;
    }
    return D3D_OK;
}

HRESULT D3DXPMesh::GetDevice(IDirect3DDevice8** ppDevice) {
    return GiveReference<IDirect3DDevice8>(m_pDevice, ppDevice);
}

HRESULT D3DXPMesh::GetVertexBuffer(IDirect3DVertexBuffer8** ppVB) {
    return GiveReference<IDirect3DVertexBuffer8>(m_pVB, ppVB);
}

HRESULT D3DXPMesh::GetIndexBuffer(IDirect3DIndexBuffer8** ppIB) {
    return GiveReference<IDirect3DIndexBuffer8>(m_pIB, ppIB);
}

HRESULT D3DXPMesh::LockVertexBuffer(DWORD flags, BYTE** ppData) {
    return m_pVB->Lock(0, 0, ppData, flags);
}

HRESULT D3DXPMesh::UnlockVertexBuffer() {
    return m_pVB->Unlock();
}

HRESULT D3DXPMesh::LockIndexBuffer(DWORD flags, BYTE** ppData) {
    return m_pIB->Lock(0, 0, ppData, flags);
}

HRESULT D3DXPMesh::UnlockIndexBuffer() {
    return m_pIB->Unlock();
}

HRESULT D3DXPMesh::GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) {
    DWORD count = 0;
    for (const Group& group : m_seq.m_groups) {
        if (group.m_dwLiveCount == 0) {
            continue;
        }
        if (pAttribTable != nullptr) {
            pAttribTable[count] =
                D3DXATTRIBUTERANGE{group.m_dwAttribId, group.m_dwFaceStart, group.m_dwLiveCount, 0, m_dwVertices};
        }
        ++count;
    }
    if (pAttribTableSize != nullptr) {
        *pAttribTableSize = count;
    }
    return D3D_OK;
}

HRESULT D3DXPMesh::GenerateAdjacency(float epsilon, DWORD* pAdjacency) {
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = CloneMeshFVF(m_dwOptions & D3DXMESH_32BIT ? D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT : D3DXMESH_SYSTEMMEM,
                              m_seq.m_dwFvf, m_pDevice, &mesh);
    if (FAILED(hr)) {
        return hr;
    }
    hr = mesh->GenerateAdjacency(epsilon, pAdjacency);
    mesh->Release();
    return hr;
}

HRESULT D3DXPMesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* pDevice, ID3DXMesh** ppCloneMesh) {
    if (ppCloneMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppCloneMesh = nullptr;
    VertexLayout target;
    if (pDevice == nullptr || !target.Decode(fvf) || (options & D3DXMESH_VB_SHARE) || m_dwLiveFaces == 0) {
        return D3DERR_INVALIDCALL;
    }
    // The current level as a plain mesh: its vertices and its live faces in order.
    MeshArrays arrays;
    arrays.m_dwFvf = fvf;
    arrays.m_layout = target;
    arrays.m_dwStride = target.Stride();
    try {
        arrays.m_vertices.resize(static_cast<size_t>(m_dwVertices) * target.Stride());
        for (DWORD v = 0; v < m_dwVertices; ++v) {
            VertexLayout::Convert(m_layout, &m_seq.m_vertices[static_cast<size_t>(v) * m_layout.Stride()], target,
                                  arrays.Vertex(v));
        }
        for (const Group& group : m_seq.m_groups) {
            for (DWORD f = group.m_dwFaceStart; f < group.m_dwFaceStart + group.m_dwFaceCount; ++f) {
                if (m_seq.m_needs[f] >= m_dwVertices) {
                    continue;
                }
                for (DWORD k = 0; k < 3; ++k) {
                    arrays.m_indices.push_back(Resolve(m_seq.m_corners[3 * static_cast<size_t>(f) + k], m_dwVertices));
                }
                arrays.m_attributes.push_back(group.m_dwAttribId);
            }
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXCreateMeshFVF(arrays.FaceCount(), m_dwVertices, options, fvf, pDevice, &mesh);
    if (SUCCEEDED(hr)) {
        hr = arrays.Write(mesh);
        if (FAILED(hr)) {
            mesh->Release();
            return hr;
        }
        *ppCloneMesh = mesh;
    }
    return hr;
}

HRESULT D3DXPMesh::ClonePMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* pDevice, ID3DXPMesh** ppCloneMesh) {
    if (ppCloneMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppCloneMesh = nullptr;
    VertexLayout target;
    if (pDevice == nullptr || !target.Decode(fvf)) {
        return D3DERR_INVALIDCALL;
    }
    const bool share = (options & D3DXMESH_VB_SHARE) != 0;
    if (share && (fvf != m_seq.m_dwFvf || pDevice != m_pDevice)) {
        return D3DERR_INVALIDCALL;
    }
    if (m_seq.m_dwMaxVertices > 0xFFFF) {
        options |= D3DXMESH_32BIT;
    }
    D3DXPMesh* clone = new (std::nothrow) D3DXPMesh(pDevice, options & kOptionMask);
    if (clone == nullptr) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = D3D_OK;
    try {
        clone->m_seq = m_seq;
        if (fvf != m_seq.m_dwFvf) {
            clone->m_seq.m_dwFvf = fvf;
            clone->m_seq.m_vertices.resize(static_cast<size_t>(m_seq.m_dwMaxVertices) * target.Stride());
            for (DWORD v = 0; v < m_seq.m_dwMaxVertices; ++v) {
                VertexLayout::Convert(m_layout, &m_seq.m_vertices[static_cast<size_t>(v) * m_layout.Stride()], target,
                                      &clone->m_seq.m_vertices[static_cast<size_t>(v) * target.Stride()]);
            }
        }
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr)) {
        clone->m_layout = target;
        clone->m_dwBandMin = m_dwBandMin;
        clone->m_dwBandMax = m_dwBandMax;
        clone->m_dwVertices = m_dwVertices;
        hr = clone->CreateBuffers(share ? m_pVB : nullptr);
    }
    if (SUCCEEDED(hr)) {
        hr = clone->RebuildIndices();
    }
    if (FAILED(hr)) {
        clone->Release();
        return hr;
    }
    *ppCloneMesh = clone;
    return D3D_OK;
}

HRESULT D3DXPMesh::SetNumVertices(DWORD vertices) {
    const DWORD level = std::clamp(vertices, m_dwBandMin, m_dwBandMax);
    if (level == m_dwVertices) {
        return D3D_OK;
    }
    m_dwVertices = level;
    return RebuildIndices();
}

HRESULT D3DXPMesh::TrimByVertices(DWORD newVerticesMin, DWORD newVerticesMax, DWORD* rgiFaceRemap,
                                  DWORD* rgiVertRemap) {
    const DWORD low = std::clamp(newVerticesMin, m_dwBandMin, m_dwBandMax);
    const DWORD high = std::clamp(newVerticesMax, m_dwBandMin, m_dwBandMax);
    if (low > high) {
        return D3DERR_INVALIDCALL;
    }
    m_dwBandMin = low;
    m_dwBandMax = high;
    // Faces and vertices keep their places: the remaps are the identity.
    if (rgiFaceRemap != nullptr) {
        std::iota(rgiFaceRemap, rgiFaceRemap + m_seq.m_needs.size(), 0u);
    }
    if (rgiVertRemap != nullptr) {
        std::iota(rgiVertRemap, rgiVertRemap + m_seq.m_dwMaxVertices, 0u);
    }
    const DWORD level = std::clamp(m_dwVertices, m_dwBandMin, m_dwBandMax);
    if (level == m_dwVertices) {
        return D3D_OK;
    }
    m_dwVertices = level;
    return RebuildIndices();
}

HRESULT D3DXPMesh::OptimizeBaseLOD(DWORD flags, DWORD* pFaceRemap) try {
    std::vector<DWORD> order(m_seq.m_needs.size());
    std::iota(order.begin(), order.end(), 0u);
    if (flags & (D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) {
        // Every level draws its faces in the stored order, so one order made
        // for the finest level of the band serves the coarser ones too.
        // Faces no level of the band draws go last.
        std::vector<DWORD> tris;
        std::vector<DWORD> sorted;
        for (const Group& group : m_seq.m_groups) {
            const DWORD first = group.m_dwFaceStart;
            const DWORD end = first + group.m_dwFaceCount;
            std::stable_partition(order.begin() + first, order.begin() + end,
                                  [this](DWORD f) { return m_seq.m_needs[f] < m_dwBandMax; });
            DWORD drawn = 0;
            while (drawn < group.m_dwFaceCount && m_seq.m_needs[order[first + drawn]] < m_dwBandMax) {
                ++drawn;
            }
            if (drawn < 2) {
                continue;
            }
            tris.resize(3 * static_cast<size_t>(drawn));
            std::multimap<std::array<DWORD, 3>, DWORD> faceOf;
            for (DWORD i = 0; i < drawn; ++i) {
                const DWORD f = order[first + i];
                std::array<DWORD, 3> tri{};
                for (DWORD k = 0; k < 3; ++k) {
                    tri[k] = Resolve(m_seq.m_corners[3 * static_cast<size_t>(f) + k], m_dwBandMax);
                    tris[3 * static_cast<size_t>(i) + k] = tri[k];
                }
                faceOf.emplace(tri, f);
            }
            sorted.resize(tris.size());
            meshopt_optimizeVertexCache(sorted.data(), tris.data(), tris.size(), m_dwBandMax);
            for (DWORD i = 0; i < drawn; ++i) {
                const std::array<DWORD, 3> tri = {sorted[3 * static_cast<size_t>(i)],
                                                  sorted[3 * static_cast<size_t>(i) + 1],
                                                  sorted[3 * static_cast<size_t>(i) + 2]};
                auto it = faceOf.find(tri);
                if (it == faceOf.end()) {
                    return E_FAIL;  // the optimiser turned a triangle
                }
                order[first + i] = it->second;
                faceOf.erase(it);
            }
        }
        std::vector<DWORD> corners(m_seq.m_corners.size());
        std::vector<DWORD> needs(m_seq.m_needs.size());
        for (size_t f = 0; f < order.size(); ++f) {
            std::copy_n(&m_seq.m_corners[3 * static_cast<size_t>(order[f])], 3, &corners[3 * f]);
            needs[f] = m_seq.m_needs[order[f]];
        }
        m_seq.m_corners.swap(corners);
        m_seq.m_needs.swap(needs);
    }
    if (pFaceRemap != nullptr) {
        std::copy(order.begin(), order.end(), pFaceRemap);
    }
    return RebuildIndices();
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;  // the stored order is swapped in whole or not at all
}

// The device is taken only after the last allocation, so memory running out leaks nothing.
HRESULT D3DXGeneratePMesh(ID3DXMesh* pMesh, const DWORD* pAdjacency,
                          const D3DXATTRIBUTEWEIGHTS* pVertexAttributeWeights, const float* pVertexWeights,
                          DWORD minValue, DWORD options, ID3DXPMesh** ppPMesh) try {
    if (ppPMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppPMesh = nullptr;
    if (pMesh == nullptr || options != D3DXMESHSIMP_VERTEX) {
        return D3DERR_INVALIDCALL;
    }
    if (pVertexAttributeWeights != nullptr || pVertexWeights != nullptr) {
        return E_NOTIMPL;
    }
    MeshArrays arrays;
    HRESULT hr = arrays.Read(pMesh);
    if (SUCCEEDED(hr)) {
        hr = arrays.ReadAttributes(pMesh);
    }
    if (FAILED(hr)) {
        return hr;
    }
    const DWORD numVertices = arrays.VertexCount();
    std::vector<D3DXVECTOR3> positions(numVertices);
    std::vector<bool> used(numVertices, false);
    for (DWORD v = 0; v < numVertices; ++v) {
        positions[v] = arrays.Position(v);
    }
    for (DWORD index : arrays.m_indices) {
        if (index >= numVertices) {
            return D3DXERR_INVALIDMESH;
        }
        used[index] = true;
    }
    const std::vector<bool> locked = LockedVertices(arrays, positions, used, pAdjacency);
    // The simplifier's working data goes before the sequence is built, which
    // then reuses that memory.
    std::vector<MeshSimplifier::Collapse> collapses;
    std::vector<DWORD> faceDeaths;
    {
        MeshSimplifier simplifier(positions, arrays.m_indices, arrays.m_attributes, locked);
        std::vector<D3DXVECTOR3>().swap(positions);  // the simplifier keeps its own copy
        simplifier.Run(minValue);
        collapses = simplifier.TakeCollapses();
        faceDeaths = simplifier.TakeFaceDeaths();
    }
    D3DXPMesh::Sequence seq;
    seq.m_dwFvf = arrays.m_dwFvf;
    const std::vector<DWORD> newIndex = OrderVertices(arrays, used, collapses, seq);
    OrderFaces(arrays, collapses, faceDeaths, newIndex, seq);
    IDirect3DDevice8* device = nullptr;
    hr = pMesh->GetDevice(&device);
    if (FAILED(hr)) {
        return hr;
    }
    D3DXPMesh* pmesh = nullptr;
    hr = D3DXPMesh::Create(std::move(seq), pMesh->GetOptions(), device, &pmesh);
    device->Release();
    *ppPMesh = pmesh;
    return hr;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}
