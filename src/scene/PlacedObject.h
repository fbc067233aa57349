// Something in the scene with a world transform, drawn through a shared Model.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "platform/d3d/D3D8.h"
#include "scene/DrawQueue.h"
#include "scene/FrustumInfo.h"
#include "scene/Model.h"

class PlacedObject {
public:
    PlacedObject();
    virtual ~PlacedObject() = default;

    HRESULT SetModel(Model* pModel);
    HRESULT SetPosition(float x, float y, float z);
    // post != 0 applies the step after the current transform (world axes),
    // post == 0 before it (the object's own axes).
    HRESULT Translate(float x, float y, float z, int post);
    HRESULT RotateZ(float angle, int post);
    // Turns +Z toward the point, world +Y as the up hint; keeps the position.
    HRESULT FaceToward(float x, float y, float z);
    // The unit axes of a frame whose +Z points along toward, world +Y as the
    // up hint: what FaceToward turns an object to, and the flight's path frame.
    static void FacingAxes(const D3DXVECTOR3& toward, D3DXVECTOR3* pRight, D3DXVECTOR3* pUp, D3DXVECTOR3* pForward);
    HRESULT ApplyWorld(int display);
    HRESULT Render(IDirect3DDevice8* pDevice, D3DXMATRIX matCamera, const FrustumInfo* pFrustum, int lod,
                   DrawQueue* pQueue);
    // 1 in view, 0 not; without a model E_FAIL, which callers take as visible.
    HRESULT IsVisible(IDirect3DDevice8* pDevice, const FrustumInfo* pFrustum);

    // The application stores last frame's transform here before an update.
    void StorePrevious();
    void SetWorld(const D3DXMATRIX& matWorld) { m_matWorld = matWorld; }

    const D3DXMATRIX& World() const { return m_matWorld; }
    const D3DXMATRIX& PreviousWorld() const { return m_matPrevWorld; }
    const D3DXVECTOR3& PreviousPosition() const { return m_vecPrevPos; }
    Model* GetModel() const { return m_pModel; }

protected:
    D3DXMATRIX m_matWorld;
    D3DXMATRIX m_matSaved;
    D3DXMATRIX m_matWork;
    D3DXMATRIX m_matPrevWorld;
    D3DXVECTOR3 m_vecPrevPos;
    Model* m_pModel;
};
