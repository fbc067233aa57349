#include <gtest/gtest.h>

#include <cstdint>

#include "WindowTestSupport.h"
#include "platform/win/DisplayScale.h"
#include "platform/win/FontLocator.h"
#include "platform/win/GdiStore.h"
#include "platform/win/WinGdi.h"

namespace {
constexpr int kSheet = 128;

// A memory DC on a top-down 32-bit DIB section, white text on black, as the
// bitmap font sets it up.
class FontSheet {
public:
    FontSheet(int pointHeight, int weight) {
        m_hDc = CreateCompatibleDC(nullptr);
        BITMAPINFO info = DibInfo(kSheet, -kSheet, 32);
        m_hBitmap = CreateDIBSection(m_hDc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_pBits), nullptr, 0);
        SelectObject(m_hDc, m_hBitmap);
        SetMapMode(m_hDc, MM_TEXT);
        int height = -MulDiv(pointHeight, GetDeviceCaps(m_hDc, LOGPIXELSY), 72);
        m_hFont = CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, "Arial");
        SelectObject(m_hDc, m_hFont);
        SetTextColor(m_hDc, RGB(255, 255, 255));
        SetBkColor(m_hDc, 0);
        SetTextAlign(m_hDc, TA_TOP);
    }
    ~FontSheet() {
        DeleteObject(m_hBitmap);
        DeleteDC(m_hDc);
        DeleteObject(m_hFont);
    }
    FontSheet(const FontSheet&) = delete;
    FontSheet& operator=(const FontSheet&) = delete;

    SIZE Extent(const char* text) {
        SIZE size{};
        EXPECT_TRUE(GetTextExtentPoint32A(m_hDc, text, static_cast<int>(std::char_traits<char>::length(text)), &size));
        return size;
    }
    std::uint32_t At(int x, int y) const { return m_pBits[y * kSheet + x]; }

    HDC m_hDc = nullptr;
    HBITMAP m_hBitmap = nullptr;
    HFONT m_hFont = nullptr;
    std::uint32_t* m_pBits = nullptr;
};

TEST(FontMetricsTest, WideLettersMeasureWiderAndTheCellIsTheFontHeight) {
    FontSheet sheet(12, FW_BOLD);
    EXPECT_EQ(GetDeviceCaps(sheet.m_hDc, LOGPIXELSY), 96);
    SIZE w = sheet.Extent("W");
    SIZE i = sheet.Extent("i");
    EXPECT_GT(w.cx, i.cx);
    EXPECT_GT(i.cx, 0);
    EXPECT_EQ(w.cy, i.cy);
    // 12 points at 96 dpi are 16 pixels to the em; the cell holds ascent and descent.
    EXPECT_GE(w.cy, 16);
    EXPECT_LE(w.cy, 20);
    SIZE pair = sheet.Extent("Wi");
    EXPECT_EQ(pair.cx, w.cx + i.cx);
    SIZE none = sheet.Extent("");
    EXPECT_EQ(none.cx, 0);
    EXPECT_EQ(none.cy, w.cy);
    FontSheet regular(12, FW_NORMAL);
    EXPECT_GT(sheet.Extent("Hello world").cx, regular.Extent("Hello world").cx) << "bold is wider";
}

TEST(ExtTextOutTest, CoverageLandsInsideTheExtentOnly) {
    FontSheet sheet(12, FW_BOLD);
    // Something to see that the opaque cell is overwritten.
    for (int k = 0; k < kSheet * kSheet; ++k) {
        sheet.m_pBits[k] = 0x00102030u;
    }
    const int x = 20;
    const int y = 30;
    SIZE extent = sheet.Extent("W");
    ASSERT_TRUE(ExtTextOutA(sheet.m_hDc, x, y, ETO_OPAQUE, nullptr, "W", 1, nullptr));
    int covered = 0;
    for (int py = 0; py < kSheet; ++py) {
        for (int px = 0; px < kSheet; ++px) {
            std::uint32_t pixel = sheet.At(px, py);
            bool inside = px >= x && px < x + extent.cx && py >= y && py < y + extent.cy;
            if (!inside) {
                ASSERT_EQ(pixel, 0x00102030u) << px << "," << py;
                continue;
            }
            // White on black: the three channels carry the same coverage.
            std::uint32_t blue = pixel & 0xFF;
            ASSERT_EQ((pixel >> 8) & 0xFF, blue);
            ASSERT_EQ((pixel >> 16) & 0xFF, blue);
            if (blue > 0) {
                ++covered;
            }
        }
    }
    EXPECT_GT(covered, extent.cx * 2);
    // Fully covered pixels exist: the glyph is drawn, not just shaded.
    bool solid = false;
    for (int py = y; py < y + extent.cy; ++py) {
        for (int px = x; px < x + extent.cx; ++px) {
            solid = solid || (sheet.At(px, py) & 0xFF) == 0xFF;
        }
    }
    EXPECT_TRUE(solid);
}

