// The object behind an HICON/HCURSOR: the program's icon 101 and the arrow
// cursor, both drawn here in code.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win/WinUser.h"

struct HICON__ {
    bool m_bIcon = true;
    DWORD m_dwHotspotX = 0;
    DWORD m_dwHotspotY = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    // Colour pixels, 0xAARRGGBB top-down; empty for a monochrome cursor.
    std::vector<std::uint32_t> m_color;
    // Top-down masks, one byte (0 or 1) per pixel. Where AND is 1 the
    // background shows (XORed with XOR); where it is 0 the XOR bit is the colour.
    std::vector<std::uint8_t> m_andMask;
    std::vector<std::uint8_t> m_xorMask;
};

class IconImage {
public:
    // The standard arrow: a 32 x 32 monochrome cursor, hot spot at its tip.
    static HICON Arrow();
    // The program icon: a 32 x 32 flower clock in colour.
    static HICON AppIcon();
};
