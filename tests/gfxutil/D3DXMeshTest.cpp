#include "gfxutil/D3DXMesh.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "gfxutil/D3DXMath.h"
#include "gfxutil/MeshBytes.h"
#include "support/RecordingDeviceTest.h"

namespace {

constexpr DWORD kFvf112 = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

class D3DXMeshTest : public RecordingDeviceTest {
protected:
    // Fills a mesh of format 0x112 with the given vertices, triangles and face attributes.
    static void Fill(ID3DXMesh* mesh, const std::vector<Vertex112>& vertices, const std::vector<DWORD>& indices,
                     const std::vector<DWORD>& attributes) {
        BYTE* data = nullptr;
        ASSERT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
        std::memcpy(data, vertices.data(), vertices.size() * sizeof(Vertex112));
        ASSERT_EQ(mesh->UnlockVertexBuffer(), D3D_OK);
        ASSERT_EQ(mesh->LockIndexBuffer(0, &data), D3D_OK);
        for (size_t i = 0; i < indices.size(); ++i) {
            if (mesh->GetOptions() & D3DXMESH_32BIT) {
                std::memcpy(data + 4 * i, &indices[i], 4);
            } else {
                const WORD w = static_cast<WORD>(indices[i]);
                std::memcpy(data + 2 * i, &w, 2);
            }
        }
        ASSERT_EQ(mesh->UnlockIndexBuffer(), D3D_OK);
        DWORD* attrib = nullptr;
        ASSERT_EQ(mesh->LockAttributeBuffer(0, &attrib), D3D_OK);
        std::copy(attributes.begin(), attributes.end(), attrib);
        ASSERT_EQ(mesh->UnlockAttributeBuffer(), D3D_OK);
    }

    // A unit quad of four vertices (z = 0) and a far vertex, three faces: attributes 0, 1, 0.
    ID3DXMesh* ThreeFaceMesh(DWORD options) {
        ID3DXMesh* mesh = nullptr;
        EXPECT_EQ(D3DXCreateMeshFVF(3, 5, options, kFvf112, m_pDevice, &mesh), D3D_OK);
        const std::vector<Vertex112> vertices = {{0, 0, 0, 0, 0, -1, 0, 1},
                                                 {1, 0, 0, 0, 0, -1, 1, 1},
                                                 {0, 1, 0, 0, 0, -1, 0, 0},
                                                 {1, 1, 0, 0, 0, -1, 1, 0},
                                                 {5, 5, 5, 1, 0, 0, 0.5f, 0.5f}};
        Fill(mesh, vertices, {0, 2, 1, 1, 2, 3, 3, 2, 4}, {0, 1, 0});
        return mesh;
    }
};

TEST_F(D3DXMeshTest, BuffersFollowTheMemoryOptions) {
    const struct {
        DWORD options;
        D3DPOOL pool;
        DWORD vertexUsage;
        D3DFORMAT indexFormat;
        UINT indexSize;
    } kCases[] = {
        {D3DXMESH_SYSTEMMEM, D3DPOOL_SYSTEMMEM, 0, D3DFMT_INDEX16, 2},
        // The skinned model's options: system memory, write-only vertices, no clipping.
        {0x152, D3DPOOL_SYSTEMMEM, D3DUSAGE_WRITEONLY | D3DUSAGE_DONOTCLIP, D3DFMT_INDEX16, 2},
        {D3DXMESH_MANAGED | D3DXMESH_32BIT, D3DPOOL_MANAGED, 0, D3DFMT_INDEX32, 4},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.options);
        ID3DXMesh* mesh = nullptr;
        ASSERT_EQ(D3DXCreateMeshFVF(4, 6, c.options, kFvf112, m_pDevice, &mesh), D3D_OK);
        IDirect3DVertexBuffer8* vb = nullptr;
        IDirect3DIndexBuffer8* ib = nullptr;
        ASSERT_EQ(mesh->GetVertexBuffer(&vb), D3D_OK);
        ASSERT_EQ(mesh->GetIndexBuffer(&ib), D3D_OK);
        D3DVERTEXBUFFER_DESC vbDesc{};
        D3DINDEXBUFFER_DESC ibDesc{};
        vb->GetDesc(&vbDesc);
        ib->GetDesc(&ibDesc);
        EXPECT_EQ(vbDesc.Size, 6u * 32);
        EXPECT_EQ(vbDesc.Pool, c.pool);
        EXPECT_EQ(vbDesc.Usage, c.vertexUsage);
        EXPECT_EQ(vbDesc.FVF, kFvf112);
        EXPECT_EQ(ibDesc.Format, c.indexFormat);
        EXPECT_EQ(ibDesc.Size, 4u * 3 * c.indexSize);
        EXPECT_EQ(ibDesc.Pool, c.pool);
        vb->Release();
        ib->Release();
        mesh->Release();
    }
}

