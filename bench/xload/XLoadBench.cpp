// Parse-and-load throughput (MB of file per CPU second) of a 100k-triangle
// model with normals, texture coordinates and two materials, in text and
// binary: our X-file runtime with D3DXLoadMeshFromXof against the peer
// importer, in one run, with a summary of both rates and their ratio at the end.
// Rates are taken over the process's CPU time: on a shared machine wall time
// also counts whatever else ran meanwhile, which skews whichever side ran then.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "XLoadModel.h"
#include "XLoadRunner.h"
#include "platform/d3d/record/RecordingDevice.h"

namespace {

constexpr DWORD kCells = 224;  // 2 * 224 * 224 = 100352 triangles

const XLoadModel& Model() {
    static const XLoadModel model(kCells);
    return model;
}

const std::vector<BYTE>& Image(bool bBinary) {
    static const std::vector<BYTE> text = Model().TextFile();
    static const std::vector<BYTE> binary = Model().BinaryFile();
    return bBinary ? binary : text;
}

IDirect3DDevice8* Device() {
    static IDirect3DDevice8* pDevice = [] {
        D3DPRESENT_PARAMETERS parameters{};
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        IDirect3DDevice8* pCreated = nullptr;
        RecordLog* pLog = nullptr;
        if (FAILED(CreateRecordingDevice(&parameters, nullptr, &pCreated, &pLog))) {
            std::fprintf(stderr, "no recording device\n");
            std::exit(1);
        }
        return pCreated;
    }();
    return pDevice;
}

// The file's size in MB, and a check that the load gave the whole model.
void Finish(benchmark::State& state, const std::vector<BYTE>& image, const XLoadRunner::Counts& counts) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(image.size()));
    state.counters["file_MB"] = static_cast<double>(image.size()) / 1e6;
    state.counters["triangles"] = counts.m_dwTriangles;
    if (counts.m_dwTriangles != Model().TriangleCount()) {
        state.SkipWithError("the load lost triangles");
    }
}

void BM_Ours(benchmark::State& state, bool bBinary) {
    const std::vector<BYTE>& image = Image(bBinary);
    XLoadRunner::Counts counts;
    if (FAILED(XLoadRunner::LoadOurs(Device(), image, counts))) {
        std::fprintf(stderr, "our loader refuses the generated model\n");
        std::exit(1);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(XLoadRunner::LoadOurs(Device(), image, counts));
    }
    Finish(state, image, counts);
}

void BM_Peer(benchmark::State& state, bool bBinary) {
    const std::vector<BYTE>& image = Image(bBinary);
    XLoadRunner::Counts counts;
    if (!XLoadRunner::LoadPeer(image, counts)) {
        state.SkipWithError("the peer importer refuses the generated model");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(XLoadRunner::LoadPeer(image, counts));
    }
    Finish(state, image, counts);
}

// Keeps each run's rate for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.cpu_accumulated_time > 0.0 && run.counters.count("file_MB") != 0) {
                const double fMegabytes = run.counters.at("file_MB").value * static_cast<double>(run.iterations);
                m_rates[run.run_name.function_name] = fMegabytes / run.cpu_accumulated_time;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSummary() const {
        std::printf("\nparse+load throughput, %u triangles (MB of file per CPU second):\n", Model().TriangleCount());
        for (const char* szEncoding : {"Text", "Binary"}) {
            const double fOurs = Rate(std::string("BM_Ours") + szEncoding);
            const double fPeer = Rate(std::string("BM_Peer") + szEncoding);
            const double fFileMb = static_cast<double>(Image(std::string(szEncoding) == "Binary").size()) / 1e6;
            std::printf("  %-6s ours %8.1f MB/s (%5.1f ms)", szEncoding, fOurs,
                        fOurs > 0.0 ? 1e3 * fFileMb / fOurs : 0.0);
            if (fPeer > 0.0) {
                std::printf("   peer %8.1f MB/s (%5.1f ms)   ours/peer %.2f\n", fPeer, 1e3 * fFileMb / fPeer,
                            fOurs / fPeer);
            } else {
                std::printf("   peer: %s\n", XLoadRunner::HasPeer() ? "not run" : "not built (Assimp not found)");
            }
        }
    }

private:
    double Rate(const std::string& name) const {
        const auto it = m_rates.find(name);
        return it == m_rates.end() ? 0.0 : it->second;
    }

    std::map<std::string, double> m_rates;
};

}  // namespace

int main(int argc, char** argv) {
    // CPU time of the whole process, so a loader that hands work to threads of its own is charged for them.
    benchmark::RegisterBenchmark("BM_OursText", BM_Ours, false)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
    benchmark::RegisterBenchmark("BM_OursBinary", BM_Ours, true)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime();
    if (XLoadRunner::HasPeer()) {
        benchmark::RegisterBenchmark("BM_PeerText", BM_Peer, false)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime();
        benchmark::RegisterBenchmark("BM_PeerBinary", BM_Peer, true)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime();
    } else {
        std::printf("Assimp was not found at build time: the peer importer is not measured.\n");
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    Device()->Release();
    return 0;
}
