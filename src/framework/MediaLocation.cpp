#include "framework/MediaLocation.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/kernel/Kernel.h"

#ifndef VELMORAN_DATA_FROM_BIN
#define VELMORAN_DATA_FROM_BIN "../share/velmoran"
#endif

namespace {

constexpr const char* kProgramFolder = "/velmoran";

MediaLocation g_active;
bool g_bActive = false;

bool IsFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// An XDG base folder: the variable when it holds an absolute path (relative
// ones are to be ignored), else the given folder under home; empty when
// there is neither.
std::string BaseFolder(const std::string& variable, const std::string& home, const char* underHome) {
    if (!variable.empty() && variable.front() == '/') {
        return variable;
    }
    if (home.empty()) {
        return "";
    }
    return home + "/" + underHome;
}

}  // namespace

const char* MediaLocation::DataFromExecutable() {
    return VELMORAN_DATA_FROM_BIN;
}

MediaEnvironment MediaLocation::ProcessEnvironment() {
    MediaEnvironment environment;
    char path[4096];
    DWORD length = GetCurrentDirectoryA(sizeof(path), path);
    if (length > 0 && length < sizeof(path)) {
        environment.m_szCurrentDir = path;
    }
    length = GetModuleFileNameA(nullptr, path, sizeof(path));
    if (length > 0 && length < sizeof(path)) {
        environment.m_szExecutable = path;
    }
    environment.m_szDataHome = Variable("XDG_DATA_HOME");
    environment.m_szConfigHome = Variable("XDG_CONFIG_HOME");
    environment.m_szHome = Variable("HOME");
    if (environment.m_szHome.empty()) {
        if (const passwd* account = getpwuid(getuid()); account != nullptr && account->pw_dir != nullptr) {
            environment.m_szHome = account->pw_dir;
        }
    }
    return environment;
}

HRESULT MediaLocation::Resolve(const MediaEnvironment& environment, MediaLocation& location, std::string& message) {
    location = MediaLocation();
    message.clear();
    if (!environment.m_szRunFolder.empty()) {
        std::filesystem::path asked(environment.m_szRunFolder);
        if (asked.is_relative() && !environment.m_szCurrentDir.empty()) {
            asked = std::filesystem::path(environment.m_szCurrentDir) / asked;
        }
        std::string folder = asked.lexically_normal().string();
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        if (!IsFolder(folder + "/Model")) {
            message = "the run folder " + folder + " holds no Model folder";
            return E_FAIL;
        }
        location.UseRunFolder(folder);
        return S_OK;
    }

    std::string data;
    if (!environment.m_szExecutable.empty()) {
        const std::filesystem::path executable(environment.m_szExecutable);
        data = (executable.parent_path() / DataFromExecutable()).lexically_normal().string();
        while (data.size() > 1 && data.back() == '/') {
            data.pop_back();
        }
    }
    const std::string& current = environment.m_szCurrentDir;
    if (!IsFolder(data + "/Model")) {
        if (IsFolder(current + "/Model")) {
            location.UseRunFolder(current);
            return S_OK;
        }
        message = "cannot find the clock's media: neither the installed data folder (" +
                  (data.empty() ? std::string("unknown") : data) + ") nor the current folder (" +
                  (current.empty() ? std::string("unknown") : current) + ") holds a Model folder";
        return E_FAIL;
    }
    location.m_kind = Kind::Installed;
    location.m_szMedia = data;
    location.m_szDefaultSettings = data + "/Misc";
    const std::string userData = BaseFolder(environment.m_szDataHome, environment.m_szHome, ".local/share");
    if (!userData.empty()) {
        location.m_szUser = userData + kProgramFolder;
    }
    const std::string userConfig = BaseFolder(environment.m_szConfigHome, environment.m_szHome, ".config");
    if (!userConfig.empty()) {
        location.m_szSettings = userConfig + kProgramFolder;
    }
    return S_OK;
}

void MediaLocation::UseRunFolder(const std::string& folder) {
    m_kind = Kind::RunFolder;
    m_szMedia = folder;
    m_szSettings = folder + "/Misc";
}

void MediaLocation::Activate(const MediaLocation* location) {
    g_bActive = location != nullptr;
    g_active = g_bActive ? *location : MediaLocation();
}

const MediaLocation* MediaLocation::Active() {
    return g_bActive ? &g_active : nullptr;
}
