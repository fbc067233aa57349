// Small text X files for the skinned-model tests: frames, meshes with
// materials and skin weights, and animations, written the way exporters do.
#pragma once

#include <array>
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
std::string Header();
std::string MatrixText(const D3DXMATRIX& m);
D3DXMATRIX Identity();
D3DXMATRIX Translation(float x, float y, float z);
std::string Frame(const std::string& szName, const D3DXMATRIX& transform, const std::string& children = "");
// Material i has diffuse (0.1 (i + 1), 0.2, 0.3, 1).
std::string MeshText(const std::string& szName, const Mesh& mesh);
// Quads side by side along x (quad q spans x = q..q + 1, y = 0..1), four
// vertices and two faces each, all in material 0 of one.
Mesh Quads(int count);
// One AnimationKey: each key a time and its values.
std::string Keys(DWORD dwType, const std::vector<std::pair<DWORD, std::vector<float>>>& keys);
std::string Animation(const std::string& szName, const std::string& szTarget, const std::string& body);

}  // namespace skintext
