// What the runtime accepts: the text grammar as exporters write it, every member
// kind, templates declared in files, references, and the calls' contracts.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/xfile/XFileDump.h"
#include "support/TempDir.h"
#include "support/XTestWriter.h"

namespace {

// Opens a text file and hands out its first top-level object.
class OpenedFile {
public:
    explicit OpenedFile(const std::string& text) : OpenedFile(Bytes(text)) {}
    explicit OpenedFile(std::vector<BYTE> image) : m_image(std::move(image)) {
        m_hr = XFileDump::CreateRuntime(m_file);
        if (SUCCEEDED(m_hr)) {
            m_hr = XFileDump::Open(m_file.Get(), m_image, m_enum);
        }
        if (SUCCEEDED(m_hr)) {
            m_hr = m_enum->GetNextDataObject(m_first.Out());
        }
    }
    HRESULT Result() const { return m_hr; }
    IDirectXFileData* First() const { return m_first.Get(); }
    IDirectXFileEnumObject* Enum() const { return m_enum.Get(); }
    IDirectXFile* File() const { return m_file.Get(); }
    // The size of the first object's data, or of one member's; 0 when it cannot be read.
    DWORD Data(const void** ppBytes, const char* member = nullptr) const {
        DWORD size = 0;
        void* bytes = nullptr;
        if (m_first.Get() == nullptr || m_first.Get()->GetData(member, &size, &bytes) != DXFILE_OK) {
            return 0;
        }
        *ppBytes = bytes;
        return size;
    }

private:
    std::vector<BYTE> m_image;
    XRef<IDirectXFile> m_file;
    XRef<IDirectXFileEnumObject> m_enum;
    XRef<IDirectXFileData> m_first;
    HRESULT m_hr;
};

const std::string kHeader = "xof 0303txt 0032\n";

TEST(XFileTextGrammar, ReadsExporterPunctuationAndComments) {
    OpenedFile file(kHeader +
                    "# a comment\n"
                    "// another comment\n"
                    "Mesh 01_display {  // names may start with digits\n"
                    " 3;\n"
                    " -1.0; 0.0; 2.5e1;,\n"
                    " 1.0;0.0;0.0;,\n"
                    " 0.0;1.0;0.0;;\n"
                    " 1;\n"
                    " 3;0,1,2;;\n"
                    "}\n");
    ASSERT_EQ(file.Result(), DXFILE_OK);
    EXPECT_EQ(XFileDump::NameOf(file.First()), "01_display");
    const void* bytes = nullptr;
    ASSERT_EQ(file.Data(&bytes), 4u + 36 + 4 + 16);
    EXPECT_EQ(At<float>(bytes, 4), -1.0f);
    EXPECT_EQ(At<float>(bytes, 12), 25.0f);
    EXPECT_EQ(At<DWORD>(bytes, 44), 3u);
    EXPECT_EQ(At<DWORD>(bytes, 56), 2u);
}

TEST(XFileTextGrammar, FindsTemplatesWhateverTheLetterCase) {
    // Exporters write "TextureFileName"; it is the TextureFilename template.
    OpenedFile file(kHeader + "TextureFileName { \"a.dds\"; }\n");
    ASSERT_EQ(file.Result(), DXFILE_OK);
    const GUID* type = nullptr;
    ASSERT_EQ(file.First()->GetType(&type), DXFILE_OK);
    EXPECT_TRUE(*type == TID_D3DRMTextureFilename);

    // They copy the published declarations too, which spell "array float".
    OpenedFile declared(kHeader +
                        "template EffectParamFloats {\n <3014B9A0-62F5-478c-9B86-E4AC9F4E418B>\n"
                        " STRING ParamName;\n DWORD nFloats;\n array float Floats[nFloats];\n}\n"
                        "EffectParamFloats { \"Diffuse\"; 2; 0.5, 0.25;; }\n");
    ASSERT_EQ(declared.Result(), DXFILE_OK);
    const void* bytes = nullptr;
    ASSERT_EQ(declared.Data(&bytes, "Floats"), 8u);
    EXPECT_EQ(At<float>(bytes, 4), 0.25f);
}

TEST(XFileTextGrammar, NumbersServeAsNamesAndReferencesAndIdentifiersMayHoldSpaces) {
    OpenedFile file(kHeader + "Frame 1 { < 01234567-89ab-CDEF-0123-456789abcdef > Frame 2.5 { } { 1 } }\n");
    ASSERT_EQ(file.Result(), DXFILE_OK);
    EXPECT_EQ(XFileDump::NameOf(file.First()), "1");
    GUID id{};
    ASSERT_EQ(file.First()->GetId(&id), DXFILE_OK);
    GUID expected = {0x01234567, 0x89ab, 0xcdef, {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef}};
    EXPECT_TRUE(id == expected);
    XRef<IDirectXFileObject> child;
    ASSERT_EQ(file.First()->GetNextObject(child.Out()), DXFILE_OK);
    EXPECT_EQ(XFileDump::NameOf(child.Get()), "2.5");
    ASSERT_EQ(file.First()->GetNextObject(child.Out()), DXFILE_OK);
    XRef<IDirectXFileDataReference> reference;
    ASSERT_EQ(child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(reference.Out())), S_OK);
    XRef<IDirectXFileData> target;
    ASSERT_EQ(reference->Resolve(target.Out()), DXFILE_OK);
    EXPECT_EQ(XFileDump::NameOf(target.Get()), "1");
}

