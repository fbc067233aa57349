// The clock application: its device, the two clear passes, the keyboard, the
// settings, the media it loads, the order of its update and render pass, and
// the alarm.
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
#include "framework/FrameStep.h"
#include "platform/kernel/Kernel.h"
#include "support/Capture.h"
#include "support/FrameHarness.h"
#include "support/TempDir.h"

namespace {

std::string Word(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), 4);
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

std::time_t s_wallClock = 1000000;
std::time_t TestWallClock() {
    return s_wallClock;
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
        // The generated media, without its settings file: each test writes its own.
        m_cwd.CopyMedia(VELMORAN_RUN_DIR);
        std::filesystem::remove(m_cwd.File("Misc/VelmoranFlags.vmf"));
    }
    ~ClockAppTest() override {
        m_pApp.reset();
        dinput_hooks::SetKeyStateSource(nullptr);
        dinput_hooks::SetFocusSource(nullptr);
        kernel_hooks::SetWallClock(nullptr);
    }
    // The application reads its settings when it is made, so the word comes first.
    bool Start(DWORD flags, const StartOptions& options = StartOptions()) {
        m_pApp.reset();
        m_cwd.WriteFile("Misc/VelmoranFlags.vmf", Word(flags));
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
    // One render pass, recorded.
    const BackendLog& Render() {
        m_env.m_log.m_events.clear();
        EXPECT_EQ(S_OK, m_pApp->OnFrameRender());
        return m_env.m_log;
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

TEST_F(ClockAppTest, StartsA512x384MixedDeviceWithADepthBufferAndShowsTheCursorInFullScreen) {
    ASSERT_TRUE(Start(FLAG_FRAMED_VIEW));
    TestClockApp& app = *m_pApp;
    RECT rc = {};
    GetClientRect(app.MainWindow(), &rc);
    EXPECT_EQ(512, rc.right - rc.left);
    EXPECT_EQ(384, rc.bottom - rc.top);
    ASSERT_EQ(1u, m_env.m_d3d.m_createCalls.size());
    EXPECT_EQ(D3DCREATE_MIXED_VERTEXPROCESSING, m_env.m_d3d.m_createCalls[0].m_dwBehavior);
    EXPECT_TRUE(m_env.m_d3d.m_createCalls[0].m_params.EnableAutoDepthStencil);
    EXPECT_FALSE(app.IsLoading());
    EXPECT_TRUE(m_boxes.Boxes().empty());

    // The framed setting is read again at every restore.
    EXPECT_EQ(64u, g_viewport.X);
    app.GetFlags()->ClearBits(FLAG_FRAMED_VIEW);
    m_env.m_log.m_hrCooperative = D3DERR_DEVICENOTRESET;
    ASSERT_EQ(S_OK, StepAt(2.0));
    m_env.m_log.m_hrCooperative = D3D_OK;
    EXPECT_EQ(512u, g_viewport.Width);

    app.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN);
    ASSERT_FALSE(app.IsWindowed());
    EXPECT_GT(m_env.m_log.m_uCursorWidth, 0u);
    const int shown = m_env.m_log.m_nShowCursor;
    EXPECT_EQ(TRUE, app.Send(WM_SETCURSOR));
    EXPECT_EQ(shown + 1, m_env.m_log.m_nShowCursor);
}

TEST_F(ClockAppTest, KeyboardSnapshotSetsTheTenKeysAndReleasesThemWhenFocusIsLost) {
    ASSERT_TRUE(Start(0));
    const KeyState& keys = m_pApp->Keys();
    auto named = [&keys] {
        return std::vector<BOOL>{keys.m_bUp,     keys.m_bDown, keys.m_bLeft, keys.m_bRight, keys.m_bPageDown,
                                 keys.m_bPageUp, keys.m_bKey1, keys.m_bKey2, keys.m_bKey3,  keys.m_bKey4};
    };
    const SDL_Scancode order[10] = {SDL_SCANCODE_UP,       SDL_SCANCODE_DOWN,   SDL_SCANCODE_LEFT, SDL_SCANCODE_RIGHT,
                                    SDL_SCANCODE_PAGEDOWN, SDL_SCANCODE_PAGEUP, SDL_SCANCODE_1,    SDL_SCANCODE_2,
                                    SDL_SCANCODE_3,        SDL_SCANCODE_4};
    for (int i = 0; i < 10; ++i) {
        std::memset(s_abyKeys, 0, sizeof(s_abyKeys));
        s_abyKeys[order[i]] = 1;
        m_pApp->ReadKeys();
        std::vector<BOOL> expected(10, 0);
        expected[i] = 1;
        EXPECT_EQ(expected, named()) << "key " << i;
    }
    // Focus lost while a key is held: the read fails and every key counts as
    // released, so nothing goes on turning or toggling; focus back, the failed
    // read re-acquired and the next read sees the keys.
    s_bFocus = false;
    m_pApp->ReadKeys();
    EXPECT_EQ(std::vector<BOOL>(10, 0), named());
    s_bFocus = true;
    m_pApp->ReadKeys();
    m_pApp->ReadKeys();
    EXPECT_EQ(1, keys.m_bKey4);
}

// Key 1 changes the background and the fog together, key 4 shows the
// numerals; key 2 hides the buttons and key 3 brings the framed view with its
// buttons, both closing the timer panel and resetting it. The keys share one
// hold time.
TEST_F(ClockAppTest, DigitKeysToggleTheViewAndShareOneHoldTime) {
    ASSERT_TRUE(Start(FLAG_SHOW_BUTTONS));
    TimerPanel* panel = m_pApp->GetTimerPanel();
    EXPECT_EQ(0xFF000000u, State(D3DRS_FOGCOLOR));
    s_abyKeys[SDL_SCANCODE_1] = 1;
    ASSERT_EQ(S_OK, StepBy());
    s_abyKeys[SDL_SCANCODE_1] = 0;
    EXPECT_EQ(0xFFFFFFFFu, g_clearColor);
    EXPECT_EQ(0xFFFFFFFFu, State(D3DRS_FOGCOLOR));
    s_abyKeys[SDL_SCANCODE_4] = 1;
    const int frames = StepUntil([this] { return m_pApp->GetVelmoran()->ShowNumerals() == TRUE; });
    s_abyKeys[SDL_SCANCODE_4] = 0;
    EXPECT_GE(frames, 16);
    EXPECT_LE(frames, 18);

    ClickTimer();
    ClickStart();
    EXPECT_EQ(1, m_pApp->TimerPanelOpen());
    EXPECT_EQ(1, panel->Running());
    s_abyKeys[SDL_SCANCODE_2] = 1;
    StepUntil([this] { return m_pApp->GetFlags()->IsSet(FLAG_SHOW_BUTTONS) == 0; });
    s_abyKeys[SDL_SCANCODE_2] = 0;
    EXPECT_EQ(0, m_pApp->GetFlags()->IsSet(FLAG_SHOW_BUTTONS));
    EXPECT_EQ(0, m_pApp->TimerPanelOpen());
    EXPECT_EQ(0, panel->Running());
    EXPECT_EQ(180, panel->Seconds());

    ClickTimer();  // hidden, a held click still reaches the buttons
    ClickStart();
    ASSERT_EQ(1, panel->Running());
    s_abyKeys[SDL_SCANCODE_3] = 1;
    StepUntil([] { return g_viewport.X != 0; });
    EXPECT_EQ(64u, g_viewport.X);
    EXPECT_EQ(1, m_pApp->GetFlags()->IsSet(FLAG_SHOW_BUTTONS));
    EXPECT_EQ(0, m_pApp->TimerPanelOpen());
    EXPECT_EQ(0, panel->Running());
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
    m_pApp->Send(WM_LBUTTONDOWN, 0, MAKELPARAM(256, 192));
    EXPECT_EQ(m_pApp->MainWindow(), GetCapture());
    EXPECT_EQ(0, seen()) << "said before a frame saw it";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(S_OK, StepBy());
    }
    EXPECT_EQ(1, seen()) << "not said once while the button stayed down";
    m_pApp->Send(WM_LBUTTONUP, 0, MAKELPARAM(256, 192));
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(S_OK, StepBy());
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
    ASSERT_TRUE(Start(FLAG_WHITE_BACKGROUND | 0x100));
    EXPECT_EQ(0xFFFFFFFFu, g_clearColor);
    EXPECT_EQ(0u, g_viewport.X);
    // Saved on closing, with the bits the program does not know.
    m_pApp->GetFlags()->ToggleBits(FLAG_FRAMED_VIEW);
    m_pApp->Send(WM_COMMAND, CMD_EXIT);
    EXPECT_EQ(nullptr, m_pApp->MainWindow());
    EXPECT_EQ(Word(FLAG_FRAMED_VIEW | FLAG_WHITE_BACKGROUND | 0x100), m_cwd.ReadFile("Misc/VelmoranFlags.vmf"));
    EXPECT_EQ(nullptr, m_pApp->GetFlags());

    StartOptions options;
    options.m_bResetSettings = TRUE;
    ASSERT_TRUE(Start(FLAG_FRAMED_VIEW | FLAG_WHITE_BACKGROUND, options));
    EXPECT_EQ(0xFF000000u, g_clearColor) << "not the file's white background";
    EXPECT_EQ(0u, g_viewport.X) << "not the file's framed view";
    m_pApp->Send(WM_COMMAND, CMD_EXIT);
    EXPECT_EQ(Word(kDefaultFlagsWord), m_cwd.ReadFile("Misc/VelmoranFlags.vmf"));
}

