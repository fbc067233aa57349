#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "JsonValue.h"
#include "XInfo.h"

namespace {

namespace fs = std::filesystem;

const std::string kWhite = "Material { 1;1;1;1;; 8; 0;0;0;; 0;0;0;; }\n";
const std::string kIdentity = "1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;;";

// A cube (8 corners, 6 quads, one normal per side) with two materials, the
// second textured; a frame tree holding a pentagon mesh; an animation set.
const std::string kModel =
    "xof 0303txt 0032\n"
    "Mesh cube {\n 8;\n"
    " -1;-1;-1;, 1;-1;-1;, -1;1;-1;, 1;1;-1;, -1;-1;1;, 1;-1;1;, -1;1;1;, 1;1;1;;\n 6;\n"
    " 4;0,2,3,1;, 4;4,5,7,6;, 4;0,4,6,2;, 4;1,3,7,5;, 4;2,6,7,3;, 4;0,1,5,4;;\n"
    " MeshNormals { 6; 0;0;-1;, 0;0;1;, -1;0;0;, 1;0;0;, 0;1;0;, 0;-1;0;;\n"
    "  6; 4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;; }\n"
    " MeshMaterialList { 2; 6; 0,0,0,1,1,1;\n " +
    kWhite +
    " Material { 1;1;1;1;; 8; 0;0;0;; 0;0;0;; TextureFilename { \"wood.dds\"; } }\n }\n}\n"
    "Frame Root {\n"
    " Frame A {\n"
    "  Mesh pentagon { 5; 0;0;0;, 1;0;0;, 1;1;0;, 0;2;0;, -1;1;0;; 1; 5;0,1,2,3,4;;\n"
    "   MeshMaterialList { 1; 1; 0;; " +
    kWhite +
    " } }\n"
    " }\n"
    " Frame B { Frame C { } }\n"
    "}\n"
    "AnimationSet Walk {\n"
    " Animation AnimA { {A}\n"
    "  AnimationKey { 0; 2; 0;4;1,0,0,0;;, 100;4;1,0,0,0;;; }\n"
    "  AnimationKey { 2; 3; 0;3;0,0,0;;, 50;3;1,0,0;;, 250;3;2,0,0;;; }\n"
    " }\n"
    " Animation AnimC { {C} AnimationKey { 4; 1; 30;16;" +
    kIdentity.substr(0, kIdentity.size() - 2) +
    ";;; } }\n"
    "}\n";

// A quad of two triangles moved by three bones: the second triangle's
// corners carry all three (a zero weight does not count).
const std::string kSkinned =
    "xof 0303txt 0032\n"
    "Mesh skinned { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 2; 3;0,1,2;, 3;0,2,3;;\n"
    " XSkinMeshHeader { 2; 3; 3; }\n"
    " SkinWeights { \"BoneA\"; 3; 0,1,2; 1.0,0.5,0.0; " +
    kIdentity +
    " }\n"
    " SkinWeights { \"BoneB\"; 2; 1,3; 0.5,0.5; " +
    kIdentity +
    " }\n"
    " SkinWeights { \"BoneC\"; 1; 3; 0.5; " +
    kIdentity + " }\n}\n";

class XInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("xinfo_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::string& content) {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    // Describes in-process; the parsed JSON in `doc`.
    void Describe(const std::string& content, JsonValue& doc) {
        XInfo info;
        std::string json, where;
        ASSERT_EQ(info.Describe(Write("model.x", content).c_str(), json, where), S_OK) << where;
        ASSERT_TRUE(JsonValue::Parse(json, doc)) << json;
    }

    // Runs the program; its exit code, standard output and standard error.
    int Run(const std::string& path, std::string& out, std::string& err) {
        const fs::path errFile = m_dir / "stderr.txt";
        const std::string command = std::string(XINFO_PROGRAM) + " '" + path + "' 2>'" + errFile.string() + "'";
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return -1;
        }
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
            out.append(buffer, n);
        }
        const int status = pclose(pipe);
        std::ifstream file(errFile);
        std::stringstream text;
        text << file.rdbuf();
        err = text.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path m_dir;
};

