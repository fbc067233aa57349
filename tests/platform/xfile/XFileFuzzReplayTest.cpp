// Runs the X-file fuzz entry point over its seed files and over every
// truncation and many single-byte changes of them, so ordinary test runs (and
// the sanitizer build) cover what the fuzzer starts from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/xfile/XFileDump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::vector<BYTE>> LoadSeeds() {
    std::vector<std::vector<BYTE>> seeds;
    for (const auto& entry : std::filesystem::directory_iterator(XFILE_SEED_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return seeds;
}

TEST(XFileFuzzReplay, SeedsAreReadableFiles) {
    const auto seeds = LoadSeeds();
    ASSERT_GE(seeds.size(), 6u);
    for (const auto& seed : seeds) {
        size_t count = 0;
        EXPECT_EQ(XFileDump::CountTopLevel(seed, &count), DXFILE_OK);
        LLVMFuzzerTestOneInput(seed.data(), seed.size());
    }
}

TEST(XFileFuzzReplay, TruncatedAndAlteredSeedsAreHandled) {
    for (auto seed : LoadSeeds()) {
        // Every byte of the header region, then about 50 places spread over the rest.
        const size_t stride = std::max<size_t>(1, seed.size() / 50);
        auto step = [stride](size_t at) { return at < 64 ? 1 : stride; };
        for (size_t length = 0; length <= seed.size(); length += step(length)) {
            LLVMFuzzerTestOneInput(seed.data(), length);
        }
        for (size_t i = 0; i < seed.size(); i += step(i)) {
            const BYTE original = seed[i];
            for (BYTE value : {BYTE{0x00}, BYTE{0xFF}, static_cast<BYTE>(original ^ 0x20)}) {
                seed[i] = value;
                LLVMFuzzerTestOneInput(seed.data(), seed.size());
            }
            seed[i] = original;
        }
    }
}

}  // namespace
