// Throughput of the graphics utility layer: the per-frame math (bounds of a
// placed object, camera steps, key-frame squad), DDS decoding and mip
// generation, and mesh loading from X-file text.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfxutil/D3DXMath.h"
#include "gfxutil/D3DXMesh.h"
#include "gfxutil/DdsImage.h"
#include "gfxutil/XofMeshData.h"
#include "platform/d3d/record/RecordingDevice.h"

namespace {

[[noreturn]] void SetupFailed(const char* what) {
    std::fprintf(stderr, "benchmark set-up failed: %s\n", what);
    std::exit(1);
}

// The world bounds of one placed object: 8 corners carried, 6 planes built.
void BM_UpdateBounds(benchmark::State& state) {
    D3DXVECTOR3 local[8];
    for (int k = 0; k < 8; ++k) {
        local[k] = D3DXVECTOR3((k & 1) ? 1.f : -1.f, (k & 2) ? 2.f : -2.f, (k & 4) ? 3.f : -3.f);
    }
    D3DXMATRIX world, rotation;
    D3DXMatrixRotationY(&rotation, 0.3f);
    D3DXMatrixTranslation(&world, 10, 0, 5);
    D3DXMatrixMultiply(&world, &rotation, &world);
    static const int kTriples[6][3] = {{0, 1, 2}, {6, 7, 5}, {2, 6, 4}, {7, 3, 5}, {2, 3, 6}, {1, 0, 4}};
    D3DXVECTOR3 corners[8];
    D3DXPLANE planes[6];
    for (auto _ : state) {
        for (int k = 0; k < 8; ++k) {
            D3DXVec3TransformCoord(&corners[k], &local[k], &world);
        }
        for (int i = 0; i < 6; ++i) {
            D3DXPlaneFromPoints(&planes[i], &corners[kTriples[i][0]], &corners[kTriples[i][1]],
                                &corners[kTriples[i][2]]);
        }
        benchmark::DoNotOptimize(planes);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UpdateBounds);

// View and frustum: two general inverses and a product per frame.
void BM_MatrixInverse(benchmark::State& state) {
    D3DXMATRIX camera, proj, viewProj, out;
    D3DXMatrixRotationY(&camera, 0.7f);
    camera._41 = 3;
    camera._43 = -40;
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 4, 4.0f / 3.0f, 1.0f, 3000.0f);
    for (auto _ : state) {
        D3DXMatrixInverse(&viewProj, nullptr, &camera);
        D3DXMatrixMultiply(&viewProj, &viewProj, &proj);
        benchmark::DoNotOptimize(D3DXMatrixInverse(&out, nullptr, &viewProj));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MatrixInverse);

// One rotation channel of one animated frame.
void BM_QuaternionSquad(benchmark::State& state) {
    D3DXQUATERNION keys[4];
    const D3DXVECTOR3 axis(0.3f, 1.0f, 0.2f);
    for (int i = 0; i < 4; ++i) {
        D3DXQuaternionRotationAxis(&keys[i], &axis, 0.4f * static_cast<float>(i));
    }
    float f = 0.0f;
    D3DXQUATERNION a, b, c, q;
    D3DXMATRIX m;
    for (auto _ : state) {
        D3DXQuaternionSquadSetup(&a, &b, &c, &keys[0], &keys[1], &keys[2], &keys[3]);
        D3DXQuaternionSquad(&q, &keys[1], &a, &b, &c, f);
        D3DXMatrixRotationQuaternion(&m, &q);
        benchmark::DoNotOptimize(m);
        f = f > 0.99f ? 0.0f : f + 0.01f;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_QuaternionSquad);

std::vector<BYTE> DdsHeader(DWORD width, DWORD height, DWORD pfFlags, DWORD fourCC, DWORD bits, const DWORD masks[4]) {
    std::vector<BYTE> out(128, 0);
    auto put = [&](size_t offset, DWORD v) { std::memcpy(out.data() + offset, &v, 4); };
    put(0, 0x20534444);
    put(4, 124);
    put(8, 0x1007);
    put(12, height);
    put(16, width);
    put(76, 32);
    put(80, pfFlags);
    put(84, fourCC);
    put(88, bits);
    for (int i = 0; i < 4; ++i) {
        put(92 + 4 * i, masks[i]);
    }
    put(108, 0x1000);
    return out;
}

// A 512 x 512 DXT1 file without mips: decode plus a re-encoded chain.
void BM_DdsDxt1WithGeneratedMips(benchmark::State& state) {
    const DWORD masks[4] = {0, 0, 0, 0};
    std::vector<BYTE> file = DdsHeader(512, 512, 0x4, 0x31545844, 0, masks);
    std::srand(7);
    for (int i = 0; i < 128 * 128 * 8; ++i) {
        file.push_back(static_cast<BYTE>(std::rand()));
    }
    DdsImage image;
    if (FAILED(image.Parse(file.data(), file.size()))) {
        SetupFailed("DXT1 image");
    }
    for (auto _ : state) {
        image.Parse(file.data(), file.size());
        benchmark::DoNotOptimize(image.GetLevelCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
}
BENCHMARK(BM_DdsDxt1WithGeneratedMips)->Unit(benchmark::kMillisecond);

// A 512 x 512 24-bit file: converted to A8R8G8B8 with a filtered chain.
void BM_DdsRgb24Converted(benchmark::State& state) {
    const DWORD masks[4] = {0xFF0000, 0xFF00, 0xFF, 0};
    std::vector<BYTE> file = DdsHeader(512, 512, 0x40, 0, 24, masks);
    for (int i = 0; i < 512 * 512 * 3; ++i) {
        file.push_back(static_cast<BYTE>(i * 31));
    }
    DdsImage image;
    if (FAILED(image.Parse(file.data(), file.size()))) {
        SetupFailed("RGB image");
    }
    for (auto _ : state) {
        image.Parse(file.data(), file.size());
        benchmark::DoNotOptimize(image.GetLevelCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
}
BENCHMARK(BM_DdsRgb24Converted)->Unit(benchmark::kMillisecond);

// A grid of n x n quads with normals and texture coordinates as X-file text.
std::string GridMesh(int n) {
    std::string text = "xof 0303txt 0032\nMesh grid {\n" + std::to_string((n + 1) * (n + 1)) + ";\n";
    char line[96];
    for (int y = 0; y <= n; ++y) {
        for (int x = 0; x <= n; ++x) {
            std::snprintf(line, sizeof(line), "%d.0;%d.0;%0.3f;%s\n", x, y, 0.01f * static_cast<float>(x * y),
                          (x == n && y == n) ? ";" : ",");
            text += line;
        }
    }
    text += std::to_string(n * n) + ";\n";
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const int v = y * (n + 1) + x;
            std::snprintf(line, sizeof(line), "4;%d,%d,%d,%d;%s\n", v, v + n + 1, v + n + 2, v + 1,
                          (x == n - 1 && y == n - 1) ? ";" : ",");
            text += line;
        }
    }
    text += "MeshNormals { 1; 0;0;-1;; " + std::to_string(n * n) + ";\n";
    for (int i = 0; i < n * n; ++i) {
        text += (i == n * n - 1) ? "4;0,0,0,0;;\n" : "4;0,0,0,0;,\n";
    }
    text += "}\nMeshTextureCoords { " + std::to_string((n + 1) * (n + 1)) + ";\n";
    for (int i = 0; i < (n + 1) * (n + 1); ++i) {
        text += (i == (n + 1) * (n + 1) - 1) ? "0.5;0.5;;\n" : "0.5;0.5;,\n";
    }
    text += "}\n}\n";
    return text;
}

// Mesh building from an already parsed object (the runtime's parsing is the X-file benchmark's).
void BM_LoadMeshFromXof(benchmark::State& state) {
    const std::string text = GridMesh(static_cast<int>(state.range(0)));
    IDirectXFile* file = nullptr;
    IDirectXFileEnumObject* enumObject = nullptr;
    IDirectXFileData* data = nullptr;
    DXFILELOADMEMORY memory{const_cast<char*>(text.data()), static_cast<DWORD>(text.size())};
    if (FAILED(DirectXFileCreate(&file)) || FAILED(file->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES)) ||
        FAILED(file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject)) ||
        FAILED(enumObject->GetNextDataObject(&data))) {
        SetupFailed("X-file grid");
    }
    D3DPRESENT_PARAMETERS parameters{};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    IDirect3DDevice8* device = nullptr;
    RecordLog* log = nullptr;
    if (FAILED(CreateRecordingDevice(&parameters, nullptr, &device, &log))) {
        SetupFailed("recording device");
    }
    DWORD faces = 0;
    for (auto _ : state) {
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* adjacency = nullptr;
        if (FAILED(D3DXLoadMeshFromXof(data, D3DXMESH_SYSTEMMEM, device, &adjacency, nullptr, nullptr, &mesh))) {
            SetupFailed("mesh load");
        }
        faces = mesh->GetNumFaces();
        adjacency->Release();
        mesh->Release();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * faces);
    state.counters["faces"] = faces;
    data->Release();
    enumObject->Release();
    file->Release();
    device->Release();
}
BENCHMARK(BM_LoadMeshFromXof)->Arg(32)->Arg(128)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
