#include "particles/ParticleBubble.h"

#include <cmath>

#include "framework/FrameStep.h"
#include "framework/MediaPath.h"
#include "platform/kernel/Kernel.h"

namespace {
constexpr ParticleBatch::TextureNote kTexture = {"ParticleBubble", 88, 94, "ParticleBubble01.dds", "particlebubble"};
constexpr float kRandMax = 32767.0f;
constexpr float kEmitRate = 35.0f;    // bubbles per second at most, one per frame at most
constexpr float kWindPeriod = 8.0f;   // seconds between wind changes
constexpr float kRise = 1.0f;         // upward acceleration, units per second squared
constexpr float kDriftSwing = 25.0f;  // drift speed along the wind at the top of its swing
constexpr float kFadeRate = 25.0f;    // life lost per second
}  // namespace

ParticleBubble::ParticleBubble()
    : m_list(kCapacity), m_vTemplate{}, m_vecWind(0.0f, 0.0f, 0.0f), m_fWindTimer(0.0f), m_fEmitTimer(0.0f) {
    CaptureDirectory(m_szDir);
    D3DXMatrixIdentity(&m_matWorld);
}

ParticleBubble::~ParticleBubble() {
    Invalidate();
}

HRESULT ParticleBubble::Load(IDirect3DDevice8* pDevice) {
    const D3DCOLOR color = 0xFFFFFFFF;
    m_vTemplate[0] = {-4.0f, -4.0f, 0.0f, color, 0.0f, 1.0f};
    m_vTemplate[1] = {2.0f, 4.0f, 0.0f, color, 0.5f, 0.0f};
    m_vTemplate[2] = {4.0f, -4.0f, 0.0f, color, 1.0f, 1.0f};
    return m_batch.Load(pDevice, m_szDir, kTexture, m_list.Capacity() * 3);
}

HRESULT ParticleBubble::Emit(float x, float y, float z) {
    m_fEmitTimer += kEmitRate * g_frameStep;
    if (m_fEmitTimer < 1.0f) {
        return S_OK;
    }
    // Reset even when full, so a freed slot is not filled by a burst.
    m_fEmitTimer = 0.0f;
    if (m_list.Full()) {
        return S_OK;
    }
    Bubble* pBubble = m_list.Add();
    if (pBubble == nullptr) {
        return E_OUTOFMEMORY;
    }
    // Spread over the whole scene, starting below it.
    float fx = x + float(crt::rand() % 1500 - 750);
    float fz = z + float(crt::rand() % 1500 - 750);
    float fy = y + float(crt::rand() % 50 - 125);
    pBubble->m_vecPosition = D3DXVECTOR3(fx, fy, fz);
    pBubble->m_vecVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    pBubble->m_fLife = 255.0f;
    pBubble->m_dwColor = 0x00FFFFFF;
    return S_OK;
}

HRESULT ParticleBubble::Update() {
    const float dt = g_frameStep;
    m_fWindTimer += dt;
    if (m_fWindTimer >= kWindPeriod) {
        float a = float(crt::rand()) / kRandMax;
        float b = float(crt::rand()) / kRandMax;
        float c = float(crt::rand()) / kRandMax;
        m_vecWind = D3DXVECTOR3(c, b, a);
        m_fWindTimer = 0.0f;
    }
    const D3DXVECTOR3 vecDrift = m_vecWind * (static_cast<float>(std::sin(g_appTime)) * kDriftSwing);
    m_list.Update([dt, &vecDrift](Bubble& bubble) {
        bubble.m_vecVelocity.y += kRise * dt;
        bubble.m_vecPosition += bubble.m_vecVelocity * dt;
        bubble.m_vecPosition += vecDrift * dt;
        bubble.m_fLife -= kFadeRate * dt;
        return bubble.m_fLife < -255.0f;
    });
    return S_OK;
}

HRESULT ParticleBubble::Render(IDirect3DDevice8* pDevice, D3DXMATRIX matBillboard) {
    return m_batch.DrawFacing(pDevice, m_list.Live(), m_list.LiveCount(), m_vTemplate, matBillboard, m_matWorld);
}

HRESULT ParticleBubble::Invalidate() {
    return m_batch.Invalidate();
}
