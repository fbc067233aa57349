// The generated models, read through the program's X-file runtime: names and
// pairs, the clock's conventions, meshes clean enough for the mesh pipeline,
// the bird's skin and animation, the scene layout and the triangle budget.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <numeric>
#include <set>

#include "BirdModel.h"
#include "FlowerModels.h"
#include "MediaGenerator.h"
#include "platform/xfile/DXFile.h"
#include "tools/mediagen/GeneratedMedia.h"
#include "tools/mediagen/XRuntimeReader.h"

namespace {

using P3 = std::array<float, 3>;

std::vector<XNode> LoadModel(const std::string& szFile) {
    std::vector<XNode> roots;
    HRESULT hr = E_FAIL;
    EXPECT_TRUE(XRuntimeReader::Load(GeneratedMedia::RunFolder() + "/Model/" + szFile, roots, hr))
        << szFile << " hr=" << std::hex << hr;
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

P3 Sub(const P3& a, const P3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

P3 Cross(const P3& a, const P3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

float Dot(const P3& a, const P3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

P3 FaceNormal(const XMesh& mesh, const std::array<std::uint32_t, 3>& f) {
    return Cross(Sub(mesh.m_positions[f[1]], mesh.m_positions[f[0]]),
                 Sub(mesh.m_positions[f[2]], mesh.m_positions[f[0]]));
}

// What the mesh pipeline rejects: zero-area faces, repeated faces, edges met
// by more than two faces or by two faces wound the same way, and vertices
// where faces meet only at a point (bow-ties). Vertices at the same position
// are taken as one, as adjacency sees them.
void ExpectCleanMesh(const XMesh& mesh, const std::string& szWhere) {
    std::map<P3, std::uint32_t> welded;
    std::vector<std::uint32_t> rep(mesh.m_positions.size());
    for (size_t i = 0; i < mesh.m_positions.size(); ++i) {
        rep[i] = welded.emplace(mesh.m_positions[i], static_cast<std::uint32_t>(welded.size())).first->second;
    }
    // Corners (3 * face + k) are joined across every edge two faces share, so
    // the corners at a vertex form one group exactly when its faces form one fan.
    std::vector<size_t> parent(3 * mesh.m_faces.size());
    std::iota(parent.begin(), parent.end(), size_t{0});
    std::function<size_t(size_t)> root = [&](size_t c) { return parent[c] == c ? c : parent[c] = root(parent[c]); };
    auto next = [](size_t c) { return c - c % 3 + (c % 3 + 1) % 3; };
    std::set<std::array<std::uint32_t, 3>> seen;
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::vector<size_t>> directed;  // edge -> corners at its start
    std::map<std::uint32_t, std::vector<size_t>> cornersAt;
    int nDegenerate = 0, nRepeated = 0, nAgainst = 0;
    for (size_t f = 0; f < mesh.m_faces.size(); ++f) {
        const auto& face = mesh.m_faces[f];
        const std::array<std::uint32_t, 3> r = {rep[face[0]], rep[face[1]], rep[face[2]]};
        const P3 normal = FaceNormal(mesh, face);
        if (r[0] == r[1] || r[1] == r[2] || r[0] == r[2] || std::sqrt(Dot(normal, normal)) < 1e-6f) {
            ++nDegenerate;
            continue;
        }
        std::array<std::uint32_t, 3> sorted = r;
        std::sort(sorted.begin(), sorted.end());
        nRepeated += !seen.insert(sorted).second;
        P3 fileNormal = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            directed[{r[k], r[(k + 1) % 3]}].push_back(3 * f + k);
            cornersAt[r[k]].push_back(3 * f + k);
            for (int a = 0; a < 3; ++a) {
                fileNormal[a] += mesh.m_normals[face[k]][a];
            }
        }
        // The file's normals agree with the winding: the front is the side the normal shows.
        nAgainst += Dot(fileNormal, normal) < 0.0f;
    }
    EXPECT_EQ(nDegenerate, 0) << szWhere;
    EXPECT_EQ(nRepeated, 0) << szWhere;
    EXPECT_LE(nAgainst, static_cast<int>(mesh.m_faces.size()) / 50) << szWhere << ": faces wound against their normals";
    int nBadEdges = 0;
    for (const auto& [edge, corners] : directed) {
        // Each directed edge once; its reverse at most once (two faces, opposite winding).
        nBadEdges += corners.size() > 1;
        const auto reverse = directed.find({edge.second, edge.first});
        if (corners.size() == 1 && reverse != directed.end() && reverse->second.size() == 1) {
            parent[root(corners[0])] = root(next(reverse->second[0]));
        }
    }
    EXPECT_EQ(nBadEdges, 0) << szWhere << ": edges shared by faces wound alike or by more than two faces";
    int nBowTies = 0;
    for (const auto& [vertex, corners] : cornersAt) {
        nBowTies += std::any_of(corners.begin(), corners.end(), [&](size_t c) { return root(c) != root(corners[0]); });
    }
    EXPECT_EQ(nBowTies, 0) << szWhere << ": vertices where faces meet only at a point";
}

const char* const kStaticModels[] = {"VelmoranBase07.x", "VelmoranMoji01.x", "VelmoranHri101.x", "VelmoranHri201.x",
                                     "VelmoranHri301.x", "VelmoranTuru04.x", "ClockDammy.x"};

struct Split {
    std::vector<XMesh> m_display, m_dammy;
};

Split SplitModel(const std::string& szFile) {
    Split split;
    for (XMesh& mesh : Meshes(szFile)) {
        if (mesh.m_szName.find("display") != std::string::npos) {
            split.m_display.push_back(mesh);
        } else if (mesh.m_szName.find("dammy") != std::string::npos) {
            split.m_dammy.push_back(mesh);
        } else {
            ADD_FAILURE() << szFile << ": mesh \"" << mesh.m_szName << "\" is neither display nor dammy";
        }
    }
    return split;
}

// How many placements a position file holds (its layout is checked with the other files).
std::uint32_t PlacementCount(const std::string& szFile) {
    std::uint32_t n = 0;
    std::memcpy(&n, GeneratedMedia::Read(szFile).data(), 4);
    return n;
}

size_t DisplayTriangles(const std::string& szFile) {
    size_t n = 0;
    for (const XMesh& mesh : SplitModel(szFile).m_display) {
        n += mesh.m_faces.size();
    }
    return n;
}

}  // namespace

TEST(ModelFiles, EveryDisplayMeshHasADammyThatBoundsIt) {
    ASSERT_FALSE(GeneratedMedia::RunFolder().empty());
    for (const char* szFile : kStaticModels) {
        const Split split = SplitModel(szFile);
        EXPECT_FALSE(split.m_display.empty()) << szFile;
        ASSERT_EQ(split.m_display.size(), split.m_dammy.size()) << szFile;
        for (size_t i = 0; i < split.m_display.size(); ++i) {
            P3 dmin, dmax, bmin, bmax;
            Bounds(split.m_display[i], dmin, dmax);
            Bounds(split.m_dammy[i], bmin, bmax);
            for (int k = 0; k < 3; ++k) {
                EXPECT_LE(bmin[k], dmin[k] + 1e-4f) << szFile << " mesh " << i;
                EXPECT_GE(bmax[k], dmax[k] - 1e-4f) << szFile << " mesh " << i;
            }
        }
    }
    // The vine is the binary one, so the program reads that encoding every run.
    EXPECT_EQ(GeneratedMedia::Read("Model/VelmoranTuru04.x").substr(0, 16), "xof 0303bin 0032");
    EXPECT_EQ(GeneratedMedia::Read("Model/VelmoranBase07.x").substr(0, 16), "xof 0303txt 0032");
}

TEST(ModelFiles, DisplayMeshesSurviveCleaningAndValidation) {
    for (const char* szFile : kStaticModels) {
        for (const XMesh& mesh : SplitModel(szFile).m_display) {
            ExpectCleanMesh(mesh, std::string(szFile) + " " + mesh.m_szName);
        }
    }
    for (const XMesh& mesh : Meshes("BlueBird01.x")) {
        ExpectCleanMesh(mesh, "BlueBird01.x " + mesh.m_szName);
    }
}

TEST(ModelFiles, TexturesNamedByMaterialsExist) {
    int nNamed = 0;
    for (const char* szFile : {"VelmoranBase07.x", "VelmoranMoji01.x", "VelmoranTuru04.x", "BlueBird01.x"}) {
        for (const XMesh& mesh : Meshes(szFile)) {
            for (const XMaterial& material : mesh.m_materials) {
                if (!material.m_szTexture.empty()) {
                    ++nNamed;
                    EXPECT_FALSE(GeneratedMedia::Read("Texture/" + material.m_szTexture).empty())
                        << szFile << " names " << material.m_szTexture;
                }
            }
            for (std::uint32_t m : mesh.m_faceMaterials) {
                EXPECT_LT(m, mesh.m_materials.size()) << szFile;
            }
        }
    }
    EXPECT_GE(nNamed, 6);
}

TEST(ModelFiles, HandsPivotAtTheOriginAndPointUpInFrontOfTheDial) {
    const char* const hands[] = {"VelmoranHri101.x", "VelmoranHri201.x", "VelmoranHri301.x"};
    float fPreviousFront = 0.0f;
    for (int h = 0; h < 3; ++h) {
        const Split split = SplitModel(hands[h]);
        ASSERT_EQ(split.m_display.size(), 1u);
        const XMesh& hand = split.m_display[0];
        P3 min, max;
        Bounds(hand, min, max);
        // Pointing +Y: the tip is far up the Y axis, the tail short below the pivot.
        EXPECT_NEAR(max[1], FlowerModels::kHandLength[h], 1e-3f) << hands[h];
        EXPECT_LT(min[1], 0.0f) << hands[h];
        EXPECT_LT(-min[1], max[1] * 0.4f) << hands[h];
        EXPECT_LT(std::max(-min[0], max[0]), 1.0f) << hands[h];
        EXPECT_NEAR(min[0], -max[0], 1e-4f) << hands[h] << " is symmetric about its axis";
        for (const P3& p : hand.m_positions) {
            if (p[1] > max[1] - 1e-3f) {
                EXPECT_NEAR(p[0], 0.0f, 1e-4f) << "tip on the Y axis";
            }
        }
        // Each hand in front (toward -Z) of the numerals and of the previous hand.
        EXPECT_LT(max[2], h == 0 ? FlowerModels::kNumeralZ : fPreviousFront) << hands[h];
        fPreviousFront = min[2];
    }
    const Split second = SplitModel("VelmoranHri301.x");
    const Split minute = SplitModel("VelmoranHri201.x");
    EXPECT_GT(second.m_display[0].m_materials[0].m_fColour[0] - minute.m_display[0].m_materials[0].m_fColour[0], 0.4f)
        << "the second hand stands out in colour";
}

TEST(ModelFiles, NumeralsRingTheDialInFrontOfIt) {
    const Split split = SplitModel("VelmoranMoji01.x");
    ASSERT_EQ(split.m_display.size(), 1u);
    const XMesh& ring = split.m_display[0];
    ASSERT_EQ(ring.m_faces.size(), 24u);
    // Each numeral is a quad: group the faces two by two and find its centre.
    for (int n = 1; n <= 12; ++n) {
        const auto& a = ring.m_faces[2 * (n - 1)];
        const auto& b = ring.m_faces[2 * (n - 1) + 1];
        P3 centre = {0, 0, 0};
        std::set<std::uint32_t> corners(a.begin(), a.end());
        corners.insert(b.begin(), b.end());
        ASSERT_EQ(corners.size(), 4u);
        float fU = 0.0f, fV = 0.0f;
        for (std::uint32_t v : corners) {
            for (int k = 0; k < 3; ++k) {
                centre[k] += ring.m_positions[v][k] / 4.0f;
            }
            fU += ring.m_coords[v][0] / 4.0f;
            fV += ring.m_coords[v][1] / 4.0f;
        }
        const float fAngle = static_cast<float>(n) * std::numbers::pi_v<float> / 6.0f;
        EXPECT_NEAR(centre[0], FlowerModels::kNumeralRadius * std::sin(fAngle), 1e-3f) << "numeral " << n;
        EXPECT_NEAR(centre[1], FlowerModels::kNumeralRadius * std::cos(fAngle), 1e-3f) << "numeral " << n;
        EXPECT_NEAR(centre[2], FlowerModels::kNumeralZ, 1e-4f);
        // Texture cell n - 1 of the 4 x 4 atlas.
        EXPECT_NEAR(fU, 0.125f + 0.25f * static_cast<float>((n - 1) % 4), 1e-4f) << "numeral " << n;
        EXPECT_NEAR(fV, 0.125f + 0.25f * static_cast<float>((n - 1) / 4), 1e-4f) << "numeral " << n;
        EXPECT_LT(FaceNormal(ring, a)[2], 0.0f) << "numeral " << n << " faces the viewer";
    }
    // The dial faces -Z and lies behind the numerals; translucent petals exist.
    const Split base = SplitModel("VelmoranBase07.x");
    bool bTranslucent = false;
    for (const XMesh& mesh : base.m_display) {
        if (mesh.m_szName == "dial_display") {
            P3 min, max;
            Bounds(mesh, min, max);
            EXPECT_GT(min[2], FlowerModels::kNumeralZ);
            for (const auto& f : mesh.m_faces) {
                EXPECT_LT(FaceNormal(mesh, f)[2], 0.0f);
            }
        }
        for (const XMaterial& m : mesh.m_materials) {
            bTranslucent = bTranslucent || m.m_fColour[3] < 1.0f;
        }
    }
    EXPECT_TRUE(bTranslucent);
}

TEST(ModelFiles, BirdSkinIsBoundToItsFramesAndItsAnimationLoops) {
    const std::vector<XNode> roots = LoadModel("BlueBird01.x");
    std::set<std::string> frames;
    std::function<void(const XNode&)> walk = [&](const XNode& node) {
        if (node.m_type == TID_D3DRMFrame) {
            frames.insert(node.m_szName);
        }
        for (const XNode& child : node.m_children) {
            walk(child);
        }
    };
    for (const XNode& root : roots) {
        walk(root);
    }
    for (const char* szBone : {"BirdRoot", "Body", "Head", "WingL", "WingR", "Tail"}) {
        EXPECT_TRUE(frames.count(szBone)) << szBone;
    }
    std::vector<const XNode*> meshes;
    XRuntimeReader::CollectMeshes(roots, meshes);
    ASSERT_EQ(meshes.size(), 1u);
    const XNode& mesh = *meshes[0];
    const std::uint32_t dwVertices = mesh.Dword("nVertices");
    std::vector<float> total(dwVertices, 0.0f);
    int nSkins = 0;
    for (const XNode& child : mesh.m_children) {
        if (child.m_type == DXFILEOBJ_XSkinMeshHeader) {
            EXPECT_EQ(child.m_members.at("nBones").size(), 2u);
        }
        if (!(child.m_type == DXFILEOBJ_SkinWeights)) {
            continue;
        }
        ++nSkins;
        const auto indices = child.Dwords("vertexIndices");
        const auto weights = child.Floats("weights");
        ASSERT_EQ(indices.size(), weights.size());
        for (size_t i = 0; i < indices.size(); ++i) {
            ASSERT_LT(indices[i], dwVertices);
            total[indices[i]] += weights[i];
        }
    }
    EXPECT_EQ(nSkins, 5);
    for (std::uint32_t v = 0; v < dwVertices; ++v) {
        EXPECT_NEAR(total[v], 1.0f, 1e-5f) << "vertex " << v << " weights";
    }

    // Animation: every Animation drives an existing frame; the longest key list
    // ends at the designed length; each list ends where it starts.
    std::uint32_t dwLength = 0;
    std::set<std::uint32_t> keyTypes;
    int nAnimations = 0;
    for (const XNode& root : roots) {
        if (!(root.m_type == TID_D3DRMAnimationSet)) {
            continue;
        }
        for (const XNode& animation : root.m_children) {
            ++nAnimations;
            ASSERT_EQ(animation.m_references.size(), 1u);
            EXPECT_TRUE(frames.count(animation.m_references[0]));
            for (const XNode& key : animation.m_children) {
                if (!(key.m_type == TID_D3DRMAnimationKey)) {
                    continue;
                }
                keyTypes.insert(key.Dword("keyType"));
                const auto words = key.Dwords("keys");
                const std::uint32_t n = key.Dword("nKeys");
                const size_t stride = words.size() / n;
                ASSERT_EQ(stride * n, words.size());
                dwLength = std::max(dwLength, words[(n - 1) * stride]);
                for (size_t k = 2; k < stride; ++k) {
                    EXPECT_EQ(words[k], words[(n - 1) * stride + k]) << "the loop joins without a jump";
                }
                if (key.Dword("keyType") == 0) {
                    for (std::uint32_t i = 0; i < n; ++i) {
                        float q[4];
                        std::memcpy(q, &words[i * stride + 2], sizeof(q));
                        EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3], 1.0f, 1e-4f);
                    }
                }
            }
        }
    }
    EXPECT_EQ(nAnimations, 5);
    EXPECT_EQ(dwLength, BirdModel::kAnimationTicks);
    EXPECT_EQ(keyTypes, (std::set<std::uint32_t>{0, 2}));
}

TEST(ModelFiles, DammyUsesTheKeyTypesTheBirdDoesNot) {
    const std::vector<XNode> roots = LoadModel("Dammy.x");
    std::set<std::uint32_t> keyTypes;
    for (const XNode& root : roots) {
        for (const XNode& animation : root.m_children) {
            for (const XNode& key : animation.m_children) {
                if (key.m_type == TID_D3DRMAnimationKey) {
                    keyTypes.insert(key.Dword("keyType"));
                }
            }
        }
    }
    EXPECT_EQ(keyTypes, (std::set<std::uint32_t>{1, 4}));
}

TEST(ModelFiles, CullVolumeCoversTheBirdAsDrawn) {
    P3 bmin, bmax, cmin, cmax;
    Bounds(Meshes("BlueBird01.x")[0], bmin, bmax);
    const Split cull = SplitModel("ClockDammy.x");
    ASSERT_EQ(cull.m_display.size(), 1u);
    Bounds(cull.m_display[0], cmin, cmax);
    for (int k = 0; k < 3; ++k) {
        EXPECT_LE(cmin[k], bmin[k] * BirdModel::kDrawScale + 1e-4f);
        EXPECT_GE(cmax[k], bmax[k] * BirdModel::kDrawScale - 1e-4f);
    }
    // ... but not much more than the bird's reach with its wings raised.
    const float fSpan = std::max({bmax[0] - bmin[0], bmax[1] - bmin[1], bmax[2] - bmin[2]});
    for (int k = 0; k < 3; ++k) {
        EXPECT_LT(cmax[k] - cmin[k], fSpan * BirdModel::kDrawScale * 1.2f);
    }
}

TEST(ModelFiles, WholeSceneStaysWithinTheTriangleBudget) {
    const size_t nFlowers = PlacementCount("Misc/Clock.vps");
    const size_t nVines = PlacementCount("Misc/Clock.bps");
    size_t nPerFlower = 0;
    for (const char* szFile :
         {"VelmoranBase07.x", "VelmoranMoji01.x", "VelmoranHri101.x", "VelmoranHri201.x", "VelmoranHri301.x"}) {
        nPerFlower += DisplayTriangles(szFile);
    }
    const size_t nBird = Meshes("BlueBird01.x")[0].m_faces.size();
    const size_t nScene = nFlowers * nPerFlower + nVines * DisplayTriangles("VelmoranTuru04.x") + nBird;
    EXPECT_GE(nFlowers, 2u);
    EXPECT_GE(nVines, 3u);
    EXPECT_LT(nScene, MediaGenerator::kTriangleBudget);
}
