// Translucent bubbles that rise through the whole scene from below it, drift
// with a wind that changes every 8 s, fade in and out over about 20 s; each
// drawn as one camera-facing triangle from one buffer refilled per frame.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "particles/BubbleVertex.h"
#include "particles/ParticleBatch.h"
#include "particles/ParticleList.h"
#include "platform/d3d/D3D8.h"

class ParticleBubble {
public:
    static constexpr DWORD kCapacity = 1000;

    struct Bubble {
        D3DXVECTOR3 m_vecPosition;
        D3DXVECTOR3 m_vecVelocity;
        float m_fLife;  // 255 at birth; dead below -255
        DWORD m_dwColor;
        Bubble* m_pNext;
    };

    ParticleBubble();
    ~ParticleBubble();
    ParticleBubble(const ParticleBubble&) = delete;
    ParticleBubble& operator=(const ParticleBubble&) = delete;

    HRESULT Load(IDirect3DDevice8* pDevice);
    HRESULT Emit(float x, float y, float z);
    HRESULT Update();
    HRESULT Render(IDirect3DDevice8* pDevice, D3DXMATRIX matBillboard);
    HRESULT Invalidate();

    DWORD LiveCount() const { return m_list.LiveCount(); }
    const Bubble* LiveList() const { return m_list.Live(); }
    const D3DXVECTOR3& Wind() const { return m_vecWind; }
    float EmitTimer() const { return m_fEmitTimer; }
    IDirect3DTexture8* Texture() const { return m_batch.Texture(); }
    IDirect3DVertexBuffer8* VertexBuffer() const { return m_batch.VertexBuffer(); }

private:
    char m_szDir[MAX_PATH];
    ParticleList<Bubble> m_list;
    ParticleBatch m_batch;
    BubbleVertex m_vTemplate[3];
    D3DXMATRIX m_matWorld;
    D3DXVECTOR3 m_vecWind;
    float m_fWindTimer;
    float m_fEmitTimer;
};
