// CPU cost per draw of a clock-like frame: 300 mesh-subset draws with
// material, texture and transform changes, on the reference (GL software)
// device and on the recording device, plus the GL calls each draw issues.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/d3d/D3D8.h"
#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/gl/GlBackend.h"
#include "platform/d3d/record/RecordingDevice.h"

namespace {

constexpr int kDrawsPerFrame = 300;
constexpr int kMeshes = 30;
constexpr int kSubsets = 3;
constexpr int kTextures = 10;
constexpr int kMaterials = 7;
constexpr int kGrid = 8;  // vertices per side of each mesh

struct Vertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// Meshes, textures and materials of a frame, made on one device.
class Scene {
public:
    // With visible false every mesh lies behind the camera: GL transforms and
    // clips the vertices but rasterises nothing, which leaves the cost of the
    // device calls themselves.
    bool Create(IDirect3DDevice8* device, bool visible) {
        m_pDevice = device;
        std::vector<Vertex> vertices;
        std::vector<WORD> indices;
        for (int y = 0; y < kGrid; ++y) {
            for (int x = 0; x < kGrid; ++x) {
                const float fx = static_cast<float>(x) / (kGrid - 1) - 0.5f;
                const float fy = static_cast<float>(y) / (kGrid - 1) - 0.5f;
                vertices.push_back({fx, fy, 0.1f * std::sin(fx * 6.0f), 0, 0, -1, fx + 0.5f, fy + 0.5f});
            }
        }
        for (int y = 0; y + 1 < kGrid; ++y) {
            for (int x = 0; x + 1 < kGrid; ++x) {
                const WORD i = static_cast<WORD>(y * kGrid + x);
                indices.insert(indices.end(),
                               {i, static_cast<WORD>(i + 1), static_cast<WORD>(i + kGrid), static_cast<WORD>(i + kGrid),
                                static_cast<WORD>(i + 1), static_cast<WORD>(i + kGrid + 1)});
            }
        }
        m_uIndexCount = static_cast<UINT>(indices.size());
        for (int m = 0; m < kMeshes; ++m) {
            BYTE* data = nullptr;
            const UINT vertexBytes = static_cast<UINT>(vertices.size() * sizeof(Vertex));
            const UINT indexBytes = static_cast<UINT>(indices.size() * sizeof(WORD));
            if (FAILED(device->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, kFvf, D3DPOOL_MANAGED,
                                                  &m_pVertices[m])) ||
                FAILED(device->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                                 &m_pIndices[m])) ||
                FAILED(m_pVertices[m]->Lock(0, 0, &data, 0))) {
                return false;
            }
            std::memcpy(data, vertices.data(), vertexBytes);
            m_pVertices[m]->Unlock();
            if (FAILED(m_pIndices[m]->Lock(0, 0, &data, 0))) {
                return false;
            }
            std::memcpy(data, indices.data(), indexBytes);
            m_pIndices[m]->Unlock();
        }
        for (int t = 0; t < kTextures; ++t) {
            if (FAILED(device->CreateTexture(64, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &m_pTextures[t]))) {
                return false;
            }
            for (DWORD level = 0; level < m_pTextures[t]->GetLevelCount(); ++level) {
                D3DLOCKED_RECT locked = {};
                D3DSURFACE_DESC desc = {};
                m_pTextures[t]->GetLevelDesc(level, &desc);
                if (FAILED(m_pTextures[t]->LockRect(level, &locked, nullptr, 0))) {
                    return false;
                }
                for (UINT y = 0; y < desc.Height; ++y) {
                    auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
                    for (UINT x = 0; x < desc.Width; ++x) {
                        row[x] = 0xFF000000u | (static_cast<DWORD>(t * 25) << 16) | ((x * 4) << 8) | (y * 4);
                    }
                }
                m_pTextures[t]->UnlockRect(level);
            }
        }
        for (int i = 0; i < kMaterials; ++i) {
            const float f = static_cast<float>(i) / kMaterials;
            m_materials[i] = {{f, 1 - f, 0.5f, 1}, {0.2f, 0.2f, 0.2f, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0};
        }
        for (int i = 0; i < kDrawsPerFrame; ++i) {
            D3DMATRIX& m = m_world[i];
            std::memset(&m, 0, sizeof(m));
            const float angle = static_cast<float>(i) * 0.37f;
            m._11 = std::cos(angle) * 0.3f;
            m._13 = -std::sin(angle) * 0.3f;
            m._22 = 0.3f;
            m._31 = std::sin(angle) * 0.3f;
            m._33 = std::cos(angle) * 0.3f;
            m._41 = static_cast<float>(i % 15) * 0.2f - 1.4f;
            m._42 = static_cast<float>(i / 15) * 0.15f - 1.5f;
            m._43 = (visible ? 4.0f : -20.0f) + static_cast<float>(i % 7) * 0.3f;
            m._44 = 1.0f;
        }
        D3DMATRIX projection = {};
        projection._11 = 1.0f;
        projection._22 = 1.0f;
        projection._33 = 100.0f / 99.0f;
        projection._34 = 1.0f;
        projection._43 = -100.0f / 99.0f;
        device->SetTransform(D3DTS_PROJECTION, &projection);
        D3DLIGHT8 light = {};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Direction = {0.2f, -0.5f, 1.0f};
        light.Diffuse = {1, 1, 1, 1};
        device->SetLight(0, &light);
        device->LightEnable(0, TRUE);
        device->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        device->SetVertexShader(kFvf);
        return true;
    }

