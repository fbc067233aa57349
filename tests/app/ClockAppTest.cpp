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
#include <memory>
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

std::time_t s_wallClock = 1000000;
std::time_t TestWallClock() {
    return s_wallClock;
}

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
        m_pApp.reset();
        dinput_hooks::SetKeyStateSource(nullptr);
        dinput_hooks::SetFocusSource(nullptr);
    }
    void WriteFlags(DWORD word) { m_cwd.WriteFile("Misc/VelmoranFlags.vmf", Word(word)); }
    // The application reads its settings when it is made, so the word comes first.
    bool Start(DWORD flags, const StartOptions& options = StartOptions()) {
        m_pApp.reset();
        WriteFlags(flags);
        m_pApp = std::make_unique<TestClockApp>(options);
        return m_pApp->Create(nullptr) == S_OK;
    }
    HRESULT StepAt(double t) {
        SetTestClock(m_t = t);
        return m_pApp->Step();
    }
    HRESULT StepBy(double dt = 0.03) { return StepAt(m_t + dt); }
    // Steps until `done` holds, at most 40 frames; returns the frames taken.
    template <typename Done>
    int StepUntil(Done done) {
        int frames = 0;
        while (!done() && frames < 40) {
            EXPECT_EQ(S_OK, StepBy());
            ++frames;
        }
        return frames;
    }
    DWORD State(D3DRENDERSTATETYPE state) {
        DWORD value = 0;
        m_pApp->Device()->GetRenderState(state, &value);
        return value;
    }
    // A quick click at client (x, y): pressed for one frame; the button latches
    // and acts after half a second of frame steps, so 18 frames of 0.03 s follow.
    void Click(float x, float y) {
        POINT pt = {LONG(x), LONG(y)};
        ClientToScreen(m_pApp->MainWindow(), &pt);
        SetCapture(m_pApp->MainWindow());
        SetCursorPos(pt.x, pt.y);
        for (int i = 0; i < 18; ++i) {
            EXPECT_EQ(S_OK, StepBy());
            ReleaseCapture();
        }
    }
    void ClickTimer() { Click(76.8f, 61.44f); }
    void ClickStart() { Click(204.8f, 115.2f); }
    void ClickExit() { Click(435.2f, 61.44f); }

    ScopedTempCwd m_cwd;
    FrameEnvironment m_env;
    MessageBoxCapture m_boxes;
    std::unique_ptr<TestClockApp> m_pApp;
    double m_t = 1.0;
};

