#include "support/FailingAllocator.h"

#include <dlfcn.h>
#include <execinfo.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/kernel/Kernel.h"
#include "platform/win/WinUser.h"
#include "support/Capture.h"

namespace {

// The loaders run on the test's thread; nothing here needs to be atomic.
long g_countdown = 0;
bool g_failed = false;
int g_paused = 0;
std::vector<std::string>* g_debug = nullptr;
std::vector<std::string>* g_boxes = nullptr;

// While one lives, allocations are neither counted nor failed (the test's own bookkeeping).
struct AllocationFailurePause {
    AllocationFailurePause() { ++g_paused; }
    ~AllocationFailurePause() { --g_paused; }
};

// Whether a function whose symbol contains `part` is on the stack. Needs the
// program's symbols exported (ENABLE_EXPORTS), as the test targets do.
bool CalledFrom(const char* part) {
    void* frames[64];
    const int count = backtrace(frames, 64);
    for (int i = 0; i < count; ++i) {
        Dl_info info{};
        if (dladdr(frames[i], &info) != 0 && info.dli_sname != nullptr &&
            std::strstr(info.dli_sname, part) != nullptr) {
            return true;
        }
    }
    return false;
}

bool FailThisOne() {
    if (g_paused > 0 || g_countdown <= 0) {
        return false;
    }
    if (--g_countdown > 0) {
        return false;
    }
    // The device (its core and the recording backend, a test instrument) and the
    // kernel's file search are the platform's, not the loaders': their allocations
    // are spared and the next one fails instead.
    ++g_paused;
    const bool spared = CalledFrom("Core") || CalledFrom("Record") || CalledFrom("FindFirstFile");
    --g_paused;
    if (spared) {
        g_countdown = 1;
        return false;
    }
    g_failed = true;
    return true;
}

void* Allocate(std::size_t size) {
    return FailThisOne() ? nullptr : std::malloc(size == 0 ? 1 : size);
}

void RecordDebug(const char* text) {
    AllocationFailurePause pause;
    g_debug->emplace_back(text != nullptr ? text : "");
}

int RecordBox(HWND, const char* text, const char*, UINT) {
    AllocationFailurePause pause;
    g_boxes->emplace_back(text != nullptr ? text : "");
    return IDOK;
}

}  // namespace

void FailAllocationAfter(long count) {
    g_countdown = count;
    g_failed = false;
}

bool AllocationFailed() {
    return g_failed;
}

FailureReports::FailureReports() {
    AllocationFailurePause pause;
    g_debug = new std::vector<std::string>;
    g_boxes = new std::vector<std::string>;
    kernel_hooks::SetDebugOutput(RecordDebug);
    win_hooks::SetMessageBox(RecordBox);
}
FailureReports::~FailureReports() {
    AllocationFailurePause pause;
    kernel_hooks::SetDebugOutput(nullptr);
    win_hooks::SetMessageBox(SilentMessageBox);
    delete g_debug;
    delete g_boxes;
    g_debug = nullptr;
    g_boxes = nullptr;
}
void FailureReports::Clear() {
    g_debug->clear();
    g_boxes->clear();
}
bool FailureReports::DebugContains(const std::string& part) const {
    return All().find(part) != std::string::npos;
}
const std::vector<std::string>& FailureReports::Boxes() const {
    return *g_boxes;
}
std::string FailureReports::All() const {
    AllocationFailurePause pause;
    std::string all;
    for (const std::string& record : *g_debug) {
        all += record;
    }
    return all;
}

void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