// DrawText clips each line to its rectangle this way.
TEST(ExtTextOutTest, AClipRectangleLimitsTheCoverage) {
    FontSheet sheet(12, FW_NORMAL);
    RECT clip{10, 10, 14, 40};
    ExtTextOutA(sheet.m_hDc, 10, 10, ETO_CLIPPED, &clip, "MMMM", 4, nullptr);
    for (int py = 0; py < kSheet; ++py) {
        for (int px = 14; px < kSheet; ++px) {
            ASSERT_EQ(sheet.At(px, py), 0u) << px << "," << py;
        }
    }
}

TEST(DrawTextTest, WordBreaksAndLineFeedsStartNewLinesAndMeasuringDrawsNothing) {
    FontSheet sheet(12, FW_NORMAL);
    RECT oneLine{0, 0, kSheet, kSheet};
    int lineHeight = DrawTextA(sheet.m_hDc, "Loading", -1, &oneLine, DT_CALCRECT);
    ASSERT_GT(lineHeight, 0);
    RECT rect{0, 0, kSheet, kSheet};
    int height =
        DrawTextA(sheet.m_hDc, "Loading... Please wait\n2004.5 m.quillern", -1, &rect, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_GE(height, 2 * lineHeight);
    EXPECT_EQ(rect.bottom, height);
    for (int k = 0; k < kSheet * kSheet; ++k) {
        ASSERT_EQ(sheet.m_pBits[k], 0u);
    }
    RECT narrow{0, 0, 70, kSheet};
    int wrapped = DrawTextA(sheet.m_hDc, "Loading... Please wait", -1, &narrow, DT_WORDBREAK);
    EXPECT_GE(wrapped, 2 * lineHeight);
    // Ink on the second line, none right of the rectangle.
    bool secondLine = false;
    for (int py = lineHeight; py < 2 * lineHeight; ++py) {
        for (int px = 0; px < 70; ++px) {
            secondLine = secondLine || sheet.At(px, py) != 0;
        }
        for (int px = 70; px < kSheet; ++px) {
            ASSERT_EQ(sheet.At(px, py), 0u);
        }
    }
    EXPECT_TRUE(secondLine);
    RECT wide{0, 0, kSheet * 4, kSheet};
    EXPECT_EQ(DrawTextA(sheet.m_hDc, "Loading... Please wait", -1, &wide, DT_WORDBREAK | DT_CALCRECT), lineHeight);
}

// The ink of the loading message on a window DC, and whether the picture is
// made of 2x2 blocks all through (an enlarged one is).
struct LoadingInk {
    int m_nInk = 0;
    bool m_bBlocky = true;
};

LoadingInk DrawLoadingMessage(int scale) {
    win::SetScaleOverride(scale);
    RecordingWindow window(256, 128, true);
    win::SetScaleOverride(1);
    HDC dc = GetDC(window.Handle());
    LoadingInk result;
    EXPECT_NE(dc, nullptr);
    if (dc == nullptr) {
        return result;
    }
    RECT client{};
    GetClientRect(window.Handle(), &client);
    EXPECT_EQ(dc->m_pOwnBitmap->m_nWidth, client.right * scale);
    EXPECT_EQ(dc->m_pOwnBitmap->m_nHeight, client.bottom * scale);
    EXPECT_GT(DrawTextA(dc, "Loading... Please wait\n2004.5 m.quillern", -1, &client, DT_WORDBREAK), 0);
    // Default colours: black text on the white class background.
    const HBITMAP picture = dc->m_pOwnBitmap.get();
    for (int y = 0; y < picture->m_nHeight; ++y) {
        for (int x = 0; x < picture->m_nWidth; ++x) {
            const std::uint32_t pixel = picture->Row(y)[x];
            result.m_nInk += pixel != 0x00FFFFFFu ? 1 : 0;
            result.m_bBlocky = result.m_bBlocky && pixel == picture->Row(y & ~1)[x & ~1];
        }
    }
    EXPECT_EQ(ReleaseDC(window.Handle(), dc), 1);
    EXPECT_EQ(ReleaseDC(window.Handle(), dc), 0);
    return result;
}

TEST(DrawTextTest, TheLoadingMessageDrawsOnAWindowDcSharpAtTheScreensScale) {
    const LoadingInk one = DrawLoadingMessage(1);
    EXPECT_GT(one.m_nInk, 50);
    // At 2x the picture has the device's pixels and the text is drawn at
    // twice the size (about four times the ink), not enlarged.
    const LoadingInk two = DrawLoadingMessage(2);
    EXPECT_GT(two.m_nInk, one.m_nInk * 3);
    EXPECT_LT(two.m_nInk, one.m_nInk * 5);
    EXPECT_FALSE(two.m_bBlocky);
}

TEST(FontLocatorTest, ArialResolvesToItsMetricCompatibleFace) {
    std::string file;
    int index = -1;
    ASSERT_TRUE(FontLocator::Find("Arial", true, false, &file, &index));
    EXPECT_NE(file.find("LiberationSans-Bold"), std::string::npos) << file;
    EXPECT_EQ(index, 0);
    ASSERT_TRUE(FontLocator::Find("Arial", false, true, &file, &index));
    EXPECT_NE(file.find("LiberationSans-Italic"), std::string::npos) << file;
}
}  // namespace
