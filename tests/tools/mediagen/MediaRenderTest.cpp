// The generated flower drawn by the reference device, culled and lit as the
// clock draws it, from the front and from behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <numbers>

#include "ModelRenderer.h"
#include "ModelScene.h"
#include "tools/mediagen/GeneratedMedia.h"

namespace {

struct Counts {
    int m_nIvory = 0, m_nPink = 0, m_nGreen = 0;
};

// Whole picture, or only the box of half-size nHalf round the middle of a 128 x 96 picture.
Counts Classify(const std::vector<DWORD>& pixels, DWORD background, int nHalf = 0) {
    Counts c;
    for (size_t i = 0; i < pixels.size(); ++i) {
        const int x = static_cast<int>(i % 128), y = static_cast<int>(i / 128);
        if (nHalf > 0 && (std::abs(x - 64) > nHalf || std::abs(y - 48) > nHalf)) {
            continue;
        }
        const DWORD p = pixels[i];
        const int r = static_cast<int>((p >> 16) & 0xFF), g = static_cast<int>((p >> 8) & 0xFF),
                  b = static_cast<int>(p & 0xFF);
        const bool bBackground = (p & 0xFFFFFF) == (background & 0xFFFFFF);
        // Pale and nearly grey: the dial (fog greys it a little on black).
        c.m_nIvory += !bBackground && r > 120 && std::abs(r - g) < 30 && std::abs(g - b) < 30;
        c.m_nPink += r > g + 30 && b > g;
        c.m_nGreen += g > r + 5 && g > b + 5;
    }
    return c;
}

}  // namespace

TEST(MediaRender, FlowerShowsItsDialInFrontAndItsCupBehind) {
    ASSERT_FALSE(GeneratedMedia::RunFolder().empty());
    ModelRenderer renderer;
    ASSERT_TRUE(renderer.Create(128, 96, GeneratedMedia::RunFolder() + "/Texture")) << "no reference device";
    ModelScene flower, base, numerals;
    ASSERT_TRUE(base.Load(GeneratedMedia::RunFolder() + "/Model/VelmoranBase07.x"));
    ASSERT_TRUE(numerals.Load(GeneratedMedia::RunFolder() + "/Model/VelmoranMoji01.x"));
    flower.Append(base, Mat4::Identity());
    flower.Append(numerals, Mat4::Identity());
    const std::vector<ViewBatch> batches = flower.Pose(0.0f);
    for (DWORD background : {0xFF000000u, 0xFFFFFFFFu}) {
        std::vector<DWORD> front, back;
        ASSERT_TRUE(renderer.Render(batches, ModelRenderer::Frame(batches, 0.0f, 0.0f), background, front));
        ASSERT_TRUE(
            renderer.Render(batches, ModelRenderer::Frame(batches, std::numbers::pi_v<float>, 0.0f), background, back));
        const Counts f = Classify(front, background), b = Classify(back, background);
        // From the front: pink petals and green leaves, and in the middle the dial.
        EXPECT_GT(f.m_nPink, 300) << std::hex << background;
        EXPECT_GT(f.m_nGreen, 50) << std::hex << background;
        const Counts fMiddle = Classify(front, background, 6), bMiddle = Classify(back, background, 6);
        EXPECT_GT(fMiddle.m_nIvory, 60) << std::hex << background;
        EXPECT_EQ(fMiddle.m_nGreen, 0) << std::hex << background;
        // From behind: the green cup where the dial was.
        EXPECT_GT(bMiddle.m_nGreen, 60) << std::hex << background;
        EXPECT_LT(bMiddle.m_nIvory, 20) << std::hex << background;
        EXPECT_GT(b.m_nPink, 100) << "the petals show from both sides";
    }
}
