#include "gfxutil/XofMeshData.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <utility>

#include "gfxutil/CreateXofMesh.h"
#include "gfxutil/XofChildren.h"
#include "gfxutil/XofTriangulation.h"

namespace {

DWORD ColourToArgb(const float rgba[4]) {
    DWORD out = 0;
    const int order[4] = {3, 0, 1, 2};  // a, r, g, b
    for (int i = 0; i < 4; ++i) {
        const float c = std::clamp(rgba[order[i]], 0.0f, 1.0f);
        out = (out << 8) | static_cast<DWORD>(c * 255.0f + 0.5f);
    }
    return out;
}

}  // namespace

HRESULT XofMeshData::Read(IDirectXFileData* pMesh) {
    *this = XofMeshData(m_bReadSkin);
    XofMemberReader reader;
    HRESULT hr = reader.Open(pMesh);
    if (FAILED(hr)) {
        return hr;
    }
    if (!reader.Dword(m_dwFilePositions) || !reader.Has(m_dwFilePositions, 12)) {
        return D3DXERR_INVALIDDATA;
    }
    m_filePositions.resize(m_dwFilePositions);
    for (D3DXVECTOR3& p : m_filePositions) {
        reader.Floats(&p.x, 3);
    }
    if (!reader.Faces(m_dwFilePositions, m_faces)) {
        return D3DXERR_INVALIDDATA;
    }
    hr = ReadChildren(pMesh);
    if (FAILED(hr)) {
        return hr;
    }
    // Normals and coordinates of a vertex declaration stand in where the mesh gives none of its own.
    if (m_fileNormals.empty() && !m_declNormals.empty()) {
        m_fileNormals.swap(m_declNormals);
        m_faceNormals = m_faces;
    }
    if (m_fileTexCoords.empty() && !m_declTexCoords.empty()) {
        m_fileTexCoords.swap(m_declTexCoords);
    }
    return BuildTriangles();
}

HRESULT XofMeshData::ReadChildren(IDirectXFileData* pMesh) {
    return ForEachChild(pMesh,
                        ResolvingReferences(WithType([this](const GUID& type, IDirectXFileData* data) -> HRESULT {
                            if (type == TID_D3DRMMeshNormals) {
                                return ReadNormals(data);
                            }
                            if (type == TID_D3DRMMeshTextureCoords) {
                                return ReadTexCoords(data);
                            }
                            if (type == TID_D3DRMMeshVertexColors) {
                                return ReadColours(data);
                            }
                            if (type == TID_D3DRMMeshMaterialList) {
                                return ReadMaterialList(data);
                            }
                            if (type == DXFILEOBJ_SkinWeights && m_bReadSkin) {
                                return ReadSkinWeights(data);
                            }
                            if (type == DXFILEOBJ_DeclData) {
                                return ReadDeclData(data);
                            }
                            return S_OK;  // duplication indices, wraps, headers, effects: nothing the mesh needs
                        })));
}

