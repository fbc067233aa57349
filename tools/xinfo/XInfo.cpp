#include "XInfo.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "gfxutil/D3DXSkinMesh.h"
#include "gfxutil/XofMeshData.h"
#include "platform/d3d/record/RecordingDevice.h"

namespace {

// One reference, released on every way out.
template <typename T>
class Ref {
public:
    Ref() = default;
    ~Ref() {
        if (m_p != nullptr) {
            m_p->Release();
        }
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    T** operator&() { return &m_p; }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }

private:
    T* m_p = nullptr;
};

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string NameOf(IDirectXFileObject* pObject) {
    DWORD dwLength = 0;
    if (FAILED(pObject->GetName(nullptr, &dwLength)) || dwLength == 0) {
        return {};
    }
    std::string name(dwLength, '\0');
    if (FAILED(pObject->GetName(name.data(), &dwLength))) {
        return {};
    }
    name.resize(name.find('\0'));
    return name;
}

bool IsType(IDirectXFileData* pData, const GUID& type) {
    const GUID* pType = nullptr;
    return SUCCEEDED(pData->GetType(&pType)) && pType != nullptr && *pType == type;
}

// The next child that is a data object (references are left out); false after the last.
bool NextChildData(IDirectXFileData* pParent, IDirectXFileData** ppChild, std::string* pszReference = nullptr) {
    for (;;) {
        Ref<IDirectXFileObject> child;
        if (FAILED(pParent->GetNextObject(&child))) {
            return false;
        }
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(ppChild)))) {
            return true;
        }
        if (pszReference != nullptr && pszReference->empty()) {
            *pszReference = NameOf(child.Get());
        }
    }
}

const char* Separator(bool bFirst) {
    return bFirst ? "" : ",";
}

}  // namespace

XInfo::~XInfo() {
    if (m_pDevice != nullptr) {
        m_pDevice->Release();
    }
}

HRESULT XInfo::Describe(const char* szPath, std::string& json, std::string& szWhere) {
    szWhere.clear();
    if (m_pDevice == nullptr) {
        D3DPRESENT_PARAMETERS parameters{};
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        RecordLog* pLog = nullptr;
        const HRESULT hr = CreateRecordingDevice(&parameters, nullptr, &m_pDevice, &pLog);
        if (FAILED(hr)) {
            return hr;
        }
    }
    m_skinCounts.clear();
    m_bSkinPass = true;
    const HRESULT hr = Enumerate(szPath, json, szWhere);
    if (FAILED(hr)) {
        return hr;
    }
    m_bSkinPass = false;
    m_nMesh = 0;
    return Enumerate(szPath, json, szWhere);
}

HRESULT XInfo::Enumerate(const char* szPath, std::string& json, std::string& szWhere) {
    Ref<IDirectXFile> file;
    HRESULT hr = DirectXFileCreate(&file);
    if (SUCCEEDED(hr)) {
        hr = file->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES);
    }
    Ref<IDirectXFileEnumObject> enumObject;
    if (SUCCEEDED(hr)) {
        hr = file->CreateEnumObject(szPath, DXFILELOAD_FROMFILE, &enumObject);
    }
    if (FAILED(hr)) {
        return hr;
    }
    std::string meshes, frames, sets;
    for (;;) {
        Ref<IDirectXFileData> data;
        hr = enumObject->GetNextDataObject(&data);
        if (hr == DXFILEERR_NOMOREOBJECTS) {
            break;
        }
        if (FAILED(hr)) {
            return hr;
        }
        if (IsType(data.Get(), TID_D3DRMMesh)) {
            hr = DescribeMesh(data.Get(), meshes, szWhere);
        } else if (IsType(data.Get(), TID_D3DRMFrame)) {
            hr = DescribeFrame(data.Get(), meshes, frames, szWhere);
        } else if (IsType(data.Get(), TID_D3DRMAnimationSet)) {
            hr = DescribeAnimationSet(data.Get(), sets);
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    json = "{\"meshes\":[" + meshes + "],\"frames\":[" + frames + "],\"animationSets\":[" + sets + "]}";
    return S_OK;
}

HRESULT XInfo::CountSkin(IDirectXFileData* pMesh, std::string& szWhere) {
    Ref<ID3DXBuffer> adjacency, materials, boneNames, boneTransforms;
    Ref<ID3DXSkinMesh> skin;
    DWORD dwMaterials = 0;
    SkinCounts counts;
    HRESULT hr = D3DXLoadSkinMeshFromXof(pMesh, D3DXMESH_SYSTEMMEM, m_pDevice, &adjacency, &materials, &dwMaterials,
                                         &boneNames, &boneTransforms, &skin);
    if (SUCCEEDED(hr)) {
        counts.m_dwBones = skin->GetNumBones();
        hr = skin->GetMaxFaceInfluences(&counts.m_dwMaxFaceInfluences);
    }
    if (FAILED(hr)) {
        szWhere = NameOf(pMesh);
        return hr;
    }
    m_skinCounts.push_back(counts);
    return S_OK;
}

HRESULT XInfo::DescribeMesh(IDirectXFileData* pMesh, std::string& out, std::string& szWhere) {
    if (m_bSkinPass) {
        return CountSkin(pMesh, szWhere);
    }
    const std::string name = NameOf(pMesh);
    Ref<ID3DXBuffer> adjacency, materials;
    Ref<ID3DXMesh> mesh;
    DWORD dwMaterials = 0;
    const HRESULT hr =
        D3DXLoadMeshFromXof(pMesh, D3DXMESH_SYSTEMMEM, m_pDevice, &adjacency, &materials, &dwMaterials, &mesh);
    if (FAILED(hr)) {
        szWhere = name;
        return hr;
    }
    if (m_nMesh >= m_skinCounts.size()) {  // the file changed between the passes
        return DXFILEERR_BADFILE;
    }
    const SkinCounts& skin = m_skinCounts[m_nMesh++];
    std::string textures;
    const auto* pMaterials =
        materials.Get() != nullptr ? static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer()) : nullptr;
    for (DWORD i = 0; pMaterials != nullptr && i < dwMaterials; ++i) {
        if (pMaterials[i].pTextureFilename != nullptr) {
            textures += Separator(textures.empty()) + Quoted(pMaterials[i].pTextureFilename);
        }
    }
    out += Separator(out.empty());
    out += "{\"name\":" + Quoted(name) + ",\"vertices\":" + std::to_string(mesh->GetNumVertices()) +
           ",\"faces\":" + std::to_string(mesh->GetNumFaces()) + ",\"materials\":" + std::to_string(dwMaterials) +
           ",\"textures\":[" + textures + "],\"bones\":" + std::to_string(skin.m_dwBones) +
           ",\"maxFaceInfluences\":" + std::to_string(skin.m_dwMaxFaceInfluences) + "}";
    return S_OK;
}

