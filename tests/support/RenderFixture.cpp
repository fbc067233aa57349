#include "support/RenderFixture.h"

#include <SDL.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "support/PresentParameters.h"

IDirect3D8* RenderFixture::s_pDirect3D = nullptr;

namespace {

// The tests make and destroy many GL windows. SDL loads the GL library with
// the first and unloads it with the last, and the driver does not free all
// it allocated when unloaded; keeping one load for the whole run means it
// is loaded once, and the leak checker sees only this program's memory.
//
// The driver also compiles programs into an on-disk cache from a thread of
// its own; at exit that thread can crash the leak checker's scan, and tests
// should leave nothing in the home folder anyway, so the cache is off.
class GlLibraryEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
            SDL_GL_LoadLibrary(nullptr);
        }
    }
};

const ::testing::Environment* const g_pGlLibrary = ::testing::AddGlobalTestEnvironment(new GlLibraryEnvironment);

}  // namespace

::testing::AssertionResult ColourNear(DWORD actual, Rgb expected, int tolerance) {
    const Rgb got = ToRgb(actual);
    if (std::abs(got.r - expected.r) <= tolerance && std::abs(got.g - expected.g) <= tolerance &&
        std::abs(got.b - expected.b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "pixel (" << got.r << ", " << got.g << ", " << got.b << ") expected ("
                                         << expected.r << ", " << expected.g << ", " << expected.b << ") within "
                                         << tolerance;
}

Rgb ToRgb(DWORD pixel) {
    return Rgb{static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
               static_cast<int>(pixel & 0xFF)};
}

D3DMATRIX IdentityMatrix() {
    D3DMATRIX m = {};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

D3DMATRIX TranslationMatrix(float x, float y, float z) {
    D3DMATRIX m = IdentityMatrix();
    m._41 = x;
    m._42 = y;
    m._43 = z;
    return m;
}

D3DMATRIX PerspectiveMatrix(float fovY, float aspect, float zn, float zf) {
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    D3DMATRIX m = {};
    m._11 = yScale / aspect;
    m._22 = yScale;
    m._33 = zf / (zf - zn);
    m._34 = 1.0f;
    m._43 = -zn * zf / (zf - zn);
    return m;
}

void RenderFixture::SetUpTestSuite() {
    s_pDirect3D = Direct3DCreate8(D3D_SDK_VERSION);
}

void RenderFixture::TearDownTestSuite() {
    if (s_pDirect3D != nullptr) {
        s_pDirect3D->Release();
        s_pDirect3D = nullptr;
    }
}

IDirect3DDevice8* RenderFixture::CreateRefDevice(UINT width, UINT height, HWND window) {
    if (s_pDirect3D == nullptr) {
        return nullptr;
    }
    D3DPRESENT_PARAMETERS parameters = WindowedParameters(width, height, true, window);
    IDirect3DDevice8* device = nullptr;
    if (FAILED(s_pDirect3D->CreateDevice(0, D3DDEVTYPE_REF, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters,
                                         &device))) {
        return nullptr;
    }
    return device;
}

void RenderFixture::SetUp() {
    ASSERT_NE(s_pDirect3D, nullptr);
    m_pDevice = CreateRefDevice(kWidth, kHeight);
    ASSERT_NE(m_pDevice, nullptr) << "no software GL context for the reference device";
}

void RenderFixture::TearDown() {
    if (m_pDevice != nullptr) {
        EXPECT_EQ(m_pDevice->Release(), 0u) << "the test leaked a device reference";
        m_pDevice = nullptr;
    }
}

std::vector<DWORD> RenderFixture::Frame(IDirect3DDevice8* device, UINT width, UINT height) {
    if (device == nullptr) {
        device = m_pDevice;
    }
    std::vector<DWORD> pixels(static_cast<std::size_t>(width) * height, 0);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    IDirect3DSurface8* surface = nullptr;
    EXPECT_EQ(device->CreateImageSurface(width, height, D3DFMT_A8R8G8B8, &surface), D3D_OK);
    if (surface == nullptr) {
        return pixels;
    }
    EXPECT_EQ(device->GetFrontBuffer(surface), D3D_OK);
    D3DLOCKED_RECT locked = {};
    EXPECT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (UINT y = 0; y < height && locked.pBits != nullptr; ++y) {
        std::memcpy(&pixels[static_cast<std::size_t>(y) * width], static_cast<BYTE*>(locked.pBits) + y * locked.Pitch,
                    width * 4);
    }
    surface->UnlockRect();
    surface->Release();
    return pixels;
}

void RenderFixture::DrawRhwQuad(float x0, float y0, float x1, float y1, float z, DWORD colour) {
    const RhwColourVertex quad[4] = {
        {x0, y0, z, 1.0f, colour}, {x1, y0, z, 1.0f, colour}, {x0, y1, z, 1.0f, colour}, {x1, y1, z, 1.0f, colour}};
    ASSERT_EQ(m_pDevice->SetVertexShader(kRhwColourFvf), D3D_OK);
    ASSERT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(RhwColourVertex)), D3D_OK);
}

void RenderFixture::DrawRhwTriangle(const RhwColourVertex (&vertices)[3]) {
    ASSERT_EQ(m_pDevice->SetVertexShader(kRhwColourFvf), D3D_OK);
    ASSERT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, vertices, sizeof(RhwColourVertex)), D3D_OK);
}

void RenderFixture::DrawQuad(float x0, float y0, float x1, float y1, float z, DWORD colour) {
    // Clockwise on screen (y up in the plane), so the default culling keeps it.
    const ColourVertex quad[4] = {{x0, y1, z, colour}, {x1, y1, z, colour}, {x0, y0, z, colour}, {x1, y0, z, colour}};
    ASSERT_EQ(m_pDevice->SetVertexShader(kColourFvf), D3D_OK);
    ASSERT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColourVertex)), D3D_OK);
}

void RenderFixture::PlainStates() {
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
}
