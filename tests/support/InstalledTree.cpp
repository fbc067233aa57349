#include "support/InstalledTree.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

ScopedInstalledTree::ScopedInstalledTree() {
    for (const char* folder : {"prefix/bin", "prefix/share/velmoran/Model", "prefix/share/velmoran/Texture",
                               "prefix/share/velmoran/Misc", "prefix/share/velmoran/Sound", "home", "work"}) {
        m_root.MakeFolder(folder);
    }
    m_root.WriteFile("prefix/bin/velmoran", "");
    std::filesystem::current_path(m_root.File("work"));
}

ScopedInstalledTree::~ScopedInstalledTree() {
    MediaLocation::Activate(nullptr);
    std::error_code ignored;
    std::filesystem::current_path(m_root.Path(), ignored);
}

MediaEnvironment ScopedInstalledTree::Environment() const {
    MediaEnvironment environment;
    environment.m_szCurrentDir = m_root.File("work");
    environment.m_szExecutable = m_root.File("prefix/bin/velmoran");
    environment.m_szDataHome = m_root.File("data");
    environment.m_szConfigHome = m_root.File("config");
    environment.m_szHome = m_root.File("home");
    return environment;
}

const MediaLocation& ScopedInstalledTree::Activate(const MediaEnvironment& environment) {
    std::string message;
    if (FAILED(MediaLocation::Resolve(environment, m_location, message))) {
        throw std::runtime_error(message);
    }
    MediaLocation::Activate(&m_location);
    return m_location;
}

std::string ScopedInstalledTree::Installed(const std::string& relative) const {
    return m_root.File("prefix/share/velmoran/" + relative);
}

std::string ScopedInstalledTree::User(const std::string& relative) const {
    return m_root.File("data/velmoran/" + relative);
}

std::string ScopedInstalledTree::Config(const std::string& relative) const {
    return m_root.File("config/velmoran/" + relative);
}

namespace {
constexpr unsigned int kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
}

ScopedPermissionsObeyed::ScopedPermissionsObeyed() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0 || (data[0].effective & kOverrides) == 0) {
        return;
    }
    m_effective[0] = data[0].effective;
    m_effective[1] = data[1].effective;
    data[0].effective &= ~kOverrides;
    m_bDropped = syscall(SYS_capset, &header, data) == 0;
}

ScopedPermissionsObeyed::~ScopedPermissionsObeyed() {
    if (!m_bDropped) {
        return;
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    syscall(SYS_capget, &header, data);
    data[0].effective = m_effective[0];
    data[1].effective = m_effective[1];
    syscall(SYS_capset, &header, data);
}
