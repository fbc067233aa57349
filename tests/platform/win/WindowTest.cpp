#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "WindowTestSupport.h"
#include "platform/win/DisplayScale.h"
#include "platform/win/GlWindow.h"
#include "platform/win/WindowLayer.h"

namespace {
TEST(WindowTest, OnlyTheMenuStripIsAddedToTheClientAreaAndTheWindowKeepsItsValues) {
    const DWORD style = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
    RECT rect{0, 0, 512, 384};
    ASSERT_TRUE(AdjustWindowRect(&rect, style, TRUE));
    EXPECT_EQ(EdgesOf(rect), Edges(0, -win::kMenuStripHeight, 512, 384));
    rect = RECT{10, 20, 522, 404};
    ASSERT_TRUE(AdjustWindowRect(&rect, WS_POPUP | WS_SYSMENU | WS_VISIBLE, FALSE));
    EXPECT_EQ(EdgesOf(rect), Edges(10, 20, 522, 404));

    for (bool withMenu : {true, false}) {
        SCOPED_TRACE(withMenu ? "with a menu" : "without a menu");
        RecordingWindow window(512, 384, withMenu);
        HWND hwnd = window.Handle();
        const int strip = withMenu ? win::kMenuStripHeight : 0;
        RECT client{};
        ASSERT_TRUE(GetClientRect(hwnd, &client));
        EXPECT_EQ(EdgesOf(client), Edges(0, 0, 512, 384));
        RECT bounds{};
        ASSERT_TRUE(GetWindowRect(hwnd, &bounds));
        EXPECT_EQ(bounds.right - bounds.left, 512);
        EXPECT_EQ(bounds.bottom - bounds.top, 384 + strip);
        EXPECT_EQ(win::MenuStripHeight(hwnd), strip);
        EXPECT_EQ(GetMenu(hwnd), window.Menu());
        // The minimum tracking size becomes the window's minimum size.
        int width = 0;
        int height = 0;
        SDL_GetWindowMinimumSize(win::GetSdlWindow(hwnd), &width, &height);
        EXPECT_EQ(width, kTestMinTrack);
        EXPECT_EQ(height, kTestMinTrack);

        EXPECT_EQ(GetWindowLongA(hwnd, GWL_STYLE), static_cast<LONG>(style));
        const LONG popup = static_cast<LONG>(WS_POPUP | WS_SYSMENU | WS_VISIBLE);
        EXPECT_EQ(SetWindowLongA(hwnd, GWL_STYLE, popup), static_cast<LONG>(style));
        EXPECT_EQ(GetWindowLongA(hwnd, GWL_STYLE), popup);
        EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(hwnd, GCLP_HCURSOR)), LoadCursorA(nullptr, IDC_ARROW));
        EXPECT_NE(GetClassLongPtrA(hwnd, GCLP_HICON), 0u);
    }
}

TEST(WindowTest, SetWindowPosMovesAndSizesTheWholeWindow) {
    RecordingWindow window(300, 200, true);
    HWND hwnd = window.Handle();
    ASSERT_TRUE(SetWindowPos(hwnd, HWND_NOTOPMOST, 40, 50, 420, 320, SWP_SHOWWINDOW));
    RECT bounds{};
    GetWindowRect(hwnd, &bounds);
    EXPECT_EQ(bounds.right - bounds.left, 420);
    EXPECT_EQ(bounds.bottom - bounds.top, 320);
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.bottom, 320 - win::kMenuStripHeight);
    ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    GetWindowRect(hwnd, &bounds);
    EXPECT_EQ(bounds.right - bounds.left, 420);
}

