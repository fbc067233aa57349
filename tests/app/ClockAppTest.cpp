// The clock application: its window and device choices, the two clear
// passes, the fixed device state, the keyboard snapshot, the settings, the
// media it loads and the order of its update and render pass.
#include "app/ClockApp.h"

#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/FrameValues.h"
#include "platform/kernel/Kernel.h"
#include "support/Capture.h"
#include "support/FrameHarness.h"
#include "support/TempDir.h"

namespace {

std::string Word(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), 4);
}

// The generated media, without its settings file: each test writes its own.
void CopyMedia(const std::string& to) {
    namespace fs = std::filesystem;
    for (const char* folder : {"Model", "Texture", "Misc", "Sound"}) {
        fs::copy(fs::path(VELMORAN_RUN_DIR) / folder, fs::path(to) / folder, fs::copy_options::recursive);
    }
    fs::remove(fs::path(to) / "Misc" / "VelmoranFlags.vmf");
}

// The keys held down, by SDL scan code, and whether the window has focus.
BYTE s_abyKeys[SDL_NUM_SCANCODES];
bool s_bFocus = true;
const BYTE* TestKeys(int* count) {
    *count = SDL_NUM_SCANCODES;
    return s_abyKeys;
}
bool TestFocus(HWND) {
    return s_bFocus;
}

// The draws of the scene pass: those after the frame's last clear, the scene's.
std::vector<const BackendEvent*> SceneDraws(const BackendLog& log) {
    std::vector<const BackendEvent*> draws;
    for (const BackendEvent& e : log.m_events) {
        if (e.m_kind == BackendEvent::kClear) {
            draws.clear();
        } else if (e.m_kind == BackendEvent::kDraw) {
            draws.push_back(&e);
        }
    }
    return draws;
}

class TestClockApp : public ClockApp {
public:
    using ClockApp::ClockApp;
    HRESULT Step() { return StepFrame(); }
    void SetFrameStats(const char* text) { std::snprintf(m_szFrameStats, sizeof(m_szFrameStats), "%s", text); }
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { return HandleMessage(m_hWnd, msg, wParam, lParam); }
};

class ClockAppTest : public ::testing::Test {
protected:
    ClockAppTest() {
        std::memset(s_abyKeys, 0, sizeof(s_abyKeys));
        s_bFocus = true;
        dinput_hooks::SetKeyStateSource(TestKeys);
        dinput_hooks::SetFocusSource(TestFocus);
        // A hardware device with transform and lighting.
        m_env.m_d3d.m_adapters[0].m_hal.m_caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;
        g_clearColor = 0xFFFFFFFF;
        g_viewport = {};
        CopyMedia(m_cwd.Path());
    }
    ~ClockAppTest() override {
        dinput_hooks::SetKeyStateSource(nullptr);
        dinput_hooks::SetFocusSource(nullptr);
    }
    void WriteFlags(DWORD word) { m_cwd.WriteFile("Misc/VelmoranFlags.vmf", Word(word)); }

    ScopedTempCwd m_cwd;
    FrameEnvironment m_env;
    MessageBoxCapture m_boxes;
};

