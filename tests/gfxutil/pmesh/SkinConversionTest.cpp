#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "gfxutil/D3DXSkinMesh.h"
#include "gfxutil/pmesh/TestMeshes.h"

namespace {

constexpr DWORD kRings = 7;
constexpr DWORD kSegments = 8;

// An open tube along +Y, rings 0..6; bone 0 holds rings 0-1, bone 1 ring 3,
// bone 2 rings 5-6, and rings 2 and 4 are shared half and half.
TestMesh MakeTube(bool twoMaterials) {
    TestMesh mesh;
    for (DWORD r = 0; r < kRings; ++r) {
        for (DWORD j = 0; j < kSegments; ++j) {
            const float phi = 6.2831853f * j / kSegments;
            const D3DXVECTOR3 n(std::cos(phi), 0.0f, std::sin(phi));
            mesh.m_vertices.push_back({{n.x, static_cast<float>(r), n.z}, n, 0.1f * j, 0.1f * r});
        }
    }
    for (DWORD r = 0; r + 1 < kRings; ++r) {
        for (DWORD j = 0; j < kSegments; ++j) {
            const DWORD a = r * kSegments + j;
            const DWORD b = r * kSegments + (j + 1) % kSegments;
            mesh.m_indices.insert(mesh.m_indices.end(), {a, a + kSegments, b, b, a + kSegments, b + kSegments});
            const DWORD attribute = (twoMaterials && r >= 3) ? 1 : 0;
            mesh.m_attributes.insert(mesh.m_attributes.end(), {attribute, attribute});
        }
    }
    return mesh;
}

std::vector<D3DXSkinMesh::Influences> TubeBones() {
    std::vector<D3DXSkinMesh::Influences> bones(3);
    const float ringWeights[kRings][3] = {{1, 0, 0},       {1, 0, 0}, {0.5f, 0.5f, 0}, {0, 1, 0},
                                          {0, 0.5f, 0.5f}, {0, 0, 1}, {0, 0, 1}};
    for (DWORD r = 0; r < kRings; ++r) {
        for (DWORD b = 0; b < 3; ++b) {
            if (ringWeights[r][b] > 0.0f) {
                for (DWORD j = 0; j < kSegments; ++j) {
                    bones[b].m_vertices.push_back(r * kSegments + j);
                    bones[b].m_weights.push_back(ringWeights[r][b]);
                }
            }
        }
    }
    return bones;
}

std::vector<D3DXMATRIX> BoneMatrices() {
    std::vector<D3DXMATRIX> matrices(3);
    D3DXMATRIX r;
    D3DXMATRIX t;
    D3DXMatrixRotationY(&r, 0.3f);
    D3DXMatrixTranslation(&t, 0.5f, 0.0f, -1.0f);
    D3DXMatrixMultiply(&matrices[0], &r, &t);
    D3DXMatrixRotationX(&matrices[1], 0.7f);
    D3DXMatrixRotationZ(&r, -0.4f);
    D3DXMatrixTranslation(&t, -2.0f, 1.0f, 0.25f);
    D3DXMatrixMultiply(&matrices[2], &r, &t);
    return matrices;
}

D3DXVECTOR3 Transform(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &m);
    return out;
}

class SkinConversionTest : public MeshDeviceTest {
protected:
    ID3DXSkinMesh* MakeSkin(const TestMesh& source, std::vector<D3DXSkinMesh::Influences> bones) {
        ID3DXMesh* mesh = CreateMesh(m_pDevice, source);
        EXPECT_NE(mesh, nullptr);
        ID3DXSkinMesh* skin = D3DXSkinMesh::Create(mesh, std::move(bones));
        mesh->Release();
        return Keep(skin);
    }

    struct Converted {
        ID3DXMesh* m_pMesh = nullptr;
        std::vector<D3DXBONECOMBINATION> m_table;
        std::vector<std::vector<DWORD>> m_boneIds;
        std::vector<DWORD> m_vertexRemap;
    };
    Converted Convert(ID3DXSkinMesh* skin, DWORD palette) {
        Converted out;
        DWORD count = 0;
        ID3DXBuffer* table = nullptr;
        ID3DXBuffer* remap = nullptr;
        EXPECT_EQ(skin->ConvertToIndexedBlendedMesh(D3DXMESHOPT_VERTEXCACHE | D3DXMESH_MANAGED, nullptr, palette,
                                                    nullptr, &count, &table, nullptr, &remap, &out.m_pMesh),
                  D3D_OK);
        if (out.m_pMesh == nullptr) {
            return out;
        }
        Keep(out.m_pMesh);
        auto* entries = static_cast<D3DXBONECOMBINATION*>(table->GetBufferPointer());
        for (DWORD i = 0; i < count; ++i) {
            out.m_table.push_back(entries[i]);
            out.m_boneIds.emplace_back(entries[i].BoneId, entries[i].BoneId + palette);
        }
        const DWORD* ids = static_cast<DWORD*>(remap->GetBufferPointer());
        out.m_vertexRemap.assign(ids, ids + remap->GetBufferSize() / 4);
        table->Release();
        remap->Release();
        return out;
    }
};

