// The far distance and the fog colour of the scene: rebuilds the fog states
// and the projection when the colour changes or the device is restored.
#pragma once

#include "app/KeyState.h"
#include "platform/d3d/D3D8.h"
#include "scene/Camera.h"

class DepthFog {
public:
    DepthFog() = default;

    HRESULT SetColor(D3DCOLOR color);
    // The keys reach the fog every frame; none of them changes it.
    HRESULT Keyboard(const KeyState&) { return S_OK; }
    // Does nothing unless the colour changed since the last apply or force is 1.
    HRESULT Apply(IDirect3DDevice8* pDevice, Camera* pCamera, DWORD viewportWidth, DWORD viewportHeight, int force);

    float FarDistance() const { return m_fFar; }
    D3DCOLOR FogColor() const { return m_dwFogColor; }
    int Dirty() const { return m_nDirty; }

private:
    float m_fFar = 500.0f;
    D3DCOLOR m_dwFogColor = 0xFFFFFFFF;
    int m_nDirty = 0;
};
