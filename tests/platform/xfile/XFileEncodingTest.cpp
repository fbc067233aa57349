// The same model read from every encoding gives the same objects and bytes,
// and the bytes are the template layout the loaders index into.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "platform/xfile/XFileDump.h"
#include "support/XTestModel.h"

namespace {

std::string EncodingName(const ::testing::TestParamInfo<XEncoding>& info) {
    return XEncodingLabel(info.param);
}

// The first data object of the given type, depth first.
bool FindFirst(IDirectXFileData* data, const GUID& type, XRef<IDirectXFileData>& found) {
    const GUID* own = nullptr;
    data->GetType(&own);
    if (*own == type) {
        data->AddRef();
        *found.Out() = data;
        return true;
    }
    XRef<IDirectXFileObject> child;
    while (SUCCEEDED(data->GetNextObject(child.Out()))) {
        XRef<IDirectXFileData> childData;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(childData.Out()))) &&
            FindFirst(childData.Get(), type, found)) {
            return true;
        }
    }
    return false;
}

// Searches a fresh runtime, which is gone again when the object is handed
// out: the object must keep its file alive.
bool FindInFile(const std::vector<BYTE>& image, const GUID& type, XRef<IDirectXFileData>& found) {
    XRef<IDirectXFile> file;
    XRef<IDirectXFileEnumObject> enumObject;
    if (FAILED(XFileDump::CreateRuntime(file)) || FAILED(XFileDump::Open(file.Get(), image, enumObject))) {
        return false;
    }
    XRef<IDirectXFileData> top;
    while (SUCCEEDED(enumObject->GetNextDataObject(top.Out()))) {
        if (FindFirst(top.Get(), type, found)) {
            return true;
        }
    }
    return false;
}

// The size of the object's data, or of one member's, and the bytes through `bytes`.
DWORD Data(IDirectXFileData* data, const void** bytes, const char* member = nullptr) {
    DWORD size = 0;
    void* raw = nullptr;
    EXPECT_EQ(data->GetData(member, &size, &raw), DXFILE_OK) << (member != nullptr ? member : "whole");
    *bytes = raw;
    return size;
}

class XFileEncodingTest : public ::testing::TestWithParam<XEncoding> {};

TEST_P(XFileEncodingTest, ReadsTheSameObjectsAsTheTextFile) {
    for (const XTestWriter& model : {BuildTestModel(), BuildExporterModel()}) {
        std::string text = XFileDump::Describe(model.Build(XEncoding::Text));
        ASSERT_EQ(text.find("error"), std::string::npos) << text;
        EXPECT_EQ(XFileDump::Describe(model.Build(GetParam())), text);
    }
}

