#include <gtest/gtest.h>

#include <SDL.h>

#include "WindowTestSupport.h"
#include "platform/win/EventTranslator.h"
#include "platform/win/GlWindow.h"
#include "platform/win/KeyMap.h"
#include "platform/win/WindowLayer.h"
#include "platform/win/WindowObject.h"
#include "platform/win/WindowVisibility.h"

#include <SDL_syswm.h>

namespace {
class WindowEventsTest : public ::testing::Test {
protected:
    WindowEventsTest() : m_window(320, 200, true) {}

    Uint32 WindowId() const { return SDL_GetWindowID(win::GetSdlWindow(m_window.Handle())); }

    void PushWindowEvent(Uint8 what) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = WindowId();
        event.window.event = what;
        SDL_PushEvent(&event);
    }

    void PushButton(Uint32 type, Uint8 button, int x, int y) {
        SDL_Event event{};
        event.type = type;
        event.button.windowID = WindowId();
        event.button.button = button;
        event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.button.x = x;
        event.button.y = y;
        SDL_PushEvent(&event);
    }

    RecordingWindow m_window;
};

TEST_F(WindowEventsTest, KeysBecomeKeyMessagesWithVirtualKeysAndAltAsSystemKeys) {
    HWND hwnd = m_window.Handle();
    PushKey(hwnd, SDL_KEYDOWN, SDLK_ESCAPE);
    PushKey(hwnd, SDL_KEYDOWN, SDLK_F2, KMOD_NONE, 1);
    PushKey(hwnd, SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT);
    PushKey(hwnd, SDL_KEYDOWN, SDLK_x, KMOD_LALT);
    PushKey(hwnd, SDL_KEYUP, SDLK_x);
    std::vector<MSG> taken = TakeMessages();
    ASSERT_EQ(taken.size(), 5u);
    EXPECT_EQ(taken[0].message, WM_KEYDOWN);
    EXPECT_EQ(taken[0].wParam, VK_ESCAPE);
    EXPECT_EQ(taken[0].lParam & 0xFFFF, 1);
    EXPECT_EQ(taken[0].lParam & (1 << 29), 0);
    EXPECT_EQ(taken[1].wParam, VK_F2);
    EXPECT_NE(taken[1].lParam & (1 << 30), 0) << "a repeat has the previous-state bit";
    EXPECT_EQ(taken[2].message, WM_SYSKEYDOWN);
    EXPECT_EQ(taken[2].wParam, VK_RETURN);
    EXPECT_NE(taken[2].lParam & (1 << 29), 0);
    EXPECT_EQ(taken[3].message, WM_SYSKEYDOWN);
    EXPECT_EQ(taken[3].wParam, static_cast<WPARAM>('X'));
    EXPECT_EQ(taken[4].message, WM_KEYUP);
    EXPECT_NE(static_cast<DWORD>(taken[4].lParam) & 0xC0000000u, 0u);
}

TEST_F(WindowEventsTest, AResizeOrAMoveIsAWholeSizeMoveLoopWithTheNewClientSize) {
    SDL_SetWindowSize(win::GetSdlWindow(m_window.Handle()), 400, 300 + win::kMenuStripHeight);
    RecordingWindow::Received().clear();
    std::vector<UINT> order = RecordingWindow::DrainMessages();
    std::erase(order, WM_PAINT);
    EXPECT_EQ(order, (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_SIZE, WM_EXITSIZEMOVE}));
    // The tracking limits were asked for at once, and the size carries the client area.
    ASSERT_FALSE(RecordingWindow::Received().empty());
    EXPECT_EQ(RecordingWindow::Received().front().message, WM_GETMINMAXINFO);
    for (const RecordedMessage& message : RecordingWindow::Received()) {
        if (message.message == WM_SIZE) {
            EXPECT_EQ(message.wParam, SIZE_RESTORED);
            EXPECT_EQ(message.lParam, MAKELPARAM(400, 300));
        }
    }
    // A move ends a loop of its own, so the program notes where the window went.
    PushWindowEvent(SDL_WINDOWEVENT_MOVED);
    order = RecordingWindow::DrainMessages();
    std::erase(order, WM_PAINT);
    EXPECT_EQ(order, (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}));
}

