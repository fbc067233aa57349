// What a frame drawn for another program's window costs on its way there, at
// 1920 x 1080: the readback from the off-screen device (two pixel buffers, the
// frame before mapped while this one is read, rows copied out; and the plain
// waiting read for comparison) and the put into an X window through SDL's
// window surface (X shared memory plus a sync), when there is an X display.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/d3d/gl/EglContext.h"
#include "platform/d3d/gl/GlFrameReadback.h"
#include "platform/d3d/gl/GlStateCache.h"

namespace {

constexpr UINT kWidth = 1920;
constexpr UINT kHeight = 1080;

[[noreturn]] void SetUpFailed(const char* what) {
    std::fprintf(stderr, "hosted_copy_bench: %s\n", what);
    std::exit(1);
}

// An off-screen frame on the device a hosted window gets, drawn once.
struct OffscreenFrame {
    EglContext m_context;
    GLuint m_uTexture = 0;
    GLuint m_uFbo = 0;

    OffscreenFrame() {
        // The driver's on-disk program cache thread can crash leak checkers' scan at exit.
        setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
        if (FAILED(m_context.Create(EglContext::Device::kBest))) {
            SetUpFailed("no off-screen EGL device");
        }
        static bool s_bNamed = false;
        if (!s_bNamed) {
            std::printf("off-screen device: %s%s\n", m_context.Renderer().c_str(),
                        m_context.IsSoftware() ? " (software)" : "");
            s_bNamed = true;
        }
        glGenTextures(1, &m_uTexture);
        glBindTexture(GL_TEXTURE_2D, m_uTexture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kWidth, kHeight, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
        glGenFramebuffers(1, &m_uFbo);
        glBindFramebuffer(GL_FRAMEBUFFER, m_uFbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_uTexture, 0);
        glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    ~OffscreenFrame() {
        glDeleteFramebuffers(1, &m_uFbo);
        glDeleteTextures(1, &m_uTexture);
    }
};

// Read, map the frame before, copy its rows out, unmap: as each hosted frame.
void BM_ReadbackTwoBuffers(benchmark::State& state) {
    OffscreenFrame frame;
    GlStateCache cache;
    GlFrameReadback readback;
    std::vector<DWORD> window(static_cast<std::size_t>(kWidth) * kHeight);
    for (auto _ : state) {
        const DWORD* pixels = readback.Read(cache, frame.m_uFbo, kWidth, kHeight);
        if (pixels == nullptr) {
            state.SkipWithError("the pixel buffer could not be mapped");
            break;
        }
        for (UINT y = 0; y < kHeight; ++y) {
            std::memcpy(&window[static_cast<std::size_t>(y) * kWidth], pixels + static_cast<std::size_t>(y) * kWidth,
                        kWidth * 4);
        }
        readback.Unmap(cache);
    }
    readback.Destroy();
    benchmark::DoNotOptimize(window.data());
}
BENCHMARK(BM_ReadbackTwoBuffers)->Unit(benchmark::kMillisecond);

// The read into client memory that waits for the frame, its rows then
// converted into the window's layout: as hosted frames were copied before.
void BM_ReadbackWaiting(benchmark::State& state) {
    OffscreenFrame frame;
    std::vector<DWORD> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    std::vector<DWORD> window(pixels.size());
    for (auto _ : state) {
        glReadPixels(0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
        for (UINT y = 0; y < kHeight; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * kWidth;
            SDL_ConvertPixels(kWidth, 1, SDL_PIXELFORMAT_ARGB8888, &pixels[row], kWidth * 4, SDL_PIXELFORMAT_RGB888,
                              &window[row], kWidth * 4);
        }
    }
    benchmark::DoNotOptimize(window.data());
}
BENCHMARK(BM_ReadbackWaiting)->Unit(benchmark::kMillisecond);

// SDL's window surface on X11 without GL, as a hosted window's: each update
// is an XShmPutImage and a sync.
void BM_PutIntoXWindow(benchmark::State& state) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (std::getenv("DISPLAY") == nullptr || SDL_VideoInit("x11") != 0) {
        state.SkipWithError("no X display");
        return;
    }
    SDL_Window* window = SDL_CreateWindow("put", 0, 0, kWidth, kHeight, SDL_WINDOW_SHOWN);
    SDL_Surface* surface = window != nullptr ? SDL_GetWindowSurface(window) : nullptr;
    if (surface == nullptr) {
        state.SkipWithError("no window surface");
    } else {
        SDL_FillRect(surface, nullptr, 0x336699);
        for (auto _ : state) {
            SDL_UpdateWindowSurface(window);
        }
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
    }
    SDL_VideoQuit();
}
BENCHMARK(BM_PutIntoXWindow)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
