// One textured, screen-aligned square of the overlay: a button, a panel or a
// cell of an image sheet. Positions are percent of the scene viewport, sizes
// are units of 14 pixels at 640 x 480 scaled with the viewport, so the layout
// follows the viewport between the full and the framed view.
#pragma once

#include "overlay/OverlayVertex.h"
#include "platform/kernel/WinTypes.h"

class Sprite {
public:
    Sprite();
    ~Sprite();
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    // The texture from "Texture/" and a buffer of two triangles. A second
    // load replaces what the first made.
    HRESULT Load(IDirect3DDevice8* pDevice, const char* pszTextureName);
    void SetViewport(const D3DVIEWPORT8& viewport);
    // 1 when the client point lies strictly inside the square at (x, y)
    // percent of `size` units; a point on the edge is outside. z is unused.
    int HitTest(float x, float y, float size, float pointX, float pointY, float pointZ) const;
    // Draws cell `cell` of a columns x rows sheet (the first cell when there
    // is no such cell), tinted and faded by `color`. Nothing without a load.
    HRESULT Draw(IDirect3DDevice8* pDevice, float x, float y, float size, int cell, int columns, int rows,
                 D3DCOLOR color);
    HRESULT ReleaseDeviceObjects();

    IDirect3DTexture8* Texture() const { return m_pTexture; }
    IDirect3DVertexBuffer8* VertexBuffer() const { return m_pVB; }

protected:
    HRESULT LoadResources(IDirect3DDevice8* pDevice, const char* pszTextureName, const OverlayTrace& trace,
                          UINT vertexCount);
    // The four corners of the square of `size` units centred on screen
    // (px, py), in template order: top left, top right, bottom left, bottom
    // right; rhw 1, white, texture coordinates of the whole image.
    void Place(float px, float py, float size, OverlayVertex (&corners)[4]) const;
    float ScreenX(float x) const { return x * m_fPercentX + m_fOriginX; }
    float ScreenY(float y) const { return y * m_fPercentY + m_fOriginY; }
    float ScaleX() const { return m_fScaleX; }
    // Writes first, second, third, fourth, third, second: two clockwise triangles.
    static void WriteTriangles(const OverlayVertex (&corners)[4], OverlayVertex* pOut);

    IDirect3DVertexBuffer8* m_pVB;
    IDirect3DTexture8* m_pTexture;

private:
    char m_szDir[MAX_PATH];
    float m_fOriginX;
    float m_fOriginY;
    float m_fPercentX;
    float m_fPercentY;
    float m_fScaleX;
    float m_fScaleY;
};
