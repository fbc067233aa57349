#include "platform/win/GdiText.h"

#include <algorithm>

#include "platform/win/FontFace.h"

namespace {
HFONT FontOf(HDC dc) {
    HFONT font = dc->m_hFont;
    if (font == nullptr || GdiStore::Instance().Find(font) == nullptr) {
        font = GdiStore::Instance().DefaultFont();
    }
    return font;
}

std::uint32_t Pixel(COLORREF color) {
    // COLORREF is 0x00BBGGRR; DIB pixels are 0x00RRGGBB.
    return (static_cast<std::uint32_t>(GetRValue(color)) << 16) | (static_cast<std::uint32_t>(GetGValue(color)) << 8) |
           GetBValue(color);
}

std::uint32_t Blend(std::uint32_t under, std::uint32_t over, unsigned coverage) {
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        unsigned a = (under >> shift) & 0xFF;
        unsigned b = (over >> shift) & 0xFF;
        unsigned mixed = (a * (255 - coverage) + b * coverage + 127) / 255;
        result |= static_cast<std::uint32_t>(mixed) << shift;
    }
    return result;
}

struct Box {
    int m_nLeft;
    int m_nTop;
    int m_nRight;
    int m_nBottom;
};

Box Intersect(Box a, const Box& b) {
    a.m_nLeft = std::max(a.m_nLeft, b.m_nLeft);
    a.m_nTop = std::max(a.m_nTop, b.m_nTop);
    a.m_nRight = std::min(a.m_nRight, b.m_nRight);
    a.m_nBottom = std::min(a.m_nBottom, b.m_nBottom);
    return a;
}

void Fill(HBITMAP bitmap, Box box, std::uint32_t value) {
    box = Intersect(box, Box{0, 0, bitmap->m_nWidth, bitmap->m_nHeight});
    for (int y = box.m_nTop; y < box.m_nBottom; ++y) {
        std::uint32_t* row = bitmap->Row(y);
        std::fill(row + box.m_nLeft, row + std::max(box.m_nLeft, box.m_nRight), value);
    }
}

int CountOf(const char* text, int count) {
    if (text == nullptr) {
        return 0;
    }
    if (count < 0) {
        int length = 0;
        while (text[length] != '\0') {
            ++length;
        }
        return length;
    }
    return count;
}

// Device pixels per unit of what the DC draws on: a window DC's own picture
// may be at the screen's scale; a bitmap selected into it is not.
int PixelsPerUnit(HDC dc) {
    return dc->m_hBitmap != nullptr && dc->m_hBitmap == dc->m_pOwnBitmap.get() ? dc->m_iScale : 1;
}

Box Scaled(int left, int top, int right, int bottom, int scale) {
    return Box{left * scale, top * scale, right * scale, bottom * scale};
}

int WidthOf(HDC dc, const char* text, int count) {
    return GdiText::Measure(dc, text, count).cx;
}
}  // namespace

SIZE GdiText::Measure(HDC dc, const char* text, int count) {
    HFONT font = FontOf(dc);
    if (font == nullptr) {
        return SIZE{0, 0};
    }
    int width = 0;
    for (int i = 0; i < count; ++i) {
        width += font->m_pFace->Advance(font->m_nEmPixels, static_cast<unsigned char>(text[i]));
    }
    return SIZE{width, font->m_pFace->Ascent(font->m_nEmPixels) + font->m_pFace->Descent(font->m_nEmPixels)};
}

int GdiText::LineHeight(HDC dc) {
    return Measure(dc, "", 0).cy;
}