TEST_F(WindowEventsTest, MinimiseHideRestoreCloseQuitAndExposeBecomeTheirMessages) {
    PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    PushWindowEvent(SDL_WINDOWEVENT_HIDDEN);
    PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    // An interrupt closes the window like its close button.
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    std::vector<MSG> taken = TakeMessages();
    ASSERT_EQ(taken.size(), 5u);
    EXPECT_EQ(taken[0].message, WM_SIZE);
    EXPECT_EQ(taken[0].wParam, SIZE_MINIMIZED);
    EXPECT_EQ(taken[1].wParam, SIZE_MAXHIDE);
    EXPECT_EQ(taken[2].wParam, SIZE_RESTORED);
    EXPECT_EQ(taken[3].message, WM_CLOSE);
    EXPECT_EQ(taken[4].message, WM_CLOSE);
    EXPECT_EQ(taken[4].hwnd, m_window.Handle());

    PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_PAINT);
    EXPECT_EQ(msg.hwnd, m_window.Handle());
}

TEST_F(WindowEventsTest, MouseEventsUseClientCoordinatesBelowTheMenuStrip) {
    const int strip = win::kMenuStripHeight;
    PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 30, strip + 40);
    PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 31, strip + 41);
    // On the menu strip: not the client area's.
    PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 5);
    std::vector<MSG> taken = TakeMessages();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].message, WM_LBUTTONDOWN);
    EXPECT_EQ(GET_X_LPARAM(taken[0].lParam), 30);
    EXPECT_EQ(GET_Y_LPARAM(taken[0].lParam), 40);
    EXPECT_EQ(taken[1].message, WM_LBUTTONUP);

    // A captured mouse gets its events even over the strip.
    SetCapture(m_window.Handle());
    PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 10, 5);
    taken = TakeMessages();
    ReleaseCapture();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].message, WM_LBUTTONUP);
    EXPECT_EQ(GET_Y_LPARAM(taken[0].lParam), 5 - strip);

    // A right click opens the context menu at the screen position.
    PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 50, strip + 60);
    PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 50, strip + 60);
    taken = TakeMessages();
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].message, WM_RBUTTONDOWN);
    EXPECT_EQ(taken[1].message, WM_RBUTTONUP);
    EXPECT_EQ(taken[2].message, WM_CONTEXTMENU);
    POINT client{50, 60};
    ClientToScreen(m_window.Handle(), &client);
    EXPECT_EQ(GET_X_LPARAM(taken[2].lParam), client.x);
    EXPECT_EQ(GET_Y_LPARAM(taken[2].lParam), client.y);

    // A move asks for the cursor first, and the cursor position follows.
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = WindowId();
    motion.motion.x = 70;
    motion.motion.y = strip + 8;
    SDL_PushEvent(&motion);
    taken = TakeMessages();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].message, WM_SETCURSOR);
    EXPECT_EQ(LOWORD(static_cast<DWORD_PTR>(taken[0].lParam)), HTCLIENT);
    EXPECT_EQ(taken[1].message, WM_MOUSEMOVE);
    EXPECT_EQ(taken[1].lParam, MAKELPARAM(70, 8));
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(m_window.Handle(), &cursor);
    EXPECT_EQ(cursor.x, 70);
    EXPECT_EQ(cursor.y, 8);
}

TEST_F(WindowEventsTest, AWindowCoveredWholeIsObscuredUntilSeenAgainAndThenDueAPaint) {
    m_window.Handle()->m_iXWindow = 0x1234;
    SDL_SysWMmsg report{};
    report.subsystem = SDL_SYSWM_X11;
    report.msg.x11.event.xvisibility = {VisibilityNotify, 0, False, nullptr, 0x1234, VisibilityFullyObscured};
    const SDL_Event event{.syswm = {SDL_SYSWMEVENT, 0, &report}};
    TakeMessages();
    EventTranslator::Translate(event);
    EXPECT_TRUE(win::IsWindowObscured(m_window.Handle()));
    report.msg.x11.event.xvisibility.state = VisibilityUnobscured;
    EventTranslator::Translate(event);
    EXPECT_FALSE(win::IsWindowObscured(m_window.Handle()));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_PAINT);
}

// The device dialog is driven by these besides the accelerator keys above.
TEST(KeyMapTest, DialogKeysMapToTheirVirtualKeys) {
    const std::pair<SDL_Keycode, WPARAM> keys[] = {
        {SDLK_TAB, VK_TAB}, {SDLK_UP, VK_UP}, {SDLK_DOWN, VK_DOWN}, {SDLK_LEFT, VK_LEFT}, {SDLK_RIGHT, VK_RIGHT}};
    for (const auto& [key, virtualKey] : keys) {
        EXPECT_EQ(KeyMap::VirtualKey(key), virtualKey) << key;
    }
}
}  // namespace
