#include "platform/kernel/Kernel.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "support/TempDir.h"

namespace {

TEST(CrtRandTest, FifteenBitSequenceOfThePlatformRuntime) {
    crt::srand(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int value : expected) {
        EXPECT_EQ(crt::rand(), value);
    }
    crt::srand(1);
    EXPECT_EQ(crt::rand(), 41) << "srand restarts the sequence";
}

TEST(CurrentDirectoryTest, ReportsLengthOrTheSizeNeededWithoutWritingPastTheBuffer) {
    ScopedTempCwd cwd;
    char buffer[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
    EXPECT_EQ(std::string(buffer), cwd.Path());
    EXPECT_EQ(length, cwd.Path().size());

    char small[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(GetCurrentDirectoryA(4, small), cwd.Path().size() + 1) << "size with terminator";
    EXPECT_EQ(small[0], '#') << "a buffer that is too small is not written";
}

TEST(PerformanceCounterTest, CountsFromTheStartOfTheProcessNotOfTheMachine) {
    // The process's age: now on the monotonic clock less its start time, which
    // the kernel gives in clock ticks since boot.
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22; ++i) {
        fields >> field;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const double age = static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9 -
                       std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));

    LARGE_INTEGER frequency{}, first{}, second{};
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    ASSERT_TRUE(QueryPerformanceCounter(&first));
    ASSERT_TRUE(QueryPerformanceCounter(&second));
    const double seconds = static_cast<double>(first.QuadPart) / static_cast<double>(frequency.QuadPart);
    EXPECT_GE(seconds, 0.0);
    EXPECT_LE(seconds, age + 0.05) << "counted since boot";
    EXPECT_GE(second.QuadPart, first.QuadPart);
}

TEST(OpenRegularFileTest, OpensOnlyRegularFilesOfTheAllowedSizeAndNeverWaits) {
    ScopedTempCwd cwd;
    cwd.WriteFile("model.x", "0123456789");
    std::uint64_t size = 0;
    std::FILE* file = OpenRegularFile("model.x", 10, &size);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(size, 10u);
    char text[16] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof(text), file), 10u) << "reads block as usual";
    std::fclose(file);

    struct Case {
        const char* m_szPath;
        int m_nError;
    };
    ASSERT_EQ(mkfifo(cwd.File("pipe.x").c_str(), 0644), 0);
    cwd.MakeFolder("folder.x");
    // A FIFO with no writer would block an ordinary open for ever.
    const Case cases[] = {{"pipe.x", ENODEV}, {"folder.x", EISDIR}, {"missing.x", ENOENT}, {"/dev/null", ENODEV}};
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_EQ(OpenRegularFile(c.m_szPath, 1000), nullptr) << c.m_szPath;
        EXPECT_EQ(errno, c.m_nError) << c.m_szPath;
    }
    errno = 0;
    EXPECT_EQ(OpenRegularFile("model.x", 9), nullptr);
    EXPECT_EQ(errno, EFBIG);
}

TEST(FindFileTest, MatchesWildcardInOneFolderIgnoringCaseOrGivesInvalidHandle) {
    ScopedTempCwd cwd;
    cwd.WriteFile("Sound/AlarmSound.WAV", "x");
    cwd.WriteFile("Sound/Other.wav", "y");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((cwd.Path() + "/Sound/AlarmSound.*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(found.cFileName, "AlarmSound.WAV");
    EXPECT_EQ(found.nFileSizeLow, 1u);
    EXPECT_FALSE(FindNextFileA(search, &found));
    EXPECT_TRUE(FindClose(search));

    // Back-slashes as the program writes them, and several matches.
    search = FindFirstFileA((cwd.Path() + "\\Sound\\*.wav").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::set<std::string> names{found.cFileName};
    while (FindNextFileA(search, &found)) {
        names.insert(found.cFileName);
    }
    FindClose(search);
    EXPECT_EQ(names, (std::set<std::string>{"AlarmSound.WAV", "Other.wav"}));

    // Nothing found, or no such folder.
    EXPECT_EQ(FindFirstFileA((cwd.Path() + "/Sound/Missing.*").c_str(), &found), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFileA((cwd.Path() + "/Nope/*").c_str(), &found), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(MultiByteToWideCharTest, SizeQueryConversionAndShortBuffer) {
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4) << "terminator counted";
    wchar_t out[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, out, 8), 4);
    EXPECT_EQ(std::wstring(out), L"abc");
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 2, out, 8), 2) << "explicit length, no terminator";
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcdef", -1, out, 3), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::wstring(out, 3), L"abc") << "filled as far as it goes";
    // A broken sequence becomes the replacement character, never a read past the end.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xE2\x82", 2, out, 8), 2);
    EXPECT_EQ(out[0], 0xFFFD);
}

}  // namespace
