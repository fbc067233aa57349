#include "gfxutil/DdsImage.h"

#include <gtest/gtest.h>

#include "gfxutil/D3DXTypes.h"
#include "support/DdsTestFiles.h"

namespace {

std::vector<DWORD> Decoded(const DdsImage& image, UINT level) {
    std::vector<DWORD> argb;
    image.DecodeLevel(level, argb);
    return argb;
}

HRESULT ParseBytes(DdsImage& image, const std::vector<BYTE>& file) {
    return image.Parse(file.data(), file.size());
}

// ---- uncompressed formats ---------------------------------------------------------

TEST(DdsImageTest, ThirtyTwoBitFilesKeepTheirFormatAndPixels) {
    const std::vector<DWORD> pixels = {0x80FF0000, 0xFF00FF00, 0x400000FF, 0x00FFFFFF};
    std::vector<BYTE> payload;
    AppendPixels(payload, pixels, 4);
    AppendPixel(payload, 0x12345678, 4);  // level 1
    DdsImage image;
    ASSERT_EQ(ParseBytes(image, BuildDds(WithMips(ArgbLayout(2, 2), 2), payload)), S_OK);
    EXPECT_EQ(image.GetFormat(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(image.GetWidth(), 2u);
    ASSERT_EQ(image.GetLevelCount(), 2u);
    EXPECT_EQ(image.GetFileLevelCount(), 2u);
    EXPECT_EQ(image.GetLevel(0).m_uPitch, 8u);
    EXPECT_EQ(Decoded(image, 0), pixels);
    EXPECT_EQ(Decoded(image, 1), std::vector<DWORD>{0x12345678});
}

TEST(DdsImageTest, SixteenBitFilesKeepTheirFormatAndOthersBecomeA8R8G8B8BothAtFullRange) {
    std::vector<BYTE> payload;
    AppendPixels(payload, {0xF81F, 0x07E0}, 2);
    DdsImage image;
    ASSERT_EQ(ParseBytes(image, BuildDds(MaskLayout(2, 1, 16, 0xF800, 0x07E0, 0x001F, 0), payload)), S_OK);
    EXPECT_EQ(image.GetFormat(), D3DFMT_R5G6B5);
    EXPECT_EQ(image.GetLevel(0).m_uPitch, 4u);
    EXPECT_EQ(Decoded(image, 0), (std::vector<DWORD>{0xFFFF00FF, 0xFF00FF00}));

    // 24-bit colour has no texture format of its own.
    payload.clear();
    AppendPixels(payload, {0xA0B0C0}, 3);
    ASSERT_EQ(ParseBytes(image, BuildDds(MaskLayout(1, 1, 24, 0xFF0000, 0xFF00, 0xFF, 0), payload)), S_OK);
    EXPECT_EQ(image.GetFormat(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(image.GetLevel(0).m_uPitch, 4u);
    EXPECT_EQ(Decoded(image, 0), std::vector<DWORD>{0xFFA0B0C0});
}

// ---- block compression -----------------------------------------------------------

std::vector<BYTE> Block(std::initializer_list<int> bytes) {
    std::vector<BYTE> out;
    for (int b : bytes) {
        out.push_back(static_cast<BYTE>(b));
    }
    return out;
}

// The block arithmetic is the codec's (its own tests pin it); here each file
// kind must reach the codec as its own kind.
TEST(DdsImageTest, Dxt1AndDxt5FilesDecodeAsTheirKind) {
    // c0 red > c1 blue: four colours; row 0 uses indices 0, 1, 2, 3.
    DdsImage image;
    ASSERT_EQ(ParseBytes(image, BuildDds(DxtLayout(4, 4, '1'), Block({0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0}))), S_OK);
    EXPECT_EQ(image.GetFormat(), D3DFMT_DXT1);
    EXPECT_EQ(image.GetLevel(0).m_uPitch, 8u);
    EXPECT_EQ(Decoded(image, 0)[2], 0xFFAA0055u);  // 2/3 red + 1/3 blue

    // Alpha a0 = 0x10 <= a1 = 0x60 (six steps, index 6 is 0) over colours
    // c0 (blue) <= c1 (red), which in DXT1 would make index 3 transparent black.
    const std::vector<BYTE> payload =
        Block({0x10, 0x60, 0x80, 0x0F, 0, 0, 0, 0, 0x1F, 0x00, 0x00, 0xF8, 0xC0, 0, 0, 0});
    ASSERT_EQ(ParseBytes(image, BuildDds(DxtLayout(4, 4, '5'), payload)), S_OK);
    EXPECT_EQ(image.GetFormat(), D3DFMT_DXT5);
    const std::vector<DWORD> px = Decoded(image, 0);
    EXPECT_EQ(px[0] >> 24, 0x10u);
    EXPECT_EQ(px[2] >> 24, 0u);     // index 6
    EXPECT_EQ(px[3], 0xFFAA0055u);  // alpha index 7; colour index 3 = 1/3 blue + 2/3 red
}

TEST(DdsImageTest, DxtSizesRoundUpToWholeBlocksForOddAndTinyImages) {
    // 5 x 3: two blocks wide, one high; pixels outside the image are dropped.
    std::vector<BYTE> payload(2 * 8, 0);
    DdsImage image;
    ASSERT_EQ(ParseBytes(image, BuildDds(DxtLayout(5, 3, '1'), payload)), S_OK);
    EXPECT_EQ(image.GetLevel(0).m_uPitch, 16u);
    EXPECT_EQ(Decoded(image, 0).size(), 15u);
    // Generated levels 2 x 1 and 1 x 1 still take one whole block each.
    ASSERT_EQ(image.GetLevelCount(), 3u);
    EXPECT_EQ(image.GetLevel(1).m_bytes.size(), 8u);
    EXPECT_EQ(image.GetLevel(2).m_bytes.size(), 8u);
    // One byte short of the second block: no image.
    payload.pop_back();
    EXPECT_EQ(ParseBytes(image, BuildDds(DxtLayout(5, 3, '1'), payload)), D3DXERR_INVALIDDATA);
}

// ---- mip chains ----------------------------------------------------------------------

TEST(DdsImageTest, MissingLevelsAreBoxFilteredDownToOneByOne) {
    // 4 x 2: black and white columns, then a grey right half.
    const std::vector<DWORD> pixels = {0xFF000000, 0xFFFFFFFF, 0xFF808080, 0xFF808080,
                                       0xFF000000, 0xFFFFFFFF, 0xFF808080, 0xFF808080};
    std::vector<BYTE> payload;
    AppendPixels(payload, pixels, 4);
    DdsImage image;
    ASSERT_EQ(ParseBytes(image, BuildDds(ArgbLayout(4, 2), payload)), S_OK);
    EXPECT_EQ(image.GetFileLevelCount(), 1u);
    ASSERT_EQ(image.GetLevelCount(), 3u);
    EXPECT_EQ(image.GetLevel(1).m_uWidth, 2u);
    EXPECT_EQ(image.GetLevel(1).m_uHeight, 1u);
    EXPECT_EQ(Decoded(image, 1), (std::vector<DWORD>{0xFF808080, 0xFF808080}));
    EXPECT_EQ(image.GetLevel(2).m_uWidth, 1u);
    EXPECT_EQ(Decoded(image, 2), std::vector<DWORD>{0xFF808080});
}

TEST(DdsImageTest, NonPowerOfTwoChainsCoverEveryPixel) {
    // 3 x 1 with a single bright pixel at the right edge: it must reach the 1 x 1 level.
    std::vector<BYTE> payload;
    AppendPixels(payload, {0xFF000000, 0xFF000000, 0xFFF0F0F0}, 4);
    DdsImage image;
    ASSERT_EQ(ParseBytes(image, BuildDds(ArgbLayout(3, 1), payload)), S_OK);
    ASSERT_EQ(image.GetLevelCount(), 2u);
    EXPECT_EQ(Decoded(image, 1)[0], 0xFF505050u);
}

TEST(DdsImageTest, ShortFilesKeepTheLevelsTheyHoldInFull) {
    std::vector<BYTE> payload;
    AppendPixels(payload, std::vector<DWORD>(16, 0xFF102030), 4);  // 4 x 4
    AppendPixels(payload, std::vector<DWORD>(4, 0xFF405060), 4);   // 2 x 2
    AppendPixel(payload, 0xFF000000, 2);                           // half of 1 x 1
    DdsImage image;
    ASSERT_EQ(ParseBytes(image, BuildDds(WithMips(ArgbLayout(4, 4), 3), payload)), S_OK);
    EXPECT_EQ(image.GetFileLevelCount(), 2u);
    ASSERT_EQ(image.GetLevelCount(), 3u);
    EXPECT_EQ(Decoded(image, 2)[0], 0xFF405060u);

    // A count beyond the full chain is cut to it.
    payload.clear();
    AppendPixels(payload, std::vector<DWORD>(4 + 1, 0xFF000000), 4);
    ASSERT_EQ(ParseBytes(image, BuildDds(WithMips(ArgbLayout(2, 2), 40), payload)), S_OK);
    EXPECT_EQ(image.GetLevelCount(), 2u);
}

// ---- what files in the wild write --------------------------------------------------------

TEST(DdsImageTest, SizesInTheHeaderAreNotTrusted) {
    std::vector<BYTE> payload;
    AppendPixels(payload, {0xFF010203, 0xFF040506}, 4);
    DdsLayout layout = ArgbLayout(2, 1);
    layout.pitchOrLinearSize = 0x7FFFFFFF;
    layout.pfSize = 24;
    DdsImage image;
    ASSERT_EQ(ParseBytes(image, BuildDds(layout, payload)), S_OK);
    EXPECT_EQ(image.GetLevel(0).m_uPitch, 8u);
    EXPECT_EQ(Decoded(image, 0)[1], 0xFF040506u);

    // A DXT FourCC without the FOURCC flag, and pitch written where the linear size belongs.
    DdsLayout dxt = DxtLayout(4, 4, '1');
    dxt.pfFlags = 0;
    dxt.flags = 0x1007 | 0x8;
    dxt.pitchOrLinearSize = 1;
    ASSERT_EQ(ParseBytes(image, BuildDds(dxt, Block({0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0}))), S_OK);
    EXPECT_EQ(image.GetFormat(), D3DFMT_DXT1);
    EXPECT_EQ(Decoded(image, 0)[5], 0xFFFF0000u);
}

TEST(DdsImageTest, MalformedFilesAreRejected) {
    std::vector<BYTE> good;
    AppendPixels(good, std::vector<DWORD>(4, 0xFFFFFFFF), 4);
    const std::vector<BYTE> file = BuildDds(ArgbLayout(2, 2), good);
    DdsImage image;
    ASSERT_EQ(ParseBytes(image, file), S_OK);

    // Truncated at every length short of the first level.
    for (size_t length = 0; length < file.size(); ++length) {
        EXPECT_EQ(image.Parse(file.data(), length), D3DXERR_INVALIDDATA) << length;
        EXPECT_EQ(image.GetLevelCount(), 0u);
    }
    EXPECT_EQ(image.Parse(nullptr, 1000), D3DXERR_INVALIDDATA);

    std::vector<BYTE> badMagic = file;
    badMagic[0] = 'X';
    EXPECT_EQ(ParseBytes(image, badMagic), D3DXERR_INVALIDDATA);

    const DdsLayout zeroWidth = ArgbLayout(0, 2);
    EXPECT_EQ(ParseBytes(image, BuildDds(zeroWidth, good)), D3DXERR_INVALIDDATA);
    const DdsLayout huge = ArgbLayout(0x40000000, 0x40000000);
    EXPECT_EQ(ParseBytes(image, BuildDds(huge, good)), D3DXERR_INVALIDDATA);
    const DdsLayout wide = ArgbLayout(DdsImage::kMaxEdge + 1, 1);
    EXPECT_EQ(ParseBytes(image, BuildDds(wide, good)), D3DXERR_INVALIDDATA);
    // The largest edges with a full chain claimed, a few bytes given: nothing is decoded or allocated for them.
    EXPECT_EQ(ParseBytes(image, BuildDds(WithMips(ArgbLayout(DdsImage::kMaxEdge, DdsImage::kMaxEdge), 15), good)),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(ParseBytes(image, BuildDds(WithMips(DxtLayout(DdsImage::kMaxEdge, DdsImage::kMaxEdge, '5'), 15), good)),
              D3DXERR_INVALIDDATA);

    DdsLayout oddBits = MaskLayout(2, 2, 12, 0xF00, 0xF0, 0xF, 0);
    EXPECT_EQ(ParseBytes(image, BuildDds(oddBits, good)), D3DXERR_INVALIDDATA);
    DdsLayout noMasks = MaskLayout(2, 2, 32, 0, 0, 0, 0);
    EXPECT_EQ(ParseBytes(image, BuildDds(noMasks, good)), D3DXERR_INVALIDDATA);
    DdsLayout otherFourCC = DxtLayout(4, 4, '1');
    otherFourCC.fourCC = 0x31495441;  // "ATI1"
    EXPECT_EQ(ParseBytes(image, BuildDds(otherFourCC, std::vector<BYTE>(64, 0))), D3DXERR_INVALIDDATA);
}

}  // namespace
