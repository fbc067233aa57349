// Progressive meshes side by side with meshoptimizer on one organic mesh of
// about 20 k triangles: build time against meshopt_simplify to the same
// vertex target, geometric error at half the vertices (same metric for
// both), and the vertex-cache miss ratio after OptimizeBaseLOD against
// meshopt_optimizeVertexCache on the same triangles.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <meshoptimizer.h>

#include "gfxutil/D3DXMesh.h"
#include "gfxutil/D3DXPMesh.h"
#include "gfxutil/MeshArrays.h"
#include "gfxutil/MeshRepair.h"
#include "gfxutil/XofMeshData.h"
#include "platform/d3d/record/RecordingDevice.h"
#include "platform/xfile/DXFile.h"

namespace {

[[noreturn]] void SetupFailed(const char* what) {
    std::fprintf(stderr, "benchmark set-up failed: %s\n", what);
    std::exit(1);
}

struct Mesh {
    std::vector<D3DXVECTOR3> m_positions;
    std::vector<unsigned int> m_indices;
};

// An icosphere subdivided five times (20480 faces) with smooth bumps: no
// seams or borders, so both simplifiers are free everywhere.
Mesh MakeOrganic() {
    Mesh mesh;
    const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
    const float base[12][3] = {{-1, t, 0},  {1, t, 0},  {-1, -t, 0}, {1, -t, 0}, {0, -1, t},  {0, 1, t},
                               {0, -1, -t}, {0, 1, -t}, {t, 0, -1},  {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
    for (const auto& p : base) {
        D3DXVECTOR3 v(p[0], p[1], p[2]);
        D3DXVec3Normalize(&v, &v);
        mesh.m_positions.push_back(v);
    }
    mesh.m_indices = {0, 11, 5,  0, 5,  1, 0, 1, 7, 0, 7,  10, 0, 10, 11, 1, 5, 9, 5, 11,
                      4, 11, 10, 2, 10, 7, 6, 7, 1, 8, 3,  9,  4, 3,  4,  2, 3, 2, 6, 3,
                      6, 8,  3,  8, 9,  4, 9, 5, 2, 4, 11, 6,  2, 10, 8,  6, 7, 9, 8, 1};
    for (int level = 0; level < 5; ++level) {
        std::map<std::pair<unsigned, unsigned>, unsigned> middle;
        auto mid = [&](unsigned a, unsigned b) {
            const auto key = std::make_pair(std::min(a, b), std::max(a, b));
            auto it = middle.find(key);
            if (it != middle.end()) {
                return it->second;
            }
            D3DXVECTOR3 m = mesh.m_positions[a];
            m += mesh.m_positions[b];
            D3DXVec3Normalize(&m, &m);
            mesh.m_positions.push_back(m);
            const unsigned index = static_cast<unsigned>(mesh.m_positions.size() - 1);
            middle.emplace(key, index);
            return index;
        };
        std::vector<unsigned int> next;
        for (size_t f = 0; f < mesh.m_indices.size(); f += 3) {
            const unsigned a = mesh.m_indices[f], b = mesh.m_indices[f + 1], c = mesh.m_indices[f + 2];
            const unsigned ab = mid(a, b), bc = mid(b, c), ca = mid(c, a);
            next.insert(next.end(), {a, ab, ca, b, bc, ab, c, ca, bc, ab, bc, ca});
        }
        mesh.m_indices.swap(next);
    }
    for (D3DXVECTOR3& p : mesh.m_positions) {
        const float bump = 1.0f + 0.12f * std::sin(5.0f * p.x) * std::cos(4.0f * p.y) + 0.06f * std::sin(9.0f * p.z);
        D3DXVec3Scale(&p, &p, bump);
    }
    return mesh;
}

IDirect3DDevice8* Device() {
    static IDirect3DDevice8* device = [] {
        D3DPRESENT_PARAMETERS parameters{};
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        IDirect3DDevice8* created = nullptr;
        RecordLog* log = nullptr;
        if (FAILED(CreateRecordingDevice(&parameters, nullptr, &created, &log))) {
            SetupFailed("recording device");
        }
        return created;
    }();
    return device;
}

const Mesh& Organic() {
    static const Mesh mesh = MakeOrganic();
    return mesh;
}

ID3DXMesh* ToD3DXMesh(const Mesh& mesh) {
    ID3DXMesh* out = nullptr;
    const DWORD faces = static_cast<DWORD>(mesh.m_indices.size() / 3);
    const DWORD vertices = static_cast<DWORD>(mesh.m_positions.size());
    if (FAILED(D3DXCreateMeshFVF(faces, vertices, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DFVF_XYZ, Device(), &out))) {
        SetupFailed("mesh");
    }
    MeshArrays arrays;
    arrays.m_dwFvf = D3DFVF_XYZ;
    arrays.m_layout.Decode(D3DFVF_XYZ);
    arrays.m_dwStride = 12;
    arrays.m_vertices.resize(mesh.m_positions.size() * 12);
    std::memcpy(arrays.m_vertices.data(), mesh.m_positions.data(), arrays.m_vertices.size());
    arrays.m_indices.assign(mesh.m_indices.begin(), mesh.m_indices.end());
    arrays.m_attributes.assign(faces, 0);
    if (FAILED(arrays.Write(out))) {
        SetupFailed("mesh data");
    }
    return out;
}

ID3DXPMesh* Generate(ID3DXMesh* mesh, DWORD minValue) {
    ID3DXPMesh* pmesh = nullptr;
    if (FAILED(D3DXGeneratePMesh(mesh, nullptr, nullptr, nullptr, minValue, D3DXMESHSIMP_VERTEX, &pmesh))) {
        SetupFailed("progressive mesh");
    }
    return pmesh;
}

// The triangles a mesh draws, as indices into its own vertex buffer.
std::vector<unsigned int> DrawnIndices(ID3DXBaseMesh* mesh, std::vector<D3DXVECTOR3>* positions) {
    D3DXATTRIBUTERANGE range{};
    DWORD count = 1;
    mesh->GetAttributeTable(&range, &count);
    BYTE* data = nullptr;
    mesh->LockIndexBuffer(D3DLOCK_READONLY, &data);
    std::vector<unsigned int> indices(3 * static_cast<size_t>(range.FaceCount));
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (size_t i = 0; i < indices.size(); ++i) {
        const size_t slot = 3 * static_cast<size_t>(range.FaceStart) + i;
        if (wide) {
            std::memcpy(&indices[i], data + 4 * slot, 4);
        } else {
            WORD narrow = 0;
            std::memcpy(&narrow, data + 2 * slot, 2);
            indices[i] = narrow;
        }
    }
    mesh->UnlockIndexBuffer();
    if (positions != nullptr) {
        positions->resize(mesh->GetNumVertices());
        mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
        std::memcpy(positions->data(), data, positions->size() * 12);
        mesh->UnlockVertexBuffer();
    }
    return indices;
}

float PointTriangleDistance(const D3DXVECTOR3& p, const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c) {
    // Closest point on a triangle (the region test of Ericson's book).
    D3DXVECTOR3 ab, ac, ap;
    D3DXVec3Subtract(&ab, &b, &a);
    D3DXVec3Subtract(&ac, &c, &a);
    D3DXVec3Subtract(&ap, &p, &a);
    const float d1 = D3DXVec3Dot(&ab, &ap), d2 = D3DXVec3Dot(&ac, &ap);
    auto dist = [&](const D3DXVECTOR3& q) {
        D3DXVECTOR3 d;
        D3DXVec3Subtract(&d, &p, &q);
        return D3DXVec3Length(&d);
    };
    auto along = [](const D3DXVECTOR3& o, const D3DXVECTOR3& dir, float s) {
        D3DXVECTOR3 q;
        D3DXVec3Scale(&q, &dir, s);
        q += o;
        return q;
    };
    if (d1 <= 0 && d2 <= 0)
        return dist(a);
    D3DXVECTOR3 bp;
    D3DXVec3Subtract(&bp, &p, &b);
    const float d3 = D3DXVec3Dot(&ab, &bp), d4 = D3DXVec3Dot(&ac, &bp);
    if (d3 >= 0 && d4 <= d3)
        return dist(b);
    const float vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return dist(along(a, ab, d1 / (d1 - d3)));
    D3DXVECTOR3 cp;
    D3DXVec3Subtract(&cp, &p, &c);
    const float d5 = D3DXVec3Dot(&ab, &cp), d6 = D3DXVec3Dot(&ac, &cp);
    if (d6 >= 0 && d5 <= d6)
        return dist(c);
    const float vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return dist(along(a, ac, d2 / (d2 - d6)));
    const float va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) {
        D3DXVECTOR3 bc;
        D3DXVec3Subtract(&bc, &c, &b);
        return dist(along(b, bc, (d4 - d3) / ((d4 - d3) + (d5 - d6))));
    }
    const float denom = 1.0f / (va + vb + vc);
    D3DXVECTOR3 q = along(a, ab, vb * denom);
    D3DXVECTOR3 r;
    D3DXVec3Scale(&r, &ac, vc * denom);
    q += r;
    return dist(q);
}

struct Error {
    float m_fRms;
    float m_fMax;
};

// Distance of the source's vertices to the simplified surface, RMS and largest.
Error SurfaceError(const Mesh& source, const std::vector<D3DXVECTOR3>& positions,
                   const std::vector<unsigned int>& indices) {
    double sum = 0.0;
    float worst = 0.0f;
    size_t samples = 0;
    // Every third source vertex: the same sample for both, and a third of the brute-force cost.
    for (size_t v = 0; v < source.m_positions.size(); v += 3, ++samples) {
        const D3DXVECTOR3& p = source.m_positions[v];
        float best = 1e30f;
        for (size_t f = 0; f < indices.size(); f += 3) {
            best = std::min(best, PointTriangleDistance(p, positions[indices[f]], positions[indices[f + 1]],
                                                        positions[indices[f + 2]]));
        }
        sum += static_cast<double>(best) * best;
        worst = std::max(worst, best);
    }
    return Error{static_cast<float>(std::sqrt(sum / samples)), worst};
}

float Acmr(const std::vector<unsigned int>& indices, size_t vertices) {
    return meshopt_analyzeVertexCache(indices.data(), indices.size(), vertices, 16, 0, 0).acmr;
}

void BM_PMeshGenerate(benchmark::State& state) {
    ID3DXMesh* mesh = ToD3DXMesh(Organic());
    const DWORD target = mesh->GetNumVertices() / 2;
    for (auto _ : state) {
        ID3DXPMesh* pmesh = Generate(mesh, target);
        benchmark::DoNotOptimize(pmesh);
        pmesh->Release();
    }
    state.counters["faces"] = static_cast<double>(mesh->GetNumFaces());
    state.counters["faces/s"] =
        benchmark::Counter(static_cast<double>(mesh->GetNumFaces()) * state.iterations(), benchmark::Counter::kIsRate);
    mesh->Release();
}
BENCHMARK(BM_PMeshGenerate)->Unit(benchmark::kMillisecond);

void BM_MeshoptSimplify(benchmark::State& state) {
    const Mesh& mesh = Organic();
    std::vector<unsigned int> out(mesh.m_indices.size());
    // Half the vertices of a closed surface is about half its faces.
    const size_t target = mesh.m_indices.size() / 2;
    for (auto _ : state) {
        const size_t count = meshopt_simplify(out.data(), mesh.m_indices.data(), mesh.m_indices.size(),
                                              &mesh.m_positions[0].x, mesh.m_positions.size(), 12, target, 1.0f);
        benchmark::DoNotOptimize(count);
    }
    state.counters["faces/s"] = benchmark::Counter(static_cast<double>(mesh.m_indices.size() / 3) * state.iterations(),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MeshoptSimplify)->Unit(benchmark::kMillisecond);

// Geometric error at 50 % of the vertices and the cache miss ratios, printed once.
void Compare() {
    const Mesh& source = Organic();
    ID3DXMesh* mesh = ToD3DXMesh(source);
    const DWORD half = mesh->GetNumVertices() / 2;
    ID3DXPMesh* pmesh = Generate(mesh, half);
    if (pmesh->SetNumVertices(half) != D3D_OK || pmesh->GetNumVertices() != half) {
        SetupFailed("progressive mesh did not reach half the vertices");
    }
    std::vector<D3DXVECTOR3> positions;
    const std::vector<unsigned int> ours = DrawnIndices(pmesh, &positions);

    std::vector<unsigned int> theirs(source.m_indices.size());
    float error = 0.0f;
    size_t target = source.m_indices.size() / 2;
    std::vector<unsigned int> scratch(source.m_positions.size());
    size_t theirVertices = 0;
    // Steer meshoptimizer's face target until it keeps half the vertices too.
    for (int attempt = 0; attempt < 8; ++attempt) {
        theirs.resize(source.m_indices.size());
        theirs.resize(meshopt_simplify(theirs.data(), source.m_indices.data(), source.m_indices.size(),
                                       &source.m_positions[0].x, source.m_positions.size(), 12, target, 1.0f, 0,
                                       &error));
        std::vector<bool> used(source.m_positions.size(), false);
        for (unsigned int i : theirs) {
            used[i] = true;
        }
        theirVertices = static_cast<size_t>(std::count(used.begin(), used.end(), true));
        target = static_cast<size_t>(target * static_cast<double>(half) / theirVertices) / 3 * 3;
    }
    const Error ourError = SurfaceError(source, positions, ours);
    const Error theirError = SurfaceError(source, source.m_positions, theirs);
    std::printf("\nOrganic mesh: %zu vertices, %zu faces; simplified to half the vertices\n", source.m_positions.size(),
                source.m_indices.size() / 3);
    std::printf("  pmesh:        %u vertices %zu faces  error RMS %.5f max %.5f\n", pmesh->GetNumVertices(),
                ours.size() / 3, ourError.m_fRms, ourError.m_fMax);
    std::printf("  meshopt:      %zu vertices %zu faces  error RMS %.5f max %.5f\n", theirVertices, theirs.size() / 3,
                theirError.m_fRms, theirError.m_fMax);
    std::printf("  error ratio pmesh/meshopt: RMS %.3f max %.3f\n", ourError.m_fRms / theirError.m_fRms,
                ourError.m_fMax / theirError.m_fMax);

    // A detail level as the display meshes cut it: a band of a tenth of the range, drawn at its top.
    const DWORD full = pmesh->GetMaxVertices();
    const DWORD step = (full - half) / 10;
    ID3DXPMesh* level = nullptr;
    if (FAILED(pmesh->ClonePMeshFVF(D3DXMESH_MANAGED | D3DXMESH_VB_SHARE, pmesh->GetFVF(), Device(), &level)) ||
        FAILED(level->TrimByVertices(full - step, full, nullptr, nullptr)) || FAILED(level->SetNumVertices(full))) {
        SetupFailed("detail level");
    }
    const float before = Acmr(DrawnIndices(level, nullptr), full);
    if (FAILED(level->OptimizeBaseLOD(D3DXMESHOPT_VERTEXCACHE, nullptr))) {
        SetupFailed("OptimizeBaseLOD");
    }
    const std::vector<unsigned int> optimised = DrawnIndices(level, nullptr);
    std::vector<unsigned int> reference(optimised.size());
    meshopt_optimizeVertexCache(reference.data(), optimised.data(), optimised.size(), full);
    const float ourAcmr = Acmr(optimised, full);
    const float theirAcmr = Acmr(reference, full);
    std::printf("Finest detail level (band %u..%u, %zu faces), cache of 16:\n", full - step, full,
                optimised.size() / 3);
    std::printf(
        "  ACMR as simplified %.3f, after OptimizeBaseLOD %.3f, after meshopt_optimizeVertexCache %.3f, "
        "ratio %.3f\n",
        before, ourAcmr, theirAcmr, ourAcmr / theirAcmr);
    level->Release();
    pmesh->Release();
    mesh->Release();
}

// The display-mesh preparation on every mesh of the program's models: clone
// to position, normal and texture coordinate, clean, weld, validate, normals,
// progressive mesh; then meshoptimizer to the same smallest vertex count.
void CompareModels() {
    const std::filesystem::path folder(PMESH_MODEL_DIR);
    if (!std::filesystem::is_directory(folder)) {
        std::printf("\nNo generated models in %s (build the media target to compare them)\n", PMESH_MODEL_DIR);
        return;
    }
    std::printf("\nProgram models (%s):\n", PMESH_MODEL_DIR);
    std::printf("  %-34s %6s %6s %8s %10s %10s\n", "mesh", "verts", "min", "faces", "pmesh ms", "meshopt ms");
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        IDirectXFile* file = nullptr;
        IDirectXFileEnumObject* enumObject = nullptr;
        const std::string path = entry.path().string();
        if (FAILED(DirectXFileCreate(&file)) ||
            FAILED(file->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES)) ||
            FAILED(file->CreateEnumObject(const_cast<char*>(path.c_str()), DXFILELOAD_FROMFILE, &enumObject))) {
            SetupFailed(path.c_str());
        }
        IDirectXFileData* data = nullptr;
        while (SUCCEEDED(enumObject->GetNextDataObject(&data))) {
            ID3DXMesh* loaded = nullptr;
            ID3DXBuffer* adjacencyBuffer = nullptr;
            char name[128] = "";
            DWORD length = sizeof(name);
            data->GetName(name, &length);
            if (SUCCEEDED(D3DXLoadMeshFromXof(data, D3DXMESH_SYSTEMMEM, Device(), &adjacencyBuffer, nullptr, nullptr,
                                              &loaded))) {
                ID3DXMesh* mesh = nullptr;
                ID3DXMesh* cleaned = nullptr;
                std::vector<DWORD> adjacency(3 * loaded->GetNumFaces());
                std::memcpy(adjacency.data(), adjacencyBuffer->GetBufferPointer(), adjacency.size() * 4);
                D3DXWELDEPSILONS epsilons{};
                if (FAILED(loaded->CloneMeshFVF(D3DXMESH_SYSTEMMEM, 0x112, Device(), &mesh)) ||
                    FAILED(D3DXCleanMesh(mesh, adjacency.data(), &cleaned, adjacency.data(), nullptr)) ||
                    FAILED(
                        D3DXWeldVertices(cleaned, &epsilons, adjacency.data(), adjacency.data(), nullptr, nullptr)) ||
                    FAILED(D3DXValidMesh(cleaned, adjacency.data(), nullptr))) {
                    SetupFailed(name);
                }
                D3DXComputeNormals(cleaned, nullptr);
                const auto start = std::chrono::steady_clock::now();
                ID3DXPMesh* pmesh = nullptr;
                if (FAILED(D3DXGeneratePMesh(cleaned, adjacency.data(), nullptr, nullptr, 1, D3DXMESHSIMP_VERTEX,
                                             &pmesh))) {
                    SetupFailed(name);
                }
                const double ours =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
                // meshoptimizer on the same vertices and faces, to the same smallest count.
                MeshArrays arrays;
                arrays.Read(cleaned);
                std::vector<unsigned int> indices(arrays.m_indices.begin(), arrays.m_indices.end());
                std::vector<unsigned int> out(indices.size());
                const size_t target =
                    indices.size() * pmesh->GetMinVertices() / std::max<DWORD>(1, pmesh->GetMaxVertices()) / 3 * 3;
                const auto start2 = std::chrono::steady_clock::now();
                meshopt_simplify(out.data(), indices.data(), indices.size(),
                                 reinterpret_cast<const float*>(arrays.m_vertices.data()), arrays.VertexCount(),
                                 arrays.m_dwStride, target, 1.0f);
                const double theirs =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start2).count();
                std::printf("  %-34s %6u %6u %8u %10.3f %10.3f\n",
                            (entry.path().filename().string() + ":" + name).c_str(), pmesh->GetMaxVertices(),
                            pmesh->GetMinVertices(), cleaned->GetNumFaces(), ours, theirs);
                pmesh->Release();
                cleaned->Release();
                mesh->Release();
                loaded->Release();
                adjacencyBuffer->Release();
            }
            data->Release();
        }
        enumObject->Release();
        file->Release();
    }
}