TEST_F(ClockAppTest, OpensA512x384WindowOnAMixedProcessingDeviceWithADepthBuffer) {
    WriteFlags(0);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    RECT rc = {};
    GetClientRect(app.MainWindow(), &rc);
    EXPECT_EQ(512, rc.right - rc.left);
    EXPECT_EQ(384, rc.bottom - rc.top);
    EXPECT_EQ(512u, app.BackBufferDesc().Width);
    EXPECT_EQ(384u, app.BackBufferDesc().Height);

    ASSERT_EQ(1u, m_env.m_d3d.m_createCalls.size());
    EXPECT_EQ(D3DCREATE_MIXED_VERTEXPROCESSING, m_env.m_d3d.m_createCalls[0].m_dwBehavior);
    EXPECT_TRUE(m_env.m_d3d.m_createCalls[0].m_params.EnableAutoDepthStencil);
    EXPECT_EQ(D3DFMT_D16, m_env.m_d3d.m_createCalls[0].m_params.AutoDepthStencilFormat);
    EXPECT_STREQ("HAL (mixed vp): Test adapter", app.DeviceStats());
    EXPECT_FALSE(app.IsLoading());
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

TEST_F(ClockAppTest, RenderClearsWhiteForTheStatisticsThenTheSceneViewport) {
    WriteFlags(FLAG_FRAMED_VIEW);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    EXPECT_EQ(0xFF000000u, g_clearColor);
    app.SetFrameStats("60.00 fps (512x384x32) (D16)");
    m_env.m_log.m_events.clear();

    ASSERT_EQ(S_OK, app.OnFrameRender());
    const std::vector<BackendEvent>& ev = m_env.m_log.m_events;
    ASSERT_GE(ev.size(), 7u);
    EXPECT_EQ(BackendEvent::kClear, ev[0].m_kind);
    EXPECT_EQ(0xFFFFFFFFu, ev[0].m_color);
    EXPECT_EQ(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, ev[0].m_dwFlags);
    EXPECT_EQ(0u, ev[0].m_viewport.X);
    EXPECT_EQ(512u, ev[0].m_viewport.Width);
    EXPECT_EQ(384u, ev[0].m_viewport.Height);
    EXPECT_EQ(BackendEvent::kBeginScene, ev[1].m_kind);

    // The statistics text: its first glyph's top-left corner at (5, 5), in green.
    const std::vector<const BackendEvent*> draws = m_env.m_log.Of(BackendEvent::kDraw);
    ASSERT_GE(draws.size(), 1u);
    EXPECT_EQ(BackendEvent::kDraw, ev[2].m_kind);
    EXPECT_EQ(BackendEvent::kEndScene, ev[3].m_kind);
    struct Vertex {
        float x, y, z, rhw;
        D3DCOLOR color;
        float u, v;
    } first[2];
    ASSERT_GE(draws[0]->m_vertices.size(), sizeof(first));
    std::memcpy(first, draws[0]->m_vertices.data(), sizeof(first));
    EXPECT_FLOAT_EQ(4.5f, first[1].x);
    EXPECT_FLOAT_EQ(4.5f, first[1].y);
    EXPECT_EQ(0xFF00C800u, first[1].color);

    const BackendEvent* sceneClear = nullptr;
    for (std::size_t i = 1; i < ev.size(); ++i) {
        if (ev[i].m_kind == BackendEvent::kClear) {
            sceneClear = &ev[i];
            EXPECT_EQ(BackendEvent::kEndScene, ev[i - 1].m_kind);
            ASSERT_LT(i + 2, ev.size());
            EXPECT_EQ(BackendEvent::kBeginScene, ev[i + 1].m_kind);
            EXPECT_EQ(BackendEvent::kEndScene, ev.back().m_kind);
            break;
        }
    }
    ASSERT_NE(nullptr, sceneClear);
    EXPECT_EQ(0xFF000000u, sceneClear->m_color);
    EXPECT_EQ(64u, sceneClear->m_viewport.X);
    EXPECT_EQ(48u, sceneClear->m_viewport.Y);
    EXPECT_EQ(384u, sceneClear->m_viewport.Width);
    EXPECT_EQ(288u, sceneClear->m_viewport.Height);
}

TEST_F(ClockAppTest, WhiteBackgroundSettingClearsTheFullSceneWhite) {
    WriteFlags(FLAG_WHITE_BACKGROUND);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    EXPECT_EQ(0xFFFFFFFFu, g_clearColor);
    EXPECT_EQ(512u, g_viewport.Width);
    m_env.m_log.m_events.clear();
    ASSERT_EQ(S_OK, app.OnFrameRender());
    // The full view has no margin: the scene's clear is the frame's only one.
    const std::vector<const BackendEvent*> clears = m_env.m_log.Of(BackendEvent::kClear);
    ASSERT_EQ(1u, clears.size());
    EXPECT_EQ(0xFFFFFFFFu, clears[0]->m_color);
    EXPECT_EQ(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clears[0]->m_dwFlags);
    EXPECT_EQ(384u, clears[0]->m_viewport.Height);
    EXPECT_EQ(&m_env.m_log.m_events.front(), clears[0]);
}

TEST_F(ClockAppTest, RestoredDeviceHasTheFixedMaterialLightsAndStates) {
    WriteFlags(0);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    IDirect3DDevice8* device = app.Device();

    D3DMATERIAL8 material = {};
    device->GetMaterial(&material);
    EXPECT_FLOAT_EQ(1.0f, material.Diffuse.r);
    EXPECT_FLOAT_EQ(0.0f, material.Diffuse.g);
    EXPECT_FLOAT_EQ(1.0f, material.Diffuse.a);
    EXPECT_FLOAT_EQ(1.0f, material.Ambient.r);
    EXPECT_FLOAT_EQ(0.0f, material.Ambient.b);
    EXPECT_FLOAT_EQ(0.0f, material.Specular.r);
    EXPECT_FLOAT_EQ(0.0f, material.Emissive.g);
    EXPECT_FLOAT_EQ(0.0f, material.Power);

    const struct {
        D3DVECTOR dir;
        float diffuse;
    } lights[3] = {{{0.1f, -0.5f, 0.0f}, 1.0f}, {{-2.0f, -1.0f, 0.0f}, 0.5f}, {{0.0f, -0.2f, 1.0f}, 0.5f}};
    for (DWORD i = 0; i < 3; ++i) {
        D3DLIGHT8 light = {};
        ASSERT_EQ(S_OK, device->GetLight(i, &light));
        EXPECT_EQ(D3DLIGHT_DIRECTIONAL, light.Type);
        EXPECT_FLOAT_EQ(lights[i].dir.x, light.Direction.x) << i;
        EXPECT_FLOAT_EQ(lights[i].dir.y, light.Direction.y) << i;
        EXPECT_FLOAT_EQ(lights[i].dir.z, light.Direction.z) << i;
        EXPECT_FLOAT_EQ(lights[i].diffuse, light.Diffuse.r) << i;
        EXPECT_FLOAT_EQ(lights[i].diffuse, light.Diffuse.b) << i;
        EXPECT_FLOAT_EQ(0.0f, light.Diffuse.a) << i;
        EXPECT_FLOAT_EQ(0.0f, light.Ambient.r) << i;
        BOOL enabled = FALSE;
        device->GetLightEnable(i, &enabled);
        EXPECT_TRUE(enabled) << i;
    }

    const struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } states[] = {
        {D3DRS_DITHERENABLE, TRUE},
        {D3DRS_MULTISAMPLEANTIALIAS, TRUE},
        {D3DRS_ZENABLE, TRUE},
        {D3DRS_SPECULARENABLE, FALSE},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_AMBIENT, 0xFF0A0A1E},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_LIGHTING, TRUE},
    };
    for (const auto& s : states) {
        DWORD value = 0;
        device->GetRenderState(s.state, &value);
        EXPECT_EQ(s.value, value) << "render state " << s.state;
    }
    const struct {
        D3DTEXTURESTAGESTATETYPE type;
        DWORD value;
    } stage[] = {
        {D3DTSS_COLOROP, D3DTOP_MODULATE},  {D3DTSS_COLORARG1, D3DTA_TEXTURE},  {D3DTSS_COLORARG2, D3DTA_DIFFUSE},
        {D3DTSS_ALPHAOP, D3DTOP_MODULATE},  {D3DTSS_ALPHAARG1, D3DTA_TEXTURE},  {D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
        {D3DTSS_MINFILTER, D3DTEXF_LINEAR}, {D3DTSS_MAGFILTER, D3DTEXF_LINEAR},
    };
    for (const auto& s : stage) {
        DWORD value = 0;
        device->GetTextureStageState(0, s.type, &value);
        EXPECT_EQ(s.value, value) << "stage state " << s.type;
    }
}

