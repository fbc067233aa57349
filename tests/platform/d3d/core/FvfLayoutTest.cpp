#include "platform/d3d/core/FvfLayout.h"

#include <gtest/gtest.h>

namespace {

FvfLayout Decoded(DWORD fvf) {
    FvfLayout layout;
    EXPECT_TRUE(FvfLayout::Decode(fvf, &layout)) << std::hex << fvf;
    return layout;
}

}  // namespace

TEST(FvfLayoutTest, ProgramVertexFormatsHaveTheirPublishedSizes) {
    // Mesh vertex: position, normal, one coordinate pair.
    const FvfLayout mesh = Decoded(0x112);
    EXPECT_EQ(32u, mesh.Stride());
    EXPECT_TRUE(mesh.HasNormal());
    EXPECT_EQ(12u, mesh.NormalOffset());
    EXPECT_FALSE(mesh.HasDiffuse());
    ASSERT_EQ(1u, mesh.TexCoordCount());
    EXPECT_EQ(24u, mesh.TexCoordOffset(0));
    EXPECT_EQ(2u, mesh.TexCoordDimension(0));
    EXPECT_EQ(0u, mesh.WeightCount());

    // Particle vertex: 24 bytes.
    const FvfLayout bubble = Decoded(0x142);
    EXPECT_EQ(24u, bubble.Stride());
    EXPECT_FALSE(bubble.IsPretransformed());
    EXPECT_EQ(12u, bubble.DiffuseOffset());
    EXPECT_EQ(16u, bubble.TexCoordOffset(0));

    // Overlay vertex: pre-transformed, 28 bytes.
    const FvfLayout overlay = Decoded(0x144);
    EXPECT_EQ(28u, overlay.Stride());
    EXPECT_TRUE(overlay.IsPretransformed());
    EXPECT_EQ(4u, overlay.PositionFloats());
    EXPECT_EQ(16u, overlay.DiffuseOffset());
    EXPECT_EQ(20u, overlay.TexCoordOffset(0));
}

TEST(FvfLayoutTest, BlendWeightsAndPackedIndices) {
    // Three betas, the last one the packed indices: two weights.
    const FvfLayout skinned = Decoded(D3DFVF_XYZB3 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_TEX1);
    EXPECT_EQ(2u, skinned.WeightCount());
    EXPECT_EQ(12u, skinned.WeightOffset());
    EXPECT_TRUE(skinned.HasBlendIndices());
    EXPECT_EQ(20u, skinned.BlendIndicesOffset());
    EXPECT_EQ(24u, skinned.NormalOffset());
    EXPECT_EQ(36u, skinned.TexCoordOffset(0));
    EXPECT_EQ(44u, skinned.Stride());

    const FvfLayout indicesOnly = Decoded(D3DFVF_XYZB1 | D3DFVF_LASTBETA_UBYTE4);
    EXPECT_EQ(0u, indicesOnly.WeightCount());
    EXPECT_TRUE(indicesOnly.HasBlendIndices());
    EXPECT_EQ(12u, indicesOnly.BlendIndicesOffset());
    EXPECT_EQ(16u, indicesOnly.Stride());

    const FvfLayout weightsOnly = Decoded(D3DFVF_XYZB2 | D3DFVF_NORMAL);
    EXPECT_EQ(2u, weightsOnly.WeightCount());
    EXPECT_FALSE(weightsOnly.HasBlendIndices());
    EXPECT_EQ(20u, weightsOnly.NormalOffset());
    EXPECT_EQ(32u, weightsOnly.Stride());

    const FvfLayout five = Decoded(D3DFVF_XYZB5);
    EXPECT_EQ(5u, five.WeightCount());
    EXPECT_EQ(32u, five.Stride());
}

TEST(FvfLayoutTest, ColoursAndSeveralCoordinateSets) {
    const FvfLayout layout = Decoded(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2);
    EXPECT_EQ(24u, layout.DiffuseOffset());
    EXPECT_EQ(28u, layout.SpecularOffset());
    ASSERT_EQ(2u, layout.TexCoordCount());
    EXPECT_EQ(32u, layout.TexCoordOffset(0));
    EXPECT_EQ(40u, layout.TexCoordOffset(1));
    EXPECT_EQ(48u, layout.Stride());
    EXPECT_EQ(0u, layout.TexCoordOffset(2));

    // Coordinate set 1 with three floats (size code 1 at bits 18-19).
    const FvfLayout sized = Decoded(D3DFVF_XYZ | D3DFVF_TEX2 | (1u << 18));
    EXPECT_EQ(2u, sized.TexCoordDimension(0));
    EXPECT_EQ(3u, sized.TexCoordDimension(1));
    EXPECT_EQ(12u + 8u + 12u, sized.Stride());

    const FvfLayout bare = Decoded(D3DFVF_XYZ | D3DFVF_TEX0);
    EXPECT_EQ(12u, bare.Stride());
    EXPECT_EQ(0u, bare.TexCoordCount());
}

TEST(FvfLayoutTest, MalformedFormatsAreRefusedAndLeaveTheLayoutAlone) {
    FvfLayout layout = Decoded(0x142);
    for (DWORD bad :
         {0u, 0x100u, D3DFVF_XYZ | D3DFVF_RESERVED0, D3DFVF_XYZ | 0x4000u, D3DFVF_XYZ | D3DFVF_LASTBETA_UBYTE4,
          D3DFVF_XYZRHW | D3DFVF_LASTBETA_UBYTE4, D3DFVF_XYZ | 0x900u}) {
        EXPECT_FALSE(FvfLayout::Decode(bad, &layout)) << std::hex << bad;
        EXPECT_EQ(0x142u, layout.Fvf());
        EXPECT_EQ(24u, layout.Stride());
    }
    EXPECT_FALSE(FvfLayout::Decode(0x142, nullptr));
}
