// The device's cursor image, built from a window-system cursor.
#include <vector>

#include "framework/AppFrame.h"
#include "platform/win/WinGdi.h"

namespace {

// A small mark in the top-left corner of the image: five rows of 16 bits,
// the leftmost pixel in the highest bit.
constexpr WORD kWatermark[5] = {0xCCC0, 0xA2A0, 0xA4A0, 0xA2A0, 0xCCC0};

bool ReadBitmapRows(HDC dc, HBITMAP bitmap, DWORD width, DWORD height, std::vector<DWORD>& rows) {
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = static_cast<LONG>(width);
    bmi.bmiHeader.biHeight = static_cast<LONG>(height);
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    rows.assign(static_cast<std::size_t>(width) * height, 0);
    return GetDIBits(dc, bitmap, 0, height, rows.data(), &bmi, DIB_RGB_COLORS) != 0;
}

// The cursor's masks and colours as read from its bitmaps, rows bottom-up.
struct CursorRows {
    DWORD m_dwWidth = 0;
    DWORD m_dwImageHeight = 0;
    DWORD m_dwMaskHeight = 0;
    // A monochrome cursor keeps both masks in one bitmap, one above the other.
    bool m_bMonochrome = false;
    std::vector<DWORD> m_maskRows;
    std::vector<DWORD> m_colorRows;
};

// Writes the cursor's pixels (transparent where the mask is set) top-down into
// a locked A8R8G8B8 image, with the watermark when asked.
void ComposeCursorImage(const CursorRows& rows, BOOL addWatermark, const D3DLOCKED_RECT& locked) {
    const DWORD width = rows.m_dwWidth;
    const DWORD imageHeight = rows.m_dwImageHeight;
    auto* pRow = static_cast<BYTE*>(locked.pBits);
    for (DWORD y = 0; y < imageHeight; ++y) {
        auto* pDst = reinterpret_cast<DWORD*>(pRow);
        const std::size_t imageRow = static_cast<std::size_t>(imageHeight - 1 - y) * width;
        const DWORD* colorRow = rows.m_bMonochrome ? &rows.m_maskRows[imageRow] : &rows.m_colorRows[imageRow];
        const DWORD* maskRow = rows.m_bMonochrome
                                   ? &rows.m_maskRows[static_cast<std::size_t>(rows.m_dwMaskHeight - 1 - y) * width]
                                   : &rows.m_maskRows[imageRow];
        for (DWORD x = 0; x < width; ++x) {
            DWORD pixel = maskRow[x] == 0 ? (colorRow[x] | 0xFF000000) : 0x00000000;
            if (addWatermark && x < 12 && y < 5 && (kWatermark[y] & (1u << (15 - x))) != 0) {
                pixel |= 0xFF808080;
            }
            pDst[x] = pixel;
        }
        pRow += locked.Pitch;
    }
}

}  // namespace

HRESULT SetDeviceCursor(IDirect3DDevice8* device, HCURSOR cursor, BOOL addWatermark) {
    if (device == nullptr || cursor == nullptr) {
        return E_FAIL;
    }

    ICONINFO iconInfo = {};
    if (!GetIconInfo(cursor, &iconInfo)) {
        return E_FAIL;
    }

    HRESULT hr = E_FAIL;
    IDirect3DSurface8* surface = nullptr;
    HDC screenDC = nullptr;
    HDC maskDC = nullptr;
    HDC colorDC = nullptr;
    CursorRows rows;

    do {
        BITMAP bm = {};
        if (iconInfo.hbmMask == nullptr || GetObjectA(iconInfo.hbmMask, sizeof(BITMAP), &bm) == 0) {
            break;
        }
        rows.m_bMonochrome = iconInfo.hbmColor == nullptr;
        const auto width = static_cast<DWORD>(bm.bmWidth);
        const auto maskHeight = static_cast<DWORD>(bm.bmHeight);
        const DWORD imageHeight = rows.m_bMonochrome ? maskHeight / 2 : maskHeight;
        if (width == 0 || imageHeight == 0) {
            break;
        }
        rows.m_dwWidth = width;
        rows.m_dwImageHeight = imageHeight;
        rows.m_dwMaskHeight = maskHeight;

        hr = device->CreateImageSurface(width, imageHeight, D3DFMT_A8R8G8B8, &surface);
        if (FAILED(hr)) {
            surface = nullptr;
            break;
        }
        hr = E_FAIL;

        screenDC = GetDC(nullptr);
        maskDC = CreateCompatibleDC(screenDC);
        if (maskDC == nullptr || !ReadBitmapRows(maskDC, iconInfo.hbmMask, width, maskHeight, rows.m_maskRows)) {
            break;
        }
        if (!rows.m_bMonochrome) {
            colorDC = CreateCompatibleDC(screenDC);
            if (colorDC == nullptr ||
                !ReadBitmapRows(colorDC, iconInfo.hbmColor, width, imageHeight, rows.m_colorRows)) {
                break;
            }
        }

        D3DLOCKED_RECT locked = {};
        hr = surface->LockRect(&locked, nullptr, 0);
        if (FAILED(hr)) {
            break;
        }
        ComposeCursorImage(rows, addWatermark, locked);
        surface->UnlockRect();

        hr = device->SetCursorProperties(iconInfo.xHotspot, iconInfo.yHotspot, surface);
        if (SUCCEEDED(hr)) {
            hr = S_OK;
        }
    } while (false);

    if (iconInfo.hbmMask != nullptr) {
        DeleteObject(iconInfo.hbmMask);
    }
    if (iconInfo.hbmColor != nullptr) {
        DeleteObject(iconInfo.hbmColor);
    }
    if (screenDC != nullptr) {
        ReleaseDC(nullptr, screenDC);
    }
    if (maskDC != nullptr) {
        DeleteDC(maskDC);
    }
    if (colorDC != nullptr) {
        DeleteDC(colorDC);
    }
    if (surface != nullptr) {
        surface->Release();
    }
    return hr;
}