TEST_F(ClockAppTest, StartsA512x384MixedDeviceWithItsRenderStatesAndAFullScreenCursor) {
    ASSERT_TRUE(Start(0));
    TestClockApp& app = *m_pApp;
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

    // A dimmer light or another material can stay within the default view's
    // picture tolerance, so the values themselves are checked.
    D3DMATERIAL8 material = {};
    app.Device()->GetMaterial(&material);
    EXPECT_EQ(0, std::memcmp(&material.Diffuse, &material.Ambient, sizeof(material.Diffuse)));
    EXPECT_TRUE(material.Diffuse.r == 1.0f && material.Diffuse.g == 0.0f && material.Diffuse.b == 0.0f &&
                material.Diffuse.a == 1.0f);
    EXPECT_TRUE(material.Specular.r == 0.0f && material.Emissive.g == 0.0f && material.Power == 0.0f);
    const float lights[3][4] = {{0.1f, -0.5f, 0.0f, 1.0f}, {-2.0f, -1.0f, 0.0f, 0.5f}, {0.0f, -0.2f, 1.0f, 0.5f}};
    for (DWORD i = 0; i < 3; ++i) {
        D3DLIGHT8 light = {};
        ASSERT_EQ(S_OK, app.Device()->GetLight(i, &light));
        BOOL enabled = FALSE;
        app.Device()->GetLightEnable(i, &enabled);
        EXPECT_TRUE(enabled && light.Type == D3DLIGHT_DIRECTIONAL) << "light " << i;
        const float got[4] = {light.Direction.x, light.Direction.y, light.Direction.z, light.Diffuse.r};
        EXPECT_EQ(0, std::memcmp(got, lights[i], sizeof(got))) << "light " << i;
        EXPECT_TRUE(light.Diffuse.b == light.Diffuse.r && light.Diffuse.a == 0.0f && light.Ambient.r == 0.0f)
            << "light " << i;
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
        EXPECT_EQ(s.value, State(s.state)) << "render state " << s.state;
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
        app.Device()->GetTextureStageState(0, s.type, &value);
        EXPECT_EQ(s.value, value) << "stage state " << s.type;
    }

    // Full screen shows the device cursor with its watermark.
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

TEST_F(ClockAppTest, RenderClearsWhiteForTheStatisticsThenTheSceneViewportReadAgainAtEveryRestore) {
    ASSERT_TRUE(Start(FLAG_FRAMED_VIEW));
    EXPECT_EQ(0xFF000000u, g_clearColor);
    m_pApp->SetFrameStats("60.00 fps (512x384x32) (D16)");
    m_env.m_log.m_events.clear();

    ASSERT_EQ(S_OK, m_pApp->OnFrameRender());
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
    ASSERT_EQ(BackendEvent::kDraw, ev[2].m_kind);
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
    for (std::size_t i = 1; i < ev.size() && sceneClear == nullptr; ++i) {
        if (ev[i].m_kind == BackendEvent::kClear) {
            sceneClear = &ev[i];
            EXPECT_EQ(BackendEvent::kEndScene, ev[i - 1].m_kind);
            ASSERT_LT(i + 2, ev.size());
            EXPECT_EQ(BackendEvent::kBeginScene, ev[i + 1].m_kind);
            EXPECT_EQ(BackendEvent::kEndScene, ev.back().m_kind);
        }
    }
    ASSERT_NE(nullptr, sceneClear);
    EXPECT_EQ(0xFF000000u, sceneClear->m_color);
    EXPECT_EQ(64u, sceneClear->m_viewport.X);
    EXPECT_EQ(48u, sceneClear->m_viewport.Y);
    EXPECT_EQ(384u, sceneClear->m_viewport.Width);
    EXPECT_EQ(288u, sceneClear->m_viewport.Height);

    // The framed setting is read again when the device is restored.
    m_pApp->GetFlags()->ClearBits(FLAG_FRAMED_VIEW);
    m_env.m_log.m_hrCooperative = D3DERR_DEVICENOTRESET;
    ASSERT_EQ(S_OK, StepAt(2.0));
    EXPECT_EQ(0u, g_viewport.X);
    EXPECT_EQ(512u, g_viewport.Width);
}

TEST_F(ClockAppTest, KeyboardSnapshotSetsTheTenKeysAndReleasesThemWhenTheReadFails) {
    ASSERT_TRUE(Start(0));
    for (SDL_Scancode key : {SDL_SCANCODE_UP, SDL_SCANCODE_PAGEDOWN, SDL_SCANCODE_2, SDL_SCANCODE_A}) {
        s_abyKeys[key] = 1;
    }
    m_pApp->ReadKeys();
    const KeyState& keys = m_pApp->Keys();
    auto named = [&keys] {
        return std::vector<BOOL>{keys.m_bUp,     keys.m_bDown, keys.m_bLeft, keys.m_bRight, keys.m_bPageDown,
                                 keys.m_bPageUp, keys.m_bKey1, keys.m_bKey2, keys.m_bKey3,  keys.m_bKey4};
    };
    EXPECT_EQ((std::vector<BOOL>{1, 0, 0, 0, 1, 0, 0, 1, 0, 0}), named());
    EXPECT_NE(0, keys.m_abyRaw[DIK_A] & 0x80);
    EXPECT_EQ(0, keys.m_abyRaw[DIK_B]);

    // Focus lost while keys are held: the read fails and every key counts as
    // released, so nothing goes on turning or toggling.
    s_bFocus = false;
    std::memset(s_abyKeys, 0, sizeof(s_abyKeys));
    s_abyKeys[SDL_SCANCODE_DOWN] = 1;
    m_pApp->ReadKeys();
    EXPECT_EQ(std::vector<BOOL>(10, 0), named());
    EXPECT_EQ(0, keys.m_abyRaw[DIK_A]);

    // Focus back: the failed read re-acquires, and the next read sees the keys.
    s_bFocus = true;
    m_pApp->ReadKeys();
    m_pApp->ReadKeys();
    EXPECT_EQ(0, keys.m_bUp);
    EXPECT_EQ(1, keys.m_bDown);
}

TEST_F(ClockAppTest, FrameStepIsClampedAndDigitKeysShareOneHoldTime) {
    ASSERT_TRUE(Start(0));
    IDirect3DDevice8* device = m_pApp->Device();
    // The fog takes the background colour; the projection is the full view's.
    EXPECT_EQ(TRUE, State(D3DRS_FOGENABLE));
    EXPECT_EQ(0xFF000000u, State(D3DRS_FOGCOLOR));
    D3DMATRIX projection = {};
    device->GetTransform(D3DTS_PROJECTION, &projection);
    EXPECT_NEAR(1.0f / std::tan(3.14159265f / 8.0f), projection._22, 1e-4f);
    EXPECT_NEAR(500.0f / 499.0f, projection._33, 1e-4f);

    ASSERT_EQ(S_OK, StepAt(1.2));
    EXPECT_FLOAT_EQ(0.03f, g_frameStep);
    ASSERT_EQ(S_OK, StepAt(1.21));
    EXPECT_NEAR(0.01f, g_frameStep, 1e-5f);
    EXPECT_NEAR(0.21f, g_appTime, 1e-5f);

    // Key 1 changes the background and the fog together.
    EXPECT_EQ(0xFF000000u, g_clearColor);
    s_abyKeys[SDL_SCANCODE_1] = 1;
    ASSERT_EQ(S_OK, StepAt(1.22));
    s_abyKeys[SDL_SCANCODE_1] = 0;
    EXPECT_EQ(0xFFFFFFFFu, g_clearColor);
    EXPECT_EQ(0xFFFFFFFFu, State(D3DRS_FOGCOLOR));
    EXPECT_EQ(0, m_pApp->GetDepthFog()->Dirty());
    // A fog state changed behind the fog's back stays: nothing is dirty.
    device->SetRenderState(D3DRS_FOGCOLOR, 0xFF123456);
    ASSERT_EQ(S_OK, StepBy());
    EXPECT_EQ(0xFF123456u, State(D3DRS_FOGCOLOR));

    // Key 4 right after: the shared hold time has to run out first.
    EXPECT_EQ(FALSE, m_pApp->GetVelmoran()->ShowNumerals());
    s_abyKeys[SDL_SCANCODE_4] = 1;
    const int frames = StepUntil([this] { return m_pApp->GetVelmoran()->ShowNumerals() == TRUE; });
    s_abyKeys[SDL_SCANCODE_4] = 0;
    EXPECT_GE(frames, 16);
    EXPECT_LE(frames, 18);

    // Key 3 after the hold time: the framed view with buttons.
    s_abyKeys[SDL_SCANCODE_3] = 1;
    StepUntil([] { return g_viewport.X != 0; });
    EXPECT_EQ(64u, g_viewport.X);
    EXPECT_EQ(288u, g_viewport.Height);
    EXPECT_EQ(1, m_pApp->GetFlags()->IsSet(FLAG_SHOW_BUTTONS));
    EXPECT_EQ(TRUE, m_pApp->GetVelmoran()->ShowNumerals());
}

// A pace the user chose (--max-fps) shows the same world at the same time as
// the display's pace: the bird flies as far, as many bubbles rise, and a held
// key repeats after half a second. Only a frame far longer than the pace is
// a stall, which moves the world a little.
TEST_F(ClockAppTest, AChosenPaceMovesTheWorldAsFastAsTheDisplaysPace) {
    struct Flight {
        float m_fPath;
        DWORD m_dwBubbles;
    };
    auto fly = [this](UINT maxFps, double seconds, double frameTime) {
        StartOptions options;
        options.m_uMaxFps = maxFps;
        EXPECT_TRUE(Start(0, options));
        EXPECT_EQ(S_OK, StepBy());
        const float start = m_pApp->GetBirdFlight()->PathParameter();
        for (double t = 0.0; t < seconds - 1e-6; t += frameTime) {
            EXPECT_EQ(S_OK, StepBy(frameTime));
        }
        return Flight{m_pApp->GetBirdFlight()->PathParameter() - start, m_pApp->GetBubbles()->LiveCount()};
    };
    const Flight display = fly(0, 2.0, 1.0 / 60.0);
    EXPECT_NEAR(display.m_fPath, 0.5f, 0.01f);
    for (UINT fps : {30u, 15u, 5u}) {
        const Flight paced = fly(fps, 2.0, 1.0 / fps);
        EXPECT_NEAR(paced.m_fPath, display.m_fPath, 0.05f * display.m_fPath) << fps << " frames a second";
        EXPECT_NEAR(double(paced.m_dwBubbles), double(display.m_dwBubbles), 0.1 * display.m_dwBubbles) << fps;
    }
    // Stalls: three seconds at 5 frames a second, 0.2 s at the display's pace.
    EXPECT_NEAR(fly(5, 3.0, 3.0).m_fPath, 0.4f * 0.25f, 1e-4f);
    EXPECT_NEAR(fly(0, 0.2, 0.2).m_fPath, 0.03f * 0.25f, 1e-4f);

    // At 5 frames a second a held key toggles at once, then after 0.5 s.
    StartOptions slow;
    slow.m_uMaxFps = 5;
    ASSERT_TRUE(Start(0, slow));
    s_abyKeys[SDL_SCANCODE_1] = 1;
    int toggles = 0;
    DWORD before = m_pApp->GetFlags()->IsSet(FLAG_WHITE_BACKGROUND);
    for (int frame = 0; frame < 5; ++frame) {
        ASSERT_EQ(S_OK, StepBy(0.2));
        const DWORD now = m_pApp->GetFlags()->IsSet(FLAG_WHITE_BACKGROUND);
        toggles += now != before ? 1 : 0;
        before = now;
    }
    s_abyKeys[SDL_SCANCODE_1] = 0;
    EXPECT_EQ(toggles, 2) << "a toggle at the first frame and one 0.6 s later, not 17 frames later";
}

// A clock runs for weeks: the application time the bubbles swing with keeps
// its fractions of a second.
TEST_F(ClockAppTest, ApplicationTimeKeepsItsPrecisionAfterAMonth) {
    ASSERT_TRUE(Start(0));
    const double month = 30.0 * 24.0 * 3600.0;
    ASSERT_EQ(S_OK, StepAt(month));
    const double first = g_appTime;
    ASSERT_EQ(S_OK, StepBy(1.0 / 60.0));
    EXPECT_NEAR(g_appTime - first, 1.0 / 60.0, 1e-6);
}

// A press is reported on the debugger output by the first frame that sees
// the capture, once, so a click from outside can be held until it has acted.
TEST_F(ClockAppTest, TheLeftButtonCapturesTheMouseAndTheFirstFrameThatSeesItSaysSoOncePerPress) {
    ASSERT_TRUE(Start(0));
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
    ClientToScreen(m_pApp->MainWindow(), &pt);
    SetCursorPos(pt.x, pt.y);
    EXPECT_EQ(S_OK, StepBy());
    EXPECT_EQ(0, seen());
    m_pApp->Send(WM_LBUTTONDOWN, 0, MAKELPARAM(256, 192));
    EXPECT_EQ(m_pApp->MainWindow(), GetCapture());
    EXPECT_EQ(0, seen()) << "said before a frame saw it";
    EXPECT_EQ(S_OK, StepBy());
    EXPECT_EQ(1, seen());
    EXPECT_EQ(S_OK, StepBy());
    EXPECT_EQ(S_OK, StepBy());
    EXPECT_EQ(1, seen()) << "said again while the button stayed down";
    m_pApp->Send(WM_LBUTTONUP, 0, MAKELPARAM(256, 192));
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(S_OK, StepBy());
    EXPECT_EQ(1, seen());
    m_pApp->Send(WM_LBUTTONDOWN, 0, MAKELPARAM(256, 192));
    EXPECT_EQ(S_OK, StepBy());
    EXPECT_EQ(2, seen()) << "the second press was not reported";
    m_pApp->Send(WM_LBUTTONUP, 0, MAKELPARAM(256, 192));
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
    // The white background clears the full view white, its only clear.
    ASSERT_TRUE(Start(FLAG_WHITE_BACKGROUND | 0x100));
    EXPECT_EQ(0xFFFFFFFFu, g_clearColor);
    EXPECT_EQ(512u, g_viewport.Width);
    m_env.m_log.m_events.clear();
    ASSERT_EQ(S_OK, m_pApp->OnFrameRender());
    const std::vector<const BackendEvent*> clears = m_env.m_log.Of(BackendEvent::kClear);
    ASSERT_EQ(1u, clears.size());
    EXPECT_EQ(0xFFFFFFFFu, clears[0]->m_color);
    EXPECT_EQ(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clears[0]->m_dwFlags);
    EXPECT_EQ(384u, clears[0]->m_viewport.Height);
    EXPECT_EQ(&m_env.m_log.m_events.front(), clears[0]);
    // Saved on closing, with the bits the program does not know.
    m_pApp->GetFlags()->ToggleBits(FLAG_FRAMED_VIEW);
    m_pApp->Send(WM_COMMAND, CMD_EXIT);
    EXPECT_EQ(nullptr, m_pApp->MainWindow());
    EXPECT_EQ(Word(FLAG_FRAMED_VIEW | FLAG_WHITE_BACKGROUND | 0x100), m_cwd.ReadFile("Misc/VelmoranFlags.vmf"));
    EXPECT_EQ(nullptr, m_pApp->GetFlags());

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
    DebugCapture trace;
    ASSERT_TRUE(Start(FLAG_SHOW_NUMERALS));
    TestClockApp& app = *m_pApp;
    EXPECT_TRUE(m_boxes.Boxes().empty());

    const std::string all = trace.All();
    const std::size_t dammy = all.find("ClockDammy.x");
    const std::size_t background = all.find("opening backgroundpositionfile...Clock.bps");
    const std::size_t clock = all.find("opening velmoranpositionfile...Clock.vps");
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
    std::filesystem::remove(m_cwd.File("Misc/Clock.bps"));
    {
        DebugCapture trace;
        ASSERT_TRUE(Start(0));
        ASSERT_EQ(1u, m_boxes.Boxes().size());
        EXPECT_NE(std::string::npos, m_boxes.Boxes()[0].text.find("failed to open bpsfile"));
        // The flower clock comes after the background: it never loads.
        EXPECT_FALSE(trace.Contains("opening velmoranpositionfile"));
        EXPECT_NE(nullptr, m_pApp->GetSparkTrail()->Texture());
        EXPECT_EQ(S_OK, StepAt(1.0));
        EXPECT_EQ(S_OK, StepAt(1.02));
    }
    // Without the path nothing later loads.
    std::filesystem::remove(m_cwd.File("Misc/Clock.fpp"));
    DebugCapture trace;
    ASSERT_TRUE(Start(0));
    EXPECT_FALSE(trace.Contains("ClockDammy.x"));
    EXPECT_EQ(nullptr, m_pApp->GetSparkTrail()->Texture());
    EXPECT_EQ(nullptr, m_pApp->GetBirdFlight()->GetModel());
    EXPECT_EQ(S_OK, StepAt(1.04));
}

TEST_F(ClockAppTest, CameraRidesWithTheBirdUnlessTheManualCameraIsChosen) {
    ASSERT_TRUE(Start(0));
    TestClockApp& app = *m_pApp;
    const D3DXMATRIX& bird = app.GetBirdFlight()->World();
    ASSERT_EQ(S_OK, StepAt(1.0));
    const float bird1 = bird._41;
    const D3DXMATRIX camera1 = app.GetCamera()->CameraMatrix();
    ASSERT_EQ(S_OK, StepAt(1.03));
    // The bird flew on, and the previous position is where it was.
    EXPECT_NE(bird1, bird._41);
    EXPECT_FLOAT_EQ(bird1, app.GetBirdFlight()->PreviousPosition().x);
    EXPECT_NE(camera1._41, app.GetCamera()->CameraMatrix()._41);

    // Manual camera: the up key moves it 50 units a second along its own z.
    app.GetFlags()->SetBits(FLAG_MANUAL_CAMERA);
    s_abyKeys[SDL_SCANCODE_UP] = 1;
    ASSERT_EQ(S_OK, StepAt(1.06));
    const D3DXMATRIX before = app.GetCamera()->CameraMatrix();
    ASSERT_EQ(S_OK, StepAt(1.08));
    const D3DXMATRIX after = app.GetCamera()->CameraMatrix();
    EXPECT_NEAR(50.0f * 0.02f, std::hypot(after._41 - before._41, after._42 - before._42, after._43 - before._43),
                1e-3f);
}

// A reset (the device was lost and may be restored) leaves the scene drawing
// what it drew before.
TEST_F(ClockAppTest, RenderPassDrawsTheQueuedMeshesBlendedThenTheEffectsTheSameAfterAReset) {
    ASSERT_TRUE(Start(0));
    TestClockApp& app = *m_pApp;
    // Fly long enough for sparks to exist.
    for (int i = 0; i < 60; ++i) {
        ASSERT_EQ(S_OK, StepBy());
    }
    ASSERT_GT(app.GetSparkTrail()->LiveCount(), 0u);
    auto render = [&]() {
        m_env.m_log.m_events.clear();
        EXPECT_EQ(S_OK, app.OnFrameRender());
        std::vector<std::pair<UINT, DWORD>> draws;  // primitives and blending of each
        for (const BackendEvent* draw : SceneDraws(m_env.m_log)) {
            draws.emplace_back(draw->m_uPrimitives, draw->m_dwAlphaBlend);
        }
        return draws;
    };
    const auto draws = render();
    EXPECT_EQ(0u, app.GetDrawQueue()->Count());

    // The bird unblended, the queued meshes blended, then one draw each for
    // the sparks, the ribbons and the bubbles, in that order.
    const DWORD segments = app.GetRibbon()->LiveCount();
    const DWORD bubbles = app.GetBubbles()->LiveCount();
    ASSERT_GT(segments, 0u);
    ASSERT_GT(bubbles, 0u);
    ASSERT_GE(draws.size(), 5u);
    const std::size_t n = draws.size();
    EXPECT_EQ(app.GetSparkTrail()->LiveCount(), draws[n - 3].first);
    EXPECT_EQ(2 * segments, draws[n - 2].first);
    EXPECT_EQ(bubbles, draws[n - 1].first);
    std::size_t first = 0;
    while (first < n - 3 && draws[first].second == FALSE) {
        ++first;
    }
    EXPECT_GT(first, 0u) << "no unblended bird draw before the queue";
    EXPECT_LT(first, n - 3) << "no queued mesh";
    for (std::size_t i = first; i < n - 3; ++i) {
        EXPECT_EQ(TRUE, draws[i].second) << i;
    }
    EXPECT_EQ(FALSE, State(D3DRS_ALPHABLENDENABLE));

    const int resets = m_env.m_log.m_nResets;
    m_env.m_log.m_hrCooperative = D3DERR_DEVICENOTRESET;
    ASSERT_EQ(S_OK, m_pApp->Step());  // the clock stands: nothing moves
    m_env.m_log.m_hrCooperative = D3D_OK;
    ASSERT_EQ(resets + 1, m_env.m_log.m_nResets);
    EXPECT_EQ(draws, render());
}

// Far to near along the camera's forward row (the third of its matrix): three
// background copies on the x axis seen by a camera turned to look along +x.
TEST_F(ClockAppTest, QueuedMeshesAreDrawnFarToNearAlongTheCamerasForwardRow) {
    std::string copies = Word(3);
    for (float x : {200.0f, 100.0f, 300.0f}) {
        D3DXMATRIX placement;
        D3DXMatrixTranslation(&placement, x, 0.0f, 0.0f);
        copies.append(reinterpret_cast<const char*>(&placement), sizeof(placement));
    }
    m_cwd.WriteFile("Misc/Clock.bps", copies);
    ASSERT_TRUE(Start(0));
    ASSERT_EQ(3, m_pApp->GetBackGround()->Count());
    D3DXMATRIX turned;
    D3DXMatrixRotationY(&turned, 3.14159265f / 2.0f);  // forward row (1, 0, 0), forward column (-1, 0, 0)
    m_pApp->GetCamera()->SetCameraMatrix(&turned._11);
    m_env.m_log.m_events.clear();
    ASSERT_EQ(S_OK, m_pApp->OnFrameRender());

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

TEST_F(ClockAppTest, ClosingReleasesTheSceneAndALaterDeviceLoadsItAgain) {
    ASSERT_TRUE(Start(0));
    TestClockApp& app = *m_pApp;
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

TEST_F(ClockAppTest, ExitButtonEndsTheUpdatesAndTheSceneAndPostsTheExitCommand) {
    ASSERT_TRUE(Start(0));  // buttons hidden: a held click still reaches them
    TestClockApp& app = *m_pApp;
    DrainMessages();
    ClickExit();
    EXPECT_EQ(1, app.QuitFlag());
    MSG msg = {};
    ASSERT_TRUE(PeekMessageA(&msg, app.MainWindow(), WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(CMD_EXIT, LOWORD(msg.wParam));

    // Nothing moves and nothing of the scene is drawn any more.
    const float step = g_frameStep;
    const D3DXMATRIX bird = app.GetBirdFlight()->World();
    m_env.m_log.m_events.clear();
    ASSERT_EQ(S_OK, StepBy(0.02));
    EXPECT_EQ(step, g_frameStep);
    EXPECT_EQ(0, std::memcmp(&bird, &app.GetBirdFlight()->World(), sizeof(bird)));
    EXPECT_EQ(1u, m_env.m_log.Of(BackendEvent::kClear).size());
    EXPECT_TRUE(SceneDraws(m_env.m_log).empty());
}

TEST_F(ClockAppTest, TimerButtonOpensThePanelAndKeysTwoAndThreeCloseAndResetIt) {
    ASSERT_TRUE(Start(FLAG_SHOW_BUTTONS));
    TimerPanel* panel = m_pApp->GetTimerPanel();
    ClickTimer();
    EXPECT_EQ(1, m_pApp->TimerPanelOpen());
    // Start the count-down, then key 2 hides the buttons and closes the panel.
    ClickStart();
    EXPECT_EQ(1, panel->Running());
    s_abyKeys[SDL_SCANCODE_2] = 1;
    ASSERT_EQ(S_OK, StepBy());
    s_abyKeys[SDL_SCANCODE_2] = 0;
    EXPECT_EQ(0, m_pApp->GetFlags()->IsSet(FLAG_SHOW_BUTTONS));
    EXPECT_EQ(0, m_pApp->TimerPanelOpen());
    EXPECT_EQ(0, panel->Running());
    EXPECT_EQ(180, panel->Seconds());

    // Open again and start; key 3 (after the shared hold time) does the same.
    ClickTimer();
    ClickStart();
    ASSERT_EQ(1, panel->Running());
    s_abyKeys[SDL_SCANCODE_3] = 1;
    StepUntil([] { return g_viewport.X != 0; });
    EXPECT_EQ(64u, g_viewport.X);
    EXPECT_EQ(0, m_pApp->TimerPanelOpen());
    EXPECT_EQ(0, panel->Running());
}

TEST_F(ClockAppTest, ARingingCountDownStartsTheAlarmAndClosingThePanelOrTheExitButtonStopsIt) {
    kernel_hooks::SetWallClock(TestWallClock);
    ASSERT_TRUE(Start(FLAG_SHOW_BUTTONS));
    TestClockApp& app = *m_pApp;
    ASSERT_NE(nullptr, app.GetAlarm());
    g_alarmSounding = 0;
    ClickTimer();
    ClickStart();
    ASSERT_EQ(1, app.GetTimerPanel()->Running());

    // Past three minutes on the wall clock the count settles at zero and
    // rings at the next second; the sound starts in that frame's alarm step.
    s_wallClock += 200;
    ASSERT_EQ(S_OK, StepBy());
    EXPECT_EQ(0, g_alarmSounding);
    s_wallClock += 1;
    ASSERT_EQ(S_OK, StepBy());
    EXPECT_EQ(1, app.GetTimerPanel()->Ringing());
    EXPECT_EQ(1, g_alarmSounding);
    EXPECT_TRUE(app.GetAlarm()->IsPlaying());

    // A new device (the device dialog) leaves the sound as it is: sounding
    // on, or, its plays over while the count-down still rings, silent.
    auto newDevice = [&app] {
        ASSERT_EQ(S_OK, app.OnDeviceLost());
        ASSERT_EQ(S_OK, app.OnDeviceDestroyed());
        ASSERT_EQ(S_OK, app.OnDeviceCreated());
        ASSERT_EQ(S_OK, app.OnDeviceRestored());
    };
    newDevice();
    ASSERT_EQ(S_OK, StepBy());
    EXPECT_EQ(1, g_alarmSounding);
    EXPECT_TRUE(app.GetAlarm()->IsPlaying());
    app.GetAlarm()->Stop(0);
    newDevice();
    ASSERT_EQ(S_OK, StepBy());
    EXPECT_EQ(1, app.GetTimerPanel()->Ringing());
    EXPECT_FALSE(app.GetAlarm()->IsPlaying()) << "no new plays";

    // The timer button closes the panel, which resets it: the sound stops
    // in the frame after.
    ASSERT_EQ(S_OK, app.GetAlarm()->Play(0, nullptr));
    ClickTimer();
    EXPECT_EQ(0, app.TimerPanelOpen());
    ASSERT_EQ(S_OK, StepBy());
    EXPECT_EQ(0, g_alarmSounding);
    EXPECT_FALSE(app.GetAlarm()->IsPlaying());

    // Ringing again, the exit button stops the sound before the program ends.
    ClickTimer();
    ClickStart();
    s_wallClock += 200;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(S_OK, StepBy());
        s_wallClock += 1;
    }
    ASSERT_TRUE(app.GetAlarm()->IsPlaying());
    ClickExit();
    EXPECT_EQ(1, app.QuitFlag());
    EXPECT_FALSE(app.GetAlarm()->IsPlaying());
    m_pApp.reset();
    kernel_hooks::SetWallClock(nullptr);
}

}  // namespace
