// Runs the X-file fuzz entry point over every truncation and many single-byte
// changes of its readable seed files. Its checks abort on members outside
// their data; the sanitizer build, the only one that builds it, sees the rest.
// (The corpus itself is replayed by the fuzz_replay_xfile test.)
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

// The corpus files the runtime reads whole (the corpus holds broken ones too).
std::vector<std::vector<BYTE>> LoadReadableSeeds() {
    std::vector<std::vector<BYTE>> files;
    for (const auto& entry : std::filesystem::directory_iterator(XFILE_SEED_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<BYTE> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        size_t count = 0;
        if (XFileDump::CountTopLevel(bytes, &count) == DXFILE_OK) {
            files.push_back(std::move(bytes));
        }
    }
    return files;
}

TEST(XFileFuzzReplay, TruncatedAndAlteredFilesAreHandled) {
    const std::vector<std::vector<BYTE>> seeds = LoadReadableSeeds();
    EXPECT_GE(seeds.size(), 6u) << "readable files of each encoding, for the fuzzer to start from";
    for (auto seed : seeds) {
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
