#include "gfxutil/XofMeshData.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <utility>

#include "gfxutil/D3DXMesh.h"
#include "gfxutil/MeshAdjacency.h"

namespace {

constexpr DWORD kNoNeighbour = 0xFFFFFFFF;

// Reads the packed members of a data object; every read is checked against its size.
class MemberReader {
public:
    MemberReader(const void* data, DWORD size) : m_pData(static_cast<const BYTE*>(data)), m_dwSize(size) {}

    bool Dword(DWORD& out) { return Bytes(&out, 4); }
    bool Float(float& out) { return Bytes(&out, 4); }
    bool Floats(float* out, DWORD count) { return Bytes(out, 4ull * count); }
    bool Dwords(DWORD* out, DWORD count) { return Bytes(out, 4ull * count); }
    bool Pointer(const char*& out) { return Bytes(&out, sizeof(out)); }
    ULONGLONG Left() const { return m_dwSize - m_dwOffset; }
    // Whether `count` items of `itemBytes` each can still follow.
    bool Has(ULONGLONG count, ULONGLONG itemBytes) const { return count * itemBytes <= m_dwSize - m_dwOffset; }

private:
    bool Bytes(void* out, ULONGLONG count) {
        if (count > m_dwSize - m_dwOffset) {
            return false;
        }
        std::memcpy(out, m_pData + m_dwOffset, static_cast<size_t>(count));
        m_dwOffset += static_cast<DWORD>(count);
        return true;
    }

    const BYTE* m_pData;
    DWORD m_dwSize;
    DWORD m_dwOffset = 0;
};

HRESULT DataOf(IDirectXFileData* data, MemberReader& reader) {
    DWORD size = 0;
    void* bytes = nullptr;
    const HRESULT hr = data->GetData(nullptr, &size, &bytes);
    if (FAILED(hr)) {
        return hr;
    }
    reader = MemberReader(bytes, bytes == nullptr ? 0 : size);
    return S_OK;
}

// Polygons: a count, then per face a corner count and its indices, each below `limit`.
bool ReadFaces(MemberReader& reader, DWORD limit, XofMeshData::Polygons& faces) {
    DWORD count = 0;
    if (!reader.Dword(count) || !reader.Has(count, 4)) {  // at least the corner count of each face
        return false;
    }
    faces.m_starts.resize(size_t{count} + 1);
    faces.m_starts[0] = 0;
    // Each corner takes 4 of the bytes left, so they bound the corners: the list
    // is sized once and cut to what the faces hold.
    faces.m_corners.resize(static_cast<size_t>(reader.Left() / 4));
    size_t used = 0;
    for (DWORD f = 0; f < count; ++f) {
        DWORD corners = 0;
        if (!reader.Dword(corners) || !reader.Has(corners, 4)) {
            return false;
        }
        DWORD* indices = faces.m_corners.data() + used;
        reader.Dwords(indices, corners);
        for (DWORD c = 0; c < corners; ++c) {
            if (indices[c] >= limit) {
                return false;
            }
        }
        used += corners;
        faces.m_starts[f + 1] = static_cast<DWORD>(used);
    }
    faces.m_corners.resize(used);
    return true;
}

// The data object behind a child: the child itself or the object a reference names.
HRESULT ChildData(IDirectXFileObject* child, IDirectXFileData** out) {
    *out = nullptr;
    if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(out)))) {
        return S_OK;
    }
    IDirectXFileDataReference* reference = nullptr;
    if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&reference)))) {
        const HRESULT hr = reference->Resolve(out);
        reference->Release();
        return hr;
    }
    return S_FALSE;  // a binary object: nothing a mesh reads
}

