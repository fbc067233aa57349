// Screenshots written as PNG read back with the pixels they were given.
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/d3d/gl/PngWriter.h"

namespace {

std::string TempPath(const char* name) {
    // Both builds' tests may run at once: the process id keeps their files apart.
    return ::testing::TempDir() + std::to_string(getpid()) + "_" + name;
}

// Writes, reads back as stored (width, height, channels, then the bytes) and removes.
std::vector<int> RoundTrip(const char* name, UINT width, UINT height, const void* pixels, UINT pitch, bool alpha) {
    const std::string path = TempPath(name);
    EXPECT_TRUE(PngWriter::WriteArgb(path.c_str(), width, height, pixels, pitch, alpha));
    int w = 0;
    int h = 0;
    int components = 0;
    unsigned char* data = stbi_load(path.c_str(), &w, &h, &components, 0);
    std::remove(path.c_str());
    if (data == nullptr) {
        return {};
    }
    std::vector<int> result = {w, h, components};
    result.insert(result.end(), data, data + w * h * components);
    stbi_image_free(data);
    return result;
}

TEST(PngWriterTest, ColoursRowOrderAndAlphaWhenAskedRoundTrip) {
    // Three columns, two rows, with padding at the end of each row; alpha dropped.
    const DWORD pixels[2][4] = {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xDEADBEEF},
                                {0x80102030, 0xFFFFFFFF, 0xFF000000, 0xDEADBEEF}};
    EXPECT_EQ(RoundTrip("png_writer_opaque.png", 3, 2, pixels, sizeof(pixels[0]), false),
              (std::vector<int>{3, 2, 3, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0x10, 0x20, 0x30, 255, 255, 255, 0, 0, 0}));
    const DWORD pixel = 0x40FF8000;
    EXPECT_EQ(RoundTrip("png_writer_alpha.png", 1, 1, &pixel, 4, true), (std::vector<int>{1, 1, 4, 255, 128, 0, 0x40}));
}

TEST(PngWriterTest, AFolderThatDoesNotExistIsRefused) {
    const DWORD pixel = 0;
    EXPECT_FALSE(PngWriter::WriteArgb("/nonexistent-folder/x.png", 1, 1, &pixel, 4, false));
}

}  // namespace