// The scene loads in its order; a missing file stops the loading at its step
// with one message, and the clock runs on with what it has.
TEST_F(ClockAppTest, LoadMediaLoadsTheSceneInOrderAndStopsAtTheFirstMissingFile) {
    {
        DebugCapture trace;
        ASSERT_TRUE(Start(FLAG_SHOW_NUMERALS));
        EXPECT_TRUE(m_boxes.Boxes().empty());
        EXPECT_TRUE(trace.Contains("opening velmoranpositionfile...Clock.vps"));
        EXPECT_EQ(m_pApp->GetClockDammy(), m_pApp->GetBirdFlight()->GetModel()) << "the bird's cull model";
        EXPECT_EQ(TRUE, m_pApp->GetVelmoran()->ShowNumerals());
    }
    std::filesystem::remove(m_cwd.File("Misc/Clock.bps"));
    {
        DebugCapture trace;
        ASSERT_TRUE(Start(0));
        ASSERT_EQ(1u, m_boxes.Boxes().size());
        EXPECT_NE(std::string::npos, m_boxes.Boxes()[0].text.find("failed to open bpsfile"));
        EXPECT_FALSE(trace.Contains("opening velmoranpositionfile")) << "the flower clock comes after the background";
        EXPECT_NE(nullptr, m_pApp->GetSparkTrail()->Texture()) << "the sparks come before it";
        EXPECT_EQ(S_OK, StepAt(1.0));
        EXPECT_EQ(S_OK, StepAt(1.02));
    }
    std::filesystem::remove(m_cwd.File("Misc/Clock.fpp"));
    DebugCapture trace;
    ASSERT_TRUE(Start(0));
    EXPECT_FALSE(trace.Contains("ClockDammy.x")) << "something loaded after the missing path";
    EXPECT_EQ(nullptr, m_pApp->GetBirdFlight()->GetModel());
    EXPECT_EQ(S_OK, StepAt(1.04));
}

