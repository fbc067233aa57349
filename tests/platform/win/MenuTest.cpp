#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>
#include <string>

#include "WindowTestSupport.h"
#include "framework/FrameResources.h"
#include "platform/win/GlWindow.h"
#include "platform/win/Menu.h"
#include "platform/win/WindowLayer.h"

namespace {
std::string MenuText(HMENU menu, UINT position) {
    char text[64] = {};
    GetMenuStringA(menu, position, text, sizeof(text), MF_BYPOSITION);
    return text;
}

TEST(MenuResourceTest, TheWindowMenuHasTheFilePopupAndDestroyedOrUnknownMenusAreRefused) {
    RegisterFrameResources();
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(141));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    EXPECT_EQ(MenuText(menu, 0), "&File");
    HMENU file = GetSubMenu(menu, 0);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(GetMenuItemCount(file), 3);
    EXPECT_EQ(GetMenuItemID(file, 0), 40002u);
    EXPECT_EQ(MenuText(file, 0), "Config &display...\tF2");
    EXPECT_EQ(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(file, 2), 40006u);
    EXPECT_EQ(MenuText(file, 2), "E&xit\tESC");

    // Destroyed, submenus and unknown menus are refused.
    EXPECT_FALSE(DestroyMenu(file)) << "a submenu belongs to its parent";
    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_FALSE(DestroyMenu(menu));
    EXPECT_EQ(GetSubMenu(menu, 0), nullptr);
    EXPECT_EQ(GetMenuItemCount(file), -1);
    EXPECT_EQ(GetSubMenu(nullptr, 0), nullptr);
    EXPECT_EQ(LoadMenuA(nullptr, MAKEINTRESOURCE(143)), nullptr);
}

TEST(MenuResourceTest, TheContextMenuHasThePopupWithoutTheEscShortcut) {
    RegisterFrameResources();
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(142));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(MenuText(menu, 0), "Popup");
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(popup), 3);
    EXPECT_EQ(MenuText(popup, 0), "Config &display...\tF2");
    EXPECT_EQ(MenuText(popup, 2), "E&xit");
    char byCommand[32] = {};
    EXPECT_GT(GetMenuStringA(menu, 40006, byCommand, sizeof(byCommand), MF_BYCOMMAND), 0);
    EXPECT_STREQ(byCommand, "E&xit");
    EXPECT_TRUE(DestroyMenu(menu));
}

TEST(MenuTextTest, MnemonicsAreHiddenAndTheShortcutSplitOff) {
    char label[32];
    char shortcut[16];
    SplitMenuText("Config &display...\tF2", label, sizeof(label), shortcut, sizeof(shortcut));
    EXPECT_STREQ(label, "Config display...");
    EXPECT_STREQ(shortcut, "F2");
    SplitMenuText("Salt && &Pepper", label, sizeof(label), shortcut, sizeof(shortcut));
    EXPECT_STREQ(label, "Salt & Pepper");
    EXPECT_STREQ(shortcut, "");
    SplitMenuText("A very long menu text", label, 7, shortcut, sizeof(shortcut));
    EXPECT_STREQ(label, "A very");
}

// Drives the overlay's mouse.
float g_fMouseX = -1.0f;
float g_fMouseY = -1.0f;
bool g_bMouseDown = false;

void TestMouse(float* x, float* y, bool* down) {
    *x = g_fMouseX;
    *y = g_fMouseY;
    *down = g_bMouseDown;
}

class MenuOverlayTest : public ::testing::Test {
protected:
    MenuOverlayTest() : m_window(320, 240, true) {}
    void SetUp() override {
        win_hooks::SetOverlayMouse(TestMouse);
        g_fMouseX = -1.0f;
        g_fMouseY = -1.0f;
        g_bMouseDown = false;
    }
    void TearDown() override { win_hooks::SetOverlayMouse(nullptr); }

    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            win::DrawWindowOverlay(m_window.Handle());
        }
    }

    // Moves onto an entry, presses and releases, a frame each.
    void Click(UINT entry) {
        RECT rect{};
        ASSERT_TRUE(win_hooks::GetMenuEntryRect(m_window.Handle(), entry, &rect)) << entry;
        g_fMouseX = static_cast<float>(rect.left + rect.right) * 0.5f;
        g_fMouseY = static_cast<float>(rect.top + rect.bottom) * 0.5f;
        Frames(1);
        g_bMouseDown = true;
        Frames(1);
        g_bMouseDown = false;
        Frames(1);
    }

    std::vector<MSG> Posted() {
        std::vector<MSG> taken;
        MSG msg{};
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message != WM_PAINT) {
                taken.push_back(msg);
            }
        }
        return taken;
    }

    RecordingWindow m_window;
};

