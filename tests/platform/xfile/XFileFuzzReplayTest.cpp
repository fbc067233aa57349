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

// The corpus holds what the fuzzer kept, broken files included; `readableOnly`
// keeps the files the runtime reads whole.
std::vector<std::vector<BYTE>> LoadCorpus(bool readableOnly) {
    std::vector<std::vector<BYTE>> files;
    for (const auto& entry : std::filesystem::directory_iterator(XFILE_SEED_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<BYTE> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        size_t count = 0;
        if (!readableOnly || XFileDump::CountTopLevel(bytes, &count) == DXFILE_OK) {
            files.push_back(std::move(bytes));
        }
    }
    return files;
}

TEST(XFileFuzzReplay, TheCorpusRunsAndKeepsReadableFilesToStartFrom) {
    for (const auto& file : LoadCorpus(false)) {
        LLVMFuzzerTestOneInput(file.data(), file.size());
    }
    EXPECT_GE(LoadCorpus(true).size(), 6u) << "readable files of each encoding, for the fuzzer to start from";
}

TEST(XFileFuzzReplay, TruncatedAndAlteredFilesAreHandled) {
    for (auto seed : LoadCorpus(true)) {
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
