#include "overlay/Flags.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/ErrorReport.h"
#include "framework/FrameStep.h"
#include "framework/MediaPath.h"
#include "platform/kernel/Kernel.h"

namespace {

constexpr const char* kFlagsFile = "VelmoranFlags.vmf";

namespace site {
// Fixed trace sites (see TraceSite): kept exactly, letter case included.
constexpr TraceSite kOpenForRead{"Flags", 62, "Failed to open vmf File"};
constexpr TraceSite kRead{"Flags", 70, "Failed to read flag from file"};
constexpr TraceSite kOpenForWrite{nullptr, 0, "Failed to Open vmf file"};
constexpr TraceSite kWrite{nullptr, 0, "Failed to fwrite"};
constexpr TraceSite kSaved{nullptr, 0, "VelmoranFlags saved"};
}  // namespace site

flags_hooks::SaveFault g_saveFault = flags_hooks::SaveFault::None;

// Creates a uniquely named file beside `path`; returns its descriptor or -1.
int CreateTemporaryBeside(const char (&path)[MAX_PATH], char (&tempPath)[MAX_PATH + 16]) {
    std::snprintf(tempPath, sizeof(tempPath), "%s.XXXXXX", path);
    return mkstemp(tempPath);
}

// Creates dir and any missing folder above it, private to the user as the
// base-directory convention asks; a failure shows when the file is written.
void MakeFolders(const char* dir) {
    std::string path(dir);
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        mkdir(path.substr(0, slash).c_str(), 0700);
    }
    mkdir(path.c_str(), 0700);
}

}  // namespace

namespace flags_hooks {
void SetSaveFault(SaveFault fault) {
    g_saveFault = fault;
}
}  // namespace flags_hooks

Flags::Flags() : m_dwFlags(0), m_fRepeatTimer(0.0f) {
    CaptureSettingsDirectory(m_szDir, m_szDefaultDir);
}

BOOL Flags::ReadWord(const char* dir, BOOL& read) {
    read = FALSE;
    char path[MAX_PATH];
    if (!ComposeMediaPath(path, dir, "/", kFlagsFile)) {
        errno = ENAMETOOLONG;
        return FALSE;
    }
    FILE* file = OpenRegularFile(path, UINT64_MAX);
    if (file == nullptr) {
        return FALSE;
    }
    // Read into a local so a short file leaves the word untouched.
    DWORD word = 0;
    if (std::fread(&word, sizeof(word), 1, file) == 1) {
        m_dwFlags = word;
        read = TRUE;
        char line[MAX_PATH + 64];
        std::snprintf(line, sizeof(line), "Flags: settings word %lu read from %s\n", static_cast<unsigned long>(word),
                      path);
        OutputDebugStringA(line);
    }
    std::fclose(file);
    return TRUE;
}

void Flags::Load() {
    char note[64];
    std::snprintf(note, sizeof(note), "Opening vmf File...%s", kFlagsFile);
    TraceError(nullptr, 0, S_OK, note, FALSE);

    BOOL read = FALSE;
    BOOL opened = ReadWord(m_szDir, read);
    // An installed program on the user's first start: no settings of their own yet.
    if (!opened && errno == ENOENT && m_szDefaultDir[0] != '\0') {
        opened = ReadWord(m_szDefaultDir, read);
    }
    if (!opened) {
        TraceError(site::kOpenForRead, E_FAIL, TRUE);
    } else if (!read) {
        TraceError(site::kRead, E_FAIL, TRUE);
    }
}

void Flags::LoadDefault() {
    if (m_szDefaultDir[0] == '\0') {
        m_dwFlags = kDefaultFlagsWord;
        OutputDebugStringA("Flags: starting from the default settings word\n");
        return;
    }
    BOOL read = FALSE;
    if (!ReadWord(m_szDefaultDir, read)) {
        TraceError(site::kOpenForRead, E_FAIL, TRUE);
    } else if (!read) {
        TraceError(site::kRead, E_FAIL, TRUE);
    }
}

void Flags::Save() {
    char path[MAX_PATH];
    char tempPath[MAX_PATH + 16];
    int descriptor = -1;
    if (ComposeMediaPath(path, m_szDir, "/", kFlagsFile)) {
        if (m_szDefaultDir[0] != '\0') {
            MakeFolders(m_szDir);
        }
        descriptor = CreateTemporaryBeside(path, tempPath);
    }
    if (descriptor >= 0) {
        fchmod(descriptor, 0644);  // a settings file, not a secret
    }
    FILE* file = descriptor >= 0 ? fdopen(descriptor, "wb") : nullptr;
    if (file == nullptr) {
        if (descriptor >= 0) {
            close(descriptor);
            std::remove(tempPath);
        }
        TraceError(site::kOpenForWrite, E_FAIL, TRUE);
        return;
    }

    bool written = g_saveFault != flags_hooks::SaveFault::Write &&
                   std::fwrite(&m_dwFlags, sizeof(m_dwFlags), 1, file) == 1 && std::fflush(file) == 0 &&
                   fsync(fileno(file)) == 0;
    written = (std::fclose(file) == 0) && written;
    written = written && g_saveFault != flags_hooks::SaveFault::Rename && std::rename(tempPath, path) == 0;
    if (!written) {
        std::remove(tempPath);
        TraceError(site::kWrite, E_FAIL, TRUE);
        return;
    }
    TraceError(site::kSaved, S_OK, FALSE);
}

int Flags::SetBits(DWORD bits) {
    m_dwFlags |= bits;
    return 1;
}

int Flags::ClearBits(DWORD bits) {
    m_dwFlags &= ~bits;
    return 1;
}

int Flags::ToggleBits(DWORD bits) {
    m_dwFlags ^= bits;
    return 1;
}

int Flags::ToggleRepeat(DWORD bits) {
    m_fRepeatTimer -= 1.0f * g_frameStep;
    if (m_fRepeatTimer < 0.0f) {
        m_fRepeatTimer = 0.5f;
        m_dwFlags ^= bits;
        // A line in the debugger output for each change a key makes, so a
        // change can be followed from outside (the end-to-end runs do).
        char szLine[64];
        std::snprintf(szLine, sizeof(szLine), "Flags: a key changed the settings word to %lu\n",
                      static_cast<unsigned long>(m_dwFlags));
        OutputDebugStringA(szLine);
        return 1;
    }
    return 0;
}
