#include "framework/MediaPath.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/MediaLocation.h"
#include "platform/kernel/Kernel.h"

namespace {

BOOL CopyDirectory(char (&dir)[MAX_PATH], const std::string& from) {
    if (from.empty() || from.size() >= MAX_PATH) {
        dir[0] = '\0';
        return FALSE;
    }
    std::memcpy(dir, from.c_str(), from.size() + 1);
    return TRUE;
}

// The user's folder that stands in for dir, or null when dir is not the
// installed media directory.
const std::string* UserFolderFor(const char* dir) {
    const MediaLocation* location = MediaLocation::Active();
    if (location == nullptr || location->GetKind() != MediaLocation::Kind::Installed ||
        location->UserDirectory().empty() || location->MediaDirectory() != dir) {
        return nullptr;
    }
    return &location->UserDirectory();
}

bool IsRegularFile(const char* path) {
    struct stat info {};
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

void CaptureDirectory(char (&dir)[MAX_PATH]) {
    if (const MediaLocation* location = MediaLocation::Active(); location != nullptr) {
        CopyDirectory(dir, location->MediaDirectory());
        return;
    }
    DWORD length = GetCurrentDirectoryA(MAX_PATH, dir);
    if (length == 0 || length >= MAX_PATH) {
        dir[0] = '\0';
    }
}

void CaptureSettingsDirectory(char (&dir)[MAX_PATH], char (&defaultDir)[MAX_PATH]) {
    defaultDir[0] = '\0';
    if (const MediaLocation* location = MediaLocation::Active(); location != nullptr) {
        CopyDirectory(dir, location->SettingsDirectory());
        if (!location->DefaultSettingsDirectory().empty()) {
            CopyDirectory(defaultDir, location->DefaultSettingsDirectory());
        }
        return;
    }
    char current[MAX_PATH];
    CaptureDirectory(current);
    if (current[0] == '\0' || !CopyDirectory(dir, std::string(current) + "/Misc")) {
        dir[0] = '\0';
    }
}

BOOL ComposeMediaPath(char (&out)[MAX_PATH], const char* dir, const char* folder, const char* name) {
    out[0] = '\0';
    if (dir == nullptr || dir[0] == '\0' || folder == nullptr || name == nullptr) {
        return FALSE;
    }
    if (const std::string* user = UserFolderFor(dir); user != nullptr) {
        char own[MAX_PATH];
        int written = std::snprintf(own, MAX_PATH, "%s%s%s", user->c_str(), folder, name);
        if (written > 0 && written < MAX_PATH && IsRegularFile(own)) {
            std::memcpy(out, own, static_cast<std::size_t>(written) + 1);
            return TRUE;
        }
    }
    int written = std::snprintf(out, MAX_PATH, "%s%s%s", dir, folder, name);
    if (written < 0 || written >= MAX_PATH) {
        out[0] = '\0';
        return FALSE;
    }
    return TRUE;
}

BOOL PreferUserDirectory(char (&dir)[MAX_PATH], const char* folder, const char* pattern) {
    const std::string* user = UserFolderFor(dir);
    if (user == nullptr || user->size() >= MAX_PATH) {
        return FALSE;
    }
    char own[MAX_PATH];
    int written = std::snprintf(own, MAX_PATH, "%s%s%s", user->c_str(), folder, pattern);
    if (written <= 0 || written >= MAX_PATH) {
        return FALSE;
    }
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(own, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return FALSE;
    }
    FindClose(search);
    return CopyDirectory(dir, *user);
}