TEST(WindowTest, AtScaleTwoSdlCountsPixelsAndTheProgramStillSeesLogicalUnits) {
    RECT titleAtOne{};
    {
        RecordingWindow plain(512, 384, true);
        OverlayMouse(plain.Handle()).Frames(2);
        ASSERT_TRUE(win_hooks::GetMenuEntryRect(plain.Handle(), win_hooks::kMenuBarTitle, &titleAtOne));
    }
    win::SetScaleOverride(2);
    RecordingWindow window(512, 384, true);
    win::SetScaleOverride(1);
    HWND hwnd = window.Handle();
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(win::GetSdlWindow(hwnd), &width, &height);
    EXPECT_EQ(std::pair(width, height), std::pair(1024, (384 + win::kMenuStripHeight) * 2));
    RECT rect{};
    ASSERT_TRUE(GetClientRect(hwnd, &rect));
    EXPECT_EQ(EdgesOf(rect), Edges(0, 0, 512, 384));

    SDL_Event event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.windowID = SDL_GetWindowID(win::GetSdlWindow(hwnd));
    event.button.button = SDL_BUTTON_LEFT;
    event.button.x = 200;
    event.button.y = 242;
    SDL_PushEvent(&event);
    RecordingWindow::DrainMessages();
    const auto& heard = RecordingWindow::Received();
    EXPECT_TRUE(std::any_of(heard.begin(), heard.end(), [](const RecordedMessage& m) {
        return m.message == WM_LBUTTONDOWN && m.lParam == MAKELPARAM(100, 100);
    }));

    OverlayMouse mouse(hwnd);
    mouse.Frames(2);
    ASSERT_TRUE(win_hooks::GetMenuEntryRect(hwnd, win_hooks::kMenuBar, &rect));
    EXPECT_EQ(EdgesOf(rect), Edges(0, 0, 512, win::kMenuStripHeight));
    ASSERT_TRUE(win_hooks::GetMenuEntryRect(hwnd, win_hooks::kMenuBarTitle, &rect));
    EXPECT_NEAR(rect.left, titleAtOne.left, 1);
    EXPECT_NEAR(rect.right, titleAtOne.right, 1);
    EXPECT_EQ(std::pair(rect.top, rect.bottom), std::pair(titleAtOne.top, titleAtOne.bottom));
    mouse.ClickAt(static_cast<float>(rect.right + 4), 10.0f);
    EXPECT_FALSE(win::IsMenuOpen(hwnd)) << "a click right of the title misses it";
    mouse.ClickCentre(rect);
    EXPECT_TRUE(win::IsMenuOpen(hwnd));
}

TEST(WindowTest, DestroyingTheWindowTakesItsMenuButNotOneDestroyedBefore) {
    HMENU menu = nullptr;
    {
        RecordingWindow window(100, 100, true);
        menu = window.Menu();
        ASSERT_TRUE(DestroyWindow(window.Handle()));
        EXPECT_FALSE(IsWindow(window.Handle()));
        EXPECT_FALSE(DestroyWindow(window.Handle()));
    }
    EXPECT_EQ(GetMenuItemCount(menu), -1);
    // The program destroys the menu first, then the window.
    RecordingWindow second(100, 100, true);
    ASSERT_TRUE(DestroyMenu(GetMenu(second.Handle())));
    EXPECT_EQ(GetMenu(second.Handle()), nullptr);
    EXPECT_EQ(win::MenuStripHeight(second.Handle()), 0);
    EXPECT_TRUE(DestroyWindow(second.Handle()));
}

TEST(FullScreenWindowTest, InFullScreenThereIsNoMenuStripAndTheClientIsTheWholeWindow) {
    RecordingWindow window(320, 240, true);
    SDL_Window* sdlWindow = win::GetSdlWindow(window.Handle());
    if (SDL_SetWindowFullscreen(sdlWindow, SDL_WINDOW_FULLSCREEN) != 0) {
        GTEST_SKIP() << "no full screen here: " << SDL_GetError();
    }
    EXPECT_EQ(win::MenuStripHeight(window.Handle()), 0);
    RECT client{};
    RECT bounds{};
    GetClientRect(window.Handle(), &client);
    GetWindowRect(window.Handle(), &bounds);
    EXPECT_EQ(client.bottom, bounds.bottom - bounds.top);
    // No context menu in full screen.
    SDL_Event event{};
    event.type = SDL_MOUSEBUTTONUP;
    event.button.windowID = SDL_GetWindowID(sdlWindow);
    event.button.button = SDL_BUTTON_RIGHT;
    event.button.x = 10;
    event.button.y = 10;
    SDL_PushEvent(&event);
    std::vector<UINT> ids = RecordingWindow::DrainMessages();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), WM_CONTEXTMENU), 0);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), WM_RBUTTONUP), 1);
    SDL_SetWindowFullscreen(sdlWindow, 0);
    EXPECT_EQ(win::MenuStripHeight(window.Handle()), win::kMenuStripHeight);
}

TEST(GlDriverTest, TheRasterizerDrawsOnTheCallingThreadUnlessTheUserChoseACount) {
    const char* before = std::getenv("LP_NUM_THREADS");
    const std::string saved = before != nullptr ? before : "";
    unsetenv("LP_NUM_THREADS");
    win::PrepareGlDriver();
    EXPECT_STREQ(std::getenv("LP_NUM_THREADS"), "0");
    setenv("LP_NUM_THREADS", "3", 1);
    win::PrepareGlDriver();
    EXPECT_STREQ(std::getenv("LP_NUM_THREADS"), "3");
    if (before != nullptr) {
        setenv("LP_NUM_THREADS", saved.c_str(), 1);
    } else {
        unsetenv("LP_NUM_THREADS");
    }
}
}  // namespace
