#include "tools/mediagen/XRuntimeReader.h"

#include <cstring>

#include "platform/xfile/DXFile.h"

namespace {

// The members the tests read.
const char* const kMembers[] = {"nVertices", "vertices",      "faces",       "faceIndexes", "faceColor",
                                "normals",   "textureCoords", "frameMatrix", "keyType",     "nKeys",
                                "keys",      "vertexIndices", "weights",     "matrixOffset"};
const char* const kStrings[] = {"filename", "transformNodeName"};

XNode Convert(IDirectXFileData* pData) {
    XNode node;
    const GUID* pType = nullptr;
    if (pData->GetType(&pType) == DXFILE_OK && pType != nullptr) {
        node.m_type = *pType;
    }
    DWORD dwLength = 0;
    if (pData->GetName(nullptr, &dwLength) == DXFILE_OK && dwLength > 0) {
        std::string name(dwLength, '\0');
        pData->GetName(name.data(), &dwLength);
        node.m_szName = name.c_str();
    }
    for (const char* szMember : kMembers) {
        DWORD dwSize = 0;
        void* pBytes = nullptr;
        if (pData->GetData(szMember, &dwSize, &pBytes) == DXFILE_OK) {
            const auto* p = static_cast<const std::uint8_t*>(pBytes);
            node.m_members[szMember] = std::vector<std::uint8_t>(p, p + dwSize);
        }
    }
    for (const char* szMember : kStrings) {
        DWORD dwSize = 0;
        void* pBytes = nullptr;
        if (pData->GetData(szMember, &dwSize, &pBytes) == DXFILE_OK && dwSize == sizeof(char*)) {
            const char* sz = nullptr;
            std::memcpy(&sz, pBytes, sizeof(sz));
            node.m_strings[szMember] = sz != nullptr ? sz : "";
        }
    }
    IDirectXFileObject* pChild = nullptr;
    while (pData->GetNextObject(&pChild) == DXFILE_OK) {
        IDirectXFileData* pChildData = nullptr;
        IDirectXFileDataReference* pReference = nullptr;
        if (pChild->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&pChildData)) == S_OK) {
            node.m_children.push_back(Convert(pChildData));
            pChildData->Release();
        } else if (pChild->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&pReference)) ==
                   S_OK) {
            DWORD dwLength = 0;
            pReference->GetName(nullptr, &dwLength);
            std::string name(dwLength, '\0');
            if (dwLength > 0) {
                pReference->GetName(name.data(), &dwLength);
            }
            node.m_references.push_back(name.c_str());
            pReference->Release();
        }
        pChild->Release();
    }
    return node;
}

template <typename T>
std::vector<T> Values(const std::map<std::string, std::vector<std::uint8_t>>& members, const std::string& szMember) {
    const auto it = members.find(szMember);
    std::vector<T> values;
    if (it != members.end()) {
        values.resize(it->second.size() / sizeof(T));
        std::memcpy(values.data(), it->second.data(), values.size() * sizeof(T));
    }
    return values;
}

}  // namespace

std::uint32_t XNode::Dword(const std::string& szMember) const {
    const auto it = m_members.find(szMember);
    if (it == m_members.end() || it->second.size() < 4) {
        return 0xFFFFFFFFu;
    }
    std::uint32_t d = 0;
    std::memcpy(&d, it->second.data(), 4);
    return d;
}

std::vector<float> XNode::Floats(const std::string& szMember) const {
    return Values<float>(m_members, szMember);
}

std::vector<std::uint32_t> XNode::Dwords(const std::string& szMember) const {
    return Values<std::uint32_t>(m_members, szMember);
}

const XNode* XNode::Child(const GUID& type) const {
    for (const XNode& child : m_children) {
        if (child.m_type == type) {
            return &child;
        }
    }
    return nullptr;
}

bool XRuntimeReader::Load(const std::string& szPath, std::vector<XNode>& roots, HRESULT& hr) {
    IDirectXFile* pFile = nullptr;
    hr = DirectXFileCreate(&pFile);
    if (FAILED(hr)) {
        return false;
    }
    hr = pFile->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES);
    IDirectXFileEnumObject* pEnum = nullptr;
    if (SUCCEEDED(hr)) {
        hr = pFile->CreateEnumObject(szPath.c_str(), DXFILELOAD_FROMFILE, &pEnum);
    }
    if (SUCCEEDED(hr)) {
        IDirectXFileData* pData = nullptr;
        while (pEnum->GetNextDataObject(&pData) == DXFILE_OK) {
            roots.push_back(Convert(pData));
            pData->Release();
        }
        pEnum->Release();
    }
    pFile->Release();
    return SUCCEEDED(hr);
}

XMesh XRuntimeReader::Mesh(const XNode& node) {
    XMesh mesh;
    mesh.m_szName = node.m_szName;
    const std::vector<float> positions = node.Floats("vertices");
    for (size_t i = 0; i + 2 < positions.size(); i += 3) {
        mesh.m_positions.push_back({positions[i], positions[i + 1], positions[i + 2]});
    }
    // Faces are packed as a count followed by that many indices.
    const std::vector<std::uint32_t> faces = node.Dwords("faces");
    for (size_t i = 0; i < faces.size();) {
        const std::uint32_t n = faces[i];
        if (n == 3 && i + 3 < faces.size()) {
            mesh.m_faces.push_back({faces[i + 1], faces[i + 2], faces[i + 3]});
        }
        i += 1 + n;
    }
    if (const XNode* pList = node.Child(TID_D3DRMMeshMaterialList)) {
        mesh.m_faceMaterials = pList->Dwords("faceIndexes");
        for (const XNode& child : pList->m_children) {
            if (!(child.m_type == TID_D3DRMMaterial)) {
                continue;
            }
            XMaterial material;
            const std::vector<float> colour = child.Floats("faceColor");
            for (size_t k = 0; k < 4 && k < colour.size(); ++k) {
                material.m_fColour[k] = colour[k];
            }
            if (const XNode* pTexture = child.Child(TID_D3DRMTextureFilename)) {
                material.m_szTexture = pTexture->m_strings.count("filename") ? pTexture->m_strings.at("filename") : "";
            }
            mesh.m_materials.push_back(material);
        }
    }
    if (const XNode* pNormals = node.Child(TID_D3DRMMeshNormals)) {
        const std::vector<float> normals = pNormals->Floats("normals");
        for (size_t i = 0; i + 2 < normals.size(); i += 3) {
            mesh.m_normals.push_back({normals[i], normals[i + 1], normals[i + 2]});
        }
    }
    if (const XNode* pCoords = node.Child(TID_D3DRMMeshTextureCoords)) {
        const std::vector<float> coords = pCoords->Floats("textureCoords");
        for (size_t i = 0; i + 1 < coords.size(); i += 2) {
            mesh.m_coords.push_back({coords[i], coords[i + 1]});
        }
    }
    return mesh;
}

void XRuntimeReader::CollectMeshes(const std::vector<XNode>& nodes, std::vector<const XNode*>& meshes) {
    for (const XNode& node : nodes) {
        if (node.m_type == TID_D3DRMMesh) {
            meshes.push_back(&node);
        } else if (node.m_type == TID_D3DRMFrame) {
            CollectMeshes(node.m_children, meshes);
        }
    }
}
