#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "WindowTestSupport.h"
#include "platform/win/WinGdi.h"
#include "platform/win/WindowLayer.h"

namespace {
TEST(CaptureTest, CaptureIsHeldUntilReleasedAndForgottenWithItsWindow) {
    RecordingWindow window(100, 100, false);
    HWND hwnd = window.Handle();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(SetCapture(hwnd), nullptr);
    EXPECT_EQ(GetCapture(), hwnd);
    EXPECT_EQ(SetCapture(hwnd), hwnd);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    SetCapture(hwnd);
    DestroyWindow(hwnd);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(CursorPositionTest, ClientCoordinatesStartBelowTheMenuStripAndTheScreenPositionIsKept) {
    RecordingWindow window(200, 150, true);
    HWND hwnd = window.Handle();
    RECT bounds{};
    GetWindowRect(hwnd, &bounds);
    POINT point{5, 7};
    ASSERT_TRUE(ClientToScreen(hwnd, &point));
    EXPECT_EQ(point.x, bounds.left + 5);
    EXPECT_EQ(point.y, bounds.top + win::kMenuStripHeight + 7);
    ASSERT_TRUE(ScreenToClient(hwnd, &point));
    EXPECT_EQ(point.x, 5);
    EXPECT_EQ(point.y, 7);
    // SetCursorPos is what GetCursorPos reads.
    ASSERT_TRUE(SetCursorPos(123, 45));
    ASSERT_TRUE(GetCursorPos(&point));
    EXPECT_EQ(point.x, 123);
    EXPECT_EQ(point.y, 45);
}

TEST(CursorTest, ShowCountsNestAndSetCursorReturnsThePreviousShape) {
    int start = ShowCursor(TRUE);
    EXPECT_EQ(ShowCursor(FALSE), start - 1);
    EXPECT_EQ(ShowCursor(FALSE), start - 2);
    EXPECT_EQ(ShowCursor(TRUE), start - 1);
    ShowCursor(TRUE);
    ShowCursor(FALSE);

    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(arrow, nullptr);
    SetCursor(arrow);
    EXPECT_EQ(SetCursor(nullptr), arrow);
    EXPECT_EQ(SetCursor(arrow), nullptr);
}

TEST(CursorImageTest, TheArrowIsAMonochromeCursorWithAndOverXorMasksAndTheIconIsInColour) {
    // Read the way the frame builds its device cursor.
    ICONINFO arrow{};
    ASSERT_TRUE(GetIconInfo(LoadCursorA(nullptr, IDC_ARROW), &arrow));
    EXPECT_EQ(arrow.hbmColor, nullptr);
    BITMAP mask{};
    ASSERT_EQ(GetObjectA(arrow.hbmMask, sizeof(mask), &mask), static_cast<int>(sizeof(BITMAP)));
    ASSERT_EQ(mask.bmWidth, 32);
    ASSERT_EQ(mask.bmHeight, 64);
    EXPECT_EQ(mask.bmBitsPixel, 1);
    EXPECT_EQ(mask.bmWidthBytes, 4);
    BITMAPINFO header = DibInfo(32, 64, 32);
    std::vector<std::uint32_t> rows(32 * 64);  // bottom-up
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDIBits(screen, arrow.hbmMask, 0, 64, rows.data(), &header, DIB_RGB_COLORS), 64);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(DeleteObject(arrow.hbmMask));
    EXPECT_FALSE(DeleteObject(arrow.hbmMask));
    auto and_ = [&](int x, int y) { return rows[(63 - y) * 32 + x]; };
    auto xor_ = [&](int x, int y) { return rows[(31 - y) * 32 + x]; };
    // The tip is drawn (black outline), the inside white, far away transparent.
    EXPECT_EQ(and_(0, 0), 0u);
    EXPECT_EQ(xor_(0, 0), 0u);
    EXPECT_EQ(and_(1, 5), 0u);
    EXPECT_EQ(xor_(1, 5), 0x00FFFFFFu);
    EXPECT_EQ(and_(30, 30), 0x00FFFFFFu);
    EXPECT_EQ(xor_(30, 30), 0u);

    // The program's icon, unlike the cursor, is in colour.
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(101));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    EXPECT_TRUE(info.fIcon);
    ASSERT_NE(info.hbmColor, nullptr);
    BITMAP colour{};
    ASSERT_TRUE(GetObjectA(info.hbmColor, sizeof(colour), &colour));
    EXPECT_EQ(colour.bmWidth, 32);
    EXPECT_EQ(colour.bmHeight, 32);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(102)), nullptr);
}
}  // namespace