TEST_F(ClockAppTest, FramedSettingIsReadAgainAtEveryRestore) {
    WriteFlags(FLAG_FRAMED_VIEW);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    EXPECT_EQ(64u, g_viewport.X);
    app.GetFlags()->ClearBits(FLAG_FRAMED_VIEW);
    m_env.m_log.m_hrCooperative = D3DERR_DEVICENOTRESET;
    SetTestClock(2.0);
    ASSERT_EQ(S_OK, app.Step());
    EXPECT_EQ(0u, g_viewport.X);
    EXPECT_EQ(512u, g_viewport.Width);
}

TEST_F(ClockAppTest, KeyboardSnapshotSetsTheTenKeysAndReleasesThemWhenTheReadFails) {
    WriteFlags(0);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));

    s_abyKeys[SDL_SCANCODE_UP] = 1;
    s_abyKeys[SDL_SCANCODE_PAGEDOWN] = 1;
    s_abyKeys[SDL_SCANCODE_2] = 1;
    s_abyKeys[SDL_SCANCODE_A] = 1;
    app.ReadKeys();
    const KeyState& keys = app.Keys();
    EXPECT_EQ(1, keys.m_bUp);
    EXPECT_EQ(0, keys.m_bDown);
    EXPECT_EQ(0, keys.m_bLeft);
    EXPECT_EQ(0, keys.m_bRight);
    EXPECT_EQ(1, keys.m_bPageDown);
    EXPECT_EQ(0, keys.m_bPageUp);
    EXPECT_EQ(0, keys.m_bKey1);
    EXPECT_EQ(1, keys.m_bKey2);
    EXPECT_EQ(0, keys.m_bKey3);
    EXPECT_EQ(0, keys.m_bKey4);
    EXPECT_NE(0, keys.m_abyRaw[DIK_A] & 0x80);
    EXPECT_EQ(0, keys.m_abyRaw[DIK_B]);

    // Focus lost while keys are held: the read fails and every key counts as
    // released, so nothing goes on turning or toggling.
    s_bFocus = false;
    std::memset(s_abyKeys, 0, sizeof(s_abyKeys));
    s_abyKeys[SDL_SCANCODE_DOWN] = 1;
    app.ReadKeys();
    EXPECT_EQ(0, keys.m_bUp);
    EXPECT_EQ(0, keys.m_bPageDown);
    EXPECT_EQ(0, keys.m_bKey2);
    EXPECT_EQ(0, keys.m_bDown);
    EXPECT_EQ(0, keys.m_abyRaw[DIK_A]);

    // Focus back: the failed read re-acquires, and the next read sees the keys.
    s_bFocus = true;
    app.ReadKeys();
    app.ReadKeys();
    EXPECT_EQ(0, keys.m_bUp);
    EXPECT_EQ(1, keys.m_bDown);
}

TEST_F(ClockAppTest, FrameStepIsClampedAndDigitKeysSwitchBackgroundAndView) {
    WriteFlags(0);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));

    SetTestClock(1.2);
    ASSERT_EQ(S_OK, app.Step());
    EXPECT_FLOAT_EQ(0.03f, g_frameStep);
    SetTestClock(1.21);
    ASSERT_EQ(S_OK, app.Step());
    EXPECT_NEAR(0.01f, g_frameStep, 1e-5f);
    EXPECT_NEAR(0.21f, g_appTime, 1e-5f);

    EXPECT_EQ(0xFF000000u, g_clearColor);
    s_abyKeys[SDL_SCANCODE_1] = 1;
    SetTestClock(1.22);
    ASSERT_EQ(S_OK, app.Step());
    EXPECT_EQ(0xFFFFFFFFu, g_clearColor);
    s_abyKeys[SDL_SCANCODE_1] = 0;

    // Key 3 after the shared hold time has run out: the framed view with buttons.
    s_abyKeys[SDL_SCANCODE_3] = 1;
    double t = 1.22;
    for (int i = 0; i < 40 && g_viewport.X == 0; ++i) {
        t += 0.03;
        SetTestClock(t);
        ASSERT_EQ(S_OK, app.Step());
    }
    EXPECT_EQ(64u, g_viewport.X);
    EXPECT_EQ(288u, g_viewport.Height);
    EXPECT_EQ(1, app.GetFlags()->IsSet(FLAG_SHOW_BUTTONS));
}