TEST_F(ClockAppTest, CameraRidesWithTheBirdUnlessTheManualCameraIsChosen) {
    ASSERT_TRUE(Start(0));
    TestClockApp& app = *m_pApp;
    ASSERT_EQ(S_OK, StepAt(1.0));
    const float bird = app.GetBirdFlight()->World()._41;
    const float camera = app.GetCamera()->CameraMatrix()._41;
    ASSERT_EQ(S_OK, StepAt(1.03));
    EXPECT_NE(bird, app.GetBirdFlight()->World()._41);
    EXPECT_FLOAT_EQ(bird, app.GetBirdFlight()->PreviousPosition().x);
    EXPECT_NE(camera, app.GetCamera()->CameraMatrix()._41);

    // Manual camera: the up key moves it 50 units a second.
    app.GetFlags()->SetBits(FLAG_MANUAL_CAMERA);
    s_abyKeys[SDL_SCANCODE_UP] = 1;
    ASSERT_EQ(S_OK, StepAt(1.06));
    const D3DXMATRIX before = app.GetCamera()->CameraMatrix();
    ASSERT_EQ(S_OK, StepAt(1.08));
    const D3DXMATRIX after = app.GetCamera()->CameraMatrix();
    EXPECT_NEAR(50.0f * 0.02f, std::hypot(after._41 - before._41, after._42 - before._42, after._43 - before._43),
                1e-3f);
}

