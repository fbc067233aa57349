#include "support/InstalledTree.h"

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
