#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Outcome {
    CommandLine::Action m_action;
    int m_nStatus;
    StartOptions m_options;
    std::string m_szOut, m_szErr;
};

std::string Drain(std::FILE* file) {
    std::rewind(file);
    std::string text;
    char block[512];
    while (std::size_t got = std::fread(block, 1, sizeof(block), file)) {
        text.append(block, got);
    }
    std::fclose(file);
    return text;
}

Outcome Parse(std::initializer_list<const char*> args) {
    std::vector<std::string> storage{"velmoran"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : storage) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    Outcome outcome{};
    outcome.m_options.m_bFullscreen = outcome.m_options.m_bResetSettings = TRUE;  // must be reset
    outcome.m_options.m_bScreensaver = TRUE;
    outcome.m_options.m_iWindowId = 7;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    outcome.m_action = CommandLine::Parse(static_cast<int>(storage.size()), argv.data(), outcome.m_options,
                                          outcome.m_nStatus, out, err);
    outcome.m_szOut = Drain(out);
    outcome.m_szErr = Drain(err);
    return outcome;
}

TEST(CommandLineTest, OptionsForOneRunInGnuStyle) {
    Outcome none = Parse({});
    EXPECT_EQ(none.m_action, CommandLine::Action::Run);
    EXPECT_FALSE(none.m_options.m_bFullscreen);
    EXPECT_FALSE(none.m_options.m_bResetSettings);
    EXPECT_EQ(none.m_szOut + none.m_szErr, "");

    Outcome full = Parse({"--fullscreen", "--reset-settings"});
    EXPECT_EQ(full.m_action, CommandLine::Action::Run);
    EXPECT_TRUE(full.m_options.m_bFullscreen);
    EXPECT_TRUE(full.m_options.m_bResetSettings);

    // The last of the two modes wins; unambiguous abbreviations are accepted.
    EXPECT_FALSE(Parse({"--fullscreen", "--windowed"}).m_options.m_bFullscreen);
    EXPECT_TRUE(Parse({"--windowed", "--full"}).m_options.m_bFullscreen);

    EXPECT_EQ(none.m_options.m_uMaxFps, 0u) << "paced to the display";
    EXPECT_EQ(Parse({"--max-fps", "30"}).m_options.m_uMaxFps, 30u);
    EXPECT_EQ(Parse({"--max-fps=1000"}).m_options.m_uMaxFps, 1000u);

    EXPECT_EQ(none.m_options.m_iDisplay, -1) << "where the window system puts it";
    EXPECT_EQ(Parse({"--display", "0"}).m_options.m_iDisplay, 0);
    EXPECT_TRUE(Parse({"--list-displays"}).m_options.m_bListDisplays);

    EXPECT_EQ(Parse({"--run-folder", "build/run"}).m_options.m_szRunFolder, "build/run");
    EXPECT_EQ(none.m_options.m_szRunFolder, "") << "decided from where the program runs";

    // The debug output: silent unless asked for, by option or environment.
    unsetenv("VELMORAN_VERBOSE");
    EXPECT_FALSE(none.m_options.m_bVerbose);
    EXPECT_TRUE(Parse({"--verbose"}).m_options.m_bVerbose);
    for (const auto& [value, verbose] : {std::pair{"1", TRUE}, {"yes", TRUE}, {"0", FALSE}, {"", FALSE}}) {
        setenv("VELMORAN_VERBOSE", value, 1);
        EXPECT_EQ(Parse({}).m_options.m_bVerbose, verbose) << "VELMORAN_VERBOSE=" << value;
    }
    unsetenv("VELMORAN_VERBOSE");

    // The scale: the option over the variable; a variable that is no scale stops the start.
    unsetenv("VELMORAN_SCALE");
    EXPECT_EQ(none.m_options.m_iScale, 0) << "as the desktop says";
    setenv("VELMORAN_SCALE", "3", 1);
    EXPECT_EQ(Parse({}).m_options.m_iScale, 3);
    EXPECT_EQ(Parse({"--scale=2"}).m_options.m_iScale, 2);
    setenv("VELMORAN_SCALE", "1.5", 1);
    Outcome badScale = Parse({});
    unsetenv("VELMORAN_SCALE");
    EXPECT_EQ(badScale.m_nStatus, 1);
    EXPECT_EQ(badScale.m_szErr, "velmoran: VELMORAN_SCALE holds no whole number from 1 to 8: '1.5'\n");
}

