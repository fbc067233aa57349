// What a frame of the whole clock costs on the software GL device, next to a
// loop that only clears and presents on the same device: frames per second
// with every drawing step, and with each step left out in turn, so the cost
// of each step is known. The clock stands still at a fixed local time, the
// bird at one point of its path and every particle population at its steady
// size after 25 s of flight.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "app/ClockApp.h"
#include "framework/FrameTimer.h"
#include "platform/kernel/Kernel.h"
#include "platform/win/WinUser.h"

namespace {

namespace fs = std::filesystem;

LONGLONG s_llTicks = 1000000;
LONGLONG s_llStep = 1;

BOOL Frequency(LARGE_INTEGER* frequency) {
    frequency->QuadPart = 1000000;
    return TRUE;
}
// Each reading moves the clock by the current step: a 60th of a second while
// the scene flies in, a microsecond once it is held.
BOOL Counter(LARGE_INTEGER* count) {
    s_llTicks += s_llStep;
    count->QuadPart = s_llTicks;
    return TRUE;
}
std::time_t FixedWallClock() {
    return 1796558400;  // 2026-12-06, mid-day
}
int SilentBox(HWND, const char* text, const char*, UINT) {
    std::fprintf(stderr, "render_bench: message box: %s\n", text);
    return IDOK;
}

class BenchClockApp : public ClockApp {
public:
    HRESULT Step() { return StepFrame(); }
    void Close() { HandleMessage(m_hWnd, WM_CLOSE, 0, 0); }
};

struct Step {
    const char* m_szName;
    DWORD m_dwStep;
};
constexpr Step kSteps[] = {
    {"stats_text", ClockApp::STEP_STATS_TEXT},
    {"scene_meshes", ClockApp::STEP_SCENE_MESHES},
    {"bird", ClockApp::STEP_BIRD},
    {"sparks", ClockApp::STEP_SPARKS},
    {"ribbons", ClockApp::STEP_RIBBONS},
    {"bubbles", ClockApp::STEP_BUBBLES},
    {"overlay", ClockApp::STEP_OVERLAY},
};

// The application, started once over a copy of the generated media and flown
// until its particle populations are steady.
class Stage {
public:
    Stage() {
        char pattern[] = "/tmp/velmoran-render-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            Fail("no temporary folder");
        }
        m_folder = pattern;
        for (const char* folder : {"Model", "Texture", "Misc", "Sound"}) {
            fs::copy(fs::path(VELMORAN_RUN_DIR) / folder, m_folder / folder, fs::copy_options::recursive);
        }
        fs::current_path(m_folder);
        win_hooks::SetMessageBox(SilentBox);
        kernel_hooks::SetWallClock(FixedWallClock);
        kernel_hooks::SetPerformanceCounter(Frequency, Counter);
        frame_timer_hooks::Reset();
        // The application takes its run folder from the current folder when it is made.
        m_pApp = std::make_unique<BenchClockApp>();
        if (FAILED(m_pApp->Create(nullptr)) || m_pApp->GetVelmoran() == nullptr || m_pApp->GetBird() == nullptr) {
            Fail("the application did not start with its media");
        }
        const D3DSURFACE_DESC& desc = m_pApp->BackBufferDesc();
        if (desc.Width != 512 || desc.Height != 384) {
            Fail("the back buffer is not 512 x 384");
        }
        s_llStep = 1000000 / 60;
        for (int i = 0; i < 1500; ++i) {
            m_pApp->Step();
        }
        s_llStep = 1;
        std::fprintf(stderr, "render_bench: %s, %s\n", m_pApp->DeviceStats(), m_pApp->FrameStats());
    }
    ~Stage() {
        m_pApp->Close();
        m_pApp.reset();
        kernel_hooks::SetWallClock(nullptr);
        kernel_hooks::SetPerformanceCounter(nullptr, nullptr);
        win_hooks::SetMessageBox(nullptr);
        fs::current_path("/");
        fs::remove_all(m_folder);
    }

    std::unique_ptr<BenchClockApp> m_pApp;

private:
    static void Fail(const char* why) {
        std::fprintf(stderr, "render_bench: %s\n", why);
        std::exit(1);
    }
    fs::path m_folder;
};

Stage& TheStage() {
    static Stage* s_pStage = new Stage();
    return *s_pStage;
}

// Processor time of the whole process, the rasterizer's threads included:
// what a paced clock pays per frame, and less disturbed by other work on the
// machine than the wall clock.
double ProcessSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void Frames(benchmark::State& state, DWORD steps) {
    BenchClockApp& app = *TheStage().m_pApp;
    app.SetRenderSteps(steps);
    const double start = ProcessSeconds();
    for (auto _ : state) {
        app.Step();
    }
    state.counters["cpu_ms/frame"] = (ProcessSeconds() - start) * 1000.0 / double(state.iterations());
    app.SetRenderSteps(ClockApp::STEP_ALL);
    state.SetItemsProcessed(state.iterations());
}

void EmptyFrames(benchmark::State& state) {
    IDirect3DDevice8* device = TheStage().m_pApp->Device();
    const double start = ProcessSeconds();
    for (auto _ : state) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    state.counters["cpu_ms/frame"] = (ProcessSeconds() - start) * 1000.0 / double(state.iterations());
    state.SetItemsProcessed(state.iterations());
}

// Keeps each run's frame rate for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // Of repeated runs the best counts: other work on the machine
            // only ever makes a run slower.
            if (!run.error_occurred && run.real_accumulated_time > 0.0 && run.run_type == Run::RT_Iteration) {
                const std::string& name = run.run_name.function_name;
                const double fps = static_cast<double>(run.iterations) / run.real_accumulated_time;
                const double cpu = run.counters.at("cpu_ms/frame").value;
                m_fps[name] = std::max(m_fps[name], fps);
                m_cpu[name] = m_cpu.count(name) != 0 ? std::min(m_cpu[name], cpu) : cpu;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSummary() const {
        const double empty = Fps("empty");
        const double full = Fps("full");
        if (empty <= 0.0 || full <= 0.0) {
            return;
        }
        std::printf("\nsoftware GL, 512 x 384: frames per second (wall clock), process CPU per frame\n");
        std::printf("  clear and present only %8.1f fps %7.3f ms\n", empty, m_cpu.at("empty"));
        std::printf("  whole clock            %8.1f fps %7.3f ms   whole/empty %.3f\n", full, m_cpu.at("full"),
                    full / empty);
        std::printf("  cost of each step (whole minus whole without it):\n");
        for (const Step& step : kSteps) {
            const std::string name = std::string("without_") + step.m_szName;
            const double without = Fps(name);
            if (without > 0.0) {
                std::printf("    %-13s %6.3f ms wall %6.3f ms CPU\n", step.m_szName, 1000.0 / full - 1000.0 / without,
                            m_cpu.at("full") - m_cpu.at(name));
            }
        }
    }

private:
    double Fps(const std::string& name) const {
        const auto it = m_fps.find(name);
        return it == m_fps.end() ? 0.0 : it->second;
    }
    std::map<std::string, double> m_fps;
    std::map<std::string, double> m_cpu;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("empty", EmptyFrames)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("full", Frames, DWORD(ClockApp::STEP_ALL))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (const Step& step : kSteps) {
        benchmark::RegisterBenchmark((std::string("without_") + step.m_szName).c_str(), Frames,
                                     DWORD(ClockApp::STEP_ALL & ~step.m_dwStep))
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    delete &TheStage();
    return 0;
}