HRESULT XofMeshData::ReadDeclData(IDirectXFileData* pData) {
    XofMemberReader reader;
    const HRESULT hr = reader.Open(pData);
    if (FAILED(hr)) {
        return hr;
    }
    // Bytes of each declaration type (FLOAT1 .. FLOAT16_4); an unknown type leaves the offsets unknown.
    constexpr DWORD kTypeBytes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8};
    constexpr DWORD kFloat2 = 1;
    constexpr DWORD kFloat3 = 2;
    constexpr DWORD kUsageNormal = 3;
    constexpr DWORD kUsageTexCoord = 5;
    DWORD elements = 0;
    if (!reader.Dword(elements) || !reader.Has(elements, 16)) {
        return D3DXERR_INVALIDDATA;
    }
    ULONGLONG stride = 0;
    ULONGLONG normalAt = ~0ull;
    ULONGLONG texCoordAt = ~0ull;
    bool known = true;
    for (DWORD e = 0; e < elements; ++e) {
        DWORD element[4] = {};  // type, method, usage, usage index
        for (DWORD& field : element) {
            reader.Dword(field);
        }
        if (element[0] >= std::size(kTypeBytes)) {
            known = false;
            continue;
        }
        if (element[0] == kFloat3 && element[2] == kUsageNormal && element[3] == 0 && normalAt == ~0ull) {
            normalAt = stride;
        }
        if (element[0] == kFloat2 && element[2] == kUsageTexCoord && element[3] == 0 && texCoordAt == ~0ull) {
            texCoordAt = stride;
        }
        stride += kTypeBytes[element[0]];
    }
    DWORD dwords = 0;
    if (!reader.Dword(dwords) || !reader.Has(dwords, 4)) {
        return D3DXERR_INVALIDDATA;
    }
    // Values the mesh cannot place are skipped, like any other data it does not use.
    if (!known || stride == 0 || (normalAt == ~0ull && texCoordAt == ~0ull)) {
        return S_OK;
    }
    if (stride * m_dwFilePositions > 4ull * dwords) {
        return D3DXERR_INVALIDDATA;
    }
    std::vector<float> values(stride / 4 * m_dwFilePositions);
    reader.Floats(values.data(), static_cast<DWORD>(values.size()));
    const size_t step = static_cast<size_t>(stride / 4);
    if (normalAt != ~0ull) {
        m_declNormals.resize(m_dwFilePositions);
        for (size_t v = 0; v < m_declNormals.size(); ++v) {
            const float* n = &values[v * step + normalAt / 4];
            m_declNormals[v] = D3DXVECTOR3(n[0], n[1], n[2]);
        }
    }
    if (texCoordAt != ~0ull) {
        m_declTexCoords.resize(m_dwFilePositions);
        for (size_t v = 0; v < m_declTexCoords.size(); ++v) {
            const float* t = &values[v * step + texCoordAt / 4];
            m_declTexCoords[v] = D3DXVECTOR2(t[0], t[1]);
        }
    }
    return S_OK;
}

HRESULT XofMeshData::ReadNormals(IDirectXFileData* pData) {
    XofMemberReader reader;
    const HRESULT hr = reader.Open(pData);
    if (FAILED(hr)) {
        return hr;
    }
    DWORD count = 0;
    if (!reader.Dword(count) || !reader.Has(count, 12)) {
        return D3DXERR_INVALIDDATA;
    }
    m_fileNormals.resize(count);
    for (D3DXVECTOR3& n : m_fileNormals) {
        reader.Floats(&n.x, 3);
    }
    if (!reader.Faces(count, m_faceNormals)) {
        return D3DXERR_INVALIDDATA;
    }
    // Each face needs a normal polygon of its own shape.
    if (m_faceNormals.Count() < m_faces.Count()) {
        return D3DXERR_INVALIDDATA;
    }
    for (size_t f = 0; f < m_faces.Count(); ++f) {
        if (m_faceNormals.Size(f) != m_faces.Size(f)) {
            return D3DXERR_INVALIDDATA;
        }
    }
    return S_OK;
}

HRESULT XofMeshData::ReadTexCoords(IDirectXFileData* pData) {
    XofMemberReader reader;
    const HRESULT hr = reader.Open(pData);
    if (FAILED(hr)) {
        return hr;
    }
    DWORD count = 0;
    if (!reader.Dword(count) || !reader.Has(count, 8) || count < m_dwFilePositions) {
        return D3DXERR_INVALIDDATA;
    }
    m_fileTexCoords.resize(m_dwFilePositions);
    for (D3DXVECTOR2& t : m_fileTexCoords) {
        reader.Floats(&t.x, 2);
    }
    return S_OK;
}

HRESULT XofMeshData::ReadColours(IDirectXFileData* pData) {
    XofMemberReader reader;
    const HRESULT hr = reader.Open(pData);
    if (FAILED(hr)) {
        return hr;
    }
    DWORD count = 0;
    if (!reader.Dword(count) || !reader.Has(count, 20)) {
        return D3DXERR_INVALIDDATA;
    }
    // Positions the list leaves out stay white.
    m_fileColours.assign(m_dwFilePositions, 0xFFFFFFFF);
    m_bHasColours = true;
    for (DWORD i = 0; i < count; ++i) {
        DWORD index = 0;
        float rgba[4];
        reader.Dword(index);
        reader.Floats(rgba, 4);
        if (index >= m_dwFilePositions) {
            return D3DXERR_INVALIDDATA;
        }
        m_fileColours[index] = ColourToArgb(rgba);
    }
    return S_OK;
}

