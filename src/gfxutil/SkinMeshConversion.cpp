#include "gfxutil/SkinMeshConversion.h"

#include <algorithm>
#include <cstring>
#include <memory>
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

// Per vertex, its strongest bones first.
using InfluenceLists = std::vector<std::vector<Influence>>;

struct Subset {
    DWORD m_dwAttribute;
    std::vector<DWORD> m_bones;  // palette slot -> bone
    std::vector<DWORD> m_faces;  // source faces
};

// The converted mesh in plain arrays, before any interface is made.
struct BlendedArrays {
    MeshArrays m_mesh;
    std::vector<DWORD> m_vertexRemap;   // new vertex -> source vertex
    std::vector<DWORD> m_newFaceToOld;  // new face -> source face
    std::vector<D3DXBONECOMBINATION> m_table;
};

// Releases an interface this function made until it is handed out.
struct ReleaseInterface {
    template <class T>
    void operator()(T* p) const {
        p->Release();
    }
};
template <class T>
using Owned = std::unique_ptr<T, ReleaseInterface>;

HRESULT ReadOriginalMesh(ID3DXSkinMesh* pSkin, MeshArrays* pSource) {
    ID3DXMesh* original = nullptr;
    HRESULT hr = pSkin->GetOriginalMesh(&original);
    if (FAILED(hr)) {
        return hr;
    }
    hr = pSource->Read(original);
    if (SUCCEEDED(hr)) {
        hr = pSource->ReadAttributes(original);
    }
    original->Release();
    return hr;
}

