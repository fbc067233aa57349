#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstring>
#include <set>
#include <string>

#include "gfxutil/D3DXBounds.h"
#include "gfxutil/MeshBytes.h"
#include "gfxutil/XText.h"
#include "gfxutil/XofMeshData.h"
#include "support/RecordingDeviceTest.h"
#include "support/XTestModel.h"

namespace {

constexpr DWORD kNoFace = 0xFFFFFFFF;

// A cube of 8 corners and 6 quads (clockwise from outside), with optional extra members.
std::string CubeMesh(const std::string& extra) {
    return "Mesh cube {\n 8;\n"
           " -1;-1;-1;, 1;-1;-1;, -1;1;-1;, 1;1;-1;, -1;-1;1;, 1;-1;1;, -1;1;1;, 1;1;1;;\n"
           " 6;\n"
           " 4;0,2,3,1;, 4;4,5,7,6;, 4;0,4,6,2;, 4;1,3,7,5;, 4;2,6,7,3;, 4;0,1,5,4;;\n" +
           extra + "}\n";
}

const std::string kCubeNormals =
    " MeshNormals {\n 6;\n 0;0;-1;, 0;0;1;, -1;0;0;, 1;0;0;, 0;1;0;, 0;-1;0;;\n"
    " 6;\n 4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;;\n }\n";

class XofMeshLoadTest : public RecordingDeviceTest {
protected:
    struct Loaded {
        HRESULT hr = E_FAIL;
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* adjacency = nullptr;
        ID3DXBuffer* materials = nullptr;
        DWORD materialCount = 0;
        ~Loaded() {
            for (IUnknown* p :
                 {static_cast<IUnknown*>(mesh), static_cast<IUnknown*>(adjacency), static_cast<IUnknown*>(materials)}) {
                if (p != nullptr) {
                    p->Release();
                }
            }
        }
    };

    void Load(const XText& file, Loaded& out) {
        ASSERT_NE(file.Data(), nullptr) << "the test file does not parse";
        out.hr = D3DXLoadMeshFromXof(file.Data(), D3DXMESH_SYSTEMMEM, m_pDevice, &out.adjacency, &out.materials,
                                     &out.materialCount, &out.mesh);
    }
    void Load(const std::string& body, Loaded& out) { Load(XText(body), out); }

    static std::vector<float> VertexFloats(ID3DXMesh* mesh) {
        BYTE* data = nullptr;
        EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
        const size_t bytes = mesh->GetNumVertices() * D3DXGetFVFVertexSize(mesh->GetFVF());
        std::vector<float> out(bytes / 4);
        std::memcpy(out.data(), data, bytes);
        mesh->UnlockVertexBuffer();
        return out;
    }
};

TEST_F(XofMeshLoadTest, PolygonsAreFannedIntoTriangles) {
    Loaded loaded;
    Load(
        "Mesh shape {\n 5;\n 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;, 0;2;0;;\n"
        " 2;\n 4;0,1,2,3;, 5;0,1,2,3,4;;\n}\n",
        loaded);
    ASSERT_EQ(loaded.hr, D3D_OK);
    EXPECT_EQ(loaded.mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ));
    EXPECT_EQ(loaded.mesh->GetNumVertices(), 5u);
    EXPECT_EQ(MeshIndices(loaded.mesh), (std::vector<DWORD>{0, 1, 2, 0, 2, 3, 0, 1, 2, 0, 2, 3, 0, 3, 4}));
    EXPECT_EQ(loaded.materialCount, 0u);
    EXPECT_EQ(loaded.materials, nullptr);
    ASSERT_NE(loaded.adjacency, nullptr);
    EXPECT_EQ(loaded.adjacency->GetBufferSize(), 5u * 3 * 4);
}

