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

class AcceleratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_commands.clear();
        m_hWnd = win::CreateWindowObject(CommandProcedure);
        RegisterFrameResources();
        m_hAccel = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(113));
    }
    void TearDown() override { win::DestroyWindowObject(m_hWnd); }

    int Translate(UINT message, WPARAM key, LPARAM lParam) {
        MSG msg{};
        msg.hwnd = m_hWnd;
        msg.message = message;
        msg.wParam = key;
        msg.lParam = lParam | 1;
        return TranslateAcceleratorA(m_hWnd, m_hAccel, &msg);
    }

    HWND m_hWnd = nullptr;
    HACCEL m_hAccel = nullptr;
};

TEST_F(AcceleratorTest, TheTableGivesTheProgramsCommands) {
    ASSERT_NE(m_hAccel, nullptr);
    EXPECT_EQ(Translate(WM_KEYDOWN, VK_ESCAPE, 0), 1);
    EXPECT_EQ(Translate(WM_KEYDOWN, VK_F2, 0), 1);
    EXPECT_EQ(Translate(WM_SYSKEYDOWN, VK_RETURN, kAltDown), 1);
    EXPECT_EQ(Translate(WM_SYSKEYDOWN, 'X', kAltDown), 1);
    // Sent as commands from an accelerator: HIWORD(wParam) is 1.
    EXPECT_EQ(g_commands, (std::vector<WPARAM>{MAKEWPARAM(40006, 1), MAKEWPARAM(40002, 1), MAKEWPARAM(40003, 1),
                                               MAKEWPARAM(40006, 1)}));
}

TEST_F(AcceleratorTest, OtherKeysModifiersMessagesTablesAndWindowsTranslateNothing) {
    EXPECT_EQ(Translate(WM_KEYDOWN, VK_RETURN, 0), 0);
    EXPECT_EQ(Translate(WM_KEYDOWN, 'X', 0), 0);
    EXPECT_EQ(Translate(WM_SYSKEYDOWN, VK_ESCAPE, kAltDown), 0);
    EXPECT_EQ(Translate(WM_SYSKEYDOWN, VK_F2, kAltDown), 0);
    EXPECT_EQ(Translate(WM_KEYDOWN, 'Y', 0), 0);
    // Only key presses translate.
    EXPECT_EQ(Translate(WM_KEYUP, VK_ESCAPE, 0), 0);
    EXPECT_EQ(Translate(WM_CHAR, VK_ESCAPE, 0), 0);
    EXPECT_EQ(Translate(WM_USER, VK_ESCAPE, 0), 0);

    EXPECT_EQ(LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(114)), nullptr);
    MSG msg{};
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_ESCAPE;
    EXPECT_EQ(TranslateAcceleratorA(nullptr, m_hAccel, &msg), 0);
    EXPECT_EQ(TranslateAcceleratorA(m_hWnd, nullptr, &msg), 0);
    EXPECT_TRUE(g_commands.empty());
}
}  // namespace
