// The generated tree as files: presence, sizes and layouts, determinism, the
// settings rule, texture cell layouts and the alarm sounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "MediaGenerator.h"
#include "gfxutil/DdsImage.h"
#include "tools/mediagen/GeneratedMedia.h"

namespace {

std::uint32_t Dword(const std::string& bytes, size_t offset) {
    std::uint32_t d = 0;
    std::memcpy(&d, bytes.data() + offset, 4);
    return d;
}

std::uint16_t Word(const std::string& bytes, size_t offset) {
    std::uint16_t w = 0;
    std::memcpy(&w, bytes.data() + offset, 2);
    return w;
}

std::uint32_t BigEndian(const std::string& bytes, size_t offset) {
    std::uint32_t d = 0;
    for (int i = 0; i < 4; ++i) {
        d = d << 8 | static_cast<std::uint8_t>(bytes[offset + i]);
    }
    return d;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

struct Texture {
    DdsImage m_image;
    std::vector<DWORD> m_argb;
    int m_nWidth = 0, m_nHeight = 0;

    int Alpha(int x, int y) const { return static_cast<int>(m_argb[static_cast<size_t>(y) * m_nWidth + x] >> 24); }
    int Channel(int x, int y, int nShift) const {
        return static_cast<int>((m_argb[static_cast<size_t>(y) * m_nWidth + x] >> nShift) & 0xFF);
    }
};

::testing::AssertionResult LoadTexture(const std::string& szName, Texture& texture) {
    const std::string bytes = GeneratedMedia::Read("Texture/" + szName);
    if (texture.m_image.Parse(bytes.data(), bytes.size()) != S_OK) {
        return ::testing::AssertionFailure() << szName << " does not decode";
    }
    texture.m_image.DecodeLevel(0, texture.m_argb);
    texture.m_nWidth = static_cast<int>(texture.m_image.GetWidth());
    texture.m_nHeight = static_cast<int>(texture.m_image.GetHeight());
    return ::testing::AssertionSuccess();
}

// Ink: texels drawn with more than a trace of alpha.
constexpr int kInk = 8;

// Checks a sheet of cells: cells listed as used hold ink, the others none, and
// no ink touches a cell's edge (it would bleed into the neighbour when drawn).
void ExpectCells(const Texture& t, int nColumns, int nRows, int nUsed) {
    const float fCellW = static_cast<float>(t.m_nWidth) / static_cast<float>(nColumns);
    const float fCellH = static_cast<float>(t.m_nHeight) / static_cast<float>(nRows);
    std::vector<int> inkPerCell(static_cast<size_t>(nColumns) * nRows, 0);
    int nEdgeInk = 0;
    for (int y = 0; y < t.m_nHeight; ++y) {
        for (int x = 0; x < t.m_nWidth; ++x) {
            if (t.Alpha(x, y) <= kInk) {
                continue;
            }
            const float fx = (static_cast<float>(x) + 0.5f) / fCellW, fy = (static_cast<float>(y) + 0.5f) / fCellH;
            const int c = static_cast<int>(fx), r = static_cast<int>(fy);
            ++inkPerCell[static_cast<size_t>(r) * nColumns + c];
            const float fMarginX = std::min(fx - static_cast<float>(c), static_cast<float>(c + 1) - fx) * fCellW;
            const float fMarginY = std::min(fy - static_cast<float>(r), static_cast<float>(r + 1) - fy) * fCellH;
            if (std::min(fMarginX, fMarginY) < 1.0f) {
                ++nEdgeInk;
            }
        }
    }
    EXPECT_EQ(nEdgeInk, 0) << "texels with ink on a cell edge";
    for (int cell = 0; cell < nColumns * nRows; ++cell) {
        if (cell < nUsed) {
            EXPECT_GT(inkPerCell[cell], 100) << "cell " << cell << " is empty";
        } else {
            EXPECT_EQ(inkPerCell[cell], 0) << "unused cell " << cell << " has ink";
        }
    }
}

}  // namespace

TEST(MediaFiles, GeneratingTwiceGivesIdenticalBytes) {
    ASSERT_FALSE(GeneratedMedia::RunFolder().empty());
    const std::string szAgain = GeneratedMedia::FreshFolder("again");
    MediaGenerator generator;
    ASSERT_TRUE(generator.Generate(szAgain, "")) << generator.Error();
    int nCompared = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(GeneratedMedia::RunFolder())) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const auto relative = std::filesystem::relative(entry.path(), GeneratedMedia::RunFolder());
        EXPECT_EQ(ReadFile(entry.path()), ReadFile(std::filesystem::path(szAgain) / relative)) << relative;
        ++nCompared;
    }
    EXPECT_EQ(nCompared, 27);
}

