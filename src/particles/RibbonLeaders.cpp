#include "particles/RibbonLeaders.h"

#include <cmath>

#include "framework/FrameStep.h"
#include "particles/ParticleTrailRibonG.h"
#include "platform/kernel/Kernel.h"
#include "scene/FergusonPath.h"

namespace {
constexpr float kRandMax = 32767.0f;
constexpr float kOffsetReach = 30.0f;  // largest offset from the path along each axis
constexpr float kDriftShare = 0.02f;   // segments drift outward along the leader's offset

float RandomAngle() {
    return float(crt::rand()) / kRandMax * D3DX_PI * 2.0f;
}

// A path with points and its coefficients; a released one keeps its count.
bool PathUsable(const FergusonPath* pPath) {
    return pPath != nullptr && pPath->PointCount() > 0 && pPath->PosA() != nullptr;
}
}  // namespace

RibbonLeaders::RibbonLeaders() : m_list(kCapacity) {}

RibbonLeaders::~RibbonLeaders() {
    Clear();
}

HRESULT RibbonLeaders::Load(const FergusonPath* pPath) {
    m_list.Clear();
    const int nPoints = pPath != nullptr ? pPath->PointCount() : 0;
    for (DWORD i = 0; i < kLeaderCount && !m_list.Full(); ++i) {
        const float a1 = RandomAngle();
        const float a2 = RandomAngle();
        const float a3 = RandomAngle();
        RibbonLeader* pLeader = m_list.Add();
        if (pLeader == nullptr) {
            return E_OUTOFMEMORY;
        }
        pLeader->m_vecPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        pLeader->m_vecPrevious = pLeader->m_vecPosition;
        pLeader->m_vecAhead = pLeader->m_vecPosition;
        // A random control point; the draw is made even without a path (which
        // has no point to choose) so that the sequence stays the same.
        const int nDraw = crt::rand();
        pLeader->m_fS = nPoints > 0 ? float(nDraw % nPoints) : 0.0f;
        // The speed is tied to the offset's x: 0.27 to 1.33 segments per second.
        pLeader->m_fSpeed = std::cos(a1) * 0.53333336f + 0.8f;
        pLeader->m_vecOffset =
            D3DXVECTOR3(std::cos(a1) * kOffsetReach, std::sin(a2) * kOffsetReach, std::cos(a3) * kOffsetReach);
    }
    return S_OK;
}

HRESULT RibbonLeaders::Update(const FergusonPath* pPath, ParticleTrailRibonG* pRibbon) {
    // Without a path there is nowhere to go: the leaders wait.
    if (!PathUsable(pPath)) {
        return S_OK;
    }
    const float fPoints = float(pPath->PointCount());
    const float dt = g_frameStep;
    for (RibbonLeader* pLeader = m_list.Live(); pLeader != nullptr; pLeader = pLeader->m_pNext) {
        pLeader->m_vecPrevious = pLeader->m_vecPosition;
        pLeader->m_fS += dt * pLeader->m_fSpeed;
        if (pLeader->m_fS >= fPoints) {
            pLeader->m_fS = 0.0f;
        }
        D3DXVECTOR3& pos = pLeader->m_vecPosition;
        D3DXVECTOR3& ahead = pLeader->m_vecAhead;
        pPath->Evaluate(pLeader->m_fS, &pos.x, &pos.y, &pos.z, &ahead.x, &ahead.y, &ahead.z);
        pos += pLeader->m_vecOffset;
        if (pRibbon != nullptr) {
            const D3DXVECTOR3 vecDrift = pLeader->m_vecOffset * kDriftShare;
            pRibbon->Add(pos.x, pos.y, pos.z, pLeader->m_vecPrevious.x, pLeader->m_vecPrevious.y,
                         pLeader->m_vecPrevious.z, vecDrift.x, vecDrift.y, vecDrift.z);
        }
    }
    return S_OK;
}

HRESULT RibbonLeaders::Clear() {
    m_list.Clear();
    return S_OK;
}