TEST(XFileMemberKinds, PackEveryPrimitiveNestedTemplateAndArray) {
    OpenedFile file(kHeader +
                    "template Pair { <11111111-2222-3333-4444-555555555555> WORD a; SDWORD b; }\n"
                    "template AllKinds {\n"
                    " <AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE>\n"
                    " WORD w; DWORD d; FLOAT f; DOUBLE g; CHAR c; UCHAR u; BYTE y; SWORD s; SDWORD t;\n"
                    " STRING text;\n"
                    " Pair pair;\n"
                    " DWORD rows; DWORD cols;\n"
                    " array WORD grid[rows][cols];\n"
                    " array Pair pairs[2];\n"
                    " array STRING names[rows];\n"
                    "}\n"
                    "AllKinds Sample {\n"
                    " 65535; 4000000000; 1.5; 0.25; -3; 200; 7; -2; -100000;\n"
                    " \"hello\";\n"
                    " 9; -9;;\n"
                    " 2; 3;\n"
                    " 1, 2, 3, 4, 5, 6;\n"
                    " 10; 11;, 12; 13;;\n"
                    " \"x\", \"yz\";\n"
                    "}\n");
    ASSERT_EQ(file.Result(), DXFILE_OK);
    const size_t p = sizeof(char*);
    // w d f g c u y s t | text | pair | rows cols | grid | pairs | names
    const void* bytes = nullptr;
    ASSERT_EQ(file.Data(&bytes), 2 + 4 + 4 + 8 + 1 + 1 + 1 + 2 + 4 + p + 6 + 8 + 12 + 12 + 2 * p);
    EXPECT_EQ(At<WORD>(bytes, 0), 65535);
    EXPECT_EQ(At<DWORD>(bytes, 2), 4000000000u);
    EXPECT_EQ(At<float>(bytes, 6), 1.5f);
    EXPECT_EQ(At<double>(bytes, 10), 0.25);
    EXPECT_EQ(At<signed char>(bytes, 18), -3);
    EXPECT_EQ(At<BYTE>(bytes, 19), 200);
    EXPECT_EQ(At<BYTE>(bytes, 20), 7);
    EXPECT_EQ(At<std::int16_t>(bytes, 21), -2);
    EXPECT_EQ(At<std::int32_t>(bytes, 23), -100000);
    EXPECT_STREQ(At<const char*>(bytes, 27), "hello");
    size_t pair = 27 + p;
    EXPECT_EQ(At<WORD>(bytes, pair), 9);
    EXPECT_EQ(At<std::int32_t>(bytes, pair + 2), -9);

    const void* member = nullptr;
    ASSERT_EQ(file.Data(&member, "grid"), 12u);
    EXPECT_EQ(At<WORD>(member, 10), 6);
    ASSERT_EQ(file.Data(&member, "pairs"), 12u);
    EXPECT_EQ(At<WORD>(member, 6), 12);
    EXPECT_EQ(At<std::int32_t>(member, 8), 13);
    ASSERT_EQ(file.Data(&member, "names"), 2 * p);
    EXPECT_STREQ(At<const char*>(member, p), "yz");
}

