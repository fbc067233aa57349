// The scene camera: its world matrix, the view and projection it puts on the
// device, its rotation alone for particles, and the frustum for culling.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "platform/d3d/D3D8.h"
#include "scene/FrustumInfo.h"

class Camera {
public:
    Camera();

    HRESULT Reset();
    HRESULT SetCameraMatrix(const float* pf);
    HRESULT SetCameraPosition(float x, float y, float z);
    // flag 0 steps in the camera's own space, otherwise along world axes.
    HRESULT MoveLocal(float x, float y, float z, int flag);
    HRESULT YawLocal(float angle, int flag);
    HRESULT PitchLocal(float angle, int flag);
    HRESULT ApplyView(IDirect3DDevice8* pDevice);
    HRESULT SetProjection(IDirect3DDevice8* pDevice, float aspect, float zNear, float zFar);
    D3DXMATRIX* RotationOnly(D3DXMATRIX* pOut);
    HRESULT BuildFrustum();

    const D3DXMATRIX& CameraMatrix() const { return m_matCamera; }
    const D3DXMATRIX& ProjectionMatrix() const { return m_matProjection; }
    const D3DXMATRIX& PreviousMatrix() const { return m_matPrevious; }
    const D3DXMATRIX& WorkMatrix() const { return m_matWork; }
    const FrustumInfo& Frustum() const { return m_frustum; }

private:
    void ApplyStep(int flag);

    D3DXMATRIX m_matCamera;
    D3DXMATRIX m_matProjection;
    D3DXMATRIX m_matPrevious;
    D3DXMATRIX m_matWork;
    D3DXMATRIX m_matRotation;
    FrustumInfo m_frustum;
};
