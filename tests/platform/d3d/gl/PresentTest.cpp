// Presenting: the front buffer holds the last presented frame, Reset gives a
// new back buffer, multisampled frames are resolved, the window layer's hook
// runs inside Present, and a hardware device on a GL window draws what the
// reference device draws.
#include <SDL.h>
#include <epoxy/gl.h>

#include <cstring>

#include "platform/d3d/gl/GlPresentHook.h"
#include "platform/win/GlWindow.h"
#include "platform/win/WindowObject.h"
#include "support/PresentParameters.h"
#include "support/RenderFixture.h"

namespace {

class PresentTest : public RenderFixture {
protected:
    // The first pixel of the front buffer as GetFrontBuffer gives it.
    static DWORD FrontPixel(IDirect3DDevice8* device) {
        IDirect3DSurface8* surface = nullptr;
        D3DLOCKED_RECT locked = {};
        DWORD pixel = 0;
        if (device->CreateImageSurface(kWidth, kHeight, D3DFMT_A8R8G8B8, &surface) == D3D_OK &&
            device->GetFrontBuffer(surface) == D3D_OK &&
            surface->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK) {
            pixel = static_cast<DWORD*>(locked.pBits)[0];
            surface->UnlockRect();
        }
        if (surface != nullptr) {
            surface->Release();
        }
        return pixel;
    }

    // A small scene touching lighting, texturing, blending and depth.
    void DrawScene(IDirect3DDevice8* device) {
        std::swap(device, m_pDevice);
        const D3DMATERIAL8 material = {{0.9f, 0.7f, 0.3f, 1}, {0.2f, 0.2f, 0.2f, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0};
        D3DLIGHT8 light = {};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Direction = {0.3f, -0.2f, 1.0f};
        light.Diffuse = {1, 1, 1, 1};
        m_pDevice->SetMaterial(&material);
        m_pDevice->SetLight(0, &light);
        m_pDevice->LightEnable(0, TRUE);
        m_pDevice->SetRenderState(D3DRS_AMBIENT, 0xFF303030);
        m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        const D3DMATRIX projection = PerspectiveMatrix(1.2f, 1.0f, 0.5f, 50.0f);
        const D3DMATRIX view = TranslationMatrix(0, 0, 4.0f);
        m_pDevice->SetTransform(D3DTS_PROJECTION, &projection);
        m_pDevice->SetTransform(D3DTS_VIEW, &view);
        EXPECT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102040, 1.0f, 0), D3D_OK);
        EXPECT_EQ(m_pDevice->BeginScene(), D3D_OK);
        struct Vertex {
            float x, y, z, nx, ny, nz;
        };
        const Vertex quad[4] = {
            {-1, 1, 0, 0, 0, -1}, {1, 1, 0.5f, 0, 0, -1}, {-1, -1, 0, 0, 0, -1}, {1, -1, 0.5f, 0, 0, -1}};
        m_pDevice->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL);
        EXPECT_EQ(m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex)), D3D_OK);
        m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        DrawRhwQuad(4, 4, 30, 20, 0.1f, 0x80FF8000);
        EXPECT_EQ(m_pDevice->EndScene(), D3D_OK);
        std::swap(device, m_pDevice);
    }
};

TEST_F(PresentTest, FrontBufferHoldsTheLastPresentedFrameOnlyTopRowFirst) {
    EXPECT_EQ(FrontPixel(m_pDevice), 0xFF000000u) << "black before anything is presented";

    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
    std::vector<DWORD> frame = Frame();  // presents green
    EXPECT_EQ(At(frame, 0, 0), 0xFF00FF00u);
    EXPECT_EQ(At(frame, kWidth - 1, kHeight - 1), 0xFF00FF00u);
    // Drawn but not presented: the front buffer still shows green.
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(FrontPixel(m_pDevice), 0xFF00FF00u);

    // Rows run top down: a clear of the top row shows in the first row only.
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    const D3DVIEWPORT8 top = {0, 0, kWidth, 1, 0.0f, 1.0f};
    ASSERT_EQ(m_pDevice->SetViewport(&top), D3D_OK);
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
    frame = Frame();
    EXPECT_EQ(At(frame, 5, 0), 0xFFFFFFFFu);
    EXPECT_EQ(At(frame, 5, 1), 0xFF000000u);
    EXPECT_EQ(At(frame, 5, kHeight - 1), 0xFF000000u);
}

TEST_F(PresentTest, ResetGivesABackBufferOfTheNewSize) {
    D3DPRESENT_PARAMETERS parameters = WindowedParameters(40, 24);
    ASSERT_EQ(m_pDevice->Reset(&parameters), D3D_OK);
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0), D3D_OK);
    PlainStates();
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    DrawRhwQuad(29.5f, 13.5f, 39.5f, 23.5f, 0.5f, 0xFFFF0000);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    const std::vector<DWORD> frame = Frame(m_pDevice, 40, 24);
    EXPECT_EQ(At(frame, 0, 0, 40), 0xFF0000FFu);
    EXPECT_EQ(At(frame, 39, 23, 40), 0xFFFF0000u);
    EXPECT_EQ(At(frame, 29, 23, 40), 0xFF0000FFu);
}

