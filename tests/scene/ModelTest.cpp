#include "scene/Model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
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

class ModelTest : public RecordingDeviceTest {
protected:
    void SetUp() override {
        RecordingDeviceTest::SetUp();
        m_camera.SetProjection(m_pDevice, 1.0f, 1.0f, 100.0f);
        m_camera.BuildFrustum();
    }

    // The model's meshes stand at z = 50, in view of the identity camera.
    D3DXMATRIX InView() const {
        D3DXMATRIX m;
        D3DXMatrixTranslation(&m, 0.0f, 0.0f, 50.0f);
        return m;
    }
    DWORD Submitted(Model& model) {
        DrawQueue* pQueue = new DrawQueue;
        model.UpdateBounds(InView(), 1);
        EXPECT_EQ(model.Submit(m_pDevice, InView(), m_camera.CameraMatrix(), &m_camera.Frustum(), 1, pQueue), S_OK);
        DWORD dwCount = pQueue->Count();
        delete pQueue;
        return dwCount;
    }

    ScopedTempCwd m_cwd;
    Camera m_camera;
    DebugCapture m_debug;
    MessageBoxCapture m_boxes;
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

TEST_F(ModelTest, BadNamesAndUnpairedMeshesRejectTheFile) {
    const std::string kPair = BoxMesh("ok_display", kLo, kHi) + BoxMesh("ok_dammy", kLo, kHi);
    const char* kBadName = "Model(610): mesh with invalid name detected";
    const char* kUnpaired = "Model(504): MeshDisplayNumber != MeshDammyNumber";
    const struct {
        std::string m_body;
        const char* m_szTrace;
    } kCases[] = {
        {kPair + BoxMesh("capital_Display", kLo, kHi) + BoxMesh("capital_dammy", kLo, kHi), kBadName},
        {kPair + BoxMesh("capital_display", kLo, kHi) + BoxMesh("capital_Dammy", kLo, kHi), kBadName},
        {kPair + "Mesh {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 3;0,1,2;;\n}\n", kBadName},
        {BoxMesh("lonely_display", kLo, kHi), kUnpaired},
    };
    for (const auto& c : kCases) {
        DebugCapture debug;
        MessageBoxCapture boxes;
        WriteModel(m_cwd, "bad.x", c.m_body);
        Model model;
        EXPECT_EQ(model.Load(m_pDevice, "bad.x"), E_FAIL);
        EXPECT_TRUE(debug.Contains(c.m_szTrace)) << debug.All();
        EXPECT_TRUE(boxes.AnyContains(std::strchr(c.m_szTrace, ' ') + 1));
        EXPECT_FALSE(model.AnyVisible(&m_camera.Frustum()));
        EXPECT_EQ(Submitted(model), 0u);
        if (c.m_szTrace == kUnpaired) {
            EXPECT_EQ(model.MeshDisplayNum(), 1u);
            EXPECT_EQ(model.MeshDammyNum(), 0u);
            // Counted but never created: nothing may be walked.
            EXPECT_EQ(model.DisplayAt(0), nullptr);
        }
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
    EXPECT_EQ(model.MeshCountInXFile(), 4u);
    ASSERT_EQ(model.MeshDisplayNum(), 2u);
    ASSERT_EQ(model.MeshDammyNum(), 2u);
    MeshDisplay* pDeep = model.DisplayAt(1);
    EXPECT_STREQ(pDeep->Name(), "deep_display");
    EXPECT_TRUE(pDeep->LocalCorner(0) == lo);
    EXPECT_TRUE(pDeep->LocalCorner(7) == hi);
    EXPECT_TRUE(model.DammyAt(1)->LocalCorner(0) == lo);
}

TEST_F(ModelTest, ProgressAndFailuresAreTracedWithModuleAndLine) {
    WriteModel(m_cwd, "m.x", BoxMesh("a_display", kLo, kHi) + BoxMesh("a_dammy", kLo, kHi));
    const std::string path = m_cwd.Path() + "/Model/m.x";
    {
        Model model;
        ASSERT_EQ(model.Load(m_pDevice, "m.x"), S_OK);
        EXPECT_TRUE(m_debug.Contains("Model(453): counting mesh object in xfile..." + path));
        EXPECT_TRUE(m_debug.Contains("Model(493): m_dwMeshCountInXFile=2"));
        EXPECT_TRUE(m_debug.Contains("Model(495): m_dwMeshDisplayNum=1"));
        EXPECT_TRUE(m_debug.Contains("Model(497): m_dwMeshDammyNum=1"));
        EXPECT_TRUE(m_debug.Contains("Model(527): loading xfile..." + path));
        EXPECT_TRUE(m_boxes.Boxes().empty());
    }
    Model missing;
    HRESULT hr = missing.Load(m_pDevice, "absent.x");
    EXPECT_TRUE(FAILED(hr));
    EXPECT_TRUE(m_debug.Contains("Model(461): failed to load xfile..." + m_cwd.Path() + "/Model/absent.x"));
    EXPECT_TRUE(m_boxes.AnyContains("failed to load xfile"));
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
    DrawQueue* pQueue = new DrawQueue;
    EXPECT_EQ(display.Submit(m_pDevice, InView(), m_camera.CameraMatrix(), &m_camera.Frustum(), 1, pQueue), E_FAIL);
    EXPECT_EQ(pQueue->Count(), 0u);
    delete pQueue;

    Model dummy;
    EXPECT_EQ(dummy.Load(m_pDevice, "u.x"), E_FAIL);
    EXPECT_TRUE(m_debug.Contains("MeshDammy(83): failed to load mesh")) << m_debug.All();
    ASSERT_NE(dummy.DisplayAt(0), nullptr);
    EXPECT_NE(dummy.DisplayAt(0)->Mesh(), nullptr);
    dummy.Release();
    EXPECT_EQ(dummy.DisplayAt(0), nullptr);
    EXPECT_EQ(Submitted(dummy), 0u);
}

TEST_F(ModelTest, HostileFilesAreRefusedWithTheLoadersReport) {
    const std::string kTriangle = " 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 3;0,1,2;;\n";
    struct Case {
        const char* m_szWhat;
        std::string m_body;
        const char* m_szReport;
    };
    const Case cases[] = {
        // Once read as a name pointer: the process died.
        {"a texture name template declared with other members",
         "template TextureFilename { <A42790E1-7810-11cf-8F52-0040333594A3> DWORD a; DWORD b; }\n"
         "Mesh tri_display {\n" +
             kTriangle +
             " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { 1; 2; } } }\n"
             "}\n" +
             BoxMesh("tri_dammy", kLo, kHi),
         "Model(461): failed to load xfile..."},
        // Counts far beyond the file's bytes: refused by the reader before anything is allocated for them.
        {"tens of millions of vertices", "Mesh v_display { 50000000; 0;0;0;;\n 1;\n 3;0,0,0;;\n}\n",
         "Model(461): failed to load xfile..."},
        {"tens of millions of faces", "Mesh f_display {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 50000000;\n 3;0,1,2;;\n}\n",
         "Model(461): failed to load xfile..."},
        // Once allocated gigabytes for forty seconds.
        {"tens of millions of materials",
         "Mesh tri_display {\n" + kTriangle + " MeshMaterialList { 50000000; 1; 49999999;; }\n}\n" +
             BoxMesh("tri_dammy", kLo, kHi),
         "MeshDisplay(114): failed to load mesh"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_szWhat);
        DebugCapture debug;
        MessageBoxCapture boxes;
        WriteModel(m_cwd, "hostile.x", c.m_body);
        Model model;
        EXPECT_TRUE(FAILED(model.Load(m_pDevice, "hostile.x")));
        EXPECT_TRUE(debug.Contains(c.m_szReport)) << debug.All();
        EXPECT_FALSE(boxes.Boxes().empty());
        EXPECT_TRUE(model.DisplayAt(0) == nullptr || model.DisplayAt(0)->Mesh() == nullptr);
    }
}

TEST_F(ModelTest, EachLoadReplacesTheLastEvenWithAFileWithoutMeshes) {
    WriteModel(m_cwd, "one.x", BoxMesh("a_display", kLo, kHi) + BoxMesh("a_dammy", kLo, kHi));
    WriteModel(m_cwd, "two.x",
               BoxMesh("a_display", kLo, kHi) + BoxMesh("a_dammy", kLo, kHi) + BoxMesh("b_display", kLo, kHi) +
                   BoxMesh("b_dammy", kLo, kHi));
    Model model;
    ASSERT_EQ(model.Load(m_pDevice, "one.x"), S_OK);
    ASSERT_EQ(model.Load(m_pDevice, "two.x"), S_OK);
    EXPECT_EQ(model.MeshCountInXFile(), 4u);
    EXPECT_EQ(model.MeshDisplayNum(), 2u);
    EXPECT_EQ(Submitted(model), 2u);
    // A file without meshes leaves the model empty.
    WriteModel(m_cwd, "empty.x", FrameOf("root", D3DXVECTOR3(1.0f, 2.0f, 3.0f), ""));
    ASSERT_EQ(model.Load(m_pDevice, "empty.x"), S_OK);
    EXPECT_EQ(model.MeshCountInXFile(), 0u);
    EXPECT_EQ(model.MeshDisplayNum(), 0u);
    EXPECT_EQ(model.MeshDammyNum(), 0u);
    EXPECT_FALSE(model.AnyVisible(&m_camera.Frustum()));
    EXPECT_EQ(Submitted(model), 0u);
    // The fixture's device check finds any mesh of an earlier load still alive.
}

// The level of detail follows the distance to the camera's position, the
// fourth row of its matrix, not to the origin.
TEST_F(ModelTest, LevelOfDetailFollowsTheDistanceToTheCamerasPositionRow) {
    WriteModel(m_cwd, "m.x", SphereMesh("ball_display", 1.0f, 10, 16) + BoxMesh("ball_dammy", kLo, kHi));
    Model model;
    ASSERT_EQ(model.Load(m_pDevice, "m.x"), S_OK);
    MeshDisplay* pMesh = model.DisplayAt(0);
    ASSERT_NE(pMesh, nullptr);
    const DWORD count = pMesh->LevelCount();
    ASSERT_GE(count, 5u);
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 0.0f, 0.0f, 2600.0f);  // 2600 from the origin: the coarsest level
    model.UpdateBounds(world, 1);
    auto pQueue = std::make_unique<DrawQueue>();
    const struct {
        float z;
        DWORD back;
    } kCases[] = {{2000.0f, 1}, {1000.0f, 3}};  // 600 and 1600 away
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.z);
        Camera camera;
        camera.SetProjection(m_pDevice, 1.0f, 1.0f, 5000.0f);
        camera.SetCameraPosition(0.0f, 0.0f, c.z);
        camera.BuildFrustum();
        pQueue->Clear();
        ASSERT_EQ(model.Submit(m_pDevice, world, camera.CameraMatrix(), &camera.Frustum(), 1, pQueue.get()), S_OK);
        ASSERT_EQ(pQueue->Count(), 1u);
        EXPECT_EQ(pQueue->EntryAt(0).m_pMesh, pMesh->LevelAt(count - c.back));
    }
}

