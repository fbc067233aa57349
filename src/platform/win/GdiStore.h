// The objects behind GDI handles, and the store that owns them so that a
// stale or foreign handle is refused instead of read.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/win/WinGdi.h"

class FontFace;

enum class GdiKind { Bitmap, Font, Brush };

struct GdiObject {
    explicit GdiObject(GdiKind kind) : m_kind(kind) {}
    virtual ~GdiObject() = default;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiKind m_kind;
    bool m_bStock = false;
};

// Pixels are 0x00RRGGBB. A 1-bit bitmap keeps 0 or 0x00FFFFFF per pixel and
// reports itself as monochrome.
struct HBITMAP__ : GdiObject {
    HBITMAP__(int width, int height, WORD bitsPixel, bool bottomUp);
    std::uint32_t* Row(int y);
    int m_nWidth;
    int m_nHeight;
    WORD m_wBitsPixel;
    bool m_bBottomUp;  // memory rows run from the bottom (a DIB with positive height)
    std::vector<std::uint32_t> m_pixels;
};

struct HFONT__ : GdiObject {
    HFONT__() : GdiObject(GdiKind::Font) {}
    FontFace* m_pFace = nullptr;
    int m_nEmPixels = 16;
    int m_nWeight = FW_NORMAL;
    bool m_bItalic = false;
};

struct HBRUSH__ : GdiObject {
    HBRUSH__() : GdiObject(GdiKind::Brush) {}
    COLORREF m_color = 0;
};

enum class DcKind { Memory, Window, Screen };

struct HDC__ {
    DcKind m_kind = DcKind::Memory;
    HWND m_hWindow = nullptr;
    HBITMAP m_hBitmap = nullptr;              // where drawing lands; null draws nothing
    std::unique_ptr<HBITMAP__> m_pOwnBitmap;  // a window DC's client-area picture
    int m_iScale = 1;                         // its device pixels per unit: text on it is drawn at that size
    HFONT m_hFont = nullptr;
    COLORREF m_textColor = RGB(0, 0, 0);
    COLORREF m_bkColor = RGB(255, 255, 255);
    int m_nBkMode = OPAQUE;
    UINT m_uTextAlign = TA_TOP | TA_LEFT;
    int m_nMapMode = MM_TEXT;
};

class GdiStore {
public:
    static GdiStore& Instance();
    ~GdiStore();

    template <class T>
    T* Add(std::unique_ptr<T> object) {
        T* raw = object.get();
        m_objects.push_back(std::move(object));
        return raw;
    }
    // The live object behind a handle, or null.
    GdiObject* Find(HGDIOBJ handle) const;
    bool Delete(HGDIOBJ handle);

    HDC AddDc(std::unique_ptr<HDC__> dc);
    bool IsDc(HDC dc) const;
    bool DeleteDc(HDC dc);

    // The font a DC uses when none is selected.
    HFONT DefaultFont();

private:
    std::vector<std::unique_ptr<GdiObject>> m_objects;
    std::vector<std::unique_ptr<HDC__>> m_dcs;
    HFONT m_hDefaultFont = nullptr;
};
