#include "framework/MediaLocation.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/MediaPath.h"
#include "support/InstalledTree.h"

namespace {

TEST(MediaLocationTest, ARunFolderIsTheCurrentOneWithoutAnInstalledTreeOrOneNamedOnPurpose) {
    ScopedInstalledTree tree;
    MediaEnvironment elsewhere = tree.Environment();
    elsewhere.m_szExecutable = tree.Root().File("elsewhere/bin/velmoran");
    MediaLocation location;
    std::string message;
    EXPECT_EQ(MediaLocation::Resolve(elsewhere, location, message), E_FAIL);
    EXPECT_NE(message.find(tree.Root().File("work")), std::string::npos) << message;
    EXPECT_NE(message.find(tree.Root().File("elsewhere/share/velmoran")), std::string::npos) << message;

    tree.Root().MakeFolder("work/Model");
    ASSERT_EQ(MediaLocation::Resolve(elsewhere, location, message), S_OK);
    EXPECT_EQ(location.GetKind(), MediaLocation::Kind::RunFolder);
    EXPECT_EQ(location.MediaDirectory(), tree.Root().File("work"));
    EXPECT_EQ(location.SettingsDirectory(), tree.Root().File("work/Misc"));
    EXPECT_EQ(location.UserDirectory(), "") << "no replacements in a run folder";
    EXPECT_EQ(location.DefaultSettingsDirectory(), "");

    // Installed, a user's own Model folder where the program starts is theirs.
    ASSERT_EQ(MediaLocation::Resolve(tree.Environment(), location, message), S_OK);
    EXPECT_EQ(location.GetKind(), MediaLocation::Kind::Installed);
    EXPECT_EQ(location.MediaDirectory(), tree.Root().File("prefix/share/velmoran"));

    // Asked for on purpose, relative to where the program starts.
    MediaEnvironment asked = tree.Environment();
    asked.m_szRunFolder = "media/";
    EXPECT_EQ(MediaLocation::Resolve(asked, location, message), E_FAIL);
    EXPECT_EQ(message, "the run folder " + tree.Root().File("work/media") + " holds no Model folder");
    tree.Root().MakeFolder("work/media/Model");
    ASSERT_EQ(MediaLocation::Resolve(asked, location, message), S_OK) << message;
    EXPECT_EQ(location.GetKind(), MediaLocation::Kind::RunFolder);
    EXPECT_EQ(location.MediaDirectory(), tree.Root().File("work/media"));
    EXPECT_EQ(location.SettingsDirectory(), tree.Root().File("work/media/Misc"));
}

TEST(MediaLocationTest, InstalledTreeIsFoundFromTheExecutableAndTheUserFoldersFromXdg) {
    ScopedInstalledTree tree;
    MediaLocation location;
    std::string message;
    ASSERT_EQ(MediaLocation::Resolve(tree.Environment(), location, message), S_OK) << message;
    EXPECT_EQ(location.GetKind(), MediaLocation::Kind::Installed);
    EXPECT_EQ(location.MediaDirectory(), tree.Root().File("prefix/share/velmoran")) << "no '..' left in it";
    EXPECT_EQ(location.DefaultSettingsDirectory(), tree.Root().File("prefix/share/velmoran/Misc"));
    EXPECT_EQ(location.UserDirectory(), tree.Root().File("data/velmoran"));
    EXPECT_EQ(location.SettingsDirectory(), tree.Root().File("config/velmoran"));

    // Unset or relative XDG variables fall back to the folders under home.
    MediaEnvironment environment = tree.Environment();
    environment.m_szDataHome = "";
    environment.m_szConfigHome = "relative/config";
    ASSERT_EQ(MediaLocation::Resolve(environment, location, message), S_OK);
    EXPECT_EQ(location.UserDirectory(), tree.Root().File("home/.local/share/velmoran"));
    EXPECT_EQ(location.SettingsDirectory(), tree.Root().File("home/.config/velmoran"));

    // With no home either there is nowhere to keep settings, but media still load.
    environment.m_szHome = "";
    ASSERT_EQ(MediaLocation::Resolve(environment, location, message), S_OK);
    EXPECT_EQ(location.SettingsDirectory(), "");
    EXPECT_EQ(location.UserDirectory(), "");
}

TEST(MediaLocationTest, LoadersReadTheInstalledTreeAndTheUsersOwnFilesFileByFile) {
    ScopedInstalledTree tree;
    tree.Activate(tree.Environment());
    const std::string installed = tree.Installed("");
    tree.Root().WriteFile("data/velmoran/Texture/Own.dds", "mine");
    tree.Root().MakeFolder("data/velmoran/Texture/Folder.dds");

    char dir[MAX_PATH];
    CaptureDirectory(dir);
    EXPECT_EQ(std::string(dir) + "/", installed) << "not the current directory";

    char path[MAX_PATH];
    ASSERT_TRUE(ComposeMediaPath(path, dir, kTextureFolder, "Own.dds"));
    EXPECT_EQ(std::string(path), tree.User("Texture/Own.dds"));
    ASSERT_TRUE(ComposeMediaPath(path, dir, kTextureFolder, "Other.dds"));
    EXPECT_EQ(std::string(path), tree.Installed("Texture/Other.dds"));
    ASSERT_TRUE(ComposeMediaPath(path, dir, kTextureFolder, "Folder.dds"));
    EXPECT_EQ(std::string(path), tree.Installed("Texture/Folder.dds")) << "only a regular file replaces one";
    ASSERT_TRUE(ComposeMediaPath(path, "/somewhere", kTextureFolder, "Own.dds"));
    EXPECT_EQ(std::string(path), "/somewhere/Texture/Own.dds") << "only the media directory is replaced";

    // A wildcard search moves to the user's folder only when it has a match.
    EXPECT_FALSE(PreferUserDirectory(dir, kSoundFolder, "AlarmSound.*"));
    EXPECT_EQ(std::string(dir) + "/", installed);
    tree.Root().WriteFile("data/velmoran/Sound/AlarmSound.mid", "MThd");
    EXPECT_TRUE(PreferUserDirectory(dir, kSoundFolder, "AlarmSound.*"));
    EXPECT_EQ(std::string(dir), tree.User("").substr(0, tree.User("").size() - 1));

    char settings[MAX_PATH], defaults[MAX_PATH];
    CaptureSettingsDirectory(settings, defaults);
    EXPECT_EQ(std::string(settings), tree.Root().File("config/velmoran"));
    EXPECT_EQ(std::string(defaults), tree.Installed("Misc"));
}

}  // namespace
