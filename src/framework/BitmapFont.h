// ASCII text on the drawing device: the glyphs of a system font rendered once
// into an alpha texture, then drawn as screen-space quads in batches.
#pragma once

#include "platform/d3d/D3D8.h"

constexpr DWORD FONT_BOLD = 0x0001;
constexpr DWORD FONT_ITALIC = 0x0002;
constexpr DWORD FONT_DEPTH_TEST = 0x0004;

constexpr DWORD DRAW_FILTERED = 0x0004;

class BitmapFont {
public:
    BitmapFont(const char* fontName, DWORD height, DWORD flags = 0);
    ~BitmapFont();
    BitmapFont(const BitmapFont&) = delete;
    BitmapFont& operator=(const BitmapFont&) = delete;

    // Builds the glyph sheet.
    HRESULT OnDeviceCreated(IDirect3DDevice8* device);
    // Creates the vertex buffer and the two state blocks.
    HRESULT OnDeviceRestored();
    HRESULT OnDeviceLost();
    HRESULT OnDeviceDestroyed();

    HRESULT DrawString(float x, float y, D3DCOLOR color, const char* text, DWORD drawFlags = 0);

    DWORD TextureWidth() const { return m_dwTexWidth; }
    DWORD TextureHeight() const { return m_dwTexHeight; }
    float TextScale() const { return m_fTextScale; }
    // Texture rectangle (left u, top v, right u, bottom v) of character c, 32 to 127.
    const float* GlyphRect(unsigned char c) const { return m_fTexCoords[c - 32]; }
    IDirect3DTexture8* Texture() const { return m_pTexture; }

private:
    // Renders the glyphs with the system font and fills the sheet; E_FAIL when the font cannot be had.
    HRESULT PaintGlyphs();
    void RecordStateBlock(DWORD* token);

    char m_szFontName[80];
    DWORD m_dwFontHeight;
    DWORD m_dwFontFlags;
    IDirect3DDevice8* m_pd3dDevice;
    IDirect3DTexture8* m_pTexture;
    IDirect3DVertexBuffer8* m_pVB;
    DWORD m_dwTexWidth;
    DWORD m_dwTexHeight;
    float m_fTextScale;
    float m_fTexCoords[128 - 32][4];
    DWORD m_dwSavedStateBlock;
    DWORD m_dwDrawTextStateBlock;
};
