#include "FuzzMedia.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/d3d/record/RecordLog.h"
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

void WriteTextures() {
    static const bool s_bWritten = [] {
        // A 4 x 4 A8R8G8B8 image without mipmaps.
        std::uint8_t dds[128 + 64] = {'D', 'D', 'S', ' ', 124};
        const std::uint32_t fields[][2] = {{8, 0x100F},      {12, 4},           {16, 4},           {20, 16},
                                           {76, 32},         {80, 0x41},        {88, 32},          {92, 0x00FF0000},
                                           {96, 0x0000FF00}, {100, 0x000000FF}, {104, 0xFF000000}, {108, 0x1000}};
        for (const auto& field : fields) {
            std::memcpy(dds + field[0], &field[1], 4);
        }
        for (std::size_t i = 128; i < sizeof(dds); ++i) {
            dds[i] = static_cast<std::uint8_t>(i * 37);
        }
        std::filesystem::create_directories("Texture/sub");
        Write("Texture/face.dds", dds, sizeof(dds));
        Write("Texture/sub/back.dds", dds, sizeof(dds));
        return true;
    }();
    (void)s_bWritten;
}

IDirect3DDevice8* Device() {
    static RecordLog* s_pLog = nullptr;
    static IDirect3DDevice8* s_pDevice = [] {
        D3DPRESENT_PARAMETERS parameters{};
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        IDirect3DDevice8* device = nullptr;
        if (FAILED(CreateRecordingDevice(&parameters, nullptr, &device, &s_pLog))) {
            std::abort();
        }
        return device;
    }();
    s_pLog->Clear();
    return s_pDevice;
}

}  // namespace fuzz_media
