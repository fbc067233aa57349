#include "platform/kernel/Kernel.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

kernel_hooks::CounterFn g_frequencyHook = nullptr;
kernel_hooks::CounterFn g_counterHook = nullptr;
DWORD (*g_timeGetTimeHook)() = nullptr;
std::time_t (*g_wallClockHook)() = nullptr;
void (*g_debugOutputHook)(const char*) = nullptr;
BOOL g_bShowDebugOutput = FALSE;

thread_local DWORD g_lastError = ERROR_SUCCESS;

std::uint32_t g_randState = 1;

std::int64_t MonotonicNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The performance counter counts from here: the program turns one absolute
// reading into float seconds, which would step in quarter seconds after a
// month of counting from boot.
const std::int64_t g_counterOrigin = MonotonicNanoseconds();

struct FindState {
    DIR* dir = nullptr;
    std::string folder;
    std::string namePattern;
};

std::string NormaliseSeparators(const char* path) {
    std::string out(path);
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

bool NextMatch(FindState* state, WIN32_FIND_DATAA* found) {
    while (dirent* entry = readdir(state->dir)) {
        if (fnmatch(state->namePattern.c_str(), entry->d_name, FNM_CASEFOLD) != 0) {
            continue;
        }
        std::memset(found, 0, sizeof(*found));
        std::snprintf(found->cFileName, sizeof(found->cFileName), "%s", entry->d_name);
        struct stat info {};
        std::string full = state->folder + "/" + entry->d_name;
        if (stat(full.c_str(), &info) == 0) {
            found->dwFileAttributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
            auto size = static_cast<std::uint64_t>(info.st_size);
            found->nFileSizeHigh = static_cast<DWORD>(size >> 32);
            found->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
        }
        return true;
    }
    return false;
}

// Decodes one UTF-8 sequence; malformed input yields U+FFFD and consumes one byte.
std::uint32_t DecodeUtf8(const unsigned char* s, int available, int* used) {
    unsigned char c = s[0];
    int length = 0;
    std::uint32_t code = 0;
    if (c < 0x80) {
        *used = 1;
        return c;
    }
    if ((c & 0xE0) == 0xC0) {
        length = 2;
        code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3;
        code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        code = c & 0x07;
    } else {
        *used = 1;
        return 0xFFFD;
    }
    if (length > available) {
        *used = 1;
        return 0xFFFD;
    }
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            *used = 1;
            return 0xFFFD;
        }
        code = (code << 6) | (s[i] & 0x3F);
    }
    *used = length;
    return code;
}

}  // namespace

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (g_frequencyHook != nullptr) {
        return g_frequencyHook(frequency);
    }
    frequency->QuadPart = 1000000000LL;
    return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (g_counterHook != nullptr) {
        return g_counterHook(count);
    }
    count->QuadPart = MonotonicNanoseconds() - g_counterOrigin;
    return TRUE;
}

DWORD timeGetTime() {
    if (g_timeGetTimeHook != nullptr) {
        return g_timeGetTimeHook();
    }
    return static_cast<DWORD>(MonotonicNanoseconds() / 1000000LL);
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
    char path[4096];
    if (getcwd(path, sizeof(path)) == nullptr) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    DWORD length = static_cast<DWORD>(std::strlen(path));
    if (buffer == nullptr || length + 1 > bufferLength) {
        return length + 1;
    }
    std::memcpy(buffer, path, length + 1);
    return length;
}