TEST(MediaFiles, SettingsFileIsWrittenOnlyWhenAbsent) {
    EXPECT_EQ(GeneratedMedia::Read("Misc/VelmoranFlags.vmf"), std::string("\x14\0\0\0", 4));
    const std::string szFresh = GeneratedMedia::FreshFolder("settings-fresh");
    MediaGenerator generator;
    ASSERT_TRUE(generator.Generate(szFresh, ""));
    EXPECT_EQ(ReadFile(szFresh + "/Misc/VelmoranFlags.vmf"), std::string("\x14\0\0\0", 4));

    // A user's choices (framed view, white background) survive a rebuild.
    const std::string szUser = GeneratedMedia::FreshFolder("settings-user");
    std::filesystem::create_directories(szUser + "/Misc");
    std::ofstream(szUser + "/Misc/VelmoranFlags.vmf", std::ios::binary) << std::string("\x0A\0\0\0", 4);
    ASSERT_TRUE(generator.Generate(szUser, ""));
    EXPECT_EQ(ReadFile(szUser + "/Misc/VelmoranFlags.vmf"), std::string("\x0A\0\0\0", 4));
}

TEST(MediaFiles, PositionAndPathFilesHaveTheirLayouts) {
    for (const char* szFile : {"Misc/Clock.vps", "Misc/Clock.bps"}) {
        const std::string bytes = GeneratedMedia::Read(szFile);
        ASSERT_GE(bytes.size(), 4u);
        const std::uint32_t n = Dword(bytes, 0);
        EXPECT_GT(n, 0u) << szFile;
        EXPECT_EQ(bytes.size(), 4u + 64u * n) << szFile;
        for (std::uint32_t i = 0; i < n; ++i) {
            float m[16];
            std::memcpy(m, bytes.data() + 4 + 64 * i, sizeof(m));
            EXPECT_FLOAT_EQ(m[15], 1.0f) << szFile << " record " << i;
            EXPECT_FLOAT_EQ(m[3], 0.0f);
        }
    }
    const std::string path = GeneratedMedia::Read("Misc/Clock.fpp");
    ASSERT_GE(path.size(), 4u);
    const std::uint32_t n = Dword(path, 0);
    EXPECT_GE(n, 4u);
    EXPECT_EQ(path.size(), 4u + 20u * n);
}

TEST(MediaFiles, SceneTexturesArePowersOfTwoWithMipLevels) {
    const char* const scene[] = {"VelmoranDial01.dds",    "VelmoranPetal01.dds", "VelmoranLeaf01.dds",
                                 "VelmoranMoji01.dds",    "BlueBird01.dds",      "ParticleBubble01.dds",
                                 "ParticleTrailPC01.dds", "RibonTex01.dds"};
    bool bDxt1 = false, bDxt5 = false;
    for (const char* szName : scene) {
        Texture t;
        ASSERT_TRUE(LoadTexture(szName, t));
        EXPECT_EQ(t.m_nWidth & (t.m_nWidth - 1), 0) << szName;
        EXPECT_EQ(t.m_nHeight & (t.m_nHeight - 1), 0) << szName;
        EXPECT_EQ(t.m_image.GetFileLevelCount(), DdsImage::FullChainLength(t.m_image.GetWidth(), t.m_image.GetHeight()))
            << szName;
        bDxt1 = bDxt1 || t.m_image.GetFormat() == D3DFMT_DXT1;
        bDxt5 = bDxt5 || t.m_image.GetFormat() == D3DFMT_DXT5;
    }
    EXPECT_TRUE(bDxt1);
    EXPECT_TRUE(bDxt5);
}

TEST(MediaFiles, OverlaySheetsKeepTheirCellLayouts) {
    Texture digits, buttons, timer;
    ASSERT_TRUE(LoadTexture("SpriteDigital01.dds", digits));
    ASSERT_TRUE(LoadTexture("Bottun.dds", buttons));
    ASSERT_TRUE(LoadTexture("BottunTimer01.dds", timer));
    ExpectCells(digits, 4, 3, 10);
    ExpectCells(buttons, 2, 2, 4);
    ExpectCells(timer, 2, 2, 4);

    // Ten different digits: every pair of cells differs in many texels.
    auto cellAlpha = [&](int d, int x, int y) {
        const int cx = (d % 4) * 64, cy = static_cast<int>(static_cast<float>(d / 4) * 256.0f / 3.0f);
        return digits.Alpha(cx + x, cy + y);
    };
    for (int a = 0; a < 10; ++a) {
        for (int b = a + 1; b < 10; ++b) {
            int nDiffer = 0;
            for (int y = 0; y < 85; ++y) {
                for (int x = 0; x < 64; ++x) {
                    nDiffer += std::abs(cellAlpha(a, x, y) - cellAlpha(b, x, y)) > 128;
                }
            }
            EXPECT_GT(nDiffer, 40) << "digits " << a << " and " << b;
        }
    }
    // The buttons' glyphs are white on their badges.
    for (int cell = 0; cell < 4; ++cell) {
        int nWhite = 0;
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 128; ++x) {
                const int px = (cell % 2) * 128 + x, py = (cell / 2) * 128 + y;
                nWhite +=
                    timer.Alpha(px, py) > 240 && timer.Channel(px, py, 16) > 240 && timer.Channel(px, py, 0) > 240;
            }
        }
        EXPECT_GT(nWhite, 150) << "timer button cell " << cell;
    }
}