// Calls `visit` with each child data object in file order.
template <typename Visit>
HRESULT ForEachChild(IDirectXFileData* parent, Visit visit) {
    for (;;) {
        IDirectXFileObject* child = nullptr;
        HRESULT hr = parent->GetNextObject(&child);
        if (hr == DXFILEERR_NOMOREOBJECTS) {
            return S_OK;
        }
        if (FAILED(hr)) {
            return hr;
        }
        IDirectXFileData* data = nullptr;
        hr = ChildData(child, &data);
        child->Release();
        if (FAILED(hr)) {
            return hr;
        }
        if (data == nullptr) {
            continue;
        }
        const GUID* type = nullptr;
        hr = data->GetType(&type);
        // Memory running out in visit unwinds to the loader's entry; the child goes with it.
        try {
            if (SUCCEEDED(hr) && type != nullptr) {
                hr = visit(*type, data);
            }
        } catch (...) {
            data->Release();
            throw;
        }
        data->Release();
        if (FAILED(hr)) {
            return hr;
        }
    }
}

// Vertices split off a file position for another normal, found by (position,
// normal): an open hash table in one array that doubles as it fills, so a
// split allocates nothing of its own and a lookup stays short however many
// normals one position carries.
class SplitVertices {
public:
    static constexpr DWORD kNone = 0xFFFFFFFF;

    DWORD Find(DWORD position, DWORD normal) const {
        if (m_slots.empty()) {
            return kNone;
        }
        for (size_t i = Home(position, normal);; i = (i + 1) & (m_slots.size() - 1)) {
            const Slot& slot = m_slots[i];
            if (slot.m_dwVertex == kNone || (slot.m_dwPosition == position && slot.m_dwNormal == normal)) {
                return slot.m_dwVertex;
            }
        }
    }

    void Add(DWORD position, DWORD normal, DWORD vertex) {
        if (2 * (m_dwCount + 1) > m_slots.size()) {
            Grow();
        }
        Place({position, normal, vertex});
        ++m_dwCount;
    }

private:
    struct Slot {
        DWORD m_dwPosition = 0;
        DWORD m_dwNormal = 0;
        DWORD m_dwVertex = kNone;
    };

    size_t Home(DWORD position, DWORD normal) const {
        const ULONGLONG key = (static_cast<ULONGLONG>(position) << 32) | normal;
        return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & (m_slots.size() - 1);
    }

    void Place(const Slot& entry) {
        size_t i = Home(entry.m_dwPosition, entry.m_dwNormal);
        while (m_slots[i].m_dwVertex != kNone) {
            i = (i + 1) & (m_slots.size() - 1);
        }
        m_slots[i] = entry;
    }

    void Grow() {
        std::vector<Slot> old(std::max<size_t>(64, 2 * m_slots.size()));
        old.swap(m_slots);
        for (const Slot& slot : old) {
            if (slot.m_dwVertex != kNone) {
                Place(slot);
            }
        }
    }

    std::vector<Slot> m_slots;  // a power of two, at most half full
    size_t m_dwCount = 0;
};

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
    MemberReader reader(nullptr, 0);
    HRESULT hr = DataOf(pMesh, reader);
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
    if (!ReadFaces(reader, m_dwFilePositions, m_faces)) {
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
    return ForEachChild(pMesh, [this](const GUID& type, IDirectXFileData* data) -> HRESULT {
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
    });
}

