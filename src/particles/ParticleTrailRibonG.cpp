#include "particles/ParticleTrailRibonG.h"

#include <cmath>

#include "framework/FrameStep.h"
#include "framework/MediaPath.h"
#include "particles/HueToRgb.h"

namespace {
constexpr ParticleBatch::TextureNote kTexture = {"ParticleTrailRibonG", 103, 109, "RibonTex01.dds", "particletrailm"};
constexpr DWORD kVerticesPerSegment = 6;
constexpr float kHalfHeight = 0.3f;  // the strip is 0.6 units tall
constexpr float kAgeRate = 400.0f;   // life gained per second: about 1.275 s from birth to death
constexpr float kAlphaCap = 128.0f;  // never more than half opaque
// Corners c0 = head + up, c1 = head - up, c2 = tail + up, c3 = tail - up, as
// the triangles c0 c1 c2 and c3 c2 c1.
constexpr int kCornerOrder[kVerticesPerSegment] = {0, 1, 2, 3, 2, 1};

// As the camera-facing effects, and culling off: a strip is seen from both sides.
constexpr ParticleBatch::StateValue kSetStates[] = {
    {D3DRS_FOGENABLE, FALSE},
    {D3DRS_LIGHTING, FALSE},
    {D3DRS_ZWRITEENABLE, FALSE},
    {D3DRS_ALPHABLENDENABLE, TRUE},
    {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    {D3DRS_CULLMODE, D3DCULL_NONE},
};
constexpr ParticleBatch::StateValue kRestoreStates[] = {
    {D3DRS_ZWRITEENABLE, TRUE}, {D3DRS_ALPHABLENDENABLE, FALSE}, {D3DRS_LIGHTING, TRUE},
    {D3DRS_FOGENABLE, TRUE},    {D3DRS_CULLMODE, D3DCULL_CCW},
};
constexpr ParticleBatch::DrawStates kStates = {kSetStates, kRestoreStates};
}  // namespace

ParticleTrailRibonG::ParticleTrailRibonG() : m_list(kCapacity), m_vTemplate{} {
    CaptureDirectory(m_szDir);
    D3DXMatrixIdentity(&m_matWorld);
}

ParticleTrailRibonG::~ParticleTrailRibonG() {
    Invalidate();
    Clear();
}

HRESULT ParticleTrailRibonG::Load(IDirect3DDevice8* pDevice) {
    const D3DCOLOR color = 0xFFFFFFFF;
    m_vTemplate[0] = {0.0f, 0.0f, 0.0f, color, 1.0f, 0.0f};
    m_vTemplate[1] = {0.0f, 0.0f, 0.0f, color, 1.0f, 1.0f};
    m_vTemplate[2] = {0.0f, 0.0f, 0.0f, color, 0.0f, 0.0f};
    m_vTemplate[3] = {0.0f, 0.0f, 0.0f, color, 0.0f, 1.0f};
    return m_batch.Load(pDevice, m_szDir, kTexture, m_list.Capacity() * kVerticesPerSegment);
}

HRESULT ParticleTrailRibonG::Add(float hx, float hy, float hz, float tx, float ty, float tz, float vx, float vy,
                                 float vz) {
    if (m_list.Full()) {
        return S_OK;
    }
    RibbonSegment* pSegment = m_list.Add();
    if (pSegment == nullptr) {
        return E_OUTOFMEMORY;
    }
    pSegment->m_vecHead = D3DXVECTOR3(hx, hy, hz);
    pSegment->m_vecTail = D3DXVECTOR3(tx, ty, tz);
    pSegment->m_vecVelocity = D3DXVECTOR3(vx, vy, vz);
    pSegment->m_dwColor = 0;
    pSegment->m_nHue = 0;
    pSegment->m_fLife = -255.0f;
    return S_OK;
}

HRESULT ParticleTrailRibonG::Update() {
    const float dt = g_frameStep;
    // Whole degrees only: frames shorter than 1/360 s leave the hue alone.
    const int nHueStep = int(360.0f * dt);
    m_list.Update([dt, nHueStep](RibbonSegment& segment) {
        const D3DXVECTOR3 vecDrift = segment.m_vecVelocity * dt;
        segment.m_vecHead += vecDrift;
        segment.m_vecTail += vecDrift;
        segment.m_nHue += nHueStep;
        if (segment.m_nHue >= 360) {
            segment.m_nHue = 0;
        }
        segment.m_dwColor = HueToRgb(segment.m_nHue, 128, 255);
        segment.m_fLife += kAgeRate * dt;
        return segment.m_fLife >= 255.0f;
    });
    return S_OK;
}

HRESULT ParticleTrailRibonG::Render(IDirect3DDevice8* pDevice) {
    // Not loaded (or lost its buffer): nothing to draw into.
    if (m_list.Live() == nullptr || !m_batch.Loaded()) {
        return S_OK;
    }
    BubbleVertex* pVertex = nullptr;
    HRESULT hr = m_batch.Begin(pDevice, kStates, &pVertex);
    if (FAILED(hr)) {
        return hr;
    }
    const D3DXVECTOR3 vecUp(0.0f, kHalfHeight, 0.0f);
    for (const RibbonSegment* pSegment = m_list.Live(); pSegment != nullptr; pSegment = pSegment->m_pNext) {
        const D3DXVECTOR3 vecCorner[4] = {pSegment->m_vecHead + vecUp, pSegment->m_vecHead - vecUp,
                                          pSegment->m_vecTail + vecUp, pSegment->m_vecTail - vecUp};
        float fAlpha = 255.0f - std::fabs(pSegment->m_fLife);
        if (fAlpha > kAlphaCap) {
            fAlpha = kAlphaCap;
        }
        const D3DCOLOR color = (DWORD(int(fAlpha)) << 24) | pSegment->m_dwColor;
        for (int corner : kCornerOrder) {
            const BubbleVertex& shape = m_vTemplate[corner];
            *pVertex++ = {vecCorner[corner].x + shape.x,
                          vecCorner[corner].y + shape.y,
                          vecCorner[corner].z + shape.z,
                          color,
                          shape.u,
                          shape.v};
        }
    }
    m_batch.End(pDevice, kStates, m_matWorld, 2 * m_list.LiveCount());
    return S_OK;
}

HRESULT ParticleTrailRibonG::Invalidate() {
    return m_batch.Invalidate();
}

HRESULT ParticleTrailRibonG::Clear() {
    m_list.Clear();
    return S_OK;
}
