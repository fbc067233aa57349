// The skin mesh a loaded Mesh object with SkinWeights becomes: the plain mesh
// and, per bone, the vertices it moves with their weights.
#pragma once

#include <vector>

#include "gfxutil/ID3DXSkinMesh.h"
#include "gfxutil/SkinMeshConversion.h"
#include "platform/kernel/ComObject.h"
#include "platform/xfile/DXFile.h"

// Counted by ComObject; QueryInterface answers IUnknown alone.
class D3DXSkinMesh final : public ComObject<ID3DXSkinMesh> {
public:
    struct Influences {
        std::vector<DWORD> m_vertices;
        std::vector<float> m_weights;
    };

    // Takes a reference to the mesh; one reference to the result.
    static D3DXSkinMesh* Create(ID3DXMesh* pMesh, std::vector<Influences> bones);

    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD GetNumBones() override { return static_cast<DWORD>(m_bones.size()); }
    HRESULT GetMaxFaceInfluences(DWORD* pMaxFaceInfluences) override;
    HRESULT GetMaxVertexInfluences(DWORD* pMaxVertexInfluences) override;
    DWORD GetNumBoneInfluences(DWORD bone) override;
    HRESULT GetBoneInfluence(DWORD bone, DWORD* pVertices, float* pWeights) override;
    HRESULT GetOriginalMesh(ID3DXMesh** ppMesh) override;
    DWORD GetNumFaces() override { return m_pMesh->GetNumFaces(); }
    DWORD GetNumVertices() override { return m_pMesh->GetNumVertices(); }
    DWORD GetFVF() override { return m_pMesh->GetFVF(); }
    DWORD GetOptions() override { return m_pMesh->GetOptions(); }
    HRESULT ConvertToIndexedBlendedMesh(DWORD options, const DWORD* pAdjacencyIn, DWORD paletteSize,
                                        DWORD* pAdjacencyOut, DWORD* pNumBoneCombinations,
                                        ID3DXBuffer** ppBoneCombinationTable, DWORD* pFaceRemap,
                                        ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppMesh) override {
        return ConvertSkinToIndexedBlendedMesh(this, options, pAdjacencyIn, paletteSize, pAdjacencyOut,
                                               pNumBoneCombinations, ppBoneCombinationTable, pFaceRemap, ppVertexRemap,
                                               ppMesh);
    }

private:
    D3DXSkinMesh(ID3DXMesh* pMesh, std::vector<Influences> bones);
    ~D3DXSkinMesh() override;

    ID3DXMesh* m_pMesh;
    std::vector<Influences> m_bones;
};

// The published loader: mesh, adjacency and materials as D3DXLoadMeshFromXof,
// plus one name (a char* into the buffer) and one offset matrix per bone.
// SkinWeights that name positions the mesh lacks give D3DXERR_INVALIDDATA.
HRESULT D3DXLoadSkinMeshFromXof(IDirectXFileData* pXofObjMesh, DWORD options, IDirect3DDevice8* pDevice,
                                ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials, DWORD* pNumMaterials,
                                ID3DXBuffer** ppBoneNames, ID3DXBuffer** ppBoneTransforms, ID3DXSkinMesh** ppSkinMesh);