TEST_F(XofMeshLoadTest, APositionWithSeveralNormalsBecomesSeveralVertices) {
    Loaded loaded;
    Load(CubeMesh(kCubeNormals), loaded);
    ASSERT_EQ(loaded.hr, D3D_OK);
    EXPECT_EQ(loaded.mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL));
    EXPECT_EQ(loaded.mesh->GetNumFaces(), 12u);
    EXPECT_EQ(loaded.mesh->GetNumVertices(), 24u);  // each corner meets three faces
    // Every corner of every triangle carries the normal of its face.
    const std::vector<float> v = VertexFloats(loaded.mesh);
    const std::vector<DWORD> indices = MeshIndices(loaded.mesh);
    const float faceNormals[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    for (DWORD t = 0; t < 12; ++t) {
        for (int c = 0; c < 3; ++c) {
            const float* vertex = &v[6 * indices[3 * t + c]];
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(vertex[3 + k], faceNormals[t / 2][k]) << "triangle " << t;
            }
        }
    }
    // The first 8 vertices are the file's positions in order.
    EXPECT_EQ(v[6 * 7 + 0], 1.0f);
    EXPECT_EQ(v[6 * 7 + 1], 1.0f);
    EXPECT_EQ(v[6 * 7 + 2], 1.0f);

    // The split vertices still join their faces: the cube is closed.
    const DWORD* adjacency = static_cast<const DWORD*>(loaded.adjacency->GetBufferPointer());
    for (DWORD f = 0; f < 12; ++f) {
        std::set<DWORD> neighbours;
        for (int e = 0; e < 3; ++e) {
            ASSERT_NE(adjacency[3 * f + e], kNoFace) << "face " << f;
            neighbours.insert(adjacency[3 * f + e]);
        }
        EXPECT_EQ(neighbours.size(), 3u);
    }
}

TEST_F(XofMeshLoadTest, SharedNormalsDoNotSplitAndCoordinatesAndColoursFollowThePosition) {
    Loaded loaded;
    Load(
        "Mesh quad {\n 4;\n 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;\n 1;\n 4;0,3,2,1;;\n"
        " MeshNormals { 2; 0;0;-1;, 0;0;-1;; 1; 4;0,1,0,1;; }\n"
        " MeshTextureCoords { 4; 0;1;, 1;1;, 1;0;, 0;0;; }\n"
        " MeshVertexColors { 2; 1; 1.0;0.0;0.0;1.0;;, 3; 0.0;0.0;1.0;0.5;;; }\n"
        "}\n",
        loaded);
    ASSERT_EQ(loaded.hr, D3D_OK);
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    ASSERT_EQ(loaded.mesh->GetFVF(), fvf);
    EXPECT_EQ(loaded.mesh->GetNumVertices(), 4u);  // two normal entries, one direction
    const std::vector<float> v = VertexFloats(loaded.mesh);
    // Layout: xyz, normal, diffuse, uv = 9 floats.
    DWORD colour1 = 0;
    DWORD colour0 = 0;
    DWORD colour3 = 0;
    std::memcpy(&colour0, &v[9 * 0 + 6], 4);
    std::memcpy(&colour1, &v[9 * 1 + 6], 4);
    std::memcpy(&colour3, &v[9 * 3 + 6], 4);
    EXPECT_EQ(colour1, 0xFFFF0000u);
    EXPECT_EQ(colour3, 0x800000FFu);
    EXPECT_EQ(colour0, 0xFFFFFFFFu);  // not listed: white
    EXPECT_EQ(v[9 * 1 + 7], 1.0f);    // u of position 1
    EXPECT_EQ(v[9 * 2 + 8], 0.0f);    // v of position 2
    EXPECT_EQ(v[9 * 3 + 5], -1.0f);
}

