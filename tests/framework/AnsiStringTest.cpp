#include "framework/AnsiString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(AnsiToWideTest, WholeStringWithMinusOne) {
    wchar_t out[64];
    std::wmemset(out, L'#', 64);
    AnsiToWide(out, "Sound\\AlarmSound.wav", -1);
    EXPECT_EQ(std::wstring(out), L"Sound\\AlarmSound.wav");
}

TEST(AnsiToWideTest, ShortBufferTruncatesAndTerminates) {
    wchar_t out[8];
    std::wmemset(out, L'#', 8);
    AnsiToWide(out, "AlarmSound", 5);
    EXPECT_EQ(std::wstring(out), L"Alar");
    EXPECT_EQ(out[5], L'#') << "nothing written past the given size";
}

TEST(AnsiToWideTest, Utf8BecomesOneWideCharacterPerCodePoint) {
    wchar_t out[16];
    AnsiToWide(out, "\xC3\xA9t\xC3\xA9", 16);
    EXPECT_EQ(std::wstring(out), L"\u00E9t\u00E9");
}

TEST(AnsiToWideTest, NullArgumentsAndZeroSizeDoNothing) {
    wchar_t out[4] = {L'x', L'y', L'z', 0};
    AnsiToWide(out, nullptr, 4);
    AnsiToWide(nullptr, "abc", 4);
    AnsiToWide(out, "abc", 0);
    EXPECT_EQ(std::wstring(out), L"xyz");
}

TEST(CopyAnsiTest, BoundedCopyAlwaysTerminates) {
    char out[8];
    std::memset(out, '#', sizeof(out));
    CopyAnsi(out, "VelmoranBase07.x", 6);
    EXPECT_STREQ(out, "Velmo");
    EXPECT_EQ(out[6], '#');
}

TEST(CopyAnsiTest, ShortSourceIsCopiedWhole) {
    char out[16];
    std::memset(out, '#', sizeof(out));
    CopyAnsi(out, "Clock.vps", 16);
    EXPECT_STREQ(out, "Clock.vps");
    EXPECT_EQ(out[12], '\0') << "strncpy fills the rest with zeros";
}

TEST(CopyAnsiTest, MinusOneCopiesWhole) {
    char out[32];
    CopyAnsi(out, "a much longer file name.x", -1);
    EXPECT_STREQ(out, "a much longer file name.x");
}

TEST(CopyAnsiTest, NullArgumentsAndZeroSizeDoNothing) {
    char out[4] = "abc";
    CopyAnsi(out, nullptr, 4);
    CopyAnsi(nullptr, "x", 4);
    CopyAnsi(out, "xyz", 0);
    EXPECT_STREQ(out, "abc");
}

}  // namespace
