// The device cursor built from the window system's arrow, with and without
// the watermark in its corner.
#include <gtest/gtest.h>

#include "framework/AppFrame.h"
#include "platform/win/WinGdi.h"
#include "support/FrameHarness.h"

namespace {

constexpr WORD kPattern[5] = {0xCCC0, 0xA2A0, 0xA4A0, 0xA2A0, 0xCCC0};

TEST(DeviceCursorTest, ArrowBecomesOpaqueAndTransparentPixelsWithTheWatermarkOred) {
    BackendLog log;
    IDirect3DDevice8* device = CreateBareTestDevice(&log, 64, 64);
    ASSERT_NE(nullptr, device);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(nullptr, arrow);

    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(arrow, &info));
    BITMAP bm = {};
    ASSERT_NE(0, GetObjectA(info.hbmMask, sizeof(bm), &bm));
    const auto width = static_cast<UINT>(bm.bmWidth);
    const auto height = static_cast<UINT>(info.hbmColor == nullptr ? bm.bmHeight / 2 : bm.bmHeight);
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) {
        DeleteObject(info.hbmColor);
    }

    ASSERT_EQ(S_OK, SetDeviceCursor(device, arrow, FALSE));
    EXPECT_EQ(width, log.m_uCursorWidth);
    EXPECT_EQ(height, log.m_uCursorHeight);
    EXPECT_EQ(info.xHotspot, log.m_uHotX);
    EXPECT_EQ(info.yHotspot, log.m_uHotY);
    const std::vector<DWORD> plain = log.m_cursorPixels;
    ASSERT_EQ(static_cast<std::size_t>(width) * height, plain.size());
    int opaque = 0;
    int transparent = 0;
    for (DWORD pixel : plain) {
        if (pixel == 0) {
            ++transparent;
        } else {
            EXPECT_EQ(0xFF000000u, pixel & 0xFF000000u);
            ++opaque;
        }
    }
    EXPECT_GT(opaque, 0);
    EXPECT_GT(transparent, 0);

    ASSERT_EQ(S_OK, SetDeviceCursor(device, arrow, TRUE));
    const std::vector<DWORD>& marked = log.m_cursorPixels;
    ASSERT_EQ(plain.size(), marked.size());
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            const bool bMark = x < 12 && y < 5 && (kPattern[y] & (1u << (15 - x))) != 0;
            const DWORD expected = bMark ? (plain[y * width + x] | 0xFF808080) : plain[y * width + x];
            EXPECT_EQ(expected, marked[y * width + x]) << x << "," << y;
        }
    }

    // No cursor: a failure, and the device keeps the one it had.
    EXPECT_EQ(E_FAIL, SetDeviceCursor(device, nullptr, TRUE));
    EXPECT_EQ(marked.size(), log.m_cursorPixels.size());
    EXPECT_EQ(0u, device->Release());
}

}  // namespace
