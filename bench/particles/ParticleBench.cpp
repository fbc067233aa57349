// CPU cost of the particle effects per frame on the recording device: 1000
// bubbles, 600 sparks and 2500 ribbon segments alive (with the eight ribbon
// leaders flying the path), updated, written into their buffers and drawn.
// Every allocation of the program is counted, and the allocations of the
// timed frames are printed per frame: a warm frame must make none.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/FrameStep.h"
#include "particles/ParticleBubble.h"
#include "particles/ParticleTrailPC.h"
#include "particles/ParticleTrailRibonG.h"
#include "particles/RibbonLeaders.h"
#include "platform/d3d/record/RecordingDevice.h"
#include "platform/kernel/Kernel.h"
#include "scene/FergusonPath.h"
#include "support/CountingAllocator.h"
#include "support/DdsTestFiles.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "particle_bench set-up failed: %s\n", what);
    std::exit(1);
}

void Put(std::vector<BYTE>& out, const void* p, size_t n) {
    const BYTE* b = static_cast<const BYTE*>(p);
    out.insert(out.end(), b, b + n);
}

void WriteBytes(const std::string& path, const std::vector<BYTE>& bytes) {
    std::FILE* pFile = std::fopen(path.c_str(), "wb");
    if (pFile == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), pFile) != bytes.size()) {
        Fail(path.c_str());
    }
    std::fclose(pFile);
}

// Eight points round the clock; camera angles and distances unused here.
std::vector<BYTE> RoundPath() {
    std::vector<BYTE> path;
    const int count = 8;
    Put(path, &count, 4);
    for (int i = 0; i < count; ++i) {
        const float xyz[3] = {80.0f * std::cos(0.785f * float(i)), 10.0f * float(i % 3),
                              80.0f * std::sin(0.785f * float(i))};
        Put(path, xyz, 12);
    }
    const float zero = 0.0f;
    for (int i = 0; i < 2 * count; ++i) {
        Put(path, &zero, 4);
    }
    return path;
}

// The effects read their media from the current directory: one temporary
// folder holds the three textures and the path for the whole run.
struct MediaFolder {
    MediaFolder() {
        char szTemplate[] = "/tmp/particle-bench-XXXXXX";
        if (mkdtemp(szTemplate) == nullptr || chdir(szTemplate) != 0 || mkdir("Texture", 0755) != 0 ||
            mkdir("Misc", 0755) != 0) {
            Fail("temporary media folder");
        }
        m_path = szTemplate;
        for (const char* name : kTextures) {
            std::vector<BYTE> white;
            AppendPixels(white, std::vector<DWORD>(16, 0xFFFFFFFFu), 4);
            WriteBytes(m_path + "/Texture/" + name, BuildDds(ArgbLayout(4, 4), white));
        }
        WriteBytes(m_path + "/Misc/Clock.fpp", RoundPath());
    }
    ~MediaFolder() {
        for (const char* name : kTextures) {
            std::remove((m_path + "/Texture/" + name).c_str());
        }
        std::remove((m_path + "/Misc/Clock.fpp").c_str());
        rmdir((m_path + "/Texture").c_str());
        rmdir((m_path + "/Misc").c_str());
        rmdir(m_path.c_str());
    }
    static constexpr const char* kTextures[3] = {"ParticleBubble01.dds", "ParticleTrailPC01.dds", "RibonTex01.dds"};
    std::string m_path;
};

