// One Mesh object of a skinned model: its drawable mesh, materials and
// textures and, when it has bones, the skin, the bones' offsets and the
// matrices they follow, and the indexed vertex-blended mesh built from it.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "gfxutil/ID3DXSkinMesh.h"
#include "gfxutil/SkinMeshConversion.h"
#include "platform/xfile/DXFile.h"

struct MeshPart {
    MeshPart();
    ~MeshPart();
    MeshPart(const MeshPart&) = delete;
    MeshPart& operator=(const MeshPart&) = delete;

    // Reads the Mesh object; a part with bones is built for `method` at once.
    // D3DXERR_LOADEDMESHHASNODATA when the object holds no faces.
    HRESULT Load(IDirectXFileData* pData, DWORD dwOptions, IDirect3DDevice8* pDevice, int method, const D3DCAPS8& caps);
    // Converts the skin into a mesh blended with a palette of bone matrices:
    // in hardware when the device's palette can hold a face's bones, else in
    // software vertex processing.
    HRESULT BuildSkinnedMesh(int method, const D3DCAPS8& caps);
    // Draws every subset; a skinned part is rebuilt first when it is not
    // built for `method`. Blend states are switched off again afterwards.
    HRESULT Draw(IDirect3DDevice8* pDevice, int method, const D3DCAPS8& caps);
    // Releases the built mesh; the next draw builds it again.
    void ReleaseDeviceMesh();

    DWORD BoneCount() const { return m_pSkin != nullptr ? m_pSkin->GetNumBones() : 0; }
    const char* BoneName(DWORD dwBone) const;
    D3DXBONECOMBINATION* BoneCombinations() const;

    ID3DXMesh* m_pMesh;
    D3DMATERIAL8* m_pMaterials;
    IDirect3DTexture8** m_ppTextures;
    DWORD m_dwSubsetNum;
    DWORD m_dwMaterialNum;
    MeshPart* m_pNext;
    char* m_szName;
    ID3DXSkinMesh* m_pSkin;
    const D3DXMATRIX** m_ppBoneMatrices;
    ID3DXBuffer* m_pBoneNames;
    ID3DXBuffer* m_pBoneOffsetBuffer;
    const D3DXMATRIX* m_pBoneOffsets;
    DWORD* m_pAdjacency;
    DWORD m_dwFaceInfluences;
    ID3DXBuffer* m_pBoneCombinations;
    int m_nBuiltMethod;
    DWORD m_dwPaletteSize;
    DWORD m_dwSoftware;

private:
    HRESULT LoadMaterials(ID3DXBuffer* pMaterials, DWORD dwCount, IDirect3DDevice8* pDevice);
    HRESULT DrawSkinned(IDirect3DDevice8* pDevice, int method, const D3DCAPS8& caps);
};
