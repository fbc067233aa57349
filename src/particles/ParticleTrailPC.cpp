#include "particles/ParticleTrailPC.h"

#include <cmath>

#include "framework/FrameStep.h"
#include "framework/MediaPath.h"
#include "platform/kernel/Kernel.h"

namespace {
constexpr ParticleBatch::TextureNote kTexture = {"ParticleTrailPC", 52, 58, "ParticleTrailPC01.dds", "particletrailpc"};
constexpr float kRandMax = 32767.0f;
}  // namespace

ParticleTrailPC::ParticleTrailPC() : m_list(kCapacity), m_vTemplate{} {
    CaptureDirectory(m_szDir);
    D3DXMatrixIdentity(&m_matWorld);
}

ParticleTrailPC::~ParticleTrailPC() {
    Invalidate();
    Clear();
}

HRESULT ParticleTrailPC::Load(IDirect3DDevice8* pDevice) {
    const D3DCOLOR color = 0xC8FFFFFF;
    m_vTemplate[0] = {-0.4f, -0.4f, 0.0f, color, 0.0f, 1.0f};
    m_vTemplate[1] = {0.2f, 0.4f, 0.0f, color, 0.5f, 0.0f};
    m_vTemplate[2] = {0.4f, -0.4f, 0.0f, color, 1.0f, 1.0f};
    return m_batch.Load(pDevice, m_szDir, kTexture, m_list.Capacity() * 3);
}

HRESULT ParticleTrailPC::Add(float x, float y, float z, float vx, float vy, float vz) {
    if (m_list.Full()) {
        return S_OK;
    }
    Spark* pSpark = m_list.Add();
    if (pSpark == nullptr) {
        return E_OUTOFMEMORY;
    }
    float a = float(crt::rand()) / kRandMax * D3DX_PI * 2.0f;
    float s = std::sin(a);
    float c = std::cos(a);
    pSpark->m_vecPosition = D3DXVECTOR3(x + s * 3.0f, y + s * 1.5f + 1.5f * c, z + c * 3.0f);
    pSpark->m_vecVelocity = D3DXVECTOR3(vx, vy, vz);
    pSpark->m_vecAccel = D3DXVECTOR3(2.0f * s, 2.0f * s, 2.0f * c);

    DWORD dwRed = DWORD(crt::rand() % 128 + 128);
    DWORD dwGreen = DWORD(crt::rand() % 128 + 128);
    DWORD dwBlue = DWORD(crt::rand() % 128 + 128);
    pSpark->m_dwColor = (dwRed << 16) | (dwGreen << 8) | dwBlue;
    pSpark->m_fLife = -255.0f;
    return S_OK;
}

HRESULT ParticleTrailPC::Update() {
    const float dt = g_frameStep;
    m_list.Update([dt](Spark& spark) {
        spark.m_vecVelocity.y += 0.4f * -6.8f * dt;
        spark.m_vecVelocity += spark.m_vecAccel * dt;
        spark.m_vecPosition += spark.m_vecVelocity * dt;
        // A quick flash in, then a slower fade.
        spark.m_fLife += (spark.m_fLife < -100.0f ? 220.0f : 120.0f) * dt;
        return spark.m_fLife >= 255.0f;
    });
    return S_OK;
}

HRESULT ParticleTrailPC::Render(IDirect3DDevice8* pDevice, D3DXMATRIX matBillboard) {
    return m_batch.DrawFacing(pDevice, m_list.Live(), m_list.LiveCount(), m_vTemplate, matBillboard, m_matWorld);
}

HRESULT ParticleTrailPC::Invalidate() {
    return m_batch.Invalidate();
}

HRESULT ParticleTrailPC::Clear() {
    m_list.Clear();
    return S_OK;
}
