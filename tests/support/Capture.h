// Captures what the program says on the debugger output and in message boxes,
// so tests can assert on it and nothing ever waits for a click.
#pragma once

#include <string>
#include <vector>

#include "platform/win/WinUser.h"

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    UINT type;
};

class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    const std::vector<std::string>& Records() const;
    std::string All() const;
    bool Contains(const std::string& part) const;
};

class MessageBoxCapture {
public:
    MessageBoxCapture();
    ~MessageBoxCapture();
    MessageBoxCapture(const MessageBoxCapture&) = delete;
    MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;

    const std::vector<MessageBoxRecord>& Boxes() const;
    bool AnyContains(const std::string& part) const;
};

// Installed by the test main: message boxes are recorded, never shown.
int SilentMessageBox(HWND owner, const char* text, const char* caption, UINT type);
