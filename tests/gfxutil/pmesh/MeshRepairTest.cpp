#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "gfxutil/MeshArrays.h"
#include "gfxutil/MeshRepair.h"
#include "gfxutil/pmesh/TestMeshes.h"

namespace {

constexpr DWORD kNone = 0xFFFFFFFF;

// Two triangles that touch only at vertex 0 (a bow-tie).
TestMesh MakeBowTie() {
    TestMesh mesh;
    mesh.m_vertices = {{{0, 0, 0}, {0, 0, -1}, 0, 0},
                       {{1, 1, 0}, {0, 0, -1}, 0, 0},
                       {{1, -1, 0}, {0, 0, -1}, 0, 0},
                       {{-1, -1, 0}, {0, 0, -1}, 0, 0},
                       {{-1, 1, 0}, {0, 0, -1}, 0, 0}};
    mesh.m_indices = {0, 1, 2, 0, 3, 4};
    mesh.m_attributes = {0, 0};
    return mesh;
}

// A closed tetrahedron with consistent winding.
TestMesh MakeTetrahedron() {
    TestMesh mesh;
    mesh.m_vertices = {{{0, 0, 0}, {}, 0, 0}, {{1, 0, 0}, {}, 0, 0}, {{0, 1, 0}, {}, 0, 0}, {{0, 0, 1}, {}, 0, 0}};
    mesh.m_indices = {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3};
    mesh.m_attributes = {0, 0, 0, 0};
    return mesh;
}

class MeshRepairTest : public MeshDeviceTest {
protected:
    ID3DXMesh* Make(const TestMesh& source) {
        ID3DXMesh* mesh = Keep(CreateMesh(m_pDevice, source));
        EXPECT_NE(mesh, nullptr);
        return mesh;
    }
    std::vector<DWORD> Adjacency(ID3DXMesh* mesh) {
        std::vector<DWORD> adjacency(3 * mesh->GetNumFaces());
        EXPECT_EQ(mesh->GenerateAdjacency(0.0f, adjacency.data()), D3D_OK);
        return adjacency;
    }
    std::string Errors(ID3DXMesh* mesh, const std::vector<DWORD>& adjacency, HRESULT expected) {
        ID3DXBuffer* errors = nullptr;
        EXPECT_EQ(D3DXValidMesh(mesh, adjacency.data(), &errors), expected);
        std::string text = errors != nullptr ? static_cast<const char*>(errors->GetBufferPointer()) : "";
        if (errors != nullptr) {
            errors->Release();
        }
        return text;
    }
};

TEST_F(MeshRepairTest, CleaningSplitsABowTieVertexIntoOnePerFan) {
    ID3DXMesh* mesh = Make(MakeBowTie());
    std::vector<DWORD> adjacency = Adjacency(mesh);
    EXPECT_NE(Errors(mesh, adjacency, D3DXERR_INVALIDMESH).find("bowtie"), std::string::npos);

    ID3DXMesh* cleaned = nullptr;
    // In and out in one array, as the display meshes call it.
    ASSERT_EQ(D3DXCleanMesh(mesh, adjacency.data(), &cleaned, adjacency.data(), nullptr), D3D_OK);
    Keep(cleaned);
    EXPECT_EQ(cleaned->GetNumVertices(), 6u);
    MeshArrays arrays;
    ASSERT_EQ(arrays.Read(cleaned), D3D_OK);
    EXPECT_EQ(arrays.m_indices[0], 0u);
    EXPECT_EQ(arrays.m_indices[3], 5u);
    EXPECT_EQ(std::memcmp(arrays.Vertex(5), arrays.Vertex(0), arrays.m_dwStride), 0);
    EXPECT_EQ(adjacency, std::vector<DWORD>(6, kNone));
    EXPECT_EQ(Errors(cleaned, adjacency, D3D_OK), "");

    // A mesh with no bow-tie comes back unchanged.
    ID3DXMesh* sphere = Make(MakeSphere(5, 6));
    std::vector<DWORD> sphereAdjacency = Adjacency(sphere);
    ID3DXMesh* same = nullptr;
    ASSERT_EQ(D3DXCleanMesh(sphere, sphereAdjacency.data(), &same, sphereAdjacency.data(), nullptr), D3D_OK);
    Keep(same);
    EXPECT_EQ(same->GetNumVertices(), sphere->GetNumVertices());
    EXPECT_EQ(Keys(DrawnFaces(same)), Keys(DrawnFaces(sphere)));
}

TEST_F(MeshRepairTest, WeldingJoinsOnlyVerticesEqualInEveryComponent) {
    // A quad as two triangles with their own corners: the diagonal's ends are
    // repeated, one exactly, one with another texture coordinate.
    TestMesh quad;
    quad.m_vertices = {{{0, 0, 0}, {0, 1, 0}, 0, 0}, {{0, 0, 1}, {0, 1, 0}, 0, 1},    {{1, 0, 1}, {0, 1, 0}, 1, 1},
                       {{0, 0, 0}, {0, 1, 0}, 0, 0}, {{1, 0, 1}, {0, 1, 0}, 0.5f, 1}, {{1, 0, 0}, {0, 1, 0}, 1, 0}};
    quad.m_indices = {0, 1, 2, 3, 4, 5};
    quad.m_attributes = {0, 0};
    ID3DXMesh* mesh = Make(quad);
    std::vector<DWORD> adjacency = Adjacency(mesh);
    const std::vector<DWORD> before = adjacency;
    // Zero tolerances and the adjacency in and out in one array, as the display meshes call it.
    const D3DXWELDEPSILONS epsilons{};
    ASSERT_EQ(D3DXWeldVertices(mesh, &epsilons, adjacency.data(), adjacency.data(), nullptr, nullptr), D3D_OK);
    MeshArrays arrays;
    ASSERT_EQ(arrays.Read(mesh), D3D_OK);
    EXPECT_EQ(arrays.m_indices, (std::vector<DWORD>{0, 1, 2, 0, 4, 5}));
    EXPECT_EQ(adjacency, before);  // positions did not move: the faces still meet the same way
}

TEST_F(MeshRepairTest, ValidationRejectsDegenerateRepeatedAndOneSidedFaces) {
    ID3DXMesh* good = Make(MakeTetrahedron());
    std::vector<DWORD> adjacency = Adjacency(good);
    EXPECT_EQ(Errors(good, adjacency, D3D_OK), "");
    EXPECT_EQ(D3DXValidMesh(good, nullptr, nullptr), D3D_OK);  // adjacency generated

    // Face 1 names face 0 as neighbour, face 0 does not name face 1.
    std::vector<DWORD> oneSided = adjacency;
    for (DWORD e = 0; e < 3; ++e) {
        if (oneSided[e] == 1) {
            oneSided[e] = kNone;
        }
    }
    EXPECT_NE(Errors(good, oneSided, D3DXERR_INVALIDMESH).find("not the other way"), std::string::npos);
    std::vector<DWORD> outOfRange = adjacency;
    outOfRange[0] = 9;
    EXPECT_NE(Errors(good, outOfRange, D3DXERR_INVALIDMESH).find("invalid neighbour"), std::string::npos);

    TestMesh degenerate = MakeTetrahedron();
    degenerate.m_indices[2] = degenerate.m_indices[1];
    ID3DXMesh* flat = Make(degenerate);
    EXPECT_NE(Errors(flat, Adjacency(flat), D3DXERR_INVALIDMESH).find("degenerate"), std::string::npos);

    TestMesh repeated = MakeTetrahedron();
    repeated.m_indices.insert(repeated.m_indices.end(), {2, 1, 0});
    repeated.m_attributes.push_back(0);
    ID3DXMesh* twice = Make(repeated);
    EXPECT_NE(Errors(twice, Adjacency(twice), D3DXERR_INVALIDMESH).find("repeats face 0"), std::string::npos);
}

TEST_F(MeshRepairTest, NormalsOfACubeAndASphere) {
    auto normalOf = [](const MeshArrays& arrays, DWORD v) {
        D3DXVECTOR3 n;
        std::memcpy(&n, arrays.Vertex(v) + arrays.m_layout.NormalOffset(), 12);
        return n;
    };
    // Split sides: each corner takes its side's normal.
    ID3DXMesh* split = Make(MakeCube(true));
    ASSERT_EQ(D3DXComputeNormals(split, nullptr), D3D_OK);
    MeshArrays arrays;
    ASSERT_EQ(arrays.Read(split), D3D_OK);
    for (DWORD v = 0; v < 24; ++v) {
        // The side's normal: twice its centre, the mean of its four corners.
        D3DXVECTOR3 expected(0, 0, 0);
        for (DWORD k = 0; k < 4; ++k) {
            expected += arrays.Position(v / 4 * 4 + k) * 0.5f;
        }
        const D3DXVECTOR3 n = normalOf(arrays, v);
        EXPECT_NEAR(n.x, expected.x, 1e-6f) << "vertex " << v;
        EXPECT_NEAR(n.y, expected.y, 1e-6f) << "vertex " << v;
        EXPECT_NEAR(n.z, expected.z, 1e-6f) << "vertex " << v;
    }
    // Shared corners: angle weighting gives the exact diagonal whatever the triangulation.
    ID3DXMesh* shared = Make(MakeCube(false));
    ASSERT_EQ(D3DXComputeNormals(shared, nullptr), D3D_OK);
    ASSERT_EQ(arrays.Read(shared), D3D_OK);
    for (DWORD v = 0; v < 8; ++v) {
        const D3DXVECTOR3 p = arrays.Position(v);
        const D3DXVECTOR3 n = normalOf(arrays, v);
        const float k = 1.0f / std::sqrt(3.0f);
        EXPECT_NEAR(n.x, p.x > 0 ? k : -k, 1e-5f);
        EXPECT_NEAR(n.y, p.y > 0 ? k : -k, 1e-5f);
        EXPECT_NEAR(n.z, p.z > 0 ? k : -k, 1e-5f);
    }
    // A sphere's normals point away from its centre; with adjacency the seam
    // copies agree, without it each side sees only its own faces.
    TestMesh sphere = MakeSphere(12, 16);
    for (PosNormTex& v : sphere.m_vertices) {
        v.m_n = D3DXVECTOR3(0, 0, 0);
    }
    ID3DXMesh* ball = Make(sphere);
    std::vector<DWORD> adjacency = Adjacency(ball);
    ASSERT_EQ(D3DXComputeNormals(ball, adjacency.data()), D3D_OK);
    ASSERT_EQ(arrays.Read(ball), D3D_OK);
    for (DWORD v = 0; v < arrays.VertexCount(); ++v) {
        const D3DXVECTOR3 p = arrays.Position(v);
        const D3DXVECTOR3 n = normalOf(arrays, v);
        EXPECT_GT(D3DXVec3Dot(&n, &p), 0.995f) << "vertex " << v;
    }
}

}  // namespace
