#include "XLoadModel.h"

#include <cmath>
#include <cstdio>

namespace {

// Binary token records.
constexpr WORD kName = 1, kString = 2, kIntegerList = 6, kFloatList = 7, kOpenBrace = 10, kCloseBrace = 11,
               kSemicolon = 20;

class BinaryOut {
public:
    explicit BinaryOut(std::vector<BYTE>& out) : m_out(out) {}
    void Word(WORD value) {
        m_out.push_back(static_cast<BYTE>(value));
        m_out.push_back(static_cast<BYTE>(value >> 8));
    }
    void Dword(DWORD value) {
        for (int i = 0; i < 4; ++i) {
            m_out.push_back(static_cast<BYTE>(value >> (8 * i)));
        }
    }
    void Name(const std::string& text) {
        Word(kName);
        Dword(static_cast<DWORD>(text.size()));
        m_out.insert(m_out.end(), text.begin(), text.end());
    }
    void String(const std::string& text) {
        Word(kString);
        Dword(static_cast<DWORD>(text.size()));
        m_out.insert(m_out.end(), text.begin(), text.end());
        Word(kSemicolon);  // the terminator as writers store it: one token
    }
    void Ints(const std::vector<DWORD>& values) {
        Word(kIntegerList);
        Dword(static_cast<DWORD>(values.size()));
        for (DWORD value : values) {
            Dword(value);
        }
    }
    void Floats(const std::vector<float>& values) {
        Word(kFloatList);
        Dword(static_cast<DWORD>(values.size()));
        const BYTE* bytes = reinterpret_cast<const BYTE*>(values.data());
        m_out.insert(m_out.end(), bytes, bytes + values.size() * sizeof(float));
    }
    void Open(const std::string& type, const std::string& name = {}) {
        Name(type);
        if (!name.empty()) {
            Name(name);
        }
        Word(kOpenBrace);
    }
    void Close() { Word(kCloseBrace); }

private:
    std::vector<BYTE>& m_out;
};

}  // namespace

XLoadModel::XLoadModel(DWORD dwCells) : m_dwCells(dwCells), m_dwVertices((dwCells + 1) * (dwCells + 1)) {
    const float fStep = 1.0f / static_cast<float>(dwCells);
    for (DWORD y = 0; y <= dwCells; ++y) {
        for (DWORD x = 0; x <= dwCells; ++x) {
            const float u = static_cast<float>(x) * fStep, v = static_cast<float>(y) * fStep;
            const float h = 0.05f * std::sin(u * 12.0f) * std::cos(v * 9.0f);
            m_positions.insert(m_positions.end(), {u * 10.0f, h, v * 10.0f});
            const float nx = -0.05f * 12.0f * std::cos(u * 12.0f) * std::cos(v * 9.0f) / 10.0f;
            const float nz = 0.05f * 9.0f * std::sin(u * 12.0f) * std::sin(v * 9.0f) / 10.0f;
            const float fLength = std::sqrt(nx * nx + 1.0f + nz * nz);
            m_normals.insert(m_normals.end(), {nx / fLength, 1.0f / fLength, nz / fLength});
            m_uvs.insert(m_uvs.end(), {u, v});
        }
    }
    for (DWORD y = 0; y < dwCells; ++y) {
        for (DWORD x = 0; x < dwCells; ++x) {
            const DWORD a = y * (dwCells + 1) + x;
            m_quads.insert(m_quads.end(), {a, a + dwCells + 1, a + dwCells + 2, a + 1});
        }
    }
}

std::vector<BYTE> XLoadModel::TextFile() const {
    std::string text = "xof 0303txt 0032\nFrame Grid {\n Mesh grid {\n";
    char line[160];
    auto vectors = [&](const std::vector<float>& values, size_t width) {
        text += std::to_string(m_dwVertices) + ";\n";
        for (size_t i = 0; i < values.size(); i += width) {
            for (size_t k = 0; k < width; ++k) {
                std::snprintf(line, sizeof(line), "%.6f;", static_cast<double>(values[i + k]));
                text += line;
            }
            text += i + width < values.size() ? ",\n" : ";\n";
        }
    };
    auto faces = [&]() {
        text += std::to_string(m_quads.size() / 4) + ";\n";
        for (size_t i = 0; i < m_quads.size(); i += 4) {
            std::snprintf(line, sizeof(line), "4;%u,%u,%u,%u;%s\n", m_quads[i], m_quads[i + 1], m_quads[i + 2],
                          m_quads[i + 3], i + 4 < m_quads.size() ? "," : ";");
            text += line;
        }
    };
    vectors(m_positions, 3);
    faces();
    text += " MeshNormals {\n";
    vectors(m_normals, 3);
    faces();
    text += " }\n MeshTextureCoords {\n";
    vectors(m_uvs, 2);
    text += " }\n MeshMaterialList {\n 2;\n" + std::to_string(m_quads.size() / 4) + ";\n";
    for (DWORD q = 0; q < m_quads.size() / 4; ++q) {
        text += (q / m_dwCells) % 2 == 0 ? "0" : "1";
        text += q + 1 < m_quads.size() / 4 ? "," : ";\n";
    }
    text += "  Material { 0.8;0.8;0.8;1.0;; 8.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { \"grid.dds\"; } }\n";
    text += "  Material { 0.2;0.5;0.2;1.0;; 8.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n";
    text += " }\n }\n}\n";
    return std::vector<BYTE>(text.begin(), text.end());
}

std::vector<BYTE> XLoadModel::BinaryFile() const {
    const std::string header = "xof 0303bin 0032";
    std::vector<BYTE> image(header.begin(), header.end());
    BinaryOut out(image);
    std::vector<DWORD> faceList = {static_cast<DWORD>(m_quads.size() / 4)};
    for (size_t i = 0; i < m_quads.size(); i += 4) {
        faceList.insert(faceList.end(), {4, m_quads[i], m_quads[i + 1], m_quads[i + 2], m_quads[i + 3]});
    }
    out.Open("Frame", "Grid");
    out.Open("Mesh", "grid");
    out.Ints({m_dwVertices});
    out.Floats(m_positions);
    out.Ints(faceList);
    out.Open("MeshNormals");
    out.Ints({m_dwVertices});
    out.Floats(m_normals);
    out.Ints(faceList);
    out.Close();
    out.Open("MeshTextureCoords");
    out.Ints({m_dwVertices});
    out.Floats(m_uvs);
    out.Close();
    out.Open("MeshMaterialList");
    std::vector<DWORD> materialList = {2, static_cast<DWORD>(m_quads.size() / 4)};
    for (DWORD q = 0; q < m_quads.size() / 4; ++q) {
        materialList.push_back((q / m_dwCells) % 2);
    }
    out.Ints(materialList);
    out.Open("Material");
    out.Floats({0.8f, 0.8f, 0.8f, 1.0f, 8.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
    out.Open("TextureFilename");
    out.String("grid.dds");
    out.Close();
    out.Close();
    out.Open("Material");
    out.Floats({0.2f, 0.5f, 0.2f, 1.0f, 8.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
    out.Close();
    out.Close();
    out.Close();
    out.Close();
    return image;
}
