// The ribbon trail: short vertical strips laid from where each leader was to
// where it is, drifting outward, cycling round the colour wheel and fading
// within about 1.3 s. Two triangles per segment from one buffer refilled per
// frame; the strips do not turn toward the camera.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "particles/BubbleVertex.h"
#include "particles/ParticleBatch.h"
#include "particles/ParticleList.h"
#include "platform/d3d/D3D8.h"

class ParticleTrailRibonG {
public:
    static constexpr DWORD kCapacity = 2500;

    struct RibbonSegment {
        D3DXVECTOR3 m_vecHead;  // newer end
        D3DXVECTOR3 m_vecTail;  // older end
        D3DXVECTOR3 m_vecVelocity;
        float m_fLife;  // -255 at birth; dead at 255
        DWORD m_dwColor;
        int m_nHue;  // degrees, 0..359
        RibbonSegment* m_pNext;
    };

    ParticleTrailRibonG();
    ~ParticleTrailRibonG();
    ParticleTrailRibonG(const ParticleTrailRibonG&) = delete;
    ParticleTrailRibonG& operator=(const ParticleTrailRibonG&) = delete;

    HRESULT Load(IDirect3DDevice8* pDevice);
    HRESULT Add(float hx, float hy, float hz, float tx, float ty, float tz, float vx, float vy, float vz);
    HRESULT Update();
    HRESULT Render(IDirect3DDevice8* pDevice);
    HRESULT Invalidate();
    HRESULT Clear();

    DWORD LiveCount() const { return m_list.LiveCount(); }
    const RibbonSegment* LiveList() const { return m_list.Live(); }
    IDirect3DTexture8* Texture() const { return m_batch.Texture(); }
    IDirect3DVertexBuffer8* VertexBuffer() const { return m_batch.VertexBuffer(); }

private:
    char m_szDir[MAX_PATH];
    ParticleList<RibbonSegment> m_list;
    ParticleBatch m_batch;
    BubbleVertex m_vTemplate[4];
    D3DXMATRIX m_matWorld;
};