HRESULT XInfo::DescribeFrame(IDirectXFileData* pFrame, std::string& meshes, std::string& frames, std::string& szWhere) {
    std::string children;
    for (;;) {
        Ref<IDirectXFileData> child;
        if (!NextChildData(pFrame, &child)) {
            break;
        }
        HRESULT hr = S_OK;
        if (IsType(child.Get(), TID_D3DRMMesh)) {
            hr = DescribeMesh(child.Get(), meshes, szWhere);
        } else if (IsType(child.Get(), TID_D3DRMFrame)) {
            hr = DescribeFrame(child.Get(), meshes, children, szWhere);
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    frames += Separator(frames.empty());
    frames += "{\"name\":" + Quoted(NameOf(pFrame)) + ",\"children\":[" + children + "]}";
    return S_OK;
}

HRESULT XInfo::DescribeAnimationSet(IDirectXFileData* pSet, std::string& out) {
    std::string animations;
    DWORD dwMaxTime = 0;
    for (;;) {
        Ref<IDirectXFileData> child;
        if (!NextChildData(pSet, &child)) {
            break;
        }
        if (IsType(child.Get(), TID_D3DRMAnimation)) {
            const HRESULT hr = DescribeAnimation(child.Get(), animations, dwMaxTime);
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    out += Separator(out.empty());
    out += "{\"name\":" + Quoted(NameOf(pSet)) + ",\"animations\":[" + animations +
           "],\"maxKeyTime\":" + std::to_string(dwMaxTime) + "}";
    return S_OK;
}

HRESULT XInfo::DescribeAnimation(IDirectXFileData* pAnimation, std::string& out, DWORD& dwMaxTime) {
    // Key counts by key type: rotation, scale, position, (3 unused), matrix.
    DWORD keyCounts[5] = {};
    std::string szTarget;
    for (;;) {
        Ref<IDirectXFileData> child;
        if (!NextChildData(pAnimation, &child, &szTarget)) {
            break;
        }
        if (IsType(child.Get(), TID_D3DRMFrame) && szTarget.empty()) {
            szTarget = NameOf(child.Get());
        }
        if (!IsType(child.Get(), TID_D3DRMAnimationKey)) {
            continue;
        }
        // keyType, nKeys, then per key: time, nValues, nValues floats.
        DWORD dwSize = 0;
        void* pBytes = nullptr;
        const HRESULT hr = child->GetData(nullptr, &dwSize, &pBytes);
        if (FAILED(hr)) {
            return hr;
        }
        const auto* pWords = static_cast<const DWORD*>(pBytes);
        const DWORD dwWords = dwSize / sizeof(DWORD);
        if (dwWords < 2) {
            return DXFILEERR_BADVALUE;
        }
        const DWORD dwType = pWords[0], dwKeys = pWords[1];
        DWORD dwAt = 2;
        for (DWORD k = 0; k < dwKeys; ++k) {
            if (dwAt + 2 > dwWords || pWords[dwAt + 1] > dwWords - dwAt - 2) {
                return DXFILEERR_BADVALUE;
            }
            dwMaxTime = std::max(dwMaxTime, pWords[dwAt]);
            dwAt += 2 + pWords[dwAt + 1];
        }
        if (dwType < 5) {
            keyCounts[dwType] += dwKeys;
        }
    }
    out += Separator(out.empty());
    out += "{\"name\":" + Quoted(NameOf(pAnimation)) + ",\"frame\":" + Quoted(szTarget) +
           ",\"keys\":{\"rotation\":" + std::to_string(keyCounts[0]) + ",\"scale\":" + std::to_string(keyCounts[1]) +
           ",\"position\":" + std::to_string(keyCounts[2]) + ",\"matrix\":" + std::to_string(keyCounts[4]) + "}}";
    return S_OK;
}
