#include "gfxutil/MeshRepair.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <numeric>
#include <string>
#include <vector>

#include "gfxutil/D3DXMesh.h"
#include "gfxutil/MeshArrays.h"
#include "gfxutil/MeshTopology.h"

namespace {

constexpr DWORD kNoFace = 0xFFFFFFFF;

HRESULT AdjacencyOrGenerated(ID3DXBaseMesh* pMesh, const DWORD* pAdjacency, std::vector<DWORD>& out) {
    try {
        out.resize(3 * static_cast<size_t>(pMesh->GetNumFaces()));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (pAdjacency != nullptr) {
        std::copy(pAdjacency, pAdjacency + out.size(), out.begin());
        return D3D_OK;
    }
    return pMesh->GenerateAdjacency(0.0f, out.data());
}

HRESULT TextBuffer(const std::string& text, ID3DXBuffer** ppBuffer) {
    if (ppBuffer == nullptr) {
        return D3D_OK;
    }
    *ppBuffer = nullptr;
    const HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(text.size() + 1), ppBuffer);
    if (SUCCEEDED(hr)) {
        std::memcpy((*ppBuffer)->GetBufferPointer(), text.c_str(), text.size() + 1);
    }
    return hr;
}

bool Near(const BYTE* a, const BYTE* b, UINT floats, float epsilon) {
    for (UINT i = 0; i < floats; ++i) {
        float x = 0.0f;
        float y = 0.0f;
        std::memcpy(&x, a + 4 * i, 4);
        std::memcpy(&y, b + 4 * i, 4);
        if (!(std::fabs(x - y) <= epsilon)) {
            return false;
        }
    }
    return true;
}

bool Weldable(const VertexLayout& layout, const BYTE* a, const BYTE* b, const D3DXWELDEPSILONS& eps) {
    if (std::memcmp(a, b, 12) != 0 || !Near(a + 12, b + 12, layout.PositionFloats() - 3, 0.0f)) {
        return false;
    }
    const UINT weightsOffset = 4 * layout.PositionFloats();
    if (!Near(a + weightsOffset, b + weightsOffset, layout.WeightCount(), eps.SkinWeights)) {
        return false;
    }
    if (layout.HasNormal() && !Near(a + layout.NormalOffset(), b + layout.NormalOffset(), 3, eps.Normal)) {
        return false;
    }
    for (UINT offset : {layout.PSizeOffset(), layout.DiffuseOffset(), layout.SpecularOffset()}) {
        if (offset != VertexLayout::kNone && std::memcmp(a + offset, b + offset, 4) != 0) {
            return false;
        }
    }
    for (UINT set = 0; set < layout.TexSetCount(); ++set) {
        if (!Near(a + layout.TexOffset(set), b + layout.TexOffset(set), layout.TexFloats(set), eps.Tex[set])) {
            return false;
        }
    }
    return true;
}

}  // namespace

