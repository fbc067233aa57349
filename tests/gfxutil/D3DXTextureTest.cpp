#include "gfxutil/D3DXTexture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "gfxutil/D3DXTypes.h"
#include "support/DdsTestFiles.h"
#include "support/RecordingDeviceTest.h"

namespace {

class D3DXTextureTest : public RecordingDeviceTest {
protected:
    void SetUp() override {
        RecordingDeviceTest::SetUp();
        // The process id keeps parallel test processes apart; heap addresses repeat between them.
        m_folder = std::filesystem::path(::testing::TempDir()) / ("gfxutil_tex_" + std::to_string(getpid()));
        std::filesystem::create_directories(m_folder / "Texture");
    }
    void TearDown() override {
        std::filesystem::remove_all(m_folder);
        RecordingDeviceTest::TearDown();
    }

    // Writes the file under Texture/ and gives the path as the program spells it.
    std::string Place(const std::string& name, const std::vector<BYTE>& bytes) {
        WriteFile((m_folder / "Texture" / name).string(), bytes);
        return m_folder.string() + "\\Texture\\" + name;
    }

    static std::vector<BYTE> LevelBytes(IDirect3DTexture8* texture, UINT level, size_t size) {
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        std::vector<BYTE> out(size);
        std::memcpy(out.data(), locked.pBits, size);
        texture->UnlockRect(level);
        return out;
    }

    std::filesystem::path m_folder;
};

TEST_F(D3DXTextureTest, ManagedTextureWithTheFilesFormatAndAFullChain) {
    std::vector<BYTE> payload;
    for (DWORD i = 0; i < 8 * 4; ++i) {
        AppendPixel(payload, 0xFF000000 | (i * 0x070301), 4);
    }
    Place("Stripes.dds", BuildDds(ArgbLayout(8, 4), payload));
    // Names match without regard to letter case.
    const std::string path = m_folder.string() + "\\Texture\\STRIPES.DDS";
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(m_pDevice, path.c_str(), &texture), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 4u);  // 8x4, 4x2, 2x1, 1x1
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Height, 4u);
    EXPECT_EQ(LevelBytes(texture, 0, payload.size()), payload);
    ASSERT_EQ(texture->GetLevelDesc(3, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 1u);
    texture->Release();
}

TEST_F(D3DXTextureTest, CompressedOddSizedFilesKeepTheirBlocks) {
    std::vector<BYTE> payload;
    for (int block = 0; block < 3; ++block) {  // 12 x 3: three blocks in one row
        const BYTE bytes[8] = {0x00, 0xF8, 0x1F, 0x00, static_cast<BYTE>(block), 0x1B, 0x4E, 0x93};
        payload.insert(payload.end(), bytes, bytes + 8);
    }
    const std::string path = Place("Odd.dds", BuildDds(DxtLayout(12, 3, '1'), payload));
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(m_pDevice, path.c_str(), &texture), D3D_OK);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_DXT1);
    EXPECT_EQ(desc.Width, 12u);
    EXPECT_EQ(desc.Height, 3u);
    EXPECT_EQ(texture->GetLevelCount(), 4u);  // 12x3, 6x1, 3x1, 1x1
    EXPECT_EQ(LevelBytes(texture, 0, payload.size()), payload);
    texture->Release();
}

TEST_F(D3DXTextureTest, FailuresLeaveNoTexture) {
    IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(this);
    const std::string missing = m_folder.string() + "\\Texture\\Missing.dds";
    EXPECT_EQ(D3DXCreateTextureFromFileA(m_pDevice, missing.c_str(), &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);

    const std::string empty = Place("Empty.dds", {});
    EXPECT_EQ(D3DXCreateTextureFromFileA(m_pDevice, empty.c_str(), &texture), D3DXERR_INVALIDDATA);
    std::vector<BYTE> truncated = BuildDds(ArgbLayout(4, 4), std::vector<BYTE>(63, 0));
    const std::string shortFile = Place("Short.dds", truncated);
    EXPECT_EQ(D3DXCreateTextureFromFileA(m_pDevice, shortFile.c_str(), &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);

    // Larger than the device's textures: the device's refusal is passed on.
    D3DCAPS8 caps{};
    m_pDevice->GetDeviceCaps(&caps);
    std::vector<BYTE> wide = BuildDds(ArgbLayout(caps.MaxTextureWidth * 2, 1),
                                      std::vector<BYTE>(static_cast<size_t>(caps.MaxTextureWidth) * 8, 0));
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(m_pDevice, wide.data(), static_cast<UINT>(wide.size()), &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
}

}  // namespace
