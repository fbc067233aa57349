#include "overlay/Flags.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "app/FrameValues.h"
#include "framework/ErrorReport.h"
#include "framework/MediaPath.h"
#include "platform/kernel/Kernel.h"

namespace {

constexpr const char* kFlagsFile = "VelmoranFlags.vmf";

flags_testing::SaveFault g_saveFault = flags_testing::SaveFault::None;

// Creates a uniquely named file beside `path`; returns its descriptor or -1.
int CreateTemporaryBeside(const char (&path)[MAX_PATH], char (&tempPath)[MAX_PATH + 16]) {
    std::snprintf(tempPath, sizeof(tempPath), "%s.XXXXXX", path);
    return mkstemp(tempPath);
}

}  // namespace

namespace flags_testing {
void SetSaveFault(SaveFault fault) {
    g_saveFault = fault;
}
}  // namespace flags_testing

Flags::Flags() : m_dwFlags(0), m_fRepeatTimer(0.0f) {
    CaptureDirectory(m_szDir);
}

void Flags::Load() {
    char path[MAX_PATH];
    BOOL composed = ComposeMediaPath(path, m_szDir, kMiscFolder, kFlagsFile);

    char note[64];
    std::snprintf(note, sizeof(note), "Opening vmf File...%s", kFlagsFile);
    TraceError(nullptr, 0, S_OK, note, FALSE);

    FILE* file = composed ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) {
        TraceError("Flags", 62, E_FAIL, "Failed to open vmf File", TRUE);
        return;
    }
    // Read into a local so a short file leaves the word untouched.
    DWORD word = 0;
    if (std::fread(&word, sizeof(word), 1, file) == 1) {
        m_dwFlags = word;
    } else {
        TraceError("Flags", 70, E_FAIL, "Failed to read flag from file", TRUE);
    }
    std::fclose(file);
}

void Flags::Save() {
    char path[MAX_PATH];
    char tempPath[MAX_PATH + 16];
    int descriptor = -1;
    if (ComposeMediaPath(path, m_szDir, kMiscFolder, kFlagsFile)) {
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
        TraceError(nullptr, 0, E_FAIL, "Failed to Open vmf file", TRUE);
        return;
    }

    bool written = g_saveFault != flags_testing::SaveFault::Write &&
                   std::fwrite(&m_dwFlags, sizeof(m_dwFlags), 1, file) == 1 && std::fflush(file) == 0 &&
                   fsync(fileno(file)) == 0;
    written = (std::fclose(file) == 0) && written;
    written = written && g_saveFault != flags_testing::SaveFault::Rename && std::rename(tempPath, path) == 0;
    if (!written) {
        std::remove(tempPath);
        TraceError(nullptr, 0, E_FAIL, "Failed to fwrite", TRUE);
        return;
    }
    TraceError(nullptr, 0, S_OK, "VelmoranFlags saved", FALSE);
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