    void Release() {
        if (m_pDevice == nullptr) {
            return;
        }
        m_pDevice->SetTexture(0, nullptr);
        m_pDevice->SetStreamSource(0, nullptr, 0);
        m_pDevice->SetIndices(nullptr, 0);
        for (auto* buffer : m_pVertices) {
            if (buffer != nullptr) {
                buffer->Release();
            }
        }
        for (auto* buffer : m_pIndices) {
            if (buffer != nullptr) {
                buffer->Release();
            }
        }
        for (auto* texture : m_pTextures) {
            if (texture != nullptr) {
                texture->Release();
            }
        }
    }

    // One frame as the draw queue issues it, then Present.
    void DrawFrame() {
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        m_pDevice->BeginScene();
        const UINT subsetIndices = m_uIndexCount / kSubsets / 3 * 3;
        for (int i = 0; i < kDrawsPerFrame; ++i) {
            const int mesh = i / kSubsets % kMeshes;
            const int subset = i % kSubsets;
            if (subset == 0) {
                m_pDevice->SetTransform(D3DTS_WORLD, &m_world[i]);
                m_pDevice->SetStreamSource(0, m_pVertices[mesh], sizeof(Vertex));
                m_pDevice->SetIndices(m_pIndices[mesh], 0);
            }
            m_pDevice->SetMaterial(&m_materials[i % kMaterials]);
            m_pDevice->SetTexture(0, m_pTextures[(i * 3) % kTextures]);
            m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, kGrid * kGrid, subset * subsetIndices,
                                            subsetIndices / 3);
        }
        m_pDevice->EndScene();
        m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    }

private:
    IDirect3DDevice8* m_pDevice = nullptr;
    IDirect3DVertexBuffer8* m_pVertices[kMeshes] = {};
    IDirect3DIndexBuffer8* m_pIndices[kMeshes] = {};
    IDirect3DTexture8* m_pTextures[kTextures] = {};
    D3DMATERIAL8 m_materials[kMaterials] = {};
    D3DMATRIX m_world[kDrawsPerFrame] = {};
    UINT m_uIndexCount = 0;
};

D3DPRESENT_PARAMETERS SmallBackBuffer() {
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.BackBufferWidth = 128;
    parameters.BackBufferHeight = 96;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    return parameters;
}

