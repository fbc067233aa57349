// The spark trail behind the bird: sparks born at the bird with its step as
// velocity, kicked sideways, falling, flashing in and fading out; each drawn
// as one camera-facing triangle from one buffer refilled per frame.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "particles/BubbleVertex.h"
#include "particles/ParticleBatch.h"
#include "particles/ParticleList.h"
#include "platform/d3d/D3D8.h"

class ParticleTrailPC {
public:
    static constexpr DWORD kCapacity = 600;

    struct Spark {
        D3DXVECTOR3 m_vecPosition;
        D3DXVECTOR3 m_vecVelocity;
        D3DXVECTOR3 m_vecAccel;
        float m_fLife;  // -255 at birth; dead at 255
        DWORD m_dwColor;
        Spark* m_pNext;
    };

    ParticleTrailPC();
    ~ParticleTrailPC();
    ParticleTrailPC(const ParticleTrailPC&) = delete;
    ParticleTrailPC& operator=(const ParticleTrailPC&) = delete;

    HRESULT Load(IDirect3DDevice8* pDevice);
    HRESULT Add(float x, float y, float z, float vx, float vy, float vz);
    HRESULT Update();
    HRESULT Render(IDirect3DDevice8* pDevice, D3DXMATRIX matBillboard);
    HRESULT Invalidate();
    HRESULT Clear();

    DWORD LiveCount() const { return m_list.LiveCount(); }
    const Spark* LiveList() const { return m_list.Live(); }
    IDirect3DTexture8* Texture() const { return m_batch.Texture(); }
    IDirect3DVertexBuffer8* VertexBuffer() const { return m_batch.VertexBuffer(); }

private:
    char m_szDir[MAX_PATH];
    ParticleList<Spark> m_list;
    ParticleBatch m_batch;
    BubbleVertex m_vTemplate[3];
    D3DXMATRIX m_matWorld;
};
