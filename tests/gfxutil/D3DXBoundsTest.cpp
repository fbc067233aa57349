#include "gfxutil/D3DXBounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gfxutil/D3DXBuffer.h"
#include "gfxutil/MeshBytes.h"

namespace {

// The formats the clock draws and skins with.
TEST(D3DXBoundsTest, VertexSizesFollowTheFormatBits) {
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), 32u);      // 0x112
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1), 24u);     // 0x142
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), 28u);  // 0x144
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZB3 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_TEX1),
              12u + 12u + 12u + 8u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZB1), 16u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_NORMAL | D3DFVF_TEX1), 0u);
}

TEST(D3DXBoundsTest, BoxAndSphereOfAStridedVertexArray) {
    const std::vector<Vertex112> vertices = {{-1, -2, -3, 9, 9, 9, 9, 9},
                                             {3, 0, 1, -9, -9, -9, -9, -9},
                                             {1, 4, -1, 0, 0, 0, 0, 0},
                                             {1, 2, 3, 0, 0, 0, 0, 0}};
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
    D3DXVECTOR3 lo, hi;
    ASSERT_EQ(D3DXComputeBoundingBox(vertices.data(), 4, fvf, &lo, &hi), D3D_OK);
    EXPECT_EQ(lo, D3DXVECTOR3(-1, -2, -3));
    EXPECT_EQ(hi, D3DXVECTOR3(3, 4, 3));

    // The mean of the positions.
    D3DXVECTOR3 centre;
    float radius = 0;
    ASSERT_EQ(D3DXComputeBoundingSphere(vertices.data(), 4, fvf, &centre, &radius), D3D_OK);
    EXPECT_FLOAT_EQ(centre.x, 1.0f);
    EXPECT_FLOAT_EQ(centre.y, 1.0f);
    EXPECT_FLOAT_EQ(centre.z, 0.0f);
    // Farthest: (-1, -2, -3) at sqrt(4 + 9 + 9).
    EXPECT_FLOAT_EQ(radius, std::sqrt(22.0f));

    const std::vector<Vertex112> lopsided = {
        {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, {4, 0, 0, 0, 0, 0, 0, 0}};
    ASSERT_EQ(D3DXComputeBoundingSphere(lopsided.data(), 4, fvf, &centre, &radius), D3D_OK);
    EXPECT_FLOAT_EQ(centre.x, 1.0f);  // mean, where the box centre would be 2
    EXPECT_FLOAT_EQ(radius, 3.0f);

    // Only the first count vertices are read.
    ASSERT_EQ(D3DXComputeBoundingBox(vertices.data(), 1, fvf, &lo, &hi), D3D_OK);
    EXPECT_EQ(lo, hi);
}

TEST(D3DXBoundsTest, NoVerticesAreRefused) {
    const float xyz[3] = {1, 2, 3};
    D3DXVECTOR3 lo(7, 7, 7), hi(7, 7, 7);
    float radius = 7;
    EXPECT_EQ(D3DXComputeBoundingBox(xyz, 0, D3DFVF_XYZ, &lo, &hi), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXComputeBoundingSphere(xyz, 0, D3DFVF_XYZ, &lo, &radius), D3DERR_INVALIDCALL);
    EXPECT_EQ(lo, D3DXVECTOR3(7, 7, 7));
    EXPECT_EQ(radius, 7.0f);
}

TEST(D3DXBufferTest, HoldsZeroedBytes) {
    ID3DXBuffer* buffer = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(12, &buffer), S_OK);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->GetBufferSize(), 12u);
    const BYTE* bytes = static_cast<const BYTE*>(buffer->GetBufferPointer());
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(bytes[i], 0);
    }
    EXPECT_EQ(buffer->Release(), 0u);

    ASSERT_EQ(D3DXCreateBuffer(0, &buffer), S_OK);
    EXPECT_EQ(buffer->GetBufferSize(), 0u);
    EXPECT_NE(buffer->GetBufferPointer(), nullptr);
    buffer->Release();
}

}  // namespace