// Long arrays are read in runs; every spelling must pack as the token reader packs it.
TEST(XFileMemberKinds, NumberRunsPackEverySpellingAndCountedRecords) {
    const std::string templates =
        "template Run { <11111111-2222-3333-4444-000000000001> DWORD n; array FLOAT v[n]; }\n"
        "template SignedRun { <11111111-2222-3333-4444-000000000002> SDWORD n; array FLOAT v[n]; }\n"
        "template Numbers { <11111111-2222-3333-4444-000000000003>\n"
        " array FLOAT f[9]; array DOUBLE d[4]; array DWORD i[3]; DWORD count; array Run runs[count]; }\n"
        "template SignedRuns { <11111111-2222-3333-4444-000000000004> DWORD count; array SignedRun runs[count]; }\n";
    OpenedFile file(kHeader + templates +
                    "Numbers N {\n"
                    " 0.1; .5; 5.; -0.25; +3; 1e2; 1e39; -1e39; 7;\n"
                    " 123456789012345678; 1234567890123456789; 0.30000000000000004; -0.0;\n"
                    " 7.9, -1, 4000000000;\n"
                    " 2; 3; 1.5, 2.5, 3.5;, 0;;\n"
                    "}\n");
    ASSERT_EQ(file.Result(), DXFILE_OK);
    const void* bytes = nullptr;
    ASSERT_EQ(file.Data(&bytes), 9 * 4 + 4 * 8 + 3 * 4 + 4 + (4 + 3 * 4) + 4);
    const float floats[9] = {0.1f, 0.5f, 5.0f, -0.25f, 3.0f, 100.0f, FLT_MAX, -FLT_MAX, 7.0f};
    for (size_t k = 0; k < 9; ++k) {
        EXPECT_EQ(At<float>(bytes, 4 * k), floats[k]) << k;
    }
    EXPECT_EQ(At<double>(bytes, 36), 123456789012345678.0);
    EXPECT_EQ(At<double>(bytes, 44), 1234567890123456789.0);
    EXPECT_EQ(At<double>(bytes, 52), 0.30000000000000004);
    EXPECT_TRUE(std::signbit(At<double>(bytes, 60)));
    EXPECT_EQ(At<DWORD>(bytes, 68), 7u);
    EXPECT_EQ(At<DWORD>(bytes, 72), 0xFFFFFFFFu);
    EXPECT_EQ(At<DWORD>(bytes, 76), 4000000000u);
    EXPECT_EQ(At<DWORD>(bytes, 80), 2u);
    EXPECT_EQ(At<DWORD>(bytes, 84), 3u);
    EXPECT_EQ(At<float>(bytes, 96), 3.5f);
    EXPECT_EQ(At<DWORD>(bytes, 100), 0u);

    // A count a record gives itself is checked like any other array size.
    OpenedFile negative(kHeader + templates + "SignedRuns S { 2; 1; 0.5; -1; }\n");
    EXPECT_EQ(negative.Result(), DXFILEERR_BADARRAYSIZE);
    OpenedFile cut(kHeader + templates + "Run R { 4; 1.0; 2.0; }\n");
    EXPECT_EQ(cut.Result(), DXFILEERR_PARSEERROR);
}

