// DDS files built in memory for tests: header fields set one by one, so a
// test can write exactly the oddities that files in the wild contain.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

struct DdsLayout {
    DWORD width = 4;
    DWORD height = 4;
    DWORD flags = 0x1007;  // CAPS | HEIGHT | WIDTH | PIXELFORMAT
    DWORD pitchOrLinearSize = 0;
    DWORD mipMapCount = 0;
    DWORD pfSize = 32;
    DWORD pfFlags = 0;
    DWORD fourCC = 0;
    DWORD bitCount = 0;
    DWORD masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    DWORD caps = 0x1000;            // TEXTURE
};

DdsLayout ArgbLayout(DWORD width, DWORD height);
DdsLayout MaskLayout(DWORD width, DWORD height, DWORD bitCount, DWORD r, DWORD g, DWORD b, DWORD a);
DdsLayout DxtLayout(DWORD width, DWORD height, char digit);
// Sets the mip-count flag and count (and the mipmap caps).
DdsLayout WithMips(DdsLayout layout, DWORD count);

// Magic + 124-byte header + the payload as given.
std::vector<BYTE> BuildDds(const DdsLayout& layout, const std::vector<BYTE>& payload);

// Payload helpers: little-endian pixels.
void AppendPixel(std::vector<BYTE>& out, DWORD value, int bytes);
void AppendPixels(std::vector<BYTE>& out, const std::vector<DWORD>& values, int bytes);

void WriteFile(const std::string& path, const std::vector<BYTE>& bytes);
