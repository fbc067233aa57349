// What the model loaders make of one X file, as one JSON object: each Mesh
// (top level or inside Frames) as the mesh and skin loaders load it, the
// frame tree, and each animation set's animations with their key counts.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d/D3D8.h"
#include "platform/xfile/DXFile.h"

class XInfo {
public:
    XInfo() = default;
    ~XInfo();
    XInfo(const XInfo&) = delete;
    XInfo& operator=(const XInfo&) = delete;

    // The JSON text in `json`; on failure the first failing result, with the
    // object it came from (a mesh name, or empty) in `szWhere`.
    HRESULT Describe(const char* szPath, std::string& json, std::string& szWhere);

private:
    // Bones and the most bones on one face, from the skin loader.
    struct SkinCounts {
        DWORD m_dwBones = 0;
        DWORD m_dwMaxFaceInfluences = 0;
    };

    // One enumeration of the file: a Mesh object's children can be walked only
    // once, so the skin loader and the mesh loader each get a pass of their own.
    HRESULT Enumerate(const char* szPath, std::string& json, std::string& szWhere);
    HRESULT CountSkin(IDirectXFileData* pMesh, std::string& szWhere);
    HRESULT DescribeMesh(IDirectXFileData* pMesh, std::string& out, std::string& szWhere);
    HRESULT DescribeFrame(IDirectXFileData* pFrame, std::string& meshes, std::string& frame, std::string& szWhere);
    HRESULT DescribeAnimationSet(IDirectXFileData* pSet, std::string& out);
    HRESULT DescribeAnimation(IDirectXFileData* pAnimation, std::string& out, DWORD& dwMaxTime);

    IDirect3DDevice8* m_pDevice = nullptr;
    bool m_bSkinPass = false;
    std::vector<SkinCounts> m_skinCounts;  // per mesh in enumeration order
    size_t m_nMesh = 0;
};
