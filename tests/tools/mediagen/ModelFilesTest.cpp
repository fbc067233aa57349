// The generated models, read through the program's X-file runtime: what the
// clock's loaders take on trust (dummies bounding their meshes, consistent
// winding, the bird's skin and animation) and what the user sees of the
// numerals and the bird's cull volume.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <set>

#include "BirdModel.h"
#include "FlowerModels.h"
#include "VineModel.h"
#include "XFileWriter.h"
#include "platform/xfile/DXFile.h"
#include "tools/mediagen/GeneratedMedia.h"
#include "tools/mediagen/XRuntimeReader.h"

namespace {

using P3 = std::array<float, 3>;

std::vector<XNode> LoadModel(const std::string& szFile) {
    std::vector<XNode> roots;
    HRESULT hr = E_FAIL;
    const std::string szPath =
        szFile.find('/') == std::string::npos ? GeneratedMedia::RunFolder() + "/Model/" + szFile : szFile;
    EXPECT_TRUE(XRuntimeReader::Load(szPath, roots, hr)) << szFile << " hr=" << std::hex << hr;
    return roots;
}

std::vector<XMesh> Meshes(const std::string& szFile) {
    std::vector<const XNode*> nodes;
    const std::vector<XNode> roots = LoadModel(szFile);
    XRuntimeReader::CollectMeshes(roots, nodes);
    std::vector<XMesh> meshes;
    for (const XNode* p : nodes) {
        meshes.push_back(XRuntimeReader::Mesh(*p));
    }
    return meshes;
}

void Bounds(const XMesh& mesh, P3& min, P3& max) {
    min = {1e9f, 1e9f, 1e9f};
    max = {-1e9f, -1e9f, -1e9f};
    for (const P3& p : mesh.m_positions) {
        for (int k = 0; k < 3; ++k) {
            min[k] = std::min(min[k], p[k]);
            max[k] = std::max(max[k], p[k]);
        }
    }
}

P3 FaceNormal(const XMesh& mesh, const std::array<std::uint32_t, 3>& f) {
    const P3 &a = mesh.m_positions[f[0]], &b = mesh.m_positions[f[1]], &c = mesh.m_positions[f[2]];
    const P3 u = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

// Every edge is met by at most two faces, wound against each other, so the
// surface has one front that back-face culling keeps (a face turned the wrong
// way is a hole from the front); and the file's normals show that front.
// Vertices at the same position are taken as one, as adjacency sees them.
void ExpectConsistentWinding(const XMesh& mesh, const std::string& szWhere) {
    std::map<P3, std::uint32_t> welded;
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> directed;
    int nAgainst = 0;
    for (const auto& face : mesh.m_faces) {
        std::array<std::uint32_t, 3> r;
        P3 fileNormal = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            r[k] = welded.emplace(mesh.m_positions[face[k]], static_cast<std::uint32_t>(welded.size())).first->second;
            for (int a = 0; a < 3; ++a) {
                fileNormal[a] += mesh.m_normals[face[k]][a];
            }
        }
        for (int k = 0; k < 3; ++k) {
            ++directed[{r[k], r[(k + 1) % 3]}];
        }
        const P3 n = FaceNormal(mesh, face);
        nAgainst += n[0] * fileNormal[0] + n[1] * fileNormal[1] + n[2] * fileNormal[2] < 0.0f;
    }
    const auto nBadEdges = std::count_if(directed.begin(), directed.end(), [](const auto& e) { return e.second > 1; });
    EXPECT_EQ(nBadEdges, 0) << szWhere << ": edges shared by faces wound alike or by more than two faces";
    EXPECT_LE(nAgainst, static_cast<int>(mesh.m_faces.size()) / 50) << szWhere << ": faces wound against their normals";
}

struct Split {
    std::vector<XMesh> m_display, m_dammy;
};

Split SplitModel(const std::string& szFile) {
    Split split;
    for (XMesh& mesh : Meshes(szFile)) {
        (mesh.m_szName.find("display") != std::string::npos ? split.m_display : split.m_dammy).push_back(mesh);
    }
    return split;
}

// Largest difference between two lists of points; infinite when their lengths differ.
template <size_t N>
float Difference(const std::vector<std::array<float, N>>& a, const std::vector<std::array<float, N>>& b) {
    float d = a.size() == b.size() ? 0.0f : INFINITY;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        for (size_t k = 0; k < N; ++k) {
            d = std::max(d, std::fabs(a[i][k] - b[i][k]));
        }
    }
    return d;
}

}  // namespace

