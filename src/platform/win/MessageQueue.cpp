#include "platform/win/MessageQueue.h"

#include "platform/win/WindowObject.h"
#include "platform/win/WindowRegistry.h"

namespace {
bool Passes(const MSG& msg, HWND window, UINT filterMin, UINT filterMax) {
    if (window != nullptr && msg.hwnd != window) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0) {
        return true;
    }
    return msg.message >= filterMin && msg.message <= filterMax;
}
}  // namespace

bool MessageQueue::Ring::Push(const MSG& msg) {
    if (m_nCount == m_items.size()) {
        return false;
    }
    m_items[m_nCount++] = msg;
    return true;
}

std::size_t MessageQueue::Ring::Find(HWND window, UINT filterMin, UINT filterMax) const {
    for (std::size_t i = 0; i < m_nCount; ++i) {
        if (Passes(m_items[i], window, filterMin, filterMax)) {
            return i;
        }
    }
    return m_nCount;
}

void MessageQueue::Ring::RemoveAt(std::size_t index) {
    for (std::size_t i = index + 1; i < m_nCount; ++i) {
        m_items[i - 1] = m_items[i];
    }
    --m_nCount;
}

void MessageQueue::Ring::RemoveWindow(HWND window) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_nCount; ++i) {
        if (m_items[i].hwnd != window) {
            m_items[kept++] = m_items[i];
        }
    }
    m_nCount = kept;
}

MessageQueue& MessageQueue::Instance() {
    static MessageQueue queue;
    return queue;
}

bool MessageQueue::PushInput(const MSG& msg) {
    return m_input.Push(msg);
}

bool MessageQueue::PushInputGroup(const MSG* msgs, std::size_t count) {
    if (m_input.m_nCount + count > m_input.m_items.size()) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        m_input.Push(msgs[i]);
    }
    return true;
}

bool MessageQueue::Post(const MSG& msg) {
    return m_posted.Push(msg);
}

void MessageQueue::PostQuit(int exitCode) {
    m_bQuit = true;
    m_nQuitCode = exitCode;
}

bool MessageQueue::Take(MSG* msg, HWND window, UINT filterMin, UINT filterMax, bool remove) {
    for (Ring* ring : {&m_input, &m_posted}) {
        std::size_t index = ring->Find(window, filterMin, filterMax);
        if (index < ring->m_nCount) {
            *msg = ring->m_items[index];
            if (remove) {
                ring->RemoveAt(index);
            }
            return true;
        }
    }
    MSG quit{};
    quit.message = WM_QUIT;
    quit.wParam = static_cast<WPARAM>(m_nQuitCode);
    quit.time = timeGetTime();
    // The quit request belongs to the thread, not to a window.
    if (m_bQuit && window == nullptr && Passes(quit, nullptr, filterMin, filterMax)) {
        *msg = quit;
        if (remove) {
            m_bQuit = false;
        }
        return true;
    }
    HWND due = WindowRegistry::Instance().FindPaintDue(window);
    if (due != nullptr) {
        MSG paint{};
        paint.hwnd = due;
        paint.message = WM_PAINT;
        paint.time = timeGetTime();
        if (Passes(paint, window, filterMin, filterMax)) {
            *msg = paint;
            if (remove) {
                due->m_bNeedsPaint = false;
            }
            return true;
        }
    }
    return false;
}

void MessageQueue::Forget(HWND window) {
    m_input.RemoveWindow(window);
    m_posted.RemoveWindow(window);
}

void MessageQueue::Clear() {
    m_input.m_nCount = 0;
    m_posted.m_nCount = 0;
    m_bQuit = false;
    m_nQuitCode = 0;
}

bool MessageQueue::IsEmpty() const {
    return m_input.m_nCount == 0 && m_posted.m_nCount == 0 && !m_bQuit;
}
