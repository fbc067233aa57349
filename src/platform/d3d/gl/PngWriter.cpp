#include "platform/d3d/gl/PngWriter.h"

#include <stb/stb_image_write.h>

#include <vector>

bool PngWriter::WriteArgb(const char* path, DWORD width, DWORD height, const void* pixels, DWORD pitch,
                          bool keepAlpha) {
    if (path == nullptr || pixels == nullptr || width == 0 || height == 0 || pitch < width * 4) {
        return false;
    }
    const int components = keepAlpha ? 4 : 3;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(width) * height * components);
    for (DWORD y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(pixels) + y * pitch);
        unsigned char* out = &bytes[static_cast<std::size_t>(y) * width * components];
        for (DWORD x = 0; x < width; ++x) {
            const DWORD c = row[x];
            *out++ = static_cast<unsigned char>(c >> 16);
            *out++ = static_cast<unsigned char>(c >> 8);
            *out++ = static_cast<unsigned char>(c);
            if (keepAlpha) {
                *out++ = static_cast<unsigned char>(c >> 24);
            }
        }
    }
    return stbi_write_png(path, static_cast<int>(width), static_cast<int>(height), components, bytes.data(),
                          static_cast<int>(width) * components) != 0;
}
