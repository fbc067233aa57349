// Models split into display and dummy meshes, and the display meshes' levels
// of detail, culling and draws, on model files the tests write.
#include "scene/Model.h"

#include <gtest/gtest.h>

#include <string>

#include "ModelFiles.h"
#include "scene/Camera.h"
#include "scene/MeshDammy.h"
#include "scene/MeshDisplay.h"
#include "scene/TexList.h"
#include "support/Capture.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

namespace {

const D3DXVECTOR3 kLo(-1.0f, -1.0f, -1.0f);
const D3DXVECTOR3 kHi(1.0f, 1.0f, 1.0f);
const D3DXVECTOR3 kInView(0.0f, 0.0f, 50.0f);

D3DXMATRIX Placed(float sx, float sy, float sz, const D3DXVECTOR3& at) {
    D3DXMATRIX scale;
    D3DXMATRIX move;
    D3DXMATRIX world;
    D3DXMatrixScaling(&scale, sx, sy, sz);
    D3DXMatrixTranslation(&move, at.x, at.y, at.z);
    return *D3DXMatrixMultiply(&world, &scale, &move);
}

class ModelTest : public RecordingDeviceTest {
protected:
    void SetUp() override {
        RecordingDeviceTest::SetUp();
        // The identity camera looks along +z: near 1, far 100, 45 degrees both ways.
        m_camera.SetProjection(m_pDevice, 1.0f, 1.0f, 100.0f);
        m_camera.BuildFrustum();
        m_pQueue = new DrawQueue;
    }
    void TearDown() override {
        delete m_pQueue;
        m_model.Release();
        RecordingDeviceTest::TearDown();
    }

    // Loads the body (display meshes paired with dummies) into m_model and returns display mesh 0.
    MeshDisplay* Load(const std::string& displays, DWORD count = 1) {
        std::string body = displays;
        for (DWORD i = 0; i < count; ++i) {
            body += BoxMesh("pair" + std::to_string(i) + "_dammy", kLo, kHi);
        }
        WriteModel(m_cwd, "m.x", body);
        EXPECT_EQ(m_model.Load(m_pDevice, "m.x"), S_OK);
        return m_model.DisplayAt(0);
    }
    // How many draws the model queues standing in view of the identity camera.
    DWORD Submitted(Model& model) {
        const D3DXMATRIX world = Placed(1, 1, 1, kInView);
        m_pQueue->Clear();
        model.UpdateBounds(world, 1);
        EXPECT_EQ(model.Submit(m_pDevice, world, m_camera.CameraMatrix(), &m_camera.Frustum(), 1, m_pQueue), S_OK);
        return m_pQueue->Count();
    }
    // The mesh m_model queues with the camera `distance` away from the object
    // along z, both far from the origin (no frustum: nothing is culled).
    ID3DXBaseMesh* DrawnAt(float distance, int lod) {
        D3DXMATRIX world;
        D3DXMATRIX camera;
        D3DXMatrixTranslation(&world, 0.0f, 0.0f, 3000.0f);
        D3DXMatrixTranslation(&camera, 0.0f, 0.0f, 3000.0f - distance);
        m_pQueue->Clear();
        EXPECT_EQ(m_model.Submit(m_pDevice, world, camera, nullptr, lod, m_pQueue), S_OK);
        return m_pQueue->Count() == 1 ? m_pQueue->EntryAt(0).m_pMesh : nullptr;
    }