// Binary files may hold records of integers in one list, split anywhere across
// lists or as single integers: all read alike, and a record's own count is
// checked, and charged, as in text.
TEST(XFileMemberKinds, BinaryCountedRecordsReadAlikeHoweverTheirListsAreCut) {
    auto mesh = [](const std::vector<std::vector<DWORD>>& faceLists, bool bSingles) {
        XBinaryStream s;
        s.Header().Name("Mesh").Token(10).IntList({3}).FloatList({0, 0, 0, 1, 0, 0, 0, 1, 0});
        for (const std::vector<DWORD>& list : faceLists) {
            for (DWORD value : list) {
                if (bSingles) {
                    s.Integer(value);
                }
            }
            if (!bSingles) {
                s.IntList(list);
            }
        }
        s.Token(11);
        return s.Bytes();
    };
    const DWORD faces[] = {2, 3, 0, 1, 2, 4, 2, 1, 0, 1};
    const struct {
        std::vector<std::vector<DWORD>> m_lists;
        bool m_bSingles;
    } kLayouts[] = {
        {{{2, 3, 0, 1, 2, 4, 2, 1, 0, 1}}, false},
        {{{2, 3, 0}, {1, 2, 4}, {2, 1, 0, 1}}, false},
        {{{2}, {3}, {0, 1, 2}, {4, 2, 1, 0, 1}}, false},
        {{{2, 3, 0, 1, 2, 4, 2, 1, 0, 1}}, true},
    };
    for (const auto& layout : kLayouts) {
        SCOPED_TRACE(layout.m_lists.size());
        OpenedFile file(mesh(layout.m_lists, layout.m_bSingles));
        ASSERT_EQ(file.Result(), DXFILE_OK);
        const void* bytes = nullptr;
        ASSERT_EQ(file.Data(&bytes), 4 + 36 + sizeof(faces));
        EXPECT_EQ(std::memcmp(static_cast<const BYTE*>(bytes) + 40, faces, sizeof(faces)), 0);
    }
    // The list ends inside the second face.
    EXPECT_EQ(OpenedFile(mesh({{2, 3, 0, 1, 2, 4, 2, 1}}, false)).Result(), DXFILEERR_PARSEERROR);

    // template S { SDWORD n; array SDWORD v[n]; }  template L { DWORD c; array S s[c]; }
    // template E { array DWORD none[0]; }          template F { DWORD n; array E e[n]; }
    auto declared = [](DWORD tail) {
        XBinaryStream s;
        s.Header().Token(31).Name("S").Token(10).Guid({0x5, 0, 0, {1}});
        s.Token(47).Name("n").Token(20).Token(52).Token(47).Name("v").Token(14).Name("n").Token(15).Token(20).Token(11);
        s.Token(31).Name("L").Token(10).Guid({0x6, 0, 0, {1}});
        s.Token(41).Name("c").Token(20).Token(52).Name("S").Name("s").Token(14).Name("c").Token(15).Token(20).Token(11);
        s.Token(31).Name("E").Token(10).Guid({0x7, 0, 0, {1}});
        s.Token(52).Token(41).Name("none").Token(14).Integer(0).Token(15).Token(20).Token(11);
        s.Token(31).Name("F").Token(10).Guid({0x8, 0, 0, {1}});
        s.Token(41).Name("n").Token(20).Token(52).Name("E").Name("e").Token(14).Name("n").Token(15).Token(20).Token(11);
        s.Name("L").Token(10).IntList({2, 1, 5, tail}).Token(11);
        return s;
    };
    XBinaryStream records = declared(0);
    OpenedFile valid(records.Bytes());
    ASSERT_EQ(valid.Result(), DXFILE_OK);
    const void* bytes = nullptr;
    EXPECT_EQ(valid.Data(&bytes), 16u);
    XBinaryStream negative = declared(0xFFFFFFFF);
    EXPECT_EQ(OpenedFile(negative.Bytes()).Result(), DXFILEERR_BADARRAYSIZE);
    // Billions of records that hold no numbers, with a value left in the list, still meet the work limit.
    XBinaryStream empty = declared(0);
    empty.Name("F").Token(10).IntList({4000000000u, 7}).Token(11);
    EXPECT_EQ(OpenedFile(empty.Bytes()).Result(), DXFILEERR_BADARRAYSIZE);
}