TEST_P(XFileEncodingTest, TheBytesFollowTheTemplateLayout) {
    std::vector<BYTE> image = BuildTestModel().Build(GetParam());
    XRef<IDirectXFileData> mesh;
    XRef<IDirectXFileData> key;
    XRef<IDirectXFileData> matrix;
    XRef<IDirectXFileData> weights;
    ASSERT_TRUE(FindInFile(image, TID_D3DRMMesh, mesh));
    ASSERT_TRUE(FindInFile(image, TID_D3DRMAnimationKey, key));
    ASSERT_TRUE(FindInFile(image, TID_D3DRMFrameTransformMatrix, matrix));
    ASSERT_TRUE(FindInFile(image, DXFILEOBJ_SkinWeights, weights));

    // nVertices, 4 vectors, nFaces, 2 faces of {count, 3 indices}.
    EXPECT_EQ(XFileDump::NameOf(mesh.Get()), "display01");
    const void* bytes = nullptr;
    ASSERT_EQ(Data(mesh.Get(), &bytes), 4u + 4 * 12 + 4 + 2 * 16);
    EXPECT_EQ(At<DWORD>(bytes, 0), 4u);
    EXPECT_EQ(At<float>(bytes, 4), -1.0f);
    EXPECT_EQ(At<float>(bytes, 4 + 11 * 4), 0.1f);
    EXPECT_EQ(At<DWORD>(bytes, 52), 2u);
    EXPECT_EQ(At<DWORD>(bytes, 56), 3u);
    EXPECT_EQ(At<DWORD>(bytes, 56 + 16 + 12), 3u);
    // Named members point into the same block.
    const void* faces = nullptr;
    EXPECT_EQ(Data(mesh.Get(), &faces, "faces"), 32u);
    EXPECT_EQ(static_cast<const BYTE*>(faces) - static_cast<const BYTE*>(bytes), 56);
    DWORD size = 0;
    void* none = nullptr;
    EXPECT_EQ(mesh->GetData("noSuchMember", &size, &none), DXFILEERR_NOTFOUND);

    // keyType, nKeys, then per key: time, nValues, 4 floats.
    ASSERT_EQ(Data(key.Get(), &bytes), 8u + 2 * 24);
    EXPECT_EQ(At<DWORD>(bytes, 0), 0u);
    EXPECT_EQ(At<DWORD>(bytes, 4), 2u);
    EXPECT_EQ(At<DWORD>(bytes, 8 + 24), 4800u);
    EXPECT_EQ(At<DWORD>(bytes, 8 + 28), 4u);
    EXPECT_EQ(At<float>(bytes, 8 + 32), 0.70710677f);
    ASSERT_EQ(Data(matrix.Get(), &bytes), 64u);
    EXPECT_EQ(At<float>(bytes, 48), 10.0f);
    EXPECT_EQ(At<float>(bytes, 56), 30.0f);

    ASSERT_EQ(Data(weights.Get(), &bytes, "transformNodeName"), sizeof(char*));
    EXPECT_STREQ(At<const char*>(bytes, 0), "Child");
    ASSERT_EQ(Data(weights.Get(), &bytes, "weights"), 8u);
    EXPECT_EQ(At<float>(bytes, 4), 0.5f);
    EXPECT_EQ(Data(weights.Get(), &bytes, "matrixOffset"), 64u);
}

TEST_P(XFileEncodingTest, LaterRevisionTemplatesNeedNoDeclaration) {
    std::vector<BYTE> image = BuildExporterModel().Build(GetParam());
    XRef<IDirectXFileData> decl;
    XRef<IDirectXFileData> floats;
    ASSERT_TRUE(FindInFile(image, DXFILEOBJ_DeclData, decl));
    ASSERT_TRUE(FindInFile(image, DXFILEOBJ_EffectParamFloats, floats));
    // nElements, two elements of four DWORDs, nDWords, 20 DWORDs.
    const void* bytes = nullptr;
    ASSERT_EQ(Data(decl.Get(), &bytes), 4u + 2 * 16 + 4 + 20 * 4);
    EXPECT_EQ(At<DWORD>(bytes, 4 + 16 + 8), 5u);  // the second element's usage
    EXPECT_EQ(At<float>(bytes, 40 + 8), -1.0f);   // the first normal's z
    ASSERT_EQ(Data(floats.Get(), &bytes, "Floats"), 16u);
    EXPECT_EQ(At<float>(bytes, 8), 0.25f);
}

INSTANTIATE_TEST_SUITE_P(AllEncodings, XFileEncodingTest,
                         ::testing::Values(XEncoding::Text, XEncoding::Binary, XEncoding::Binary64, XEncoding::TextZip,
                                           XEncoding::BinaryZip),
                         EncodingName);

TEST(XFileEncodingDescription, ShowsReferencesResolvedAndTextureNamesRaw) {
    std::string text = XFileDump::Describe(BuildTestModel().Build(XEncoding::Text));
    EXPECT_NE(text.find("-> 'Red' resolves to 'Red'"), std::string::npos) << text;
    EXPECT_NE(text.find("-> 'Child' resolves to 'Child'"), std::string::npos) << text;
    // Doubled back-slashes reach the loader as written; it decides what they mean.
    EXPECT_NE(text.find("\"tex\\\\red.dds\""), std::string::npos) << text;
}

