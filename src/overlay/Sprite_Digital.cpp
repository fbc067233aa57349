#include "overlay/Sprite_Digital.h"

namespace {
constexpr OverlayTrace kDigitalTrace = {"Sprite_Digital", 72, 76, "spritedigital"};
constexpr UINT kDigitalVertices = 12;
constexpr int kSheetColumns = 4;
constexpr float kCellWidth = 0.25f;
constexpr float kCellHeight = 1.0f / 3.0f;
constexpr float kDigitStep = 12.25f;
}  // namespace

HRESULT Sprite_Digital::Load(IDirect3DDevice8* pDevice, const char* pszTextureName) {
    return LoadResources(pDevice, pszTextureName, kDigitalTrace, kDigitalVertices);
}

HRESULT Sprite_Digital::DrawNumber(IDirect3DDevice8* pDevice, float x, float y, float size, int value, D3DCOLOR color) {
    if (value >= 100 || m_pVB == nullptr) {
        return S_OK;
    }
    const int digits[2] = {value < 10 ? 0 : value / 10, value < 10 ? value : value % 10};
    const float px = ScreenX(x);
    const float py = ScreenY(y);
    const float step = kDigitStep * size * ScaleX();

    BYTE* pData = nullptr;
    if (FAILED(m_pVB->Lock(0, 0, &pData, 0)) || pData == nullptr) {
        return S_OK;
    }
    auto* pOut = reinterpret_cast<OverlayVertex*>(pData);
    for (int i = 0; i < 2; ++i) {
        const int digit = digits[i];
        int column = 0;
        int row = 0;
        if (digit >= 0 && digit <= 9) {
            column = digit % kSheetColumns;
            row = digit / kSheetColumns;
        }
        OverlayVertex corners[4];
        Place(px - step + float(i) * step, py, size, corners);
        for (int k = 0; k < 4; ++k) {
            corners[k].color = color;
            corners[k].u = float(column + (k & 1)) * kCellWidth;
            corners[k].v = float(row + (k >> 1)) * kCellHeight;
        }
        WriteTriangles(corners, pOut + 6 * i);
    }
    m_pVB->Unlock();
    DrawOverlayTriangles(pDevice, m_pTexture, m_pVB, 4);
    return S_OK;
}
