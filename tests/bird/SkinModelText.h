// Small text X files for the skinned-model tests: frames, meshes with
// materials and skin weights, and animations, written the way exporters do.
#pragma once

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "gfxutil/D3DXMath.h"

namespace skintext {

struct Bone {
    std::string m_szName;
    std::vector<DWORD> m_vertices;
    std::vector<float> m_weights;
    D3DXMATRIX m_matOffset;
};

struct Mesh {
    std::vector<D3DXVECTOR3> m_positions;
    std::vector<std::array<DWORD, 3>> m_faces;
    std::vector<DWORD> m_faceMaterials;  // empty: no material list
    DWORD m_dwMaterials = 0;
    std::vector<std::string> m_textures;  // per material; empty or "" for none
    std::vector<Bone> m_bones;
};

// "xof 0303txt 0032" and the skin templates.
inline std::string Header() {
    return "xof 0303txt 0032\n"
           "template XSkinMeshHeader {\n <3cf169ce-ff7c-44ab-93c0-f78f62d172e2>\n"
           " WORD nMaxSkinWeightsPerVertex;\n WORD nMaxSkinWeightsPerFace;\n WORD nBones;\n}\n"
           "template SkinWeights {\n <6f0d123b-bad2-4167-a0d0-80224f25fabb>\n STRING transformNodeName;\n"
           " DWORD nWeights;\n array DWORD vertexIndices[nWeights];\n array FLOAT weights[nWeights];\n"
           " Matrix4x4 matrixOffset;\n}\n";
}

inline std::string MatrixText(const D3DXMATRIX& m) {
    std::ostringstream out;
    for (int i = 0; i < 16; ++i) {
        out << m.m[i / 4][i % 4] << (i < 15 ? "," : ";;");
    }
    return out.str();
}

inline D3DXMATRIX Identity() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

inline D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
}

inline std::string Frame(const std::string& szName, const D3DXMATRIX& transform, const std::string& children = "") {
    return "Frame " + szName + " {\n FrameTransformMatrix { " + MatrixText(transform) + " }\n" + children + "}\n";
}

// Material i has diffuse (0.1 (i + 1), 0.2, 0.3, 1).
inline std::string MeshText(const std::string& szName, const Mesh& mesh) {
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

// Quads side by side along x (quad q spans x = q..q + 1, y = 0..1), four
// vertices and two faces each, all in material 0 of one.
inline Mesh Quads(int count) {
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

// Quads(2) with material 1 on quad 1; quad 0 follows BoneA (offset 5 back), quad 1 BoneB
// (offset 7 back). Blended, the edge between them follows both bones half and half.
inline Mesh TwoBoneQuads(bool bBlended = false) {
    Mesh mesh = Quads(2);
    mesh.m_faceMaterials = {0, 0, 1, 1};
    mesh.m_dwMaterials = 2;
    if (bBlended) {
        mesh.m_bones.push_back({"BoneA", {0, 1, 2, 3, 4, 5}, {1, 1, 0.5f, 0.5f, 0.5f, 0.5f}, Translation(0, 0, -5)});
        mesh.m_bones.push_back({"BoneB", {2, 3, 4, 5, 6, 7}, {0.5f, 0.5f, 0.5f, 0.5f, 1, 1}, Translation(0, 0, -7)});
    } else {
        mesh.m_bones.push_back({"BoneA", {0, 1, 2, 3}, {1, 1, 1, 1}, Translation(0, 0, -5)});
        mesh.m_bones.push_back({"BoneB", {4, 5, 6, 7}, {1, 1, 1, 1}, Translation(0, 0, -7)});
    }
    return mesh;
}

// Frame Top (1 up) holding BoneA (5 ahead), BoneB (3 aside, 7 ahead) and the mesh "Skin";
// `animations` follow.
inline std::string TwoBoneModel(const Mesh& mesh, const std::string& animations = "") {
    return Header() +
           Frame("Top", Translation(0, 1, 0),
                 Frame("BoneA", Translation(0, 0, 5)) + Frame("BoneB", Translation(3, 0, 7)) + MeshText("Skin", mesh)) +
           animations;
}

// One AnimationKey: each key a time and its values.
inline std::string Keys(DWORD dwType, const std::vector<std::pair<DWORD, std::vector<float>>>& keys) {
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

inline std::string Animation(const std::string& szName, const std::string& szTarget, const std::string& body) {
    return "Animation " + szName + " {\n { " + szTarget + " }\n" + body + "}\n";
}

}  // namespace skintext
