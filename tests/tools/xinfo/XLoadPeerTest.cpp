#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "XLoadModel.h"
#include "XLoadRunner.h"
#include "support/RecordingDeviceTest.h"

namespace {

namespace fs = std::filesystem;

// The parameter picks the binary encoding over the text one.
class XLoadPeerTest : public RecordingDeviceTest, public ::testing::WithParamInterface<bool> {};

// Quads fanned by us and triangulated by the peer give the same triangles;
// both keep the two materials of the list.
TEST_P(XLoadPeerTest, GeneratedGridCountsAgree) {
    if (!XLoadRunner::HasPeer()) {
        GTEST_SKIP() << "built without Assimp";
    }
    for (DWORD dwCells : {1u, 3u, 17u}) {
        SCOPED_TRACE(dwCells);
        const XLoadModel model(dwCells);
        const std::vector<BYTE> image = GetParam() ? model.BinaryFile() : model.TextFile();
        XLoadRunner::Counts ours, peer;
        ASSERT_EQ(XLoadRunner::LoadOurs(m_pDevice, image, ours), S_OK);
        ASSERT_TRUE(XLoadRunner::LoadPeer(image, peer));
        EXPECT_EQ(ours.m_dwTriangles, model.TriangleCount());
        EXPECT_EQ(peer.m_dwTriangles, ours.m_dwTriangles);
        EXPECT_EQ(ours.m_dwMaterials, model.MaterialCount());
        EXPECT_EQ(peer.m_dwMaterials, ours.m_dwMaterials);
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, XLoadPeerTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Binary" : "Text"; });

// The program's own models, where the peer reads them, triangulate alike.
TEST_F(XLoadPeerTest, GeneratedMediaTrianglesAgree) {
    const char* szRun = std::getenv("VELMORAN_RUN_DIR");
    const fs::path models = fs::path(szRun != nullptr ? szRun : VELMORAN_RUN_DIR) / "Model";
    if (!XLoadRunner::HasPeer() || !fs::is_directory(models)) {
        GTEST_SKIP() << "needs Assimp and the generated media in " << models;
    }
    int compared = 0;
    for (const auto& entry : fs::directory_iterator(models)) {
        if (entry.path().extension() != ".x") {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<BYTE> image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        XLoadRunner::Counts ours, peer;
        ASSERT_EQ(XLoadRunner::LoadOurs(m_pDevice, image, ours), S_OK);
        if (XLoadRunner::LoadPeer(image, peer)) {
            EXPECT_EQ(peer.m_dwTriangles, ours.m_dwTriangles);
            ++compared;
        }
    }
    EXPECT_GT(compared, 0);
}

}  // namespace
