#include "scene/TexList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Capture.h"
#include "support/DdsTestFiles.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

namespace {

class TexListTest : public RecordingDeviceTest {
protected:
    std::string Texture(const std::string& name) {
        std::vector<BYTE> payload;
        AppendPixels(payload, std::vector<DWORD>(16, 0xFF336699u), 4);
        WriteFile(m_cwd.File(name), BuildDds(ArgbLayout(4, 4), payload));
        return m_cwd.File(name);
    }

    ScopedTempCwd m_cwd;
    TexList m_list;
};

TEST_F(TexListTest, SamePathSharesOneTextureSilentlyUntilTheLastRelease) {
    std::string path = Texture("a.dds");
    DebugCapture debug;
    IDirect3DTexture8* pFirst = m_list.Load(m_pDevice, path.c_str());
    EXPECT_EQ(debug.Records().size(), 1u) << "a miss traces its load";
    IDirect3DTexture8* pSecond = m_list.Load(m_pDevice, path.c_str());
    EXPECT_EQ(debug.Records().size(), 1u) << "a hit is silent";
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(pFirst, pSecond);
    EXPECT_EQ(m_list.EntryCount(), 1u);
    EXPECT_EQ(m_list.CountOf(path.c_str()), 2u);

    // Unknown and null textures change nothing.
    m_list.Release(nullptr);
    m_list.Release(reinterpret_cast<IDirect3DTexture8*>(&m_list));
    EXPECT_EQ(m_list.CountOf(path.c_str()), 2u);

    m_list.Release(pFirst);
    EXPECT_EQ(m_list.CountOf(path.c_str()), 1u);
    size_t releasedBefore = m_pLog->ReleasedResourceCount();
    m_list.Release(pSecond);
    EXPECT_EQ(m_list.EntryCount(), 0u);
    EXPECT_GT(m_pLog->ReleasedResourceCount(), releasedBefore);
}

TEST_F(TexListTest, NewEntriesGoAfterTheHeadAndPathsAreComparedAsWritten) {
    std::string a = Texture("A.dds");
    std::string b = Texture("B.dds");
    std::string c = Texture("C.dds");
    std::string doubled = m_cwd.Path() + "//C.dds";
    IDirect3DTexture8* pA = m_list.Load(m_pDevice, a.c_str());
    IDirect3DTexture8* pB = m_list.Load(m_pDevice, b.c_str());
    IDirect3DTexture8* pC = m_list.Load(m_pDevice, c.c_str());
    IDirect3DTexture8* pDoubled = m_list.Load(m_pDevice, doubled.c_str());
    ASSERT_EQ(m_list.EntryCount(), 4u);
    EXPECT_NE(pC, pDoubled) << "the same file under another spelling is another entry";
    EXPECT_EQ(std::string(m_list.NameAt(0)), a);
    EXPECT_EQ(std::string(m_list.NameAt(1)), doubled);
    EXPECT_EQ(std::string(m_list.NameAt(2)), c);
    EXPECT_EQ(std::string(m_list.NameAt(3)), b);

    // Dropping the head makes its successor the head.
    m_list.Release(pA);
    EXPECT_EQ(std::string(m_list.NameAt(0)), doubled);
    m_list.Release(pB);
    m_list.Release(pC);
    m_list.Release(pDoubled);
    EXPECT_EQ(m_list.EntryCount(), 0u);
}

TEST_F(TexListTest, FailedLoadsAreReportedAndTriedAgainNextTime) {
    DebugCapture debug;
    MessageBoxCapture boxes;
    std::string path = m_cwd.File("late.dds");
    EXPECT_EQ(m_list.Load(m_pDevice, path.c_str()), nullptr);
    EXPECT_EQ(m_list.EntryCount(), 0u);
    EXPECT_TRUE(debug.Contains("loading texture..." + path));
    EXPECT_TRUE(debug.Contains("TexList(85): failed to load texture..." + path));
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    const std::size_t records = debug.Records().size();

    // A path too long for the file system's limit fails the same way.
    const std::string overlong = m_cwd.Path() + "/" + std::string(300, 'x') + ".dds";
    EXPECT_EQ(m_list.Load(m_pDevice, overlong.c_str()), nullptr);
    ASSERT_GT(debug.Records().size(), records);
    EXPECT_NE(debug.Records().back().find("TexList(85): failed to load texture..."), std::string::npos);
    EXPECT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(m_list.EntryCount(), 0u);

    Texture("late.dds");
    IDirect3DTexture8* pTexture = m_list.Load(m_pDevice, path.c_str());
    EXPECT_NE(pTexture, nullptr);
    EXPECT_EQ(m_list.EntryCount(), 1u);
    m_list.Release(pTexture);
}

}  // namespace
