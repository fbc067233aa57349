// What the frame costs per frame on a device that draws nothing: the
// statistics text through the bitmap font, and the clock application's two
// clear passes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "framework/BitmapFont.h"
#include "support/FrameHarness.h"

namespace {

IDirect3DDevice8* RequireDevice(BackendLog* log) {
    IDirect3DDevice8* device = CreateBareTestDevice(log, 512, 384);
    if (device == nullptr) {
        std::fprintf(stderr, "frame_bench: no recording device\n");
        std::exit(1);
    }
    return device;
}

// The statistics line as the clock draws it every frame.
void BM_DrawStatistics(benchmark::State& state) {
    BackendLog log;
    IDirect3DDevice8* device = RequireDevice(&log);
    BitmapFont font("Arial", 12, FONT_BOLD);
    if (FAILED(font.OnDeviceCreated(device)) || FAILED(font.OnDeviceRestored())) {
        std::fprintf(stderr, "frame_bench: the font could not be built\n");
        std::exit(1);
    }
    const char* text = "59.94 fps (512x384x32) (D16)";
    for (auto _ : state) {
        device->BeginScene();
        font.DrawString(5, 5, 0xFF00C800, text, 0);
        device->EndScene();
        log.m_events.clear();
    }
    state.SetItemsProcessed(state.iterations() * 28);
    font.OnDeviceLost();
    font.OnDeviceDestroyed();
    device->Release();
}
BENCHMARK(BM_DrawStatistics);

// A long text: 50 characters per batch, several batches.
void BM_DrawLongText(benchmark::State& state) {
    BackendLog log;
    IDirect3DDevice8* device = RequireDevice(&log);
    BitmapFont font("Arial", 12, FONT_BOLD);
    if (FAILED(font.OnDeviceCreated(device)) || FAILED(font.OnDeviceRestored())) {
        std::fprintf(stderr, "frame_bench: the font could not be built\n");
        std::exit(1);
    }
    char text[401];
    for (int i = 0; i < 400; ++i) {
        text[i] = static_cast<char>('!' + i % 90);
    }
    text[400] = 0;
    for (auto _ : state) {
        device->BeginScene();
        font.DrawString(0, 0, 0xFFFFFFFF, text, 0);
        device->EndScene();
        log.m_events.clear();
    }
    state.SetItemsProcessed(state.iterations() * 400);
    font.OnDeviceLost();
    font.OnDeviceDestroyed();
    device->Release();
}
BENCHMARK(BM_DrawLongText);

// Building the glyph sheet, as every device creation does.
void BM_BuildGlyphSheet(benchmark::State& state) {
    BackendLog log;
    IDirect3DDevice8* device = RequireDevice(&log);
    for (auto _ : state) {
        BitmapFont font("Arial", 12, FONT_BOLD);
        if (FAILED(font.OnDeviceCreated(device))) {
            std::fprintf(stderr, "frame_bench: the font could not be built\n");
            std::exit(1);
        }
        font.OnDeviceDestroyed();
    }
    device->Release();
}
BENCHMARK(BM_BuildGlyphSheet)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