bool GdiText::Draw(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, int count) {
    HFONT font = FontOf(dc);
    if (font == nullptr) {
        return false;
    }
    HBITMAP target = dc->m_hBitmap;
    if (target == nullptr) {
        // Nothing to draw on (a screen DC, or its bitmap was deleted): the
        // call still succeeds.
        return true;
    }
    // Placed in the DC's units, drawn in its pixels with the font at that size.
    const int scale = PixelsPerUnit(dc);
    const int em = font->m_nEmPixels * scale;
    SIZE extent = Measure(dc, text, count);
    int ascent = font->m_pFace->Ascent(font->m_nEmPixels);
    UINT horizontal = dc->m_uTextAlign & TA_CENTER;
    if (horizontal == TA_RIGHT) {
        x -= extent.cx;
    } else if (horizontal == TA_CENTER) {
        x -= extent.cx / 2;
    }
    UINT vertical = dc->m_uTextAlign & TA_BASELINE;
    if (vertical == TA_BASELINE) {
        y -= ascent;
    } else if (vertical == TA_BOTTOM) {
        y -= extent.cy;
    }
    Box cell = Scaled(x, y, x + extent.cx, y + extent.cy, scale);
    if (scale > 1) {
        // Hinted at the larger size, the glyphs need not be exactly `scale`
        // times as wide or tall: the cell holds them whole.
        int width = 0;
        for (int i = 0; i < count; ++i) {
            width += font->m_pFace->Advance(em, static_cast<unsigned char>(text[i]));
        }
        cell.m_nRight = std::max(cell.m_nRight, cell.m_nLeft + width);
        cell.m_nBottom = std::max(cell.m_nBottom, cell.m_nTop + font->m_pFace->Ascent(em) + font->m_pFace->Descent(em));
    }
    std::uint32_t background = Pixel(dc->m_bkColor);
    if ((options & ETO_OPAQUE) != 0 && rect != nullptr) {
        Fill(target, Scaled(rect->left, rect->top, rect->right, rect->bottom, scale), background);
    } else if ((options & ETO_OPAQUE) != 0 || dc->m_nBkMode == OPAQUE) {
        Fill(target, cell, background);
    }
    Box clip = Intersect(cell, Box{0, 0, target->m_nWidth, target->m_nHeight});
    if ((options & ETO_CLIPPED) != 0 && rect != nullptr) {
        clip = Intersect(clip, Scaled(rect->left, rect->top, rect->right, rect->bottom, scale));
    }
    std::uint32_t foreground = Pixel(dc->m_textColor);
    int penX = x * scale;
    int baseline = y * scale + font->m_pFace->Ascent(em);
    GlyphImage glyph;
    for (int i = 0; i < count; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        int advance = font->m_pFace->Advance(em, c);
        if (font->m_pFace->Render(em, c, &glyph)) {
            for (int row = 0; row < glyph.m_nHeight; ++row) {
                int py = baseline - glyph.m_nTop + row;
                if (py < clip.m_nTop || py >= clip.m_nBottom) {
                    continue;
                }
                std::uint32_t* line = target->Row(py);
                const std::uint8_t* coverage = glyph.m_pCoverage + row * glyph.m_nPitch;
                for (int column = 0; column < glyph.m_nWidth; ++column) {
                    int px = penX + glyph.m_nLeft + column;
                    if (px < clip.m_nLeft || px >= clip.m_nRight || coverage[column] == 0) {
                        continue;
                    }
                    line[px] = Blend(line[px], foreground, coverage[column]);
                }
            }
        }
        penX += advance;
    }
    return true;
}

int GdiText::DrawBlock(HDC dc, const char* text, int count, RECT* rect, UINT format) {
    count = CountOf(text, count);
    int lineHeight = LineHeight(dc);
    int maxWidth = rect->right - rect->left;
    bool wrap = (format & DT_WORDBREAK) != 0 && (format & DT_SINGLELINE) == 0;
    bool measureOnly = (format & DT_CALCRECT) != 0;
    int y = rect->top;
    int widest = 0;
    int start = 0;
    while (start <= count) {
        // One line: up to a line feed, or as many whole words as fit.
        int end = start;
        while (end < count && (text[end] != '\n' || (format & DT_SINGLELINE) != 0)) {
            ++end;
        }
        int lineEnd = end;
        if (wrap && WidthOf(dc, text + start, end - start) > maxWidth) {
            int fit = start;
            for (int i = start; i <= end; ++i) {
                if (i == end || text[i] == ' ') {
                    if (WidthOf(dc, text + start, i - start) > maxWidth) {
                        break;
                    }
                    fit = i;
                }
            }
            // A single word wider than the rectangle stays whole.
            if (fit == start) {
                fit = start;
                while (fit < end && text[fit] != ' ') {
                    ++fit;
                }
            }
            lineEnd = fit;
        }
        int drawnEnd = lineEnd;
        if (drawnEnd > start && text[drawnEnd - 1] == '\r') {
            --drawnEnd;
        }
        int width = WidthOf(dc, text + start, drawnEnd - start);
        widest = std::max(widest, width);
        if (!measureOnly) {
            int x = rect->left;
            if ((format & DT_CENTER) != 0) {
                x += (maxWidth - width) / 2;
            } else if ((format & DT_RIGHT) != 0) {
                x += maxWidth - width;
            }
            int lineY = y;
            if ((format & DT_SINGLELINE) != 0 && (format & DT_VCENTER) != 0) {
                lineY = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
            } else if ((format & DT_SINGLELINE) != 0 && (format & DT_BOTTOM) != 0) {
                lineY = rect->bottom - lineHeight;
            }
            UINT savedAlign = dc->m_uTextAlign;
            dc->m_uTextAlign = TA_TOP | TA_LEFT;
            UINT options = (format & DT_NOCLIP) != 0 ? 0 : ETO_CLIPPED;
            Draw(dc, x, lineY, options, rect, text + start, drawnEnd - start);
            dc->m_uTextAlign = savedAlign;
        }
        y += lineHeight;
        // Skip the break: the line feed, or the spaces where a line wrapped.
        start = lineEnd;
        if (start < count && text[start] == '\n') {
            ++start;
        } else {
            while (start < count && text[start] == ' ') {
                ++start;
            }
        }
        if (lineEnd >= count) {
            break;
        }
    }
    if (measureOnly) {
        rect->right = rect->left + widest;
        rect->bottom = y;
    }
    return y - rect->top;
}