// The bird unblended, the queued meshes blended, then one draw each for the
// sparks, the ribbons and the bubbles; a reset (the device was lost and may
// be restored) leaves the scene drawing what it drew before; a new device
// loads the scene again.
TEST_F(ClockAppTest, RenderPassDrawsTheQueuedMeshesBlendedThenTheEffectsTheSameAfterAResetAndANewDeviceLoadsItAgain) {
    ASSERT_TRUE(Start(0));
    TestClockApp& app = *m_pApp;
    for (int i = 0; i < 60; ++i) {  // long enough for sparks to exist
        ASSERT_EQ(S_OK, StepBy());
    }
    auto render = [&]() {
        std::vector<std::pair<UINT, DWORD>> draws;  // primitives and blending of each
        for (const BackendEvent* draw : SceneDraws(Render())) {
            draws.emplace_back(draw->m_uPrimitives, draw->m_dwAlphaBlend);
        }
        return draws;
    };
    const auto draws = render();
    EXPECT_EQ(0u, app.GetDrawQueue()->Count());
    ASSERT_GT(app.GetSparkTrail()->LiveCount(), 0u);
    ASSERT_GT(app.GetRibbon()->LiveCount(), 0u);
    ASSERT_GT(app.GetBubbles()->LiveCount(), 0u);
    ASSERT_GE(draws.size(), 5u);
    const std::size_t n = draws.size();
    EXPECT_EQ(app.GetSparkTrail()->LiveCount(), draws[n - 3].first);
    EXPECT_EQ(2 * app.GetRibbon()->LiveCount(), draws[n - 2].first);
    EXPECT_EQ(app.GetBubbles()->LiveCount(), draws[n - 1].first);
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

    // A new device: the old one's scene is let go, the new one loads it again.
    ASSERT_EQ(S_OK, app.OnDeviceLost());
    ASSERT_EQ(S_OK, app.OnDeviceDestroyed());
    EXPECT_EQ(0u, app.GetTexList()->EntryCount());
    EXPECT_EQ(nullptr, app.GetPath()->Points());
    EXPECT_EQ(nullptr, app.GetSparkTrail()->Texture());
    ASSERT_EQ(S_OK, app.OnDeviceCreated());
    ASSERT_EQ(S_OK, app.OnDeviceRestored());
    EXPECT_GT(app.GetTexList()->EntryCount(), 0u);
    EXPECT_NE(nullptr, app.GetPath()->Points());
    EXPECT_NE(nullptr, app.GetSparkTrail()->Texture());
    app.Send(WM_COMMAND, CMD_EXIT);
    EXPECT_EQ(nullptr, app.GetVelmoran());
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

TEST_F(ClockAppTest, ARingingCountDownStartsTheAlarmClosingThePanelStopsItAndTheExitButtonStopsItAndTheClock) {
    kernel_hooks::SetWallClock(TestWallClock);
    ASSERT_TRUE(Start(FLAG_SHOW_BUTTONS));
    TestClockApp& app = *m_pApp;
    ASSERT_NE(nullptr, app.GetAlarm());
    g_alarmSounding = 0;
    auto ring = [&] {
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
        EXPECT_TRUE(app.GetAlarm()->IsPlaying());
    };
    ring();
    EXPECT_EQ(1, g_alarmSounding);

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
    ring();
    DrainMessages();
    ClickExit();
    EXPECT_EQ(1, app.QuitFlag());
    EXPECT_FALSE(app.GetAlarm()->IsPlaying());
    MSG msg = {};
    ASSERT_TRUE(PeekMessageA(&msg, app.MainWindow(), WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(CMD_EXIT, LOWORD(msg.wParam));

    // Nothing moves and nothing of the scene is drawn any more.
    const D3DXMATRIX bird = app.GetBirdFlight()->World();
    ASSERT_EQ(S_OK, StepBy());
    EXPECT_EQ(0, std::memcmp(&bird, &app.GetBirdFlight()->World(), sizeof(bird)));
    EXPECT_EQ(1u, Render().Of(BackendEvent::kClear).size());
    EXPECT_TRUE(SceneDraws(m_env.m_log).empty());
}

}  // namespace
