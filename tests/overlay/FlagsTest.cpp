#include "overlay/Flags.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "framework/FrameStep.h"
#include "support/Capture.h"
#include "support/InstalledTree.h"
#include "support/TempDir.h"

namespace {

std::string Word(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), 4);
}

const char* kPath = "Misc/VelmoranFlags.vmf";

class FlagsTest : public ::testing::Test {
protected:
    void TearDown() override {
        flags_hooks::SetSaveFault(flags_hooks::SaveFault::None);
        g_frameStep = 0.0f;
    }
    ScopedTempCwd cwd;
    DebugCapture debug;
    MessageBoxCapture boxes;
};

TEST_F(FlagsTest, ReadsTheWordIgnoringTrailingBytesAndSavesExactlyFourKeepingUnknownBits) {
    cwd.WriteFile(kPath, Word(0x8000000A) + Word(0xFFFFFFFF));
    Flags flags;
    flags.Load();
    EXPECT_EQ(flags.Word(), 0x8000000Au);
    EXPECT_EQ(flags.IsSet(FLAG_FRAMED_VIEW), 1);
    EXPECT_EQ(flags.IsSet(FLAG_WHITE_BACKGROUND), 1);
    EXPECT_EQ(flags.IsSet(FLAG_SHOW_BUTTONS | FLAG_SHOW_NUMERALS), 0);
    EXPECT_EQ(flags.IsSet(FLAG_MANUAL_CAMERA | FLAG_FRAMED_VIEW), 1) << "any of several bits";

    flags.SetBits(FLAG_SHOW_BUTTONS | FLAG_SHOW_NUMERALS);
    flags.ClearBits(FLAG_SHOW_BUTTONS | FLAG_WHITE_BACKGROUND);
    flags.ToggleBits(FLAG_MANUAL_CAMERA | FLAG_SHOW_NUMERALS);
    flags.Save();
    EXPECT_EQ(cwd.ReadFile(kPath), Word(0x80000009));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(FlagsTest, MissingFolderOrShortFileIsReportedAndTheWordStaysZero) {
    Flags flags;
    flags.Load();
    EXPECT_EQ(flags.Word(), 0u);
    EXPECT_TRUE(boxes.AnyContains("Failed to open vmf File"));

    cwd.WriteFile(kPath, std::string("\x0A\x00", 2));
    flags.Load();
    EXPECT_EQ(flags.Word(), 0u);
    EXPECT_TRUE(boxes.AnyContains("Failed to read flag from file"));
}

TEST_F(FlagsTest, SaveCreatesTheFileReadableByAllOrReportsAnUnwritableFolderTouchingNothing) {
    cwd.WriteFile("Misc", "a file where the folder should be");
    Flags flags;
    flags.SetBits(FLAG_FRAMED_VIEW | FLAG_SHOW_BUTTONS);
    flags.Save();
    EXPECT_TRUE(boxes.AnyContains("Failed to Open vmf file"));
    EXPECT_EQ(cwd.ReadFile("Misc"), "a file where the folder should be");

    std::filesystem::remove(cwd.File("Misc"));
    cwd.MakeFolder("Misc");
    flags.ClearBits(FLAG_SHOW_BUTTONS);
    flags.Save();
    EXPECT_EQ(cwd.ReadFile(kPath), Word(FLAG_FRAMED_VIEW));
    auto perms = std::filesystem::status(cwd.File(kPath)).permissions();
    EXPECT_NE(perms & std::filesystem::perms::others_read, std::filesystem::perms::none);
}

TEST_F(FlagsTest, FailedWriteLeavesThePreviousFileIntact) {
    cwd.WriteFile(kPath, Word(FLAG_SHOW_BUTTONS));
    Flags flags;
    flags.Load();
    flags.ToggleBits(FLAG_WHITE_BACKGROUND);

    flags_hooks::SetSaveFault(flags_hooks::SaveFault::Write);
    flags.Save();
    EXPECT_EQ(cwd.ReadFile(kPath), Word(FLAG_SHOW_BUTTONS));
    EXPECT_TRUE(boxes.AnyContains("Failed to fwrite"));

    flags_hooks::SetSaveFault(flags_hooks::SaveFault::Rename);
    flags.Save();
    EXPECT_EQ(cwd.ReadFile(kPath), Word(FLAG_SHOW_BUTTONS));

    // No temporary files are left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cwd.File("Misc")), {}), 1);

    flags_hooks::SetSaveFault(flags_hooks::SaveFault::None);
    flags.Save();
    EXPECT_EQ(cwd.ReadFile(kPath), Word(FLAG_SHOW_BUTTONS | FLAG_WHITE_BACKGROUND));
}

// The reset option's default word is checked with the application.
TEST_F(FlagsTest, DirectoryIsTheOneCurrentAtConstruction) {
    cwd.WriteFile(kPath, Word(FLAG_SHOW_NUMERALS));
    Flags flags;
    std::filesystem::current_path("/");
    flags.Load();
    std::filesystem::current_path(cwd.Path());
    EXPECT_EQ(flags.Word(), FLAG_SHOW_NUMERALS);
}

// Installed: the user's settings live in their configuration folder and the
// installed tree is only read.
TEST(FlagsInstalledTest, FirstStartTakesTheInstalledWordSilentlyAndSavesUnderTheUsersConfig) {
    ScopedInstalledTree tree;
    MessageBoxCapture boxes;
    tree.Root().WriteFile("prefix/share/velmoran/Misc/VelmoranFlags.vmf", Word(0x14));
    tree.Activate(tree.Environment());

    Flags first;
    first.Load();
    EXPECT_EQ(first.Word(), 0x14u);
    EXPECT_TRUE(boxes.Boxes().empty()) << "a first start is not an error";
    first.ToggleBits(FLAG_WHITE_BACKGROUND);
    first.Save();
    EXPECT_EQ(tree.Root().ReadFile("config/velmoran/VelmoranFlags.vmf"), Word(0x16));
    EXPECT_EQ(std::filesystem::status(tree.Config("")).permissions(), std::filesystem::perms::owner_all)
        << "a folder of the user's own";
    EXPECT_EQ(tree.Root().ReadFile("prefix/share/velmoran/Misc/VelmoranFlags.vmf"), Word(0x14));

    Flags second;
    second.Load();
    EXPECT_EQ(second.Word(), 0x16u);

    Flags reset;
    reset.LoadDefault();
    EXPECT_EQ(reset.Word(), 0x14u) << "the installed default, not the user's word";
    EXPECT_TRUE(boxes.Boxes().empty());

    // An installed tree without its default file is broken: that is said.
    std::filesystem::remove(tree.Installed("Misc/VelmoranFlags.vmf"));
    std::filesystem::remove(tree.Config("VelmoranFlags.vmf"));
    Flags broken;
    broken.Load();
    EXPECT_TRUE(boxes.AnyContains("Failed to open vmf File"));
}

TEST_F(FlagsTest, ToggleRepeatTogglesAtOnceThenEveryHalfSecondHeldOnOneTimerForAllKeys) {
    Flags flags;
    g_frameStep = 0.125f;  // exact in binary, so the timer lands on 0 exactly
    std::vector<int> toggled;
    for (int frame = 0; frame < 11; ++frame) {
        toggled.push_back(flags.ToggleRepeat(FLAG_WHITE_BACKGROUND));
    }
    // The timer must go below zero, not just reach it: every fifth frame.
    EXPECT_EQ(toggled, (std::vector<int>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    EXPECT_EQ(flags.Word(), FLAG_WHITE_BACKGROUND);
    // Another key held right after still waits for the shared timer.
    EXPECT_EQ(flags.ToggleRepeat(FLAG_SHOW_BUTTONS), 0);
}

}  // namespace