// Each of these allocates only before it creates or hands out anything, so memory
// running out becomes E_OUTOFMEMORY with nothing to release.
HRESULT D3DXCleanMesh(ID3DXMesh* pMeshIn, const DWORD* pAdjacencyIn, ID3DXMesh** ppMeshOut, DWORD* pAdjacencyOut,
                      ID3DXBuffer** ppErrorsAndWarnings) try {
    if (ppErrorsAndWarnings != nullptr) {
        *ppErrorsAndWarnings = nullptr;
    }
    if (pMeshIn == nullptr || ppMeshOut == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppMeshOut = nullptr;
    MeshArrays arrays;
    HRESULT hr = arrays.Read(pMeshIn);
    if (SUCCEEDED(hr)) {
        hr = arrays.ReadAttributes(pMeshIn);
    }
    std::vector<DWORD> adjacency;
    if (SUCCEEDED(hr)) {
        hr = AdjacencyOrGenerated(pMeshIn, pAdjacencyIn, adjacency);
    }
    if (FAILED(hr)) {
        return hr;
    }
    const DWORD numVertices = arrays.VertexCount();
    for (DWORD index : arrays.m_indices) {
        if (index >= numVertices) {
            return D3DXERR_INVALIDMESH;
        }
    }
    // Every fan after a vertex's first gets its own copy of the vertex.
    const std::vector<DWORD> fans = CornerFans(arrays.m_indices, adjacency);
    std::vector<DWORD> firstFan(numVertices, kNoFace);
    std::map<DWORD, DWORD> fanCopies;  // fan root -> new vertex
    std::string report;
    for (size_t corner = 0; corner < arrays.m_indices.size(); ++corner) {
        const DWORD v = arrays.m_indices[corner];
        if (firstFan[v] == kNoFace) {
            firstFan[v] = fans[corner];
            continue;
        }
        if (firstFan[v] == fans[corner]) {
            continue;
        }
        auto copy = fanCopies.find(fans[corner]);
        if (copy == fanCopies.end()) {
            const DWORD newVertex = arrays.VertexCount();
            arrays.m_vertices.insert(arrays.m_vertices.end(), arrays.Vertex(v), arrays.Vertex(v) + arrays.m_dwStride);
            copy = fanCopies.emplace(fans[corner], newVertex).first;
            report += "bowtie vertex " + std::to_string(v) + " split\n";
        }
        arrays.m_indices[corner] = copy->second;
    }
    DWORD options = pMeshIn->GetOptions();
    if (arrays.VertexCount() > 0xFFFF) {
        options |= D3DXMESH_32BIT;
    }
    IDirect3DDevice8* device = nullptr;
    hr = pMeshIn->GetDevice(&device);
    if (FAILED(hr)) {
        return hr;
    }
    ID3DXMesh* out = nullptr;
    hr = D3DXCreateMeshFVF(arrays.FaceCount(), arrays.VertexCount(), options, arrays.m_dwFvf, device, &out);
    device->Release();
    if (SUCCEEDED(hr)) {
        hr = arrays.Write(out);
    }
    if (SUCCEEDED(hr)) {
        hr = TextBuffer(report, ppErrorsAndWarnings);
    }
    if (FAILED(hr)) {
        if (out != nullptr) {
            out->Release();
        }
        return hr;
    }
    // Splitting a bow-tie changes no edge, so the adjacency stands.
    if (pAdjacencyOut != nullptr) {
        std::copy(adjacency.begin(), adjacency.end(), pAdjacencyOut);
    }
    *ppMeshOut = out;
    return D3D_OK;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}

HRESULT D3DXWeldVertices(ID3DXMesh* pMesh, const D3DXWELDEPSILONS* pEpsilons, const DWORD* pAdjacencyIn,
                         DWORD* pAdjacencyOut, DWORD* pFaceRemap, ID3DXBuffer** ppVertexRemap) try {
    if (ppVertexRemap != nullptr) {
        *ppVertexRemap = nullptr;
    }
    const D3DXWELDEPSILONS zero{};
    const D3DXWELDEPSILONS& eps = pEpsilons != nullptr ? *pEpsilons : zero;
    if (pMesh == nullptr || eps.Flags != 0) {
        return D3DERR_INVALIDCALL;
    }
    MeshArrays arrays;
    HRESULT hr = arrays.Read(pMesh);
    std::vector<DWORD> adjacency;
    if (SUCCEEDED(hr) && pAdjacencyOut != nullptr) {
        hr = AdjacencyOrGenerated(pMesh, pAdjacencyIn, adjacency);
    }
    if (FAILED(hr)) {
        return hr;
    }
    const DWORD numVertices = arrays.VertexCount();
    // Candidates share a position: sorted by position bytes, equals are neighbours.
    std::vector<DWORD> order(numVertices);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](DWORD a, DWORD b) {
        const int c = std::memcmp(arrays.Vertex(a), arrays.Vertex(b), 12);
        return c < 0 || (c == 0 && a < b);
    });
    std::vector<DWORD> remap(numVertices);
    std::iota(remap.begin(), remap.end(), 0u);
    for (size_t start = 0; start < order.size();) {
        size_t end = start + 1;
        while (end < order.size() && std::memcmp(arrays.Vertex(order[start]), arrays.Vertex(order[end]), 12) == 0) {
            ++end;
        }
        // Within one position, each vertex joins the lowest earlier vertex it matches.
        for (size_t i = start; i < end; ++i) {
            for (size_t j = start; j < i; ++j) {
                const DWORD kept = order[j];
                if (remap[kept] == kept &&
                    Weldable(arrays.m_layout, arrays.Vertex(kept), arrays.Vertex(order[i]), eps)) {
                    remap[order[i]] = kept;
                    break;
                }
            }
        }
        start = end;
    }
    for (DWORD& index : arrays.m_indices) {
        if (index < numVertices) {
            index = remap[index];
        }
    }
    hr = arrays.WriteIndices(pMesh);
    if (FAILED(hr)) {
        return hr;
    }
    if (pAdjacencyOut != nullptr) {
        std::copy(adjacency.begin(), adjacency.end(), pAdjacencyOut);
    }
    if (pFaceRemap != nullptr) {
        std::iota(pFaceRemap, pFaceRemap + arrays.FaceCount(), 0u);
    }
    if (ppVertexRemap != nullptr) {
        hr = D3DXCreateBuffer(numVertices * sizeof(DWORD), ppVertexRemap);
        if (FAILED(hr)) {
            return hr;
        }
        std::memcpy((*ppVertexRemap)->GetBufferPointer(), remap.data(), remap.size() * sizeof(DWORD));
    }
    return D3D_OK;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}

