// The settings file as the program reads it at start and writes it at exit.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzMedia.h"
#include "overlay/Flags.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_media::Enter();
    fuzz_media::Write("Misc/VelmoranFlags.vmf", data, size);
    Flags flags;
    flags.Load();
    // A word read is the file's first four bytes; anything shorter leaves 0.
    DWORD expected = 0;
    if (size >= 4) {
        std::memcpy(&expected, data, 4);
    }
    if (flags.Word() != expected) {
        std::abort();
    }
    flags.Save();
    std::ifstream saved("Misc/VelmoranFlags.vmf", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    if (bytes.size() != 4 || std::memcmp(bytes.data(), &expected, 4) != 0) {
        std::abort();
    }
    return 0;
}
