// Writes DDS texture files: magic, the 124-byte header with its 32-byte pixel
// format, then every mip level from the largest down.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Image.h"

enum class DdsFormat { A8R8G8B8, R5G6B5, Dxt1, Dxt5 };

class DdsWriter {
public:
    // bMipmaps: append the chain of halved levels down to 1 x 1.
    static std::string Write(const Image& image, DdsFormat format, bool bMipmaps);
    static std::uint32_t LevelSize(int nWidth, int nHeight, DdsFormat format);
    static std::uint32_t MipCount(int nWidth, int nHeight);

private:
    static void AppendLevel(std::string& out, const Image& level, DdsFormat format);
};
