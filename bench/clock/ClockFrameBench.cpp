// What one frame of the clock costs the processor: the per-frame update and
// the render pass of the real application over the generated media, on a
// device that records nothing, with the spark trail full.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/ClockApp.h"
#include "framework/FrameStep.h"
#include "platform/kernel/Kernel.h"
#include "platform/win/WinUser.h"
#include "support/CountingAllocator.h"
#include "support/FrameHarness.h"

namespace {

namespace fs = std::filesystem;

int SilentBox(HWND, const char* text, const char*, UINT) {
    std::fprintf(stderr, "clock_bench: message box: %s\n", text);
    return IDOK;
}

// A fresh run folder holding a copy of the generated media, made current.
std::string MakeRunFolder() {
    char pattern[] = "/tmp/velmoran-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::fprintf(stderr, "clock_bench: no temporary folder\n");
        std::exit(1);
    }
    for (const char* folder : {"Model", "Texture", "Misc", "Sound"}) {
        fs::copy(fs::path(VELMORAN_RUN_DIR) / folder, fs::path(pattern) / folder, fs::copy_options::recursive);
    }
    fs::current_path(pattern);
    return pattern;
}

class BenchClockApp : public ClockApp {
public:
    HRESULT Step() { return StepFrame(); }
    void Close() { HandleMessage(m_hWnd, WM_CLOSE, 0, 0); }
    // The next updates advance nothing: every animation steps by 0.
    void HoldTime() { m_fElapsedTime = 0.0f; }
};

void TopUpSparks(ParticleTrailPC* trail) {
    while (trail->LiveCount() < ParticleTrailPC::kCapacity) {
        trail->Add(0.0f, 10.0f, 0.0f, 0.1f, 0.2f, 0.0f);
    }
}

void BM_ClockFrame(benchmark::State& state, bool fullTrail) {
    const std::string folder = MakeRunFolder();
    win_hooks::SetMessageBox(SilentBox);
    {
        FrameEnvironment env;
        BenchClockApp app;
        if (FAILED(app.Create(nullptr)) || app.GetVelmoran() == nullptr || app.GetSparkTrail()->Texture() == nullptr) {
            std::fprintf(stderr, "clock_bench: the application did not start with its media\n");
            std::exit(1);
        }
        env.m_log.m_bRecord = false;
        // 25 s of flight: every particle population reaches its steady size
        // (bubbles live 20 s), so the timed frames recycle records.
        double t = 1.0;
        for (int i = 0; i < 1500; ++i) {
            t += 1.0 / 60.0;
            SetTestClock(t);
            app.Step();
        }
        if (fullTrail) {
            TopUpSparks(app.GetSparkTrail());  // the trail's records are made once, here
        }
        const long before = AllocationCount();
        for (auto _ : state) {
            if (fullTrail) {
                TopUpSparks(app.GetSparkTrail());
            }
            t += 1.0 / 60.0;
            SetTestClock(t);
            app.OnFrameUpdate();
            app.OnFrameRender();
        }
        state.counters["allocs/frame"] = double(AllocationCount() - before) / double(state.iterations());
        state.counters["sparks"] = double(app.GetSparkTrail()->LiveCount());
        app.Close();
    }
    win_hooks::SetMessageBox(nullptr);
    fs::current_path("/");
    fs::remove_all(folder);
}

// Every particle population at its capacity: 1000 bubbles, 600 sparks and
// 2500 ribbon segments. They are born with long frames, then the clock stands
// still (frame step 0) so that none dies; each record costs what it costs in
// a moving frame.
void BM_ClockFrameFullParticles(benchmark::State& state) {
    const std::string folder = MakeRunFolder();
    win_hooks::SetMessageBox(SilentBox);
    {
        FrameEnvironment env;
        BenchClockApp app;
        if (FAILED(app.Create(nullptr)) || app.GetRibbon()->Texture() == nullptr ||
            app.GetBubbles()->Texture() == nullptr) {
            std::fprintf(stderr, "clock_bench: the application did not start with its media\n");
            std::exit(1);
        }
        env.m_log.m_bRecord = false;
        double t = 1.0;
        for (int i = 0; i < 30; ++i) {
            t += 1.0 / 60.0;
            SetTestClock(t);
            app.Step();
        }
        crt::srand(1);
        g_frameStep = 0.03f;
        for (DWORD i = 0; i < ParticleBubble::kCapacity; ++i) {
            app.GetBubbles()->Emit(0.0f, 0.0f, 0.0f);
        }
        TopUpSparks(app.GetSparkTrail());
        while (app.GetRibbon()->LiveCount() < ParticleTrailRibonG::kCapacity) {
            app.GetRibbonLeaders()->Update(app.GetPath(), app.GetRibbon());
        }
        app.HoldTime();
        if (app.GetBubbles()->LiveCount() != ParticleBubble::kCapacity ||
            app.GetSparkTrail()->LiveCount() != ParticleTrailPC::kCapacity ||
            app.GetRibbon()->LiveCount() != ParticleTrailRibonG::kCapacity) {
            std::fprintf(stderr, "clock_bench: particle populations not at capacity\n");
            std::exit(1);
        }
        const long before = AllocationCount();
        for (auto _ : state) {
            app.OnFrameUpdate();
            app.OnFrameRender();
        }
        state.counters["allocs/frame"] = double(AllocationCount() - before) / double(state.iterations());
        state.counters["bubbles"] = double(app.GetBubbles()->LiveCount());
        state.counters["sparks"] = double(app.GetSparkTrail()->LiveCount());
        state.counters["segments"] = double(app.GetRibbon()->LiveCount());
        app.Close();
    }
    win_hooks::SetMessageBox(nullptr);
    fs::current_path("/");
    fs::remove_all(folder);
}
BENCHMARK(BM_ClockFrameFullParticles)->Unit(benchmark::kMicrosecond);

void BM_ClockFrameAsFlown(benchmark::State& state) {
    BM_ClockFrame(state, false);
}
void BM_ClockFrameWith600Sparks(benchmark::State& state) {
    BM_ClockFrame(state, true);
}
BENCHMARK(BM_ClockFrameAsFlown)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClockFrameWith600Sparks)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
