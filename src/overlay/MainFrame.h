// The decorative border over the outer tenth of the scene viewport in the
// framed view: four bands textured with the outer tenth of "MainFrame01.dds".
#pragma once

#include "overlay/OverlayVertex.h"
#include "platform/kernel/WinTypes.h"

class MainFrame {
public:
    static constexpr int kBandCount = 4;  // top, bottom, left, right

    MainFrame();
    ~MainFrame();
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;

    // A second load replaces what the first made.
    HRESULT Load(IDirect3DDevice8* pDevice, const char* pszTextureName);
    // Rebuilds the bands' corners for this viewport.
    void SetViewport(const D3DVIEWPORT8& viewport);
    // Nothing without a load.
    HRESULT Draw(IDirect3DDevice8* pDevice);
    HRESULT ReleaseDeviceObjects();

    // Corner k (0..3, clockwise from the band's top left) of band b.
    const OverlayVertex& Corner(int band, int k) const { return m_vCorners[band * 4 + k]; }
    IDirect3DTexture8* Texture() const { return m_pTexture; }
    IDirect3DVertexBuffer8* VertexBuffer() const { return m_pVB; }

private:
    char m_szDir[MAX_PATH];
    OverlayVertex m_vCorners[kBandCount * 4];
    IDirect3DVertexBuffer8* m_pVB;
    IDirect3DTexture8* m_pTexture;
};
