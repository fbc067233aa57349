// The block codec: decoding pinned to the format's arithmetic, encoding judged
// by what decodes back.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/d3d/core/DxtCodec.h"

namespace {

constexpr WORD kRed565 = 0xF800;
constexpr WORD kBlue565 = 0x001F;

// A DXT1 colour block: two 5:6:5 end points and sixteen 2-bit indices.
void ColourBlock(BYTE* block, WORD c0, WORD c1, DWORD indices) {
    block[0] = static_cast<BYTE>(c0);
    block[1] = static_cast<BYTE>(c0 >> 8);
    block[2] = static_cast<BYTE>(c1);
    block[3] = static_cast<BYTE>(c1 >> 8);
    std::memcpy(block + 4, &indices, 4);
}

// Row 0 uses indices 0, 1, 2, 3; the other rows index 0.
constexpr DWORD kFirstRowAllIndices = 0 | (1 << 2) | (2 << 4) | (3 << 6);

}  // namespace

TEST(DxtCodecTest, Dxt1DecodesFourAndThreeColourBlocksAndDxt3CarriesExplicitFourBitAlpha) {
    BYTE block[8];
    ColourBlock(block, kRed565, kBlue565, kFirstRowAllIndices);
    DWORD pixels[16];
    DxtCodec::DecodeBlock(DxtKind::kDxt1, block, pixels);
    EXPECT_EQ(pixels[0], 0xFFFF0000u);
    EXPECT_EQ(pixels[1], 0xFF0000FFu);
    EXPECT_EQ(pixels[2], 0xFFAA0055u);  // two thirds of the first end point
    EXPECT_EQ(pixels[3], 0xFF5500AAu);
    EXPECT_EQ(pixels[15], 0xFFFF0000u);

    ColourBlock(block, kBlue565, kRed565, kFirstRowAllIndices);  // c0 <= c1
    DxtCodec::DecodeBlock(DxtKind::kDxt1, block, pixels);
    EXPECT_EQ(pixels[2], 0xFF7F007Fu);  // the midpoint
    EXPECT_EQ(pixels[3], 0x00000000u);  // transparent black

    // DXT3 carries explicit four-bit alpha.
    BYTE alphaBlock[16] = {};
    alphaBlock[0] = 0xF0;                               // pixel 0 alpha 0, pixel 1 alpha 15
    alphaBlock[1] = 0x08;                               // pixel 2 alpha 8
    ColourBlock(alphaBlock + 8, kBlue565, kRed565, 0);  // DXT3 never uses the three-colour mode
    DxtCodec::DecodeBlock(DxtKind::kDxt3, alphaBlock, pixels);
    EXPECT_EQ(pixels[0], 0x000000FFu);
    EXPECT_EQ(pixels[1], 0xFF0000FFu);
    EXPECT_EQ(pixels[2], 0x880000FFu);
}

TEST(DxtCodecTest, Dxt5InterpolatesAlphaInBothModes) {
    BYTE block[16] = {};
    block[0] = 200;
    block[1] = 60;
    // Pixel indices 0, 1, 2, 7 in the first 12 bits.
    const ULONGLONG bits = 0 | (1ull << 3) | (2ull << 6) | (7ull << 9);
    for (int i = 0; i < 6; ++i) {
        block[2 + i] = static_cast<BYTE>(bits >> (8 * i));
    }
    ColourBlock(block + 8, kRed565, kRed565, 0);
    DWORD pixels[16];
    DxtCodec::DecodeBlock(DxtKind::kDxt5, block, pixels);
    EXPECT_EQ(pixels[0] >> 24, 200u);
    EXPECT_EQ(pixels[1] >> 24, 60u);
    EXPECT_EQ(pixels[2] >> 24, (6u * 200 + 1 * 60) / 7);
    EXPECT_EQ(pixels[3] >> 24, (1u * 200 + 6 * 60) / 7);
    // a0 <= a1: six steps, then 0 and 255.
    block[0] = 60;
    block[1] = 200;
    DxtCodec::DecodeBlock(DxtKind::kDxt5, block, pixels);
    EXPECT_EQ(pixels[2] >> 24, (4u * 60 + 1 * 200) / 5);
    EXPECT_EQ(pixels[3] >> 24, 255u);
}