TEST(XFileMemberKinds, BinaryTemplatesAndStringTerminatorsOfBothWidths) {
    // template T { <guid> DWORD n; array FLOAT v[n]; STRING s; STRING t; } then T { 2; 1.5, 2.5; "a"; "b"; }
    GUID guid = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    XBinaryStream s;
    s.Header().Token(31).Name("T").Token(10).Guid(guid);
    s.Token(41).Name("n").Token(20);
    s.Token(52).Token(42).Name("v").Token(14).Name("n").Token(15).Token(20);
    s.Token(49).Name("s").Token(20);
    s.Token(49).Name("t").Token(20);
    s.Token(11);
    s.Name("T").Token(10).IntList({2}).FloatList({1.5f, 2.5f});
    s.String("a", 20);  // terminated by a plain token
    // "b" with the documented DWORD terminator, then the closing brace.
    const BYTE tail[] = {2, 0, 1, 0, 0, 0, 'b', 20, 0, 0, 0, 11, 0};
    s.Raw(tail, sizeof(tail));
    OpenedFile file(s.Bytes());
    ASSERT_EQ(file.Result(), DXFILE_OK);
    const GUID* type = nullptr;
    file.First()->GetType(&type);
    EXPECT_TRUE(*type == guid);
    const void* bytes = nullptr;
    ASSERT_EQ(file.Data(&bytes), 4 + 8 + 2 * sizeof(char*));
    EXPECT_EQ(At<float>(bytes, 8), 2.5f);
    EXPECT_STREQ(At<const char*>(bytes, 12), "a");
    EXPECT_STREQ(At<const char*>(bytes, 12 + sizeof(char*)), "b");
}

TEST(XFileTemplates, DeclaredInAFileAreRegisteredForLaterFiles) {
    XRef<IDirectXFile> file;
    ASSERT_EQ(XFileDump::CreateRuntime(file), DXFILE_OK);
    std::vector<BYTE> first = Bytes(kHeader + "template Extra { <0000AAAA-0000-0000-0000-000000000001> DWORD v; }\n");
    std::vector<BYTE> second = Bytes(kHeader + "Extra { 5; }\n");
    XRef<IDirectXFileEnumObject> enumObject;
    EXPECT_EQ(XFileDump::Open(file.Get(), second, enumObject), DXFILEERR_NOTEMPLATE);
    ASSERT_EQ(XFileDump::Open(file.Get(), first, enumObject), DXFILE_OK);
    EXPECT_EQ(XFileDump::Open(file.Get(), second, enumObject), DXFILE_OK);
}

