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

TEST_F(TexListTest, SamePathSharesOneTextureUntilTheLastReleaseInAnyOrder) {
    const std::string a = Texture("a.dds");
    const std::string b = Texture("b.dds");
    const std::string doubled = m_cwd.Path() + "//b.dds";
    IDirect3DTexture8* pFirst = m_list.Load(m_pDevice, a.c_str());
    IDirect3DTexture8* pSecond = m_list.Load(m_pDevice, a.c_str());
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(pFirst, pSecond);
    IDirect3DTexture8* pB = m_list.Load(m_pDevice, b.c_str());
    IDirect3DTexture8* pDoubled = m_list.Load(m_pDevice, doubled.c_str());
    EXPECT_NE(pB, pDoubled) << "the same file under another spelling is another entry";
    EXPECT_EQ(m_list.EntryCount(), 3u);

    // Unknown and null textures change nothing; then a middle entry goes, the
    // head and the last: every link is mended.
    m_list.Release(nullptr);
    m_list.Release(reinterpret_cast<IDirect3DTexture8*>(&m_list));
    m_list.Release(pDoubled);
    m_list.Release(pFirst);
    EXPECT_EQ(m_list.CountOf(a.c_str()), 1u);
    EXPECT_EQ(m_list.EntryCount(), 2u);
    m_list.Release(pSecond);
    EXPECT_EQ(m_list.CountOf(b.c_str()), 1u);
    m_list.Release(pB);
    EXPECT_EQ(m_list.EntryCount(), 0u);
}

TEST_F(TexListTest, FailedLoadsAreReportedAndTriedAgainNextTime) {
    DebugCapture debug;
    MessageBoxCapture boxes;
    const std::string path = m_cwd.File("late.dds");
    EXPECT_EQ(m_list.Load(m_pDevice, path.c_str()), nullptr);
    EXPECT_TRUE(debug.Contains("failed to load texture..." + path));
    // A path too long for the file system's limit fails the same way.
    const std::string overlong = m_cwd.Path() + "/" + std::string(300, 'x') + ".dds";
    EXPECT_EQ(m_list.Load(m_pDevice, overlong.c_str()), nullptr);
    EXPECT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(m_list.EntryCount(), 0u);

    Texture("late.dds");
    IDirect3DTexture8* pTexture = m_list.Load(m_pDevice, path.c_str());
    EXPECT_NE(pTexture, nullptr);
    EXPECT_EQ(m_list.EntryCount(), 1u);
    m_list.Release(pTexture);
}

}  // namespace
