#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
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
}

TEST(CommandLineTest, HelpAndVersionPrintAndEndWithZero) {
    for (const char* help : {"--help", "-h"}) {
        Outcome outcome = Parse({"--fullscreen", help});
        EXPECT_EQ(outcome.m_action, CommandLine::Action::Exit);
        EXPECT_EQ(outcome.m_nStatus, 0);
        EXPECT_EQ(outcome.m_szOut.rfind("Usage: velmoran [OPTION]...", 0), 0u);
        for (const char* part : {"--reset-settings", "Keys:", "Alt+Enter", "Files:", "VelmoranFlags.vmf",
                                 "Environment:", "XDG_CONFIG_HOME"}) {
            EXPECT_NE(outcome.m_szOut.find(part), std::string::npos) << part;
        }
        EXPECT_EQ(outcome.m_szErr, "");
    }
    Outcome version = Parse({"--version"});
    EXPECT_EQ(version.m_action, CommandLine::Action::Exit);
    EXPECT_EQ(version.m_nStatus, 0);
    EXPECT_EQ(version.m_szOut, std::string("velmoran (Velmoran no Horlo) ") + CommandLine::Version() + "\n");
    EXPECT_NE(std::string(CommandLine::Version()).find('.'), std::string::npos) << "the project's version";
}

TEST(CommandLineTest, AWrongOptionOrArgumentIsOneLineAndTheUsageWithStatusTwo) {
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
        {{"--max-fps=0"}, "velmoran: --max-fps needs a whole number from 1 to 1000, not '0'\n"},
        {{"--max-fps", "-5"}, "velmoran: --max-fps needs a whole number from 1 to 1000, not '-5'\n"},
        {{"--max-fps", "30fps"}, "velmoran: --max-fps needs a whole number from 1 to 1000, not '30fps'\n"},
        {{"--max-fps", "99999999999999999999"},
         "velmoran: --max-fps needs a whole number from 1 to 1000, not '99999999999999999999'\n"},
        {{"--"}, nullptr},
    };
    for (const Case& c : cases) {
        Outcome outcome = Parse(c.m_args);
        if (c.m_szLine == nullptr) {
            EXPECT_EQ(outcome.m_action, CommandLine::Action::Run) << "'--' alone ends the options";
            continue;
        }
        EXPECT_EQ(outcome.m_action, CommandLine::Action::Exit) << c.m_szLine;
        EXPECT_EQ(outcome.m_nStatus, 2) << c.m_szLine;
        EXPECT_EQ(outcome.m_szErr.substr(0, outcome.m_szErr.find('\n') + 1), c.m_szLine);
        EXPECT_NE(outcome.m_szErr.find("Usage: velmoran"), std::string::npos);
        EXPECT_EQ(outcome.m_szOut, "");
    }
}

}  // namespace