// The program culls and places a display mesh by its dummy's box: a box that
// misses part of its mesh makes that part vanish at the view's edge.
TEST(ModelFiles, EveryDummyBoundsItsDisplayMeshAndEveryDisplayMeshIsWoundConsistently) {
    ASSERT_FALSE(GeneratedMedia::RunFolder().empty());
    for (const char* szFile : {"VelmoranBase07.x", "VelmoranMoji01.x", "VelmoranHri101.x", "VelmoranHri201.x",
                               "VelmoranHri301.x", "VelmoranTuru04.x", "ClockDammy.x"}) {
        const Split split = SplitModel(szFile);
        ASSERT_EQ(split.m_display.size(), split.m_dammy.size()) << szFile;
        for (size_t i = 0; i < split.m_display.size(); ++i) {
            P3 dmin, dmax, bmin, bmax;
            Bounds(split.m_display[i], dmin, dmax);
            Bounds(split.m_dammy[i], bmin, bmax);
            for (int k = 0; k < 3; ++k) {
                EXPECT_LE(bmin[k], dmin[k] + 1e-4f) << szFile << " mesh " << i;
                EXPECT_GE(bmax[k], dmax[k] - 1e-4f) << szFile << " mesh " << i;
            }
            ExpectConsistentWinding(split.m_display[i], std::string(szFile) + " " + split.m_display[i].m_szName);
        }
    }
    for (const XMesh& mesh : Meshes("BlueBird01.x")) {
        ExpectConsistentWinding(mesh, "BlueBird01.x " + mesh.m_szName);
    }
}

// The vine is written in the binary encoding, so the program reads that
// encoding every run: it must hold what the text encoding holds.
TEST(ModelFiles, BinaryVineReadsBackAsItsTextEncoding) {
    EXPECT_EQ(GeneratedMedia::Read("Model/VelmoranTuru04.x").substr(0, 16), "xof 0303bin 0032");
    const std::string szText = GeneratedMedia::FreshFolder("vine-text") + "/vine.x";
    std::ofstream(szText, std::ios::binary) << XFileWriter::WriteText(VineModel::Build().Objects(), "");
    const std::vector<XMesh> text = Meshes(szText), binary = Meshes("VelmoranTuru04.x");
    ASSERT_EQ(binary.size(), text.size());
    ASSERT_FALSE(text.empty());
    for (size_t i = 0; i < text.size(); ++i) {
        const XMesh &t = text[i], &b = binary[i];
        EXPECT_EQ(b.m_szName, t.m_szName);
        EXPECT_EQ(b.m_faces, t.m_faces) << t.m_szName;
        EXPECT_EQ(b.m_faceMaterials, t.m_faceMaterials) << t.m_szName;
        EXPECT_LT(Difference(b.m_positions, t.m_positions), 1e-4f) << t.m_szName;
        EXPECT_LT(Difference(b.m_normals, t.m_normals), 1e-5f) << t.m_szName;
        EXPECT_LT(Difference(b.m_coords, t.m_coords), 1e-5f) << t.m_szName;
        ASSERT_EQ(b.m_materials.size(), t.m_materials.size()) << t.m_szName;
        for (size_t m = 0; m < t.m_materials.size(); ++m) {
            EXPECT_EQ(b.m_materials[m].m_szTexture, t.m_materials[m].m_szTexture) << t.m_szName;
            for (int k = 0; k < 4; ++k) {
                EXPECT_NEAR(b.m_materials[m].m_fColour[k], t.m_materials[m].m_fColour[k], 1e-5f) << t.m_szName;
            }
        }
    }
}

