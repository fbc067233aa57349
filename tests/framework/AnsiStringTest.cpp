#include "framework/AnsiString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(AnsiToWideTest, CopiesUpToTheSizeTerminatesAndIgnoresNullArguments) {
    wchar_t out[64];
    std::wmemset(out, L'#', 64);
    AnsiToWide(out, "Sound\\AlarmSound.wav", -1);
    EXPECT_EQ(std::wstring(out), L"Sound\\AlarmSound.wav");

    std::wmemset(out, L'#', 64);
    AnsiToWide(out, "AlarmSound", 5);
    EXPECT_EQ(std::wstring(out), L"Alar");
    EXPECT_EQ(out[5], L'#') << "nothing written past the given size";

    // UTF-8 becomes one wide character per code point.
    AnsiToWide(out, "\xC3\xA9t\xC3\xA9", 16);
    EXPECT_EQ(std::wstring(out), L"\u00E9t\u00E9");

    AnsiToWide(out, nullptr, 4);
    AnsiToWide(nullptr, "abc", 4);
    AnsiToWide(out, "abc", 0);
    EXPECT_EQ(std::wstring(out), L"\u00E9t\u00E9");
}

TEST(CopyAnsiTest, CopiesUpToTheSizeTerminatesAndIgnoresNullArguments) {
    char out[32];
    std::memset(out, '#', sizeof(out));
    CopyAnsi(out, "VelmoranBase07.x", 6);
    EXPECT_STREQ(out, "Velmo");
    EXPECT_EQ(out[6], '#');

    std::memset(out, '#', sizeof(out));
    CopyAnsi(out, "Clock.vps", 16);
    EXPECT_STREQ(out, "Clock.vps");
    EXPECT_EQ(out[12], '\0') << "strncpy fills the rest with zeros";
    EXPECT_EQ(out[16], '#');

    CopyAnsi(out, "a much longer file name.x", -1);
    EXPECT_STREQ(out, "a much longer file name.x");

    CopyAnsi(out, nullptr, 4);
    CopyAnsi(nullptr, "x", 4);
    CopyAnsi(out, "xyz", 0);
    EXPECT_STREQ(out, "a much longer file name.x");
}

}  // namespace
