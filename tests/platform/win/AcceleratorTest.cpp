#include <gtest/gtest.h>

#include <vector>

#include "framework/FrameResources.h"
#include "platform/win/MessageQueue.h"

namespace {
constexpr LPARAM kAltDown = LPARAM{1} << 29;
std::vector<WPARAM> g_commands;

LRESULT CommandProcedure(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND) {
        g_commands.push_back(wParam);
    }
    return 0;
}

MSG KeyMessage(HWND hwnd, UINT message, WPARAM key, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = key;
    msg.lParam = lParam | 1;
    return msg;
}

TEST(AcceleratorTest, OnlyTheTablesKeyPressesBecomeCommandsForTheWindow) {
    RegisterFrameResources();
    HWND hwnd = win::CreateWindowObject(CommandProcedure);
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(113));
    ASSERT_NE(table, nullptr);
    struct Case {
        UINT message;
        WPARAM key;
        LPARAM lParam;
        WORD command;  // 0: not translated
    };
    const Case cases[] = {
        {WM_KEYDOWN, VK_ESCAPE, 0, 40006},
        {WM_KEYDOWN, VK_F2, 0, 40002},
        {WM_SYSKEYDOWN, VK_RETURN, kAltDown, 40003},
        {WM_SYSKEYDOWN, 'X', kAltDown, 40006},
        // Other keys and modifiers, and anything but a key press.
        {WM_KEYDOWN, VK_RETURN, 0, 0},
        {WM_KEYDOWN, 'X', 0, 0},
        {WM_SYSKEYDOWN, VK_ESCAPE, kAltDown, 0},
        {WM_SYSKEYDOWN, VK_F2, kAltDown, 0},
        {WM_KEYUP, VK_ESCAPE, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.message << " " << c.key);
        g_commands.clear();
        MSG msg = KeyMessage(hwnd, c.message, c.key, c.lParam);
        EXPECT_EQ(TranslateAcceleratorA(hwnd, table, &msg), c.command != 0 ? 1 : 0);
        // Sent as commands from an accelerator: HIWORD(wParam) is 1.
        EXPECT_EQ(g_commands, c.command != 0 ? std::vector<WPARAM>{MAKEWPARAM(c.command, 1)} : std::vector<WPARAM>{});
    }

    win::DestroyWindowObject(hwnd);
}
}  // namespace
