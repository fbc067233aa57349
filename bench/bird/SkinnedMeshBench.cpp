// The skinned bird's costs: reading BlueBird01.x, one animation step of its
// five bones, and a whole frame (step, draw, present) on the reference
// device at the window's size, blended in hardware and in software.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "BirdModel.h"
#include "bird/SkinnedMesh.h"
#include "framework/FrameStep.h"
#include "platform/d3d/D3D8.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "bird_skin_bench set-up failed: %s\n", what);
    std::exit(1);
}

// A temporary folder holding Model/BlueBird01.x becomes the current directory.
void WriteBirdFolder() {
    static bool s_bDone = false;
    if (s_bDone) {
        return;
    }
    char szDir[] = "/tmp/velmoran-bird-bench-XXXXXX";
    if (mkdtemp(szDir) == nullptr || chdir(szDir) != 0) {
        Fail("temporary folder");
    }
    const std::string szModel = std::string(szDir) + "/Model";
    if (mkdir(szModel.c_str(), 0755) != 0) {
        Fail("model folder");
    }
    static std::string s_szDir = szDir;
    std::atexit([] {
        std::error_code error;
        std::filesystem::remove_all(s_szDir, error);
    });
    std::uint32_t dwVertices = 0;
    std::uint32_t dwTriangles = 0;
    std::ofstream(szModel + "/BlueBird01.x", std::ios::binary) << BirdModel::BirdFile(dwVertices, dwTriangles);
    s_bDone = true;
}

struct RefDevice {
    RefDevice() {
        setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
        // Video stays up for the whole program: SDL would otherwise unload the
        // GL driver with the last device, and the leak checker could no longer
        // tell the driver's own leftovers from the program's.
        static const bool s_bVideoKept = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 && SDL_GL_LoadLibrary(nullptr) == 0;
        (void)s_bVideoKept;
        m_pDirect3D = Direct3DCreate8(D3D_SDK_VERSION);
        if (m_pDirect3D == nullptr) {
            Fail("Direct3D object");
        }
        D3DPRESENT_PARAMETERS parameters = {};
        parameters.BackBufferWidth = 512;
        parameters.BackBufferHeight = 384;
        parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.Windowed = TRUE;
        parameters.EnableAutoDepthStencil = TRUE;
        parameters.AutoDepthStencilFormat = D3DFMT_D16;
        if (FAILED(m_pDirect3D->CreateDevice(0, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                             &parameters, &m_pDevice))) {
            Fail("reference device");
        }
        m_pDevice->GetDeviceCaps(&m_caps);
    }
    ~RefDevice() {
        m_pDevice->Release();
        m_pDirect3D->Release();
    }
    IDirect3D8* m_pDirect3D = nullptr;
    IDirect3DDevice8* m_pDevice = nullptr;
    D3DCAPS8 m_caps = {};
};

void BM_LoadBird(benchmark::State& state) {
    WriteBirdFolder();
    RefDevice device;
    for (auto _ : state) {
        SkinnedMesh bird;
        bird.Load(device.m_pDevice, device.m_caps, "BlueBird01.x");
        if (bird.SelectedTree() == nullptr) {
            Fail("BlueBird01.x does not load");
        }
    }
}
BENCHMARK(BM_LoadBird)->Unit(benchmark::kMillisecond);

void BM_AnimationStep(benchmark::State& state) {
    WriteBirdFolder();
    RefDevice device;
    SkinnedMesh bird;
    bird.Load(device.m_pDevice, device.m_caps, "BlueBird01.x");
    if (bird.SelectedTree() == nullptr) {
        Fail("BlueBird01.x does not load");
    }
    g_frameStep = 0.016f;
    for (auto _ : state) {
        bird.FrameMove(1, 1, 0);
    }
}
BENCHMARK(BM_AnimationStep);

// Argument: the largest palette index the device reports (255: hardware, 0: software).
void BM_FrameOnReferenceDevice(benchmark::State& state) {
    WriteBirdFolder();
    RefDevice device;
    D3DCAPS8 caps = device.m_caps;
    caps.MaxVertexBlendMatrixIndex = static_cast<DWORD>(state.range(0));
    SkinnedMesh bird;
    bird.Load(device.m_pDevice, caps, "BlueBird01.x");
    if (bird.SelectedTree() == nullptr) {
        Fail("BlueBird01.x does not load");
    }
    IDirect3DDevice8* pDevice = device.m_pDevice;
    D3DXMATRIX matView;
    const D3DXVECTOR3 eye(0.0f, 6.0f, 20.0f);
    const D3DXVECTOR3 at(0.0f, 0.5f, 0.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&matView, &eye, &at, &up);
    pDevice->SetTransform(D3DTS_VIEW, &matView);
    D3DXMATRIX matProjection;
    D3DXMatrixPerspectiveFovLH(&matProjection, D3DX_PI / 4, 4.0f / 3.0f, 1.0f, 500.0f);
    pDevice->SetTransform(D3DTS_PROJECTION, &matProjection);
    D3DXMATRIX matWorld;
    D3DXMatrixScaling(&matWorld, 3.5f, 3.5f, 3.5f);
    g_frameStep = 0.016f;
    for (auto _ : state) {
        bird.FrameMove(1, 1, 0);
        pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        pDevice->BeginScene();
        if (FAILED(bird.Render(matWorld))) {
            Fail("Render");
        }
        pDevice->EndScene();
        pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    }
}
BENCHMARK(BM_FrameOnReferenceDevice)->Arg(255)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
