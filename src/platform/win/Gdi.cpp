// GDI calls: device contexts, bitmaps, fonts, text and icon bitmaps.
#include <SDL.h>

#include <cstring>

#include "platform/win/DisplayScale.h"
#include "platform/win/FontFace.h"
#include "platform/win/GdiStore.h"
#include "platform/win/GdiText.h"
#include "platform/win/IconImage.h"
#include "platform/win/MenuOverlay.h"
#include "platform/win/WindowObject.h"

namespace {
constexpr int kLogicalDpi = 96;

bool IsDc(HDC dc) {
    return GdiStore::Instance().IsDc(dc);
}

HBITMAP AsBitmap(HGDIOBJ handle) {
    GdiObject* object = GdiStore::Instance().Find(handle);
    return (object != nullptr && object->m_kind == GdiKind::Bitmap) ? static_cast<HBITMAP>(object) : nullptr;
}

std::unique_ptr<HBITMAP__> MaskBitmap(HICON icon) {
    // Monochrome cursors keep the AND mask over the XOR mask in one bitmap.
    bool monochrome = icon->m_color.empty();
    int height = monochrome ? icon->m_nHeight * 2 : icon->m_nHeight;
    auto bitmap = std::make_unique<HBITMAP__>(icon->m_nWidth, height, WORD{1}, false);
    for (int y = 0; y < icon->m_nHeight; ++y) {
        for (int x = 0; x < icon->m_nWidth; ++x) {
            std::size_t i = static_cast<std::size_t>(y * icon->m_nWidth + x);
            bitmap->Row(y)[x] = icon->m_andMask[i] != 0 ? 0x00FFFFFFu : 0u;
            if (monochrome) {
                bitmap->Row(y + icon->m_nHeight)[x] = icon->m_xorMask[i] != 0 ? 0x00FFFFFFu : 0u;
            }
        }
    }
    return bitmap;
}

std::unique_ptr<HBITMAP__> ColorBitmap(HICON icon) {
    auto bitmap = std::make_unique<HBITMAP__>(icon->m_nWidth, icon->m_nHeight, WORD{32}, false);
    for (int y = 0; y < icon->m_nHeight; ++y) {
        for (int x = 0; x < icon->m_nWidth; ++x) {
            bitmap->Row(y)[x] = icon->m_color[static_cast<std::size_t>(y * icon->m_nWidth + x)] & 0x00FFFFFFu;
        }
    }
    return bitmap;
}
}  // namespace

int MulDiv(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    long long product = static_cast<long long>(a) * b;
    long long quotient = product / c;
    long long remainder = product % c;
    // Round half away from zero.
    if (2 * (remainder < 0 ? -remainder : remainder) >= (c < 0 ? -static_cast<long long>(c) : c)) {
        quotient += ((product < 0) != (c < 0)) ? -1 : 1;
    }
    if (quotient > 0x7FFFFFFFLL || quotient < -0x7FFFFFFFLL - 1) {
        return -1;
    }
    return static_cast<int>(quotient);
}

HDC GetDC(HWND window) {
    auto dc = std::make_unique<HDC__>();
    if (window == nullptr) {
        dc->m_kind = DcKind::Screen;
        return GdiStore::Instance().AddDc(std::move(dc));
    }
    RECT client{};
    if (!IsWindow(window) || !GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) {
        return nullptr;
    }
    dc->m_kind = DcKind::Window;
    dc->m_hWindow = window;
    // The picture has the window's device pixels, so that text on a 2x
    // screen is drawn sharp rather than enlarged. The client area starts out
    // in the class background, white.
    dc->m_iScale = win::WindowScale(window);
    dc->m_pOwnBitmap =
        std::make_unique<HBITMAP__>(client.right * dc->m_iScale, client.bottom * dc->m_iScale, WORD{32}, false);
    std::fill(dc->m_pOwnBitmap->m_pixels.begin(), dc->m_pOwnBitmap->m_pixels.end(), 0x00FFFFFFu);
    dc->m_hBitmap = dc->m_pOwnBitmap.get();
    return GdiStore::Instance().AddDc(std::move(dc));
}

int ReleaseDC(HWND window, HDC dc) {
    if (!IsDc(dc) || dc->m_kind == DcKind::Memory || dc->m_hWindow != window) {
        return 0;
    }
    // What was drawn on a window DC shows now, once.
    if (dc->m_kind == DcKind::Window && IsWindow(window) && window->m_pOverlay) {
        HBITMAP picture = dc->m_pOwnBitmap.get();
        window->m_pOverlay->PresentPicture(picture->m_pixels.data(), picture->m_nWidth, picture->m_nHeight);
    }
    GdiStore::Instance().DeleteDc(dc);
    return 1;
}

HDC CreateCompatibleDC(HDC /*dc*/) {
    auto memory = std::make_unique<HDC__>();
    memory->m_kind = DcKind::Memory;
    return GdiStore::Instance().AddDc(std::move(memory));
}

