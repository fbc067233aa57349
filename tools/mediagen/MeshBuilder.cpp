#include "MeshBuilder.h"

#include <algorithm>
#include <limits>
#include <utility>

std::uint32_t MeshBuilder::AddMaterial(const MeshMaterial& material) {
    m_materials.push_back(material);
    return static_cast<std::uint32_t>(m_materials.size() - 1);
}

std::uint32_t MeshBuilder::AddVertex(const Vec3& p, float fU, float fV) {
    MeshVertex v;
    v.m_p = p;
    v.m_fU = fU;
    v.m_fV = fV;
    m_vertices.push_back(v);
    return static_cast<std::uint32_t>(m_vertices.size() - 1);
}

void MeshBuilder::AddTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c, const Vec3& hint,
                              std::uint32_t dwMaterial) {
    const Vec3& pa = m_vertices[a].m_p;
    const Vec3& pb = m_vertices[b].m_p;
    const Vec3& pc = m_vertices[c].m_p;
    const Vec3 n = Cross(pb - pa, pc - pa);
    // Refuse slivers too: the mesh validation downstream rejects zero-area faces.
    if (Length(n) < 1e-7f || a == b || b == c || a == c) {
        ++m_dwRefused;
        return;
    }
    MeshFace face;
    face.m_dwA = a;
    face.m_dwMaterial = dwMaterial;
    if (Dot(n, hint) >= 0.0f) {
        face.m_dwB = b;
        face.m_dwC = c;
    } else {
        face.m_dwB = c;
        face.m_dwC = b;
    }
    m_faces.push_back(face);
}

void MeshBuilder::AddQuad(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, const Vec3& hint,
                          std::uint32_t dwMaterial) {
    AddTriangle(a, b, c, hint, dwMaterial);
    AddTriangle(a, c, d, hint, dwMaterial);
}

void MeshBuilder::Append(const MeshBuilder& piece, const Mat4& m) {
    const std::uint32_t dwBase = static_cast<std::uint32_t>(m_vertices.size());
    // A mirroring matrix flips winding; keep the front where it was.
    const Vec3 ax(m.m[0], m.m[1], m.m[2]), ay(m.m[4], m.m[5], m.m[6]), az(m.m[8], m.m[9], m.m[10]);
    const bool bMirror = Dot(Cross(ax, ay), az) < 0.0f;
    for (const MeshVertex& v : piece.m_vertices) {
        MeshVertex t = v;
        t.m_p = m.TransformPoint(v.m_p);
        t.m_n = Normalize(m.TransformNormal(v.m_n));
        m_vertices.push_back(t);
    }
    for (const MeshFace& f : piece.m_faces) {
        MeshFace t = f;
        t.m_dwA += dwBase;
        t.m_dwB += dwBase;
        t.m_dwC += dwBase;
        if (bMirror) {
            std::swap(t.m_dwB, t.m_dwC);
        }
        m_faces.push_back(t);
    }
    m_dwRefused += piece.m_dwRefused;
}

void MeshBuilder::ComputeNormals() {
    std::vector<Vec3> sums(m_vertices.size());
    for (const MeshFace& f : m_faces) {
        const Vec3 n =
            Cross(m_vertices[f.m_dwB].m_p - m_vertices[f.m_dwA].m_p, m_vertices[f.m_dwC].m_p - m_vertices[f.m_dwA].m_p);
        sums[f.m_dwA] += n;
        sums[f.m_dwB] += n;
        sums[f.m_dwC] += n;
    }
    for (size_t i = 0; i < m_vertices.size(); ++i) {
        const Vec3 n = Normalize(sums[i]);
        m_vertices[i].m_n = Length(n) > 0.5f ? n : Vec3(0.0f, 0.0f, -1.0f);
    }
}

void MeshBuilder::Bounds(Vec3& min, Vec3& max) const {
    const float fBig = std::numeric_limits<float>::max();
    min = Vec3(fBig, fBig, fBig);
    max = Vec3(-fBig, -fBig, -fBig);
    for (const MeshVertex& v : m_vertices) {
        min = Vec3(std::min(min.x, v.m_p.x), std::min(min.y, v.m_p.y), std::min(min.z, v.m_p.z));
        max = Vec3(std::max(max.x, v.m_p.x), std::max(max.y, v.m_p.y), std::max(max.z, v.m_p.z));
    }
}

namespace {

XValue Vector3(const Vec3& v) {
    return XValue::Struct({XValue::Float(v.x), XValue::Float(v.y), XValue::Float(v.z)});
}

XValue Triangle(const MeshFace& f) {
    return XValue::Struct({XValue::Int(3), XValue::IntArray({f.m_dwA, f.m_dwB, f.m_dwC})});
}

XObject MaterialObject(const MeshMaterial& m) {
    XObject material("Material", "");
    material.Add(
        XValue::Struct({XValue::Float(m.m_fR), XValue::Float(m.m_fG), XValue::Float(m.m_fB), XValue::Float(m.m_fA)}));
    material.Add(XValue::Float(m.m_fPower));
    material.Add(XValue::Struct({XValue::Float(m.m_fSpecR), XValue::Float(m.m_fSpecG), XValue::Float(m.m_fSpecB)}));
    material.Add(XValue::Struct({XValue::Float(m.m_fEmR), XValue::Float(m.m_fEmG), XValue::Float(m.m_fEmB)}));
    if (!m.m_szTexture.empty()) {
        XObject texture("TextureFilename", "");
        texture.Add(XValue::String(m.m_szTexture));
        material.AddChild(std::move(texture));
    }
    return material;
}

}  // namespace

XObject MeshBuilder::ToXObject(const std::string& szName) const {
    XObject mesh("Mesh", szName);
    std::vector<XValue> positions, normals, coords, faces;
    std::vector<std::uint32_t> faceMaterials;
    for (const MeshVertex& v : m_vertices) {
        positions.push_back(Vector3(v.m_p));
        normals.push_back(Vector3(v.m_n));
        coords.push_back(XValue::Struct({XValue::Float(v.m_fU), XValue::Float(v.m_fV)}));
    }
    for (const MeshFace& f : m_faces) {
        faces.push_back(Triangle(f));
        faceMaterials.push_back(f.m_dwMaterial);
    }
    const auto dwVertices = static_cast<std::uint32_t>(m_vertices.size());
    const auto dwFaces = static_cast<std::uint32_t>(m_faces.size());
    mesh.Add(XValue::Int(dwVertices)).Add(XValue::Array(positions));
    mesh.Add(XValue::Int(dwFaces)).Add(XValue::Array(faces));

    XObject materialList("MeshMaterialList", "");
    materialList.Add(XValue::Int(static_cast<std::uint32_t>(m_materials.size())));
    materialList.Add(XValue::Int(dwFaces)).Add(XValue::IntArray(faceMaterials));
    for (const MeshMaterial& m : m_materials) {
        materialList.AddChild(MaterialObject(m));
    }
    mesh.AddChild(std::move(materialList));

    // Normals are per vertex, so the normal faces repeat the position faces.
    XObject meshNormals("MeshNormals", "");
    meshNormals.Add(XValue::Int(dwVertices)).Add(XValue::Array(normals));
    meshNormals.Add(XValue::Int(dwFaces)).Add(XValue::Array(faces));
    mesh.AddChild(std::move(meshNormals));

    XObject textureCoords("MeshTextureCoords", "");
    textureCoords.Add(XValue::Int(dwVertices)).Add(XValue::Array(coords));
    mesh.AddChild(std::move(textureCoords));
    return mesh;
}
