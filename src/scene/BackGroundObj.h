// One model placed many times: the vine copies round the clocks, one world
// matrix per copy from a position file. The copies never move.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "platform/d3d/D3D8.h"
#include "scene/DrawQueue.h"
#include "scene/FrustumInfo.h"
#include "scene/Model.h"
#include "scene/PlacedObject.h"

class TexList;

class BackGroundObj {
public:
    // The model takes its textures from pTexList, the application's list.
    explicit BackGroundObj(TexList* pTexList = nullptr);
    ~BackGroundObj();
    BackGroundObj(const BackGroundObj&) = delete;
    BackGroundObj& operator=(const BackGroundObj&) = delete;

    HRESULT Load(IDirect3DDevice8* pDevice, const char* szModelFileName, const char* szPositionFileName);
    HRESULT Render(IDirect3DDevice8* pDevice, D3DXMATRIX matCamera, const FrustumInfo* pFrustum, int lod,
                   DrawQueue* pQueue);
    HRESULT Release();

    int Count() const { return m_nCount; }
    // Null until loaded (and when the file places no copy).
    const PlacedObject* Objects() const { return m_pObjects; }
    const Model* GetModel() const { return m_pModel; }

private:
    HRESULT ReadPlacements(const char* szFileName, HRESULT hrModel);

    char m_szDir[MAX_PATH];
    int m_nCount;
    Model* m_pModel;
    PlacedObject* m_pObjects;
    TexList* m_pTexList;
};