TEST(DxtCodecTest, ImagesSmallerThanABlockKeepToTheirSize) {
    BYTE block[8];
    ColourBlock(block, kRed565, kBlue565, kFirstRowAllIndices);
    EXPECT_EQ(DxtCodec::ImageBytes(DxtKind::kDxt1, 2, 2), 8u);
    EXPECT_EQ(DxtCodec::ImageBytes(DxtKind::kDxt5, 5, 4), 32u);
    DWORD image[3][3];
    std::memset(image, 0x5A, sizeof(image));
    DxtCodec::DecodeImage(DxtKind::kDxt1, 2, 2, block, &image[0][0], 3 * 4);
    EXPECT_EQ(image[0][0], 0xFFFF0000u);
    EXPECT_EQ(image[0][1], 0xFF0000FFu);
    EXPECT_EQ(image[0][2], 0x5A5A5A5Au);  // outside the 2 x 2 image: untouched
    EXPECT_EQ(image[2][0], 0x5A5A5A5Au);
}

// Colours a 5:6:5 end point holds and alphas an end point holds come back
// exactly with either fit; DXT1 keeps pixels below half alpha transparent.
TEST(DxtCodecTest, BlocksOfOneOrTwoColoursEncodeExactly) {
    for (const DxtFit fit : {DxtFit::kRange, DxtFit::kCluster}) {
        SCOPED_TRACE(fit == DxtFit::kRange ? "range fit" : "cluster fit");
        DWORD pixels[16];
        DWORD decoded[16];
        BYTE block[16];
        for (DWORD& p : pixels) {
            p = 0xFFFF0000u;
        }
        DxtCodec::EncodeBlock(DxtKind::kDxt1, fit, pixels, block);
        DxtCodec::DecodeBlock(DxtKind::kDxt1, block, decoded);
        EXPECT_EQ(std::memcmp(decoded, pixels, sizeof(pixels)), 0);

        for (int i = 0; i < 16; ++i) {
            pixels[i] = (i % 3 == 0) ? 0x00FFFFFFu : 0xFF000000u;
        }
        DxtCodec::EncodeBlock(DxtKind::kDxt5, fit, pixels, block);
        DxtCodec::DecodeBlock(DxtKind::kDxt5, block, decoded);
        EXPECT_EQ(std::memcmp(decoded, pixels, sizeof(pixels)), 0);
        DxtCodec::EncodeBlock(DxtKind::kDxt3, fit, pixels, block);
        DxtCodec::DecodeBlock(DxtKind::kDxt3, block, decoded);
        EXPECT_EQ(std::memcmp(decoded, pixels, sizeof(pixels)), 0);
        DxtCodec::EncodeBlock(DxtKind::kDxt1, fit, pixels, block);
        DxtCodec::DecodeBlock(DxtKind::kDxt1, block, decoded);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(decoded[i], i % 3 == 0 ? 0x00000000u : 0xFF000000u) << "pixel " << i;
        }

        // A 2 x 2 image: the edge block's pixels outside it do not count.
        const DWORD image[2][2] = {{0xFF0000FFu, 0xFFFFFFFFu}, {0xFFFFFFFFu, 0xFF0000FFu}};
        DxtCodec::EncodeImage(DxtKind::kDxt1, fit, 2, 2, &image[0][0], 2 * 4, block);
        DWORD back[2][2] = {};
        DxtCodec::DecodeImage(DxtKind::kDxt1, 2, 2, block, &back[0][0], 2 * 4);
        EXPECT_EQ(std::memcmp(back, image, sizeof(image)), 0);
    }
}