TEST(XFileTemplates, ALaterDeclarationGovernsTheDataAfterItOnlyInTheStandardLayout) {
    // Other member names, lower-case types and signedness: the same packing, so the file's own names count.
    OpenedFile file(kHeader +
                    "template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> float a; float b; float c; }\n"
                    "template Boolean { <537DA6A0-CA37-11d0-941C-0080C80CFA7B> SDWORD yes; }\n"
                    "Vector { 1; 2; 3; }\n");
    ASSERT_EQ(file.Result(), DXFILE_OK);
    const void* bytes = nullptr;
    ASSERT_EQ(file.Data(&bytes, "b"), 4u);
    EXPECT_EQ(At<float>(bytes, 0), 2.0f);

    // A standard identifier with other members is never handed to a loader as that
    // template: not under its own name, not under another, not through a nested member.
    const std::string kRefused[] = {
        "template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> DWORD only; }\nVector { 7; }\n",
        "template Named { <A42790E1-7810-11cf-8F52-0040333594A3> DWORD a; DWORD b; }\n"
        "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; Named { 1; 2; } }\n",
        "template TextureFilename { <A42790E1-7810-11cf-8F52-0040333594A3> DWORD a; DWORD b; }\n"
        "TextureFilename { 1; 2; }\n",
        "template Coords2d { FLOAT u; }\nMeshTextureCoords { 1; 0.5;; }\n",
        "template FloatKeys { <10DD46A9-775B-11cf-8F52-0040333594A3> DWORD nValues; array FLOAT values[2]; }\n"
        "AnimationKey { 0; 1; 0; 1073741828; 1.0, 2.0;;; }\n",
        "template Url { <3A23EEA1-94B1-11d0-AB39-0020AF71E433> DWORD nUrls; array STRING urls[3]; }\n"
        "Url { 1; \"a\", \"b\", \"c\"; }\n",
    };
    for (const std::string& body : kRefused) {
        EXPECT_EQ(OpenedFile(kHeader + body).Result(), DXFILEERR_BADTYPE) << body;
    }
    // Declared but never used for data: nothing to refuse.
    EXPECT_EQ(OpenedFile(kHeader + "template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> DWORD only; }\n"
                                   "Frame { }\n")
                  .Result(),
              DXFILE_OK);
}

TEST(XFileTemplates, RestrictedOpenAndClosedTemplatesAdmitTheirChildrenOnly) {
    // MeshMaterialList admits Material only; Frame anything; Vector nothing.
    EXPECT_EQ(
        OpenedFile(kHeader + "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }\n").Result(),
        DXFILE_OK);
    EXPECT_EQ(OpenedFile(kHeader + "MeshMaterialList { 1; 1; 0;; Frame { } }\n").Result(), DXFILEERR_BADOBJECT);
    EXPECT_EQ(OpenedFile(kHeader + "Frame { Vector { 1;2;3; } Header { 1;0;0; } }\n").Result(), DXFILE_OK);
    EXPECT_EQ(OpenedFile(kHeader + "Vector { 1;2;3; Frame { } }\n").Result(), DXFILEERR_PARSEERROR);
    EXPECT_EQ(OpenedFile(kHeader + "Vector { 1;2;3;4; }\n").Result(), DXFILEERR_PARSEERROR);
    EXPECT_EQ(OpenedFile(kHeader + "Vector { 1;2; }\n").Result(), DXFILEERR_PARSEERROR);
    EXPECT_EQ(OpenedFile(kHeader + "NoSuchTemplate { 1; }\n").Result(), DXFILEERR_NOTEMPLATE);
    EXPECT_EQ(
        OpenedFile(kHeader + "template T { <00000000-0000-0000-0000-000000000009> Missing m; }\nT { 1; }\n").Result(),
        DXFILEERR_NOTEMPLATE);
}

TEST(XFileReferences, ResolveByNameOrIdentifierAndAreNotDataObjects) {
    OpenedFile file(kHeader +
                    "Frame Outer {\n"
                    " Frame Inner { <00000000-0000-0000-0000-0000000000AA> }\n"
                    " { Inner }\n"
                    " { Inner <00000000-0000-0000-0000-0000000000AA> }\n"
                    " { <00000000-0000-0000-0000-0000000000AA> }\n"
                    " { Nowhere }\n"
                    "}\n");
    ASSERT_EQ(file.Result(), DXFILE_OK);
    XRef<IDirectXFileObject> child;
    ASSERT_EQ(file.First()->GetNextObject(child.Out()), DXFILE_OK);  // Inner itself
    const char* expectedNames[] = {"Inner", "Inner", "", "Nowhere"};
    for (const char* expectedName : expectedNames) {
        ASSERT_EQ(file.First()->GetNextObject(child.Out()), DXFILE_OK);
        XRef<IDirectXFileData> asData;
        EXPECT_EQ(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(asData.Out())), E_NOINTERFACE);
        XRef<IDirectXFileDataReference> reference;
        ASSERT_EQ(child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(reference.Out())),
                  S_OK);
        EXPECT_EQ(XFileDump::NameOf(reference.Get()), expectedName);
        XRef<IDirectXFileData> target;
        HRESULT hr = reference->Resolve(target.Out());
        if (std::string(expectedName) == "Nowhere") {
            EXPECT_EQ(hr, DXFILEERR_BADDATAREFERENCE);
            EXPECT_FALSE(target);
        } else {
            ASSERT_EQ(hr, DXFILE_OK);
            EXPECT_EQ(XFileDump::NameOf(target.Get()), "Inner");
        }
    }
    EXPECT_EQ(file.First()->GetNextObject(child.Out()), DXFILEERR_NOMOREOBJECTS);
    EXPECT_FALSE(child);
}