TEST(MediaFiles, PanelAndBorderShowWhereTheyAreDrawn) {
    Texture panel, border;
    ASSERT_TRUE(LoadTexture("Frame01.dds", panel));
    ASSERT_TRUE(LoadTexture("MainFrame01.dds", border));
    EXPECT_GT(panel.Alpha(64, 64), 128);
    EXPECT_LT(panel.Alpha(64, 64), 250) << "the panel is translucent";
    EXPECT_EQ(panel.Alpha(0, 0), 0) << "rounded corners";
    // Only the outer tenth of the border texture is ever shown: it is opaque.
    const int nBand = border.m_nWidth / 10;
    for (int i = 0; i < border.m_nWidth; i += 7) {
        for (int d = 0; d < nBand; d += 3) {
            EXPECT_EQ(border.Alpha(i, d), 255);
            EXPECT_EQ(border.Alpha(d, i), 255);
            EXPECT_EQ(border.Alpha(i, border.m_nHeight - 1 - d), 255);
            EXPECT_EQ(border.Alpha(border.m_nWidth - 1 - d, i), 255);
        }
    }
}

TEST(MediaFiles, ParticleTexturesAreSoftAndFitTheParticleTriangle) {
    // Particles are triangles with texture coordinates (0,1), (0.5,0), (1,1).
    for (const char* szName : {"ParticleBubble01.dds", "ParticleTrailPC01.dds"}) {
        Texture t;
        ASSERT_TRUE(LoadTexture(szName, t));
        int nOutside = 0, nSoft = 0, nInk = 0;
        for (int y = 0; y < t.m_nHeight; ++y) {
            for (int x = 0; x < t.m_nWidth; ++x) {
                const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(t.m_nWidth);
                const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(t.m_nHeight);
                const int a = t.Alpha(x, y);
                nInk += a > kInk;
                nSoft += a > 40 && a < 200;
                // Inside: below both slanted edges (v >= 2|u - 0.5|).
                nOutside += a > kInk && v + 0.02f < 2.0f * std::fabs(u - 0.5f);
            }
        }
        EXPECT_GT(nInk, 200) << szName;
        EXPECT_GT(nSoft, 50) << szName << " has no soft edge";
        EXPECT_EQ(nOutside, 0) << szName << " draws outside the particle triangle";
    }
    Texture ribbon;
    ASSERT_TRUE(LoadTexture("RibonTex01.dds", ribbon));
    EXPECT_LT(ribbon.Alpha(10, 0), 16);
    EXPECT_LT(ribbon.Alpha(10, ribbon.m_nHeight - 1), 16);
    EXPECT_GT(ribbon.Alpha(10, ribbon.m_nHeight / 2), 200);
}

TEST(MediaFiles, AlarmSoundsAreWellFormed) {
    const std::string wav = GeneratedMedia::Read("Sound/AlarmSound.wav");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(Dword(wav, 4), wav.size() - 8);
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Word(wav, 20), 1);  // PCM
    EXPECT_EQ(Word(wav, 22), 1);  // mono
    const std::uint32_t dwRate = Dword(wav, 24);
    EXPECT_TRUE(dwRate == 22050 || dwRate == 44100);
    EXPECT_EQ(Word(wav, 34), 16);
    EXPECT_EQ(wav.substr(36, 4), "data");
    const std::uint32_t dwData = Dword(wav, 40);
    EXPECT_EQ(dwData, wav.size() - 44);
    const double fSeconds = static_cast<double>(dwData) / 2.0 / dwRate;
    EXPECT_GT(fSeconds, 1.5);
    EXPECT_LT(fSeconds, 3.0);
    int nPeak = 0;
    for (size_t i = 44; i + 1 < wav.size(); i += 2) {
        nPeak = std::max(nPeak, std::abs(static_cast<int>(static_cast<std::int16_t>(Word(wav, i)))));
    }
    EXPECT_GT(nPeak, 16000) << "audible";
    EXPECT_LT(nPeak, 32767) << "not clipped";
    // It ends in silence, so the repeats join without a click.
    EXPECT_LT(std::abs(static_cast<int>(static_cast<std::int16_t>(Word(wav, wav.size() - 2)))), 64);

    // The MIDI alarm goes to the test data only: the default run plays the WAV.
    EXPECT_FALSE(std::filesystem::exists(GeneratedMedia::RunFolder() + "/Sound/AlarmSound.mid"));
    const std::string mid = ReadFile(GeneratedMedia::TestDataFolder() + "/AlarmSound.mid");
    ASSERT_GT(mid.size(), 22u);
    EXPECT_EQ(mid.substr(0, 4), "MThd");
    EXPECT_EQ(BigEndian(mid, 4), 6u);
    EXPECT_EQ(mid[8], 0);
    EXPECT_EQ(mid[9], 0) << "format 0";
    EXPECT_EQ(mid[11], 1) << "one track";
    EXPECT_EQ(mid.substr(14, 4), "MTrk");
    EXPECT_EQ(BigEndian(mid, 18), mid.size() - 22);
    EXPECT_EQ(mid.substr(mid.size() - 3), std::string("\xFF\x2F\x00", 3));
}
