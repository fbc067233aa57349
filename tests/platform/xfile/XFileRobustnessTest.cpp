// Nothing in a file can make the reader crash, read or allocate out of bounds,
// recurse without limit or spin: every such file ends in a published error.
#include <gtest/gtest.h>

#include <string>

#include "platform/xfile/XFileDump.h"
#include "platform/xfile/XFileParser.h"
#include "support/XTestModel.h"

namespace {

std::string EncodingName(const ::testing::TestParamInfo<XEncoding>& info) {
    return XEncodingLabel(info.param);
}

bool IsRuntimeError(HRESULT hr) {
    return FAILED(hr) && ((static_cast<DWORD>(hr) >> 16) & 0x1FFF) == 0x876;
}

HRESULT Load(const std::vector<BYTE>& image) {
    size_t count = 0;
    return XFileDump::CountTopLevel(image, &count);
}

TEST(XFileHeader, RejectsWhatIsNotAnXFile) {
    EXPECT_EQ(Load(Bytes("")), DXFILEERR_BADFILETYPE);
    EXPECT_EQ(Load(Bytes("xo")), DXFILEERR_BADFILETYPE);
    EXPECT_EQ(Load(Bytes("MZ\x90\x00 this is no model")), DXFILEERR_BADFILETYPE);
    EXPECT_EQ(Load(Bytes("xof 0302tx")), DXFILEERR_BADFILE);
    EXPECT_EQ(Load(Bytes("xof 0201txt 0032")), DXFILEERR_BADFILEVERSION);
    EXPECT_EQ(Load(Bytes("xof 0302txt 0016")), DXFILEERR_BADFILEFLOATSIZE);
    EXPECT_EQ(Load(Bytes("xof 0302tlzw0032")), DXFILEERR_BADFILECOMPRESSIONTYPE);
    EXPECT_EQ(Load(Bytes("xof 0302abc 0032")), DXFILEERR_BADFILETYPE);
    // Header only: a valid file with nothing in it.
    size_t count = 7;
    EXPECT_EQ(XFileDump::CountTopLevel(Bytes("xof 0303bin 0064"), &count), DXFILE_OK);
    EXPECT_EQ(count, 0u);
}

// The whole model inside one top-level frame, so that a cut anywhere before its
// closing brace leaves an incomplete object.
std::vector<BYTE> OneObjectModel(XEncoding encoding) {
    XTestWriter w;
    w.Begin("Frame", "All");
    w.Begin("Mesh", "display");
    w.Ints({3});
    w.Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
    w.Ints({1, 3, 0, 1, 2});
    w.Begin("MeshMaterialList");
    w.Ints({1, 1, 0});
    w.Begin("Material");
    w.Floats({1, 1, 1, 1});
    w.Floats({5});
    w.Floats({0, 0, 0});
    w.Floats({0, 0, 0});
    w.Begin("TextureFilename");
    w.String("a.dds");
    w.End();
    w.End();
    w.End();
    w.End();
    w.Reference("All");
    w.End();
    return w.Build(encoding);
}

class XFileTruncationTest : public ::testing::TestWithParam<XEncoding> {};

// A cut file fails, or reads as exactly what lies before the cut: at most
// nothing before the object starts (a compressed file's header and total size
// alone inflate no chunk), the whole object once only white space after it is
// gone, and never a success in between (a cut chunk breaks its deflate stream).
TEST_P(XFileTruncationTest, ACutFileFailsOrHoldsExactlyWhatPrecedesTheCut) {
    const XEncoding encoding = GetParam();
    std::vector<BYTE> image = OneObjectModel(encoding);
    size_t count = 0;
    ASSERT_EQ(XFileDump::CountTopLevel(image, &count), DXFILE_OK);
    ASSERT_EQ(count, 1u);
    const bool bZip = encoding == XEncoding::TextZip || encoding == XEncoding::BinaryZip;
    const size_t header = bZip ? 20 : 16;
    // The object's first and last byte: text has white space and the writer's
    // comment line before it and a line break after it.
    size_t objectStart = header;
    size_t objectEnd = image.size();
    if (encoding == XEncoding::Text) {
        const std::string text(image.begin(), image.end());
        objectStart = text.find("Frame");
        objectEnd = text.find_last_not_of(" \n") + 1;
    }
    for (size_t length = 0; length < image.size(); ++length) {
        std::vector<BYTE> cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
        count = 99;
        HRESULT hr = XFileDump::CountTopLevel(cut, &count);
        if (length >= objectEnd) {
            EXPECT_EQ(hr, DXFILE_OK) << "cut at " << length;
            EXPECT_EQ(count, 1u) << "cut at " << length;
        } else if (length >= header && length <= objectStart && SUCCEEDED(hr)) {
            EXPECT_EQ(count, 0u) << "cut at " << length;
        } else {
            EXPECT_TRUE(IsRuntimeError(hr)) << "cut at " << length << " gave " << std::hex << hr;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllEncodings, XFileTruncationTest,
                         ::testing::Values(XEncoding::Text, XEncoding::Binary, XEncoding::Binary64, XEncoding::TextZip,
                                           XEncoding::BinaryZip),
                         EncodingName);

TEST(XFileBadTokens, EndInParseErrors) {
    const std::string header = "xof 0302txt 0032\n";
    EXPECT_EQ(Load(Bytes(header + "Frame @ { }")), DXFILEERR_PARSEERROR);
    EXPECT_EQ(Load(Bytes(header + "TextureFilename { \"never closed; }")), DXFILEERR_PARSEERROR);
    EXPECT_EQ(Load(Bytes(header + "Frame { <1234> }")), DXFILEERR_PARSEERROR);
    EXPECT_EQ(Load(Bytes(header + "Frame { <0000000G-0000-0000-0000-000000000000> }")), DXFILEERR_PARSEERROR);
    EXPECT_EQ(Load(Bytes(header + "Vector { 1; 2; 1.2.3; }")), DXFILEERR_PARSEERROR);
    EXPECT_EQ(Load(Bytes(header + "Vector { 1; 2; \"3\"; }")), DXFILEERR_PARSEERROR);
    EXPECT_EQ(Load(Bytes(header + "TextureFilename { 3; }")), DXFILEERR_PARSEERROR);
    EXPECT_EQ(Load(Bytes(header + "Frame { ( }")), DXFILEERR_PARSEERROR);
    EXPECT_EQ(Load(Bytes(header + "template { }")), DXFILEERR_PARSEERROR);
    EXPECT_EQ(Load(Bytes(header + "template T { <00000000-0000-0000-0000-000000000001> array DWORD a; }")),
              DXFILEERR_BADARRAYSIZE);

    XBinaryStream unknownToken;
    unknownToken.Header().Name("Frame").Token(10).Token(99).Token(11);
    EXPECT_EQ(Load(unknownToken.Bytes()), DXFILEERR_PARSEERROR);
    XBinaryStream zeroInName;
    zeroInName.Header().Token(1).Raw("\x03\x00\x00\x00", 4).Raw("a\0b", 3).Token(10).Token(11);
    EXPECT_EQ(Load(zeroInName.Bytes()), DXFILEERR_PARSEERROR);
    XBinaryStream strayByte;
    strayByte.Header().Name("Frame").Token(10).Token(11).Raw("\x0b", 1);
    EXPECT_EQ(Load(strayByte.Bytes()), DXFILEERR_PARSEERROR);
}

TEST(XFileHugeCounts, FailWithoutAllocatingForThem) {
    const std::string header = "xof 0302txt 0032\n";
    // A mesh that claims four billion vertices and gives three.
    EXPECT_EQ(Load(Bytes(header + "Mesh { 4000000000; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }")), DXFILEERR_PARSEERROR);
    // Two dimensions whose product does not fit 32 bits.
    EXPECT_EQ(
        Load(Bytes(header +
                   "template G { <00000000-0000-0000-0000-000000000002> DWORD a; DWORD b; array DWORD g[a][b]; }\n"
                   "G { 100000; 100000; 1; }")),
        DXFILEERR_BADARRAYSIZE);
    // An array sized by a member that does not exist, or by a negative one.
    EXPECT_EQ(
        Load(Bytes(header +
                   "template H { <00000000-0000-0000-0000-000000000003> DWORD a; array DWORD h[zz]; }\nH { 1; 1; }")),
        DXFILEERR_BADARRAYSIZE);
    EXPECT_EQ(
        Load(Bytes(header +
                   "template N { <00000000-0000-0000-0000-000000000004> SDWORD a; array DWORD h[a]; }\nN { -5; }")),
        DXFILEERR_BADARRAYSIZE);
    // Billions of elements that hold no data cannot keep the reader busy.
    EXPECT_EQ(Load(Bytes(header + "template E { <00000000-0000-0000-0000-000000000005> array DWORD none[0]; }\n"
                                  "template F { <00000000-0000-0000-0000-000000000006> DWORD n; array E e[n]; }\n"
                                  "F { 4000000000; }")),
              DXFILEERR_BADARRAYSIZE);
    // Binary lists and names that claim more bytes than the file has.
    XBinaryStream list;
    list.Header().Name("Mesh").Token(10).Token(6).Raw("\x00\x00\x00\x40", 4).Token(11);
    EXPECT_EQ(Load(list.Bytes()), DXFILEERR_PARSEERROR);
    XBinaryStream name;
    name.Header().Token(1).Raw("\xff\xff\xff\xff", 4).Raw("Frame", 5);
    EXPECT_EQ(Load(name.Bytes()), DXFILEERR_PARSEERROR);
    XBinaryStream floats;
    floats.Header(true).Name("Vector").Token(10).Token(7).Raw("\x00\x00\x00\x20", 4).Raw("12345678", 8).Token(11);
    EXPECT_EQ(Load(floats.Bytes()), DXFILEERR_PARSEERROR);
}

TEST(XFileNesting, IsCappedWithoutExhaustingTheStack) {
    const std::string header = "xof 0302txt 0032\n";
    auto nested = [&header](int depth) {
        std::string text = header;
        for (int i = 0; i < depth; ++i) {
            text += "Frame {";
        }
        for (int i = 0; i < depth; ++i) {
            text += "}";
        }
        return Bytes(text);
    };
    EXPECT_EQ(Load(nested(100)), DXFILE_OK);
    EXPECT_EQ(Load(nested(XFileParser::kMaxDepth + 5)), DXFILEERR_PARSEERROR);
    EXPECT_EQ(Load(nested(200000)), DXFILEERR_PARSEERROR);
    // A template that contains itself.
    EXPECT_EQ(Load(Bytes(header + "template R { <00000000-0000-0000-0000-000000000007> DWORD v; R r; }\nR { 1; 2; }")),
              DXFILEERR_PARSEERROR);
}

TEST(XFileValues, OutOfRangeNumbersAreClampedNotUndefined) {
    const std::string header = "xof 0302txt 0032\n";
    std::vector<BYTE> image =
        Bytes(header + "Vector { 1e300; -1e300; 99999999999999999999999; }\nHeader { 1e30; 0; 1; }");
    size_t count = 0;
    ASSERT_EQ(XFileDump::CountTopLevel(image, &count), DXFILE_OK);
    EXPECT_EQ(count, 2u);
}

}  // namespace
