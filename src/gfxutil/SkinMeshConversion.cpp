#include "gfxutil/SkinMeshConversion.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>
#include <vector>

#include "gfxutil/D3DXMesh.h"
#include "gfxutil/MeshArrays.h"

namespace {

constexpr DWORD kUnused = 0xFFFFFFFF;
constexpr DWORD kMaxInfluences = 4;

struct Influence {
    DWORD m_dwBone;
    float m_fWeight;
};

struct Subset {
    DWORD m_dwAttribute;
    std::vector<DWORD> m_bones;  // palette slot -> bone
    std::vector<DWORD> m_faces;  // source faces
};

}  // namespace

// Everything that allocates comes before the device is taken and the mesh made,
// so memory running out becomes E_OUTOFMEMORY with nothing to release.
HRESULT ConvertSkinToIndexedBlendedMesh(ID3DXSkinMesh* pSkin, DWORD options, const DWORD* pAdjacencyIn,
                                        DWORD paletteSize, DWORD* pAdjacencyOut, DWORD* pNumBoneCombinations,
                                        ID3DXBuffer** ppBoneCombinationTable, DWORD* pFaceRemap,
                                        ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppMesh) try {
    if (ppMesh != nullptr) {
        *ppMesh = nullptr;
    }
    if (ppBoneCombinationTable != nullptr) {
        *ppBoneCombinationTable = nullptr;
    }
    if (ppVertexRemap != nullptr) {
        *ppVertexRemap = nullptr;
    }
    if (pSkin == nullptr || ppMesh == nullptr || paletteSize == 0) {
        return D3DERR_INVALIDCALL;
    }
    ID3DXMesh* original = nullptr;
    HRESULT hr = pSkin->GetOriginalMesh(&original);
    if (FAILED(hr)) {
        return hr;
    }
    MeshArrays source;
    hr = source.Read(original);
    if (SUCCEEDED(hr)) {
        hr = source.ReadAttributes(original);
    }
    original->Release();
    if (FAILED(hr)) {
        return hr;
    }
    const DWORD numVertices = source.VertexCount();
    const DWORD numFaces = source.FaceCount();

    // Each vertex's four strongest influences, summing to one.
    std::vector<std::vector<Influence>> influences(numVertices);
    for (DWORD bone = 0; bone < pSkin->GetNumBones(); ++bone) {
        const DWORD count = pSkin->GetNumBoneInfluences(bone);
        std::vector<DWORD> vertices(count);
        std::vector<float> weights(count);
        if (count > 0 && FAILED(hr = pSkin->GetBoneInfluence(bone, vertices.data(), weights.data()))) {
            return hr;
        }
        for (DWORD i = 0; i < count; ++i) {
            if (vertices[i] < numVertices && weights[i] > 0.0f) {
                influences[vertices[i]].push_back(Influence{bone, weights[i]});
            }
        }
    }
    DWORD maxInfluences = 1;
    for (std::vector<Influence>& list : influences) {
        std::stable_sort(list.begin(), list.end(),
                         [](const Influence& a, const Influence& b) { return a.m_fWeight > b.m_fWeight; });
        if (list.size() > kMaxInfluences) {
            list.resize(kMaxInfluences);
        }
        if (list.empty()) {
            list.push_back(Influence{0, 1.0f});
        }
        float sum = 0.0f;
        for (const Influence& influence : list) {
            sum += influence.m_fWeight;
        }
        for (Influence& influence : list) {
            influence.m_fWeight /= sum;
        }
        maxInfluences = std::max(maxInfluences, static_cast<DWORD>(list.size()));
    }

    // Faces by attribute, each run cut into subsets whose bones fit the palette.
    std::vector<DWORD> faceOrder(numFaces);
    std::iota(faceOrder.begin(), faceOrder.end(), 0u);
    std::stable_sort(faceOrder.begin(), faceOrder.end(),
                     [&](DWORD a, DWORD b) { return source.m_attributes[a] < source.m_attributes[b]; });
    std::vector<Subset> subsets;
    std::vector<DWORD> faceBones;
    for (DWORD f : faceOrder) {
        faceBones.clear();
        for (DWORD k = 0; k < 3; ++k) {
            const DWORD v = source.m_indices[3 * static_cast<size_t>(f) + k];
            if (v >= numVertices) {
                return D3DXERR_INVALIDMESH;
            }
            for (const Influence& influence : influences[v]) {
                if (std::find(faceBones.begin(), faceBones.end(), influence.m_dwBone) == faceBones.end()) {
                    faceBones.push_back(influence.m_dwBone);
                }
            }
        }
        if (faceBones.size() > paletteSize) {
            return D3DERR_INVALIDCALL;
        }
        bool fits = !subsets.empty() && subsets.back().m_dwAttribute == source.m_attributes[f];
        if (fits) {
            size_t added = 0;
            for (DWORD bone : faceBones) {
                const std::vector<DWORD>& bones = subsets.back().m_bones;
                added += std::find(bones.begin(), bones.end(), bone) == bones.end() ? 1 : 0;
            }
            fits = subsets.back().m_bones.size() + added <= paletteSize;
        }
        if (!fits) {
            subsets.push_back(Subset{source.m_attributes[f], {}, {}});
        }
        Subset& subset = subsets.back();
        for (DWORD bone : faceBones) {
            if (std::find(subset.m_bones.begin(), subset.m_bones.end(), bone) == subset.m_bones.end()) {
                subset.m_bones.push_back(bone);
            }
        }
        subset.m_faces.push_back(f);
    }

    // Output vertices: each subset repeats the vertices it uses, with palette slots.
    const DWORD fvf = (source.m_dwFvf & ~D3DFVF_POSITION_MASK) | (4 + 2 * maxInfluences) | D3DFVF_LASTBETA_UBYTE4;
    VertexLayout out;
    if (!out.Decode(fvf)) {
        return D3DERR_INVALIDCALL;
    }
    MeshArrays result;
    result.m_dwFvf = fvf;
    result.m_layout = out;
    result.m_dwStride = out.Stride();
    std::vector<DWORD> vertexRemap;
    std::vector<DWORD> newFaceToOld;
    std::vector<BYTE> converted(out.Stride());
    std::vector<D3DXBONECOMBINATION> table;
    std::vector<DWORD> newOfOld(numVertices, kUnused);
    for (DWORD s = 0; s < subsets.size(); ++s) {
        const Subset& subset = subsets[s];
        const DWORD vertexStart = static_cast<DWORD>(vertexRemap.size());
        const DWORD faceStart = static_cast<DWORD>(newFaceToOld.size());
        std::fill(newOfOld.begin(), newOfOld.end(), kUnused);
        for (DWORD f : subset.m_faces) {
            for (DWORD k = 0; k < 3; ++k) {
                const DWORD v = source.m_indices[3 * static_cast<size_t>(f) + k];
                if (newOfOld[v] == kUnused) {
                    newOfOld[v] = static_cast<DWORD>(vertexRemap.size());
                    vertexRemap.push_back(v);
                    VertexLayout::Convert(source.m_layout, source.Vertex(v), out, converted.data());
                    // n - 1 weights, then the packed slots; unused influences weigh 0 at slot 0.
                    float weights[kMaxInfluences] = {};
                    BYTE slots[kMaxInfluences] = {};
                    for (size_t i = 0; i < influences[v].size(); ++i) {
                        const auto slot =
                            std::find(subset.m_bones.begin(), subset.m_bones.end(), influences[v][i].m_dwBone);
                        weights[i] = influences[v][i].m_fWeight;
                        slots[i] = static_cast<BYTE>(slot - subset.m_bones.begin());
                    }
                    std::memcpy(converted.data() + 12, weights, 4 * (maxInfluences - 1));
                    std::memcpy(converted.data() + 12 + 4 * (maxInfluences - 1), slots, 4);
                    result.m_vertices.insert(result.m_vertices.end(), converted.begin(), converted.end());
                }
                result.m_indices.push_back(newOfOld[v]);
            }
            result.m_attributes.push_back(s);
            newFaceToOld.push_back(f);
        }
        table.push_back(D3DXBONECOMBINATION{subset.m_dwAttribute, faceStart, static_cast<DWORD>(subset.m_faces.size()),
                                            vertexStart, static_cast<DWORD>(vertexRemap.size()) - vertexStart,
                                            nullptr});
    }

    DWORD meshOptions = options & 0x00FFFFFF;
    if (vertexRemap.size() > 0xFFFF) {
        meshOptions |= D3DXMESH_32BIT;
    }
    // Buffer sizes in 64 bits: one a DWORD cannot measure is refused, never cut short.
    const ULONGLONG tableBytes = static_cast<ULONGLONG>(table.size()) * sizeof(D3DXBONECOMBINATION);
    const ULONGLONG idBytes = static_cast<ULONGLONG>(table.size()) * paletteSize * sizeof(DWORD);
    if (vertexRemap.size() > 0xFFFFFFFF / sizeof(DWORD) || tableBytes + idBytes > 0xFFFFFFFF) {
        return E_OUTOFMEMORY;
    }
    // A copy of the input adjacency, which may be the output too.
    std::vector<DWORD> adjacency;
    std::vector<DWORD> oldToNew;
    if (pAdjacencyOut != nullptr && pAdjacencyIn != nullptr) {
        adjacency.assign(pAdjacencyIn, pAdjacencyIn + 3 * static_cast<size_t>(numFaces));
        oldToNew.resize(numFaces);
        for (DWORD f = 0; f < numFaces; ++f) {
            oldToNew[newFaceToOld[f]] = f;
        }
    }
    IDirect3DDevice8* device = nullptr;
    hr = pSkin->GetDevice(&device);
    if (FAILED(hr)) {
        return hr;
    }
    ID3DXMesh* mesh = nullptr;
    hr = D3DXCreateMeshFVF(numFaces, static_cast<DWORD>(vertexRemap.size()), meshOptions, fvf, device, &mesh);
    device->Release();
    if (SUCCEEDED(hr)) {
        hr = result.Write(mesh);
    }
    ID3DXBuffer* combinations = nullptr;
    if (SUCCEEDED(hr) && ppBoneCombinationTable != nullptr) {
        hr = D3DXCreateBuffer(static_cast<DWORD>(tableBytes + idBytes), &combinations);
        if (SUCCEEDED(hr)) {
            BYTE* base = static_cast<BYTE*>(combinations->GetBufferPointer());
            auto* entries = reinterpret_cast<D3DXBONECOMBINATION*>(base);
            auto* ids = reinterpret_cast<DWORD*>(base + tableBytes);
            for (size_t s = 0; s < table.size(); ++s) {
                entries[s] = table[s];
                entries[s].BoneId = ids + s * paletteSize;
                std::fill(entries[s].BoneId, entries[s].BoneId + paletteSize, kUnused);
                std::copy(subsets[s].m_bones.begin(), subsets[s].m_bones.end(), entries[s].BoneId);
            }
        }
    }
    if (SUCCEEDED(hr) && ppVertexRemap != nullptr) {
        hr = D3DXCreateBuffer(static_cast<DWORD>(vertexRemap.size() * sizeof(DWORD)), ppVertexRemap);
        if (SUCCEEDED(hr)) {
            std::memcpy((*ppVertexRemap)->GetBufferPointer(), vertexRemap.data(), vertexRemap.size() * sizeof(DWORD));
        }
    }
    if (FAILED(hr)) {
        if (mesh != nullptr) {
            mesh->Release();
        }
        if (combinations != nullptr) {
            combinations->Release();
        }
        return hr;
    }
    if (pAdjacencyOut != nullptr) {
        if (pAdjacencyIn == nullptr) {
            hr = mesh->GenerateAdjacency(0.0f, pAdjacencyOut);  // of the new faces already
            if (FAILED(hr)) {
                mesh->Release();
                if (combinations != nullptr) {
                    combinations->Release();
                }
                return hr;
            }
        }
    }
    if (pAdjacencyOut != nullptr && pAdjacencyIn != nullptr) {
        for (DWORD f = 0; f < numFaces; ++f) {
            for (DWORD e = 0; e < 3; ++e) {
                const DWORD g = adjacency[3 * static_cast<size_t>(newFaceToOld[f]) + e];
                pAdjacencyOut[3 * static_cast<size_t>(f) + e] = g < numFaces ? oldToNew[g] : kUnused;
            }
        }
    }
    if (pFaceRemap != nullptr) {
        std::copy(newFaceToOld.begin(), newFaceToOld.end(), pFaceRemap);
    }
    if (pNumBoneCombinations != nullptr) {
        *pNumBoneCombinations = static_cast<DWORD>(table.size());
    }
    if (ppBoneCombinationTable != nullptr) {
        *ppBoneCombinationTable = combinations;
    }
    *ppMesh = mesh;
    return D3D_OK;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}
