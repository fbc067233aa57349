#include "scene/PlacedObject.h"

PlacedObject::PlacedObject() : m_vecPrevPos(0.0f, 0.0f, 0.0f), m_pModel(nullptr) {
    D3DXMatrixIdentity(&m_matWorld);
    D3DXMatrixIdentity(&m_matSaved);
    D3DXMatrixIdentity(&m_matWork);
    D3DXMatrixIdentity(&m_matPrevWorld);
}

HRESULT PlacedObject::SetModel(Model* pModel) {
    m_pModel = pModel;
    return S_OK;
}

HRESULT PlacedObject::SetPosition(float x, float y, float z) {
    m_matWorld._41 = x;
    m_matWorld._42 = y;
    m_matWorld._43 = z;
    return S_OK;
}

HRESULT PlacedObject::Translate(float x, float y, float z, int post) {
    m_matSaved = m_matWorld;
    D3DXMatrixTranslation(&m_matWork, x, y, z);
    if (post != 0) {
        D3DXMatrixMultiply(&m_matWorld, &m_matSaved, &m_matWork);
    } else {
        D3DXMatrixMultiply(&m_matWorld, &m_matWork, &m_matSaved);
    }
    return S_OK;
}

HRESULT PlacedObject::RotateZ(float angle, int post) {
    m_matSaved = m_matWorld;
    D3DXMatrixRotationZ(&m_matWork, angle);
    if (post != 0) {
        D3DXMatrixMultiply(&m_matWorld, &m_matSaved, &m_matWork);
    } else {
        D3DXMatrixMultiply(&m_matWorld, &m_matWork, &m_matSaved);
    }
    return S_OK;
}

void PlacedObject::FacingAxes(const D3DXVECTOR3& toward, D3DXVECTOR3* pRight, D3DXVECTOR3* pUp, D3DXVECTOR3* pForward) {
    D3DXVec3Normalize(pForward, &toward);
    const D3DXVECTOR3 vecUpHint(0.0f, 1.0f, 0.0f);
    D3DXVECTOR3 vecCross;
    D3DXVec3Normalize(pRight, D3DXVec3Cross(&vecCross, &vecUpHint, pForward));
    D3DXVec3Normalize(pUp, D3DXVec3Cross(&vecCross, pForward, pRight));
}

HRESULT PlacedObject::FaceToward(float x, float y, float z) {
    const D3DXVECTOR3 vecToward(x - m_matWorld._41, y - m_matWorld._42, z - m_matWorld._43);
    D3DXVECTOR3 vecRight;
    D3DXVECTOR3 vecUp;
    D3DXVECTOR3 vecForward;
    FacingAxes(vecToward, &vecRight, &vecUp, &vecForward);

    m_matWorld._11 = vecRight.x;
    m_matWorld._12 = vecRight.y;
    m_matWorld._13 = vecRight.z;
    m_matWorld._21 = vecUp.x;
    m_matWorld._22 = vecUp.y;
    m_matWorld._23 = vecUp.z;
    m_matWorld._31 = vecForward.x;
    m_matWorld._32 = vecForward.y;
    m_matWorld._33 = vecForward.z;
    m_matWorld._44 = 1.0f;
    return S_OK;
}

HRESULT PlacedObject::ApplyWorld(int display) {
    if (m_pModel == nullptr) {
        return E_FAIL;
    }
    return m_pModel->UpdateBounds(m_matWorld, display);
}

HRESULT PlacedObject::Render(IDirect3DDevice8* pDevice, D3DXMATRIX matCamera, const FrustumInfo* pFrustum, int lod,
                             DrawQueue* pQueue) {
    if (m_pModel == nullptr) {
        return E_FAIL;
    }
    HRESULT hr = ApplyWorld(1);
    HRESULT hrSubmit = m_pModel->Submit(pDevice, m_matWorld, matCamera, pFrustum, lod, pQueue);
    if (FAILED(hr)) {
        return hr;
    }
    return FAILED(hrSubmit) ? hrSubmit : S_OK;
}

HRESULT PlacedObject::IsVisible(IDirect3DDevice8*, const FrustumInfo* pFrustum) {
    if (m_pModel == nullptr) {
        return E_FAIL;
    }
    ApplyWorld(1);
    return m_pModel->AnyVisible(pFrustum) ? 1 : 0;
}

void PlacedObject::StorePrevious() {
    m_matPrevWorld = m_matWorld;
    m_vecPrevPos = D3DXVECTOR3(m_matWorld._41, m_matWorld._42, m_matWorld._43);
}
