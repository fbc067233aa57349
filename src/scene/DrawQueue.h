// One frame's visible display meshes, sorted far to near and drawn with their
// opaque materials before their translucent ones.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "gfxutil/ID3DXMesh.h"
#include "platform/d3d/D3D8.h"

class DrawQueue {
public:
    static constexpr DWORD kCapacity = 300;

    struct DrawEntry {
        ID3DXBaseMesh* m_pMesh;
        const D3DMATERIAL8* m_pMaterials;
        IDirect3DTexture8* const* m_ppTextures;
        DWORD m_dwMaterialNum;
        D3DXMATRIX m_matWorld;
        D3DXVECTOR3 m_vecSortPoint;
        float m_fSortKey;  // direction . sort point, filled by Sort
    };

    DrawQueue();

    // Appends one draw; beyond the capacity the draw is dropped silently.
    HRESULT Add(ID3DXBaseMesh* pMesh, D3DXMATRIX matWorld, const D3DXVECTOR3& sortPoint, const D3DMATERIAL8* pMaterials,
                IDirect3DTexture8* const* ppTextures, DWORD materialNum);
    // Greatest direction . sort point first.
    HRESULT Sort(float x, float y, float z);
    HRESULT Draw(IDirect3DDevice8* pDevice);
    HRESULT Clear();

    DWORD Count() const { return m_dwCount; }
    const DrawEntry& EntryAt(DWORD index) const { return m_entries[index]; }

private:
    static void ClearEntry(DrawEntry& entry);
    static void DrawSubsets(IDirect3DDevice8* pDevice, const DrawEntry& entry, bool bOpaque);

    DWORD m_dwCount;
    DrawEntry m_entries[kCapacity];
};
