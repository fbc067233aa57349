#include "FuzzMedia.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/d3d/record/RecordingDevice.h"
#include "platform/kernel/Kernel.h"
#include "platform/win/WinUser.h"

namespace fuzz_media {
namespace {

int Silent(HWND, const char*, const char*, UINT) {
    return IDOK;
}
void Quiet(const char*) {}

}  // namespace

void Enter() {
    static bool s_bEntered = false;
    if (s_bEntered) {
        return;
    }
    s_bEntered = true;
    win_hooks::SetMessageBox(Silent);
    kernel_hooks::SetDebugOutput(Quiet);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("velmoran-fuzz-" + std::to_string(getpid()));
    for (const char* sub : {"Model", "Texture", "Misc", "Sound"}) {
        std::filesystem::create_directories(folder / sub);
    }
    std::filesystem::current_path(folder);
    // The folder goes with the process.
    static const std::filesystem::path s_folder = folder;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(s_folder, ignored);
    });
}

void Write(const std::string& relative, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(relative.c_str(), "wb");
    if (file == nullptr) {
        std::abort();
    }
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        std::abort();
    }
    std::fclose(file);
}

IDirect3DDevice8* Device() {
    static IDirect3DDevice8* s_pDevice = [] {
        D3DPRESENT_PARAMETERS parameters{};
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        IDirect3DDevice8* device = nullptr;
        RecordLog* log = nullptr;
        if (FAILED(CreateRecordingDevice(&parameters, nullptr, &device, &log))) {
            std::abort();
        }
        return device;
    }();
    return s_pDevice;
}

}  // namespace fuzz_media
