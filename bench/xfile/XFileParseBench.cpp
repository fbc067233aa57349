// Parse throughput of the X-file runtime on a large generated model: a mesh of
// a 256 x 256 grid with normals and texture coordinates, in the text and the
// binary encoding, read whole and walked the way a mesh loader walks it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/xfile/DXFile.h"

namespace {

constexpr int kGrid = 256;

void PutWord(std::vector<BYTE>& out, WORD value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}

void PutDword(std::vector<BYTE>& out, DWORD value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
    }
}

// The model as lists: counts, then vertex floats, then faces, for each part.
struct GridModel {
    std::vector<float> positions;
    std::vector<float> normals;
    std::vector<float> uvs;
    std::vector<DWORD> faces;  // 3, a, b, c per triangle
    DWORD vertexCount = 0;
    DWORD faceCount = 0;
};

GridModel MakeGrid() {
    GridModel model;
    for (int y = 0; y <= kGrid; ++y) {
        for (int x = 0; x <= kGrid; ++x) {
            model.positions.insert(model.positions.end(), {x * 0.125f, y * 0.125f, (x * y % 17) * 0.01f});
            model.normals.insert(model.normals.end(), {0.0f, 0.0f, -1.0f});
            model.uvs.insert(model.uvs.end(), {x / float(kGrid), y / float(kGrid)});
            ++model.vertexCount;
        }
    }
    for (int y = 0; y < kGrid; ++y) {
        for (int x = 0; x < kGrid; ++x) {
            DWORD a = static_cast<DWORD>(y * (kGrid + 1) + x);
            DWORD b = a + 1;
            DWORD c = a + kGrid + 1;
            DWORD d = c + 1;
            model.faces.insert(model.faces.end(), {3, a, c, b, 3, b, c, d});
            model.faceCount += 2;
        }
    }
    return model;
}

std::vector<BYTE> TextFile(const GridModel& model) {
    std::string text = "xof 0302txt 0032\nFrame Grid {\nMesh display {\n";
    char line[128];
    auto vectors = [&](const std::vector<float>& values, int width) {
        for (size_t i = 0; i < values.size(); i += width) {
            for (int k = 0; k < width; ++k) {
                std::snprintf(line, sizeof(line), "%.6f;", values[i + k]);
                text += line;
            }
            text += i + width < values.size() ? ",\n" : ";\n";
        }
    };
    auto faces = [&]() {
        for (size_t i = 0; i < model.faces.size(); i += 4) {
            std::snprintf(line, sizeof(line), "3;%u,%u,%u;%s\n", model.faces[i + 1], model.faces[i + 2],
                          model.faces[i + 3], i + 4 < model.faces.size() ? "," : ";");
            text += line;
        }
    };
    text += std::to_string(model.vertexCount) + ";\n";
    vectors(model.positions, 3);
    text += std::to_string(model.faceCount) + ";\n";
    faces();
    text += "MeshNormals {\n" + std::to_string(model.vertexCount) + ";\n";
    vectors(model.normals, 3);
    text += std::to_string(model.faceCount) + ";\n";
    faces();
    text += "}\nMeshTextureCoords {\n" + std::to_string(model.vertexCount) + ";\n";
    vectors(model.uvs, 2);
    text += "}\n}\n}\n";
    return std::vector<BYTE>(text.begin(), text.end());
}

std::vector<BYTE> BinaryFile(const GridModel& model) {
    std::string header = "xof 0302bin 0032";
    std::vector<BYTE> out(header.begin(), header.end());
    auto name = [&out](const std::string& text) {
        PutWord(out, 1);
        PutDword(out, static_cast<DWORD>(text.size()));
        out.insert(out.end(), text.begin(), text.end());
    };
    auto ints = [&out](const std::vector<DWORD>& values) {
        PutWord(out, 6);
        PutDword(out, static_cast<DWORD>(values.size()));
        for (DWORD value : values) {
            PutDword(out, value);
        }
    };
    auto floats = [&out](const std::vector<float>& values) {
        PutWord(out, 7);
        PutDword(out, static_cast<DWORD>(values.size()));
        const BYTE* bytes = reinterpret_cast<const BYTE*>(values.data());
        out.insert(out.end(), bytes, bytes + values.size() * sizeof(float));
    };
    name("Frame");
    name("Grid");
    PutWord(out, 10);
    name("Mesh");
    name("display");
    PutWord(out, 10);
    ints({model.vertexCount});
    floats(model.positions);
    std::vector<DWORD> faceList = {model.faceCount};
    faceList.insert(faceList.end(), model.faces.begin(), model.faces.end());
    ints(faceList);
    name("MeshNormals");
    PutWord(out, 10);
    ints({model.vertexCount});
    floats(model.normals);
    ints(faceList);
    PutWord(out, 11);
    name("MeshTextureCoords");
    PutWord(out, 10);
    ints({model.vertexCount});
    floats(model.uvs);
    PutWord(out, 11);
    PutWord(out, 11);
    PutWord(out, 11);
    return out;
}

// Opens the image and visits every object's data; false when anything fails.
bool ReadAll(IDirectXFile* file, const std::vector<BYTE>& image) {
    DXFILELOADMEMORY memory{const_cast<BYTE*>(image.data()), static_cast<DWORD>(image.size())};
    IDirectXFileEnumObject* enumObject = nullptr;
    if (FAILED(file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject))) {
        return false;
    }
    std::vector<IDirectXFileData*> pending;
    IDirectXFileData* top = nullptr;
    while (SUCCEEDED(enumObject->GetNextDataObject(&top))) {
        pending.push_back(top);
    }
    size_t objects = 0;
    while (!pending.empty()) {
        IDirectXFileData* data = pending.back();
        pending.pop_back();
        DWORD size = 0;
        void* bytes = nullptr;
        data->GetData(nullptr, &size, &bytes);
        benchmark::DoNotOptimize(bytes);
        ++objects;
        IDirectXFileObject* child = nullptr;
        while (SUCCEEDED(data->GetNextObject(&child))) {
            IDirectXFileData* childData = nullptr;
            if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData)))) {
                pending.push_back(childData);
            }
            child->Release();
        }
        data->Release();
    }
    enumObject->Release();
    return objects == 4;
}

void RunParse(benchmark::State& state, const std::vector<BYTE>& image) {
    IDirectXFile* file = nullptr;
    if (FAILED(DirectXFileCreate(&file)) || FAILED(file->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES)) ||
        !ReadAll(file, image)) {
        std::fprintf(stderr, "the generated model does not read\n");
        std::exit(1);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadAll(file, image));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(image.size()));
    state.counters["file_MB"] = static_cast<double>(image.size()) / 1e6;
    file->Release();
}

const GridModel& Grid() {
    static const GridModel model = MakeGrid();
    return model;
}

void BM_ParseText(benchmark::State& state) {
    static const std::vector<BYTE> image = TextFile(Grid());
    RunParse(state, image);
}
BENCHMARK(BM_ParseText)->Unit(benchmark::kMillisecond);

void BM_ParseBinary(benchmark::State& state) {
    static const std::vector<BYTE> image = BinaryFile(Grid());
    RunParse(state, image);
}
BENCHMARK(BM_ParseBinary)->Unit(benchmark::kMillisecond);

void BM_RegisterStandardTemplates(benchmark::State& state) {
    for (auto _ : state) {
        IDirectXFile* file = nullptr;
        DirectXFileCreate(&file);
        benchmark::DoNotOptimize(file->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES));
        file->Release();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * D3DRM_XTEMPLATE_BYTES);
}
BENCHMARK(BM_RegisterStandardTemplates)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