TEST_F(XInfoTest, MeshesInEnumerationOrderFramesAsATreeAndAnimationKeysByType) {
    JsonValue doc;
    ASSERT_NO_FATAL_FAILURE(Describe(kModel, doc));
    const JsonValue& meshes = doc["meshes"];
    ASSERT_EQ(meshes.Size(), 2u);

    const JsonValue& cube = meshes[0];
    EXPECT_EQ(cube["name"].m_szText, "cube");
    EXPECT_EQ(cube["vertices"].Int(), 24);  // each corner once per side normal
    EXPECT_EQ(cube["faces"].Int(), 12);     // quads fanned into two triangles
    EXPECT_EQ(cube["materials"].Int(), 2);
    ASSERT_EQ(cube["textures"].Size(), 1u);
    EXPECT_EQ(cube["textures"][0].m_szText, "wood.dds");
    EXPECT_EQ(cube["bones"].Int(), 0);
    EXPECT_EQ(cube["maxFaceInfluences"].Int(), 0);

    const JsonValue& pentagon = meshes[1];  // found inside Root/A
    EXPECT_EQ(pentagon["name"].m_szText, "pentagon");
    EXPECT_EQ(pentagon["vertices"].Int(), 5);
    EXPECT_EQ(pentagon["faces"].Int(), 3);
    EXPECT_EQ(pentagon["materials"].Int(), 1);
    EXPECT_EQ(pentagon["textures"].Size(), 0u);

    // Frames form a tree; animations count their keys by type.
    ASSERT_EQ(doc["frames"].Size(), 1u);
    const JsonValue& root = doc["frames"][0];
    EXPECT_EQ(root["name"].m_szText, "Root");
    ASSERT_EQ(root["children"].Size(), 2u);
    EXPECT_EQ(root["children"][0]["name"].m_szText, "A");
    EXPECT_EQ(root["children"][0]["children"].Size(), 0u);  // a mesh is not a frame
    EXPECT_EQ(root["children"][1]["name"].m_szText, "B");
    ASSERT_EQ(root["children"][1]["children"].Size(), 1u);
    EXPECT_EQ(root["children"][1]["children"][0]["name"].m_szText, "C");

    ASSERT_EQ(doc["animationSets"].Size(), 1u);
    const JsonValue& set = doc["animationSets"][0];
    EXPECT_EQ(set["name"].m_szText, "Walk");
    EXPECT_EQ(set["maxKeyTime"].Int(), 250);
    ASSERT_EQ(set["animations"].Size(), 2u);
    const JsonValue& a = set["animations"][0];
    EXPECT_EQ(a["name"].m_szText, "AnimA");
    EXPECT_EQ(a["frame"].m_szText, "A");
    EXPECT_EQ(a["keys"]["rotation"].Int(), 2);
    EXPECT_EQ(a["keys"]["scale"].Int(), 0);
    EXPECT_EQ(a["keys"]["position"].Int(), 3);
    EXPECT_EQ(a["keys"]["matrix"].Int(), 0);
    const JsonValue& c = set["animations"][1];
    EXPECT_EQ(c["frame"].m_szText, "C");
    EXPECT_EQ(c["keys"]["matrix"].Int(), 1);
    EXPECT_EQ(c["keys"]["rotation"].Int(), 0);
}

TEST_F(XInfoTest, SkinnedMeshReportsBonesAndFaceInfluences) {
    JsonValue doc;
    ASSERT_NO_FATAL_FAILURE(Describe(kSkinned, doc));
    ASSERT_EQ(doc["meshes"].Size(), 1u);
    const JsonValue& mesh = doc["meshes"][0];
    EXPECT_EQ(mesh["bones"].Int(), 3);
    EXPECT_EQ(mesh["maxFaceInfluences"].Int(), 3);
    // The skin pass must not leave the plain load without the mesh's children.
    EXPECT_EQ(mesh["vertices"].Int(), 4);
    EXPECT_EQ(mesh["faces"].Int(), 2);
}

