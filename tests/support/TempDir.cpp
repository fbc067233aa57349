#include "support/TempDir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

ScopedTempCwd::ScopedTempCwd() {
    char pattern[] = "/tmp/velmoran-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
    m_previous = std::filesystem::current_path().string();
    std::filesystem::current_path(m_path);
}

ScopedTempCwd::~ScopedTempCwd() {
    std::error_code ignored;
    std::filesystem::current_path(m_previous, ignored);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

void ScopedTempCwd::MakeFolder(const std::string& relative) const {
    std::filesystem::create_directories(File(relative));
}

void ScopedTempCwd::WriteFile(const std::string& relative, const std::string& bytes) const {
    std::filesystem::path path(File(relative));
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ScopedTempCwd::ReadFile(const std::string& relative) const {
    std::ifstream in(File(relative), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void ScopedTempCwd::CopyMedia(const std::string& runFolder) const {
    for (const char* folder : {"Model", "Texture", "Misc", "Sound"}) {
        std::filesystem::copy(runFolder + "/" + folder, File(folder), std::filesystem::copy_options::recursive);
    }
}
