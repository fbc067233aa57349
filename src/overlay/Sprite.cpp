#include "overlay/Sprite.h"

#include "framework/MediaPath.h"

namespace {
constexpr OverlayTrace kSpriteTrace = {"Sprite", 72, 76, "sprite"};
constexpr UINT kSpriteVertices = 6;

// The unit square: 14 pixels wide at a 640 x 480 viewport.
constexpr OverlayVertex kTemplate[4] = {
    {-7.0f, -7.0f, 0.0f, 1.0f, 0xFFFFFFFF, 0.0f, 0.0f},
    {7.0f, -7.0f, 0.0f, 1.0f, 0xFFFFFFFF, 1.0f, 0.0f},
    {-7.0f, 7.0f, 0.0f, 1.0f, 0xFFFFFFFF, 0.0f, 1.0f},
    {7.0f, 7.0f, 0.0f, 1.0f, 0xFFFFFFFF, 1.0f, 1.0f},
};
}  // namespace

Sprite::Sprite()
    : m_pVB(nullptr),
      m_pTexture(nullptr),
      m_szDir{},
      m_fOriginX(0.0f),
      m_fOriginY(0.0f),
      m_fPercentX(0.0f),
      m_fPercentY(0.0f),
      m_fScaleX(1.0f),
      m_fScaleY(1.0f) {
    CaptureDirectory(m_szDir);
}

Sprite::~Sprite() {
    ReleaseDeviceObjects();
}

HRESULT Sprite::Load(IDirect3DDevice8* pDevice, const char* pszTextureName) {
    return LoadResources(pDevice, pszTextureName, kSpriteTrace, kSpriteVertices);
}

HRESULT Sprite::LoadResources(IDirect3DDevice8* pDevice, const char* pszTextureName, const OverlayTrace& trace,
                              UINT vertexCount) {
    ReleaseDeviceObjects();
    return LoadOverlayResources(pDevice, m_szDir, pszTextureName, trace, vertexCount, &m_pTexture, &m_pVB);
}

void Sprite::SetViewport(const D3DVIEWPORT8& viewport) {
    m_fOriginX = float(viewport.X);
    m_fOriginY = float(viewport.Y);
    m_fPercentX = float(viewport.Width) / 100.0f;
    m_fPercentY = float(viewport.Height) / 100.0f;
    m_fScaleX = float(viewport.Width) / 640.0f;
    m_fScaleY = float(viewport.Height) / 480.0f;
}

void Sprite::Place(float px, float py, float size, OverlayVertex (&corners)[4]) const {
    // Scaling by the viewport, then by the size; the template lies at z 0.
    const float m11 = m_fScaleX * size;
    const float m22 = m_fScaleY * size;
    for (int i = 0; i < 4; ++i) {
        const OverlayVertex& corner = kTemplate[i];
        corners[i] = {corner.x * m11 + px, corner.y * m22 + py, 0.0f, 1.0f, corner.color, corner.u, corner.v};
    }
}

int Sprite::HitTest(float x, float y, float size, float pointX, float pointY, float) const {
    OverlayVertex corners[4];
    Place(ScreenX(x), ScreenY(y), size, corners);
    const bool inside =
        corners[0].x < pointX && pointX < corners[3].x && corners[0].y < pointY && pointY < corners[3].y;
    return inside ? 1 : 0;
}

void Sprite::WriteTriangles(const OverlayVertex (&corners)[4], OverlayVertex* pOut) {
    pOut[0] = corners[0];
    pOut[1] = corners[1];
    pOut[2] = corners[2];
    pOut[3] = corners[3];
    pOut[4] = corners[2];
    pOut[5] = corners[1];
}

HRESULT Sprite::Draw(IDirect3DDevice8* pDevice, float x, float y, float size, int cell, int columns, int rows,
                     D3DCOLOR color) {
    if (m_pVB == nullptr) {
        return S_OK;
    }
    if (columns < 1) {
        columns = 1;
    }
    if (rows < 1) {
        rows = 1;
    }
    const float du = 1.0f / float(columns);
    const float dv = 1.0f / float(rows);
    int column = 0;
    int row = 0;
    if (cell >= 0 && cell < columns * rows) {
        column = cell % columns;
        row = cell / columns;
    }

    OverlayVertex corners[4];
    Place(ScreenX(x), ScreenY(y), size, corners);
    for (int i = 0; i < 4; ++i) {
        corners[i].color = color;
        corners[i].u = float(column + (i & 1)) * du;
        corners[i].v = float(row + (i >> 1)) * dv;
    }

    BYTE* pData = nullptr;
    if (FAILED(m_pVB->Lock(0, 0, &pData, 0)) || pData == nullptr) {
        return S_OK;
    }
    WriteTriangles(corners, reinterpret_cast<OverlayVertex*>(pData));
    m_pVB->Unlock();
    DrawOverlayTriangles(pDevice, m_pTexture, m_pVB, 2);
    return S_OK;
}

HRESULT Sprite::ReleaseDeviceObjects() {
    ReleaseInterface(m_pTexture);
    ReleaseInterface(m_pVB);
    return S_OK;
}
