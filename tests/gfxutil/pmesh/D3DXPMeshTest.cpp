#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "gfxutil/D3DXPMesh.h"
#include "gfxutil/MeshRepair.h"
#include "gfxutil/pmesh/TestMeshes.h"

namespace {

// Twice the face's area, along its front side's normal.
D3DXVECTOR3 AreaNormal(const DrawnFace& face) {
    D3DXVECTOR3 e1;
    D3DXVECTOR3 e2;
    D3DXVECTOR3 n;
    D3DXVec3Subtract(&e1, &face.m_corners[1], &face.m_corners[0]);
    D3DXVec3Subtract(&e2, &face.m_corners[2], &face.m_corners[0]);
    return *D3DXVec3Cross(&n, &e1, &e2);
}

// No face of a body around the origin turns inward. (A face may stand edge-on
// where simplification leaves three seam vertices of one meridian together.)
bool AllFaceOutward(const std::vector<DrawnFace>& faces) {
    for (const DrawnFace& face : faces) {
        const D3DXVECTOR3 n = AreaNormal(face);
        D3DXVECTOR3 centre = face.m_corners[0];
        centre += face.m_corners[1];
        centre += face.m_corners[2];
        if (D3DXVec3Dot(&n, &centre) < -1e-4f * D3DXVec3Length(&n) * D3DXVec3Length(&centre)) {
            return false;
        }
    }
    return true;
}

class PMeshTest : public MeshDeviceTest {
protected:
    ID3DXPMesh* Generate(const TestMesh& source, DWORD minValue) {
        ID3DXMesh* mesh = Keep(CreateMesh(m_pDevice, source));
        EXPECT_NE(mesh, nullptr);
        ID3DXPMesh* pmesh = nullptr;
        EXPECT_EQ(D3DXGeneratePMesh(mesh, nullptr, nullptr, nullptr, minValue, D3DXMESHSIMP_VERTEX, &pmesh), D3D_OK);
        return Keep(pmesh);
    }
};

TEST_F(PMeshTest, DetailLevelsCutFromTheExampleBandsAreWatertightUnflippedAndKeepMaterials) {
    const TestMesh sphere = MakeSphere(19, 10);
    ID3DXPMesh* pmesh = Generate(sphere, 120);
    ASSERT_NE(pmesh, nullptr);
    const DWORD vmin = pmesh->GetMinVertices();
    const DWORD vmax = pmesh->GetMaxVertices();
    ASSERT_EQ(vmin, 120u);
    ASSERT_EQ(vmax, 229u);
    // Cut as the display meshes cut it: 11 levels of 10, the last one's upper bound past vmax.
    const DWORD step = 10;
    const DWORD levels = 11;
    const std::multiset<FaceKey> source = Keys(DrawnFaces(Keep(CreateMesh(m_pDevice, sphere))));
    for (DWORD i = 0; i < levels; ++i) {
        ID3DXPMesh* level = nullptr;
        ASSERT_EQ(pmesh->ClonePMeshFVF(D3DXMESH_MANAGED | D3DXMESH_VB_SHARE, pmesh->GetFVF(), m_pDevice, &level),
                  D3D_OK);
        Keep(level);
        ASSERT_EQ(level->TrimByVertices(vmin + step * i, vmin + step * (i + 1), nullptr, nullptr), D3D_OK);
        ASSERT_EQ(level->OptimizeBaseLOD(D3DXMESHOPT_VERTEXCACHE, nullptr), D3D_OK);
        EXPECT_EQ(level->GetMinVertices(), 120 + 10 * i);
        EXPECT_EQ(level->GetMaxVertices(), std::min(130 + 10 * i, 229u));
        for (DWORD n = level->GetMinVertices(); n <= level->GetMaxVertices(); ++n) {
            ASSERT_EQ(level->SetNumVertices(n), D3D_OK);
            ASSERT_EQ(pmesh->SetNumVertices(n), D3D_OK);
            EXPECT_EQ(level->GetNumVertices(), n);
            const std::vector<DrawnFace> faces = DrawnFaces(level);
            EXPECT_TRUE(IsWatertight(faces)) << "level " << i << " at " << n << " vertices";
            EXPECT_TRUE(AllFaceOutward(faces)) << "level " << i << " at " << n << " vertices";
            const std::set<DWORD> attributes = {faces.front().m_dwAttribute, faces.back().m_dwAttribute};
            EXPECT_EQ(attributes, (std::set<DWORD>{0, 1}));
            // Reordering the base faces changes no level.
            EXPECT_EQ(Keys(faces), Keys(DrawnFaces(pmesh))) << "level " << i << " at " << n << " vertices";
            // Material boundary kept: every face of material 0 lies in the upper half.
            for (const DrawnFace& face : faces) {
                for (const D3DXVECTOR3& c : face.m_corners) {
                    EXPECT_TRUE(face.m_dwAttribute == 0 ? c.y >= 0.0f : c.y <= 0.0f);
                }
            }
        }
    }
    // The finest level at its maximum draws the source exactly.
    ASSERT_EQ(pmesh->SetNumVertices(vmax), D3D_OK);
    EXPECT_EQ(Keys(DrawnFaces(pmesh)), source);
}

TEST_F(PMeshTest, VertexCountsAreClampedToTheBandAndTrimmingNarrowsIt) {
    ID3DXPMesh* pmesh = Generate(MakeSphere(19, 10), 120);
    ASSERT_NE(pmesh, nullptr);
    EXPECT_EQ(pmesh->SetNumVertices(0), D3D_OK);
    EXPECT_EQ(pmesh->GetNumVertices(), 120u);
    EXPECT_EQ(pmesh->SetNumVertices(100000), D3D_OK);
    EXPECT_EQ(pmesh->GetNumVertices(), 229u);
    EXPECT_EQ(pmesh->SetNumVertices(150), D3D_OK);
    // Faces fall as vertices go.
    const DWORD faces150 = pmesh->GetNumFaces();
    EXPECT_EQ(pmesh->SetNumVertices(140), D3D_OK);
    EXPECT_LT(pmesh->GetNumFaces(), faces150);

    // Trimming narrows the band; bounds beyond it are clamped, a crossed band refused.
    EXPECT_EQ(pmesh->TrimByVertices(130, 400, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(pmesh->GetMinVertices(), 130u);
    EXPECT_EQ(pmesh->GetMaxVertices(), 229u);
    EXPECT_EQ(pmesh->TrimByVertices(200, 210, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(pmesh->GetNumVertices(), 200u);
    EXPECT_EQ(pmesh->SetNumVertices(229), D3D_OK);
    EXPECT_EQ(pmesh->GetNumVertices(), 210u);
    EXPECT_EQ(pmesh->TrimByVertices(215, 205, nullptr, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(PMeshTest, ClonesShareTheVertexDataAndDrawOneCallPerMaterial) {
    ID3DXPMesh* pmesh = Generate(MakeSphere(19, 10), 120);
    ASSERT_NE(pmesh, nullptr);
    ID3DXPMesh* shared = nullptr;
    ASSERT_EQ(pmesh->ClonePMeshFVF(D3DXMESH_MANAGED | D3DXMESH_VB_SHARE, pmesh->GetFVF(), m_pDevice, &shared), D3D_OK);
    Keep(shared);
    IDirect3DVertexBuffer8* a = nullptr;
    IDirect3DVertexBuffer8* b = nullptr;
    pmesh->GetVertexBuffer(&a);
    shared->GetVertexBuffer(&b);
    EXPECT_EQ(a, b);
    a->Release();
    b->Release();
    EXPECT_EQ(Keys(DrawnFaces(shared)), Keys(DrawnFaces(pmesh)));

    // Each subset is one indexed draw of the current level's faces of that material.
    ASSERT_EQ(shared->SetNumVertices(150), D3D_OK);
    D3DXATTRIBUTERANGE table[2] = {};
    DWORD count = 0;
    shared->GetAttributeTable(table, &count);
    ASSERT_EQ(count, 2u);
    m_pLog->Clear();
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    EXPECT_EQ(shared->DrawSubset(1), D3D_OK);
    EXPECT_EQ(shared->DrawSubset(0), D3D_OK);
    EXPECT_EQ(shared->DrawSubset(7), D3D_OK);  // no such material: nothing drawn
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    ASSERT_EQ(m_pLog->DrawCount(), 2u);
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_uPrimitiveCount, table[1].FaceCount);
    EXPECT_EQ(m_pLog->DrawAt(1).m_call.m_uPrimitiveCount, table[0].FaceCount);
    EXPECT_EQ(table[0].FaceCount + table[1].FaceCount, shared->GetNumFaces());
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_uNumVertices, 150u);
}

TEST_F(PMeshTest, SimplificationStopsWhereTheSurfaceAllowsNoMore) {
    // A closed body without seams cannot go below a tetrahedron; the sphere's
    // seam and poles stay; an open grid keeps its corners and its outline straight.
    ID3DXPMesh* cube = Generate(MakeCube(false), 1);
    ASSERT_NE(cube, nullptr);
    EXPECT_GE(cube->GetMinVertices(), 4u);
    EXPECT_LT(cube->GetMinVertices(), 8u);
    EXPECT_EQ(cube->GetMaxVertices(), 8u);
    ASSERT_EQ(cube->SetNumVertices(0), D3D_OK);
    EXPECT_TRUE(IsWatertight(DrawnFaces(cube)));

    ID3DXPMesh* sphere = Generate(MakeSphere(19, 10), 1);
    ASSERT_NE(sphere, nullptr);
    EXPECT_GE(sphere->GetMinVertices(), 58u);  // 20 pole vertices and both sides of the seam
    EXPECT_LT(sphere->GetMinVertices(), 120u);

    ID3DXPMesh* grid = Generate(MakeGrid(8), 1);
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->SetNumVertices(0), D3D_OK);
    const std::vector<DrawnFace> faces = DrawnFaces(grid);
    float area = 0.0f;
    for (const DrawnFace& face : faces) {
        const D3DXVECTOR3 n = AreaNormal(face);
        area += 0.5f * D3DXVec3Length(&n);
        EXPECT_GT(n.y, 0.0f) << "flipped face";
    }
    EXPECT_NEAR(area, 64.0f, 1e-3f);  // the outline is intact
    EXPECT_LE(grid->GetMinVertices(), 8u);
}

// Two flat n x n grids side by side, meeting along x = 0 with separate
// vertices (a seam): the left one's seam column at +0 and material 0, the
// right one's at -0 and material 1.
TestMesh MakeSeamedGrids(DWORD n) {
    TestMesh mesh = MakeGrid(n);
    for (PosNormTex& v : mesh.m_vertices) {
        v.m_p.x -= static_cast<float>(n);
        v.m_fU = v.m_p.x;
    }
    TestMesh right = MakeGrid(n);
    const DWORD first = static_cast<DWORD>(mesh.m_vertices.size());
    for (PosNormTex& v : right.m_vertices) {
        if (v.m_p.x == 0.0f) {
            v.m_p.x = v.m_fU = -0.0f;
        }
        mesh.m_vertices.push_back(v);
    }
    for (DWORD index : right.m_indices) {
        mesh.m_indices.push_back(first + index);
    }
    mesh.m_attributes.resize(2 * right.m_attributes.size(), 1);
    return mesh;
}

TEST_F(PMeshTest, SeamsHoldAndMaterialsGroupWhateverOrderAndZerosTheSourceUses) {
    // A seam whose two sides differ only in the sign of a zero is one
    // position: its vertices stay, so both sides keep meeting.
    const DWORD n = 6;
    ID3DXPMesh* grids = Generate(MakeSeamedGrids(n), 1);
    ASSERT_NE(grids, nullptr);
    ASSERT_EQ(grids->SetNumVertices(0), D3D_OK);
    EXPECT_LT(grids->GetNumVertices(), 2 * (n + 1) * (n + 1));
    std::set<float> seam[2];
    for (const DrawnFace& face : DrawnFaces(grids)) {
        for (const D3DXVECTOR3& c : face.m_corners) {
            if (c.x == 0.0f) {
                seam[face.m_dwAttribute].insert(c.z);
            }
        }
    }
    EXPECT_EQ(seam[0].size(), n + 1) << "coarsest level: " << grids->GetNumVertices() << " vertices";
    EXPECT_EQ(seam[0], seam[1]);

    // Faces of two materials given alternately, with material numbers out of
    // order: each level still draws every material as one subset, in material
    // order, on its own side of the boundary, and the finest level is the source.
    const TestMesh sphere = MakeSphere(19, 10);
    TestMesh mixed = sphere;
    mixed.m_indices.clear();
    mixed.m_attributes.clear();
    std::vector<DWORD> upper;
    std::vector<DWORD> lower;
    for (DWORD f = 0; f < sphere.m_attributes.size(); ++f) {
        (sphere.m_attributes[f] == 0 ? upper : lower).push_back(f);
    }
    for (size_t i = 0; i < std::max(upper.size(), lower.size()); ++i) {
        for (const auto& [faces, material] : {std::make_pair(&lower, 2u), std::make_pair(&upper, 5u)}) {
            if (i < faces->size()) {
                const DWORD f = (*faces)[i];
                mixed.m_indices.insert(mixed.m_indices.end(), &sphere.m_indices[3 * f], &sphere.m_indices[3 * f] + 3);
                mixed.m_attributes.push_back(material);
            }
        }
    }
    ID3DXPMesh* pmesh = Generate(mixed, 120);
    ASSERT_NE(pmesh, nullptr);
    for (DWORD v = pmesh->GetMinVertices(); v <= pmesh->GetMaxVertices(); v += 7) {
        ASSERT_EQ(pmesh->SetNumVertices(v), D3D_OK);
        D3DXATTRIBUTERANGE table[3] = {};
        DWORD count = 0;
        pmesh->GetAttributeTable(table, &count);
        ASSERT_EQ(count, 2u);
        EXPECT_EQ(table[0].AttribId, 2u);
        EXPECT_EQ(table[1].AttribId, 5u);
        const std::vector<DrawnFace> faces = DrawnFaces(pmesh);
        EXPECT_TRUE(IsWatertight(faces)) << v << " vertices";
        for (const DrawnFace& face : faces) {
            for (const D3DXVECTOR3& c : face.m_corners) {
                EXPECT_TRUE(face.m_dwAttribute == 5 ? c.y >= 0.0f : c.y <= 0.0f) << v << " vertices";
            }
        }
    }
    ASSERT_EQ(pmesh->SetNumVertices(pmesh->GetMaxVertices()), D3D_OK);
    EXPECT_EQ(Keys(DrawnFaces(pmesh)), Keys(DrawnFaces(Keep(CreateMesh(m_pDevice, mixed)))));
}

}  // namespace