// Each vertex's four strongest influences, summing to one; a vertex no bone
// moves follows bone 0. *pMaxInfluences is the most any vertex keeps.
HRESULT GatherInfluences(ID3DXSkinMesh* pSkin, DWORD numVertices, InfluenceLists* pInfluences, DWORD* pMaxInfluences) {
    InfluenceLists& influences = *pInfluences;
    influences.assign(numVertices, {});
    for (DWORD bone = 0; bone < pSkin->GetNumBones(); ++bone) {
        const DWORD count = pSkin->GetNumBoneInfluences(bone);
        std::vector<DWORD> vertices(count);
        std::vector<float> weights(count);
        if (count > 0) {
            const HRESULT hr = pSkin->GetBoneInfluence(bone, vertices.data(), weights.data());
            if (FAILED(hr)) {
                return hr;
            }
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
    *pMaxInfluences = maxInfluences;
    return D3D_OK;
}

// The distinct bones of one face's three vertices, into *pBones.
HRESULT GatherFaceBones(const MeshArrays& source, const InfluenceLists& influences, DWORD face,
                        std::vector<DWORD>* pBones) {
    pBones->clear();
    for (DWORD k = 0; k < 3; ++k) {
        const DWORD v = source.m_indices[3 * static_cast<size_t>(face) + k];
        if (v >= source.VertexCount()) {
            return D3DXERR_INVALIDMESH;
        }
        for (const Influence& influence : influences[v]) {
            if (std::find(pBones->begin(), pBones->end(), influence.m_dwBone) == pBones->end()) {
                pBones->push_back(influence.m_dwBone);
            }
        }
    }
    return D3D_OK;
}

// Whether a face with these bones joins the last subset without overfilling its palette.
bool FitsLastSubset(const std::vector<Subset>& subsets, DWORD attribute, const std::vector<DWORD>& faceBones,
                    DWORD paletteSize) {
    if (subsets.empty() || subsets.back().m_dwAttribute != attribute) {
        return false;
    }
    const std::vector<DWORD>& bones = subsets.back().m_bones;
    size_t added = 0;
    for (DWORD bone : faceBones) {
        added += std::find(bones.begin(), bones.end(), bone) == bones.end() ? 1 : 0;
    }
    return bones.size() + added <= paletteSize;
}

// Faces by attribute, each run cut, in face order, into subsets whose bones fit the palette.
HRESULT BuildSubsets(const MeshArrays& source, const InfluenceLists& influences, DWORD paletteSize,
                     std::vector<Subset>* pSubsets) {
    std::vector<DWORD> faceOrder(source.FaceCount());
    std::iota(faceOrder.begin(), faceOrder.end(), 0u);
    std::stable_sort(faceOrder.begin(), faceOrder.end(),
                     [&](DWORD a, DWORD b) { return source.m_attributes[a] < source.m_attributes[b]; });
    std::vector<Subset>& subsets = *pSubsets;
    std::vector<DWORD> faceBones;
    for (DWORD f : faceOrder) {
        const HRESULT hr = GatherFaceBones(source, influences, f, &faceBones);
        if (FAILED(hr)) {
            return hr;
        }
        if (faceBones.size() > paletteSize) {
            return D3DERR_INVALIDCALL;
        }
        const DWORD attribute = source.m_attributes[f];
        if (!FitsLastSubset(subsets, attribute, faceBones, paletteSize)) {
            subsets.push_back(Subset{attribute, {}, {}});
        }
        Subset& subset = subsets.back();
        for (DWORD bone : faceBones) {
            if (std::find(subset.m_bones.begin(), subset.m_bones.end(), bone) == subset.m_bones.end()) {
                subset.m_bones.push_back(bone);
            }
        }
        subset.m_faces.push_back(f);
    }
    return D3D_OK;
}

// Writes a converted vertex's blend data after its position: n - 1 weights,
// then the packed palette slots; unused influences weigh 0 at slot 0.
void WriteBlendData(const std::vector<Influence>& influences, const Subset& subset, DWORD maxInfluences,
                    BYTE* pVertex) {
    float weights[kMaxInfluences] = {};
    BYTE slots[kMaxInfluences] = {};
    for (size_t i = 0; i < influences.size(); ++i) {
        const auto slot = std::find(subset.m_bones.begin(), subset.m_bones.end(), influences[i].m_dwBone);
        weights[i] = influences[i].m_fWeight;
        slots[i] = static_cast<BYTE>(slot - subset.m_bones.begin());
    }
    std::memcpy(pVertex + 12, weights, 4 * (maxInfluences - 1));
    std::memcpy(pVertex + 12 + 4 * (maxInfluences - 1), slots, 4);
}

// Output vertices and faces subset by subset: each subset repeats the
// vertices it uses, with palette slots, and gets one bone combination.
void WriteBlendedSubsets(const MeshArrays& source, const InfluenceLists& influences, const std::vector<Subset>& subsets,
                         DWORD maxInfluences, BlendedArrays* pOut) {
    MeshArrays& result = pOut->m_mesh;
    std::vector<BYTE> converted(result.m_dwStride);
    std::vector<DWORD> newOfOld(source.VertexCount(), kUnused);
    for (DWORD s = 0; s < subsets.size(); ++s) {
        const Subset& subset = subsets[s];
        const DWORD vertexStart = static_cast<DWORD>(pOut->m_vertexRemap.size());
        const DWORD faceStart = static_cast<DWORD>(pOut->m_newFaceToOld.size());
        std::fill(newOfOld.begin(), newOfOld.end(), kUnused);
        for (DWORD f : subset.m_faces) {
            for (DWORD k = 0; k < 3; ++k) {
                const DWORD v = source.m_indices[3 * static_cast<size_t>(f) + k];
                if (newOfOld[v] == kUnused) {
                    newOfOld[v] = static_cast<DWORD>(pOut->m_vertexRemap.size());
                    pOut->m_vertexRemap.push_back(v);
                    VertexLayout::Convert(source.m_layout, source.Vertex(v), result.m_layout, converted.data());
                    WriteBlendData(influences[v], subset, maxInfluences, converted.data());
                    result.m_vertices.insert(result.m_vertices.end(), converted.begin(), converted.end());
                }
                result.m_indices.push_back(newOfOld[v]);
            }
            result.m_attributes.push_back(s);
            pOut->m_newFaceToOld.push_back(f);
        }
        pOut->m_table.push_back(
            D3DXBONECOMBINATION{subset.m_dwAttribute, faceStart, static_cast<DWORD>(subset.m_faces.size()), vertexStart,
                                static_cast<DWORD>(pOut->m_vertexRemap.size()) - vertexStart, nullptr});
    }
}

// The source format with its position widened to carry the weights and the packed slots.
HRESULT BuildBlendedArrays(const MeshArrays& source, const InfluenceLists& influences,
                           const std::vector<Subset>& subsets, DWORD maxInfluences, BlendedArrays* pOut) {
    const DWORD fvf = (source.m_dwFvf & ~D3DFVF_POSITION_MASK) | (4 + 2 * maxInfluences) | D3DFVF_LASTBETA_UBYTE4;
    MeshArrays& result = pOut->m_mesh;
    if (!result.m_layout.Decode(fvf)) {
        return D3DERR_INVALIDCALL;
    }
    result.m_dwFvf = fvf;
    result.m_dwStride = result.m_layout.Stride();
    WriteBlendedSubsets(source, influences, subsets, maxInfluences, pOut);
    return D3D_OK;
}

HRESULT CreateBlendedMesh(ID3DXSkinMesh* pSkin, DWORD options, const BlendedArrays& blended, ID3DXMesh** ppMesh) {
    DWORD meshOptions = options & 0x00FFFFFF;
    if (blended.m_vertexRemap.size() > 0xFFFF) {
        meshOptions |= D3DXMESH_32BIT;
    }
    IDirect3DDevice8* device = nullptr;
    HRESULT hr = pSkin->GetDevice(&device);
    if (FAILED(hr)) {
        return hr;
    }
    ID3DXMesh* mesh = nullptr;
    hr = D3DXCreateMeshFVF(blended.m_mesh.FaceCount(), static_cast<DWORD>(blended.m_vertexRemap.size()), meshOptions,
                           blended.m_mesh.m_dwFvf, device, &mesh);
    device->Release();
    if (SUCCEEDED(hr)) {
        hr = blended.m_mesh.Write(mesh);
        if (FAILED(hr)) {
            mesh->Release();
            mesh = nullptr;
        }
    }
    *ppMesh = mesh;
    return hr;
}

// One buffer: the combinations, then palette-size bone ids for each, unused slots 0xFFFFFFFF.
HRESULT CreateCombinationTable(const std::vector<D3DXBONECOMBINATION>& table, const std::vector<Subset>& subsets,
                               DWORD paletteSize, ID3DXBuffer** ppBuffer) {
    const size_t tableBytes = table.size() * sizeof(D3DXBONECOMBINATION);
    const size_t idBytes = table.size() * paletteSize * sizeof(DWORD);
    const HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(tableBytes + idBytes), ppBuffer);
    if (FAILED(hr)) {
        return hr;
    }
    BYTE* base = static_cast<BYTE*>((*ppBuffer)->GetBufferPointer());
    auto* entries = reinterpret_cast<D3DXBONECOMBINATION*>(base);
    auto* ids = reinterpret_cast<DWORD*>(base + tableBytes);
    for (size_t s = 0; s < table.size(); ++s) {
        entries[s] = table[s];
        entries[s].BoneId = ids + s * paletteSize;
        std::fill(entries[s].BoneId, entries[s].BoneId + paletteSize, kUnused);
        std::copy(subsets[s].m_bones.begin(), subsets[s].m_bones.end(), entries[s].BoneId);
    }
    return D3D_OK;
}

HRESULT CreateVertexRemap(const std::vector<DWORD>& vertexRemap, ID3DXBuffer** ppBuffer) {
    const HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(vertexRemap.size() * sizeof(DWORD)), ppBuffer);
    if (SUCCEEDED(hr)) {
        std::memcpy((*ppBuffer)->GetBufferPointer(), vertexRemap.data(), vertexRemap.size() * sizeof(DWORD));
    }
    return hr;
}