// A body long and repetitive enough that later chunks copy from earlier ones.
std::vector<BYTE> LongModel(XEncoding encoding, int matrices = 300) {
    XTestWriter w;
    w.Begin("Frame", "Long");
    for (int i = 0; i < matrices; ++i) {
        w.Begin("FrameTransformMatrix");
        w.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, static_cast<double>(i % 7), 2, 3, 1});
        w.End();
    }
    w.End();
    return w.Build(encoding);
}

TEST(XFileCompression, ChunksShareOneSlidingWindow) {
    std::vector<BYTE> plain = LongModel(XEncoding::Text);
    std::vector<BYTE> packed = XTestWriter::CompressFile(plain, 2048, true);
    std::string expected = XFileDump::Describe(plain);
    ASSERT_EQ(expected.find("error"), std::string::npos);
    EXPECT_EQ(XFileDump::Describe(packed), expected);

    // The second chunk really reaches back into the first: on its own it does not inflate.
    size_t second = 16 + 4;
    WORD packedSize = static_cast<WORD>(packed[second + 2] | (packed[second + 3] << 8));
    second += 4 + packedSize;
    ASSERT_LT(second + 6, packed.size());
    ASSERT_EQ(packed[second + 4], 'C');
    z_stream stream{};
    ASSERT_EQ(inflateInit2(&stream, -15), Z_OK);
    std::vector<BYTE> out(65536);
    stream.next_in = packed.data() + second + 6;
    stream.avail_in = static_cast<uInt>(packed.size() - second - 6);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    EXPECT_NE(result, Z_STREAM_END);
}

TEST(XFileCompression, ReadsEveryChunkLayoutTheFormatAllows) {
    std::vector<BYTE> binary = LongModel(XEncoding::Binary);
    const std::string expected = XFileDump::Describe(binary);
    // Either count of the chunk size.
    EXPECT_EQ(XFileDump::Describe(XTestWriter::CompressFile(binary, 1000, true)), expected);
    EXPECT_EQ(XFileDump::Describe(XTestWriter::CompressFile(binary, 1000, false)), expected);
    // A stream that repeats the header.
    std::vector<BYTE> packed(binary.begin(), binary.begin() + 16);
    std::memcpy(packed.data() + 8, "bzip", 4);
    std::vector<BYTE> stream = XTestWriter::Compress(binary, 4096, true);
    packed.insert(packed.end(), stream.begin(), stream.end());
    EXPECT_EQ(XFileDump::Describe(packed), expected);
    // 32 KB chunks, as the format writes them, over a body of many windows.
    std::vector<BYTE> text = LongModel(XEncoding::Text, 3000);
    ASSERT_GT(text.size(), 5u * 32768);
    EXPECT_EQ(XFileDump::Describe(XTestWriter::CompressFile(text, 32768, true)), XFileDump::Describe(text));
}

TEST(XFileCompression, RejectsDamagedChunks) {
    std::vector<BYTE> packed = XTestWriter::CompressFile(LongModel(XEncoding::Text), 2048, true);
    size_t count = 0;

    std::vector<BYTE> badSignature = packed;
    badSignature[16 + 4 + 4] = 'X';
    EXPECT_EQ(XFileDump::CountTopLevel(badSignature, &count), DXFILEERR_BADFILE);

    std::vector<BYTE> badSize = packed;
    badSize[16 + 4] ^= 0x01;  // the first chunk claims one byte more or less than it inflates to
    EXPECT_EQ(XFileDump::CountTopLevel(badSize, &count), DXFILEERR_BADFILE);

    std::vector<BYTE> smallTotal = packed;
    smallTotal[16] = 100;  // the whole decoded file claims to be tiny
    smallTotal[17] = smallTotal[18] = smallTotal[19] = 0;
    EXPECT_EQ(XFileDump::CountTopLevel(smallTotal, &count), DXFILEERR_BADFILE);

    std::vector<BYTE> garbled = packed;
    for (size_t i = 16 + 4 + 6; i < 16 + 4 + 30; ++i) {
        garbled[i] = 0xFF;
    }
    EXPECT_EQ(XFileDump::CountTopLevel(garbled, &count), DXFILEERR_BADFILE);
}

}  // namespace