BOOL DeleteDC(HDC dc) {
    if (!IsDc(dc) || dc->m_kind != DcKind::Memory) {
        return FALSE;
    }
    return GdiStore::Instance().DeleteDc(dc) ? TRUE : FALSE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    GdiObject* found = GdiStore::Instance().Find(object);
    if (!IsDc(dc) || found == nullptr) {
        return nullptr;
    }
    switch (found->m_kind) {
        case GdiKind::Bitmap: {
            // Only memory DCs take bitmaps.
            if (dc->m_kind != DcKind::Memory) {
                return nullptr;
            }
            HGDIOBJ previous = dc->m_hBitmap;
            dc->m_hBitmap = static_cast<HBITMAP>(found);
            return previous;
        }
        case GdiKind::Font: {
            HGDIOBJ previous = dc->m_hFont != nullptr ? dc->m_hFont : GdiStore::Instance().DefaultFont();
            dc->m_hFont = static_cast<HFONT>(found);
            return previous;
        }
        case GdiKind::Brush:
            return found;
    }
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    return GdiStore::Instance().Delete(object) ? TRUE : FALSE;
}

HGDIOBJ GetStockObject(int index) {
    static HBRUSH s_brushes[6] = {};
    if (index >= WHITE_BRUSH && index <= NULL_BRUSH) {
        if (s_brushes[index] == nullptr) {
            static constexpr BYTE kGrey[5] = {255, 192, 128, 64, 0};
            auto brush = std::make_unique<HBRUSH__>();
            BYTE level = index < NULL_BRUSH ? kGrey[index] : 0;
            brush->m_color = RGB(level, level, level);
            brush->m_bStock = true;
            s_brushes[index] = GdiStore::Instance().Add(std::move(brush));
        }
        return s_brushes[index];
    }
    if (index == SYSTEM_FONT || index == DEFAULT_GUI_FONT) {
        return GdiStore::Instance().DefaultFont();
    }
    return nullptr;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
    HBITMAP bitmap = AsBitmap(object);
    if (bitmap == nullptr) {
        return 0;
    }
    if (buffer == nullptr) {
        return static_cast<int>(sizeof(BITMAP));
    }
    if (size < static_cast<int>(sizeof(BITMAP))) {
        return 0;
    }
    BITMAP info{};
    info.bmType = 0;
    info.bmWidth = bitmap->m_nWidth;
    info.bmHeight = bitmap->m_nHeight;
    // Rows are padded to 16 bits.
    info.bmWidthBytes = ((bitmap->m_nWidth * bitmap->m_wBitsPixel + 15) / 16) * 2;
    info.bmPlanes = 1;
    info.bmBitsPixel = bitmap->m_wBitsPixel;
    info.bmBits = nullptr;
    std::memcpy(buffer, &info, sizeof(info));
    return static_cast<int>(sizeof(BITMAP));
}

int SetMapMode(HDC dc, int mode) {
    if (!IsDc(dc) || mode != MM_TEXT) {
        // Only the text mapping (one unit, one pixel) exists here.
        return 0;
    }
    int previous = dc->m_nMapMode;
    dc->m_nMapMode = mode;
    return previous;
}

int GetDeviceCaps(HDC dc, int index) {
    if (!IsDc(dc)) {
        return 0;
    }
    switch (index) {
        case LOGPIXELSX:
        case LOGPIXELSY:
            return kLogicalDpi;
        case BITSPIXEL:
            return 32;
        case HORZRES:
        case VERTRES: {
            SDL_Rect bounds{0, 0, 0, 0};
            if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
                SDL_GetDisplayBounds(0, &bounds);
            }
            return index == HORZRES ? bounds.w : bounds.h;
        }
        default:
            return 0;
    }
}

BOOL GdiFlush() {
    // Drawing is done when each call returns.
    return TRUE;
}

HBITMAP CreateDIBSection(HDC /*dc*/, const BITMAPINFO* info, UINT usage, void** bits, HANDLE /*section*/,
                         DWORD /*offset*/) {
    if (bits != nullptr) {
        *bits = nullptr;
    }
    if (info == nullptr || usage != DIB_RGB_COLORS) {
        return nullptr;
    }
    const BITMAPINFOHEADER& header = info->bmiHeader;
    LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biBitCount != 32 || header.biCompression != BI_RGB ||
        header.biWidth <= 0 || height == 0 || header.biWidth > 16384 || height > 16384) {
        return nullptr;
    }
    auto bitmap = std::make_unique<HBITMAP__>(header.biWidth, height, WORD{32}, header.biHeight > 0);
    if (bits != nullptr) {
        *bits = bitmap->m_pixels.data();
    }
    return GdiStore::Instance().Add(std::move(bitmap));
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT startScan, UINT scanLines, LPVOID bits, BITMAPINFO* info, UINT usage) {
    HBITMAP source = AsBitmap(bitmap);
    if (!IsDc(dc) || source == nullptr || info == nullptr || usage != DIB_RGB_COLORS) {
        return 0;
    }
    BITMAPINFOHEADER& header = info->bmiHeader;
    if (bits == nullptr) {
        header.biWidth = source->m_nWidth;
        header.biHeight = source->m_nHeight;
        header.biPlanes = 1;
        header.biBitCount = source->m_wBitsPixel;
        header.biCompression = BI_RGB;
        header.biSizeImage = 0;
        return source->m_nHeight;
    }
    if (header.biBitCount != 32 || header.biCompression != BI_RGB || header.biWidth != source->m_nWidth) {
        return 0;
    }
    bool topDown = header.biHeight < 0;
    auto* out = static_cast<std::uint32_t*>(bits);
    UINT copied = 0;
    for (UINT line = startScan; line < startScan + scanLines && line < static_cast<UINT>(source->m_nHeight); ++line) {
        // Scan line 0 is the bottom row of a bottom-up request.
        int y = topDown ? static_cast<int>(line) : source->m_nHeight - 1 - static_cast<int>(line);
        std::memcpy(out + static_cast<std::size_t>(line - startScan) * static_cast<std::size_t>(source->m_nWidth),
                    source->Row(y), static_cast<std::size_t>(source->m_nWidth) * 4);
        ++copied;
    }
    return static_cast<int>(copied);
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
    if (icon == nullptr || info == nullptr) {
        return FALSE;
    }
    // The caller owns (and deletes) the bitmaps.
    info->fIcon = icon->m_bIcon ? TRUE : FALSE;
    info->xHotspot = icon->m_dwHotspotX;
    info->yHotspot = icon->m_dwHotspotY;
    info->hbmMask = GdiStore::Instance().Add(MaskBitmap(icon));
    info->hbmColor = icon->m_color.empty() ? nullptr : GdiStore::Instance().Add(ColorBitmap(icon));
    return TRUE;
}

