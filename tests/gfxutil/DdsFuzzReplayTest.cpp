// Runs the DDS fuzz entry point over its seed files and over every truncation
// and many single-byte changes of them, so ordinary test runs (and the
// sanitizer build) cover what the fuzzer starts from.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "gfxutil/DdsImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::vector<BYTE>> LoadSeeds() {
    std::vector<std::vector<BYTE>> seeds;
    for (const auto& entry : std::filesystem::directory_iterator(DDS_SEED_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return seeds;
}

TEST(DdsFuzzReplayTest, SeedsAreValidImages) {
    const auto seeds = LoadSeeds();
    ASSERT_GE(seeds.size(), 10u);
    for (const auto& seed : seeds) {
        DdsImage image;
        EXPECT_EQ(image.Parse(seed.data(), seed.size()), S_OK);
        LLVMFuzzerTestOneInput(seed.data(), seed.size());
    }
}

TEST(DdsFuzzReplayTest, TruncatedAndAlteredSeedsAreHandled) {
    for (auto seed : LoadSeeds()) {
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