    ScopedTempCwd m_cwd;
    Camera m_camera;
    DebugCapture m_debug;
    MessageBoxCapture m_boxes;
    TexList m_texList;
    Model m_model{&m_texList};
    DrawQueue* m_pQueue = nullptr;
};

TEST_F(ModelTest, MeshesAreSortedByTheWordsInTheirNames) {
    WriteModel(m_cwd, "m.x",
               BoxMesh("a_dammy", kLo, kHi) + BoxMesh("both_display_dammy", kLo, kHi) +
                   BoxMesh("plain_display", kLo, kHi) + BoxMesh("b_dammy", kLo, kHi));
    Model model;
    ASSERT_EQ(model.Load(m_pDevice, "m.x"), S_OK);
    EXPECT_EQ(model.MeshCountInXFile(), 4u);
    EXPECT_EQ(model.MeshDisplayNum(), 2u);
    EXPECT_EQ(model.MeshDammyNum(), 2u);
    EXPECT_STREQ(model.DisplayAt(0)->Name(), "both_display_dammy");
    EXPECT_STREQ(model.DisplayAt(1)->Name(), "plain_display");
    EXPECT_STREQ(model.DammyAt(0)->Name(), "a_dammy");
    EXPECT_STREQ(model.DammyAt(1)->Name(), "b_dammy");
    EXPECT_EQ(model.DisplayAt(2), nullptr);
    EXPECT_TRUE(m_boxes.Boxes().empty());
    EXPECT_EQ(Submitted(model), 2u);
}

// Each refused file is told to the user and leaves nothing to draw.
TEST_F(ModelTest, MalformedOrHostileFilesAreRefusedWithTheLoadersReport) {
    const std::string kPair = BoxMesh("ok_display", kLo, kHi) + BoxMesh("ok_dammy", kLo, kHi);
    const std::string kTriangle = " 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 3;0,1,2;;\n";
    const char* kBadName = "mesh with invalid name detected";
    const char* kUnreadable = "failed to load xfile...";
    const struct {
        const char* m_szWhat;
        std::string m_body;  // empty: no file at all
        const char* m_szReport;
    } kCases[] = {
        {"no file", "", kUnreadable},
        {"capital display", kPair + BoxMesh("capital_Display", kLo, kHi) + BoxMesh("capital_dammy", kLo, kHi),
         kBadName},
        {"capital dammy", kPair + BoxMesh("capital_display", kLo, kHi) + BoxMesh("capital_Dammy", kLo, kHi), kBadName},
        {"no name", kPair + "Mesh {\n" + kTriangle + "}\n", kBadName},
        {"unpaired", BoxMesh("lonely_display", kLo, kHi), "MeshDisplayNumber != MeshDammyNumber"},
        // Once read as a name pointer: the process died.
        {"a texture name template declared with other members",
         "template TextureFilename { <A42790E1-7810-11cf-8F52-0040333594A3> DWORD a; DWORD b; }\n"
         "Mesh tri_display {\n" +
             kTriangle +
             " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { 1; 2; } } }\n"
             "}\n" +
             BoxMesh("tri_dammy", kLo, kHi),
         kUnreadable},
        // Counts far beyond the file's bytes: refused by the reader before anything is allocated for them.
        {"tens of millions of vertices", "Mesh v_display { 50000000; 0;0;0;;\n 1;\n 3;0,0,0;;\n}\n", kUnreadable},
        {"tens of millions of faces", "Mesh f_display {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 50000000;\n 3;0,1,2;;\n}\n",
         kUnreadable},
        // Once allocated gigabytes for forty seconds.
        {"tens of millions of materials",
         "Mesh tri_display {\n" + kTriangle + " MeshMaterialList { 50000000; 1; 49999999;; }\n}\n" +
             BoxMesh("tri_dammy", kLo, kHi),
         "failed to load mesh"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.m_szWhat);
        DebugCapture debug;
        MessageBoxCapture boxes;
        if (!c.m_body.empty()) {
            WriteModel(m_cwd, "bad.x", c.m_body);
        }
        Model model;
        EXPECT_TRUE(FAILED(model.Load(m_pDevice, c.m_body.empty() ? "absent.x" : "bad.x")));
        EXPECT_TRUE(debug.Contains(c.m_szReport)) << debug.All();
        EXPECT_TRUE(boxes.AnyContains(c.m_szReport));
        EXPECT_TRUE(model.DisplayAt(0) == nullptr || model.DisplayAt(0)->Mesh() == nullptr);
    }
}

TEST_F(ModelTest, MeshesInNestedFramesAreFoundWhereTheyAreStored) {
    const D3DXVECTOR3 lo(2.0f, 3.0f, 4.0f);
    const D3DXVECTOR3 hi(5.0f, 6.0f, 7.0f);
    // The reference to the top-level mesh inside the frame is not a second mesh.
    WriteModel(
        m_cwd, "nested.x",
        BoxMesh("top_display", kLo, kHi) + BoxMesh("top_dammy", kLo, kHi) +
            FrameOf("outer", D3DXVECTOR3(100.0f, 0.0f, 0.0f),
                    "{ top_display }\n" + FrameOf("inner", D3DXVECTOR3(0.0f, 50.0f, 0.0f),
                                                  BoxMesh("deep_display", lo, hi) + BoxMesh("deep_dammy", lo, hi))));
    Model model;
    ASSERT_EQ(model.Load(m_pDevice, "nested.x"), S_OK);
    ASSERT_EQ(model.MeshDisplayNum(), 2u);
    ASSERT_EQ(model.MeshDammyNum(), 2u);
    MeshDisplay* pDeep = model.DisplayAt(1);
    EXPECT_STREQ(pDeep->Name(), "deep_display");
    EXPECT_TRUE(pDeep->LocalCorner(0) == lo);
    EXPECT_TRUE(pDeep->LocalCorner(7) == hi);
    EXPECT_TRUE(model.DammyAt(1)->LocalCorner(0) == lo);
}

TEST_F(ModelTest, AMeshThatFailsToLoadFailsTheModelAndStaysForRelease) {
    const std::string kNoFaces = " 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 0;;\n}\n";
    WriteModel(m_cwd, "d.x", "Mesh broken_display {\n" + kNoFaces + BoxMesh("fine_dammy", kLo, kHi));
    WriteModel(m_cwd, "u.x", BoxMesh("fine_display", kLo, kHi) + "Mesh broken_dammy {\n" + kNoFaces);

    Model display;
    EXPECT_EQ(display.Load(m_pDevice, "d.x"), E_FAIL);
    EXPECT_TRUE(m_debug.Contains("MeshDisplay(114): failed to load mesh")) << m_debug.All();
    // The slot exists but holds no mesh: it counts as visible and its submission fails.
    ASSERT_NE(display.DisplayAt(0), nullptr);
    EXPECT_EQ(display.DisplayAt(0)->Mesh(), nullptr);
    EXPECT_TRUE(display.AnyVisible(&m_camera.Frustum()));
    EXPECT_EQ(
        display.Submit(m_pDevice, Placed(1, 1, 1, kInView), m_camera.CameraMatrix(), &m_camera.Frustum(), 1, m_pQueue),
        E_FAIL);

    Model dummy;
    EXPECT_EQ(dummy.Load(m_pDevice, "u.x"), E_FAIL);
    EXPECT_TRUE(m_debug.Contains("MeshDammy(83): failed to load mesh")) << m_debug.All();
    ASSERT_NE(dummy.DisplayAt(0), nullptr);
    EXPECT_NE(dummy.DisplayAt(0)->Mesh(), nullptr);
    dummy.Release();
    EXPECT_EQ(dummy.DisplayAt(0), nullptr);
    EXPECT_EQ(Submitted(dummy), 0u);
}

TEST_F(ModelTest, EachLoadReplacesTheLastEvenWithAFileWithoutMeshes) {
    WriteModel(m_cwd, "one.x", BoxMesh("a_display", kLo, kHi) + BoxMesh("a_dammy", kLo, kHi));
    WriteModel(m_cwd, "two.x",
               BoxMesh("a_display", kLo, kHi) + BoxMesh("a_dammy", kLo, kHi) + BoxMesh("b_display", kLo, kHi) +
                   BoxMesh("b_dammy", kLo, kHi));
    WriteModel(m_cwd, "empty.x", FrameOf("root", D3DXVECTOR3(1.0f, 2.0f, 3.0f), ""));
    Model model;
    ASSERT_EQ(model.Load(m_pDevice, "one.x"), S_OK);
    ASSERT_EQ(model.Load(m_pDevice, "two.x"), S_OK);
    EXPECT_EQ(Submitted(model), 2u);
    ASSERT_EQ(model.Load(m_pDevice, "empty.x"), S_OK);
    EXPECT_EQ(model.MeshDisplayNum() + model.MeshDammyNum(), 0u);
    EXPECT_FALSE(model.AnyVisible(&m_camera.Frustum()));
    EXPECT_EQ(Submitted(model), 0u);
    // The fixture's device check finds any mesh of an earlier load still alive.
}

// Near the camera the finest level with every vertex is drawn, farther away
// ever coarser ones; without levels of detail the full mesh.
TEST_F(ModelTest, TheDistanceFromTheCamerasPositionChoosesEverCoarserLevels) {
    MeshDisplay* pMesh = Load(SphereMesh("ball_display", 1.0f, 10, 16));
    ASSERT_NE(pMesh, nullptr);
    ASSERT_NE(pMesh->Full(), nullptr);
    const DWORD vmax = pMesh->Full()->GetMaxVertices();
    const DWORD count = pMesh->LevelCount();
    ASSERT_GE(count, 5u) << "the sphere should simplify far";
    EXPECT_EQ(pMesh->LevelAt(0)->GetMinVertices(), pMesh->Full()->GetMinVertices());
    EXPECT_EQ(pMesh->Full()->GetNumVertices(), vmax);

    DWORD previous = count - 1;
    int steps = 0;
    for (float distance = 0.0f; distance <= 4000.0f; distance += 250.0f) {
        SCOPED_TRACE(distance);
        ID3DXBaseMesh* pDrawn = DrawnAt(distance, 1);
        const DWORD level = pMesh->CurrentLevel();
        EXPECT_EQ(pDrawn, pMesh->LevelAt(level));
        EXPECT_LE(level, previous);
        steps += level < previous ? 1 : 0;
        previous = level;
        if (distance == 0.0f) {
            EXPECT_EQ(level, count - 1);
            EXPECT_EQ(pDrawn->GetNumVertices(), vmax);
        }
    }
    EXPECT_GE(steps, 2);
    EXPECT_LT(pMesh->LevelAt(previous)->GetNumVertices(), vmax);
    EXPECT_EQ(DrawnAt(4000.0f, 0), pMesh->Full());
}

TEST_F(ModelTest, AMeshWithAShortRangeHasOneLevelWithItsWholeDetail) {
    MeshDisplay* pMesh = Load(SphereMesh("pebble_display", 1.0f, 3, 4));
    ASSERT_NE(pMesh, nullptr);
    const DWORD vmax = pMesh->Full()->GetMaxVertices();
    ASSERT_LT(vmax - pMesh->Full()->GetMinVertices(), 10u);
    ASSERT_EQ(pMesh->LevelCount(), 1u);
    for (float distance : {10.0f, 4000.0f}) {
        EXPECT_EQ(DrawnAt(distance, 1), pMesh->LevelAt(0));
        EXPECT_EQ(pMesh->LevelAt(0)->GetNumVertices(), vmax);
    }
}

TEST_F(ModelTest, CullTestTakesEveryPathToItsAnswer) {
    MeshDisplay* pMesh = Load(BoxMesh("unit_display", kLo, kHi));
    ASSERT_NE(pMesh, nullptr);
    const struct {
        const char* what;
        D3DXMATRIX world;
        HRESULT visible;
    } kCases[] = {
        {"in front", Placed(1, 1, 1, kInView), 1},
        {"behind the camera", Placed(1, 1, 1, D3DXVECTOR3(0, 0, -50)), 0},
        {"beside the frustum", Placed(1, 1, 1, D3DXVECTOR3(60, 0, 50)), 0},
        // No corner inside: box edges cross the frustum's side faces.
        {"beam across", Placed(100, 1, 1, kInView), 1},
        // Frustum edges pierce the box's front face.
        {"wall across", Placed(1000, 1000, 1, kInView), 1},
        {"holding the frustum", Placed(500, 500, 500, D3DXVECTOR3(0, 0, 0)), 1},
        // Beside the far right edge: each plane has a corner inside it, yet nothing meets.
        {"past the far corner", Placed(5, 1, 20, D3DXVECTOR3(55, 0, 110)), 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        pMesh->UpdateBounds(c.world);
        EXPECT_EQ(pMesh->IsVisible(m_pDevice, &m_camera.Frustum()), c.visible);
        m_pQueue->Clear();
        EXPECT_EQ(pMesh->Submit(m_pDevice, &m_camera.Frustum(), D3DXVECTOR3(0, 0, 0), kInView, 1, c.world, m_pQueue),
                  S_OK);
        EXPECT_EQ(m_pQueue->Count(), static_cast<DWORD>(c.visible));
    }

    MeshDisplay unloaded;
    EXPECT_EQ(unloaded.IsVisible(m_pDevice, &m_camera.Frustum()), E_FAIL);
    EXPECT_EQ(unloaded.Submit(m_pDevice, &m_camera.Frustum(), D3DXVECTOR3(0, 0, 0), kInView, 1,
                              Placed(1, 1, 1, kInView), m_pQueue),
              E_FAIL);
}

TEST_F(ModelTest, EdgeMeetsAFaceOnlyInsideItsOutline) {
    // The square x, y in [0, 2] at z = 5, listed both ways round.
    const D3DXVECTOR3 c[4] = {{0, 0, 5}, {2, 0, 5}, {2, 2, 5}, {0, 2, 5}};
    const D3DXVECTOR3* const forward[4] = {&c[0], &c[1], &c[2], &c[3]};
    const D3DXVECTOR3* const backward[4] = {&c[3], &c[2], &c[1], &c[0]};
    const D3DXPLANE plane(0.0f, 0.0f, 1.0f, -5.0f);
    for (const auto* face : {&forward, &backward}) {
        EXPECT_TRUE(MeshDisplay::EdgeIntersectsFace({1, 1, 0}, {1, 1, 10}, *face, plane));
        EXPECT_TRUE(MeshDisplay::EdgeIntersectsFace({1.5f, 0.5f, 9}, {0.5f, 1.5f, 1}, *face, plane));
        EXPECT_FALSE(MeshDisplay::EdgeIntersectsFace({3, 1, 0}, {3, 1, 10}, *face, plane)) << "beside";
        EXPECT_FALSE(MeshDisplay::EdgeIntersectsFace({1, 1, 0}, {1, 1, 4}, *face, plane)) << "short";
        EXPECT_FALSE(MeshDisplay::EdgeIntersectsFace({0, 1, 5}, {3, 1, 5}, *face, plane)) << "in the plane";
    }

    // A face standing at 45 degrees between x and y: its normal leans on both equally.
    const D3DXVECTOR3 d[4] = {{0, 0, 0}, {1, 1, 0}, {1, 1, 1}, {0, 0, 1}};
    const D3DXVECTOR3* const diagonal[4] = {&d[0], &d[1], &d[2], &d[3]};
    D3DXPLANE slant;
    D3DXPlaneFromPoints(&slant, &d[0], &d[1], &d[2]);
    EXPECT_TRUE(MeshDisplay::EdgeIntersectsFace({1, 0, 0.5f}, {0, 1, 0.5f}, diagonal, slant));
    EXPECT_FALSE(MeshDisplay::EdgeIntersectsFace({3, 2, 0.5f}, {2, 3, 0.5f}, diagonal, slant));
}

TEST_F(ModelTest, SubmitQueuesTheDrawWithItsMaterialsAndSharedTextures) {
    WriteTexture(m_cwd.Path(), "wood.dds");
    DebugCapture debug;
    MessageBoxCapture boxes;
    MeshDisplay* pMesh = Load(
        BoxMesh("a_display", kLo, kHi, {"wood.dds", "", "absent.dds"}) + BoxMesh("b_display", kLo, kHi, {"wood.dds"}),
        2);
    ASSERT_NE(pMesh, nullptr);
    const std::string wood = m_cwd.Path() + "/Texture/wood.dds";
    const std::string absent = m_cwd.Path() + "/Texture/absent.dds";

    // One texture shared by both meshes; the missing one is reported and left out.
    EXPECT_EQ(m_texList.EntryCount(), 1u);
    EXPECT_EQ(m_texList.CountOf(wood.c_str()), 2u);
    EXPECT_TRUE(debug.Contains("failed to load texture..." + absent)) << debug.All();
    ASSERT_EQ(pMesh->MaterialCount(), 3u);
    IDirect3DTexture8* pWood = pMesh->Textures()[0];
    ASSERT_NE(pWood, nullptr);
    EXPECT_EQ(m_model.DisplayAt(1)->Textures()[0], pWood);
    EXPECT_EQ(pMesh->Textures()[1], nullptr);
    EXPECT_EQ(pMesh->Textures()[2], nullptr);
    EXPECT_FLOAT_EQ(pMesh->Materials()[0].Ambient.g, 0.6f) << "lit by the diffuse colour alone";

    D3DXMATRIX turn;
    D3DXMATRIX world;
    D3DXMatrixRotationZ(&turn, 0.3f);
    const D3DXMATRIX place = Placed(1, 1, 1, D3DXVECTOR3(4, -2, 60));
    D3DXMatrixMultiply(&world, &turn, &place);
    pMesh->UpdateBounds(world);
    ASSERT_EQ(
        pMesh->Submit(m_pDevice, &m_camera.Frustum(), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(4, -2, 60), 1, world, m_pQueue),
        S_OK);
    ASSERT_EQ(m_pQueue->Count(), 1u);
    const DrawQueue::DrawEntry& entry = m_pQueue->EntryAt(0);
    EXPECT_EQ(entry.m_pMesh, pMesh->LevelAt(pMesh->LevelCount() - 1));
    const D3DXVECTOR3 offCentre = entry.m_vecSortPoint - D3DXVECTOR3(4, -2, 60);
    EXPECT_LT(D3DXVec3Length(&offCentre), 1e-4f) << "sorted by its centre";

    // Drawn, every subset with its material, the first with the shared texture and the object's world.
    m_pDevice->BeginScene();
    m_pQueue->Draw(m_pDevice);
    m_pDevice->EndScene();
    ASSERT_EQ(m_pLog->DrawCount(), 3u);
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), pWood);
    EXPECT_TRUE(D3DXMATRIX(m_pLog->TransformAtDraw(0, D3DTS_WORLD)) == world);
    m_pQueue->Clear();
    m_pDevice->SetTexture(0, nullptr);

    // Every reference goes back to the list with the model.
    m_model.Release();
    EXPECT_EQ(m_texList.EntryCount(), 0u);
}

}  // namespace
