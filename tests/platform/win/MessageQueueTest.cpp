#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "platform/win/MessageQueue.h"

namespace {
std::vector<UINT> g_bareReceived;

LRESULT BareProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_bareReceived.push_back(message);
    return DefWindowProcA(window, message, wParam, lParam);
}

class MessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        MessageQueue::Instance().Clear();
        g_bareReceived.clear();
        m_hWnd = win::CreateWindowObject(BareProcedure);
    }
    void TearDown() override {
        if (IsWindow(m_hWnd)) {
            DestroyWindow(m_hWnd);
        }
        MessageQueue::Instance().Clear();
    }
    HWND m_hWnd = nullptr;
};

TEST_F(MessageQueueTest, PostedMessagesComeOutInOrderAndPeekingOrWaitingLeavesThemQueued) {
    // An empty queue answers at once with nothing.
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT), WAIT_TIMEOUT);
    ASSERT_TRUE(PostMessageA(m_hWnd, WM_USER + 1, 11, 12));
    ASSERT_TRUE(PostMessageA(m_hWnd, WM_USER + 2, 21, 22));
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 60000, QS_ALLINPUT), WAIT_OBJECT_0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1u);
    EXPECT_EQ(msg.hwnd, m_hWnd);
    EXPECT_EQ(msg.wParam, 11u);
    EXPECT_EQ(msg.lParam, 12);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, QuitComesAfterPostedMessagesWithItsCodeAndEndsGetMessage) {
    PostQuitMessage(7);
    PostMessageA(m_hWnd, WM_USER, 0, 0);
    MSG msg{};
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_USER);
    EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, DispatchAndSendCallTheProcedure) {
    PostMessageA(m_hWnd, WM_USER + 3, 0, 0);
    EXPECT_TRUE(g_bareReceived.empty());
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&msg);
    SendMessageA(m_hWnd, WM_USER + 4, 0, 0);
    EXPECT_EQ(g_bareReceived, (std::vector<UINT>{WM_USER + 3, WM_USER + 4}));
}

TEST_F(MessageQueueTest, CloseThroughDefaultHandlingDestroysTheWindowAndDropsItsMessages) {
    PostMessageA(m_hWnd, WM_USER, 0, 0);
    SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(m_hWnd));
    EXPECT_EQ(g_bareReceived, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    // A stale handle is refused everywhere.
    EXPECT_FALSE(PostMessageA(m_hWnd, WM_USER, 0, 0));
    msg.hwnd = m_hWnd;
    msg.message = WM_USER;
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_EQ(g_bareReceived.size(), 2u);
}

TEST_F(MessageQueueTest, AFullQueueRefusesPostsInsteadOfGrowing) {
    std::size_t accepted = 0;
    while (PostMessageA(m_hWnd, WM_USER, 0, 0) && accepted <= MessageQueue::kCapacity) {
        ++accepted;
    }
    EXPECT_EQ(accepted, MessageQueue::kCapacity);
}

TEST(MessageOrderTest, WindowSystemInputComesBeforePostedMessagesAndPaintComesLast) {
    RecordingWindow window(200, 150, false);
    HWND hwnd = window.Handle();
    PostMessageA(hwnd, WM_USER, 0, 0);
    InvalidateRect(hwnd, nullptr, FALSE);
    PushKey(hwnd, SDL_KEYDOWN, SDLK_a);
    std::vector<UINT> order = RecordingWindow::DrainMessages();
    EXPECT_EQ(order, (std::vector<UINT>{WM_KEYDOWN, WM_USER, WM_PAINT}));
    // A taken paint is not produced again until the window is invalid again.
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}
}  // namespace