HRESULT D3DXValidMesh(ID3DXMesh* pMeshIn, const DWORD* pAdjacency, ID3DXBuffer** ppErrorsAndWarnings) try {
    if (ppErrorsAndWarnings != nullptr) {
        *ppErrorsAndWarnings = nullptr;
    }
    if (pMeshIn == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    MeshArrays arrays;
    HRESULT hr = arrays.Read(pMeshIn);
    std::vector<DWORD> adjacency;
    if (SUCCEEDED(hr)) {
        hr = AdjacencyOrGenerated(pMeshIn, pAdjacency, adjacency);
    }
    if (FAILED(hr)) {
        return hr;
    }
    const DWORD numFaces = arrays.FaceCount();
    const DWORD numVertices = arrays.VertexCount();
    std::string report;
    std::map<std::array<DWORD, 3>, DWORD> seen;
    bool indicesValid = true;
    for (DWORD f = 0; f < numFaces; ++f) {
        std::array<DWORD, 3> tri = {arrays.m_indices[3 * f], arrays.m_indices[3 * f + 1], arrays.m_indices[3 * f + 2]};
        if (tri[0] >= numVertices || tri[1] >= numVertices || tri[2] >= numVertices) {
            report += "face " + std::to_string(f) + " has an index out of range\n";
            indicesValid = false;
            continue;
        }
        if (tri[0] == tri[1] || tri[1] == tri[2] || tri[2] == tri[0]) {
            report += "face " + std::to_string(f) + " is degenerate\n";
        }
        std::sort(tri.begin(), tri.end());
        const auto [it, fresh] = seen.emplace(tri, f);
        if (!fresh) {
            report += "face " + std::to_string(f) + " repeats face " + std::to_string(it->second) + "\n";
        }
        for (DWORD e = 0; e < 3; ++e) {
            const DWORD g = adjacency[3 * f + e];
            if (g == kNoFace) {
                continue;
            }
            if (g >= numFaces || g == f) {
                report += "face " + std::to_string(f) + " has an invalid neighbour\n";
            } else if (adjacency[3 * g] != f && adjacency[3 * g + 1] != f && adjacency[3 * g + 2] != f) {
                report += "face " + std::to_string(f) + " names face " + std::to_string(g) +
                          " as neighbour but not the other way\n";
            }
        }
    }
    if (indicesValid) {
        const std::vector<DWORD> fans = CornerFans(arrays.m_indices, adjacency);
        std::vector<DWORD> firstFan(numVertices, kNoFace);
        std::vector<bool> reported(numVertices, false);
        for (size_t corner = 0; corner < arrays.m_indices.size(); ++corner) {
            const DWORD v = arrays.m_indices[corner];
            if (firstFan[v] == kNoFace) {
                firstFan[v] = fans[corner];
            } else if (firstFan[v] != fans[corner] && !reported[v]) {
                reported[v] = true;
                report += "vertex " + std::to_string(v) + " is a bowtie\n";
            }
        }
    }
    hr = TextBuffer(report, ppErrorsAndWarnings);
    if (FAILED(hr)) {
        return hr;
    }
    return report.empty() ? D3D_OK : D3DXERR_INVALIDMESH;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}

HRESULT D3DXComputeNormals(ID3DXBaseMesh* pMesh, const DWORD* pAdjacency) try {
    if (pMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    MeshArrays arrays;
    HRESULT hr = arrays.Read(pMesh);
    if (FAILED(hr)) {
        return hr;
    }
    if (!arrays.m_layout.HasNormal()) {
        return D3DERR_INVALIDCALL;
    }
    const DWORD numVertices = arrays.VertexCount();
    // Vertices joined by the adjacency at one position share one sum.
    std::vector<DWORD> group(numVertices);
    std::iota(group.begin(), group.end(), 0u);
    if (pAdjacency != nullptr) {
        const std::vector<DWORD> pointReps = PointRepsFromAdjacency(arrays.m_indices, pAdjacency, numVertices);
        group = pointReps;
    }
    std::vector<D3DXVECTOR3> sums(numVertices, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    for (DWORD f = 0; f < arrays.FaceCount(); ++f) {
        const DWORD* tri = &arrays.m_indices[3 * static_cast<size_t>(f)];
        if (tri[0] >= numVertices || tri[1] >= numVertices || tri[2] >= numVertices) {
            return D3DXERR_INVALIDMESH;
        }
        const D3DXVECTOR3 p[3] = {arrays.Position(tri[0]), arrays.Position(tri[1]), arrays.Position(tri[2])};
        D3DXVECTOR3 e1;
        D3DXVECTOR3 e2;
        D3DXVECTOR3 n;
        D3DXVec3Subtract(&e1, &p[1], &p[0]);
        D3DXVec3Subtract(&e2, &p[2], &p[0]);
        D3DXVec3Cross(&n, &e1, &e2);
        if (D3DXVec3LengthSq(&n) == 0.0f) {
            continue;
        }
        D3DXVec3Normalize(&n, &n);
        for (int k = 0; k < 3; ++k) {
            D3DXVECTOR3 a;
            D3DXVECTOR3 b;
            D3DXVec3Subtract(&a, &p[(k + 1) % 3], &p[k]);
            D3DXVec3Subtract(&b, &p[(k + 2) % 3], &p[k]);
            const float la = D3DXVec3Length(&a);
            const float lb = D3DXVec3Length(&b);
            if (la == 0.0f || lb == 0.0f) {
                continue;
            }
            const float cosine = std::clamp(D3DXVec3Dot(&a, &b) / (la * lb), -1.0f, 1.0f);
            D3DXVECTOR3 weighted;
            D3DXVec3Scale(&weighted, &n, std::acos(cosine));
            sums[group[tri[k]]] += weighted;
        }
    }
    BYTE* data = nullptr;
    hr = pMesh->LockVertexBuffer(0, &data);
    if (FAILED(hr)) {
        return hr;
    }
    for (DWORD v = 0; v < numVertices; ++v) {
        D3DXVECTOR3 n = sums[group[v]];
        if (D3DXVec3LengthSq(&n) > 0.0f) {
            D3DXVec3Normalize(&n, &n);
        }
        std::memcpy(data + static_cast<size_t>(v) * arrays.m_dwStride + arrays.m_layout.NormalOffset(), &n, 12);
    }
    return pMesh->UnlockVertexBuffer();
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}