TEST(ModelFiles, NumeralNStandsAtNOClockShowingItsCellFacingTheViewer) {
    const Split split = SplitModel("VelmoranMoji01.x");
    ASSERT_EQ(split.m_display.size(), 1u);
    const XMesh& ring = split.m_display[0];
    ASSERT_EQ(ring.m_faces.size(), 24u);
    // Each numeral is a quad: its two faces, in order.
    for (int n = 1; n <= 12; ++n) {
        const auto& a = ring.m_faces[2 * (n - 1)];
        const auto& b = ring.m_faces[2 * (n - 1) + 1];
        std::set<std::uint32_t> corners(a.begin(), a.end());
        corners.insert(b.begin(), b.end());
        ASSERT_EQ(corners.size(), 4u);
        float fX = 0.0f, fY = 0.0f, fU = 0.0f, fV = 0.0f;
        for (std::uint32_t v : corners) {
            fX += ring.m_positions[v][0] / 4.0f;
            fY += ring.m_positions[v][1] / 4.0f;
            fU += ring.m_coords[v][0] / 4.0f;
            fV += ring.m_coords[v][1] / 4.0f;
        }
        // Clockwise from twelve (+Y) toward three (+X), on the dial.
        const float fAngle = std::atan2(fX, fY), fWant = static_cast<float>(n % 12) * std::numbers::pi_v<float> / 6.0f;
        EXPECT_NEAR(std::remainder(fAngle - fWant, 2.0f * std::numbers::pi_v<float>), 0.0f, 1e-3f) << "numeral " << n;
        EXPECT_LT(std::hypot(fX, fY), FlowerModels::kDialRadius) << "numeral " << n;
        // Cell n - 1 of the 4 x 4 atlas, read left to right, top to bottom.
        EXPECT_EQ(static_cast<int>(fU * 4.0f) + 4 * static_cast<int>(fV * 4.0f), n - 1) << "numeral " << n;
        EXPECT_LT(FaceNormal(ring, a)[2], 0.0f) << "numeral " << n << " faces the viewer";
    }
}

