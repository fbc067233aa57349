#include "scene/BackGroundObj.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "scene/Camera.h"
#include "scene/ClockSceneFiles.h"
#include "support/Capture.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

namespace {

constexpr float kPi = 3.14159265f;

class BackGroundObjTest : public RecordingDeviceTest {
protected:
    void SetUp() override {
        RecordingDeviceTest::SetUp();
        m_camera.SetProjection(m_pDevice, 4.0f / 3.0f, 1.0f, 1000.0f);
        m_camera.BuildFrustum();
        m_pQueue = std::make_unique<DrawQueue>();
    }

    HRESULT RenderInto(BackGroundObj& background) {
        m_pQueue->Clear();
        return background.Render(m_pDevice, m_camera.CameraMatrix(), &m_camera.Frustum(), TRUE, m_pQueue.get());
    }

    Camera m_camera;
    std::unique_ptr<DrawQueue> m_pQueue;
};

TEST_F(BackGroundObjTest, EveryCopyIsPlacedAndQueuedAtItsMatrix) {
    ScopedTempCwd cwd;
    ASSERT_TRUE(LinkGeneratedMedia(cwd));
    const std::vector<D3DXMATRIX> copies = {
        Placement(1.0f, 0.0f, -20.0f, 0.0f, 80.0f), Placement(0.5f, kPi / 2.0f, 20.0f, -5.0f, 120.0f),
        Placement(2.0f, kPi, 0.0f, 10.0f, 200.0f),
        Placement(1.0f, 0.0f, 999.0f, 999.0f, 999.0f),  // beyond the count: ignored
    };
    cwd.WriteFile("Misc/Clock.bps", PlacementFileBytes(3, copies));
    DebugCapture debug;
    BackGroundObj background;
    ASSERT_EQ(background.Load(m_pDevice, "VelmoranTuru04.x", "Clock.bps"), S_OK);
    EXPECT_TRUE(debug.Contains("BackGroundObj(87): opening backgroundpositionfile...Clock.bps (hr=S_OK"));
    ASSERT_EQ(background.Count(), 3);
    const Model* pModel = background.GetModel();
    ASSERT_NE(pModel, nullptr);
    const DWORD perCopy = pModel->MeshDisplayNum();
    ASSERT_GT(perCopy, 0u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(background.Objects()[i].World() == copies[i]) << "copy " << i;
        EXPECT_EQ(background.Objects()[i].GetModel(), pModel);
    }

    ASSERT_EQ(RenderInto(background), S_OK);
    ASSERT_EQ(m_pQueue->Count(), 3 * perCopy);
    // Copies are submitted in file order, each with its own matrix.
    for (DWORD e = 0; e < m_pQueue->Count(); ++e) {
        EXPECT_TRUE(m_pQueue->EntryAt(e).m_matWorld == copies[e / perCopy]) << "entry " << e;
    }
}

TEST_F(BackGroundObjTest, MissingModelFailsBeforeThePositionFileIsOpened) {
    ScopedTempCwd cwd;
    cwd.MakeFolder("Model");
    cwd.WriteFile("Misc/Clock.bps", PlacementFileBytes(1, {Placement(1.0f, 0.0f, 0.0f, 0.0f, 50.0f)}));
    DebugCapture debug;
    BackGroundObj background;
    HRESULT hr = background.Load(m_pDevice, "VelmoranTuru04.x", "Clock.bps");
    EXPECT_TRUE(FAILED(hr));
    EXPECT_TRUE(debug.Contains("VelmoranTuru04.x"));
    EXPECT_FALSE(debug.Contains("BackGroundObj(")) << debug.All();
    EXPECT_EQ(background.Count(), 0);
    EXPECT_EQ(RenderInto(background), S_OK);
    EXPECT_EQ(m_pQueue->Count(), 0u);
}

TEST_F(BackGroundObjTest, PositionFileFailuresAreReportedAndAllocateNothing) {
    for (const PlacementFault& c : PlacementFaults()) {
        SCOPED_TRACE(c.m_szWhat);
        const long line = !c.m_bWrite ? 92 : c.m_bCountFault ? 100 : 120;
        const std::string message = !c.m_bWrite       ? "failed to open bpsfile"
                                    : c.m_bCountFault ? "failed to read backgroundnumber from file"
                                                      : "failed to read backgroundposition from file";
        ScopedTempCwd cwd;
        cwd.WriteFile("Model/Empty.x", EmptyXFile());
        cwd.MakeFolder("Misc");
        if (c.m_bWrite) {
            cwd.WriteFile("Misc/Clock.bps", c.m_bytes);
        }
        DebugCapture debug;
        MessageBoxCapture boxes;
        BackGroundObj background;
        EXPECT_EQ(background.Load(m_pDevice, "Empty.x", "Clock.bps"), E_FAIL);
        EXPECT_TRUE(debug.Contains("BackGroundObj(" + std::to_string(line) + "): " + message + " (hr=E_FAIL"));
        EXPECT_TRUE(boxes.AnyContains("File: BackGroundObj\nLine: " + std::to_string(line) + "\n"));
        EXPECT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(background.Count(), 0);
        EXPECT_EQ(background.Objects(), nullptr);
        // The model loaded before the file failed stays for Release.
        EXPECT_NE(background.GetModel(), nullptr);
        EXPECT_EQ(RenderInto(background), S_OK);
    }
}

TEST_F(BackGroundObjTest, ReleaseFreesEverythingAndItLoadsAgainWithOrWithoutCopies) {
    ScopedTempCwd cwd;
    ASSERT_TRUE(LinkGeneratedMedia(cwd));
    cwd.WriteFile("Misc/Clock.bps", PlacementFileBytes(2, {Placement(1.0f, 0.0f, 0.0f, 0.0f, 60.0f),
                                                           Placement(1.0f, 0.0f, 10.0f, 0.0f, 90.0f)}));
    BackGroundObj background;
    ASSERT_EQ(background.Load(m_pDevice, "VelmoranTuru04.x", "Clock.bps"), S_OK);
    EXPECT_EQ(background.Release(), S_OK);
    EXPECT_EQ(background.Count(), 0);
    EXPECT_EQ(background.Objects(), nullptr);
    EXPECT_EQ(background.GetModel(), nullptr);
    EXPECT_EQ(RenderInto(background), S_OK);
    EXPECT_EQ(m_pQueue->Count(), 0u);

    // No copy: the model stays and nothing is drawn.
    const std::string two = cwd.ReadFile("Misc/Clock.bps");
    cwd.WriteFile("Misc/Clock.bps", PlacementFileBytes(0, {}));
    ASSERT_EQ(background.Load(m_pDevice, "VelmoranTuru04.x", "Clock.bps"), S_OK);
    EXPECT_EQ(background.Count(), 0);
    ASSERT_NE(background.GetModel(), nullptr);
    EXPECT_GT(background.GetModel()->MeshDisplayNum(), 0u);
    EXPECT_EQ(RenderInto(background), S_OK);
    EXPECT_EQ(m_pQueue->Count(), 0u);

    // A load over a load leaves no mesh behind (the device check at the end
    // of the test would see it).
    cwd.WriteFile("Misc/Clock.bps", two);
    ASSERT_EQ(background.Load(m_pDevice, "VelmoranTuru04.x", "Clock.bps"), S_OK);
    ASSERT_EQ(background.Load(m_pDevice, "VelmoranTuru04.x", "Clock.bps"), S_OK);
    EXPECT_EQ(background.Count(), 2);
    EXPECT_EQ(RenderInto(background), S_OK);
    EXPECT_EQ(m_pQueue->Count(), 2 * background.GetModel()->MeshDisplayNum());
    m_pQueue->Clear();
}

}  // namespace