TEST(XFileCalls, NameLengthQueryThenCopy) {
    OpenedFile file(kHeader + "Frame Named { Frame { } }\n");
    ASSERT_EQ(file.Result(), DXFILE_OK);
    DWORD length = 0;
    ASSERT_EQ(file.First()->GetName(nullptr, &length), DXFILE_OK);
    EXPECT_EQ(length, 6u);
    char buffer[512] = {};
    DWORD bufferLength = sizeof(buffer);
    ASSERT_EQ(file.First()->GetName(buffer, &bufferLength), DXFILE_OK);
    EXPECT_STREQ(buffer, "Named");
    EXPECT_EQ(bufferLength, 6u);

    XRef<IDirectXFileObject> unnamed;
    ASSERT_EQ(file.First()->GetNextObject(unnamed.Out()), DXFILE_OK);
    ASSERT_EQ(unnamed->GetName(nullptr, &length), DXFILE_OK);
    EXPECT_EQ(length, 0u);
}

TEST(XFileCalls, EnumerationEndsAndArgumentsAreChecked) {
    OpenedFile file(kHeader + "Frame A { }\nFrame B { }\n");
    ASSERT_EQ(file.Result(), DXFILE_OK);
    XRef<IDirectXFileData> next;
    ASSERT_EQ(file.Enum()->GetNextDataObject(next.Out()), DXFILE_OK);
    EXPECT_EQ(XFileDump::NameOf(next.Get()), "B");
    EXPECT_EQ(file.Enum()->GetNextDataObject(next.Out()), DXFILEERR_NOMOREOBJECTS);
    EXPECT_EQ(file.Enum()->GetNextDataObject(nullptr), DXFILEERR_BADVALUE);

    XRef<IDirectXFileEnumObject> enumObject;
    EXPECT_EQ(file.File()->CreateEnumObject("/no/such/file.x", DXFILELOAD_FROMFILE, enumObject.Out()),
              DXFILEERR_FILENOTFOUND);
    // A stream without end or a folder named as a file is refused, not read until memory runs out.
    EXPECT_EQ(file.File()->CreateEnumObject("/dev/zero", DXFILELOAD_FROMFILE, enumObject.Out()), DXFILEERR_BADFILE);
    EXPECT_EQ(file.File()->CreateEnumObject("/tmp", DXFILELOAD_FROMFILE, enumObject.Out()), DXFILEERR_BADFILE);
}

TEST(XFileCalls, LoadsFromAPathWithBackSlashes) {
    ScopedTempCwd folder;
    folder.WriteFile("model.x", kHeader + "Frame OnDisk { }\n");
    XRef<IDirectXFile> file;
    ASSERT_EQ(XFileDump::CreateRuntime(file), DXFILE_OK);
    XRef<IDirectXFileEnumObject> enumObject;
    ASSERT_EQ(file->CreateEnumObject((folder.Path() + "\\model.x").c_str(), DXFILELOAD_FROMFILE, enumObject.Out()),
              DXFILE_OK);
    XRef<IDirectXFileData> data;
    ASSERT_EQ(enumObject->GetNextDataObject(data.Out()), DXFILE_OK);
    EXPECT_EQ(XFileDump::NameOf(data.Get()), "OnDisk");
}

}  // namespace
