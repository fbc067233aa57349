// The flower clocks: each flower is a base, a numeral ring and three hands,
// placed from "Clock.vps"; the hands follow the local time.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "platform/d3d/D3D8.h"
#include "scene/DrawQueue.h"
#include "scene/FrustumInfo.h"
#include "scene/Model.h"
#include "scene/PlacedObject.h"

class TexList;

class Velmoran {
public:
    // The five parts of a flower, in loading and drawing order.
    enum Part { PART_BASE, PART_NUMERALS, PART_HOUR, PART_MINUTE, PART_SECOND, PART_NUM };

    // The models take their textures from pTexList, the application's list.
    explicit Velmoran(TexList* pTexList = nullptr);
    ~Velmoran();
    Velmoran(const Velmoran&) = delete;
    Velmoran& operator=(const Velmoran&) = delete;

    HRESULT Load(IDirect3DDevice8* pDevice, const char* szFileName);
    // Turns every flower's hands to the local time.
    HRESULT Update();
    HRESULT Render(IDirect3DDevice8* pDevice, D3DXMATRIX matCamera, const FrustumInfo* pFrustum, int lod,
                   DrawQueue* pQueue);
    HRESULT Release();

    // The application mirrors its numerals setting here; FALSE hides the rings.
    void SetShowNumerals(BOOL bShow) { m_bShowNumerals = bShow; }
    BOOL ShowNumerals() const { return m_bShowNumerals; }

    int Count() const { return m_nCount; }
    // Null until loaded (and for a clock with no flower).
    const PlacedObject* Parts(Part part) const { return m_pParts[part]; }
    const Model* PartModel(Part part) const { return m_pModels[part]; }

private:
    HRESULT ReadPlacements(const char* szFileName);

    char m_szDir[MAX_PATH];
    int m_nCount;
    Model* m_pModels[PART_NUM];
    PlacedObject* m_pParts[PART_NUM];
    BOOL m_bShowNumerals;
    TexList* m_pTexList;
};
