// What one frame of the clock costs the processor: the per-frame update and
// the render pass of the real application over the generated media, on a
// device that records nothing, with the spark trail full.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/ClockApp.h"
#include "framework/appframe/FrameHarness.h"
#include "platform/win/WinUser.h"

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
        double t = 1.0;
        for (int i = 0; i < 30; ++i) {
            t += 1.0 / 60.0;
            SetTestClock(t);
            app.Step();
        }
        env.m_log.m_bRecord = false;
        for (auto _ : state) {
            if (fullTrail) {
                TopUpSparks(app.GetSparkTrail());
            }
            t += 1.0 / 60.0;
            SetTestClock(t);
            app.OnFrameUpdate();
            app.OnFrameRender();
        }
        state.counters["sparks"] = double(app.GetSparkTrail()->LiveCount());
        app.Close();
    }
    win_hooks::SetMessageBox(nullptr);
    fs::current_path("/");
    fs::remove_all(folder);
}

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
