#include "platform/d3d/core/FvfLayout.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

TEST(FvfLayoutTest, OffsetsAndStridesOfEveryComponent) {
    // Offsets of 0 mark a component the format does not have.
    struct Case {
        DWORD fvf;
        bool pretransformed;
        UINT stride, weights, indices, normal, diffuse, specular;
        std::vector<std::pair<UINT, UINT>> texCoords;  // offset and dimension of each set
    };
    const Case cases[] = {
        {0x112, false, 32, 0, 0, 12, 0, 0, {{24, 2}}},  // the program's mesh vertex
        {0x142, false, 24, 0, 0, 0, 12, 0, {{16, 2}}},  // particles
        {0x144, true, 28, 0, 0, 0, 16, 0, {{20, 2}}},   // the overlay, pre-transformed
        // Three betas, the last one the packed indices: two weights.
        {D3DFVF_XYZB3 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_TEX1, false, 44, 2, 20, 24, 0, 0, {{36, 2}}},
        {D3DFVF_XYZB1 | D3DFVF_LASTBETA_UBYTE4, false, 16, 0, 12, 0, 0, 0, {}},
        {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2,
         false,
         48,
         0,
         0,
         12,
         24,
         28,
         {{32, 2}, {40, 2}}},
        {D3DFVF_XYZ | D3DFVF_TEX0, false, 12, 0, 0, 0, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.fvf);
        FvfLayout layout;
        ASSERT_TRUE(FvfLayout::Decode(c.fvf, &layout));
        EXPECT_EQ(c.stride, layout.Stride());
        EXPECT_EQ(c.pretransformed, layout.IsPretransformed());
        EXPECT_EQ(c.pretransformed ? 4u : 3u, layout.PositionFloats());
        EXPECT_EQ(c.weights, layout.WeightCount());
        if (c.weights > 0) {
            EXPECT_EQ(12u, layout.WeightOffset());
        }
        EXPECT_EQ(c.indices != 0, layout.HasBlendIndices());
        EXPECT_EQ(c.normal != 0, layout.HasNormal());
        EXPECT_EQ(c.diffuse != 0, layout.HasDiffuse());
        EXPECT_EQ(c.specular != 0, layout.HasSpecular());
        EXPECT_EQ(c.indices, c.indices != 0 ? layout.BlendIndicesOffset() : 0u);
        EXPECT_EQ(c.normal, c.normal != 0 ? layout.NormalOffset() : 0u);
        EXPECT_EQ(c.diffuse, c.diffuse != 0 ? layout.DiffuseOffset() : 0u);
        EXPECT_EQ(c.specular, c.specular != 0 ? layout.SpecularOffset() : 0u);
        ASSERT_EQ(c.texCoords.size(), layout.TexCoordCount());
        for (UINT set = 0; set < c.texCoords.size(); ++set) {
            EXPECT_EQ(c.texCoords[set].first, layout.TexCoordOffset(set)) << "set " << set;
            EXPECT_EQ(c.texCoords[set].second, layout.TexCoordDimension(set)) << "set " << set;
        }
        EXPECT_EQ(0u, layout.TexCoordOffset(static_cast<UINT>(c.texCoords.size())));
    }
}

TEST(FvfLayoutTest, MalformedFormatsAreRefusedAndLeaveTheLayoutAlone) {
    FvfLayout layout;
    ASSERT_TRUE(FvfLayout::Decode(0x142, &layout));
    for (DWORD bad :
         {0u, 0x100u, D3DFVF_XYZ | D3DFVF_RESERVED0, D3DFVF_XYZ | 0x4000u, D3DFVF_XYZ | D3DFVF_LASTBETA_UBYTE4,
          D3DFVF_XYZRHW | D3DFVF_LASTBETA_UBYTE4, D3DFVF_XYZ | 0x900u}) {
        EXPECT_FALSE(FvfLayout::Decode(bad, &layout)) << std::hex << bad;
        EXPECT_EQ(0x142u, layout.Fvf());
        EXPECT_EQ(24u, layout.Stride());
    }
    EXPECT_FALSE(FvfLayout::Decode(0x142, nullptr));
}