TEST_F(MenuOverlayTest, TheMenuBarFillsTheStripAboveTheClientArea) {
    Frames(2);
    RECT bar{};
    ASSERT_TRUE(win_hooks::GetMenuEntryRect(m_window.Handle(), win_hooks::kMenuBar, &bar));
    EXPECT_EQ(bar.left, 0);
    EXPECT_EQ(bar.top, 0);
    EXPECT_EQ(bar.right, 320);
    EXPECT_EQ(bar.bottom, win::kMenuStripHeight);
    RECT title{};
    ASSERT_TRUE(win_hooks::GetMenuEntryRect(m_window.Handle(), win_hooks::kMenuBarTitle, &title));
    EXPECT_GE(title.top, 0);
    EXPECT_LE(title.bottom, win::kMenuStripHeight)
        << title.left << "," << title.top << "," << title.right << "," << title.right;
    EXPECT_GT(title.right - title.left, 10)
        << title.left << "," << title.top << "," << title.right << "," << title.bottom;
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
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(142));
    POINT at{40, 40};
    ClientToScreen(m_window.Handle(), &at);
    ASSERT_TRUE(TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_VERTICAL, at.x, at.y, m_window.Handle(), nullptr));
    // The caller may let go of the menu at once: the popup keeps its own copy.
    DestroyMenu(menu);
    EXPECT_TRUE(win::IsMenuOpen(m_window.Handle()));
    Frames(3);
    std::vector<MSG> opened = Posted();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].message, WM_ENTERMENULOOP);
    RECT exitRect{};
    ASSERT_TRUE(win_hooks::GetMenuEntryRect(m_window.Handle(), 40006, &exitRect));
    EXPECT_GE(exitRect.left, 40 - 2);
    EXPECT_GE(exitRect.top, 40 + win::kMenuStripHeight - 2);
    Click(40006);
    std::vector<MSG> chosen = Posted();
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0].message, WM_EXITMENULOOP);
    EXPECT_EQ(chosen[1].message, WM_COMMAND);
    EXPECT_EQ(chosen[1].wParam, MAKEWPARAM(40006, 0));
    EXPECT_FALSE(win::IsMenuOpen(m_window.Handle()));
}

TEST_F(MenuOverlayTest, TheFileMenuOpensFromTheBarAndItsItemsSendCommands) {
    Frames(2);
    Click(win_hooks::kMenuBarTitle);
    Frames(2);
    EXPECT_TRUE(win::IsMenuOpen(m_window.Handle()));
    std::vector<MSG> opened = Posted();
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened[0].message, WM_ENTERMENULOOP);
    Click(40002);
    std::vector<MSG> chosen = Posted();
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0].message, WM_EXITMENULOOP);
    EXPECT_EQ(chosen[1].wParam, MAKEWPARAM(40002, 0));
}

TEST_F(MenuOverlayTest, AnOpenMenuTakesTheKeyboardAndEscClosesIt) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(142));
    POINT at{20, 20};
    ClientToScreen(m_window.Handle(), &at);
    TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_VERTICAL, at.x, at.y, m_window.Handle(), nullptr);
    DestroyMenu(menu);
    Frames(2);
    Posted();
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = SDL_GetWindowID(win::GetSdlWindow(m_window.Handle()));
    event.key.keysym.sym = SDLK_ESCAPE;
    SDL_PushEvent(&event);
    // The key must not reach the window (it would close the program).
    std::vector<MSG> during = Posted();
    EXPECT_TRUE(during.empty());
    Frames(2);
    std::vector<MSG> after = Posted();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].message, WM_EXITMENULOOP);
    EXPECT_FALSE(win::IsMenuOpen(m_window.Handle()));
}

TEST_F(MenuOverlayTest, APopupNotYetOnScreenLeavesTheKeyboardToTheWindow) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(142));
    TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_VERTICAL, 0, 0, m_window.Handle(), nullptr);
    DestroyMenu(menu);
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = SDL_GetWindowID(win::GetSdlWindow(m_window.Handle()));
    event.key.keysym.sym = SDLK_ESCAPE;
    SDL_PushEvent(&event);
    std::vector<MSG> taken = Posted();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].message, WM_KEYDOWN);
}

TEST_F(MenuOverlayTest, AnOpenMenuKeepsPaintsComing) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(142));
    TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_VERTICAL, 0, 0, m_window.Handle(), nullptr);
    DestroyMenu(menu);
    Frames(1);
    Posted();
    MSG msg{};
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_PAINT);
}
}  // namespace