// The usual console output, keeping each benchmark's CPU time per iteration
// so that the build can be set against meshoptimizer in one line.
class TimeKeeper : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // Single runs, or only the medians when just the aggregates are reported.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if ((run.run_type == Run::RT_Iteration || median) && !run.error_occurred) {
                m_times[run.run_name.function_name].push_back(run.GetAdjustedCPUTime());
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The median over the repetitions; 0 when the benchmark did not run.
    double Median(const std::string& name) const {
        const auto it = m_times.find(name);
        if (it == m_times.end() || it->second.empty()) {
            return 0.0;
        }
        std::vector<double> times = it->second;
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    }

private:
    std::map<std::string, std::vector<double>> m_times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    TimeKeeper keeper;
    benchmark::RunSpecifiedBenchmarks(&keeper);
    const double ours = keeper.Median("BM_PMeshGenerate");
    const double theirs = keeper.Median("BM_MeshoptSimplify");
    if (ours > 0.0 && theirs > 0.0) {
        std::printf("\nBuild to half the vertices, CPU time: pmesh %.2f ms, meshopt_simplify %.2f ms\n", ours, theirs);
        std::printf("  build time ratio pmesh/meshopt: %.2f (at least half meshoptimizer's throughput: <= 2)\n",
                    ours / theirs);
    }
    Compare();
    CompareModels();
    benchmark::Shutdown();
    return 0;
}