DWORD GetModuleFileNameA(void* module, LPSTR buffer, DWORD bufferLength) {
    if (module != nullptr || buffer == nullptr || bufferLength == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    path[length] = '\0';
    auto size = static_cast<DWORD>(length);
    if (size + 1 > bufferLength) {
        std::memcpy(buffer, path, bufferLength - 1);
        buffer[bufferLength - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return bufferLength;
    }
    std::memcpy(buffer, path, size + 1);
    return size;
}

std::FILE* OpenRegularFile(const char* path, std::uint64_t maxBytes, std::uint64_t* size) {
    if (path == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return nullptr;
    }
    struct stat info {};
    int problem = 0;
    if (fstat(descriptor, &info) != 0) {
        problem = errno;
    } else if (S_ISDIR(info.st_mode)) {
        problem = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        problem = ENODEV;
    } else if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        problem = EFBIG;
    } else if (fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0) {
        problem = errno;
    }
    std::FILE* file = problem == 0 ? fdopen(descriptor, "rb") : nullptr;
    if (file == nullptr) {
        problem = problem != 0 ? problem : errno;
        close(descriptor);
        errno = problem;
        return nullptr;
    }
    if (size != nullptr) {
        *size = static_cast<std::uint64_t>(info.st_size);
    }
    return file;
}

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found) {
    if (pattern == nullptr || found == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = NormaliseSeparators(pattern);
    auto* state = new FindState;
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        state->folder.assign(1, '.');
        state->namePattern = path;
    } else {
        // Keep "/" for a pattern in the root folder.
        state->folder = path.substr(0, slash == 0 ? 1 : slash);
        state->namePattern = path.substr(slash + 1);
    }
    state->dir = opendir(state->folder.c_str());
    if (state->dir == nullptr) {
        delete state;
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (!NextMatch(state, found)) {
        closedir(state->dir);
        delete state;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return state;
}

BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* found) {
    if (search == nullptr || search == INVALID_HANDLE_VALUE || found == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!NextMatch(static_cast<FindState*>(search), found)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE search) {
    if (search == nullptr || search == INVALID_HANDLE_VALUE) {
        return FALSE;
    }
    auto* state = static_cast<FindState*>(search);
    closedir(state->dir);
    delete state;
    return TRUE;
}

DWORD GetLastError() {
    return g_lastError;
}
void SetLastError(DWORD error) {
    g_lastError = error;
}

void OutputDebugStringA(LPCSTR text) {
    if (text == nullptr) {
        return;
    }
    if (g_debugOutputHook != nullptr) {
        g_debugOutputHook(text);
        return;
    }
    if (g_bShowDebugOutput) {
        std::fputs(text, stderr);
    }
}

void ShowDebugOutput(BOOL show) {
    g_bShowDebugOutput = show;
}

int MultiByteToWideChar(UINT /*codePage*/, DWORD /*flags*/, LPCSTR src, int srcBytes, LPWSTR dest, int destChars) {
    if (src == nullptr || srcBytes == 0 || srcBytes < -1 || destChars < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(src);
    int total = srcBytes == -1 ? static_cast<int>(std::strlen(src)) + 1 : srcBytes;
    int produced = 0;
    int pos = 0;
    while (pos < total) {
        int used = 1;
        std::uint32_t code = DecodeUtf8(bytes + pos, total - pos, &used);
        pos += used;
        if (destChars != 0) {
            if (produced >= destChars) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            dest[produced] = static_cast<wchar_t>(code);
        }
        ++produced;
    }
    return produced;
}

namespace crt {

int rand() {
    g_randState = g_randState * 214013u + 2531011u;
    return static_cast<int>((g_randState >> 16) & 0x7FFFu);
}

void srand(unsigned int seed) {
    g_randState = seed;
}

std::time_t time(std::time_t* out) {
    std::time_t now = g_wallClockHook != nullptr ? g_wallClockHook() : std::time(nullptr);
    if (out != nullptr) {
        *out = now;
    }
    return now;
}

std::tm* localtime(const std::time_t* when) {
    static std::tm result;
    if (when == nullptr || localtime_r(when, &result) == nullptr) {
        return nullptr;
    }
    return &result;
}

}  // namespace crt

namespace kernel_hooks {
void SetPerformanceCounter(CounterFn frequency, CounterFn counter) {
    g_frequencyHook = frequency;
    g_counterHook = counter;
}
void SetTimeGetTime(DWORD (*fn)()) {
    g_timeGetTimeHook = fn;
}
void SetWallClock(std::time_t (*fn)()) {
    g_wallClockHook = fn;
}
void SetDebugOutput(void (*fn)(const char* text)) {
    g_debugOutputHook = fn;
}
}  // namespace kernel_hooks