TEST_F(D3DXMeshTest, CreationRefusesWhatCannotBeBuilt) {
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(this);
    EXPECT_EQ(D3DXCreateMeshFVF(0, 3, D3DXMESH_SYSTEMMEM, kFvf112, m_pDevice, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 0, D3DXMESH_SYSTEMMEM, kFvf112, m_pDevice, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, D3DFVF_NORMAL, m_pDevice, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, kFvf112, nullptr, &mesh), D3DERR_INVALIDCALL);
    // 16-bit indices cannot reach vertex 65536.
    EXPECT_EQ(D3DXCreateMeshFVF(1, 70000, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, m_pDevice, &mesh), D3DERR_INVALIDCALL);
    ASSERT_EQ(D3DXCreateMeshFVF(1, 70000, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DFVF_XYZ, m_pDevice, &mesh), D3D_OK);
    mesh->Release();
}

TEST_F(D3DXMeshTest, DrawSubsetDrawsEachRunOfAnAttributeAndSortingMakesItOneDraw) {
    ID3DXMesh* mesh = ThreeFaceMesh(D3DXMESH_MANAGED);
    DWORD tableSize = 0;
    mesh->GetAttributeTable(nullptr, &tableSize);
    EXPECT_EQ(tableSize, 3u);  // 0, 1, 0 in face order

    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    m_pLog->Clear();
    ASSERT_EQ(mesh->DrawSubset(0), D3D_OK);
    EXPECT_EQ(m_pLog->DrawCount(), 2u);

    DWORD remap[3] = {};
    DWORD adjacencyOut[9] = {};
    ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, adjacencyOut, remap, nullptr), D3D_OK);
    EXPECT_EQ(remap[0], 0u);
    EXPECT_EQ(remap[1], 2u);
    EXPECT_EQ(remap[2], 1u);
    EXPECT_EQ(MeshIndices(mesh), (std::vector<DWORD>{0, 2, 1, 3, 2, 4, 1, 2, 3}));
    D3DXATTRIBUTERANGE table[2] = {};
    mesh->GetAttributeTable(nullptr, &tableSize);
    ASSERT_EQ(tableSize, 2u);
    mesh->GetAttributeTable(table, &tableSize);
    EXPECT_EQ(table[0].AttribId, 0u);
    EXPECT_EQ(table[0].FaceStart, 0u);
    EXPECT_EQ(table[0].FaceCount, 2u);
    EXPECT_EQ(table[0].VertexStart, 0u);
    EXPECT_EQ(table[0].VertexCount, 5u);
    EXPECT_EQ(table[1].AttribId, 1u);
    EXPECT_EQ(table[1].FaceStart, 2u);
    EXPECT_EQ(table[1].VertexStart, 1u);
    EXPECT_EQ(table[1].VertexCount, 3u);

    m_pLog->Clear();
    ASSERT_EQ(mesh->DrawSubset(1), D3D_OK);
    ASSERT_EQ(m_pLog->DrawCount(), 1u);
    const RecordLog::Draw& draw = m_pLog->DrawAt(0);
    EXPECT_TRUE(draw.m_call.m_bIndexed);
    EXPECT_EQ(draw.m_call.m_type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draw.m_call.m_uStartIndex, 6u);
    EXPECT_EQ(draw.m_call.m_uPrimitiveCount, 1u);
    EXPECT_EQ(draw.m_call.m_uMinIndex, 1u);
    EXPECT_EQ(draw.m_call.m_uNumVertices, 3u);
    EXPECT_EQ(m_pLog->FvfAtDraw(0), kFvf112);
    EXPECT_EQ(m_pLog->StrideAtDraw(0), 32u);
    IDirect3DVertexBuffer8* vb = nullptr;
    mesh->GetVertexBuffer(&vb);
    EXPECT_EQ(m_pLog->StreamAtDraw(0), vb);
    vb->Release();

    m_pLog->Clear();
    ASSERT_EQ(mesh->DrawSubset(0), D3D_OK);
    EXPECT_EQ(m_pLog->DrawCount(), 1u);
    m_pLog->Clear();
    EXPECT_EQ(mesh->DrawSubset(7), D3D_OK);  // no such faces: nothing drawn
    EXPECT_EQ(m_pLog->DrawCount(), 0u);
    m_pDevice->EndScene();
    // Unbind before the mesh goes, so only the mesh held its buffers.
    m_pDevice->SetStreamSource(0, nullptr, 0);
    m_pDevice->SetIndices(nullptr, 0);
    mesh->Release();
}