// Buffer sizes in 64 bits: one a DWORD cannot measure is refused, never cut short.
bool BuffersFitADword(const BlendedArrays& blended, DWORD paletteSize) {
    const ULONGLONG combinations = blended.m_table.size();
    const ULONGLONG tableBytes =
        combinations * sizeof(D3DXBONECOMBINATION) + combinations * paletteSize * sizeof(DWORD);
    return blended.m_vertexRemap.size() <= 0xFFFFFFFF / sizeof(DWORD) && tableBytes <= 0xFFFFFFFF;
}

// The caller's adjacency in new face numbers. Copied before anything is
// written, as the caller's input may be the output too.
class AdjacencyRemap {
public:
    void Copy(const DWORD* pAdjacencyIn, const std::vector<DWORD>& newFaceToOld) {
        const DWORD numFaces = static_cast<DWORD>(newFaceToOld.size());
        m_adjacency.assign(pAdjacencyIn, pAdjacencyIn + 3 * static_cast<size_t>(numFaces));
        m_oldToNew.resize(numFaces);
        for (DWORD f = 0; f < numFaces; ++f) {
            m_oldToNew[newFaceToOld[f]] = f;
        }
    }

    void Write(const std::vector<DWORD>& newFaceToOld, DWORD* pAdjacencyOut) const {
        const DWORD numFaces = static_cast<DWORD>(newFaceToOld.size());
        for (DWORD f = 0; f < numFaces; ++f) {
            for (DWORD e = 0; e < 3; ++e) {
                const DWORD g = m_adjacency[3 * static_cast<size_t>(newFaceToOld[f]) + e];
                pAdjacencyOut[3 * static_cast<size_t>(f) + e] = g < numFaces ? m_oldToNew[g] : kUnused;
            }
        }
    }

private:
    std::vector<DWORD> m_adjacency;
    std::vector<DWORD> m_oldToNew;
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
    MeshArrays source;
    HRESULT hr = ReadOriginalMesh(pSkin, &source);
    InfluenceLists influences;
    DWORD maxInfluences = 0;
    if (SUCCEEDED(hr)) {
        hr = GatherInfluences(pSkin, source.VertexCount(), &influences, &maxInfluences);
    }
    std::vector<Subset> subsets;
    if (SUCCEEDED(hr)) {
        hr = BuildSubsets(source, influences, paletteSize, &subsets);
    }
    BlendedArrays blended;
    if (SUCCEEDED(hr)) {
        hr = BuildBlendedArrays(source, influences, subsets, maxInfluences, &blended);
    }
    if (FAILED(hr)) {
        return hr;
    }

