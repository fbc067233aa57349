// A program that links FailingAllocator.cpp replaces the global allocator with
// one that can be told to fail a single allocation, so a test can make memory
// run out at every allocation of a loader in turn. Only programs of their own
// may link it.
#pragma once

#include <string>
#include <vector>

// The count-th allocation from now fails (a throwing new throws, a nothrow new
// gives null); 0 disarms. The reports' own allocations are not counted, and
// the device's own (with the device's code on the stack) are spared: the one
// after them fails instead. The program must export its symbols (ENABLE_EXPORTS).
void FailAllocationAfter(long count);
// Whether the armed allocation has failed since the last FailAllocationAfter.
bool AllocationFailed();

// Records the debug output and message boxes of the program while it lives,
// paused, so recording never meets the failing allocation.
class FailureReports {
public:
    FailureReports();
    ~FailureReports();
    FailureReports(const FailureReports&) = delete;
    FailureReports& operator=(const FailureReports&) = delete;

    void Clear();
    bool DebugContains(const std::string& part) const;
    const std::vector<std::string>& Boxes() const;
    std::string All() const;
};
