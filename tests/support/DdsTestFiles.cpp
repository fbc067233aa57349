#include "support/DdsTestFiles.h"

#include <cstdio>

namespace {
void PutDword(std::vector<BYTE>& out, DWORD v) {
    AppendPixel(out, v, 4);
}
}  // namespace

DdsSpec ArgbSpec(DWORD width, DWORD height) {
    return MaskSpec(width, height, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
}

DdsSpec MaskSpec(DWORD width, DWORD height, DWORD bitCount, DWORD r, DWORD g, DWORD b, DWORD a) {
    DdsSpec spec;
    spec.width = width;
    spec.height = height;
    spec.flags |= 0x8;  // PITCH
    spec.pitchOrLinearSize = width * bitCount / 8;
    spec.pfFlags = 0x40 | (a != 0 ? 0x1 : 0);
    spec.bitCount = bitCount;
    spec.masks[0] = r;
    spec.masks[1] = g;
    spec.masks[2] = b;
    spec.masks[3] = a;
    return spec;
}

DdsSpec DxtSpec(DWORD width, DWORD height, char digit) {
    DdsSpec spec;
    spec.width = width;
    spec.height = height;
    spec.flags |= 0x80000;  // LINEARSIZE
    spec.pfFlags = 0x4;
    spec.fourCC = static_cast<DWORD>('D') | (static_cast<DWORD>('X') << 8) | (static_cast<DWORD>('T') << 16) |
                  (static_cast<DWORD>(digit) << 24);
    const DWORD blocks = ((width + 3) / 4) * ((height + 3) / 4);
    spec.pitchOrLinearSize = blocks * (digit == '1' ? 8 : 16);
    return spec;
}

DdsSpec WithMips(DdsSpec spec, DWORD count) {
    spec.flags |= 0x20000;
    spec.mipMapCount = count;
    spec.caps |= 0x400008;
    return spec;
}

std::vector<BYTE> BuildDds(const DdsSpec& spec, const std::vector<BYTE>& payload) {
    std::vector<BYTE> out;
    PutDword(out, 0x20534444);
    PutDword(out, 124);
    PutDword(out, spec.flags);
    PutDword(out, spec.height);
    PutDword(out, spec.width);
    PutDword(out, spec.pitchOrLinearSize);
    PutDword(out, 0);  // depth
    PutDword(out, spec.mipMapCount);
    for (int i = 0; i < 11; ++i) {
        PutDword(out, 0);
    }
    PutDword(out, spec.pfSize);
    PutDword(out, spec.pfFlags);
    PutDword(out, spec.fourCC);
    PutDword(out, spec.bitCount);
    for (DWORD mask : spec.masks) {
        PutDword(out, mask);
    }
    PutDword(out, spec.caps);
    for (int i = 0; i < 4; ++i) {
        PutDword(out, 0);  // caps2..4, reserved
    }
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

void AppendPixel(std::vector<BYTE>& out, DWORD value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
    }
}

void AppendPixels(std::vector<BYTE>& out, const std::vector<DWORD>& values, int bytes) {
    for (DWORD v : values) {
        AppendPixel(out, v, bytes);
    }
}

void WriteFile(const std::string& path, const std::vector<BYTE>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return;
    }
    if (!bytes.empty()) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    }
    std::fclose(f);
}
