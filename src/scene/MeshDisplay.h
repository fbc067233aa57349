// The drawable geometry of a static model: one mesh of a model file, repaired
// and turned into a progressive mesh at load, from which detail levels are
// cut, each covering a band of vertex counts. Each frame it culls its world
// box against the view frustum, picks a level by the distance between camera
// and object and queues the draw. Textures come from the application's list.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "gfxutil/ID3DXMesh.h"
#include "gfxutil/ID3DXPMesh.h"
#include "platform/d3d/D3D8.h"
#include "platform/xfile/DXFile.h"
#include "scene/DrawQueue.h"
#include "scene/FrustumInfo.h"
#include "scene/MeshDammy.h"

class TexList;

class MeshDisplay {
public:
    // The vertex range of the progressive mesh is cut into this many bands.
    static constexpr DWORD kVertexBands = 10;
    // Camera distances (inclusive) that step from the finest level down.
    static constexpr float kNearDistance = 1000.0f;
    static constexpr float kMiddleDistance = 1500.0f;
    static constexpr float kFarDistance = 2000.0f;

    MeshDisplay();
    ~MeshDisplay();
    MeshDisplay(const MeshDisplay&) = delete;
    MeshDisplay& operator=(const MeshDisplay&) = delete;

    // Loads one Mesh data object. Material textures are taken from pTexList
    // (none without a list) and given back to it by Release.
    HRESULT Load(IDirect3DDevice8* pDevice, IDirectXFileData* pData, TexList* pTexList);
    HRESULT ComputeBounds(IDirect3DDevice8* pDevice);
    HRESULT UpdateBounds(D3DXMATRIX matWorld);
    // Queues the level chosen by distance (lod != 0) or the full mesh when the
    // world box is in the frustum. E_FAIL when nothing is loaded.
    HRESULT Submit(IDirect3DDevice8* pDevice, const FrustumInfo* pFrustum, const D3DXVECTOR3& vecCamera,
                   const D3DXVECTOR3& vecObject, int lod, D3DXMATRIX matWorld, DrawQueue* pQueue);
    // 1 in view, 0 not, E_FAIL when nothing is loaded.
    HRESULT IsVisible(IDirect3DDevice8* pDevice, const FrustumInfo* pFrustum) const;
    HRESULT Release();

    // TRUE when the world box and the frustum overlap.
    BOOL CullTest(const FrustumInfo* pFrustum) const;
    // TRUE when the segment p0-p1 crosses the quad (in plane `plane`).
    static BOOL EdgeIntersectsFace(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3* const (&face)[4],
                                   const D3DXPLANE& plane);

    const char* Name() const { return m_szName; }
    ID3DXMesh* Mesh() const { return m_pMesh; }
    ID3DXPMesh* Full() const { return m_pPMeshFull; }
    DWORD LevelCount() const { return m_dwLevelNum; }
    ID3DXPMesh* LevelAt(DWORD index) const { return index < m_dwLevelNum ? m_ppPMeshLevels[index] : nullptr; }
    DWORD CurrentLevel() const { return m_dwCurrentLevel; }
    DWORD MaterialCount() const { return m_dwMaterialNum; }
    const D3DMATERIAL8* Materials() const { return m_pMaterials; }
    IDirect3DTexture8* const* Textures() const { return m_ppTextures; }
    const D3DXVECTOR3& LocalCorner(DWORD k) const { return m_vecLocalCorners[k]; }
    const D3DXVECTOR3& WorldCorner(DWORD k) const { return m_vecWorldCorners[k]; }
    const D3DXPLANE& WorldPlane(DWORD k) const { return m_worldPlanes[k]; }
    const D3DXVECTOR3& WorldCentre() const { return m_vecWorldCentre; }

private:
    HRESULT LoadMaterials(IDirect3DDevice8* pDevice, ID3DXBuffer* pMaterialBuffer, DWORD dwMaterialNum);
    HRESULT BuildLevels(IDirect3DDevice8* pDevice, ID3DXPMesh* pPMesh);
    void ReleaseGeometry();

    char m_szName[MeshDammy::kNameChars];
    ID3DXMesh* m_pMesh;
    ID3DXPMesh* m_pPMeshFull;
    ID3DXPMesh** m_ppPMeshLevels;
    DWORD m_dwLevelNum;
    DWORD m_dwCurrentLevel;
    D3DMATERIAL8* m_pMaterials;
    IDirect3DTexture8** m_ppTextures;
    DWORD m_dwMaterialNum;
    D3DXVECTOR3 m_vecLocalCorners[8];
    D3DXVECTOR3 m_vecLocalCentre;
    float m_fLocalRadius;
    D3DXVECTOR3 m_vecWorldCorners[8];
    D3DXPLANE m_worldPlanes[6];
    D3DXVECTOR3 m_vecWorldCentre;
    TexList* m_pTexList;
};