TEST_F(SkinConversionTest, PalettesSplitTheTubeIntoTheSubsetsItsBonesNeed) {
    ID3DXSkinMesh* skin = MakeSkin(MakeTube(false), TubeBones());
    const DWORD kNone = 0xFFFFFFFF;

    const Converted two = Convert(skin, 2);
    ASSERT_EQ(two.m_table.size(), 2u);
    EXPECT_EQ(two.m_boneIds[0], (std::vector<DWORD>{0, 1}));
    EXPECT_EQ(two.m_boneIds[1], (std::vector<DWORD>{1, 2}));
    EXPECT_EQ(two.m_table[0].FaceStart, 0u);
    EXPECT_EQ(two.m_table[0].FaceCount, 48u);
    EXPECT_EQ(two.m_table[1].FaceStart, 48u);
    EXPECT_EQ(two.m_table[1].FaceCount, 48u);
    EXPECT_EQ(two.m_table[0].VertexCount, 32u);  // rings 0-3
    EXPECT_EQ(two.m_table[1].VertexStart, 32u);
    EXPECT_EQ(two.m_table[1].VertexCount, 32u);  // rings 3-6: ring 3 repeated
    EXPECT_EQ(two.m_pMesh->GetNumVertices(), 64u);

    const Converted three = Convert(skin, 3);
    ASSERT_EQ(three.m_table.size(), 1u);
    EXPECT_EQ(three.m_boneIds[0], (std::vector<DWORD>{0, 1, 2}));
    EXPECT_EQ(three.m_pMesh->GetNumVertices(), 56u);

    // A palette smaller than one face's bones cannot draw it.
    ID3DXMesh* refused = nullptr;
    EXPECT_EQ(skin->ConvertToIndexedBlendedMesh(D3DXMESH_MANAGED, nullptr, 1, nullptr, nullptr, nullptr, nullptr,
                                                nullptr, &refused),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(refused, nullptr);

    const Converted all = Convert(skin, 256);
    ASSERT_EQ(all.m_table.size(), 1u);
    EXPECT_EQ(all.m_boneIds[0].size(), 256u);
    EXPECT_EQ(std::count(all.m_boneIds[0].begin(), all.m_boneIds[0].end(), kNone), 253);

    // Two influences at most: the blend count callers read from the format is 2.
    for (const Converted* c : {&two, &three, &all}) {
        const DWORD fvf = c->m_pMesh->GetFVF();
        EXPECT_EQ(((fvf & 0xE) - 4) / 2, 2u);
        EXPECT_EQ(fvf & ~D3DFVF_POSITION_MASK, D3DFVF_NORMAL | D3DFVF_TEX1 | D3DFVF_LASTBETA_UBYTE4);
        // Subset i draws exactly the faces of combination i.
        D3DXATTRIBUTERANGE ranges[4] = {};
        DWORD count = 0;
        c->m_pMesh->GetAttributeTable(ranges, &count);
        ASSERT_EQ(count, c->m_table.size());
        for (DWORD i = 0; i < count; ++i) {
            EXPECT_EQ(ranges[i].AttribId, i);
            EXPECT_EQ(ranges[i].FaceStart, c->m_table[i].FaceStart);
            EXPECT_EQ(ranges[i].FaceCount, c->m_table[i].FaceCount);
        }
    }
}

TEST_F(SkinConversionTest, BlendedVerticesLandWhereTheOriginalWeightsPutThem) {
    const TestMesh tube = MakeTube(false);
    ID3DXSkinMesh* skin = MakeSkin(tube, TubeBones());
    const std::vector<D3DXMATRIX> bones = BoneMatrices();
    // Reference: every bone's weight on every vertex, straight from the influences.
    std::vector<D3DXVECTOR3> expected(tube.m_vertices.size(), D3DXVECTOR3(0, 0, 0));
    for (DWORD b = 0; b < 3; ++b) {
        const DWORD n = skin->GetNumBoneInfluences(b);
        std::vector<DWORD> vertices(n);
        std::vector<float> weights(n);
        ASSERT_EQ(skin->GetBoneInfluence(b, vertices.data(), weights.data()), D3D_OK);
        for (DWORD i = 0; i < n; ++i) {
            D3DXVECTOR3 moved = Transform(tube.m_vertices[vertices[i]].m_p, bones[b]);
            D3DXVec3Scale(&moved, &moved, weights[i]);
            expected[vertices[i]] += moved;
        }
    }
    for (DWORD palette : {2u, 3u, 256u}) {
        const Converted c = Convert(skin, palette);
        ASSERT_NE(c.m_pMesh, nullptr);
        BYTE* data = nullptr;
        ASSERT_EQ(c.m_pMesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
        const DWORD stride = 12 + 4 + 4 + 12 + 8;
        for (size_t s = 0; s < c.m_table.size(); ++s) {
            for (DWORD v = c.m_table[s].VertexStart; v < c.m_table[s].VertexStart + c.m_table[s].VertexCount; ++v) {
                const BYTE* vertex = data + static_cast<size_t>(v) * stride;
                D3DXVECTOR3 p;
                float w0 = 0.0f;
                BYTE slots[4] = {};
                std::memcpy(&p, vertex, 12);
                std::memcpy(&w0, vertex + 12, 4);
                std::memcpy(slots, vertex + 16, 4);
                const float w[2] = {w0, 1.0f - w0};
                D3DXVECTOR3 blended(0, 0, 0);
                for (int k = 0; k < 2; ++k) {
                    const DWORD bone = c.m_boneIds[s][slots[k]];
                    if (w[k] == 0.0f) {
                        continue;
                    }
                    ASSERT_LT(bone, 3u) << "a weighted slot names no bone";
                    D3DXVECTOR3 moved = Transform(p, bones[bone]);
                    D3DXVec3Scale(&moved, &moved, w[k]);
                    blended += moved;
                }
                const DWORD source = c.m_vertexRemap[v];
                EXPECT_NEAR(blended.x, expected[source].x, 1e-5f) << "palette " << palette << " vertex " << v;
                EXPECT_NEAR(blended.y, expected[source].y, 1e-5f) << "palette " << palette << " vertex " << v;
                EXPECT_NEAR(blended.z, expected[source].z, 1e-5f) << "palette " << palette << " vertex " << v;
                // Normal and texture coordinate come through unchanged.
                EXPECT_EQ(std::memcmp(vertex + 20, &tube.m_vertices[source].m_n, 20), 0);
            }
        }
        c.m_pMesh->UnlockVertexBuffer();
    }
}

TEST_F(SkinConversionTest, MaterialsSplitSubsetsAndAVertexBlendsAtMostFourBones) {
    ID3DXSkinMesh* skin = MakeSkin(MakeTube(true), TubeBones());
    const Converted c = Convert(skin, 256);
    ASSERT_EQ(c.m_table.size(), 2u);
    EXPECT_EQ(c.m_table[0].AttribId, 0u);
    EXPECT_EQ(c.m_table[1].AttribId, 1u);
    EXPECT_EQ(c.m_boneIds[0][0], 0u);
    EXPECT_EQ(c.m_boneIds[1][0], 1u);

    // One triangle whose first corner five bones move.
    TestMesh tri;
    tri.m_vertices = {{{0, 0, 0}, {0, 1, 0}, 0, 0}, {{1, 0, 0}, {0, 1, 0}, 0, 0}, {{0, 0, 1}, {0, 1, 0}, 0, 0}};
    tri.m_indices = {0, 1, 2};
    tri.m_attributes = {0};
    std::vector<D3DXSkinMesh::Influences> five(5);
    const float weights[5] = {0.1f, 0.15f, 0.2f, 0.25f, 0.3f};
    for (DWORD b = 0; b < 5; ++b) {
        five[b].m_vertices = {0, 1, 2};
        five[b].m_weights = {weights[b], b == 0 ? 1.0f : 0.0f, b == 0 ? 1.0f : 0.0f};
    }
    const Converted blended = Convert(MakeSkin(tri, five), 8);
    ASSERT_NE(blended.m_pMesh, nullptr);
    EXPECT_EQ(((blended.m_pMesh->GetFVF() & 0xE) - 4) / 2, 4u);
    BYTE* data = nullptr;
    ASSERT_EQ(blended.m_pMesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    DWORD corner = 0;
    while (blended.m_vertexRemap[corner] != 0) {
        ++corner;
    }
    const BYTE* vertex = data + static_cast<size_t>(corner) * (12 + 12 + 4 + 12 + 8);
    float stored[3] = {};
    BYTE slots[4] = {};
    std::memcpy(stored, vertex + 12, 12);
    std::memcpy(slots, vertex + 24, 4);
    blended.m_pMesh->UnlockVertexBuffer();
    // Bones 4, 3, 2, 1 keep 0.3, 0.25, 0.2, 0.15 out of 0.9; bone 0 is dropped.
    const float kept[4] = {0.3f / 0.9f, 0.25f / 0.9f, 0.2f / 0.9f, 0.15f / 0.9f};
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(stored[k], kept[k], 1e-6f);
    }
    EXPECT_NEAR(1.0f - stored[0] - stored[1] - stored[2], kept[3], 1e-6f);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(blended.m_boneIds[0][slots[k]], static_cast<DWORD>(4 - k));
    }
}

}  // namespace
