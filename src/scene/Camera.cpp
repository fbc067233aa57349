#include "scene/Camera.h"

namespace {
constexpr float kFieldOfView = 0.78539819f;
}

Camera::Camera() : m_frustum{} {
    Reset();
    D3DXMatrixIdentity(&m_matRotation);
}

HRESULT Camera::Reset() {
    D3DXMatrixIdentity(&m_matCamera);
    D3DXMatrixIdentity(&m_matProjection);
    D3DXMatrixIdentity(&m_matPrevious);
    D3DXMatrixIdentity(&m_matWork);
    return S_OK;
}

HRESULT Camera::SetCameraMatrix(const float* pf) {
    m_matCamera = D3DXMATRIX(pf);
    return S_OK;
}

HRESULT Camera::SetCameraPosition(float x, float y, float z) {
    m_matCamera._41 = x;
    m_matCamera._42 = y;
    m_matCamera._43 = z;
    return S_OK;
}

void Camera::ApplyStep(int flag) {
    if (flag != 0) {
        D3DXMatrixMultiply(&m_matCamera, &m_matPrevious, &m_matWork);
    } else {
        D3DXMatrixMultiply(&m_matCamera, &m_matWork, &m_matPrevious);
    }
}

HRESULT Camera::MoveLocal(float x, float y, float z, int flag) {
    m_matPrevious = m_matCamera;
    D3DXMatrixTranslation(&m_matWork, x, y, z);
    ApplyStep(flag);
    return S_OK;
}

HRESULT Camera::YawLocal(float angle, int flag) {
    m_matPrevious = m_matCamera;
    D3DXMatrixRotationY(&m_matWork, angle);
    ApplyStep(flag);
    return S_OK;
}

HRESULT Camera::PitchLocal(float angle, int flag) {
    m_matPrevious = m_matCamera;
    D3DXMatrixRotationX(&m_matWork, angle);
    ApplyStep(flag);
    return S_OK;
}

HRESULT Camera::ApplyView(IDirect3DDevice8* pDevice) {
    m_matPrevious = m_matCamera;
    D3DXMatrixInverse(&m_matWork, nullptr, &m_matCamera);
    pDevice->SetTransform(D3DTS_VIEW, &m_matWork);
    return S_OK;
}

HRESULT Camera::SetProjection(IDirect3DDevice8* pDevice, float aspect, float zNear, float zFar) {
    D3DXMatrixPerspectiveFovLH(&m_matProjection, kFieldOfView, aspect, zNear, zFar);
    pDevice->SetTransform(D3DTS_PROJECTION, &m_matProjection);
    return S_OK;
}

D3DXMATRIX* Camera::RotationOnly(D3DXMATRIX* pOut) {
    m_matRotation = m_matCamera;
    m_matRotation._41 = 0.0f;
    m_matRotation._42 = 0.0f;
    m_matRotation._43 = 0.0f;
    *pOut = m_matRotation;
    return pOut;
}

HRESULT Camera::BuildFrustum() {
    D3DXMatrixInverse(&m_matWork, nullptr, &m_matCamera);
    D3DXMATRIX matViewProj;
    D3DXMatrixMultiply(&matViewProj, &m_matWork, &m_matProjection);
    D3DXMATRIX matClipToWorld;
    D3DXMatrixInverse(&matClipToWorld, nullptr, &matViewProj);

    for (int k = 0; k < 8; ++k) {
        D3DXVECTOR3 vecClip((k & 1) ? 1.0f : -1.0f, (k & 2) ? 1.0f : -1.0f, (k & 4) ? 1.0f : 0.0f);
        D3DXVec3TransformCoord(&m_frustum.m_vecCorners[k], &vecClip, &matClipToWorld);
    }

    const D3DXVECTOR3* c = m_frustum.m_vecCorners;
    D3DXPlaneFromPoints(&m_frustum.m_planes[0], &c[0], &c[1], &c[2]);  // near
    D3DXPlaneFromPoints(&m_frustum.m_planes[1], &c[6], &c[7], &c[5]);  // far
    D3DXPlaneFromPoints(&m_frustum.m_planes[2], &c[2], &c[6], &c[4]);  // left
    D3DXPlaneFromPoints(&m_frustum.m_planes[3], &c[7], &c[3], &c[5]);  // right
    D3DXPlaneFromPoints(&m_frustum.m_planes[4], &c[2], &c[3], &c[6]);  // top
    D3DXPlaneFromPoints(&m_frustum.m_planes[5], &c[1], &c[0], &c[4]);  // bottom
    return S_OK;
}