HFONT CreateFontA(int height, int /*width*/, int /*escapement*/, int /*orientation*/, int weight, DWORD italic,
                  DWORD /*underline*/, DWORD /*strikeOut*/, DWORD /*charSet*/, DWORD /*outPrecision*/,
                  DWORD /*clipPrecision*/, DWORD /*quality*/, DWORD /*pitchAndFamily*/, LPCSTR faceName) {
    bool bold = weight >= 600;
    FontFace* face = FontFace::Acquire(faceName, bold, italic != 0);
    if (face == nullptr) {
        return nullptr;
    }
    auto font = std::make_unique<HFONT__>();
    font->m_pFace = face;
    font->m_nEmPixels = face->EmPixelsForHeight(height);
    font->m_nWeight = weight;
    font->m_bItalic = italic != 0;
    return GdiStore::Instance().Add(std::move(font));
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
    if (!IsDc(dc)) {
        return CLR_INVALID;
    }
    COLORREF previous = dc->m_textColor;
    dc->m_textColor = color & 0x00FFFFFFu;
    return previous;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
    if (!IsDc(dc)) {
        return CLR_INVALID;
    }
    COLORREF previous = dc->m_bkColor;
    dc->m_bkColor = color & 0x00FFFFFFu;
    return previous;
}

int SetBkMode(HDC dc, int mode) {
    if (!IsDc(dc) || (mode != TRANSPARENT && mode != OPAQUE)) {
        return 0;
    }
    int previous = dc->m_nBkMode;
    dc->m_nBkMode = mode;
    return previous;
}

UINT SetTextAlign(HDC dc, UINT align) {
    if (!IsDc(dc)) {
        return static_cast<UINT>(GDI_ERROR);
    }
    UINT previous = dc->m_uTextAlign;
    dc->m_uTextAlign = align;
    return previous;
}

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics) {
    if (!IsDc(dc) || metrics == nullptr) {
        return FALSE;
    }
    HFONT font = dc->m_hFont != nullptr ? dc->m_hFont : GdiStore::Instance().DefaultFont();
    if (font == nullptr) {
        return FALSE;
    }
    *metrics = TEXTMETRICA{};
    metrics->tmAscent = font->m_pFace->Ascent(font->m_nEmPixels);
    metrics->tmDescent = font->m_pFace->Descent(font->m_nEmPixels);
    metrics->tmHeight = metrics->tmAscent + metrics->tmDescent;
    metrics->tmAveCharWidth = font->m_pFace->Advance(font->m_nEmPixels, 'x');
    metrics->tmMaxCharWidth = font->m_pFace->Advance(font->m_nEmPixels, 'W');
    metrics->tmWeight = font->m_nWeight;
    return TRUE;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, SIZE* size) {
    if (!IsDc(dc) || size == nullptr || count < 0 || (text == nullptr && count > 0)) {
        return FALSE;
    }
    *size = GdiText::Measure(dc, text, count);
    return size->cy > 0 ? TRUE : FALSE;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const INT* /*dx*/) {
    if (!IsDc(dc) || (text == nullptr && count > 0)) {
        return FALSE;
    }
    return GdiText::Draw(dc, x, y, options, rect, text, static_cast<int>(count)) ? TRUE : FALSE;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
    if (!IsDc(dc) || count < 0 || (text == nullptr && count > 0)) {
        return FALSE;
    }
    return GdiText::Draw(dc, x, y, 0, nullptr, text, count) ? TRUE : FALSE;
}

int DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format) {
    if (!IsDc(dc) || rect == nullptr || text == nullptr) {
        return 0;
    }
    return GdiText::DrawBlock(dc, text, count, rect, format);
}
