// Screenshots written as PNG read back with the pixels they were given.
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <cstdio>
#include <string>

#include "platform/d3d/gl/PngWriter.h"

namespace {

std::string TempPath(const char* name) {
    return ::testing::TempDir() + name;
}

TEST(PngWriterTest, OpaqueImageRoundTripsItsColoursAndRowOrder) {
    // Three columns, two rows, with padding at the end of each row.
    const DWORD pixels[2][4] = {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xDEADBEEF},
                                {0x80102030, 0xFFFFFFFF, 0xFF000000, 0xDEADBEEF}};
    const std::string path = TempPath("png_writer_opaque.png");
    ASSERT_TRUE(PngWriter::WriteArgb(path.c_str(), 3, 2, pixels, sizeof(pixels[0]), false));
    int width = 0;
    int height = 0;
    int components = 0;
    unsigned char* data = stbi_load(path.c_str(), &width, &height, &components, 0);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(components, 3);
    const unsigned char expected[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 0x10, 0x20, 0x30, 255, 255, 255, 0, 0, 0};
    for (int i = 0; i < 18; ++i) {
        EXPECT_EQ(data[i], expected[i]) << "byte " << i;
    }
    stbi_image_free(data);
    std::remove(path.c_str());
}

TEST(PngWriterTest, AlphaIsKeptWhenAsked) {
    const DWORD pixel = 0x40FF8000;
    const std::string path = TempPath("png_writer_alpha.png");
    ASSERT_TRUE(PngWriter::WriteArgb(path.c_str(), 1, 1, &pixel, 4, true));
    int width = 0;
    int height = 0;
    int components = 0;
    unsigned char* data = stbi_load(path.c_str(), &width, &height, &components, 0);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(components, 4);
    EXPECT_EQ(data[0], 255);
    EXPECT_EQ(data[1], 128);
    EXPECT_EQ(data[2], 0);
    EXPECT_EQ(data[3], 0x40);
    stbi_image_free(data);
    std::remove(path.c_str());
}

TEST(PngWriterTest, RefusesWhatCannotBeWritten) {
    const DWORD pixel = 0;
    EXPECT_FALSE(PngWriter::WriteArgb(nullptr, 1, 1, &pixel, 4, false));
    EXPECT_FALSE(PngWriter::WriteArgb(TempPath("x.png").c_str(), 0, 1, &pixel, 4, false));
    EXPECT_FALSE(PngWriter::WriteArgb(TempPath("x.png").c_str(), 2, 1, &pixel, 4, false));  // pitch too small
    EXPECT_FALSE(PngWriter::WriteArgb("/nonexistent-folder/x.png", 1, 1, &pixel, 4, false));
}

}  // namespace
