// Every loader forms its paths with ComposeMediaPath, so the 260-character
// limit of a media path is checked here once rather than per loader.
#include "framework/MediaPath.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "support/InstalledTree.h"
#include "support/TempDir.h"

namespace {

TEST(MediaPathTest, APathOfUpTo259CharactersIsComposedAndALongerOneIsRefusedEmpty) {
    char path[MAX_PATH];
    // 249 + "/Model/" + "m.x" = 259 characters and the terminator.
    const std::string dir = "/" + std::string(248, 'd');
    EXPECT_TRUE(ComposeMediaPath(path, dir.c_str(), kModelFolder, "m.x"));
    EXPECT_EQ(std::strlen(path), 259u);
    EXPECT_EQ(std::string(path), dir + "/Model/m.x");

    EXPECT_FALSE(ComposeMediaPath(path, (dir + "d").c_str(), kModelFolder, "m.x"));
    EXPECT_STREQ(path, "") << "a cut path could name another file";
    // An unknown directory composes nothing either.
    EXPECT_FALSE(ComposeMediaPath(path, "", kMiscFolder, "Clock.fpp"));
    EXPECT_STREQ(path, "");
}

TEST(MediaPathTest, ACurrentFolderTooLongForAnyPathIsCapturedEmpty) {
    ScopedTempCwd cwd;
    std::string deep = cwd.Path();
    while (deep.size() < MAX_PATH) {
        deep += "/dddddddddddddddddddd";
    }
    std::filesystem::create_directories(deep);
    std::filesystem::current_path(deep);
    char dir[MAX_PATH] = "stale";
    CaptureDirectory(dir);
    EXPECT_STREQ(dir, "");
    char path[MAX_PATH];
    EXPECT_FALSE(ComposeMediaPath(path, dir, kTextureFolder, "a.dds"));
    std::filesystem::current_path(cwd.Path());
}

TEST(MediaPathTest, ALongInstalledPathStillFailsWithTheLimit) {
    ScopedInstalledTree tree;
    const std::string deep = "prefix/" + std::string(120, 'p') + "/" + std::string(120, 'q');
    tree.Root().MakeFolder(deep + "/share/velmoran/Model");
    MediaEnvironment environment = tree.Environment();
    environment.m_szExecutable = tree.Root().File(deep + "/bin/velmoran");
    tree.Activate(environment);
    char dir[MAX_PATH];
    CaptureDirectory(dir);
    char path[MAX_PATH];
    EXPECT_FALSE(ComposeMediaPath(path, dir, kModelFolder, "VelmoranBase07.x"));
    EXPECT_STREQ(path, "");
}

}  // namespace
