#include "ModelFiles.h"

#include <cmath>
#include <filesystem>
#include <sstream>

#include "support/DdsTestFiles.h"

std::string XFileText(const std::string& body) {
    return "xof 0303txt 0032\n" + body;
}

std::string BoxMesh(const std::string& name, const D3DXVECTOR3& lo, const D3DXVECTOR3& hi,
                    const std::vector<std::string>& textures) {
    std::ostringstream out;
    out << "Mesh " << name << " {\n 8;\n";
    for (int k = 0; k < 8; ++k) {
        out << ' ' << ((k & 1) ? hi.x : lo.x) << ';' << ((k & 2) ? hi.y : lo.y) << ';' << ((k & 4) ? hi.z : lo.z) << ';'
            << (k == 7 ? ";\n" : ",\n");
    }
    out << " 6;\n 4;0,2,3,1;, 4;4,5,7,6;, 4;0,4,6,2;, 4;1,3,7,5;, 4;2,6,7,3;, 4;0,1,5,4;;\n";
    if (!textures.empty()) {
        out << " MeshMaterialList {\n  " << textures.size() << ";\n  6;\n  ";
        for (int f = 0; f < 6; ++f) {
            out << f % textures.size() << (f == 5 ? ";;\n" : ",");
        }
        for (const std::string& texture : textures) {
            out << "  Material {\n   0.8;0.6;0.4;1.0;;\n   5.0;\n   0.0;0.0;0.0;;\n   0.0;0.0;0.0;;\n";
            if (!texture.empty()) {
                out << "   TextureFilename { \"" << texture << "\"; }\n";
            }
            out << "  }\n";
        }
        out << " }\n";
    }
    out << "}\n";
    return out.str();
}

std::string SphereMesh(const std::string& name, float radius, int rings, int segments) {
    std::vector<D3DXVECTOR3> points;
    points.emplace_back(0.0f, radius, 0.0f);
    for (int r = 1; r < rings; ++r) {
        const float theta = D3DX_PI * static_cast<float>(r) / static_cast<float>(rings);
        for (int s = 0; s < segments; ++s) {
            const float phi = 2.0f * D3DX_PI * static_cast<float>(s) / static_cast<float>(segments);
            points.emplace_back(radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
                                radius * std::sin(theta) * std::sin(phi));
        }
    }
    points.emplace_back(0.0f, -radius, 0.0f);
    const int south = static_cast<int>(points.size()) - 1;
    auto ring = [&](int r, int s) { return 1 + (r - 1) * segments + (s % segments); };

    std::vector<std::vector<int>> faces;
    for (int s = 0; s < segments; ++s) {
        faces.push_back({0, ring(1, s + 1), ring(1, s)});
        for (int r = 1; r + 1 < rings; ++r) {
            faces.push_back({ring(r, s), ring(r, s + 1), ring(r + 1, s + 1), ring(r + 1, s)});
        }
        faces.push_back({south, ring(rings - 1, s), ring(rings - 1, s + 1)});
    }

    std::ostringstream out;
    out << "Mesh " << name << " {\n " << points.size() << ";\n";
    for (size_t i = 0; i < points.size(); ++i) {
        out << ' ' << points[i].x << ';' << points[i].y << ';' << points[i].z << ';'
            << (i + 1 == points.size() ? ";\n" : ",\n");
    }
    out << ' ' << faces.size() << ";\n";
    for (size_t i = 0; i < faces.size(); ++i) {
        out << ' ' << faces[i].size() << ';';
        for (size_t j = 0; j < faces[i].size(); ++j) {
            out << faces[i][j] << (j + 1 == faces[i].size() ? ";" : ",");
        }
        out << (i + 1 == faces.size() ? ";\n" : ",\n");
    }
    out << "}\n";
    return out.str();
}

std::string FrameOf(const std::string& name, const D3DXVECTOR3& offset, const std::string& body) {
    std::ostringstream out;
    out << "Frame " << name << " {\n FrameTransformMatrix {\n  1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,"
        << offset.x << ',' << offset.y << ',' << offset.z << ",1.0;;\n }\n"
        << body << "}\n";
    return out.str();
}

void WriteModel(const ScopedTempCwd& cwd, const std::string& file, const std::string& body) {
    cwd.WriteFile("Model/" + file, XFileText(body));
}

void WriteTexture(const std::string& folder, const std::string& name) {
    std::vector<BYTE> payload;
    AppendPixels(payload, std::vector<DWORD>(16, 0xFF336699u), 4);
    std::filesystem::create_directories(folder + "/Texture");
    WriteFile(folder + "/Texture/" + name, BuildDds(ArgbLayout(4, 4), payload));
}
