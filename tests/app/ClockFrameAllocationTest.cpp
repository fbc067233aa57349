// Every allocation of this program goes through the counter below, so the
// test can show that warm frames of the whole clock allocate nothing: the
// bird's flight and sparks, the ribbons and bubbles at steady populations,
// the flower clocks and background copies culled, levels of detail chosen and
// queued, the draw queue sorted and drawn. It stands for every subsystem's
// per-frame path, so they have no allocation programs of their own.
#include <SDL_scancode.h>
#include <gtest/gtest.h>


#include "app/ClockApp.h"
#include "support/CountingAllocator.h"
#include "support/FrameHarness.h"
#include "support/TempDir.h"

namespace {

BYTE s_abyKeys[SDL_NUM_SCANCODES];
const BYTE* TestKeys(int* count) {
    *count = SDL_NUM_SCANCODES;
    return s_abyKeys;
}

class FrameClockApp : public ClockApp {
public:
    HRESULT Step() { return StepFrame(); }
};

TEST(ClockFrameAllocationTest, WarmFramesOfTheWholeClockAllocateNothing) {
    ScopedTempCwd cwd;
    cwd.CopyMedia(VELMORAN_RUN_DIR);
    // Framed view, numerals shown: the most the scene draws.
    const DWORD word = 0x18;
    cwd.WriteFile("Misc/VelmoranFlags.vmf", std::string(reinterpret_cast<const char*>(&word), 4));
    dinput_hooks::SetKeyStateSource(TestKeys);

    FrameEnvironment env;
    FrameClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    ASSERT_NE(nullptr, app.GetSparkTrail()->Texture());
    env.m_log.m_bRecord = false;
    // Long enough for every particle effect to reach its steady population
    // (bubbles live 20 s): records are made on demand and then recycled.
    double t = 1.0;
    for (int i = 0; i < 1200; ++i) {
        t += 0.03;
        SetTestClock(t);
        ASSERT_EQ(S_OK, app.Step());
    }

    // Steady flight, then the keys: toggles, the manual camera, the fog.
    const int drawsBefore = env.m_log.m_nDraws;
    const long before = AllocationCount();
    for (int i = 0; i < 200; ++i) {
        s_abyKeys[SDL_SCANCODE_1] = (i > 100 && i < 120) ? 1 : 0;
        s_abyKeys[SDL_SCANCODE_4] = (i > 150) ? 1 : 0;
        s_abyKeys[SDL_SCANCODE_UP] = 1;
        if (i == 50) {
            app.GetFlags()->SetBits(FLAG_MANUAL_CAMERA);
        }
        t += 0.03;
        SetTestClock(t);
        ASSERT_EQ(S_OK, app.OnFrameUpdate());
        ASSERT_EQ(S_OK, app.OnFrameRender());
    }
    EXPECT_EQ(0, AllocationCount() - before);
    // Every per-frame path ran with something in it.
    EXPECT_GT(app.GetSparkTrail()->LiveCount(), 0u);
    EXPECT_GT(app.GetRibbon()->LiveCount(), 0u);
    EXPECT_GT(app.GetBubbles()->LiveCount(), 0u);
    EXPECT_GT(app.GetVelmoran()->Count(), 0);
    EXPECT_GT(app.GetBackGround()->Count(), 0);
    EXPECT_GT(env.m_log.m_nDraws - drawsBefore, 200 * 5) << "the bird, the queue and three effects each frame";
    dinput_hooks::SetKeyStateSource(nullptr);
}

}  // namespace
