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

TEST_F(BackGroundObjTest, EveryCopyIsQueuedAtItsMatrixAndEachLoadReplacesTheLast) {
    ScopedTempCwd cwd;
    ASSERT_TRUE(LinkGeneratedMedia(cwd));
    const std::vector<D3DXMATRIX> copies = {
        Placement(1.0f, 0.0f, -20.0f, 0.0f, 80.0f), Placement(0.5f, kPi / 2.0f, 20.0f, -5.0f, 120.0f),
        Placement(2.0f, kPi, 0.0f, 10.0f, 200.0f),
        Placement(1.0f, 0.0f, 999.0f, 999.0f, 999.0f),  // beyond the count: ignored
    };
    cwd.WriteFile("Misc/Clock.bps", PlacementFileBytes(3, copies));
    BackGroundObj background;
    ASSERT_EQ(background.Load(m_pDevice, "VelmoranTuru04.x", "Clock.bps"), S_OK);
    ASSERT_EQ(background.Count(), 3);
    const DWORD perCopy = background.GetModel()->MeshDisplayNum();
    ASSERT_GT(perCopy, 0u);
    ASSERT_EQ(RenderInto(background), S_OK);
    ASSERT_EQ(m_pQueue->Count(), 3 * perCopy);
    // Copies are submitted in file order, each with its own matrix.
    for (DWORD e = 0; e < m_pQueue->Count(); ++e) {
        EXPECT_TRUE(m_pQueue->EntryAt(e).m_matWorld == copies[e / perCopy]) << "entry " << e;
    }

    // A load over a load leaves no mesh behind (the device check at the end of
    // the test would see it); with no copy the model stays and nothing is drawn.
    cwd.WriteFile("Misc/Clock.bps", PlacementFileBytes(0, {}));
    ASSERT_EQ(background.Load(m_pDevice, "VelmoranTuru04.x", "Clock.bps"), S_OK);
    EXPECT_EQ(background.Count(), 0);
    ASSERT_NE(background.GetModel(), nullptr);
    EXPECT_EQ(RenderInto(background), S_OK);
    EXPECT_EQ(m_pQueue->Count(), 0u);
    EXPECT_EQ(background.Release(), S_OK);
    EXPECT_EQ(background.GetModel(), nullptr);
    EXPECT_EQ(background.Objects(), nullptr);
}

TEST_F(BackGroundObjTest, AMissingModelOrAnUnreadablePositionFileIsReportedAndDrawsNothing) {
    {
        // The model fails before the position file is opened.
        ScopedTempCwd cwd;
        cwd.MakeFolder("Model");
        cwd.WriteFile("Misc/Clock.bps", PlacementFileBytes(1, {Placement(1.0f, 0.0f, 0.0f, 0.0f, 50.0f)}));
        DebugCapture debug;
        BackGroundObj background;
        EXPECT_TRUE(FAILED(background.Load(m_pDevice, "VelmoranTuru04.x", "Clock.bps")));
        EXPECT_TRUE(debug.Contains("VelmoranTuru04.x"));
        EXPECT_FALSE(debug.Contains("backgroundpositionfile")) << debug.All();
        EXPECT_EQ(background.Count(), 0);
        EXPECT_EQ(RenderInto(background), S_OK);
    }
    // A position file it cannot read (the reader's faults are checked on the
    // flowers): no copy made, and the model loaded first kept for Release.
    ScopedTempCwd cwd;
    cwd.WriteFile("Model/Empty.x", "xof 0302txt 0032\n");  // a model without meshes
    cwd.WriteFile("Misc/Clock.bps", PlacementFileBytes(0x7FFFFFFF, {Placement(1.0f, 0.0f, 0.0f, 0.0f, 100.0f)}));
    MessageBoxCapture boxes;
    BackGroundObj background;
    EXPECT_EQ(background.Load(m_pDevice, "Empty.x", "Clock.bps"), E_FAIL);
    EXPECT_TRUE(boxes.AnyContains("failed to read backgroundposition from file"));
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(background.Count(), 0);
    EXPECT_EQ(background.Objects(), nullptr);
    EXPECT_NE(background.GetModel(), nullptr);
    EXPECT_EQ(RenderInto(background), S_OK);
}

}  // namespace