// A screen-saver daemon names the window to draw in: --window-id, or --root
// with XSCREENSAVER_WINDOW set (the root window itself without it).
TEST(CommandLineTest, AScreensaverDrawsInTheWindowItIsGiven) {
    unsetenv("XSCREENSAVER_WINDOW");
    Outcome own = Parse({});
    EXPECT_FALSE(own.m_options.m_bScreensaver);
    EXPECT_EQ(own.m_options.m_iWindowId, 0ul);

    struct Case {
        std::initializer_list<const char*> m_args;
        const char* m_szEnvironment;
        BOOL m_bScreensaver;
        unsigned long m_iWindowId;
    };
    const Case cases[] = {
        {{"--window-id", "0x3a00007"}, nullptr, TRUE, 0x3a00007ul},
        {{"--window-id=0X1C"}, nullptr, TRUE, 0x1cul},
        {{"--window-id", "0123"}, nullptr, TRUE, 123ul},  // decimal, not octal
        {{"--root"}, nullptr, TRUE, 0ul},
        {{"--root"}, "", TRUE, 0ul},
        {{"--root"}, "0x1c00005", TRUE, 0x1c00005ul},
        {{"--root"}, "4194311", TRUE, 4194311ul},
        {{"--window-id", "5", "--root"}, nullptr, TRUE, 0ul},  // the last choice wins
        {{"--root", "--window"}, "0x1c00005", FALSE, 0ul},
        {{"--window-id", "5", "--window"}, nullptr, FALSE, 0ul},
        {{"--window-id", "9"}, "0x1c00005", TRUE, 9ul},  // the variable is for --root only
    };
    for (const Case& c : cases) {
        if (c.m_szEnvironment != nullptr) {
            setenv("XSCREENSAVER_WINDOW", c.m_szEnvironment, 1);
        } else {
            unsetenv("XSCREENSAVER_WINDOW");
        }
        Outcome outcome = Parse(c.m_args);
        const std::string name = *c.m_args.begin() + std::string(" ") + (c.m_szEnvironment ? c.m_szEnvironment : "-");
        EXPECT_EQ(outcome.m_action, CommandLine::Action::Run) << name << ": " << outcome.m_szErr;
        EXPECT_EQ(outcome.m_options.m_bScreensaver, c.m_bScreensaver) << name;
        EXPECT_EQ(outcome.m_options.m_iWindowId, c.m_iWindowId) << name;
    }

    // A variable the daemon filled wrongly is not a usage error: one line, 1.
    setenv("XSCREENSAVER_WINDOW", "screen", 1);
    Outcome bad = Parse({"--root"});
    unsetenv("XSCREENSAVER_WINDOW");
    EXPECT_EQ(bad.m_action, CommandLine::Action::Exit);
    EXPECT_EQ(bad.m_nStatus, 1);
    EXPECT_EQ(bad.m_szErr, "velmoran: XSCREENSAVER_WINDOW holds no window id: 'screen'\n");
}