// The three effects, their leaders and the path on one recording device.
struct Effects {
    Effects() {
        static MediaFolder s_media;
        // The loaders' progress notes would bury the figures.
        kernel_hooks::SetDebugOutput([](const char*) {});
        D3DPRESENT_PARAMETERS parameters{};
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        if (FAILED(CreateRecordingDevice(&parameters, nullptr, &m_pDevice, &m_pLog))) {
            Fail("recording device");
        }
        m_pLog->KeepLastFrameOnly(true);
        m_pPath = new FergusonPath;
        m_pBubbles = new ParticleBubble;
        m_pSparks = new ParticleTrailPC;
        m_pRibbon = new ParticleTrailRibonG;
        m_pLeaders = new RibbonLeaders;
        if (FAILED(m_pPath->Load("Clock.fpp")) || FAILED(m_pBubbles->Load(m_pDevice)) ||
            FAILED(m_pSparks->Load(m_pDevice)) || FAILED(m_pRibbon->Load(m_pDevice)) ||
            FAILED(m_pLeaders->Load(m_pPath))) {
            Fail("particle media");
        }
        D3DXMatrixRotationY(&m_matBillboard, 0.4f);
    }
    ~Effects() {
        m_pDevice->SetTexture(0, nullptr);
        m_pDevice->SetStreamSource(0, nullptr, 0);
        delete m_pLeaders;
        delete m_pRibbon;
        delete m_pSparks;
        delete m_pBubbles;
        delete m_pPath;
        m_pDevice->Release();
    }
    // The update steps and the draws of one frame, in the clock's order.
    void Frame() {
        g_appTime += 0.016f;
        m_pSparks->Add(0.0f, 5.0f, 0.0f, 1.0f, 0.0f, 0.5f);
        m_pSparks->Update();
        m_pBubbles->Emit(0.0f, 0.0f, 0.0f);
        m_pBubbles->Update();
        m_pLeaders->Update(m_pPath, m_pRibbon);
        m_pRibbon->Update();
        m_pDevice->BeginScene();
        m_pSparks->Render(m_pDevice, m_matBillboard);
        m_pRibbon->Render(m_pDevice);
        m_pBubbles->Render(m_pDevice, m_matBillboard);
        m_pDevice->EndScene();
        m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    }

    IDirect3DDevice8* m_pDevice = nullptr;
    RecordLog* m_pLog = nullptr;
    FergusonPath* m_pPath;
    ParticleBubble* m_pBubbles;
    ParticleTrailPC* m_pSparks;
    ParticleTrailRibonG* m_pRibbon;
    RibbonLeaders* m_pLeaders;
    D3DXMATRIX m_matBillboard;
};

void Report(benchmark::State& state, const Effects& effects, long allocations) {
    state.counters["bubbles"] = double(effects.m_pBubbles->LiveCount());
    state.counters["sparks"] = double(effects.m_pSparks->LiveCount());
    state.counters["segments"] = double(effects.m_pRibbon->LiveCount());
    state.counters["allocs/frame"] = double(allocations) / double(state.iterations());
}

// Every population at its capacity. Each record is born with a long enough
// frame, then the frame step is held at 0 so that none dies: the work per
// record is the same as in a moving frame.
void BM_FullFrame(benchmark::State& state) {
    Effects effects;
    crt::srand(1);
    g_frameStep = 0.03f;
    for (DWORD i = 0; i < ParticleBubble::kCapacity; ++i) {
        effects.m_pBubbles->Emit(0.0f, 0.0f, 0.0f);
    }
    for (DWORD i = 0; i < ParticleTrailPC::kCapacity; ++i) {
        effects.m_pSparks->Add(float(i % 40), 0.0f, float(i / 40), 0.1f, 0.0f, 0.2f);
    }
    while (effects.m_pRibbon->LiveCount() < ParticleTrailRibonG::kCapacity) {
        effects.m_pLeaders->Update(effects.m_pPath, effects.m_pRibbon);
    }
    g_frameStep = 0.0f;
    effects.Frame();  // the recording device's own buffers grow here
    if (effects.m_pBubbles->LiveCount() != 1000 || effects.m_pSparks->LiveCount() != 600 ||
        effects.m_pRibbon->LiveCount() != 2500) {
        Fail("populations not at capacity");
    }
    long before = AllocationCount();
    for (auto _ : state) {
        effects.Frame();
    }
    Report(state, effects, AllocationCount() - before);
}
BENCHMARK(BM_FullFrame)->Unit(benchmark::kMicrosecond);

// The clock's own steady state at 60 frames per second: births and deaths
// balance and dead records come back from the free lists.
void BM_SteadyFrame(benchmark::State& state) {
    Effects effects;
    crt::srand(2);
    g_frameStep = 1.0f / 60.0f;
    for (int i = 0; i < 60 * 25; ++i) {  // bubbles live 20.4 s
        effects.Frame();
    }
    long before = AllocationCount();
    for (auto _ : state) {
        effects.Frame();
    }
    Report(state, effects, AllocationCount() - before);
}
BENCHMARK(BM_SteadyFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
