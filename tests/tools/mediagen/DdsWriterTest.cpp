// Texture files, read back with the program's own DDS decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "DdsWriter.h"
#include "gfxutil/DdsImage.h"

namespace {

// Smooth colour ramps with a soft alpha disc: the kind of picture the textures are.
Image Ramp(int nSize) {
    Image image(nSize, nSize);
    image.Fill([&](float x, float y) {
        const float u = x / static_cast<float>(nSize), v = y / static_cast<float>(nSize);
        const float d = std::hypot(u - 0.5f, v - 0.5f);
        return Rgba{u, v, 1.0f - u * v, std::clamp(1.5f - 3.0f * d, 0.0f, 1.0f)};
    });
    return image;
}

int Channel(DWORD argb, int nShift) {
    return static_cast<int>((argb >> nShift) & 0xFF);
}

int Byte(float f) {
    return static_cast<int>(std::lround(std::clamp(f, 0.0f, 1.0f) * 255.0f));
}

struct FormatCase {
    DdsFormat m_format;
    D3DFORMAT m_d3dFormat;
    int m_nColourTolerance;  // largest error of one channel of one texel
    int m_nAlphaTolerance;   // -1: the format keeps no alpha
};

}  // namespace

TEST(DdsWriter, EveryFormatDecodesToThePictureWithAFullMipChain) {
    const Image source = Ramp(64);
    const FormatCase cases[] = {{DdsFormat::A8R8G8B8, D3DFMT_A8R8G8B8, 0, 0},
                                {DdsFormat::R5G6B5, D3DFMT_R5G6B5, 5, -1},
                                {DdsFormat::Dxt1, D3DFMT_DXT1, 24, -1},
                                {DdsFormat::Dxt5, D3DFMT_DXT5, 24, 20}};
    for (const FormatCase& c : cases) {
        const std::string bytes = DdsWriter::Write(source, c.m_format, true);
        DdsImage image;
        ASSERT_EQ(image.Parse(bytes.data(), bytes.size()), S_OK);
        EXPECT_EQ(image.GetFormat(), c.m_d3dFormat);
        EXPECT_EQ(image.GetWidth(), 64u);
        EXPECT_EQ(image.GetFileLevelCount(), 7u);
        std::vector<DWORD> argb;
        image.DecodeLevel(0, argb);
        ASSERT_EQ(argb.size(), 64u * 64u);
        int nWorst = 0, nWorstAlpha = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const Rgba& s = source.At(x, y);
                const DWORD d = argb[static_cast<size_t>(y) * 64 + x];
                nWorst = std::max({nWorst, std::abs(Channel(d, 16) - Byte(s.r)), std::abs(Channel(d, 8) - Byte(s.g)),
                                   std::abs(Channel(d, 0) - Byte(s.b))});
                nWorstAlpha = std::max(nWorstAlpha, std::abs(Channel(d, 24) - Byte(s.a)));
            }
        }
        EXPECT_LE(nWorst, c.m_nColourTolerance) << "format " << static_cast<int>(c.m_format);
        if (c.m_nAlphaTolerance >= 0) {
            EXPECT_LE(nWorstAlpha, c.m_nAlphaTolerance) << "format " << static_cast<int>(c.m_format);
        }
        // The smallest level is one texel.
        image.DecodeLevel(image.GetLevelCount() - 1, argb);
        EXPECT_EQ(argb.size(), 1u);
    }
}
