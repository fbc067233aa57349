#include <gtest/gtest.h>

#include <string>

#include "WindowTestSupport.h"
#include "framework/FrameResources.h"
#include "platform/win/GlWindow.h"
#include "platform/win/Menu.h"
#include "platform/win/WindowLayer.h"

namespace {
std::string MenuText(HMENU menu, UINT item, UINT by = MF_BYPOSITION) {
    char text[64] = {};
    GetMenuStringA(menu, item, text, sizeof(text), by);
    return text;
}

TEST(MenuResourceTest, BothMenusHoldTheirCommands) {
    RegisterFrameResources();
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(141));
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    HMENU file = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(file), 3);
    EXPECT_EQ(GetMenuItemID(file, 0), 40002u);
    EXPECT_EQ(GetMenuItemID(file, 2), 40006u);
    EXPECT_EQ(MenuText(file, 2), "E&xit\tESC");

    EXPECT_TRUE(DestroyMenu(menu));

    // The context menu: the same popup without the Esc shortcut.
    HMENU context = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(142));
    HMENU popup = GetSubMenu(context, 0);
    ASSERT_EQ(GetMenuItemCount(popup), 3);
    EXPECT_EQ(GetMenuItemID(popup, 0), 40002u);
    EXPECT_EQ(MenuText(context, 40006, MF_BYCOMMAND), "E&xit");
    EXPECT_TRUE(DestroyMenu(context));
}

TEST(MenuTextTest, MnemonicsAreHiddenTheShortcutSplitOffAndLongTextsCut) {
    char label[32];
    char shortcut[16];
    SplitMenuText("Config &display...\tF2", label, sizeof(label), shortcut, sizeof(shortcut));
    EXPECT_STREQ(label, "Config display...");
    EXPECT_STREQ(shortcut, "F2");
    SplitMenuText("A very long menu text", label, 7, shortcut, sizeof(shortcut));
    EXPECT_STREQ(label, "A very");
}

class MenuOverlayTest : public ::testing::Test {
protected:
    MenuOverlayTest() : m_window(320, 240, true), m_mouse(m_window.Handle()) {}

    void Click(UINT entry) {
        RECT rect{};
        ASSERT_TRUE(win_hooks::GetMenuEntryRect(m_window.Handle(), entry, &rect)) << entry;
        m_mouse.ClickCentre(rect);
    }

    // The context menu at a client position; the caller's copy is let go at
    // once, as the popup keeps its own.
    void OpenContextMenu(LONG x, LONG y) {
        HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(142));
        POINT at{x, y};
        ClientToScreen(m_window.Handle(), &at);
        ASSERT_TRUE(TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_VERTICAL, at.x, at.y, m_window.Handle(), nullptr));
        DestroyMenu(menu);
        EXPECT_TRUE(win::IsMenuOpen(m_window.Handle()));
    }

    RecordingWindow m_window;
    OverlayMouse m_mouse;
};

TEST_F(MenuOverlayTest, TheMenuBarFillsTheStripAboveTheClientArea) {
    m_mouse.Frames(2);
    RECT bar{};
    ASSERT_TRUE(win_hooks::GetMenuEntryRect(m_window.Handle(), win_hooks::kMenuBar, &bar));
    EXPECT_EQ(EdgesOf(bar), Edges(0, 0, 320, win::kMenuStripHeight));
    RECT title{};
    ASSERT_TRUE(win_hooks::GetMenuEntryRect(m_window.Handle(), win_hooks::kMenuBarTitle, &title));
    EXPECT_GE(title.top, 0);
    EXPECT_LE(title.bottom, win::kMenuStripHeight);
    EXPECT_GT(title.right - title.left, 10);
    EXPECT_FALSE(win::IsMenuOpen(m_window.Handle()));
}

TEST_F(MenuOverlayTest, ThePresentHookDrawsTheMenusOfTheWindowWhoseContextIsCurrent) {
    ASSERT_TRUE(win::MakeGlWindowCurrent(m_window.Handle()));
    win::DrawCurrentWindowOverlay(nullptr);
    RECT bar{};
    EXPECT_TRUE(win_hooks::GetMenuEntryRect(m_window.Handle(), win_hooks::kMenuBar, &bar));
    RecordingWindow other(100, 100, true);
    win::ReleaseCurrentGl();
    win::DrawCurrentWindowOverlay(nullptr);
    EXPECT_FALSE(win_hooks::GetMenuEntryRect(other.Handle(), win_hooks::kMenuBar, &bar)) << "no context, no drawing";
}

TEST_F(MenuOverlayTest, ChoosingAContextMenuItemEndsTheMenuLoopThenSendsTheCommand) {
    OpenContextMenu(40, 40);
    m_mouse.Frames(3);
    std::vector<MSG> opened = TakeMessages();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].message, WM_ENTERMENULOOP);
    RECT exitRect{};
    ASSERT_TRUE(win_hooks::GetMenuEntryRect(m_window.Handle(), 40006, &exitRect));
    EXPECT_GE(exitRect.left, 40 - 2);
    EXPECT_GE(exitRect.top, 40 + win::kMenuStripHeight - 2);
    Click(40006);
    std::vector<MSG> chosen = TakeMessages();
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0].message, WM_EXITMENULOOP);
    EXPECT_EQ(chosen[1].message, WM_COMMAND);
    EXPECT_EQ(chosen[1].wParam, MAKEWPARAM(40006, 0));
    EXPECT_FALSE(win::IsMenuOpen(m_window.Handle()));
}

TEST_F(MenuOverlayTest, OnceOnScreenAnOpenMenuTakesTheKeyboardKeepsPaintsComingAndEscClosesIt) {
    OpenContextMenu(20, 20);
    // Not drawn yet: the key is still the window's.
    PushKey(m_window.Handle(), SDL_KEYDOWN, SDLK_ESCAPE);
    std::vector<MSG> taken = TakeMessages();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].message, WM_KEYDOWN);

    m_mouse.Frames(1);
    TakeMessages();
    MSG msg{};
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_PAINT);
    // The key must not reach the window now (it would close the program).
    PushKey(m_window.Handle(), SDL_KEYDOWN, SDLK_ESCAPE);
    EXPECT_TRUE(TakeMessages().empty());
    m_mouse.Frames(2);
    taken = TakeMessages();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].message, WM_EXITMENULOOP);
    EXPECT_FALSE(win::IsMenuOpen(m_window.Handle()));
}
}  // namespace
