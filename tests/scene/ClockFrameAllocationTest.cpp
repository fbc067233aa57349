// Every allocation of this program goes through the counter below, so the
// test can show that turning the hands and submitting the flowers and the
// background copies allocates nothing once the media are loaded.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "scene/BackGroundObj.h"
#include "scene/Camera.h"
#include "scene/ClockSceneFiles.h"
#include "scene/DrawQueue.h"
#include "scene/Velmoran.h"
#include "support/CountingAllocator.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

namespace {

class ClockFrameAllocationTest : public RecordingDeviceTest {};

TEST_F(ClockFrameAllocationTest, UpdateAndRenderAllocateNothing) {
    ScopedTempCwd cwd;
    ASSERT_TRUE(LinkGeneratedMedia(cwd));
    // The generated scene's own placements: real input, seen from the reset pose.
    std::filesystem::create_directory_symlink(std::filesystem::path(VELMORAN_RUN_DIR) / "Misc", cwd.File("Misc"));
    Velmoran clock;
    BackGroundObj background;
    ASSERT_EQ(clock.Load(m_pDevice, "Clock.vps"), S_OK);
    ASSERT_EQ(background.Load(m_pDevice, "VelmoranTuru04.x", "Clock.bps"), S_OK);
    ASSERT_GT(clock.Count(), 0);
    ASSERT_GT(background.Count(), 0);

    Camera camera;
    camera.SetProjection(m_pDevice, 4.0f / 3.0f, 1.0f, 2000.0f);
    auto pQueue = std::make_unique<DrawQueue>();
    DWORD queued = 0;
    auto frame = [&](int i) {
        camera.YawLocal(0.05f, 0);
        camera.BuildFrustum();
        clock.SetShowNumerals(i % 2);
        clock.Update();
        background.Render(m_pDevice, camera.CameraMatrix(), &camera.Frustum(), TRUE, pQueue.get());
        clock.Render(m_pDevice, camera.CameraMatrix(), &camera.Frustum(), TRUE, pQueue.get());
        queued += pQueue->Count();
        pQueue->Clear();
    };
    for (int i = 0; i < 20; ++i) {
        frame(i);
    }
    long before = AllocationCount();
    for (int i = 0; i < 200; ++i) {
        frame(i);
    }
    EXPECT_EQ(AllocationCount() - before, 0);
    EXPECT_GT(queued, 0u) << "the frames drew nothing, so they proved nothing";
}

}  // namespace