TEST(CommandLineTest, HelpAndVersionPrintAndEndWithZero) {
    for (const char* help : {"--help", "-h"}) {
        Outcome outcome = Parse({"--fullscreen", help});
        EXPECT_EQ(outcome.m_action, CommandLine::Action::Exit);
        EXPECT_EQ(outcome.m_nStatus, 0);
        EXPECT_EQ(outcome.m_szOut.rfind("Usage: velmoran [OPTION]...", 0), 0u);
        EXPECT_EQ(outcome.m_szErr, "");
    }
    Outcome version = Parse({"--version"});
    EXPECT_EQ(version.m_action, CommandLine::Action::Exit);
    EXPECT_EQ(version.m_nStatus, 0);
    EXPECT_EQ(version.m_szOut, std::string("velmoran (Velmoran no Horlo) ") + CommandLine::Version() + "\n");
    EXPECT_NE(std::string(CommandLine::Version()).find('.'), std::string::npos) << "the project's version";
}

TEST(CommandLineTest, AWrongOptionOrArgumentIsOneLineAndAPointerToHelpWithStatusTwo) {
    struct Case {
        std::initializer_list<const char*> m_args;
        const char* m_szLine;
    };
    const Case cases[] = {
        {{"--bogus"}, "velmoran: unrecognized option '--bogus'\n"},
        {{"--help=yes"}, "velmoran: option '--help=yes' doesn't allow an argument\n"},
        {{"-x"}, "velmoran: invalid option -- 'x'\n"},
        {{"--windowed", "clock.cfg"}, "velmoran: unexpected argument 'clock.cfg'\n"},
        {{"--max-fps"}, "velmoran: option '--max-fps' requires an argument\n"},
        {{"--scale", "9"}, "velmoran: --scale needs a whole number from 1 to 8, not '9'\n"},
        {{"--max-fps=0"}, "velmoran: --max-fps needs a whole number from 1 to 1000, not '0'\n"},
        {{"--max-fps", "-5"}, "velmoran: --max-fps needs a whole number from 1 to 1000, not '-5'\n"},
        {{"--max-fps", "30fps"}, "velmoran: --max-fps needs a whole number from 1 to 1000, not '30fps'\n"},
        {{"--max-fps", "99999999999999999999"},
         "velmoran: --max-fps needs a whole number from 1 to 1000, not '99999999999999999999'\n"},
        {{"--window-id"}, "velmoran: option '--window-id' requires an argument\n"},
        {{"--root=1"}, "velmoran: option '--root=1' doesn't allow an argument\n"},
        {{"--wind"}, "velmoran: option '--wind' is ambiguous; possibilities: '--windowed' '--window-id' '--window'\n"},
        {{"--run-folder="}, "velmoran: --run-folder needs a folder, not ''\n"},
        {{"--display=-1"}, "velmoran: --display needs a display number (see --list-displays), not '-1'\n"},
        {{"--"}, nullptr},
    };
    // Window ids: decimal or 0x hexadecimal, never 0 (no window).
    for (const char* id : {"abc", "0x", "0", "0x0", "-1", "+5", " 5", "12x", "0xZZ", "99999999999999999999999"}) {
        Outcome outcome = Parse({"--window-id", id});
        EXPECT_EQ(outcome.m_action, CommandLine::Action::Exit) << id;
        EXPECT_EQ(outcome.m_nStatus, 2) << id;
        EXPECT_EQ(
            outcome.m_szErr.substr(0, outcome.m_szErr.find('\n') + 1),
            std::string("velmoran: --window-id needs a window id, decimal or 0x hexadecimal, not '") + id + "'\n");
    }
    for (const Case& c : cases) {
        Outcome outcome = Parse(c.m_args);
        if (c.m_szLine == nullptr) {
            EXPECT_EQ(outcome.m_action, CommandLine::Action::Run) << "'--' alone ends the options";
            continue;
        }
        EXPECT_EQ(outcome.m_action, CommandLine::Action::Exit) << c.m_szLine;
        EXPECT_EQ(outcome.m_nStatus, 2) << c.m_szLine;
        EXPECT_EQ(outcome.m_szErr, c.m_szLine + std::string("Try 'velmoran --help' for more information.\n"));
        EXPECT_EQ(outcome.m_szOut, "");
    }
}

}  // namespace