TEST_F(ClockAppTest, FullScreenShowsTheDeviceCursorWithItsWatermark) {
    WriteFlags(0);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    EXPECT_EQ(0u, m_env.m_log.m_uCursorWidth);
    app.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN);
    ASSERT_FALSE(app.IsWindowed());
    EXPECT_GT(m_env.m_log.m_uCursorWidth, 0u);
    ASSERT_FALSE(m_env.m_log.m_cursorPixels.empty());
    EXPECT_EQ(0xFF808080u, m_env.m_log.m_cursorPixels[0] & 0xFF808080u);  // the watermark's first dot
    const int shown = m_env.m_log.m_nShowCursor;
    EXPECT_GT(shown, 0);
    EXPECT_EQ(TRUE, app.Send(WM_SETCURSOR));
    EXPECT_EQ(shown + 1, m_env.m_log.m_nShowCursor);
}

TEST_F(ClockAppTest, LeftButtonCapturesTheMouseUntilReleased) {
    WriteFlags(0);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    app.Send(WM_LBUTTONDOWN, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(app.MainWindow(), GetCapture());
    app.Send(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(nullptr, GetCapture());
}

// A press is reported on the debugger output by the first frame that sees
// the capture, once, so a click from outside can be held until it has acted.
TEST_F(ClockAppTest, TheFirstFrameThatSeesTheLeftButtonHeldSaysSoOncePerPress) {
    WriteFlags(0);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    DebugCapture trace;
    auto seen = [&trace] {
        int n = 0;
        for (const std::string& record : trace.Records()) {
            n += record == "ClockApp: a frame saw the left button held\n" ? 1 : 0;
        }
        return n;
    };
    // Away from the corner buttons, so the press acts on nothing.
    POINT pt = {256, 192};
    ClientToScreen(app.MainWindow(), &pt);
    SetCursorPos(pt.x, pt.y);
    double t = 1.0;
    auto step = [&app, &t] {
        t += 0.03;
        SetTestClock(t);
        EXPECT_EQ(S_OK, app.Step());
    };
    step();
    EXPECT_EQ(0, seen());
    app.Send(WM_LBUTTONDOWN, 0, MAKELPARAM(256, 192));
    EXPECT_EQ(0, seen()) << "said before a frame saw it";
    step();
    EXPECT_EQ(1, seen());
    step();
    step();
    EXPECT_EQ(1, seen()) << "said again while the button stayed down";
    app.Send(WM_LBUTTONUP, 0, MAKELPARAM(256, 192));
    step();
    EXPECT_EQ(1, seen());
    app.Send(WM_LBUTTONDOWN, 0, MAKELPARAM(256, 192));
    step();
    EXPECT_EQ(2, seen()) << "the second press was not reported";
    app.Send(WM_LBUTTONUP, 0, MAKELPARAM(256, 192));
}

TEST_F(ClockAppTest, SettingsWordIsReadSavedOnClosingAndResetByTheOption) {
    {
        // No file: everything off, and the failure said once.
        TestClockApp app;
        ASSERT_EQ(S_OK, app.Create(nullptr));
        ASSERT_EQ(1u, m_boxes.Boxes().size());
        EXPECT_NE(std::string::npos, m_boxes.Boxes()[0].text.find("Failed to open vmf File"));
        EXPECT_EQ(0xFF000000u, g_clearColor);
        EXPECT_EQ(0u, g_viewport.X);
    }
    {
        // Bits the program does not know are kept.
        WriteFlags(FLAG_FRAMED_VIEW | 0x100);
        TestClockApp app;
        ASSERT_EQ(S_OK, app.Create(nullptr));
        app.GetFlags()->ToggleBits(FLAG_WHITE_BACKGROUND);
        app.Send(WM_COMMAND, CMD_EXIT);
        EXPECT_EQ(nullptr, app.MainWindow());
        EXPECT_EQ(Word(FLAG_FRAMED_VIEW | FLAG_WHITE_BACKGROUND | 0x100), m_cwd.ReadFile("Misc/VelmoranFlags.vmf"));
        EXPECT_EQ(nullptr, app.GetFlags());
    }
    WriteFlags(FLAG_FRAMED_VIEW | FLAG_WHITE_BACKGROUND);
    StartOptions options;
    options.m_bResetSettings = TRUE;
    TestClockApp app(options);
    ASSERT_EQ(S_OK, app.Create(nullptr));
    EXPECT_EQ(0xFF000000u, g_clearColor) << "not the file's white background";
    EXPECT_EQ(0u, g_viewport.X) << "not the file's framed view";
    app.Send(WM_COMMAND, CMD_EXIT);
    EXPECT_EQ(Word(kDefaultFlagsWord), m_cwd.ReadFile("Misc/VelmoranFlags.vmf"));
}

TEST_F(ClockAppTest, LoadMediaLoadsTheSceneInItsOrderAndGivesTheBirdItsCullModel) {
    WriteFlags(FLAG_SHOW_NUMERALS);
    DebugCapture trace;
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    EXPECT_TRUE(m_boxes.Boxes().empty());

    const std::string all = trace.All();
    const std::size_t dammy = all.find("ClockDammy.x");
    const std::size_t background = all.find("opening backgroundpositionfile...Clock.bps");
    const std::size_t clock = all.find("opening velmoranpositionfile...Clock.vps");
    ASSERT_NE(std::string::npos, dammy);
    ASSERT_NE(std::string::npos, background);
    ASSERT_NE(std::string::npos, clock);
    EXPECT_LT(dammy, background);
    EXPECT_LT(background, clock);

    EXPECT_EQ(app.GetClockDammy(), app.GetBirdFlight()->GetModel());
    EXPECT_GT(app.GetPath()->PointCount(), 0);
    EXPECT_NE(nullptr, app.GetSparkTrail()->Texture());
    EXPECT_EQ(TRUE, app.GetVelmoran()->ShowNumerals());
    // The display meshes share textures through the application's one cache.
    EXPECT_GT(app.GetTexList()->EntryCount(), 0u);
}

TEST_F(ClockAppTest, LoadMediaStopsAtTheFirstFailingStepAndTheProgramRunsOn) {
    WriteFlags(0);
    std::filesystem::remove(m_cwd.File("Misc/Clock.bps"));
    DebugCapture trace;
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    ASSERT_EQ(1u, m_boxes.Boxes().size());
    EXPECT_NE(std::string::npos, m_boxes.Boxes()[0].text.find("failed to open bpsfile"));
    // The flower clock comes after the background: it never loads.
    EXPECT_FALSE(trace.Contains("opening velmoranpositionfile"));
    EXPECT_NE(nullptr, app.GetSparkTrail()->Texture());

    SetTestClock(1.0);
    EXPECT_EQ(S_OK, app.Step());
    SetTestClock(1.02);
    EXPECT_EQ(S_OK, app.Step());
}

TEST_F(ClockAppTest, WithoutThePathNothingLaterLoads) {
    WriteFlags(0);
    std::filesystem::remove(m_cwd.File("Misc/Clock.fpp"));
    DebugCapture trace;
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    EXPECT_FALSE(trace.Contains("ClockDammy.x"));
    EXPECT_EQ(nullptr, app.GetSparkTrail()->Texture());
    EXPECT_EQ(nullptr, app.GetBirdFlight()->GetModel());
    SetTestClock(1.0);
    EXPECT_EQ(S_OK, app.Step());
}

TEST_F(ClockAppTest, FogTakesTheBackgroundColourAndKeyOneChangesBoth) {
    WriteFlags(0);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    IDirect3DDevice8* device = app.Device();
    DWORD value = 0;
    device->GetRenderState(D3DRS_FOGENABLE, &value);
    EXPECT_EQ(TRUE, value);
    device->GetRenderState(D3DRS_FOGCOLOR, &value);
    EXPECT_EQ(0xFF000000u, value);
    D3DMATRIX projection = {};
    device->GetTransform(D3DTS_PROJECTION, &projection);
    EXPECT_NEAR(1.0f / std::tan(3.14159265f / 8.0f), projection._22, 1e-4f);
    EXPECT_NEAR(500.0f / 499.0f, projection._33, 1e-4f);

    SetTestClock(0.98);
    ASSERT_EQ(S_OK, app.Step());
    s_abyKeys[SDL_SCANCODE_1] = 1;
    SetTestClock(1.0);
    ASSERT_EQ(S_OK, app.Step());
    EXPECT_EQ(0xFFFFFFFFu, g_clearColor);
    device->GetRenderState(D3DRS_FOGCOLOR, &value);
    EXPECT_EQ(0xFFFFFFFFu, value);
    EXPECT_EQ(0, app.GetDepthFog()->Dirty());

    // A fog state changed behind the fog's back stays: nothing is dirty.
    device->SetRenderState(D3DRS_FOGCOLOR, 0xFF123456);
    s_abyKeys[SDL_SCANCODE_1] = 0;
    SetTestClock(1.02);
    ASSERT_EQ(S_OK, app.Step());
    device->GetRenderState(D3DRS_FOGCOLOR, &value);
    EXPECT_EQ(0xFF123456u, value);
}

TEST_F(ClockAppTest, KeyFourShowsTheNumeralsAndKeysShareOneHoldTime) {
    WriteFlags(0);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    EXPECT_EQ(FALSE, app.GetVelmoran()->ShowNumerals());

    SetTestClock(0.98);
    ASSERT_EQ(S_OK, app.Step());
    s_abyKeys[SDL_SCANCODE_4] = 1;
    SetTestClock(1.0);
    ASSERT_EQ(S_OK, app.Step());
    EXPECT_EQ(TRUE, app.GetVelmoran()->ShowNumerals());
    s_abyKeys[SDL_SCANCODE_4] = 0;

    // Key 2 right after: the shared hold time has not run out, so no toggle
    // until it has been held for it.
    s_abyKeys[SDL_SCANCODE_2] = 1;
    double t = 1.0;
    int frames = 0;
    while (app.GetFlags()->IsSet(FLAG_SHOW_BUTTONS) == 0 && frames < 40) {
        t += 0.03;
        SetTestClock(t);
        ASSERT_EQ(S_OK, app.Step());
        ++frames;
    }
    EXPECT_GE(frames, 16);
    EXPECT_LE(frames, 18);
    EXPECT_EQ(TRUE, app.GetVelmoran()->ShowNumerals());
}

TEST_F(ClockAppTest, CameraRidesWithTheBirdUnlessTheManualCameraIsChosen) {
    WriteFlags(0);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    SetTestClock(1.0);
    ASSERT_EQ(S_OK, app.Step());
    const D3DXVECTOR3 bird1(app.GetBirdFlight()->World()._41, app.GetBirdFlight()->World()._42,
                            app.GetBirdFlight()->World()._43);
    const D3DXMATRIX camera1 = app.GetCamera()->CameraMatrix();
    SetTestClock(1.03);
    ASSERT_EQ(S_OK, app.Step());
    const D3DXVECTOR3 bird2(app.GetBirdFlight()->World()._41, app.GetBirdFlight()->World()._42,
                            app.GetBirdFlight()->World()._43);
    const D3DXMATRIX camera2 = app.GetCamera()->CameraMatrix();
    // The bird flew on, and the previous position is where it was.
    EXPECT_NE(bird1.x, bird2.x);
    EXPECT_FLOAT_EQ(bird1.x, app.GetBirdFlight()->PreviousPosition().x);
    EXPECT_NE(camera1._41, camera2._41);

    // The view on the device is the inverse of the camera.
    D3DMATRIX view = {};
    app.Device()->GetTransform(D3DTS_VIEW, &view);
    D3DXMATRIX product;
    D3DXMatrixMultiply(&product, &camera2, reinterpret_cast<const D3DXMATRIX*>(&view));
    EXPECT_NEAR(1.0f, product._11, 1e-3f);
    EXPECT_NEAR(0.0f, product._41, 1e-2f);

    // Manual camera: the up key moves it 50 units a second along its own z.
    app.GetFlags()->SetBits(FLAG_MANUAL_CAMERA);
    s_abyKeys[SDL_SCANCODE_UP] = 1;
    SetTestClock(1.06);
    ASSERT_EQ(S_OK, app.Step());
    const D3DXMATRIX before = app.GetCamera()->CameraMatrix();
    SetTestClock(1.08);
    ASSERT_EQ(S_OK, app.Step());
    const D3DXMATRIX after = app.GetCamera()->CameraMatrix();
    const float moved = std::sqrt((after._41 - before._41) * (after._41 - before._41) +
                                  (after._42 - before._42) * (after._42 - before._42) +
                                  (after._43 - before._43) * (after._43 - before._43));
    EXPECT_NEAR(50.0f * 0.02f, moved, 1e-3f);
}

TEST_F(ClockAppTest, RenderPassDrawsTheQueuedMeshesBlendedThenTheSparksAndEmptiesTheQueue) {
    WriteFlags(0);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    // Fly long enough for sparks to exist.
    double t = 1.0;
    for (int i = 0; i < 60; ++i) {
        t += 0.03;
        SetTestClock(t);
        ASSERT_EQ(S_OK, app.Step());
    }
    ASSERT_GT(app.GetSparkTrail()->LiveCount(), 0u);
    m_env.m_log.m_events.clear();
    ASSERT_EQ(S_OK, app.OnFrameRender());
    EXPECT_EQ(0u, app.GetDrawQueue()->Count());

    const std::vector<const BackendEvent*> draws = SceneDraws(m_env.m_log);
    // The bird unblended, the queued meshes blended, then one draw each for
    // the sparks, the ribbons and the bubbles, in that order.
    const DWORD sparks = app.GetSparkTrail()->LiveCount();
    const DWORD segments = app.GetRibbon()->LiveCount();
    const DWORD bubbles = app.GetBubbles()->LiveCount();
    ASSERT_GT(segments, 0u);
    ASSERT_GT(bubbles, 0u);
    ASSERT_GE(draws.size(), 5u);
    const std::size_t n = draws.size();
    EXPECT_EQ(sparks, draws[n - 3]->m_uPrimitives);
    EXPECT_EQ(2 * segments, draws[n - 2]->m_uPrimitives);
    EXPECT_EQ(bubbles, draws[n - 1]->m_uPrimitives);
    std::size_t first = 0;
    while (first < n - 3 && draws[first]->m_dwAlphaBlend == FALSE) {
        ++first;
    }
    EXPECT_GT(first, 0u) << "no unblended bird draw before the queue";
    EXPECT_LT(first, n - 3) << "no queued mesh";
    for (std::size_t i = first; i < n - 3; ++i) {
        EXPECT_EQ(TRUE, draws[i]->m_dwAlphaBlend) << i;
    }
    DWORD blend = TRUE;
    app.Device()->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
    EXPECT_EQ(FALSE, blend);
}

// Far to near along the camera's forward row (the third of its matrix): three
// background copies on the x axis seen by a camera turned to look along +x.
TEST_F(ClockAppTest, QueuedMeshesAreDrawnFarToNearAlongTheCamerasForwardRow) {
    WriteFlags(0);
    std::string copies = Word(3);
    for (float x : {200.0f, 100.0f, 300.0f}) {
        D3DXMATRIX placement;
        D3DXMatrixTranslation(&placement, x, 0.0f, 0.0f);
        copies.append(reinterpret_cast<const char*>(&placement), sizeof(placement));
    }
    m_cwd.WriteFile("Misc/Clock.bps", copies);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    ASSERT_EQ(3, app.GetBackGround()->Count());
    D3DXMATRIX turned;
    D3DXMatrixRotationY(&turned, 3.14159265f / 2.0f);  // forward row (1, 0, 0), forward column (-1, 0, 0)
    app.GetCamera()->SetCameraMatrix(&turned._11);
    m_env.m_log.m_events.clear();
    ASSERT_EQ(S_OK, app.OnFrameRender());

    std::vector<float> order;
    for (const BackendEvent* draw : SceneDraws(m_env.m_log)) {
        const D3DMATRIX& w = draw->m_world;
        if (draw->m_dwAlphaBlend == TRUE && w._42 == 0.0f && w._43 == 0.0f &&
            (w._41 == 100.0f || w._41 == 200.0f || w._41 == 300.0f) && (order.empty() || order.back() != w._41)) {
            order.push_back(w._41);
        }
    }
    EXPECT_EQ(order, (std::vector<float>{300.0f, 200.0f, 100.0f}));
}

// A reset (the device was lost and may be restored) leaves the scene drawing
// what it drew before: the bird, the queued meshes and the effects.
TEST_F(ClockAppTest, AfterADeviceResetTheSceneSubmitsTheSameDraws) {
    WriteFlags(0);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    double t = 1.0;
    for (int i = 0; i < 60; ++i) {
        t += 0.03;
        SetTestClock(t);
        ASSERT_EQ(S_OK, app.Step());
    }
    auto render = [&]() {
        m_env.m_log.m_events.clear();
        EXPECT_EQ(S_OK, app.OnFrameRender());
        std::vector<std::pair<UINT, DWORD>> draws;  // primitives and blending of each
        for (const BackendEvent* draw : SceneDraws(m_env.m_log)) {
            draws.emplace_back(draw->m_uPrimitives, draw->m_dwAlphaBlend);
        }
        return draws;
    };
    const auto before = render();
    ASSERT_GE(before.size(), 5u);

    const int resets = m_env.m_log.m_nResets;
    m_env.m_log.m_hrCooperative = D3DERR_DEVICENOTRESET;
    ASSERT_EQ(S_OK, app.Step());  // the clock stands: nothing moves
    m_env.m_log.m_hrCooperative = D3D_OK;
    ASSERT_EQ(resets + 1, m_env.m_log.m_nResets);
    EXPECT_EQ(before, render());
}

TEST_F(ClockAppTest, ClosingReleasesTheSceneAndALaterDeviceLoadsItAgain) {
    WriteFlags(0);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    ASSERT_GT(app.GetTexList()->EntryCount(), 0u);
    ASSERT_EQ(S_OK, app.OnDeviceDestroyed());
    EXPECT_EQ(0u, app.GetTexList()->EntryCount());
    EXPECT_EQ(nullptr, app.GetPath()->Points());
    EXPECT_EQ(nullptr, app.GetSparkTrail()->Texture());
    ASSERT_EQ(S_OK, app.OnDeviceCreated());
    EXPECT_GT(app.GetTexList()->EntryCount(), 0u);
    EXPECT_NE(nullptr, app.GetPath()->Points());
    app.Send(WM_COMMAND, CMD_EXIT);
    EXPECT_EQ(nullptr, app.GetVelmoran());
}

// A quick click at client (x, y): pressed for one frame; the button latches
// and acts after half a second of frame steps, so 18 frames of 0.03 s follow.
double Click(TestClockApp& app, float x, float y, double t) {
    POINT pt = {LONG(x), LONG(y)};
    ClientToScreen(app.MainWindow(), &pt);
    SetCapture(app.MainWindow());
    SetCursorPos(pt.x, pt.y);
    for (int i = 0; i < 18; ++i) {
        t += 0.03;
        SetTestClock(t);
        EXPECT_EQ(S_OK, app.Step());
        ReleaseCapture();
    }
    return t;
}

std::time_t s_wallClock = 1000000;
std::time_t TestWallClock() {
    return s_wallClock;
}

TEST_F(ClockAppTest, ExitButtonEndsTheUpdatesAndTheSceneAndPostsTheExitCommand) {
    WriteFlags(0);  // buttons hidden: a held click still reaches them
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    DrainMessages();
    double t = Click(app, 435.2f, 61.44f, 1.0);
    EXPECT_EQ(1, app.QuitFlag());
    MSG msg = {};
    ASSERT_TRUE(PeekMessageA(&msg, app.MainWindow(), WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(CMD_EXIT, LOWORD(msg.wParam));

    // Nothing moves and nothing of the scene is drawn any more.
    const float step = g_frameStep;
    const D3DXMATRIX bird = app.GetBirdFlight()->World();
    m_env.m_log.m_events.clear();
    t += 0.02;
    SetTestClock(t);
    ASSERT_EQ(S_OK, app.Step());
    EXPECT_EQ(step, g_frameStep);
    EXPECT_EQ(0, std::memcmp(&bird, &app.GetBirdFlight()->World(), sizeof(bird)));
    EXPECT_EQ(1u, m_env.m_log.Of(BackendEvent::kClear).size());
    EXPECT_TRUE(SceneDraws(m_env.m_log).empty());
}

TEST_F(ClockAppTest, TimerButtonOpensThePanelAndKeysTwoAndThreeCloseAndResetIt) {
    WriteFlags(FLAG_SHOW_BUTTONS);
    TestClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    double t = Click(app, 76.8f, 61.44f, 1.0);
    EXPECT_EQ(1, app.TimerPanelOpen());
    // Start the count-down, then key 2 hides the buttons and closes the panel.
    t = Click(app, 204.8f, 115.2f, t);
    EXPECT_EQ(1, app.GetTimerPanel()->Running());
    s_abyKeys[SDL_SCANCODE_2] = 1;
    t += 0.03;
    SetTestClock(t);
    ASSERT_EQ(S_OK, app.Step());
    s_abyKeys[SDL_SCANCODE_2] = 0;
    EXPECT_EQ(0, app.GetFlags()->IsSet(FLAG_SHOW_BUTTONS));
    EXPECT_EQ(0, app.TimerPanelOpen());
    EXPECT_EQ(0, app.GetTimerPanel()->Running());
    EXPECT_EQ(180, app.GetTimerPanel()->Seconds());

    // Open again and start; key 3 (after the shared hold time) does the same.
    t = Click(app, 76.8f, 61.44f, t);
    t = Click(app, 204.8f, 115.2f, t);
    ASSERT_EQ(1, app.GetTimerPanel()->Running());
    s_abyKeys[SDL_SCANCODE_3] = 1;
    for (int i = 0; i < 40 && g_viewport.X == 0; ++i) {
        t += 0.03;
        SetTestClock(t);
        ASSERT_EQ(S_OK, app.Step());
    }
    s_abyKeys[SDL_SCANCODE_3] = 0;
    EXPECT_EQ(64u, g_viewport.X);
    EXPECT_EQ(0, app.TimerPanelOpen());
    EXPECT_EQ(0, app.GetTimerPanel()->Running());
}

TEST_F(ClockAppTest, ARingingCountDownStartsTheAlarmAndClosingThePanelOrTheExitButtonStopsIt) {
    WriteFlags(FLAG_SHOW_BUTTONS);
    kernel_hooks::SetWallClock(TestWallClock);
    {
        TestClockApp app;
        ASSERT_EQ(S_OK, app.Create(nullptr));
        ASSERT_NE(nullptr, app.GetAlarm());
        g_alarmSounding = 0;
        double t = Click(app, 76.8f, 61.44f, 1.0);
        t = Click(app, 204.8f, 115.2f, t);
        ASSERT_EQ(1, app.GetTimerPanel()->Running());

        // Past three minutes on the wall clock the count settles at zero and
        // rings at the next second; the sound starts in that frame's alarm step.
        s_wallClock += 200;
        t += 0.03;
        SetTestClock(t);
        ASSERT_EQ(S_OK, app.Step());
        EXPECT_EQ(0, g_alarmSounding);
        s_wallClock += 1;
        t += 0.03;
        SetTestClock(t);
        ASSERT_EQ(S_OK, app.Step());
        EXPECT_EQ(1, app.GetTimerPanel()->Ringing());
        EXPECT_EQ(1, g_alarmSounding);
        EXPECT_TRUE(app.GetAlarm()->IsPlaying());

        // A new device (the device dialog) stops the sound with the old one;
        // the count-down still rings, so the sound comes back with the new one.
        ASSERT_EQ(S_OK, app.OnDeviceLost());
        ASSERT_EQ(S_OK, app.OnDeviceDestroyed());
        EXPECT_FALSE(app.GetAlarm()->IsPlaying());
        ASSERT_EQ(S_OK, app.OnDeviceCreated());
        ASSERT_EQ(S_OK, app.OnDeviceRestored());
        t += 0.03;
        SetTestClock(t);
        ASSERT_EQ(S_OK, app.Step());
        EXPECT_EQ(1, app.GetTimerPanel()->Ringing());
        EXPECT_EQ(1, g_alarmSounding);
        EXPECT_TRUE(app.GetAlarm()->IsPlaying());

        // The timer button closes the panel, which resets it: the sound stops
        // in the frame after.
        t = Click(app, 76.8f, 61.44f, t);
        EXPECT_EQ(0, app.TimerPanelOpen());
        t += 0.03;
        SetTestClock(t);
        ASSERT_EQ(S_OK, app.Step());
        EXPECT_EQ(0, g_alarmSounding);
        EXPECT_FALSE(app.GetAlarm()->IsPlaying());

        // Ringing again, the exit button stops the sound before the program ends.
        t = Click(app, 76.8f, 61.44f, t);
        t = Click(app, 204.8f, 115.2f, t);
        s_wallClock += 200;
        for (int i = 0; i < 2; ++i) {
            t += 0.03;
            SetTestClock(t);
            ASSERT_EQ(S_OK, app.Step());
            s_wallClock += 1;
        }
        ASSERT_TRUE(app.GetAlarm()->IsPlaying());
        t = Click(app, 435.2f, 61.44f, t);
        EXPECT_EQ(1, app.QuitFlag());
        EXPECT_FALSE(app.GetAlarm()->IsPlaying());
    }
    kernel_hooks::SetWallClock(nullptr);
}

}  // namespace
