// The device side every particle effect shares: its texture and the one
// write-only buffer that all its particles are written into each frame and
// drawn from with one call. What differs between the effects (render states,
// shapes, colours) is passed in by each of them.
#pragma once

#include <span>

#include "gfxutil/D3DXMath.h"
#include "particles/BubbleVertex.h"
#include "platform/d3d/D3D8.h"

class ParticleBatch {
public:
    // How a load names itself in the trace.
    struct TextureNote {
        const char* m_szModule;  // trace source
        long m_lLoadingLine;     // line of the progress note
        long m_lFailedLine;      // line of the failure report
        const char* m_szFile;    // texture file in the texture folder
        const char* m_szWhat;    // "loading texture for <what>...<path>"
    };

    struct StateValue {
        D3DRENDERSTATETYPE m_state;
        DWORD m_dwValue;
    };
    // The states set around the draw, and those put back after it.
    struct DrawStates {
        std::span<const StateValue> m_set;
        std::span<const StateValue> m_restore;
    };

    // Blended over the scene, unlit, unfogged, without depth writes; after
    // the draw lighting, fog and depth writes are on and blending is off.
    static const DrawStates kBlendStates;

    ParticleBatch();
    ~ParticleBatch();
    ParticleBatch(const ParticleBatch&) = delete;
    ParticleBatch& operator=(const ParticleBatch&) = delete;

    // Loads the texture from dir + "/Texture/" + file and creates a managed
    // write-only buffer of dwVertexCount vertices. A missing texture is
    // reported with a box and gives E_FAIL; a failed buffer gives E_FAIL quietly.
    HRESULT Load(IDirect3DDevice8* pDevice, const char* szDir, const TextureNote& note, DWORD dwVertexCount);
    bool Loaded() const { return m_pVB != nullptr; }

    // Sets the draw states and locks the whole buffer. On a failed lock the
    // states are put back and the lock's result returned.
    HRESULT Begin(IDirect3DDevice8* pDevice, const DrawStates& states, BubbleVertex** ppVertices);
    // Unlocks, draws dwPrimitives triangles from the buffer with the texture
    // and the world matrix, and puts the states back.
    void End(IDirect3DDevice8* pDevice, const DrawStates& states, const D3DXMATRIX& matWorld, DWORD dwPrimitives);

    // Releases the texture, then the buffer.
    HRESULT Invalidate();

    IDirect3DTexture8* Texture() const { return m_pTexture; }
    IDirect3DVertexBuffer8* VertexBuffer() const { return m_pVB; }

    // One triangle of `corners` turned by the rotation part of matBillboard
    // (its translation is not used) and moved to vecPosition; returns the
    // next free vertex.
    static BubbleVertex* WriteFacing(BubbleVertex* pOut, const BubbleVertex (&corners)[3],
                                     const D3DXMATRIX& matBillboard, const D3DXVECTOR3& vecPosition, D3DCOLOR color);
    // 255 - trunc(|life|) in the alpha byte: 0 at either end of a life that
    // runs through +-255, 255 at its middle.
    static D3DCOLOR FadeAlpha(float fLife);

    // Bubbles and sparks alike: one camera-facing triangle per live record,
    // faded by its life, in one blended draw. Nothing when not loaded.
    template <typename Record>
    HRESULT DrawFacing(IDirect3DDevice8* pDevice, const Record* pLive, DWORD dwLiveNum,
                       const BubbleVertex (&corners)[3], const D3DXMATRIX& matBillboard, const D3DXMATRIX& matWorld) {
        if (pLive == nullptr || !Loaded()) {
            return S_OK;
        }
        BubbleVertex* pVertex = nullptr;
        HRESULT hr = Begin(pDevice, kBlendStates, &pVertex);
        if (FAILED(hr)) {
            return hr;
        }
        for (const Record* pRecord = pLive; pRecord != nullptr; pRecord = pRecord->m_pNext) {
            pVertex = WriteFacing(pVertex, corners, matBillboard, pRecord->m_vecPosition,
                                  FadeAlpha(pRecord->m_fLife) | pRecord->m_dwColor);
        }
        End(pDevice, kBlendStates, matWorld, dwLiveNum);
        return S_OK;
    }

private:
    IDirect3DVertexBuffer8* m_pVB;
    IDirect3DTexture8* m_pTexture;
};
