#include "support/Capture.h"

#include "platform/kernel/Kernel.h"

namespace {
std::vector<std::string> g_records;
std::vector<MessageBoxRecord> g_boxes;

void RecordDebug(const char* text) {
    g_records.emplace_back(text);
}

int RecordBox(HWND, const char* text, const char* caption, UINT type) {
    g_boxes.push_back({text != nullptr ? text : "", caption != nullptr ? caption : "", type});
    return IDOK;
}
}  // namespace

int SilentMessageBox(HWND, const char*, const char*, UINT) {
    return IDOK;
}

DebugCapture::DebugCapture() {
    g_records.clear();
    kernel_hooks::SetDebugOutput(RecordDebug);
}
DebugCapture::~DebugCapture() {
    kernel_hooks::SetDebugOutput(nullptr);
}
const std::vector<std::string>& DebugCapture::Records() const {
    return g_records;
}
std::string DebugCapture::All() const {
    std::string all;
    for (const std::string& r : g_records) {
        all += r;
    }
    return all;
}
bool DebugCapture::Contains(const std::string& part) const {
    return All().find(part) != std::string::npos;
}

MessageBoxCapture::MessageBoxCapture() {
    g_boxes.clear();
    win_hooks::SetMessageBox(RecordBox);
}
MessageBoxCapture::~MessageBoxCapture() {
    win_hooks::SetMessageBox(SilentMessageBox);
}
const std::vector<MessageBoxRecord>& MessageBoxCapture::Boxes() const {
    return g_boxes;
}
bool MessageBoxCapture::AnyContains(const std::string& part) const {
    for (const MessageBoxRecord& box : g_boxes) {
        if (box.text.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}
