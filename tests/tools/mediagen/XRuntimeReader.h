// Reads a generated X file through the program's own X-file runtime (with the
// standard templates registered, as the model loaders do) into plain trees,
// and takes meshes apart for the tests.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

struct XNode {
    GUID m_type = {};
    std::string m_szName;
    std::map<std::string, std::vector<std::uint8_t>> m_members;
    std::map<std::string, std::string> m_strings;
    std::vector<XNode> m_children;
    std::vector<std::string> m_references;

    std::uint32_t Dword(const std::string& szMember) const;
    std::vector<float> Floats(const std::string& szMember) const;
    std::vector<std::uint32_t> Dwords(const std::string& szMember) const;
    const XNode* Child(const GUID& type) const;
};

struct XMaterial {
    float m_fColour[4] = {};
    std::string m_szTexture;
};

struct XMesh {
    std::string m_szName;
    std::vector<std::array<float, 3>> m_positions;
    std::vector<std::array<std::uint32_t, 3>> m_faces;
    std::vector<std::uint32_t> m_faceMaterials;
    std::vector<XMaterial> m_materials;
    std::vector<std::array<float, 3>> m_normals;
    std::vector<std::array<float, 2>> m_coords;
};

class XRuntimeReader {
public:
    // Every top-level data object, or false with the runtime's result.
    static bool Load(const std::string& szPath, std::vector<XNode>& roots, HRESULT& hr);
    static XMesh Mesh(const XNode& node);
    // Meshes at any depth, in file order.
    static void CollectMeshes(const std::vector<XNode>& nodes, std::vector<const XNode*>& meshes);
};
