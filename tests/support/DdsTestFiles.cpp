#include "support/DdsTestFiles.h"

#include <fstream>
#include <iterator>

DdsLayout ArgbLayout(DWORD width, DWORD height) {
    return MaskLayout(width, height, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
}

DdsLayout MaskLayout(DWORD width, DWORD height, DWORD bitCount, DWORD r, DWORD g, DWORD b, DWORD a) {
    DdsLayout layout;
    layout.width = width;
    layout.height = height;
    layout.flags |= 0x8;  // PITCH
    layout.pitchOrLinearSize = width * bitCount / 8;
    layout.pfFlags = 0x40 | (a != 0 ? 0x1 : 0);
    layout.bitCount = bitCount;
    layout.masks[0] = r;
    layout.masks[1] = g;
    layout.masks[2] = b;
    layout.masks[3] = a;
    return layout;
}

DdsLayout DxtLayout(DWORD width, DWORD height, char digit) {
    DdsLayout layout;
    layout.width = width;
    layout.height = height;
    layout.flags |= 0x80000;  // LINEARSIZE
    layout.pfFlags = 0x4;
    layout.fourCC = static_cast<DWORD>('D') | (static_cast<DWORD>('X') << 8) | (static_cast<DWORD>('T') << 16) |
                    (static_cast<DWORD>(digit) << 24);
    const DWORD blocks = ((width + 3) / 4) * ((height + 3) / 4);
    layout.pitchOrLinearSize = blocks * (digit == '1' ? 8 : 16);
    return layout;
}

DdsLayout WithMips(DdsLayout layout, DWORD count) {
    layout.flags |= 0x20000;
    layout.mipMapCount = count;
    layout.caps |= 0x400008;
    return layout;
}

std::vector<BYTE> BuildDds(const DdsLayout& layout, const std::vector<BYTE>& payload) {
    // Magic, size, flags, height, width, pitch, depth, mip count, 11 reserved,
    // the pixel format, caps and caps2..4 with the last reserved field.
    std::vector<DWORD> header = {
        0x20534444, 124, layout.flags, layout.height, layout.width, layout.pitchOrLinearSize, 0, layout.mipMapCount};
    header.resize(header.size() + 11, 0);
    header.insert(header.end(), {layout.pfSize, layout.pfFlags, layout.fourCC, layout.bitCount});
    header.insert(header.end(), std::begin(layout.masks), std::end(layout.masks));
    header.insert(header.end(), {layout.caps, 0, 0, 0, 0});
    std::vector<BYTE> out;
    AppendPixels(out, header, 4);
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
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
