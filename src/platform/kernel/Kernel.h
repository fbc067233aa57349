// Kernel, multimedia and C-runtime services the program calls, over Linux.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "platform/kernel/WinTypes.h"

using HANDLE = void*;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

constexpr UINT CP_ACP = 0;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    CHAR cFileName[MAX_PATH];
};

// Performance counter: nanoseconds of the monotonic clock since the process started.
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
// Milliseconds of the monotonic clock; wraps like the platform's 32-bit value.
DWORD timeGetTime();

// Writes the current directory; returns its length, or the size needed
// (terminator included) when the buffer is too small, or 0 on failure.
DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);

// The program's own file (only the running program: module must be null).
// Returns its length; a buffer that is too small gets as much as fits,
// terminated, and the call returns the buffer's size with
// ERROR_INSUFFICIENT_BUFFER, as the platform does; 0 on failure.
DWORD GetModuleFileNameA(void* module, LPSTR buffer, DWORD bufferLength);

// Opens a file to read only when it is a regular file of at most maxBytes:
// opened without blocking, so a FIFO or a device never makes the caller wait,
// and its kind and size checked before anything is read. Null otherwise, with
// errno saying why (EISDIR for a folder, ENODEV for another kind of file,
// EFBIG when too large). size, when given, receives the file's size.
std::FILE* OpenRegularFile(const char* path, std::uint64_t maxBytes, std::uint64_t* size = nullptr);

// Pattern: a folder followed by a name with '*' and '?' wildcards, matched
// without regard to letter case. Separators may be '/' or '\'.
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found);
BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* found);
BOOL FindClose(HANDLE search);

DWORD GetLastError();
void SetLastError(DWORD error);

// Debug output is for a developer listening, as a debugger would: silent
// unless ShowDebugOutput asked for it on stderr (a test's hook sees it always).
void OutputDebugStringA(LPCSTR text);
void ShowDebugOutput(BOOL show);

// CP_ACP is UTF-8 here. Semantics of the platform call: srcBytes -1 converts
// through the terminator; destChars 0 asks for the size; a short buffer is
// filled as far as it goes and the call returns 0.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcBytes, LPWSTR dest, int destChars);

// The C runtime of the platform: its 15-bit generator and its wall clock.
namespace crt {
constexpr int RAND_MAX_15 = 0x7FFF;
int rand();
void srand(unsigned int seed);
std::time_t time(std::time_t* out);
std::tm* localtime(const std::time_t* when);
}  // namespace crt

// Test seams. A null hook restores the real service.
namespace kernel_hooks {
using CounterFn = BOOL (*)(LARGE_INTEGER*);
void SetPerformanceCounter(CounterFn frequency, CounterFn counter);
void SetTimeGetTime(DWORD (*fn)());
void SetWallClock(std::time_t (*fn)());
void SetDebugOutput(void (*fn)(const char* text));
}  // namespace kernel_hooks
