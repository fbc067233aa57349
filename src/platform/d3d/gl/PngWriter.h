// Writes 32-bit ARGB images (screenshots, device front buffers) as PNG files
// for tests and tools.
#pragma once

#include "platform/kernel/WinTypes.h"

class PngWriter {
public:
    // Rows of pitch bytes, each pixel a D3DCOLOR (0xAARRGGBB). With keepAlpha
    // false the file is opaque RGB. Returns false when the file cannot be written.
    static bool WriteArgb(const char* path, DWORD width, DWORD height, const void* pixels, DWORD pitch, bool keepAlpha);
};