TEST(ModelFiles, BirdSkinHoldsItsBindPoseAndItsAnimationLoops) {
    const std::vector<XNode> roots = LoadModel("BlueBird01.x");
    // Each frame's bind-pose placement: its transform times its parents'.
    std::map<std::string, Mat4> world;
    std::function<void(const XNode&, const Mat4&)> walk = [&](const XNode& node, const Mat4& parent) {
        if (!(node.m_type == TID_D3DRMFrame)) {
            return;
        }
        Mat4 local;
        if (const XNode* pMatrix = node.Child(TID_D3DRMFrameTransformMatrix)) {
            const std::vector<float> m = pMatrix->Floats("frameMatrix");
            std::copy(m.begin(), m.begin() + 16, local.m);
        }
        world[node.m_szName] = local * parent;
        for (const XNode& child : node.m_children) {
            walk(child, world[node.m_szName]);
        }
    };
    for (const XNode& root : roots) {
        walk(root, Mat4::Identity());
    }
    std::vector<const XNode*> meshes;
    XRuntimeReader::CollectMeshes(roots, meshes);
    ASSERT_EQ(meshes.size(), 1u);
    const std::uint32_t dwVertices = meshes[0]->Dword("nVertices");
    std::vector<float> total(dwVertices, 0.0f);
    for (const XNode& skin : meshes[0]->m_children) {
        if (!(skin.m_type == DXFILEOBJ_SkinWeights)) {
            continue;
        }
        const std::string szBone = skin.m_strings.at("transformNodeName");
        ASSERT_TRUE(world.count(szBone)) << "bone " << szBone << " names no frame";
        // In the bind pose a bone's offset undoes its frame's placement.
        Mat4 offset;
        const std::vector<float> m = skin.Floats("matrixOffset");
        ASSERT_EQ(m.size(), 16u);
        std::copy(m.begin(), m.end(), offset.m);
        const Mat4 bind = offset * world[szBone];
        for (int i = 0; i < 16; ++i) {
            EXPECT_NEAR(bind.m[i], Mat4::Identity().m[i], 1e-5f) << "bone " << szBone;
        }
        const auto indices = skin.Dwords("vertexIndices");
        const auto weights = skin.Floats("weights");
        ASSERT_EQ(indices.size(), weights.size());
        for (size_t i = 0; i < indices.size(); ++i) {
            ASSERT_LT(indices[i], dwVertices);
            total[indices[i]] += weights[i];
        }
    }
    for (std::uint32_t v = 0; v < dwVertices; ++v) {
        EXPECT_NEAR(total[v], 1.0f, 1e-5f) << "vertex " << v << " weights";
    }

    // Every animation drives a frame of the bird; every key list ends at the
    // loop's length and where it starts, so the loop joins without a jump;
    // rotations are unit quaternions.
    int nKeyLists = 0;
    for (const XNode& set : roots) {
        for (const XNode& animation : set.m_children) {
            if (!(animation.m_type == TID_D3DRMAnimation)) {
                continue;
            }
            ASSERT_EQ(animation.m_references.size(), 1u);
            EXPECT_TRUE(world.count(animation.m_references[0])) << animation.m_references[0];
            for (const XNode& key : animation.m_children) {
                if (!(key.m_type == TID_D3DRMAnimationKey)) {
                    continue;
                }
                ++nKeyLists;
                const auto words = key.Dwords("keys");
                const std::uint32_t n = key.Dword("nKeys");
                ASSERT_GT(n, 1u);
                const size_t stride = words.size() / n;
                ASSERT_EQ(stride * n, words.size());
                EXPECT_EQ(words[(n - 1) * stride], BirdModel::kAnimationTicks) << animation.m_references[0];
                for (size_t k = 2; k < stride; ++k) {
                    EXPECT_EQ(words[k], words[(n - 1) * stride + k]) << animation.m_references[0];
                }
                for (std::uint32_t i = 0; key.Dword("keyType") == 0 && i < n; ++i) {
                    float q[4];
                    std::memcpy(q, &words[i * stride + 2], sizeof(q));
                    EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3], 1.0f, 1e-4f);
                }
            }
        }
    }
    EXPECT_GT(nKeyLists, 0);
}

// The never-drawn dummy carries the scale and matrix keys the bird does not,
// so the program reads every kind of key each run.
TEST(ModelFiles, DummyUsesTheKeyTypesTheBirdDoesNot) {
    std::set<std::uint32_t> keyTypes;
    for (const XNode& set : LoadModel("Dammy.x")) {
        for (const XNode& animation : set.m_children) {
            for (const XNode& key : animation.m_children) {
                if (key.m_type == TID_D3DRMAnimationKey) {
                    keyTypes.insert(key.Dword("keyType"));
                }
            }
        }
    }
    EXPECT_EQ(keyTypes, (std::set<std::uint32_t>{1, 4}));
}

// The clock skips drawing the bird when this volume is out of view: too small,
// and the bird vanishes while part of it still shows.
TEST(ModelFiles, CullVolumeCoversTheBirdAsDrawn) {
    P3 bmin, bmax, cmin, cmax;
    Bounds(Meshes("BlueBird01.x")[0], bmin, bmax);
    const Split cull = SplitModel("ClockDammy.x");
    ASSERT_EQ(cull.m_display.size(), 1u);
    Bounds(cull.m_display[0], cmin, cmax);
    // ... but not much more than the bird's reach with its wings raised.
    const float fSpan = std::max({bmax[0] - bmin[0], bmax[1] - bmin[1], bmax[2] - bmin[2]});
    for (int k = 0; k < 3; ++k) {
        EXPECT_LE(cmin[k], bmin[k] * BirdModel::kDrawScale + 1e-4f);
        EXPECT_GE(cmax[k], bmax[k] * BirdModel::kDrawScale - 1e-4f);
        EXPECT_LT(cmax[k] - cmin[k], fSpan * BirdModel::kDrawScale * 1.2f);
    }
}
