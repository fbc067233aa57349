// The thread's message queue: window-system input first, then posted
// messages, then the quit request, then due WM_PAINTs — the order the message
// loop sees them in. Fixed capacity so that posting never allocates.
#pragma once

#include <array>
#include <cstddef>

#include "platform/win/WinUser.h"

class MessageQueue {
public:
    static constexpr std::size_t kCapacity = 1024;

    static MessageQueue& Instance();

    // Input translated from window-system events.
    bool PushInput(const MSG& msg);
    // Queues all of the messages or, when they do not fit, none.
    bool PushInputGroup(const MSG* msgs, std::size_t count);
    // PostMessage; false when the queue is full.
    bool Post(const MSG& msg);
    void PostQuit(int exitCode);

    // Takes (or with remove false, copies) the first message that passes the
    // filter. WM_PAINT is produced for a window whose paint is due and taken
    // off when removed. False when nothing matches.
    bool Take(MSG* msg, HWND window, UINT filterMin, UINT filterMax, bool remove);

    // Drops every queued message of a window that is going away.
    void Forget(HWND window);
    // Drops everything, the quit request too (tests start from a clean queue).
    void Clear();
    bool IsEmpty() const;

private:
    struct Ring {
        std::array<MSG, kCapacity> m_items{};
        std::size_t m_nCount = 0;
        bool Push(const MSG& msg);
        // Index of the first message passing the filter, or m_nCount.
        std::size_t Find(HWND window, UINT filterMin, UINT filterMax) const;
        void RemoveAt(std::size_t index);
        void RemoveWindow(HWND window);
    };

    Ring m_input;
    Ring m_posted;
    bool m_bQuit = false;
    int m_nQuitCode = 0;
};