// The scene clones whatever a file holds (here vertex colours, a second set
// and 32-bit indices) to its 16-bit position, normal and texture format.
TEST_F(D3DXMeshTest, CloneConvertsVertexFormatsAndIndexWidths) {
    ID3DXMesh* mesh = ThreeFaceMesh(D3DXMESH_SYSTEMMEM);
    ID3DXMesh* coloured = nullptr;
    const DWORD colourFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;
    ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_MANAGED | D3DXMESH_32BIT, colourFvf, m_pDevice, &coloured), D3D_OK);
    EXPECT_EQ(coloured->GetFVF(), colourFvf);

    // The normal is gone (zero), position and first set survive, 16-bit again.
    ID3DXMesh* back = nullptr;
    ASSERT_EQ(coloured->CloneMeshFVF(D3DXMESH_SYSTEMMEM, kFvf112, m_pDevice, &back), D3D_OK);
    BYTE* data = nullptr;
    ASSERT_EQ(back->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    Vertex112 v{};
    std::memcpy(&v, data + 4 * sizeof(Vertex112), sizeof(v));
    back->UnlockVertexBuffer();
    EXPECT_EQ(v.x, 5.0f);
    EXPECT_EQ(v.nx, 0.0f);
    EXPECT_EQ(v.v, 0.5f);
    EXPECT_EQ(MeshIndices(back), MeshIndices(mesh));
    DWORD* attributes = nullptr;
    ASSERT_EQ(back->LockAttributeBuffer(D3DLOCK_READONLY, &attributes), D3D_OK);
    EXPECT_EQ(attributes[1], 1u);
    back->UnlockAttributeBuffer();
    back->Release();
    coloured->Release();
    mesh->Release();
}

// A cube of 12 faces, wound clockwise seen from outside (the front faces of a left-handed scene).
std::vector<DWORD> CubeIndices() {
    return {0, 2, 1, 1, 2, 3,  // z0
            4, 5, 6, 5, 7, 6,  // z1
            0, 4, 2, 2, 4, 6,  // x0
            1, 3, 5, 3, 7, 5,  // x1
            2, 6, 3, 3, 6, 7,  // y1
            0, 1, 4, 1, 5, 4};
}

void ExpectClosedAndSymmetric(const std::vector<DWORD>& adjacency) {
    const DWORD faces = static_cast<DWORD>(adjacency.size() / 3);
    for (DWORD f = 0; f < faces; ++f) {
        std::set<DWORD> neighbours;
        for (DWORD e = 0; e < 3; ++e) {
            const DWORD g = adjacency[3 * f + e];
            ASSERT_LT(g, faces) << "face " << f << " edge " << e << " open";
            EXPECT_NE(g, f);
            neighbours.insert(g);
            const DWORD* back = &adjacency[3 * g];
            EXPECT_TRUE(back[0] == f || back[1] == f || back[2] == f) << f << " -> " << g << " not mutual";
        }
        EXPECT_EQ(neighbours.size(), 3u);
    }
}

TEST_F(D3DXMeshTest, AdjacencyOfAClosedCubeOfACubeWithSplitCornersAndOfAnOpenSheet) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(12, 8, D3DXMESH_SYSTEMMEM, kFvf112, m_pDevice, &mesh), D3D_OK);
    std::vector<Vertex112> corners;
    for (int k = 0; k < 8; ++k) {
        corners.push_back({(k & 1) ? 1.f : -1.f, (k & 2) ? 1.f : -1.f, (k & 4) ? 1.f : -1.f, 0, 0, 0, 0, 0});
    }
    Fill(mesh, corners, CubeIndices(), std::vector<DWORD>(12, 0));
    std::vector<DWORD> adjacency(36);
    ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency.data()), D3D_OK);
    ExpectClosedAndSymmetric(adjacency);
    // Face 0 (0,2,1) meets face 1 across its edge 2-1, and the x0 face (0,4,2) across 0-2.
    EXPECT_EQ(adjacency[1], 1u);
    EXPECT_EQ(adjacency[0], 4u);
    mesh->Release();

    // Each face with its own three vertices (as after splitting by normals): same positions, same answer.
    ASSERT_EQ(D3DXCreateMeshFVF(12, 36, D3DXMESH_SYSTEMMEM, kFvf112, m_pDevice, &mesh), D3D_OK);
    std::vector<Vertex112> split;
    std::vector<DWORD> splitIndices;
    for (DWORD index : CubeIndices()) {
        Vertex112 v = corners[index];
        v.nx = static_cast<float>(splitIndices.size());  // every vertex differs beyond its position
        splitIndices.push_back(static_cast<DWORD>(split.size()));
        split.push_back(v);
    }
    Fill(mesh, split, splitIndices, std::vector<DWORD>(12, 0));
    std::vector<DWORD> splitAdjacency(36);
    ASSERT_EQ(mesh->GenerateAdjacency(0.0f, splitAdjacency.data()), D3D_OK);
    EXPECT_EQ(splitAdjacency, adjacency);
    mesh->Release();

    // An open sheet: faces (0,2,1), (1,2,3), (3,2,4) meet across 2-1 and 2-3 only.
    mesh = ThreeFaceMesh(D3DXMESH_SYSTEMMEM);
    std::vector<DWORD> sheet(9);
    ASSERT_EQ(mesh->GenerateAdjacency(0.0f, sheet.data()), D3D_OK);
    EXPECT_EQ(sheet, (std::vector<DWORD>{0xFFFFFFFF, 1, 0xFFFFFFFF, 0, 2, 0xFFFFFFFF, 1, 0xFFFFFFFF, 0xFFFFFFFF}));
    mesh->Release();
}

}  // namespace