HRESULT XofMeshData::ReadMaterialList(IDirectXFileData* pData) {
    XofMemberReader reader;
    HRESULT hr = reader.Open(pData);
    if (FAILED(hr)) {
        return hr;
    }
    DWORD indexCount = 0;
    if (!reader.Dword(m_dwMaterialCount) || !reader.Dword(indexCount) || !reader.Has(indexCount, 4)) {
        return D3DXERR_INVALIDDATA;
    }
    m_faceMaterials.resize(indexCount);
    for (DWORD& index : m_faceMaterials) {
        reader.Dword(index);
        if (index >= m_dwMaterialCount) {
            return D3DXERR_INVALIDDATA;
        }
    }
    // The declared count bounds the records, not the file's children: a
    // count far beyond what the file holds must not allocate for it.
    hr = ForEachChild(pData, ResolvingReferences(WithType([this](const GUID& type, IDirectXFileData* data) -> HRESULT {
                          if (type != TID_D3DRMMaterial || m_materials.size() >= m_dwMaterialCount) {
                              return S_OK;
                          }
                          Material material{};
                          const HRESULT result = ReadMaterial(data, material);
                          if (SUCCEEDED(result)) {
                              m_materials.push_back(std::move(material));
                          }
                          return result;
                      })));
    if (FAILED(hr)) {
        return hr;
    }
    if (m_materials.size() < m_dwMaterialCount) {
        // Materials the list counts but does not give: plain white, so face indices stay valid.
        DWORD used = 0;
        for (DWORD index : m_faceMaterials) {
            used = std::max(used, index + 1);
        }
        // The file holds no bytes for these, so the faces bound them: a list that leaves
        // out more materials than the mesh has faces to wear them is no mesh.
        if (used > m_materials.size() + static_cast<ULONGLONG>(m_faces.Count())) {
            return D3DXERR_INVALIDDATA;
        }
        Material plain{};
        plain.m_d3d.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        m_materials.resize(std::max<size_t>(m_materials.size(), used), plain);
        m_dwMaterialCount = static_cast<DWORD>(m_materials.size());
    }
    return S_OK;
}

HRESULT XofMeshData::ReadMaterial(IDirectXFileData* pData, Material& out) {
    XofMemberReader reader;
    HRESULT hr = reader.Open(pData);
    if (FAILED(hr)) {
        return hr;
    }
    float face[4];
    float power = 0;
    float specular[3];
    float emissive[3];
    if (!reader.Floats(face, 4) || !reader.Float(power) || !reader.Floats(specular, 3) || !reader.Floats(emissive, 3)) {
        return D3DXERR_INVALIDDATA;
    }
    out.m_d3d.Diffuse = {face[0], face[1], face[2], face[3]};
    out.m_d3d.Ambient = {0.0f, 0.0f, 0.0f, 1.0f};
    out.m_d3d.Specular = {specular[0], specular[1], specular[2], 1.0f};
    out.m_d3d.Emissive = {emissive[0], emissive[1], emissive[2], 1.0f};
    out.m_d3d.Power = power;
    return ForEachChild(pData,
                        ResolvingReferences(WithType([&out](const GUID& type, IDirectXFileData* data) -> HRESULT {
                            if (type != TID_D3DRMTextureFilename || !out.m_szTexture.empty()) {
                                return S_OK;
                            }
                            XofMemberReader names;
                            const HRESULT result = names.Open(data);
                            const char* name = nullptr;
                            if (SUCCEEDED(result) && names.Pointer(name) && name != nullptr) {
                                out.m_szTexture = name;
                            }
                            return result;
                        })));
}

