#include "tools/mediagen/GeneratedMedia.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "MediaGenerator.h"

namespace {

std::string Root() {
    static const std::string s_szRoot = [] {
        const auto root = std::filesystem::temp_directory_path() / ("velmoran-mediagen-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root);
        std::atexit([] {
            std::error_code error;
            std::filesystem::remove_all(
                std::filesystem::temp_directory_path() / ("velmoran-mediagen-" + std::to_string(::getpid())), error);
        });
        return root.string();
    }();
    return s_szRoot;
}

}  // namespace

// The tree the generator tool wrote at build time for these tests; one of
// its own when the program runs outside the build (no such tree).
const std::string& GeneratedMedia::RunFolder() {
    static const std::string s_szRun = [] {
        if (std::filesystem::exists(MEDIAGEN_GENERATED "/run/Model/VelmoranBase07.x")) {
            return std::string(MEDIAGEN_GENERATED "/run");
        }
        MediaGenerator generator;
        const std::string szRun = Root() + "/run";
        return generator.Generate(szRun, Root() + "/testdata") ? szRun : std::string();
    }();
    return s_szRun;
}

const std::string& GeneratedMedia::TestDataFolder() {
    static const std::string s_szData = RunFolder().empty() ? std::string()
                                        : RunFolder() == MEDIAGEN_GENERATED "/run"
                                            ? std::string(MEDIAGEN_GENERATED "/testdata")
                                            : Root() + "/testdata";
    return s_szData;
}

std::string GeneratedMedia::Read(const std::string& szRelative) {
    std::ifstream file(RunFolder() + "/" + szRelative, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string GeneratedMedia::FreshFolder(const std::string& szName) {
    const std::string szPath = Root() + "/" + szName;
    std::error_code error;
    std::filesystem::remove_all(szPath, error);
    std::filesystem::create_directories(szPath);
    return szPath;
}