[[noreturn]] void SetUpFailed(const char* what) {
    std::fprintf(stderr, "d3d_draw_bench: %s\n", what);
    std::exit(1);
}

struct ReferenceDevice {
    IDirect3D8* m_pD3D = nullptr;
    IDirect3DDevice8* m_pDevice = nullptr;
    Scene m_scene;

    explicit ReferenceDevice(bool visible) {
        m_pD3D = Direct3DCreate8(D3D_SDK_VERSION);
        if (m_pD3D == nullptr) {
            SetUpFailed("no Direct3D object");
        }
        D3DPRESENT_PARAMETERS parameters = SmallBackBuffer();
        if (FAILED(m_pD3D->CreateDevice(0, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters,
                                        &m_pDevice))) {
            SetUpFailed("no reference device (software EGL context)");
        }
        if (!m_scene.Create(m_pDevice, visible)) {
            SetUpFailed("scene resources could not be made");
        }
        m_scene.DrawFrame();  // programs built, resources uploaded
    }
    ~ReferenceDevice() {
        m_scene.Release();
        m_pDevice->Release();
        m_pD3D->Release();
    }
    const GlBackend& Backend() const { return static_cast<GlBackend&>(static_cast<DeviceCore*>(m_pDevice)->Backend()); }
};

void ReportPerDraw(benchmark::State& state) {
    const double draws = static_cast<double>(state.iterations()) * kDrawsPerFrame;
    state.counters["cpu_per_draw"] =
        benchmark::Counter(draws, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(state.iterations() * kDrawsPerFrame);
}

// Whole frames: device calls, the software rasteriser and Present.
void BM_ReferenceDeviceFrame(benchmark::State& state) {
    ReferenceDevice reference(true);
    const DWORD callsBefore = reference.Backend().GlCallCount();
    for (auto _ : state) {
        reference.m_scene.DrawFrame();
    }
    state.counters["gl_calls_per_draw"] = static_cast<double>(reference.Backend().GlCallCount() - callsBefore) /
                                          (static_cast<double>(state.iterations()) * kDrawsPerFrame);
    ReportPerDraw(state);
}
BENCHMARK(BM_ReferenceDeviceFrame)->Unit(benchmark::kMillisecond);

// The device calls and GL's handling of them, with nothing to rasterise.
void BM_ReferenceDeviceCalls(benchmark::State& state) {
    ReferenceDevice reference(false);
    const DWORD callsBefore = reference.Backend().GlCallCount();
    for (auto _ : state) {
        reference.m_scene.DrawFrame();
    }
    state.counters["gl_calls_per_draw"] = static_cast<double>(reference.Backend().GlCallCount() - callsBefore) /
                                          (static_cast<double>(state.iterations()) * kDrawsPerFrame);
    ReportPerDraw(state);
}
BENCHMARK(BM_ReferenceDeviceCalls)->Unit(benchmark::kMillisecond);

void BM_RecordingDeviceFrame(benchmark::State& state) {
    D3DPRESENT_PARAMETERS parameters = SmallBackBuffer();
    IDirect3DDevice8* device = nullptr;
    RecordLog* log = nullptr;
    if (FAILED(CreateRecordingDevice(&parameters, nullptr, &device, &log))) {
        SetUpFailed("no recording device");
    }
    Scene scene;
    if (!scene.Create(device, true)) {
        SetUpFailed("scene resources could not be made");
    }
    for (auto _ : state) {
        scene.DrawFrame();
        state.PauseTiming();
        log->Clear();  // the log would otherwise grow without end
        state.ResumeTiming();
    }
    ReportPerDraw(state);
    scene.Release();
    device->Release();
}
BENCHMARK(BM_RecordingDeviceFrame)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Keep SDL's GL library loaded for the whole run: the driver does not
    // free everything when it is unloaded, which leak checkers would report.
    // Its on-disk program cache thread can crash their scan at exit.
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        SDL_GL_LoadLibrary(nullptr);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