HRESULT XofMeshData::ReadSkinWeights(IDirectXFileData* pData) {
    XofMemberReader reader;
    const HRESULT hr = reader.Open(pData);
    if (FAILED(hr)) {
        return hr;
    }
    Bone bone;
    const char* name = nullptr;
    DWORD count = 0;
    if (!reader.Pointer(name) || !reader.Dword(count) || !reader.Has(count, 8)) {
        return D3DXERR_INVALIDDATA;
    }
    bone.m_szName = name != nullptr ? name : "";
    bone.m_positions.resize(count);
    bone.m_weights.resize(count);
    for (DWORD& position : bone.m_positions) {
        reader.Dword(position);
        // A weight for a position the mesh does not have is refused, not trusted.
        if (position >= m_dwFilePositions) {
            return D3DXERR_INVALIDDATA;
        }
    }
    reader.Floats(bone.m_weights.data(), count);
    float offset[16];
    if (!reader.Floats(offset, 16)) {
        return D3DXERR_INVALIDDATA;
    }
    bone.m_offset = D3DXMATRIX(offset);
    m_bones.push_back(std::move(bone));
    return S_OK;
}

HRESULT XofMeshData::BuildTriangles() {
    XofTriangulation triangulation;
    triangulation.Run(m_filePositions, m_faces, m_fileNormals, m_faceNormals);
    if (triangulation.m_triangleFaces.empty()) {
        return D3DXERR_LOADEDMESHHASNODATA;
    }
    m_positions = std::move(triangulation.m_positions);
    m_normals = std::move(triangulation.m_normals);
    m_sourceVertex = std::move(triangulation.m_sourceVertex);
    m_triangles = std::move(triangulation.m_triangles);
    m_trianglePoints = std::move(triangulation.m_trianglePoints);
    m_triangleFaces = std::move(triangulation.m_triangleFaces);
    // One index may stand for every face; later faces repeat the last one given.
    m_triangleAttributes.assign(m_triangleFaces.size(), 0);
    if (!m_faceMaterials.empty()) {
        for (size_t t = 0; t < m_triangleFaces.size(); ++t) {
            m_triangleAttributes[t] = m_faceMaterials[std::min<size_t>(m_triangleFaces[t], m_faceMaterials.size() - 1)];
        }
    }
    if (!m_fileTexCoords.empty()) {
        m_texCoords.resize(m_positions.size());
        for (size_t v = 0; v < m_positions.size(); ++v) {
            m_texCoords[v] = m_fileTexCoords[m_sourceVertex[v]];
        }
    }
    if (m_bHasColours) {
        m_colours.resize(m_positions.size());
        for (size_t v = 0; v < m_positions.size(); ++v) {
            m_colours[v] = m_fileColours[m_sourceVertex[v]];
        }
    }
    return S_OK;
}

DWORD XofMeshData::Fvf() const {
    DWORD fvf = D3DFVF_XYZ;
    if (!m_normals.empty()) {
        fvf |= D3DFVF_NORMAL;
    }
    if (!m_colours.empty()) {
        fvf |= D3DFVF_DIFFUSE;
    }
    if (!m_texCoords.empty()) {
        fvf |= D3DFVF_TEX1;
    }
    return fvf;
}

HRESULT D3DXLoadMeshFromXof(IDirectXFileData* pXofObjMesh, DWORD options, IDirect3DDevice8* pDevice,
                            ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials, DWORD* pNumMaterials,
                            ID3DXMesh** ppMesh) {
    if (ppMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppMesh = nullptr;
    if (ppAdjacency != nullptr) {
        *ppAdjacency = nullptr;
    }
    if (ppMaterials != nullptr) {
        *ppMaterials = nullptr;
    }
    if (pNumMaterials != nullptr) {
        *pNumMaterials = 0;
    }
    if (pXofObjMesh == nullptr || pDevice == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    const GUID* type = nullptr;
    if (FAILED(pXofObjMesh->GetType(&type)) || type == nullptr || *type != TID_D3DRMMesh) {
        return D3DERR_INVALIDCALL;
    }
    // CreateXofMesh allocates before it holds anything, so memory running out leaks nothing.
    try {
        XofMeshData data;
        const HRESULT hr = data.Read(pXofObjMesh);
        if (FAILED(hr)) {
            return hr;
        }
        return CreateXofMesh(data, options, pDevice, ppMesh, ppAdjacency, ppMaterials, pNumMaterials);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
