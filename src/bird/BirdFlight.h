// The bird's flight: a placed object carried along the path at a steady
// number of segments per second, facing where it goes, bobbing slowly up
// and down, and dropping sparks behind it.
#pragma once

#include "particles/ParticleTrailPC.h"
#include "scene/FergusonPath.h"
#include "scene/PlacedObject.h"

class BirdFlight : public PlacedObject {
public:
    BirdFlight();

    HRESULT Update(const FergusonPath* pPath, ParticleTrailPC* pTrail);
    // The path's own frame at the bird's parameter, without the bob.
    D3DXMATRIX* GetPathMatrix(D3DXMATRIX* pOut) const;

    float PathParameter() const { return m_fPathPos; }
    void SetPathParameter(float s) { m_fPathPos = s; }
    float BobOffset() const { return m_fBobOffset; }
    float BobVelocity() const { return m_fBobVelocity; }
    const D3DXVECTOR3& PathPoint() const { return m_vecPathPoint; }
    const D3DXVECTOR3& AheadPoint() const { return m_vecAheadPoint; }

private:
    float m_fPathPos;
    float m_fSpeed;
    float m_fBobOffset;
    float m_fBobVelocity;
    D3DXVECTOR3 m_vecPathPoint;
    D3DXVECTOR3 m_vecAheadPoint;
    float m_fTrailTimer;
};
