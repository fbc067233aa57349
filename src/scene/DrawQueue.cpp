#include "scene/DrawQueue.h"

#include <cstdlib>

namespace {
// Never reports equality: equal keys come out in whatever order qsort leaves.
int CompareFarFirst(const void* pA, const void* pB) {
    const auto* pEntryA = static_cast<const DrawQueue::DrawEntry*>(pA);
    const auto* pEntryB = static_cast<const DrawQueue::DrawEntry*>(pB);
    return pEntryA->m_fSortKey >= pEntryB->m_fSortKey ? -1 : 1;
}
}  // namespace

DrawQueue::DrawQueue() : m_dwCount(0) {
    for (DrawEntry& entry : m_entries) {
        ClearEntry(entry);
    }
}

void DrawQueue::ClearEntry(DrawEntry& entry) {
    entry.m_pMesh = nullptr;
    entry.m_pMaterials = nullptr;
    entry.m_ppTextures = nullptr;
    entry.m_dwMaterialNum = 0;
    D3DXMatrixIdentity(&entry.m_matWorld);
    entry.m_vecSortPoint = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    entry.m_fSortKey = 0.0f;
}

HRESULT DrawQueue::Add(ID3DXBaseMesh* pMesh, D3DXMATRIX matWorld, const D3DXVECTOR3& sortPoint,
                       const D3DMATERIAL8* pMaterials, IDirect3DTexture8* const* ppTextures, DWORD materialNum) {
    if (m_dwCount >= kCapacity) {
        return S_OK;
    }
    DrawEntry& entry = m_entries[m_dwCount++];
    entry.m_pMesh = pMesh;
    entry.m_pMaterials = pMaterials;
    entry.m_ppTextures = ppTextures;
    entry.m_dwMaterialNum = materialNum;
    entry.m_matWorld = matWorld;
    entry.m_vecSortPoint = sortPoint;
    return S_OK;
}

HRESULT DrawQueue::Sort(float x, float y, float z) {
    if (m_dwCount < 2) {
        return S_OK;
    }
    D3DXVECTOR3 vecDirection(x, y, z);
    for (DWORD i = 0; i < m_dwCount; ++i) {
        m_entries[i].m_fSortKey = D3DXVec3Dot(&vecDirection, &m_entries[i].m_vecSortPoint);
    }
    std::qsort(m_entries, m_dwCount, sizeof(DrawEntry), CompareFarFirst);
    return S_OK;
}

void DrawQueue::DrawSubsets(IDirect3DDevice8* pDevice, const DrawEntry& entry, bool bOpaque) {
    for (DWORD j = 0; j < entry.m_dwMaterialNum; ++j) {
        float fAlpha = entry.m_pMaterials[j].Diffuse.a;
        // Alpha above 1.0 counts as neither opaque-only nor translucent-only:
        // it is drawn in both passes.
        if (bOpaque ? fAlpha < 1.0f : fAlpha == 1.0f) {
            continue;
        }
        pDevice->SetMaterial(&entry.m_pMaterials[j]);
        pDevice->SetTexture(0, entry.m_ppTextures != nullptr ? entry.m_ppTextures[j] : nullptr);
        entry.m_pMesh->DrawSubset(j);
    }
}

HRESULT DrawQueue::Draw(IDirect3DDevice8* pDevice) {
    for (DWORD i = 0; i < m_dwCount; ++i) {
        const DrawEntry& entry = m_entries[i];
        if (entry.m_pMesh == nullptr) {
            continue;
        }
        pDevice->SetTransform(D3DTS_WORLD, &entry.m_matWorld);
        DrawSubsets(pDevice, entry, true);
        DrawSubsets(pDevice, entry, false);
    }
    return S_OK;
}

HRESULT DrawQueue::Clear() {
    for (DrawEntry& entry : m_entries) {
        ClearEntry(entry);
    }
    m_dwCount = 0;
    return S_OK;
}
