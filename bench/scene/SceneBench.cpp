// CPU cost of the scene's per-frame pieces: the spark trail at its full 600
// sparks (update, and the buffer refill and draw on the recording device),
// a full draw queue filled and sorted, the bird's step, and the frustum.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <vector>

#include "app/ViewControl.h"
#include "bird/BirdFlight.h"
#include "framework/FrameStep.h"
#include "particles/ParticleTrailPC.h"
#include "platform/d3d/record/RecordingDevice.h"
#include "platform/kernel/Kernel.h"
#include "scene/Camera.h"
#include "scene/DrawQueue.h"
#include "support/DdsTestFiles.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "scene_bench set-up failed: %s\n", what);
    std::exit(1);
}

IDirect3DDevice8* Device(RecordLog** ppLog) {
    D3DPRESENT_PARAMETERS parameters{};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    IDirect3DDevice8* pDevice = nullptr;
    if (FAILED(CreateRecordingDevice(&parameters, nullptr, &pDevice, ppLog))) {
        Fail("recording device");
    }
    (*ppLog)->KeepLastFrameOnly(true);
    return pDevice;
}

void FillTrail(ParticleTrailPC& trail) {
    crt::srand(1);
    for (DWORD i = 0; i < ParticleTrailPC::kCapacity; ++i) {
        trail.Add(float(i % 40), 0.0f, float(i / 40), 0.1f, 0.0f, 0.2f);
    }
}

void BM_SparkUpdate(benchmark::State& state) {
    ParticleTrailPC trail;
    FillTrail(trail);
    g_frameStep = 0.0f;  // keep all 600 alive
    for (auto _ : state) {
        trail.Update();
    }
    state.counters["sparks"] = double(trail.LiveCount());
}
BENCHMARK(BM_SparkUpdate);

// The trail and the path read their media from the current directory: one
// temporary folder with a texture and a path serves every benchmark.
struct MediaFolder {
    ~MediaFolder() {
        if (!m_path.empty()) {
            std::remove((m_path + "/Texture/ParticleTrailPC01.dds").c_str());
            std::remove((m_path + "/Misc/Clock.fpp").c_str());
            rmdir((m_path + "/Texture").c_str());
            rmdir((m_path + "/Misc").c_str());
            rmdir(m_path.c_str());
        }
    }
    std::string m_path;
};

void EnterMediaFolder() {
    static MediaFolder s_media;
    std::string& s_folder = s_media.m_path;
    if (!s_folder.empty()) {
        return;
    }
    char szTemplate[] = "/tmp/scene-bench-XXXXXX";
    if (mkdtemp(szTemplate) == nullptr || chdir(szTemplate) != 0 || mkdir("Texture", 0755) != 0 ||
        mkdir("Misc", 0755) != 0) {
        Fail("temporary media folder");
    }
    s_folder = szTemplate;
    std::vector<BYTE> payload;
    AppendPixels(payload, std::vector<DWORD>(16, 0xFFFFFFFFu), 4);
    WriteFile(s_folder + "/Texture/ParticleTrailPC01.dds", BuildDds(ArgbLayout(4, 4), payload));

    // Eight points round a circle, each with a camera angle and distance.
    std::vector<BYTE> path;
    AppendPixel(path, 8, 4);
    for (int i = 0; i < 8; ++i) {
        float xyz[3] = {100.0f * std::cos(float(i)), 10.0f * float(i % 3), 100.0f * std::sin(float(i))};
        for (float f : xyz) {
            DWORD bits;
            std::memcpy(&bits, &f, 4);
            AppendPixel(path, bits, 4);
        }
    }
    for (int block = 0; block < 2; ++block) {
        for (int i = 0; i < 8; ++i) {
            float f = block == 0 ? 0.3f * float(i) : 60.0f + 10.0f * float(i);
            DWORD bits;
            std::memcpy(&bits, &f, 4);
            AppendPixel(path, bits, 4);
        }
    }
    WriteFile(s_folder + "/Misc/Clock.fpp", path);
}

void BM_SparkRender(benchmark::State& state) {
    EnterMediaFolder();
    RecordLog* pLog = nullptr;
    IDirect3DDevice8* pDevice = Device(&pLog);
    ParticleTrailPC trail;
    if (FAILED(trail.Load(pDevice))) {
        Fail("spark texture");
    }
    FillTrail(trail);
    D3DXMATRIX billboard;
    D3DXMatrixRotationY(&billboard, 0.3f);
    for (auto _ : state) {
        pDevice->BeginScene();
        trail.Render(pDevice, billboard);
        pDevice->EndScene();
        pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    }
    state.counters["sparks"] = double(trail.LiveCount());
    pDevice->SetTexture(0, nullptr);
    pDevice->SetStreamSource(0, nullptr, 0);
    trail.Invalidate();
    pDevice->Release();
}
BENCHMARK(BM_SparkRender);

void BM_QueueFillAndSort(benchmark::State& state) {
    static DrawQueue queue;
    D3DMATERIAL8 material{};
    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    crt::srand(2);
    D3DXVECTOR3 points[DrawQueue::kCapacity];
    for (D3DXVECTOR3& p : points) {
        p = D3DXVECTOR3(float(crt::rand() % 500), float(crt::rand() % 100), float(crt::rand() % 500));
    }
    for (auto _ : state) {
        for (const D3DXVECTOR3& p : points) {
            queue.Add(nullptr, world, p, &material, nullptr, 1);
        }
        queue.Sort(0.3f, -0.1f, 0.95f);
        queue.Clear();
    }
    state.counters["draws"] = double(DrawQueue::kCapacity);
}
BENCHMARK(BM_QueueFillAndSort);

void BM_BirdStepAndFrustum(benchmark::State& state) {
    RecordLog* pLog = nullptr;
    IDirect3DDevice8* pDevice = Device(&pLog);
    EnterMediaFolder();
    FergusonPath path;
    if (FAILED(path.Load("Clock.fpp"))) {
        Fail("path file");
    }
    BirdFlight bird;
    Camera camera;
    camera.SetProjection(pDevice, 4.0f / 3.0f, 1.0f, 500.0f);
    g_frameStep = 0.016f;
    for (auto _ : state) {
        bird.StorePrevious();
        bird.Update(&path, nullptr);
        FollowStep(pDevice, &camera, &path, &bird);
        camera.BuildFrustum();
        pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    }
    pDevice->Release();
}
BENCHMARK(BM_BirdStepAndFrustum);

}  // namespace

BENCHMARK_MAIN();
