// The closed flight path: Ferguson (cubic Hermite) segments through the
// points of "Clock.fpp", with a camera angle and distance per point that the
// same rule interpolates. The parameter counts segments in [0, N).
#pragma once

#include "framework/ErrorReport.h"
#include "gfxutil/D3DXMath.h"
#include "platform/kernel/WinTypes.h"

class FergusonPath {
public:
    FergusonPath();
    ~FergusonPath();
    FergusonPath(const FergusonPath&) = delete;
    FergusonPath& operator=(const FergusonPath&) = delete;

    HRESULT Load(const char* fileName);
    HRESULT BuildCoefficients();
    // Outside [0, N) (or with no path loaded) the outputs keep their values.
    HRESULT Evaluate(float s, float* px, float* py, float* pz, float* ax, float* ay, float* az) const;
    HRESULT EvaluateCamera(float s, float* pAngle, float* pDistance) const;
    HRESULT Release();

    int PointCount() const { return m_nPointNum; }
    const D3DXVECTOR3* Points() const { return m_pvecPoints; }
    const D3DXVECTOR3* PosA() const { return m_pvecPosA; }
    const D3DXVECTOR3* PosB() const { return m_pvecPosB; }
    const D3DXVECTOR3* PosC() const { return m_pvecPosC; }
    const D3DXVECTOR3* PosD() const { return m_pvecPosD; }

private:
    HRESULT Fail(const TraceSite& site);
    bool Usable(float s) const;

    char m_szDir[MAX_PATH];
    int m_nPointNum;
    D3DXVECTOR3* m_pvecPosA;
    D3DXVECTOR3* m_pvecPosB;
    D3DXVECTOR3* m_pvecPosC;
    D3DXVECTOR3* m_pvecPosD;
    D3DXVECTOR3* m_pvecAheadA;
    D3DXVECTOR3* m_pvecAheadB;
    D3DXVECTOR3* m_pvecAheadC;
    D3DXVECTOR3* m_pvecAheadD;
    float* m_pfAngA;
    float* m_pfAngB;
    float* m_pfAngC;
    float* m_pfAngD;
    float* m_pfDistA;
    float* m_pfDistB;
    float* m_pfDistC;
    float* m_pfDistD;
    D3DXVECTOR3* m_pvecPoints;
    D3DXVECTOR3* m_pvecShifted;
    float* m_pfCamAngle;
    float* m_pfCamDist;
};
