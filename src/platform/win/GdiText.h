// Measuring and drawing 8-bit text into a DC's bitmap with the DC's font,
// colours and alignment, and laying out DrawText paragraphs.
#pragma once

#include "platform/win/GdiStore.h"

class GdiText {
public:
    // Width of the characters' advances and the font's cell height.
    static SIZE Measure(HDC dc, const char* text, int count);
    static int LineHeight(HDC dc);
    // Text at (x, y) by the DC's alignment. The background (opaque mode or
    // ETO_OPAQUE) fills the text cell, or `rect` with ETO_OPAQUE; coverage
    // never leaves the text cell, nor `rect` with ETO_CLIPPED.
    static bool Draw(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, int count);
    // DrawText: lines at line feeds, and with DT_WORDBREAK wherever the next
    // word would pass the right edge. Returns the height of the text.
    static int DrawBlock(HDC dc, const char* text, int count, RECT* rect, UINT format);
};
