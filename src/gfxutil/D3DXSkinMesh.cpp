#include "gfxutil/D3DXSkinMesh.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <set>
#include <utility>

#include "gfxutil/CreateXofMesh.h"

D3DXSkinMesh* D3DXSkinMesh::Create(ID3DXMesh* pMesh, std::vector<Influences> bones) {
    return new (std::nothrow) D3DXSkinMesh(pMesh, std::move(bones));
}

D3DXSkinMesh::D3DXSkinMesh(ID3DXMesh* pMesh, std::vector<Influences> bones)
    : m_pMesh(pMesh), m_bones(std::move(bones)) {
    m_pMesh->AddRef();
}

D3DXSkinMesh::~D3DXSkinMesh() {
    m_pMesh->Release();
}

HRESULT D3DXSkinMesh::GetDevice(IDirect3DDevice8** ppDevice) {
    return m_pMesh->GetDevice(ppDevice);
}

HRESULT D3DXSkinMesh::GetMaxVertexInfluences(DWORD* pMaxVertexInfluences) try {
    if (pMaxVertexInfluences == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    std::vector<DWORD> perVertex(m_pMesh->GetNumVertices(), 0);
    for (const Influences& bone : m_bones) {
        for (size_t i = 0; i < bone.m_vertices.size(); ++i) {
            if (bone.m_weights[i] != 0.0f) {
                ++perVertex[bone.m_vertices[i]];
            }
        }
    }
    *pMaxVertexInfluences = perVertex.empty() ? 0 : *std::max_element(perVertex.begin(), perVertex.end());
    return D3D_OK;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}

HRESULT D3DXSkinMesh::GetMaxFaceInfluences(DWORD* pMaxFaceInfluences) try {
    if (pMaxFaceInfluences == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    // Bones with weight on each vertex; exporters write zero weights, which move nothing.
    std::vector<std::vector<DWORD>> bonesOfVertex(m_pMesh->GetNumVertices());
    for (DWORD b = 0; b < m_bones.size(); ++b) {
        for (size_t i = 0; i < m_bones[b].m_vertices.size(); ++i) {
            if (m_bones[b].m_weights[i] != 0.0f) {
                bonesOfVertex[m_bones[b].m_vertices[i]].push_back(b);
            }
        }
    }
    // The corners are copied out first, so nothing stays locked should memory run out.
    std::vector<DWORD> corners(3 * static_cast<size_t>(m_pMesh->GetNumFaces()));
    BYTE* data = nullptr;
    const HRESULT hr = m_pMesh->LockIndexBuffer(D3DLOCK_READONLY, &data);
    if (FAILED(hr)) {
        return hr;
    }
    const bool wide = (m_pMesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (size_t i = 0; i < corners.size(); ++i) {
        if (wide) {
            std::memcpy(&corners[i], data + 4 * i, 4);
        } else {
            WORD narrow = 0;
            std::memcpy(&narrow, data + 2 * i, 2);
            corners[i] = narrow;
        }
    }
    m_pMesh->UnlockIndexBuffer();
    DWORD most = 0;
    std::set<DWORD> bones;
    for (size_t f = 0; f < corners.size() / 3; ++f) {
        bones.clear();
        for (size_t c = 0; c < 3; ++c) {
            const DWORD index = corners[3 * f + c];
            if (index < bonesOfVertex.size()) {
                bones.insert(bonesOfVertex[index].begin(), bonesOfVertex[index].end());
            }
        }
        most = std::max(most, static_cast<DWORD>(bones.size()));
    }
    *pMaxFaceInfluences = most;
    return D3D_OK;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}

DWORD D3DXSkinMesh::GetNumBoneInfluences(DWORD bone) {
    return bone < m_bones.size() ? static_cast<DWORD>(m_bones[bone].m_vertices.size()) : 0;
}

HRESULT D3DXSkinMesh::GetBoneInfluence(DWORD bone, DWORD* pVertices, float* pWeights) {
    if (bone >= m_bones.size() || pVertices == nullptr || pWeights == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    std::copy(m_bones[bone].m_vertices.begin(), m_bones[bone].m_vertices.end(), pVertices);
    std::copy(m_bones[bone].m_weights.begin(), m_bones[bone].m_weights.end(), pWeights);
    return D3D_OK;
}

HRESULT D3DXSkinMesh::GetOriginalMesh(ID3DXMesh** ppMesh) {
    if (ppMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    m_pMesh->AddRef();
    *ppMesh = m_pMesh;
    return D3D_OK;
}

namespace {

// Bone names as char* records followed by the names themselves, all in one buffer.
HRESULT BuildNames(const std::vector<XofMeshData::Bone>& bones, ID3DXBuffer** out) {
    ULONGLONG bytes = static_cast<ULONGLONG>(bones.size()) * sizeof(char*);
    for (const XofMeshData::Bone& bone : bones) {
        bytes += bone.m_szName.size() + 1;
    }
    if (bytes > 0xFFFFFFFF) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(bytes), out);
    if (FAILED(hr)) {
        return hr;
    }
    BYTE* base = static_cast<BYTE*>((*out)->GetBufferPointer());
    char* text = reinterpret_cast<char*>(base + bones.size() * sizeof(char*));
    for (size_t i = 0; i < bones.size(); ++i) {
        std::memcpy(text, bones[i].m_szName.c_str(), bones[i].m_szName.size() + 1);
        std::memcpy(base + i * sizeof(char*), &text, sizeof(char*));
        text += bones[i].m_szName.size() + 1;
    }
    return D3D_OK;
}

HRESULT BuildOffsets(const std::vector<XofMeshData::Bone>& bones, ID3DXBuffer** out) {
    const ULONGLONG bytes = static_cast<ULONGLONG>(bones.size()) * sizeof(D3DXMATRIX);
    if (bytes > 0xFFFFFFFF) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(bytes), out);
    if (FAILED(hr)) {
        return hr;
    }
    D3DXMATRIX* matrices = static_cast<D3DXMATRIX*>((*out)->GetBufferPointer());
    for (size_t i = 0; i < bones.size(); ++i) {
        matrices[i] = bones[i].m_offset;
    }
    return D3D_OK;
}

// The vertices made from each file position, as runs of one list: the vertices
// of position p are vertices[first[p] .. first[p + 1]).
struct VerticesOfPositions {
    std::vector<DWORD> first;
    std::vector<DWORD> vertices;
};

VerticesOfPositions GroupVertices(const XofMeshData& data) {
    VerticesOfPositions out;
    DWORD positions = 0;
    for (DWORD position : data.m_sourceVertex) {
        positions = std::max(positions, position + 1);
    }
    out.first.assign(static_cast<size_t>(positions) + 1, 0);
    for (DWORD position : data.m_sourceVertex) {
        ++out.first[position + 1];
    }
    for (size_t p = 1; p < out.first.size(); ++p) {
        out.first[p] += out.first[p - 1];
    }
    out.vertices.resize(data.m_sourceVertex.size());
    std::vector<DWORD> next(out.first.begin(), out.first.end() - 1);
    for (DWORD v = 0; v < data.m_sourceVertex.size(); ++v) {
        out.vertices[next[data.m_sourceVertex[v]]++] = v;
    }
    return out;
}

DWORD VertexCountOf(const VerticesOfPositions& groups, DWORD position) {
    return position + 1 < groups.first.size() ? groups.first[position + 1] - groups.first[position] : 0;
}

// A bone's file positions, carried to every vertex made from each of them.
D3DXSkinMesh::Influences ExpandBone(const VerticesOfPositions& groups, const XofMeshData::Bone& bone) {
    D3DXSkinMesh::Influences out;
    for (size_t i = 0; i < bone.m_positions.size(); ++i) {
        const DWORD position = bone.m_positions[i];
        for (DWORD k = 0; k < VertexCountOf(groups, position); ++k) {
            out.m_vertices.push_back(groups.vertices[groups.first[position] + k]);
            out.m_weights.push_back(bone.m_weights[i]);
        }
    }
    return out;
}

// A weight reaches as many vertices as normals split its position into, so many
// bones on one much split position multiply. Honest files stay far below this:
// a few vertices a weight on the whole, and a few bones on each vertex even
// where positions split far (the tip of a cone). Beyond it the file is refused
// before its influences are written out one by one.
constexpr ULONGLONG kVerticesPerWeight = 16;
constexpr ULONGLONG kBonesPerVertex = 4;

bool InfluencesFit(const VerticesOfPositions& groups, const std::vector<XofMeshData::Bone>& bones) {
    ULONGLONG weights = 0;
    ULONGLONG influences = 0;
    for (const XofMeshData::Bone& bone : bones) {
        weights += bone.m_positions.size();
        for (DWORD position : bone.m_positions) {
            influences += VertexCountOf(groups, position);
        }
    }
    return influences <= kVerticesPerWeight * weights + kBonesPerVertex * groups.vertices.size();
}

void ReleaseAndClear(ID3DXBuffer** buffer) {
    if (buffer != nullptr && *buffer != nullptr) {
        (*buffer)->Release();
        *buffer = nullptr;
    }
}

}  // namespace

HRESULT D3DXLoadSkinMeshFromXof(IDirectXFileData* pXofObjMesh, DWORD options, IDirect3DDevice8* pDevice,
                                ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials, DWORD* pNumMaterials,
                                ID3DXBuffer** ppBoneNames, ID3DXBuffer** ppBoneTransforms, ID3DXSkinMesh** ppSkinMesh) {
    if (ppSkinMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppSkinMesh = nullptr;
    for (ID3DXBuffer** out : {ppAdjacency, ppMaterials, ppBoneNames, ppBoneTransforms}) {
        if (out != nullptr) {
            *out = nullptr;
        }
    }
    if (pNumMaterials != nullptr) {
        *pNumMaterials = 0;
    }
    const GUID* type = nullptr;
    if (pXofObjMesh == nullptr || pDevice == nullptr || FAILED(pXofObjMesh->GetType(&type)) || type == nullptr ||
        *type != TID_D3DRMMesh) {
        return D3DERR_INVALIDCALL;
    }
    XofMeshData data(true);
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = E_OUTOFMEMORY;
    try {
        hr = data.Read(pXofObjMesh);
        if (SUCCEEDED(hr)) {
            hr = CreateXofMesh(data, options, pDevice, &mesh, ppAdjacency, ppMaterials, pNumMaterials);
        }
        std::vector<D3DXSkinMesh::Influences> bones;
        if (SUCCEEDED(hr) && !data.m_bones.empty()) {
            const VerticesOfPositions groups = GroupVertices(data);
            if (!InfluencesFit(groups, data.m_bones)) {
                hr = D3DXERR_INVALIDDATA;
            }
            for (size_t b = 0; SUCCEEDED(hr) && b < data.m_bones.size(); ++b) {
                bones.push_back(ExpandBone(groups, data.m_bones[b]));
            }
        }
        if (SUCCEEDED(hr) && ppBoneNames != nullptr) {
            hr = BuildNames(data.m_bones, ppBoneNames);
        }
        if (SUCCEEDED(hr) && ppBoneTransforms != nullptr) {
            hr = BuildOffsets(data.m_bones, ppBoneTransforms);
        }
        if (SUCCEEDED(hr)) {
            *ppSkinMesh = D3DXSkinMesh::Create(mesh, std::move(bones));
            hr = *ppSkinMesh != nullptr ? D3D_OK : E_OUTOFMEMORY;
        }
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (mesh != nullptr) {
        mesh->Release();  // the skin mesh holds its own reference
    }
    if (FAILED(hr)) {
        for (ID3DXBuffer** out : {ppAdjacency, ppMaterials, ppBoneNames, ppBoneTransforms}) {
            ReleaseAndClear(out);
        }
        if (pNumMaterials != nullptr) {
            *pNumMaterials = 0;
        }
    }
    return hr;
}
