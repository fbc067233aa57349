// A head-less reference device for render tests: draws into a small back
// buffer and reads presented frames back as 0xAARRGGBB pixels.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "platform/d3d/D3D8.h"

struct RhwColourVertex {
    float x, y, z, rhw;
    DWORD colour;
};
constexpr DWORD kRhwColourFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

struct RhwTexVertex {
    float x, y, z, rhw;
    DWORD colour;
    float u, v;
};
constexpr DWORD kRhwTexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct ColourVertex {
    float x, y, z;
    DWORD colour;
};
constexpr DWORD kColourFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

struct Rgb {
    int r, g, b;
};

// Channels of a pixel against expected 0..255 values, each within tolerance.
::testing::AssertionResult ColourNear(DWORD actual, Rgb expected, int tolerance);
Rgb ToRgb(DWORD pixel);

// A float render state value (fog start and end) as SetRenderState takes it.
inline DWORD FloatBits(float value) {
    return std::bit_cast<DWORD>(value);
}

D3DMATRIX IdentityMatrix();
D3DMATRIX TranslationMatrix(float x, float y, float z);
// Left-handed perspective projection (depth 0 at zn, 1 at zf).
D3DMATRIX PerspectiveMatrix(float fovY, float aspect, float zn, float zf);

class RenderFixture : public ::testing::Test {
protected:
    static constexpr UINT kWidth = 64;
    static constexpr UINT kHeight = 64;

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // A REF device of the given size with a 16-bit depth buffer.
    static IDirect3DDevice8* CreateRefDevice(UINT width, UINT height, HWND window = nullptr);

    // Presents and reads the front buffer of `device` (the fixture's by default).
    std::vector<DWORD> Frame(IDirect3DDevice8* device = nullptr, UINT width = kWidth, UINT height = kHeight);
    static DWORD At(const std::vector<DWORD>& frame, UINT x, UINT y, UINT width = kWidth) {
        return frame[y * width + x];
    }

    void DrawRhwQuad(float x0, float y0, float x1, float y1, float z, DWORD colour);
    void DrawRhwTriangle(const RhwColourVertex (&vertices)[3]);
    // A quad in the XY plane at depth z, with the current transforms.
    void DrawQuad(float x0, float y0, float x1, float y1, float z, DWORD colour);
    // Turns off what would change a plain coloured draw.
    void PlainStates();

    static IDirect3D8* s_pDirect3D;
    IDirect3DDevice8* m_pDevice = nullptr;
};
