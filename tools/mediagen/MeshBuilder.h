// Collects the geometry of one X-file mesh: vertices with texture coordinates,
// triangles with a material each, and the materials. Triangles are wound so
// their front side faces a hint direction (clockwise on screen when seen from
// the front, as the program culls counter-clockwise triangles); normals are
// computed from the faces. Zero-area triangles are refused and counted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Vec3.h"
#include "XObject.h"

struct MeshMaterial {
    float m_fR = 1.0f, m_fG = 1.0f, m_fB = 1.0f, m_fA = 1.0f;
    float m_fPower = 8.0f;
    float m_fSpecR = 0.2f, m_fSpecG = 0.2f, m_fSpecB = 0.2f;
    float m_fEmR = 0.0f, m_fEmG = 0.0f, m_fEmB = 0.0f;
    std::string m_szTexture;  // file name in Texture/, empty for none
};

struct MeshVertex {
    Vec3 m_p;
    Vec3 m_n;
    float m_fU = 0.0f;
    float m_fV = 0.0f;
};

struct MeshFace {
    std::uint32_t m_dwA = 0, m_dwB = 0, m_dwC = 0;
    std::uint32_t m_dwMaterial = 0;
};

class MeshBuilder {
public:
    std::uint32_t AddMaterial(const MeshMaterial& material);
    std::uint32_t AddVertex(const Vec3& p, float fU, float fV);
    // Orients the triangle so that its front faces along hint; refuses zero area.
    void AddTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c, const Vec3& hint, std::uint32_t dwMaterial);
    // Quad a-b-c-d in order around its edge, split along a-c.
    void AddQuad(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, const Vec3& hint,
                 std::uint32_t dwMaterial);

    // Appends another builder's vertices and faces carried by m; its face
    // materials are kept as they are (they index this builder's materials).
    void Append(const MeshBuilder& piece, const Mat4& m);
    // Smooth per-vertex normals from the area-weighted face normals.
    void ComputeNormals();

    XObject ToXObject(const std::string& szName) const;

    const std::vector<MeshVertex>& Vertices() const { return m_vertices; }
    const std::vector<MeshFace>& Faces() const { return m_faces; }
    const std::vector<MeshMaterial>& Materials() const { return m_materials; }
    std::vector<MeshVertex>& MutableVertices() { return m_vertices; }
    std::uint32_t RefusedTriangles() const { return m_dwRefused; }
    void Bounds(Vec3& min, Vec3& max) const;

private:
    std::vector<MeshVertex> m_vertices;
    std::vector<MeshFace> m_faces;
    std::vector<MeshMaterial> m_materials;
    std::uint32_t m_dwRefused = 0;
};