TEST_F(XInfoTest, ProgramPrintsOneObjectAndNamesErrors) {
    std::string out, err;
    EXPECT_EQ(Run(Write("model.x", kModel), out, err), 0) << err;
    JsonValue doc;
    EXPECT_TRUE(JsonValue::Parse(out, doc)) << out;
    EXPECT_EQ(doc["meshes"].Size(), 2u);
    EXPECT_TRUE(err.empty()) << err;

    out.clear();
    EXPECT_EQ(Run((m_dir / "missing.x").string(), out, err), 1);
    EXPECT_EQ(err, "DXFILEERR_FILENOTFOUND\n");
    EXPECT_TRUE(out.empty()) << out;

    out.clear();
    EXPECT_EQ(Run(Write("cut.x", kModel.substr(0, kModel.size() / 2)), out, err), 1);
    EXPECT_EQ(err.rfind("DXFILEERR_", 0), 0u) << err;
    EXPECT_TRUE(out.empty()) << out;

    out.clear();
    EXPECT_EQ(Run(Write("empty.x", "xof 0303txt 0032\nMesh none { 1; 0;0;0;; 0;; }\n"), out, err), 1);
    EXPECT_NE(err.find("D3DXERR_LOADEDMESHHASNODATA"), std::string::npos) << err;
    EXPECT_NE(err.find("none"), std::string::npos) << err;

    out.clear();
    EXPECT_EQ(Run(Write("garbage.x", "not an x file at all"), out, err), 1);
    EXPECT_EQ(err.rfind("DXFILEERR_", 0), 0u) << err;
}

TEST(XInfoMediaTest, GeneratedModelsDescribeConsistently) {
    // The build's own run folder, or another one named in the environment.
    const char* szRun = std::getenv("VELMORAN_RUN_DIR");
    const fs::path models = fs::path(szRun != nullptr ? szRun : VELMORAN_RUN_DIR) / "Model";
    if (!fs::is_directory(models)) {
        GTEST_SKIP() << "no generated media in " << models;
    }
    int files = 0;
    for (const auto& entry : fs::directory_iterator(models)) {
        if (entry.path().extension() != ".x") {
            continue;
        }
        ++files;
        SCOPED_TRACE(entry.path().string());
        XInfo info;
        std::string json, where;
        ASSERT_EQ(info.Describe(entry.path().c_str(), json, where), S_OK) << where;
        JsonValue doc;
        ASSERT_TRUE(JsonValue::Parse(json, doc)) << json;
        ASSERT_GT(doc["meshes"].Size(), 0u);
        for (size_t i = 0; i < doc["meshes"].Size(); ++i) {
            const JsonValue& mesh = doc["meshes"][i];
            EXPECT_GT(mesh["faces"].Int(), 0);
            EXPECT_GE(mesh["vertices"].Int(), 3);
            EXPECT_GE(mesh["materials"].Int(), 1);
            EXPECT_LE(static_cast<long>(mesh["textures"].Size()), mesh["materials"].Int());
            EXPECT_LE(mesh["maxFaceInfluences"].Int(), mesh["bones"].Int());
        }
    }
    EXPECT_GT(files, 0);
}

TEST(JsonValueTest, RejectsMalformedText) {
    JsonValue doc;
    EXPECT_TRUE(JsonValue::Parse("{\"a\":[1,2,{\"b\":\"x\\\"y\"}],\"c\":true}", doc));
    EXPECT_EQ(doc["a"][2]["b"].m_szText, "x\"y");
    for (const char* bad : {"", "{", "{\"a\":}", "[1,]", "{\"a\":1}x", "{\"a\":1,\"a\":2}", "\"open"}) {
        EXPECT_FALSE(JsonValue::Parse(bad, doc)) << bad;
    }
}

}  // namespace