TEST_F(PresentTest, MultisampledFramesAreResolved) {
    D3DPRESENT_PARAMETERS parameters = WindowedParameters(kWidth, kHeight);
    parameters.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(s_pDirect3D->CreateDevice(0, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters,
                                        &device),
              D3D_OK);
    std::swap(device, m_pDevice);
    PlainStates();
    ASSERT_EQ(m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0),
              D3D_OK);
    ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
    const RhwColourVertex triangle[3] = {
        {0, 0, 0.5f, 1, 0xFFFFFFFF}, {64, 0, 0.5f, 1, 0xFFFFFFFF}, {0, 64, 0.5f, 1, 0xFFFFFFFF}};
    DrawRhwTriangle(triangle);
    ASSERT_EQ(m_pDevice->EndScene(), D3D_OK);
    const std::vector<DWORD> frame = Frame();
    std::swap(device, m_pDevice);
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(At(frame, 5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(At(frame, 60, 60), 0xFF000000u);
    // Pixel centres on the long edge (x + y = 64) are half covered.
    int partial = 0;
    for (UINT x = 1; x < kWidth; ++x) {
        const int red = ToRgb(At(frame, x, kHeight - x)).r;
        partial += red > 0 && red < 255 ? 1 : 0;
    }
    EXPECT_GT(partial, 50);
}

TEST_F(PresentTest, ReferenceFramesReachAWindowWithoutGlThroughItsSurface) {
    // As a hosted window is adopted: a surface in plain memory, no GL of SDL's
    // behind it to take the device's context away.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Window* sdlWindow = SDL_CreateWindow("surface", 0, 0, kWidth, kHeight, SDL_WINDOW_HIDDEN);
    if (sdlWindow == nullptr) {
        GTEST_SKIP() << "no SDL window here: " << SDL_GetError();
    }
    HWND window = win::CreateWindowObject(nullptr);
    window->m_pSdlWindow = sdlWindow;
    IDirect3DDevice8* device = CreateRefDevice(kWidth, kHeight, window);
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
    const D3DVIEWPORT8 top = {0, 0, kWidth, 2, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&top), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    SDL_Surface* surface = SDL_GetWindowSurface(sdlWindow);
    ASSERT_NE(surface, nullptr);
    const auto pixelAt = [surface](int x, int y) {
        Uint32 value = 0;
        std::memcpy(&value,
                    static_cast<BYTE*>(surface->pixels) + y * surface->pitch + x * surface->format->BytesPerPixel,
                    surface->format->BytesPerPixel);
        Uint8 r = 0, g = 0, b = 0;
        SDL_GetRGB(value, surface->format, &r, &g, &b);
        return Rgb{r, g, b};
    };
    EXPECT_EQ(pixelAt(0, 0).r, 255);
    EXPECT_EQ(pixelAt(0, 0).b, 0);
    EXPECT_EQ(pixelAt(5, kHeight - 1).r, 0);
    EXPECT_EQ(pixelAt(5, kHeight - 1).b, 255);
    EXPECT_EQ(device->Release(), 0u);
    win::DestroyWindowObject(window);
    SDL_DestroyWindow(sdlWindow);
}

struct HookRecord {
    int m_iCalls = 0;
    void* m_pExpectedContext = nullptr;
    bool m_bRightContext = true;
    UINT m_uWidth = 0;  // of the window, to read it back
    UINT m_uHeight = 0;
    std::vector<DWORD> m_window;  // what the window's buffer shows, top row first
};

void RecordHook(void* user) {
    auto* record = static_cast<HookRecord*>(user);
    ++record->m_iCalls;
    record->m_bRightContext = record->m_bRightContext && SDL_GL_GetCurrentContext() == record->m_pExpectedContext;
    std::vector<DWORD> rows(static_cast<std::size_t>(record->m_uWidth) * record->m_uHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadPixels(0, 0, record->m_uWidth, record->m_uHeight, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    record->m_window.resize(rows.size());
    for (UINT y = 0; y < record->m_uHeight; ++y) {
        std::memcpy(&record->m_window[static_cast<std::size_t>(y) * record->m_uWidth],
                    &rows[static_cast<std::size_t>(record->m_uHeight - 1 - y) * record->m_uWidth],
                    record->m_uWidth * sizeof(DWORD));
    }
}

// Two frames of one size agree within two levels in every channel.
void ExpectSameFrame(const std::vector<DWORD>& actual, const std::vector<DWORD>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_TRUE(ColourNear(actual[i], ToRgb(expected[i]), 2)) << "pixel " << i;
    }
}

class WindowPresentTest : public PresentTest {
protected:
    void SetUp() override {
        PresentTest::SetUp();
        m_hWindow = win::CreateGlWindow("test", kWidth, kHeight, nullptr, true);
        if (m_hWindow == nullptr) {
            GTEST_SKIP() << "no SDL window with a GL 3.3 context can be made here";
        }
    }
    void TearDown() override {
        d3dgl::SetPresentHook(nullptr, nullptr);
        PresentTest::TearDown();
        win::DestroyGlWindow(m_hWindow);
    }
    HWND m_hWindow = nullptr;
};

TEST_F(WindowPresentTest, HookRunsInsidePresentOnTheWindowContext) {
    IDirect3DDevice8* device = CreateRefDevice(kWidth, kHeight, m_hWindow);
    ASSERT_NE(device, nullptr);
    HookRecord record{0, win::GetGlContext(m_hWindow), true, kWidth, kHeight, {}};
    d3dgl::SetPresentHook(RecordHook, &record);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    const D3DVIEWPORT8 top = {0, 0, kWidth, 2, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&top), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(record.m_iCalls, 2);
    EXPECT_TRUE(record.m_bRightContext);
    // The reference device goes on drawing in its own context afterwards.
    d3dgl::SetPresentHook(nullptr, nullptr);
    const std::vector<DWORD> frame = Frame(device);
    EXPECT_EQ(At(frame, 3, 3), 0xFF00FF00u);
    EXPECT_EQ(At(frame, 3, 1), 0xFFFF0000u);
    ExpectSameFrame(record.m_window, frame);  // the right way up: copies into it turn rows over
    EXPECT_EQ(device->Release(), 0u);
    // A device with no window has nowhere to show menus.
    d3dgl::SetPresentHook(RecordHook, &record);
    ASSERT_EQ(m_pDevice->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(record.m_iCalls, 2);
}

TEST_F(WindowPresentTest, HardwareDeviceDrawsWhatTheReferenceDeviceDrawsEvenAfterOtherGlDrawing) {
    D3DPRESENT_PARAMETERS parameters = WindowedParameters(0, 0, true, m_hWindow);
    IDirect3DDevice8* hal = nullptr;
    ASSERT_EQ(
        s_pDirect3D->CreateDevice(0, D3DDEVTYPE_HAL, m_hWindow, D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &hal),
        D3D_OK);
    EXPECT_EQ(parameters.BackBufferWidth, kWidth);
    EXPECT_EQ(parameters.BackBufferHeight, kHeight);
    D3DCAPS8 caps = {};
    ASSERT_EQ(hal->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_NE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
    DrawScene(hal);
    DrawScene(m_pDevice);
    HookRecord record{0, nullptr, true, kWidth, kHeight, {}};
    d3dgl::SetPresentHook(RecordHook, &record);
    const std::vector<DWORD> halFrame = Frame(hal);
    d3dgl::SetPresentHook(nullptr, nullptr);
    ExpectSameFrame(record.m_window, halFrame);
    const std::vector<DWORD> refFrame = Frame(m_pDevice);
    ExpectSameFrame(halFrame, refFrame);
    // The scene is not blank: the lit quad and the blended overlay show.
    EXPECT_NE(At(refFrame, 32, 40), 0xFF102040u);
    EXPECT_NE(At(refFrame, 10, 10), At(refFrame, 32, 40));

    // The window layer shows a picture in the same context between frames.
    ASSERT_TRUE(win::MakeGlWindowCurrent(m_hWindow));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_ZERO);
    glDisable(GL_DEPTH_TEST);
    glColorMask(GL_FALSE, GL_TRUE, GL_FALSE, GL_TRUE);
    glUseProgram(0);
    glBindVertexArray(0);
    DrawScene(hal);
    EXPECT_EQ(Frame(hal), halFrame);
    EXPECT_EQ(hal->Release(), 0u);
}

TEST_F(WindowPresentTest, FullScreenDeviceIsLostWhileItsWindowHasNoFocus) {
    if ((SDL_GetWindowFlags(win::GetSdlWindow(m_hWindow)) & SDL_WINDOW_INPUT_FOCUS) != 0) {
        GTEST_SKIP() << "the test window has the focus here";
    }
    IDirect3DDevice8* windowed = CreateRefDevice(kWidth, kHeight, m_hWindow);
    ASSERT_NE(windowed, nullptr);
    EXPECT_EQ(windowed->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(windowed->Release(), 0u);

    D3DPRESENT_PARAMETERS parameters = WindowedParameters(640, 480, true, m_hWindow);
    parameters.BackBufferFormat = D3DFMT_R5G6B5;
    parameters.Windowed = FALSE;
    parameters.EnableAutoDepthStencil = FALSE;
    IDirect3DDevice8* fullScreen = nullptr;
    ASSERT_EQ(s_pDirect3D->CreateDevice(0, D3DDEVTYPE_REF, m_hWindow, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters,
                                        &fullScreen),
              D3D_OK);
    EXPECT_EQ(fullScreen->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(fullScreen->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(fullScreen->Reset(&parameters), D3DERR_DEVICELOST);
    EXPECT_EQ(fullScreen->Release(), 0u);
}

}  // namespace
