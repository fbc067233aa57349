#include "gfxutil/DdsImage.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "gfxutil/D3DXTypes.h"
#include "platform/d3d/core/DxtCodec.h"

namespace {

constexpr DWORD kMagic = 0x20534444;  // "DDS "
constexpr size_t kHeaderSize = 124;
constexpr size_t kDataOffset = 4 + kHeaderSize;

constexpr DWORD DDSD_MIPMAPCOUNT = 0x20000;
constexpr DWORD DDPF_ALPHAPIXELS = 0x1;
constexpr DWORD DDPF_ALPHA = 0x2;
constexpr DWORD DDPF_FOURCC = 0x4;
constexpr DWORD DDPF_LUMINANCE = 0x20000;
constexpr DWORD DDSCAPS_MIPMAP = 0x400000;

DWORD ReadDword(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

// Byte offsets inside the 124-byte header (after the magic).
struct Header {
    DWORD flags;
    DWORD height;
    DWORD width;
    DWORD mipMapCount;
    DWORD pfFlags;
    DWORD fourCC;
    DWORD bitCount;
    DWORD masks[4];  // red, green, blue, alpha
    DWORD caps;
};

Header ReadHeader(const BYTE* h) {
    Header out{};
    out.flags = ReadDword(h + 4);
    out.height = ReadDword(h + 8);
    out.width = ReadDword(h + 12);
    out.mipMapCount = ReadDword(h + 24);
    // Pixel format at 72: size, flags, fourCC, bit count, four masks. Its size
    // field is not checked: writers put 24 or 32 there for the same layout.
    out.pfFlags = ReadDword(h + 76);
    out.fourCC = ReadDword(h + 80);
    out.bitCount = ReadDword(h + 84);
    for (int i = 0; i < 4; ++i) {
        out.masks[i] = ReadDword(h + 88 + 4 * i);
    }
    out.caps = ReadDword(h + 104);
    return out;
}

// How the file's pixels are coded.
struct Source {
    bool compressed = false;
    DxtKind dxt = DxtKind::kDxt1;
    UINT bytesPerPixel = 0;
    DWORD masks[4] = {0, 0, 0, 0};
    bool luminance = false;
    D3DFORMAT keep = D3DFMT_UNKNOWN;  // the stored format when the file's is kept
};

struct MaskFormat {
    D3DFORMAT format;
    UINT bits;
    DWORD masks[4];
};

constexpr MaskFormat kKeptFormats[] = {
    {D3DFMT_A8R8G8B8, 32, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
    {D3DFMT_X8R8G8B8, 32, {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00000000}},
    {D3DFMT_R5G6B5, 16, {0xF800, 0x07E0, 0x001F, 0x0000}},
    {D3DFMT_A1R5G5B5, 16, {0x7C00, 0x03E0, 0x001F, 0x8000}},
    {D3DFMT_X1R5G5B5, 16, {0x7C00, 0x03E0, 0x001F, 0x0000}},
    {D3DFMT_A4R4G4B4, 16, {0x0F00, 0x00F0, 0x000F, 0xF000}},
};

const MaskFormat* FindKept(D3DFORMAT format) {
    for (const MaskFormat& f : kKeptFormats) {
        if (f.format == format) {
            return &f;
        }
    }
    return nullptr;
}

bool DescribeSource(const Header& h, Source& src) {
    // A known FourCC counts even where the writer forgot the FOURCC flag.
    if (h.fourCC == D3DFMT_DXT1 || h.fourCC == D3DFMT_DXT3 || h.fourCC == D3DFMT_DXT5) {
        src.compressed = true;
        src.dxt =
            h.fourCC == D3DFMT_DXT1 ? DxtKind::kDxt1 : (h.fourCC == D3DFMT_DXT3 ? DxtKind::kDxt3 : DxtKind::kDxt5);
        src.keep = static_cast<D3DFORMAT>(h.fourCC);
        return true;
    }
    if ((h.pfFlags & DDPF_FOURCC) != 0) {
        return false;  // some other compression
    }
    if (h.bitCount != 8 && h.bitCount != 16 && h.bitCount != 24 && h.bitCount != 32) {
        return false;
    }
    src.bytesPerPixel = h.bitCount / 8;
    src.luminance = (h.pfFlags & DDPF_LUMINANCE) != 0;
    const bool hasAlpha = (h.pfFlags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) != 0;
    for (int i = 0; i < 3; ++i) {
        src.masks[i] = h.masks[i];
    }
    // An alpha mask without the flag is ignored, as readers of the format do.
    src.masks[3] = hasAlpha ? h.masks[3] : 0;
    if (src.masks[0] == 0 && src.masks[1] == 0 && src.masks[2] == 0 && src.masks[3] == 0) {
        return false;
    }
    if (!src.luminance) {
        for (const MaskFormat& f : kKeptFormats) {
            if (f.bits == h.bitCount && std::equal(f.masks, f.masks + 4, src.masks)) {
                src.keep = f.format;
                break;
            }
        }
    }
    return true;
}

int ChannelShift(DWORD mask) {
    int shift = 0;
    while (shift < 32 && ((mask >> shift) & 1) == 0) {
        ++shift;
    }
    return shift;
}

// Pixels of one mask layout to 0xAARRGGBB. Each channel's shift and its
// values scaled to 0..255 are worked out once per image, not per pixel.
class MaskDecoder {
public:
    MaskDecoder(const DWORD masks[4], bool luminance) : m_bLuminance(luminance) {
        for (int c = 0; c < 4; ++c) {
            m_masks[c] = masks[c];
            m_shifts[c] = ChannelShift(masks[c]);
            const DWORD maximum = masks[c] == 0 ? 0 : masks[c] >> m_shifts[c];
            // Masks wider than 16 bits are not in any format a file gives; they get no table.
            m_tables[c].resize(maximum <= 0xFFFF ? maximum + 1 : 0);
            for (DWORD v = 0; v < m_tables[c].size() && maximum > 0; ++v) {
                m_tables[c][v] = static_cast<BYTE>((static_cast<ULONGLONG>(v) * 255 + maximum / 2) / maximum);
            }
        }
    }

    DWORD Decode(const BYTE* p, UINT bytes) const {
        DWORD v = 0;
        for (int i = static_cast<int>(bytes) - 1; i >= 0; --i) {
            v = (v << 8) | p[i];
        }
        const DWORD a = Channel(v, 3, 255);
        if (m_bLuminance) {
            const DWORD l = Channel(v, 0, 0);
            return (a << 24) | (l << 16) | (l << 8) | l;
        }
        return (a << 24) | (Channel(v, 0, 0) << 16) | (Channel(v, 1, 0) << 8) | Channel(v, 2, 0);
    }

private:
    DWORD Channel(DWORD value, int c, DWORD missing) const {
        if (m_masks[c] == 0) {
            return missing;
        }
        const DWORD v = (value & m_masks[c]) >> m_shifts[c];
        if (!m_tables[c].empty()) {
            return m_tables[c][v];
        }
        const DWORD maximum = m_masks[c] >> m_shifts[c];
        return static_cast<DWORD>((static_cast<ULONGLONG>(v) * 255 + maximum / 2) / maximum);
    }

    DWORD m_masks[4];
    int m_shifts[4];
    std::vector<BYTE> m_tables[4];
    bool m_bLuminance;
};

DWORD Quantise(DWORD value8, DWORD mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = ChannelShift(mask);
    const DWORD maximum = mask >> shift;
    return (((value8 * maximum + 127) / 255) << shift) & mask;
}

DWORD EncodeMasked(DWORD argb, const MaskFormat& f) {
    DWORD v = Quantise((argb >> 16) & 0xFF, f.masks[0]) | Quantise((argb >> 8) & 0xFF, f.masks[1]) |
              Quantise(argb & 0xFF, f.masks[2]) | Quantise(argb >> 24, f.masks[3]);
    // Unused bits of the X formats read as set, as the platform's own conversions leave them.
    if (f.format == D3DFMT_X8R8G8B8) {
        v |= 0xFF000000;
    }
    return v;
}

void DecodeCompressed(DxtKind kind, const BYTE* data, UINT width, UINT height, std::vector<DWORD>& argb) {
    argb.assign(static_cast<size_t>(width) * height, 0);
    DxtCodec::DecodeImage(kind, width, height, data, argb.data(), width * 4);
}

void DecodeUncompressed(const Source& src, const BYTE* data, UINT width, UINT height, std::vector<DWORD>& argb) {
    const size_t count = static_cast<size_t>(width) * height;
    argb.resize(count);
    const MaskDecoder decoder(src.masks, src.luminance);
    for (size_t i = 0; i < count; ++i) {
        argb[i] = decoder.Decode(data + i * src.bytesPerPixel, src.bytesPerPixel);
    }
}

bool IsCompressed(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT3 || format == D3DFMT_DXT5;
}

DxtKind KindOf(D3DFORMAT format) {
    return format == D3DFMT_DXT1 ? DxtKind::kDxt1 : (format == D3DFMT_DXT3 ? DxtKind::kDxt3 : DxtKind::kDxt5);
}

// Box filter to the next level; every source pixel falls in some destination cell.
void Downsample(const std::vector<DWORD>& src, UINT width, UINT height, std::vector<DWORD>& dst) {
    const UINT newWidth = std::max(1u, width / 2);
    const UINT newHeight = std::max(1u, height / 2);
    dst.assign(static_cast<size_t>(newWidth) * newHeight, 0);
    for (UINT y = 0; y < newHeight; ++y) {
        const UINT y0 = y * height / newHeight;
        const UINT y1 = ((y + 1) * height + newHeight - 1) / newHeight;
        for (UINT x = 0; x < newWidth; ++x) {
            const UINT x0 = x * width / newWidth;
            const UINT x1 = ((x + 1) * width + newWidth - 1) / newWidth;
            DWORD sum[4] = {0, 0, 0, 0};
            const DWORD n = (y1 - y0) * (x1 - x0);
            for (UINT sy = y0; sy < y1; ++sy) {
                for (UINT sx = x0; sx < x1; ++sx) {
                    const DWORD p = src[static_cast<size_t>(sy) * width + sx];
                    for (int c = 0; c < 4; ++c) {
                        sum[c] += (p >> (8 * c)) & 0xFF;
                    }
                }
            }
            DWORD out = 0;
            for (int c = 0; c < 4; ++c) {
                out |= ((sum[c] + n / 2) / n) << (8 * c);
            }
            dst[static_cast<size_t>(y) * newWidth + x] = out;
        }
    }
}

}  // namespace

UINT DdsImage::RowPitch(D3DFORMAT format, UINT width) {
    if (IsCompressed(format)) {
        return std::max(1u, (width + 3) / 4) * DxtCodec::BlockBytes(KindOf(format));
    }
    if (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8) {
        return width * 4;
    }
    if (FindKept(format) != nullptr) {
        return width * 2;
    }
    return 0;
}

size_t DdsImage::LevelSize(D3DFORMAT format, UINT width, UINT height) {
    const size_t rows = IsCompressed(format) ? std::max(1u, (height + 3) / 4) : height;
    return static_cast<size_t>(RowPitch(format, width)) * rows;
}

UINT DdsImage::FullChainLength(UINT width, UINT height) {
    UINT count = 1;
    for (UINT edge = std::max(width, height); edge > 1; edge /= 2) {
        ++count;
    }
    return count;
}

HRESULT DdsImage::Parse(const void* pData, size_t size) try {
    m_levels.clear();
    m_format = D3DFMT_UNKNOWN;
    m_uFileLevels = 0;
    const BYTE* bytes = static_cast<const BYTE*>(pData);
    if (bytes == nullptr || size < kDataOffset || ReadDword(bytes) != kMagic) {
        return D3DXERR_INVALIDDATA;
    }
    const Header h = ReadHeader(bytes + 4);
    Source src;
    if (h.width == 0 || h.height == 0 || h.width > kMaxEdge || h.height > kMaxEdge || !DescribeSource(h, src)) {
        return D3DXERR_INVALIDDATA;
    }
    const UINT fullCount = FullChainLength(h.width, h.height);
    UINT fileCount = 1;
    if ((h.flags & DDSD_MIPMAPCOUNT) != 0 || (h.caps & DDSCAPS_MIPMAP) != 0) {
        fileCount = std::clamp<UINT>(h.mipMapCount, 1, fullCount);
    }

    m_format = (src.keep != D3DFMT_UNKNOWN) ? src.keep : D3DFMT_A8R8G8B8;
    const BYTE* cursor = bytes + kDataOffset;
    size_t remaining = size - kDataOffset;
    UINT width = h.width;
    UINT height = h.height;
    std::vector<DWORD> argb;
    for (UINT level = 0; level < fileCount; ++level) {
        const size_t need = src.compressed ? LevelSize(m_format, width, height)
                                           : static_cast<size_t>(width) * height * src.bytesPerPixel;
        if (need > remaining) {
            break;  // a short file keeps the levels it holds in full
        }
        Level out{width, height, RowPitch(m_format, width), {}};
        if (src.keep != D3DFMT_UNKNOWN) {
            out.m_bytes.assign(cursor, cursor + need);
        } else {
            DecodeUncompressed(src, cursor, width, height, argb);
            StoreLevel(width, height, argb, out);
        }
        m_levels.push_back(std::move(out));
        cursor += need;
        remaining -= need;
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
    }
    if (m_levels.empty()) {
        m_format = D3DFMT_UNKNOWN;
        return D3DXERR_INVALIDDATA;
    }
    m_uFileLevels = GetLevelCount();
    GenerateMissingLevels(fullCount);
    return S_OK;
} catch (const std::bad_alloc&) {
    // No half image: whatever was decoded goes.
    std::vector<Level>().swap(m_levels);
    m_format = D3DFMT_UNKNOWN;
    m_uFileLevels = 0;
    return E_OUTOFMEMORY;
}

void DdsImage::DecodeLevel(UINT level, std::vector<DWORD>& argb) const {
    const Level& l = m_levels[level];
    if (IsCompressed(m_format)) {
        DecodeCompressed(KindOf(m_format), l.m_bytes.data(), l.m_uWidth, l.m_uHeight, argb);
        return;
    }
    if (m_format == D3DFMT_A8R8G8B8) {  // already the pixels' own layout
        argb.resize(static_cast<size_t>(l.m_uWidth) * l.m_uHeight);
        std::memcpy(argb.data(), l.m_bytes.data(), argb.size() * 4);
        return;
    }
    const MaskFormat* f = FindKept(m_format);
    Source src;
    src.bytesPerPixel = f->bits / 8;
    std::copy(f->masks, f->masks + 4, src.masks);
    DecodeUncompressed(src, l.m_bytes.data(), l.m_uWidth, l.m_uHeight, argb);
}

void DdsImage::StoreLevel(UINT width, UINT height, const std::vector<DWORD>& argb, Level& out) const {
    out.m_uWidth = width;
    out.m_uHeight = height;
    out.m_uPitch = RowPitch(m_format, width);
    out.m_bytes.assign(LevelSize(m_format, width, height), 0);
    if (IsCompressed(m_format)) {
        DxtCodec::EncodeImage(KindOf(m_format), DxtFit::kRange, width, height, argb.data(), width * 4,
                              out.m_bytes.data());
        return;
    }
    if (m_format == D3DFMT_A8R8G8B8) {
        std::memcpy(out.m_bytes.data(), argb.data(), argb.size() * 4);
        return;
    }
    const MaskFormat* f = FindKept(m_format);
    const UINT bytesPerPixel = f->bits / 8;
    for (size_t i = 0; i < argb.size(); ++i) {
        const DWORD v = EncodeMasked(argb[i], *f);
        for (UINT b = 0; b < bytesPerPixel; ++b) {
            out.m_bytes[i * bytesPerPixel + b] = static_cast<BYTE>(v >> (8 * b));
        }
    }
}

void DdsImage::GenerateMissingLevels(UINT fullCount) {
    if (GetLevelCount() >= fullCount) {
        return;
    }
    std::vector<DWORD> current;
    std::vector<DWORD> next;
    DecodeLevel(GetLevelCount() - 1, current);
    while (GetLevelCount() < fullCount) {
        const Level& last = m_levels.back();
        const UINT width = last.m_uWidth;
        const UINT height = last.m_uHeight;
        Downsample(current, width, height, next);
        Level out;
        StoreLevel(std::max(1u, width / 2), std::max(1u, height / 2), next, out);
        m_levels.push_back(std::move(out));
        current.swap(next);
    }
}

void DdsImage::ConvertToA8R8G8B8() {
    if (m_format == D3DFMT_A8R8G8B8 || m_levels.empty()) {
        return;
    }
    std::vector<std::vector<DWORD>> decoded(m_levels.size());
    for (UINT i = 0; i < GetLevelCount(); ++i) {
        DecodeLevel(i, decoded[i]);
    }
    m_format = D3DFMT_A8R8G8B8;
    for (UINT i = 0; i < GetLevelCount(); ++i) {
        StoreLevel(m_levels[i].m_uWidth, m_levels[i].m_uHeight, decoded[i], m_levels[i]);
    }
}
