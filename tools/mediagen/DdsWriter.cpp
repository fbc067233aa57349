#include "DdsWriter.h"

#include <algorithm>
#include <cmath>

#include "platform/d3d/core/DxtCodec.h"

namespace {

constexpr std::uint32_t kCaps = 0x1, kHeight = 0x2, kWidth = 0x4, kPitch = 0x8, kPixelFormat = 0x1000;
constexpr std::uint32_t kMipMapCount = 0x20000, kLinearSize = 0x80000;
constexpr std::uint32_t kAlphaPixels = 0x1, kFourCc = 0x4, kRgb = 0x40;
constexpr std::uint32_t kCapsComplex = 0x8, kCapsTexture = 0x1000, kCapsMipmap = 0x400000;

void Dword(std::string& out, std::uint32_t d) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((d >> (8 * i)) & 0xFF));
    }
}

std::uint32_t FourCc(const char* sz) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(sz[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(sz[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(sz[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(sz[3])) << 24;
}

bool Compressed(DdsFormat format) {
    return format == DdsFormat::Dxt1 || format == DdsFormat::Dxt5;
}

// DXT1 levels are opaque: alpha is left out, so no pixel takes the format's transparent entry.
std::vector<std::uint8_t> Compress(const Image& level, DxtKind kind) {
    const std::vector<std::uint8_t> bgra = level.ToBgra();
    std::vector<DWORD> pixels(bgra.size() / 4);
    const DWORD alpha = kind == DxtKind::kDxt1 ? 0xFF000000u : 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<DWORD>(bgra[4 * i + 3]) << 24 | static_cast<DWORD>(bgra[4 * i + 2]) << 16 |
                    static_cast<DWORD>(bgra[4 * i + 1]) << 8 | static_cast<DWORD>(bgra[4 * i]) | alpha;
    }
    const auto width = static_cast<UINT>(level.Width());
    const auto height = static_cast<UINT>(level.Height());
    std::vector<std::uint8_t> out(DxtCodec::ImageBytes(kind, width, height));
    DxtCodec::EncodeImage(kind, DxtFit::kCluster, width, height, pixels.data(), width * 4, out.data());
    return out;
}

}  // namespace

std::uint32_t DdsWriter::LevelSize(int nWidth, int nHeight, DdsFormat format) {
    const auto w = static_cast<std::uint32_t>(std::max(1, nWidth));
    const auto h = static_cast<std::uint32_t>(std::max(1, nHeight));
    switch (format) {
        case DdsFormat::A8R8G8B8:
            return w * h * 4;
        case DdsFormat::R5G6B5:
            return w * h * 2;
        case DdsFormat::Dxt1:
            return std::max(1u, (w + 3) / 4) * std::max(1u, (h + 3) / 4) * 8;
        case DdsFormat::Dxt5:
            return std::max(1u, (w + 3) / 4) * std::max(1u, (h + 3) / 4) * 16;
    }
    return 0;
}

std::uint32_t DdsWriter::MipCount(int nWidth, int nHeight) {
    std::uint32_t dwCount = 1;
    while (nWidth > 1 || nHeight > 1) {
        nWidth = std::max(1, nWidth / 2);
        nHeight = std::max(1, nHeight / 2);
        ++dwCount;
    }
    return dwCount;
}

void DdsWriter::AppendLevel(std::string& out, const Image& level, DdsFormat format) {
    std::vector<std::uint8_t> bytes;
    switch (format) {
        case DdsFormat::A8R8G8B8:
            bytes = level.ToBgra();
            break;
        case DdsFormat::R5G6B5:
            for (int y = 0; y < level.Height(); ++y) {
                for (int x = 0; x < level.Width(); ++x) {
                    const Rgba& p = level.At(x, y);
                    const auto q = [](float f, int nMax) {
                        return static_cast<std::uint32_t>(
                            std::lround(std::clamp(f, 0.0f, 1.0f) * static_cast<float>(nMax)));
                    };
                    const std::uint32_t c = q(p.r, 31) << 11 | q(p.g, 63) << 5 | q(p.b, 31);
                    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
                    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
                }
            }
            break;
        case DdsFormat::Dxt1:
            bytes = Compress(level, DxtKind::kDxt1);
            break;
        case DdsFormat::Dxt5:
            bytes = Compress(level, DxtKind::kDxt5);
            break;
    }
    out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string DdsWriter::Write(const Image& image, DdsFormat format, bool bMipmaps) {
    const std::uint32_t dwMips = bMipmaps ? MipCount(image.Width(), image.Height()) : 1;
    std::string out = "DDS ";
    std::uint32_t dwFlags = kCaps | kHeight | kWidth | kPixelFormat;
    dwFlags |= Compressed(format) ? kLinearSize : kPitch;
    if (dwMips > 1) {
        dwFlags |= kMipMapCount;
    }
    Dword(out, 124);
    Dword(out, dwFlags);
    Dword(out, static_cast<std::uint32_t>(image.Height()));
    Dword(out, static_cast<std::uint32_t>(image.Width()));
    // Compressed files give the size of the top level, the others its pitch.
    const std::uint32_t dwPitch =
        Compressed(format) ? LevelSize(image.Width(), image.Height(), format) : LevelSize(image.Width(), 1, format);
    Dword(out, dwPitch);
    Dword(out, 0);  // depth
    Dword(out, dwMips);
    for (int i = 0; i < 11; ++i) {
        Dword(out, 0);
    }
    // Pixel format.
    Dword(out, 32);
    switch (format) {
        case DdsFormat::A8R8G8B8:
            Dword(out, kRgb | kAlphaPixels);
            Dword(out, 0);
            Dword(out, 32);
            Dword(out, 0x00FF0000);
            Dword(out, 0x0000FF00);
            Dword(out, 0x000000FF);
            Dword(out, 0xFF000000);
            break;
        case DdsFormat::R5G6B5:
            Dword(out, kRgb);
            Dword(out, 0);
            Dword(out, 16);
            Dword(out, 0xF800);
            Dword(out, 0x07E0);
            Dword(out, 0x001F);
            Dword(out, 0);
            break;
        case DdsFormat::Dxt1:
        case DdsFormat::Dxt5:
            Dword(out, kFourCc);
            Dword(out, FourCc(format == DdsFormat::Dxt1 ? "DXT1" : "DXT5"));
            for (int i = 0; i < 5; ++i) {
                Dword(out, 0);
            }
            break;
    }
    Dword(out, kCapsTexture | (dwMips > 1 ? kCapsComplex | kCapsMipmap : 0));
    for (int i = 0; i < 4; ++i) {
        Dword(out, 0);  // caps 2..4, reserved
    }
    Image level = image;
    for (std::uint32_t i = 0; i < dwMips; ++i) {
        AppendLevel(out, level, format);
        if (i + 1 < dwMips) {
            level = level.Half();
        }
    }
    return out;
}