TEST_F(XofMeshLoadTest, MaterialListWithTexturesInEitherSpellingAndSortedSubsets) {
    const std::string body =
        "Material Shared { 0.0;0.0;1.0;1.0;; 8.0; 0.5;0.5;0.5;; 0.0;0.0;0.0;; TextureFileName { \"Blue.dds\"; } }\n" +
        CubeMesh(
            " MeshMaterialList {\n 2; 6; 1, 0, 1, 0, 1, 0;;\n"
            " Material { 1.0;0.0;0.0;0.5;; 5.0; 1.0;1.0;1.0;; 0.1;0.2;0.3;; TextureFilename { \"Red.dds\"; } }\n"
            " { Shared }\n }\n");
    // The first object is the shared material; the mesh is the next one.
    Loaded loaded;
    Load(XText(body, &TID_D3DRMMesh), loaded);
    ASSERT_EQ(loaded.hr, D3D_OK);
    ASSERT_EQ(loaded.materialCount, 2u);
    const D3DXMATERIAL* records = static_cast<const D3DXMATERIAL*>(loaded.materials->GetBufferPointer());
    EXPECT_EQ(records[0].MatD3D.Diffuse.r, 1.0f);
    EXPECT_EQ(records[0].MatD3D.Diffuse.a, 0.5f);
    EXPECT_EQ(records[0].MatD3D.Power, 5.0f);
    EXPECT_EQ(records[0].MatD3D.Emissive.b, 0.3f);
    EXPECT_STREQ(records[0].pTextureFilename, "Red.dds");
    EXPECT_EQ(records[1].MatD3D.Diffuse.b, 1.0f);
    EXPECT_STREQ(records[1].pTextureFilename, "Blue.dds");
    // The names live inside the buffer.
    const BYTE* begin = static_cast<const BYTE*>(loaded.materials->GetBufferPointer());
    EXPECT_GE(reinterpret_cast<const BYTE*>(records[1].pTextureFilename), begin);
    EXPECT_LT(reinterpret_cast<const BYTE*>(records[1].pTextureFilename), begin + loaded.materials->GetBufferSize());

    // Faces of one material form one run: one draw per subset.
    DWORD tableSize = 0;
    loaded.mesh->GetAttributeTable(nullptr, &tableSize);
    EXPECT_EQ(tableSize, 2u);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    m_pLog->Clear();
    ASSERT_EQ(loaded.mesh->DrawSubset(1), D3D_OK);
    ASSERT_EQ(m_pLog->DrawCount(), 1u);
    EXPECT_EQ(m_pLog->DrawAt(0).m_call.m_uPrimitiveCount, 6u);
    m_pDevice->EndScene();
    m_pDevice->SetStreamSource(0, nullptr, 0);
    m_pDevice->SetIndices(nullptr, 0);
}

TEST_F(XofMeshLoadTest, MaterialsTheListLeavesOutArePlainWhiteButNeverMoreThanTheFacesCanWear) {
    {
        // Three counted, one given; a single index serves every face, here the third.
        Loaded loaded;
        Load(CubeMesh(" MeshMaterialList { 3; 1; 2;; Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } }\n"), loaded);
        ASSERT_EQ(loaded.hr, D3D_OK);
        ASSERT_EQ(loaded.materialCount, 3u);
        DWORD* attributes = nullptr;
        ASSERT_EQ(loaded.mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes), D3D_OK);
        EXPECT_EQ(std::vector<DWORD>(attributes, attributes + 12), std::vector<DWORD>(12, 2));
        loaded.mesh->UnlockAttributeBuffer();
        const D3DXMATERIAL* records = static_cast<const D3DXMATERIAL*>(loaded.materials->GetBufferPointer());
        EXPECT_EQ(records[0].MatD3D.Diffuse.g, 1.0f);
        EXPECT_EQ(records[0].MatD3D.Diffuse.r, 0.0f);
        EXPECT_EQ(records[2].MatD3D.Diffuse.r, 1.0f);
        EXPECT_EQ(records[2].pTextureFilename, nullptr);
    }
    // A 200-byte file counting tens of millions of materials, its one face on the last:
    // refused without allocating for them (it once took gigabytes).
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    Loaded loaded;
    Load("Mesh many { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 50000000; 1; 49999999;; } }\n",
         loaded);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_EQ(loaded.hr, D3DXERR_INVALIDDATA);
    EXPECT_EQ(loaded.mesh, nullptr);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024);  // kilobytes
}

