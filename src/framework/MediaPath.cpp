#include "framework/MediaPath.h"

#include <cstdio>

#include "platform/kernel/Kernel.h"

void CaptureDirectory(char (&dir)[MAX_PATH]) {
    DWORD length = GetCurrentDirectoryA(MAX_PATH, dir);
    if (length == 0 || length >= MAX_PATH) {
        dir[0] = '\0';
    }
}

BOOL ComposeMediaPath(char (&out)[MAX_PATH], const char* dir, const char* folder, const char* name) {
    out[0] = '\0';
    if (dir == nullptr || dir[0] == '\0' || folder == nullptr || name == nullptr) {
        return FALSE;
    }
    int written = std::snprintf(out, MAX_PATH, "%s%s%s", dir, folder, name);
    if (written < 0 || written >= MAX_PATH) {
        out[0] = '\0';
        return FALSE;
    }
    return TRUE;
}
