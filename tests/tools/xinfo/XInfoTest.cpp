// xinfo on hand-written files: its JSON text is compared whole, so a wrong
// count, a lost object or broken punctuation all show as a difference.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

// The cube's corners once per side normal (24) and its quads fanned (12); the
// pentagon fanned into 3; a mesh is not a frame; keys counted by type, the
// latest key time of the set 250.
const std::string kModelJson =
    "{\"meshes\":["
    "{\"name\":\"cube\",\"vertices\":24,\"faces\":12,\"materials\":2,\"textures\":[\"wood.dds\"],\"bones\":0,"
    "\"maxFaceInfluences\":0},"
    "{\"name\":\"pentagon\",\"vertices\":5,\"faces\":3,\"materials\":1,\"textures\":[],\"bones\":0,"
    "\"maxFaceInfluences\":0}],"
    "\"frames\":[{\"name\":\"Root\",\"children\":[{\"name\":\"A\",\"children\":[]},"
    "{\"name\":\"B\",\"children\":[{\"name\":\"C\",\"children\":[]}]}]}],"
    "\"animationSets\":[{\"name\":\"Walk\",\"animations\":["
    "{\"name\":\"AnimA\",\"frame\":\"A\",\"keys\":{\"rotation\":2,\"scale\":0,\"position\":3,\"matrix\":0}},"
    "{\"name\":\"AnimC\",\"frame\":\"C\",\"keys\":{\"rotation\":0,\"scale\":0,\"position\":0,\"matrix\":1}}],"
    "\"maxKeyTime\":250}]}";

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
        m_dir = fs::temp_directory_path() / ("xinfo_test_" + std::to_string(getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::string& content) {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    std::string Read(const std::string& name) {
        std::ifstream file(m_dir / name);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    // Runs the program; its exit code, standard output and standard error.
    int Run(const std::string& path, std::string& out, std::string& err) {
        const std::string command = std::string(XINFO_PROGRAM) + " '" + path + "' >'" + (m_dir / "out").string() +
                                    "' 2>'" + (m_dir / "err").string() + "'";
        const int status = std::system(command.c_str());
        out = Read("out");
        err = Read("err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path m_dir;
};

TEST_F(XInfoTest, DescribesMeshesFramesAnimationsAndSkins) {
    XInfo info;
    std::string json, where;
    ASSERT_EQ(info.Describe(Write("model.x", kModel).c_str(), json, where), S_OK) << where;
    EXPECT_EQ(json, kModelJson);
    // The skin pass must not leave the plain load without the mesh's children.
    ASSERT_EQ(info.Describe(Write("skinned.x", kSkinned).c_str(), json, where), S_OK) << where;
    EXPECT_EQ(json,
              "{\"meshes\":[{\"name\":\"skinned\",\"vertices\":4,\"faces\":2,\"materials\":0,\"textures\":[],"
              "\"bones\":3,\"maxFaceInfluences\":3}],\"frames\":[],\"animationSets\":[]}");
}

TEST_F(XInfoTest, ProgramPrintsOneObjectAndNamesErrors) {
    std::string out, err;
    EXPECT_EQ(Run(Write("model.x", kModel), out, err), 0) << err;
    EXPECT_EQ(out, kModelJson + "\n");
    EXPECT_TRUE(err.empty()) << err;

    EXPECT_EQ(Run((m_dir / "missing.x").string(), out, err), 1);
    EXPECT_EQ(err, "DXFILEERR_FILENOTFOUND\n");
    EXPECT_TRUE(out.empty()) << out;

    const struct {
        const char* m_szFile;
        std::string m_content;
        const char* m_szError;
    } broken[] = {
        {"cut.x", kModel.substr(0, kModel.size() / 2), "DXFILEERR_"},
        {"garbage.x", "not an x file at all", "DXFILEERR_"},
        {"empty.x", "xof 0303txt 0032\nMesh none { 1; 0;0;0;; 0;; }\n", "D3DXERR_LOADEDMESHHASNODATA (mesh \"none\")"},
    };
    for (const auto& c : broken) {
        EXPECT_EQ(Run(Write(c.m_szFile, c.m_content), out, err), 1) << c.m_szFile;
        EXPECT_EQ(err.rfind(c.m_szError, 0), 0u) << c.m_szFile << ": " << err;
        EXPECT_TRUE(out.empty()) << c.m_szFile << ": " << out;
    }
}

}  // namespace