TEST_F(XofMeshLoadTest, EmptyAndInconsistentMeshesAreRefused) {
    const std::string triangle = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;";
    const struct {
        const char* what;
        std::string body;
        HRESULT hr;
    } kCases[] = {
        {"no faces", "3; 0;0;0;, 1;0;0;, 0;1;0;; 0;;", D3DXERR_LOADEDMESHHASNODATA},
        {"only faces of two corners", "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;;", D3DXERR_LOADEDMESHHASNODATA},
        {"a corner past the last position", "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;;", D3DXERR_INVALIDDATA},
        {"a normal index past the last normal", triangle + " MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; }",
         D3DXERR_INVALIDDATA},
        {"normal faces of another shape", triangle + " MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; }", D3DXERR_INVALIDDATA},
        {"fewer texture coordinates than positions", triangle + " MeshTextureCoords { 2; 0;0;, 1;1;; }",
         D3DXERR_INVALIDDATA},
        {"a material index past the count", triangle + " MeshMaterialList { 1; 1; 4;; }", D3DXERR_INVALIDDATA},
        {"a colour for a missing position", triangle + " MeshVertexColors { 1; 7; 1;1;1;1;;; }", D3DXERR_INVALIDDATA},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        Loaded loaded;
        Load("Mesh bad { " + c.body + " }\n", loaded);
        EXPECT_EQ(loaded.hr, c.hr);
        EXPECT_EQ(loaded.mesh, nullptr);
        EXPECT_EQ(loaded.adjacency, nullptr);
    }
    // Not a mesh at all.
    Loaded loaded;
    Load("Material m { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\n", loaded);
    EXPECT_EQ(loaded.hr, D3DERR_INVALIDCALL);
    EXPECT_EQ(loaded.mesh, nullptr);
}

// A mesh as exporters of the later revisions write it: an effect instance in the
// material, normals and texture coordinates in a vertex declaration only. (The
// file encodings are the X-file runtime's and are tested with it.)
TEST_F(XofMeshLoadTest, ExportedGeometryMaterialsAndDeclaredVertexDataLoad) {
    Loaded loaded;
    Load(XText(BuildExporterModel().Build(XEncoding::Binary), TID_D3DRMMesh), loaded);
    ASSERT_EQ(loaded.hr, D3D_OK);
    EXPECT_EQ(loaded.mesh->GetNumFaces(), 2u);
    ASSERT_EQ(loaded.mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    EXPECT_EQ(loaded.mesh->GetNumVertices(), 4u);  // one normal for all: no split
    const std::vector<float> v = VertexFloats(loaded.mesh);
    // xyz, normal, uv: vertex 1 is (-1, 1, 0) with normal (0, 0, -1) and uv (0, 0); vertex 3 has uv (1, 1).
    EXPECT_EQ(v[8 * 1 + 1], 1.0f);
    EXPECT_EQ(v[8 * 1 + 5], -1.0f);
    EXPECT_EQ(v[8 * 1 + 7], 0.0f);
    EXPECT_EQ(v[8 * 3 + 6], 1.0f);
    EXPECT_EQ(v[8 * 3 + 7], 1.0f);
    ASSERT_EQ(loaded.materialCount, 1u);
    const D3DXMATERIAL* records = static_cast<const D3DXMATERIAL*>(loaded.materials->GetBufferPointer());
    EXPECT_EQ(records[0].MatD3D.Diffuse.b, 0.25f);
    EXPECT_EQ(records[0].MatD3D.Power, 8.0f);
    EXPECT_STREQ(records[0].pTextureFilename, "shiny.dds");
}

}  // namespace
