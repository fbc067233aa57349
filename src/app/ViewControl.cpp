#include "app/ViewControl.h"

#include "framework/FrameStep.h"

HRESULT FollowStep(IDirect3DDevice8* pDevice, Camera* pCamera, const FergusonPath* pPath, const BirdFlight* pBird) {
    float angle = 6.2831855f;
    float distance = 75.0f;
    pPath->EvaluateCamera(pBird->PathParameter(), &angle, &distance);

    D3DXMATRIX matTurn;
    D3DXMatrixRotationY(&matTurn, angle);
    D3DXVECTOR3 vecOut(distance, 0.0f, 0.0f);
    D3DXVECTOR3 vecOffset;
    D3DXVec3TransformCoord(&vecOffset, &vecOut, &matTurn);

    D3DXMATRIX matPath;
    pBird->GetPathMatrix(&matPath);
    const D3DXMATRIX& matBird = pBird->World();

    // Close shots follow the bob; distant ones the smooth path frame.
    float t = distance / 150.0f;
    if (t < 0.1f) {
        t = 0.1f;
    }
    if (t > 1.0f) {
        t = 1.0f;
    }
    D3DXMATRIX matBlend;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            matBlend.m[r][c] = t * matPath.m[r][c] + (1.0f - t) * matBird.m[r][c];
        }
    }

    pCamera->SetCameraMatrix(&matBlend.m[0][0]);
    pCamera->MoveLocal(vecOffset.x, vecOffset.y + 20.0f, vecOffset.z, 0);
    pCamera->YawLocal(angle - 1.5707964f, 0);
    return pCamera->ApplyView(pDevice);
}

HRESULT KeyboardStep(IDirect3DDevice8* pDevice, Camera* pCamera, const KeyState& keys) {
    const float s = g_frameStep;
    if (keys.m_bRight) {
        pCamera->YawLocal(1.0f * s, 0);
    }
    if (keys.m_bLeft) {
        pCamera->YawLocal(-1.0f * s, 0);
    }
    if (keys.m_bPageUp) {
        pCamera->PitchLocal(1.0f * s, 0);
    }
    if (keys.m_bPageDown) {
        pCamera->PitchLocal(-1.0f * s, 0);
    }
    if (keys.m_bUp) {
        pCamera->MoveLocal(0.0f, 0.0f, 50.0f * s, 0);
    }
    if (keys.m_bDown) {
        pCamera->MoveLocal(0.0f, 0.0f, -50.0f * s, 0);
    }
    return pCamera->ApplyView(pDevice);
}

HRESULT ResetCamera(Camera* pCamera) {
    D3DXMATRIX matIdentity;
    D3DXMatrixIdentity(&matIdentity);
    pCamera->SetCameraMatrix(&matIdentity.m[0][0]);
    pCamera->SetCameraPosition(-57.8f, -5.3f, 30.1f);
    return pCamera->YawLocal(0.4f, 0);
}