// Every model file of the program, as the media generator writes them.
TEST_F(ModelTest, EveryGeneratedModelLoads) {
    const std::filesystem::path run(VELMORAN_RUN_DIR);
    std::filesystem::create_directory_symlink(run / "Model", m_cwd.File("Model"));
    std::filesystem::create_directory_symlink(run / "Texture", m_cwd.File("Texture"));
    const char* kFiles[] = {"VelmoranBase07.x", "VelmoranMoji01.x", "VelmoranHri101.x", "VelmoranHri201.x",
                            "VelmoranHri301.x", "VelmoranTuru04.x", "ClockDammy.x"};
    TexList texList;
    {
        Model models[7] = {Model(&texList), Model(&texList), Model(&texList), Model(&texList),
                           Model(&texList), Model(&texList), Model(&texList)};
        for (int i = 0; i < 7; ++i) {
            SCOPED_TRACE(kFiles[i]);
            ASSERT_EQ(models[i].Load(m_pDevice, kFiles[i]), S_OK);
            EXPECT_GT(models[i].MeshDisplayNum(), 0u);
            EXPECT_EQ(models[i].MeshDisplayNum(), models[i].MeshDammyNum());
            for (DWORD d = 0; d < models[i].MeshDisplayNum(); ++d) {
                const MeshDisplay* pMesh = models[i].DisplayAt(d);
                ASSERT_NE(pMesh->Mesh(), nullptr);
                ASSERT_NE(pMesh->Full(), nullptr);
                ASSERT_GE(pMesh->LevelCount(), 1u);
                EXPECT_EQ(pMesh->LevelAt(pMesh->LevelCount() - 1)->GetNumVertices(), pMesh->Full()->GetNumVertices());
            }
            EXPECT_EQ(Submitted(models[i]), models[i].MeshDisplayNum());
        }
        EXPECT_TRUE(m_boxes.Boxes().empty()) << m_boxes.Boxes().front().text;
        EXPECT_GT(texList.EntryCount(), 0u);
    }
    EXPECT_EQ(texList.EntryCount(), 0u);
}

}  // namespace
