// A mesh of a model file that is never drawn: it only yields bounds, a box
// with its eight corners and a sphere in model space, and the same box carried
// into world space with its six face planes.
//
// The box layout is shared with the display meshes: corner k takes the
// maximum x for bit 0, y for bit 1 and z for bit 2 (so 0-3 lie on the near z
// face); the planes are front, back, left, right, top, bottom with normals
// pointing into the box.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "gfxutil/ID3DXMesh.h"
#include "platform/d3d/D3D8.h"
#include "platform/xfile/DXFile.h"

class MeshDammy {
public:
    // The vertex format both kinds of mesh are kept in: position, normal, one uv set.
    static constexpr DWORD kMeshFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
    static constexpr DWORD kNameChars = 512;

    MeshDammy();
    ~MeshDammy();
    MeshDammy(const MeshDammy&) = delete;
    MeshDammy& operator=(const MeshDammy&) = delete;

    // Loads one Mesh data object; its materials and textures are dropped.
    HRESULT Load(IDirect3DDevice8* pDevice, IDirectXFileData* pData);
    HRESULT ComputeBounds(IDirect3DDevice8* pDevice);
    HRESULT UpdateBounds(D3DXMATRIX matWorld);
    HRESULT Release();

    const char* Name() const { return m_szName; }
    ID3DXMesh* Mesh() const { return m_pMesh; }
    const D3DXVECTOR3& LocalCorner(DWORD k) const { return m_vecLocalCorners[k]; }
    const D3DXVECTOR3& LocalCentre() const { return m_vecLocalCentre; }
    float LocalRadius() const { return m_fLocalRadius; }
    const D3DXVECTOR3& WorldCorner(DWORD k) const { return m_vecWorldCorners[k]; }
    const D3DXPLANE& WorldPlane(DWORD k) const { return m_worldPlanes[k]; }
    const D3DXVECTOR3& WorldCentre() const { return m_vecWorldCentre; }
    float WorldRadius() const { return m_fWorldRadius; }

    // ---- shared with the display meshes
    // The object's name into szOut (kNameChars long); empty when it has none
    // or the name does not fit.
    static void ReadObjectName(IDirectXFileObject* pObject, char (&szOut)[kNameChars]);
    // Box corners in the layout above and the bounding sphere of the mesh's
    // vertices; failures are reported from szModule at the two lines given,
    // and what was not reached keeps its old value.
    static HRESULT ComputeBox(ID3DXMesh* pMesh, const char* szModule, long lineBox, long lineSphere,
                              D3DXVECTOR3 (&corners)[8], D3DXVECTOR3& centre, float& radius);
    // The local corners carried by matWorld and the six face planes through them.
    static void CarryBox(const D3DXMATRIX& matWorld, const D3DXVECTOR3 (&local)[8], D3DXVECTOR3 (&world)[8],
                         D3DXPLANE (&planes)[6]);

private:
    char m_szName[kNameChars];
    ID3DXMesh* m_pMesh;
    D3DXVECTOR3 m_vecLocalCorners[8];
    D3DXVECTOR3 m_vecLocalCentre;
    float m_fLocalRadius;
    D3DXVECTOR3 m_vecWorldCorners[8];
    D3DXPLANE m_worldPlanes[6];
    D3DXVECTOR3 m_vecWorldCentre;
    float m_fWorldRadius;
};