    if (!BuffersFitADword(blended, paletteSize)) {
        return E_OUTOFMEMORY;
    }
    const bool remapAdjacency = pAdjacencyOut != nullptr && pAdjacencyIn != nullptr;
    AdjacencyRemap adjacency;
    if (remapAdjacency) {
        adjacency.Copy(pAdjacencyIn, blended.m_newFaceToOld);
    }

    ID3DXMesh* created = nullptr;
    hr = CreateBlendedMesh(pSkin, options, blended, &created);
    if (FAILED(hr)) {
        return hr;
    }
    Owned<ID3DXMesh> mesh(created);
    Owned<ID3DXBuffer> combinations;
    if (ppBoneCombinationTable != nullptr) {
        ID3DXBuffer* buffer = nullptr;
        hr = CreateCombinationTable(blended.m_table, subsets, paletteSize, &buffer);
        combinations.reset(buffer);
    }
    Owned<ID3DXBuffer> vertexRemap;
    if (SUCCEEDED(hr) && ppVertexRemap != nullptr) {
        ID3DXBuffer* buffer = nullptr;
        hr = CreateVertexRemap(blended.m_vertexRemap, &buffer);
        vertexRemap.reset(buffer);
    }
    if (SUCCEEDED(hr) && pAdjacencyOut != nullptr && pAdjacencyIn == nullptr) {
        hr = mesh->GenerateAdjacency(0.0f, pAdjacencyOut);  // of the new faces already
    }
    if (FAILED(hr)) {
        return hr;
    }

    if (remapAdjacency) {
        adjacency.Write(blended.m_newFaceToOld, pAdjacencyOut);
    }
    if (pFaceRemap != nullptr) {
        std::copy(blended.m_newFaceToOld.begin(), blended.m_newFaceToOld.end(), pFaceRemap);
    }
    if (pNumBoneCombinations != nullptr) {
        *pNumBoneCombinations = static_cast<DWORD>(subsets.size());
    }
    if (ppBoneCombinationTable != nullptr) {
        *ppBoneCombinationTable = combinations.release();
    }
    if (ppVertexRemap != nullptr) {
        *ppVertexRemap = vertexRemap.release();
    }
    *ppMesh = mesh.release();
    return D3D_OK;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}