HRESULT XofMeshData::ReadDeclData(IDirectXFileData* pData) {
    MemberReader reader(nullptr, 0);
    const HRESULT hr = DataOf(pData, reader);
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
    MemberReader reader(nullptr, 0);
    const HRESULT hr = DataOf(pData, reader);
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
    if (!ReadFaces(reader, count, m_faceNormals)) {
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
    MemberReader reader(nullptr, 0);
    const HRESULT hr = DataOf(pData, reader);
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
    MemberReader reader(nullptr, 0);
    const HRESULT hr = DataOf(pData, reader);
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
    MemberReader reader(nullptr, 0);
    HRESULT hr = DataOf(pData, reader);
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
    hr = ForEachChild(pData, [this](const GUID& type, IDirectXFileData* data) -> HRESULT {
        if (type != TID_D3DRMMaterial || m_materials.size() >= m_dwMaterialCount) {
            return S_OK;
        }
        Material material{};
        const HRESULT result = ReadMaterial(data, material);
        if (SUCCEEDED(result)) {
            m_materials.push_back(std::move(material));
        }
        return result;
    });
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
    MemberReader reader(nullptr, 0);
    HRESULT hr = DataOf(pData, reader);
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
    return ForEachChild(pData, [&out](const GUID& type, IDirectXFileData* data) -> HRESULT {
        if (type != TID_D3DRMTextureFilename || !out.m_szTexture.empty()) {
            return S_OK;
        }
        MemberReader names(nullptr, 0);
        const HRESULT result = DataOf(data, names);
        const char* name = nullptr;
        if (SUCCEEDED(result) && names.Pointer(name) && name != nullptr) {
            out.m_szTexture = name;
        }
        return result;
    });
}

HRESULT XofMeshData::ReadSkinWeights(IDirectXFileData* pData) {
    MemberReader reader(nullptr, 0);
    const HRESULT hr = DataOf(pData, reader);
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
    const bool hasNormals = !m_fileNormals.empty();
    m_positions = m_filePositions;
    m_sourceVertex.resize(m_dwFilePositions);
    for (DWORD i = 0; i < m_dwFilePositions; ++i) {
        m_sourceVertex[i] = i;
    }
    // Which normal each file position carries; a different normal at the same
    // position makes a new vertex after the file's own.
    constexpr DWORD kUnset = 0xFFFFFFFF;
    std::vector<DWORD> normalOfPosition(m_dwFilePositions, kUnset);
    SplitVertices splits;
    std::vector<DWORD> normalOfVertex(m_dwFilePositions, kUnset);

    auto vertexFor = [&](DWORD position, DWORD normal) -> DWORD {
        if (!hasNormals) {
            return position;
        }
        if (normalOfPosition[position] == kUnset) {
            normalOfPosition[position] = normal;
            normalOfVertex[position] = normal;
            return position;
        }
        if (normalOfPosition[position] == normal ||
            m_fileNormals[normalOfPosition[position]] == m_fileNormals[normal]) {
            return position;
        }
        const DWORD found = splits.Find(position, normal);
        if (found != SplitVertices::kNone) {
            return found;
        }
        const DWORD vertex = static_cast<DWORD>(m_positions.size());
        m_positions.push_back(m_filePositions[position]);
        m_sourceVertex.push_back(position);
        normalOfVertex.push_back(normal);
        splits.Add(position, normal, vertex);
        return vertex;
    };

    // A polygon of n corners fans into n - 2 triangles; the lists are sized once.
    size_t triangles = 0;
    for (size_t f = 0; f < m_faces.Count(); ++f) {
        triangles += m_faces.Size(f) > 2 ? m_faces.Size(f) - 2 : 0;
    }
    m_triangles.resize(3 * triangles);
    m_trianglePoints.resize(3 * triangles);
    m_triangleAttributes.resize(triangles);
    m_triangleFaces.resize(triangles);
    size_t t = 0;
    for (size_t f = 0; f < m_faces.Count(); ++f) {
        const DWORD* face = m_faces.Corners(f);
        const DWORD* faceNormals = hasNormals ? m_faceNormals.Corners(f) : nullptr;
        // One index may stand for every face; later faces repeat the last one given.
        DWORD attribute = 0;
        if (!m_faceMaterials.empty()) {
            attribute = m_faceMaterials[std::min(f, m_faceMaterials.size() - 1)];
        }
        for (size_t c = 2; c < m_faces.Size(f); ++c, ++t) {
            const size_t corners[3] = {0, c - 1, c};
            for (size_t k = 0; k < 3; ++k) {
                const DWORD normal = hasNormals ? faceNormals[corners[k]] : 0;
                m_triangles[3 * t + k] = vertexFor(face[corners[k]], normal);
                m_trianglePoints[3 * t + k] = face[corners[k]];
            }
            m_triangleAttributes[t] = attribute;
            m_triangleFaces[t] = static_cast<DWORD>(f);
        }
    }
    if (m_triangleAttributes.empty()) {
        return D3DXERR_LOADEDMESHHASNODATA;
    }
    if (hasNormals) {
        m_normals.resize(m_positions.size(), D3DXVECTOR3(0, 0, 0));
        for (size_t v = 0; v < m_positions.size(); ++v) {
            if (normalOfVertex[v] != kUnset) {
                m_normals[v] = m_fileNormals[normalOfVertex[v]];
            }
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

std::vector<DWORD> XofMeshData::SortedByAttribute() const {
    // A counting sort: stable, and linear in the faces. Attributes lie below the
    // material count (ReadMaterialList pads the list to cover them), so the
    // counts take no more room than the materials do.
    DWORD attributeCount = 0;
    for (DWORD attribute : m_triangleAttributes) {
        attributeCount = std::max(attributeCount, attribute + 1);
    }
    std::vector<DWORD> starts(size_t{attributeCount} + 1, 0);
    for (DWORD attribute : m_triangleAttributes) {
        ++starts[attribute + 1];
    }
    for (DWORD a = 0; a < attributeCount; ++a) {
        starts[a + 1] += starts[a];
    }
    std::vector<DWORD> order(m_triangleAttributes.size());
    for (DWORD f = 0; f < order.size(); ++f) {
        order[starts[m_triangleAttributes[f]]++] = f;
    }
    return order;
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

HRESULT XofMeshData::CreateMesh(DWORD options, IDirect3DDevice8* pDevice, ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency,
                                ID3DXBuffer** ppMaterials, DWORD* pNumMaterials) const {
    // More vertices than 16-bit indices reach: take 32-bit ones rather than fail.
    if (VertexCount() > 0xFFFF) {
        options |= D3DXMESH_32BIT;
    }
    // Sizes in 64 bits: a buffer a DWORD cannot measure is refused, never cut short.
    const ULONGLONG adjacencyBytes = static_cast<ULONGLONG>(m_triangles.size()) * sizeof(DWORD);
    ULONGLONG materialBytes = static_cast<ULONGLONG>(m_materials.size()) * sizeof(D3DXMATERIAL);
    for (const Material& m : m_materials) {
        materialBytes += m.m_szTexture.empty() ? 0 : m.m_szTexture.size() + 1;
    }
    if (adjacencyBytes > 0xFFFFFFFF || materialBytes > 0xFFFFFFFF) {
        return E_OUTOFMEMORY;
    }
    // Everything that allocates in this process comes before the mesh, so nothing can leak it.
    // Adjacency by the file's positions, so vertices split by normals still join their faces.
    std::vector<DWORD> fileAdjacency(m_triangles.size());
    ComputeAdjacency(m_trianglePoints.data(), TriangleCount(), fileAdjacency.data());
    // Faces sorted by attribute, file order kept within one, as the attribute sort of
    // OptimizeInplace leaves them; done here so the mesh is written once.
    const std::vector<DWORD> order = SortedByAttribute();
    std::vector<DWORD> placeOf(order.size());
    for (DWORD f = 0; f < order.size(); ++f) {
        placeOf[order[f]] = f;
    }
    D3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXMesh::Create(TriangleCount(), VertexCount(), options, Fvf(), pDevice, &mesh);
    if (FAILED(hr)) {
        return hr;
    }
    VertexLayout layout;
    layout.Decode(Fvf());
    BYTE* vertices = nullptr;
    hr = mesh->LockVertexBuffer(0, &vertices);
    if (SUCCEEDED(hr)) {
        for (size_t v = 0; v < m_positions.size(); ++v) {
            BYTE* out = vertices + v * layout.Stride();
            std::memcpy(out, &m_positions[v], 12);
            if (layout.HasNormal()) {
                std::memcpy(out + layout.NormalOffset(), &m_normals[v], 12);
            }
            if (layout.HasDiffuse()) {
                std::memcpy(out + layout.DiffuseOffset(), &m_colours[v], 4);
            }
            if (layout.TexSetCount() > 0) {
                std::memcpy(out + layout.TexOffset(0), &m_texCoords[v], 8);
            }
        }
        hr = mesh->UnlockVertexBuffer();
    }
    // Indices and attributes written together, so the attribute table is built once.
    BYTE* indices = nullptr;
    DWORD* attributes = nullptr;
    if (SUCCEEDED(hr)) {
        hr = mesh->LockFaces(&indices, &attributes);
    }
    if (SUCCEEDED(hr)) {
        const bool wide = mesh->Uses32BitIndices();
        for (size_t f = 0; f < order.size(); ++f) {
            const DWORD* corners = &m_triangles[3 * static_cast<size_t>(order[f])];
            for (size_t c = 0; c < 3; ++c) {
                if (wide) {
                    std::memcpy(indices + 4 * (3 * f + c), &corners[c], 4);
                } else {
                    const WORD index = static_cast<WORD>(corners[c]);
                    std::memcpy(indices + 2 * (3 * f + c), &index, 2);
                }
            }
            attributes[f] = m_triangleAttributes[order[f]];
        }
        hr = mesh->UnlockFaces();
    }
    ID3DXBuffer* adjacencyBuffer = nullptr;
    if (SUCCEEDED(hr)) {
        hr = D3DXCreateBuffer(static_cast<DWORD>(adjacencyBytes), &adjacencyBuffer);
    }
    if (SUCCEEDED(hr)) {
        DWORD* adjacency = static_cast<DWORD*>(adjacencyBuffer->GetBufferPointer());
        for (size_t f = 0; f < order.size(); ++f) {
            for (size_t e = 0; e < 3; ++e) {
                const DWORD neighbour = fileAdjacency[3 * static_cast<size_t>(order[f]) + e];
                adjacency[3 * f + e] = neighbour < placeOf.size() ? placeOf[neighbour] : kNoNeighbour;
            }
        }
    }
    // Materials: the records, then the texture names they point to.
    ID3DXBuffer* materialBuffer = nullptr;
    if (SUCCEEDED(hr) && !m_materials.empty()) {
        hr = D3DXCreateBuffer(static_cast<DWORD>(materialBytes), &materialBuffer);
        if (SUCCEEDED(hr)) {
            BYTE* base = static_cast<BYTE*>(materialBuffer->GetBufferPointer());
            D3DXMATERIAL* records = reinterpret_cast<D3DXMATERIAL*>(base);
            char* names = reinterpret_cast<char*>(base + m_materials.size() * sizeof(D3DXMATERIAL));
            for (size_t i = 0; i < m_materials.size(); ++i) {
                records[i].MatD3D = m_materials[i].m_d3d;
                records[i].pTextureFilename = nullptr;
                if (!m_materials[i].m_szTexture.empty()) {
                    std::memcpy(names, m_materials[i].m_szTexture.c_str(), m_materials[i].m_szTexture.size() + 1);
                    records[i].pTextureFilename = names;
                    names += m_materials[i].m_szTexture.size() + 1;
                }
            }
        }
    }
    if (FAILED(hr)) {
        if (materialBuffer != nullptr) {
            materialBuffer->Release();
        }
        if (adjacencyBuffer != nullptr) {
            adjacencyBuffer->Release();
        }
        mesh->Release();
        return hr;
    }
    *ppMesh = mesh;
    if (ppAdjacency != nullptr) {
        *ppAdjacency = adjacencyBuffer;
    } else {
        adjacencyBuffer->Release();
    }
    if (ppMaterials != nullptr) {
        *ppMaterials = materialBuffer;
    } else if (materialBuffer != nullptr) {
        materialBuffer->Release();
    }
    if (pNumMaterials != nullptr) {
        *pNumMaterials = static_cast<DWORD>(m_materials.size());
    }
    return D3D_OK;
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
    // CreateMesh allocates before it holds anything, so memory running out leaks nothing.
    try {
        XofMeshData data;
        const HRESULT hr = data.Read(pXofObjMesh);
        if (FAILED(hr)) {
            return hr;
        }
        return data.CreateMesh(options, pDevice, ppMesh, ppAdjacency, ppMaterials, pNumMaterials);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
