#include "bird/BirdFlight.h"

#include "framework/FrameStep.h"

BirdFlight::BirdFlight()
    : m_fPathPos(0.0f),
      m_fSpeed(0.25f),
      m_fBobOffset(0.0f),
      m_fBobVelocity(0.1f),
      m_vecPathPoint(0.0f, 0.0f, 0.0f),
      m_vecAheadPoint(0.0f, 0.0f, 0.0f),
      m_fTrailTimer(0.0f) {}

HRESULT BirdFlight::Update(const FergusonPath* pPath, ParticleTrailPC* pTrail) {
    const float dt = g_frameStep;
    m_fPathPos += dt * m_fSpeed;
    // The overshoot is dropped: a lap always restarts exactly at the first point.
    if (m_fPathPos >= float(pPath->PointCount())) {
        m_fPathPos = 0.0f;
    }
    pPath->Evaluate(m_fPathPos, &m_vecPathPoint.x, &m_vecPathPoint.y, &m_vecPathPoint.z, &m_vecAheadPoint.x,
                    &m_vecAheadPoint.y, &m_vecAheadPoint.z);

    m_fBobOffset += dt * m_fBobVelocity;
    if (m_fBobOffset > 5.0f) {
        m_fBobVelocity -= 0.1f * dt;
    }
    if (m_fBobOffset < -5.0f) {
        m_fBobVelocity += 0.1f * dt;
    }

    SetPosition(m_vecPathPoint.x, m_vecPathPoint.y, m_vecPathPoint.z);
    FaceToward(m_vecAheadPoint.x, m_vecAheadPoint.y, m_vecAheadPoint.z);
    Translate(0.0f, m_fBobOffset, 0.0f, 1);

    m_fTrailTimer += 20.0f * dt;
    if (m_fTrailTimer >= 1.0f) {
        D3DXVECTOR3 vecPos(m_matWorld._41, m_matWorld._42, m_matWorld._43);
        D3DXVECTOR3 vecPrev(m_matPrevWorld._41, m_matPrevWorld._42, m_matPrevWorld._43);
        if (pTrail != nullptr) {
            pTrail->Add(vecPos.x, vecPos.y, vecPos.z, vecPos.x - vecPrev.x, vecPos.y - vecPrev.y, vecPos.z - vecPrev.z);
        }
        m_fTrailTimer = 0.0f;
    }
    return S_OK;
}

D3DXMATRIX* BirdFlight::GetPathMatrix(D3DXMATRIX* pOut) const {
    D3DXVECTOR3 vecRight;
    D3DXVECTOR3 vecUp;
    D3DXVECTOR3 vecForward;
    PlacedObject::FacingAxes(m_vecAheadPoint - m_vecPathPoint, &vecRight, &vecUp, &vecForward);
    *pOut = D3DXMATRIX(vecRight.x, vecRight.y, vecRight.z, 0.0f, vecUp.x, vecUp.y, vecUp.z, 0.0f, vecForward.x,
                       vecForward.y, vecForward.z, 0.0f, m_vecPathPoint.x, m_vecPathPoint.y, m_vecPathPoint.z, 1.0f);
    return pOut;
}
