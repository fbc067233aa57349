// Runs the DDS fuzz entry point over every truncation and many single-byte
// changes of the corpus's valid images, so ordinary test runs (and the
// sanitizer build) cover what the fuzzer starts from. The corpus itself is
// replayed by the fuzz folder's own test.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "gfxutil/DdsImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// The images of the corpus that parse (it also holds the broken files the fuzzer kept).
std::vector<std::vector<BYTE>> ValidSeeds() {
    std::vector<std::vector<BYTE>> files;
    for (const auto& entry : std::filesystem::directory_iterator(DDS_SEED_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<BYTE> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        DdsImage image;
        if (image.Parse(bytes.data(), bytes.size()) == S_OK) {
            files.push_back(std::move(bytes));
        }
    }
    return files;
}

TEST(DdsFuzzReplayTest, TruncatedAndAlteredImagesAreHandled) {
    const auto seeds = ValidSeeds();
    EXPECT_GE(seeds.size(), 10u) << "valid images of the formats, for the fuzzer to start from";
    for (auto seed : seeds) {
        for (size_t length = 0; length <= seed.size(); ++length) {
            std::vector<BYTE> cut(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(length));
            LLVMFuzzerTestOneInput(cut.data(), cut.size());
        }
        for (size_t i = 0; i < seed.size() && i < 128; ++i) {
            const BYTE original = seed[i];
            for (BYTE value : {BYTE{0x00}, BYTE{0x01}, BYTE{0x7F}, BYTE{0xFF}, static_cast<BYTE>(original ^ 0x80)}) {
                seed[i] = value;
                LLVMFuzzerTestOneInput(seed.data(), seed.size());
            }
            seed[i] = original;
        }
    }
}

}  // namespace
