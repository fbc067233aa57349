// The generated tree as files: determinism, the settings rule, textures as the
// user sees them (cell layouts, soft particles, the opaque border band) and
// the alarm sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "MediaGenerator.h"
#include "gfxutil/DdsImage.h"
#include "overlay/Flags.h"
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

// The program's own default word, and a user's choices (framed view, white
// background) survive a rebuild.
TEST(MediaFiles, SettingsFileIsWrittenOnlyWhenAbsent) {
    const std::uint32_t dwDefault = kDefaultFlagsWord;
    EXPECT_EQ(GeneratedMedia::Read("Misc/VelmoranFlags.vmf"),
              std::string(reinterpret_cast<const char*>(&dwDefault), 4));
    const std::string szUser = GeneratedMedia::FreshFolder("settings-user");
    std::filesystem::create_directories(szUser + "/Misc");
    std::ofstream(szUser + "/Misc/VelmoranFlags.vmf", std::ios::binary) << std::string("\x0A\0\0\0", 4);
    MediaGenerator generator;
    ASSERT_TRUE(generator.Generate(szUser, ""));
    EXPECT_EQ(ReadFile(szUser + "/Misc/VelmoranFlags.vmf"), std::string("\x0A\0\0\0", 4));
}

TEST(MediaFiles, SceneTexturesArePowersOfTwoWithMipLevels) {
    const char* const scene[] = {"VelmoranDial01.dds",    "VelmoranPetal01.dds", "VelmoranLeaf01.dds",
                                 "VelmoranMoji01.dds",    "BlueBird01.dds",      "ParticleBubble01.dds",
                                 "ParticleTrailPC01.dds", "RibonTex01.dds"};
    for (const char* szName : scene) {
        Texture t;
        ASSERT_TRUE(LoadTexture(szName, t));
        EXPECT_EQ(t.m_nWidth & (t.m_nWidth - 1), 0) << szName;
        EXPECT_EQ(t.m_nHeight & (t.m_nHeight - 1), 0) << szName;
        EXPECT_EQ(t.m_image.GetFileLevelCount(), DdsImage::FullChainLength(t.m_image.GetWidth(), t.m_image.GetHeight()))
            << szName;
    }
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

// The chime: long enough to hear, loud but not clipped, ending in silence so
// the repeats join without a click. The MIDI alarm goes to the test data
// only: the default run plays the chime.
TEST(MediaFiles, AlarmChimeIsAudibleUnclippedAndEndsInSilence) {
    const std::string wav = GeneratedMedia::Read("Sound/AlarmSound.wav");
    ASSERT_GT(wav.size(), 44u);
    ASSERT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(Dword(wav, 40), wav.size() - 44) << "the data chunk holds the rest of the file";
    const double fSeconds = static_cast<double>(wav.size() - 44) / 2.0 / Dword(wav, 24);
    EXPECT_GT(fSeconds, 1.5);
    EXPECT_LT(fSeconds, 3.0);
    int nPeak = 0;
    for (size_t i = 44; i + 1 < wav.size(); i += 2) {
        nPeak = std::max(nPeak, std::abs(static_cast<int>(static_cast<std::int16_t>(Word(wav, i)))));
    }
    EXPECT_GT(nPeak, 16000) << "audible";
    EXPECT_LT(nPeak, 32767) << "not clipped";
    EXPECT_LT(std::abs(static_cast<int>(static_cast<std::int16_t>(Word(wav, wav.size() - 2)))), 64);
    EXPECT_FALSE(std::filesystem::exists(GeneratedMedia::RunFolder() + "/Sound/AlarmSound.mid"));
    EXPECT_FALSE(ReadFile(GeneratedMedia::TestDataFolder() + "/AlarmSound.mid").empty());
}
