#include "bird/SkinModelText.h"

#include <sstream>

namespace skintext {

std::string Header() {
    return "xof 0303txt 0032\n"
           "template XSkinMeshHeader {\n <3cf169ce-ff7c-44ab-93c0-f78f62d172e2>\n"
           " WORD nMaxSkinWeightsPerVertex;\n WORD nMaxSkinWeightsPerFace;\n WORD nBones;\n}\n"
           "template SkinWeights {\n <6f0d123b-bad2-4167-a0d0-80224f25fabb>\n STRING transformNodeName;\n"
           " DWORD nWeights;\n array DWORD vertexIndices[nWeights];\n array FLOAT weights[nWeights];\n"
           " Matrix4x4 matrixOffset;\n}\n";
}

std::string MatrixText(const D3DXMATRIX& m) {
    std::ostringstream out;
    for (int i = 0; i < 16; ++i) {
        out << m.m[i / 4][i % 4] << (i < 15 ? "," : ";;");
    }
    return out.str();
}

D3DXMATRIX Identity() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
}

std::string Frame(const std::string& szName, const D3DXMATRIX& transform, const std::string& children) {
    return "Frame " + szName + " {\n FrameTransformMatrix { " + MatrixText(transform) + " }\n" + children + "}\n";
}

std::string MeshText(const std::string& szName, const Mesh& mesh) {
    std::ostringstream out;
    out << "Mesh " << szName << " {\n " << mesh.m_positions.size() << ";\n";
    for (size_t i = 0; i < mesh.m_positions.size(); ++i) {
        const D3DXVECTOR3& p = mesh.m_positions[i];
        out << " " << p.x << ";" << p.y << ";" << p.z << ";" << (i + 1 < mesh.m_positions.size() ? "," : ";") << "\n";
    }
    out << " " << mesh.m_faces.size() << ";\n";
    for (size_t i = 0; i < mesh.m_faces.size(); ++i) {
        const auto& f = mesh.m_faces[i];
        out << " 3;" << f[0] << "," << f[1] << "," << f[2] << ";" << (i + 1 < mesh.m_faces.size() ? "," : ";") << "\n";
    }
    if (!mesh.m_faceMaterials.empty()) {
        out << " MeshMaterialList {\n  " << mesh.m_dwMaterials << ";\n  " << mesh.m_faceMaterials.size() << ";\n  ";
        for (size_t i = 0; i < mesh.m_faceMaterials.size(); ++i) {
            out << mesh.m_faceMaterials[i] << (i + 1 < mesh.m_faceMaterials.size() ? "," : ";;\n");
        }
        for (DWORD m = 0; m < mesh.m_dwMaterials; ++m) {
            out << "  Material { " << 0.1f * static_cast<float>(m + 1) << ";0.2;0.3;1.0;; 5.0; 0.0;0.0;0.0;; "
                << "0.0;0.0;0.0;;";
            if (m < mesh.m_textures.size() && !mesh.m_textures[m].empty()) {
                out << " TextureFilename { \"" << mesh.m_textures[m] << "\"; }";
            }
            out << " }\n";
        }
        out << " }\n";
    }
    if (!mesh.m_bones.empty()) {
        out << " XSkinMeshHeader { 4; 12; " << mesh.m_bones.size() << "; }\n";
    }
    for (const Bone& bone : mesh.m_bones) {
        out << " SkinWeights {\n  \"" << bone.m_szName << "\";\n  " << bone.m_vertices.size() << ";\n  ";
        for (size_t i = 0; i < bone.m_vertices.size(); ++i) {
            out << bone.m_vertices[i] << (i + 1 < bone.m_vertices.size() ? "," : ";\n  ");
        }
        for (size_t i = 0; i < bone.m_weights.size(); ++i) {
            out << bone.m_weights[i] << (i + 1 < bone.m_weights.size() ? "," : ";\n  ");
        }
        out << MatrixText(bone.m_matOffset) << "\n }\n";
    }
    out << "}\n";
    return out.str();
}

Mesh Quads(int count) {
    Mesh mesh;
    for (int q = 0; q < count; ++q) {
        const auto x = static_cast<float>(q);
        const auto v = static_cast<DWORD>(4 * q);
        mesh.m_positions.push_back(D3DXVECTOR3(x, 0.0f, 0.0f));
        mesh.m_positions.push_back(D3DXVECTOR3(x, 1.0f, 0.0f));
        mesh.m_positions.push_back(D3DXVECTOR3(x + 1.0f, 1.0f, 0.0f));
        mesh.m_positions.push_back(D3DXVECTOR3(x + 1.0f, 0.0f, 0.0f));
        mesh.m_faces.push_back({v, v + 1, v + 2});
        mesh.m_faces.push_back({v, v + 2, v + 3});
        mesh.m_faceMaterials.push_back(0);
        mesh.m_faceMaterials.push_back(0);
    }
    mesh.m_dwMaterials = 1;
    return mesh;
}

std::string Keys(DWORD dwType, const std::vector<std::pair<DWORD, std::vector<float>>>& keys) {
    std::ostringstream out;
    out << "AnimationKey {\n  " << dwType << ";\n  " << keys.size() << ";\n";
    for (size_t k = 0; k < keys.size(); ++k) {
        out << "  " << keys[k].first << ";" << keys[k].second.size() << ";";
        for (size_t i = 0; i < keys[k].second.size(); ++i) {
            out << keys[k].second[i] << (i + 1 < keys[k].second.size() ? "," : ";;");
        }
        out << (k + 1 < keys.size() ? ",\n" : ";\n");
    }
    out << " }\n";
    return out.str();
}

std::string Animation(const std::string& szName, const std::string& szTarget, const std::string& body) {
    return "Animation " + szName + " {\n { " + szTarget + " }\n" + body + "}\n";
}

}  // namespace skintext
