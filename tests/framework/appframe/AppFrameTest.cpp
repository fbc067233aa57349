// The frame's life: creation with the hardware-to-reference fall-back, frames
// and their timing, device loss, pauses, resizing and the message table.
#include <gtest/gtest.h>

#include "framework/AppFrame.h"
#include "framework/ErrorReport.h"
#include "platform/win/WindowLayer.h"
#include "support/Capture.h"
#include "support/FrameHarness.h"

namespace {

// A frame that notes every hook it runs and can be told to fail one.
class HookFrame : public AppFrame {
public:
    std::vector<std::string> m_hooks;
    HRESULT m_hrCreated = S_OK;
    D3DDEVTYPE m_failCreatedOn = D3DDEVTYPE_SW;

    HookFrame() { m_bUseDepthBuffer = TRUE; }

    HRESULT OnAppInit() override { return Note("init"); }
    HRESULT OnDeviceCreated() override {
        Note("created");
        D3DDEVICE_CREATION_PARAMETERS parameters = {};
        m_pd3dDevice->GetCreationParameters(&parameters);
        return parameters.DeviceType == m_failCreatedOn ? m_hrCreated : S_OK;
    }
    HRESULT OnDeviceRestored() override { return Note("restored"); }
    HRESULT OnFrameUpdate() override { return Note("update"); }
    HRESULT OnFrameRender() override {
        Note("render");
        m_pd3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF112233, 1.0f, 0);
        return S_OK;
    }
    HRESULT OnDeviceLost() override { return Note("lost"); }
    HRESULT OnDeviceDestroyed() override { return Note("destroyed"); }
    HRESULT OnAppExit() override { return Note("exit"); }

    HRESULT Step() { return StepFrame(); }
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { return HandleMessage(m_hWnd, msg, wParam, lParam); }
    void SetWindowedFlag(BOOL windowed) { m_bWindowed = windowed; }
    // Pretends the device in use is the given full-screen device of adapter 0.
    void UseFullScreenDevice(DWORD device) {
        m_adapters[0].m_dwCurrentDevice = device;
        m_bWindowed = FALSE;
    }
    // Draws in a window it is given, as a screen saver: a window made here
    // stands in for the other program's.
    void TakeGivenWindow(unsigned long id) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "Given window";
        RegisterClassA(&windowClass);  // once a process
        m_hWnd = CreateWindowExA(0, "Given window", "", WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
        m_iHostWindow = id;
    }
    double Time() const { return m_dTime; }
    float Elapsed() const { return m_fElapsedTime; }
    std::string Hooks() const {
        std::string all;
        for (const std::string& h : m_hooks) {
            all += all.empty() ? h : " " + h;
        }
        return all;
    }

private:
    HRESULT Note(const char* name) {
        m_hooks.emplace_back(name);
        return S_OK;
    }
};

class AppFrameTest : public ::testing::Test {
protected:
    // Creates the frame and forgets what the creation ran and drew.
    bool Start() {
        const bool bStarted = m_frame.Create(nullptr) == S_OK;
        m_frame.m_hooks.clear();
        m_env.m_log.m_events.clear();
        return bStarted;
    }
    // Forgets the hooks run, the device events and the devices created so far.
    void Forget() {
        m_frame.m_hooks.clear();
        m_env.m_log.m_events.clear();
        m_env.m_d3d.m_createCalls.clear();
    }
    HRESULT StepAt(double t) {
        SetTestClock(t);
        return m_frame.Step();
    }

    FrameEnvironment m_env;
    MessageBoxCapture m_boxes;
    HookFrame m_frame;
};

TEST_F(AppFrameTest, CreateBuildsTheWindowAndStartsTheFirstWindowedDevice) {
    ASSERT_EQ(S_OK, m_frame.Create(nullptr));
    EXPECT_TRUE(m_frame.IsActive());
    EXPECT_TRUE(m_frame.IsReady());
    EXPECT_EQ("init created restored", m_frame.Hooks());

    ASSERT_EQ(1u, m_env.m_d3d.m_createCalls.size());
    const CreateDeviceCall& call = m_env.m_d3d.m_createCalls[0];
    EXPECT_EQ(D3DDEVTYPE_HAL, call.m_type);
    EXPECT_EQ(m_frame.MainWindow(), call.m_hFocus);
    EXPECT_TRUE(call.m_params.Windowed);
    EXPECT_TRUE(call.m_params.EnableAutoDepthStencil);
    EXPECT_EQ(D3DFMT_D16, call.m_params.AutoDepthStencilFormat);
    EXPECT_EQ(D3DFMT_X8R8G8B8, call.m_params.BackBufferFormat);
    // The default creation size is the client area, and the back buffer follows it.
    EXPECT_EQ(400u, call.m_params.BackBufferWidth);
    EXPECT_EQ(400u, m_frame.BackBufferDesc().Width);
    EXPECT_EQ(300u, m_frame.BackBufferDesc().Height);
    EXPECT_STREQ("HAL (sw vp): Test adapter", m_frame.DeviceStats());
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

TEST_F(AppFrameTest, ADisplaySkippedForItsSmallModesDoesNotShiftTheAdapterNumbers) {
    // The first display has no mode of 640 x 400 and takes no entry; the
    // second, the only entry, must be asked for by its own number.
    TableAdapter small = StandardAdapter();
    small.m_szDescription = "Small display";
    small.m_desktop = {320, 240, 60, D3DFMT_R5G6B5};
    small.m_modes = {{320, 240, 60, D3DFMT_R5G6B5}};
    m_env.m_d3d.m_adapters = {small, StandardAdapter()};
    ASSERT_TRUE(Start());
    ASSERT_EQ(1u, m_frame.AdapterCount());
    ASSERT_EQ(1u, m_env.m_d3d.m_createCalls.size());
    EXPECT_EQ(1u, m_env.m_d3d.m_createCalls[0].m_uAdapter);
    EXPECT_EQ(D3DFMT_X8R8G8B8, m_env.m_d3d.m_createCalls[0].m_params.BackBufferFormat);
    ASSERT_EQ(S_OK, StepAt(1.25));
    EXPECT_STREQ("0.80 fps (400x300x32) (D16)", m_frame.FrameStats()) << "the second display's mode";
}

TEST_F(AppFrameTest, FailingHardwareDeviceFallsBackToTheReferenceDeviceWithAWarning) {
    m_env.m_d3d.m_adapters[0].m_hal.m_hrCreate = D3DERR_OUTOFVIDEOMEMORY;
    ASSERT_TRUE(Start());

    ASSERT_EQ(2u, m_env.m_d3d.m_createCalls.size());
    EXPECT_EQ(D3DDEVTYPE_HAL, m_env.m_d3d.m_createCalls[0].m_type);
    EXPECT_EQ(D3DDEVTYPE_REF, m_env.m_d3d.m_createCalls[1].m_type);
    EXPECT_STREQ("REF (sw vp)", m_frame.DeviceStats());
    EXPECT_TRUE(m_frame.IsActive());
    ASSERT_EQ(1u, m_boxes.Boxes().size());
    EXPECT_EQ(0u, m_boxes.Boxes()[0].text.find("Not enough video memory.\n\nSwitching to the reference rasterizer"));
    EXPECT_EQ(MB_ICONWARNING, m_boxes.Boxes()[0].type);
}

TEST_F(AppFrameTest, FailingHookDestroysTheHardwareDeviceBeforeTheFallBack) {
    m_frame.m_failCreatedOn = D3DDEVTYPE_HAL;
    m_frame.m_hrCreated = E_OUTOFMEMORY;
    ASSERT_EQ(S_OK, m_frame.Create(nullptr));
    EXPECT_EQ("init created lost destroyed created restored", m_frame.Hooks());
    EXPECT_STREQ("REF (sw vp)", m_frame.DeviceStats());
    ASSERT_EQ(1u, m_boxes.Boxes().size());
    EXPECT_NE(std::string::npos, m_boxes.Boxes()[0].text.find("Not enough memory."));
}

TEST_F(AppFrameTest, FailingReferenceDeviceEndsCreateWithAFatalMessage) {
    m_env.m_d3d.m_adapters[0].m_hal.m_hrCreate = D3DERR_NOTAVAILABLE;
    m_env.m_d3d.m_adapters[0].m_ref.m_hrCreate = D3DERR_OUTOFVIDEOMEMORY;
    EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY, m_frame.Create(nullptr));
    ASSERT_EQ(2u, m_boxes.Boxes().size());
    EXPECT_EQ("Not enough video memory.\n\nThis sample will now exit.", m_boxes.Boxes()[1].text);
    EXPECT_EQ(MB_ICONERROR, m_boxes.Boxes()[1].type);
    // The fatal message closed the window, which ran the exit hook.
    EXPECT_EQ(nullptr, m_frame.MainWindow());
    EXPECT_EQ("exit", m_frame.m_hooks.back());
}

TEST_F(AppFrameTest, NoDrawingObjectOrNoDeviceIsFatal) {
    app_frame_hooks::SetDirect3DCreate([](UINT) -> IDirect3D8* { return nullptr; });
    EXPECT_EQ(ERR_NO_D3D, m_frame.Create(nullptr));
    EXPECT_TRUE(m_frame.m_hooks.empty());
    ASSERT_EQ(1u, m_boxes.Boxes().size());
    EXPECT_EQ(0u, m_boxes.Boxes()[0].text.find("Could not initialize Direct3D."));
}

TEST_F(AppFrameTest, NullReferenceDeviceIsWarnedAboutButStarted) {
    m_env.m_d3d.m_adapters[0].m_hal.m_bPresent = false;
    m_env.m_d3d.m_adapters[0].m_ref.m_caps.PrimitiveMiscCaps = D3DPMISCCAPS_NULLREFERENCE;
    ASSERT_TRUE(Start());
    ASSERT_EQ(2u, m_boxes.Boxes().size());
    EXPECT_EQ(0u, m_boxes.Boxes()[1].text.find("Warning: Nothing will be rendered."));
    EXPECT_TRUE(m_frame.IsActive());
}

TEST_F(AppFrameTest, FrameRunsHooksInOrderPresentsOnceAndReportsStatisticsOncePerSecond) {
    ASSERT_TRUE(Start());
    EXPECT_STREQ("", m_frame.FrameStats());

    ASSERT_EQ(S_OK, StepAt(1.25));
    EXPECT_EQ("update render", m_frame.Hooks());
    EXPECT_FLOAT_EQ(0.25f, m_frame.Time());
    EXPECT_FLOAT_EQ(0.25f, m_frame.Elapsed());
    EXPECT_EQ(1, m_env.m_log.Count(BackendEvent::kPresent));
    EXPECT_EQ(BackendEvent::kPresent, m_env.m_log.m_events.back().m_kind);
    // The last report counts as made at time 0: the first frame reports at once.
    EXPECT_STREQ("0.80 fps (400x300x32) (D16)", m_frame.FrameStats());

    // No elapsed time: nothing drawn or presented.
    Forget();
    ASSERT_EQ(S_OK, m_frame.Step());
    EXPECT_TRUE(m_frame.m_hooks.empty());
    EXPECT_TRUE(m_env.m_log.m_events.empty());

    // Then a report only when more than a second has passed since the last.
    for (double t : {1.5, 1.75, 2.0, 2.25}) {
        ASSERT_EQ(S_OK, StepAt(t));
    }
    EXPECT_STREQ("0.80 fps (400x300x32) (D16)", m_frame.FrameStats());
    ASSERT_EQ(S_OK, StepAt(2.5));
    EXPECT_STREQ("4.00 fps (400x300x32) (D16)", m_frame.FrameStats());
}

TEST_F(AppFrameTest, LostDeviceSkipsFramesAndAResettableOneIsReset) {
    ASSERT_TRUE(Start());

    m_env.m_log.m_hrCooperative = D3DERR_DEVICELOST;
    ASSERT_EQ(S_OK, StepAt(2.0));
    ASSERT_EQ(S_OK, StepAt(3.0));
    EXPECT_TRUE(m_frame.m_hooks.empty());
    EXPECT_TRUE(m_env.m_log.m_events.empty());

    // The desktop changed to 16 bits while the device was lost.
    m_env.m_d3d.m_adapters[0].m_desktop.Format = D3DFMT_R5G6B5;
    m_env.m_log.m_hrCooperative = D3DERR_DEVICENOTRESET;
    ASSERT_EQ(S_OK, StepAt(4.0));
    EXPECT_EQ("lost restored", m_frame.Hooks());
    EXPECT_EQ(1, m_env.m_log.Count(BackendEvent::kReset));
    EXPECT_EQ(0, m_env.m_log.Count(BackendEvent::kPresent));
    EXPECT_EQ(D3DFMT_R5G6B5, m_frame.PresentParameters().BackBufferFormat);

    m_env.m_log.m_hrCooperative = D3D_OK;
    m_frame.m_hooks.clear();
    ASSERT_EQ(S_OK, StepAt(5.0));
    EXPECT_EQ("update render", m_frame.Hooks());

    // Any other failure ends the frame with that code.
    m_env.m_log.m_hrCooperative = D3DERR_DRIVERINTERNALERROR;
    EXPECT_EQ(D3DERR_DRIVERINTERNALERROR, StepAt(6.0));
}

TEST_F(AppFrameTest, NestedPausesKeepTheFrameStoppedUntilTheLastEndsAndPaintsRedrawWhilePaused) {
    ASSERT_TRUE(Start());
    ASSERT_EQ(S_OK, StepAt(2.0));

    m_frame.Send(WM_ENTERSIZEMOVE);
    EXPECT_FALSE(m_frame.IsReady());
    SetTestClock(3.0);
    m_frame.Send(WM_ENTERMENULOOP);
    EXPECT_EQ(2u, app_frame_hooks::PauseCount());
    SetTestClock(4.0);
    m_frame.Send(WM_EXITMENULOOP);
    EXPECT_FALSE(m_frame.IsReady());
    SetTestClock(5.0);
    m_frame.Send(WM_EXITSIZEMOVE);
    EXPECT_TRUE(m_frame.IsReady());
    EXPECT_EQ(0u, app_frame_hooks::PauseCount());

    // The three paused seconds count neither as application time nor as elapsed time.
    ASSERT_EQ(S_OK, StepAt(5.5));
    EXPECT_FLOAT_EQ(1.5f, m_frame.Time());
    EXPECT_FLOAT_EQ(0.5f, m_frame.Elapsed());

    // A paint redraws the scene only while paused: when ready, the loop draws.
    Forget();
    m_frame.Send(WM_PAINT);
    EXPECT_TRUE(m_frame.m_hooks.empty());
    m_frame.Pause(TRUE);
    m_frame.Send(WM_PAINT);
    EXPECT_EQ("render", m_frame.Hooks());
    EXPECT_EQ(1, m_env.m_log.Count(BackendEvent::kPresent));
    m_frame.Pause(FALSE);
}

TEST_F(AppFrameTest, ResizeResetsOnlyWhenTheClientSizeChangedAndAFailedResetIsFatal) {
    ASSERT_TRUE(Start());

    m_frame.Send(WM_ENTERSIZEMOVE);
    m_frame.Send(WM_EXITSIZEMOVE);
    EXPECT_TRUE(m_frame.m_hooks.empty());
    EXPECT_EQ(1, m_env.m_log.m_nResets);  // the creation only

    RECT rc = {0, 0, 320, 200};
    AdjustWindowRect(&rc, static_cast<DWORD>(GetWindowLongA(m_frame.MainWindow(), GWL_STYLE)), TRUE);
    m_frame.Send(WM_ENTERSIZEMOVE);
    SetWindowPos(m_frame.MainWindow(), nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    m_frame.Send(WM_EXITSIZEMOVE);
    EXPECT_EQ("lost restored", m_frame.Hooks());
    EXPECT_TRUE(m_frame.IsReady());
    EXPECT_EQ(320u, m_frame.BackBufferDesc().Width);
    EXPECT_EQ(200u, m_frame.BackBufferDesc().Height);

    // A failed reset after a resize is fatal.
    m_env.m_log.m_nFailingResets = 1;
    m_frame.Send(WM_ENTERSIZEMOVE);
    SetWindowPos(m_frame.MainWindow(), nullptr, 0, 0, 300, 250, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(0, m_frame.Send(WM_EXITSIZEMOVE));
    ASSERT_EQ(1u, m_boxes.Boxes().size());
    EXPECT_EQ("Could not reset the Direct3D device.\n\nThis sample will now exit.", m_boxes.Boxes()[0].text);
    EXPECT_EQ(nullptr, m_frame.MainWindow());
}

TEST_F(AppFrameTest, MessageTableDependsOnWindowedOrFullScreen) {
    ASSERT_TRUE(Start());
    // The window cannot be dragged smaller than 100 x 100 (a picture of nothing).
    MINMAXINFO info = {};
    m_frame.Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(100, info.ptMinTrackSize.x);
    EXPECT_EQ(100, info.ptMinTrackSize.y);

    // Windowed: the window system answers hit tests and system commands.
    EXPECT_EQ(DefWindowProcA(m_frame.MainWindow(), WM_NCHITTEST, 0, 0), m_frame.Send(WM_NCHITTEST));
    for (WPARAM command : {SC_MOVE, SC_SIZE, SC_MAXIMIZE, SC_KEYMENU, SC_MONITORPOWER}) {
        EXPECT_NE(TRUE, m_frame.Send(WM_SYSCOMMAND, command)) << command;
    }

    // Full screen: the whole window is client area and those commands are swallowed.
    m_frame.SetWindowedFlag(FALSE);
    EXPECT_EQ(HTCLIENT, m_frame.Send(WM_NCHITTEST, 0, MAKELPARAM(5, 5)));
    for (WPARAM command : {SC_MOVE, SC_SIZE, SC_MAXIMIZE, SC_KEYMENU, SC_MONITORPOWER}) {
        EXPECT_EQ(TRUE, m_frame.Send(WM_SYSCOMMAND, command)) << command;
    }
    EXPECT_NE(TRUE, m_frame.Send(WM_SYSCOMMAND, SC_MINIMIZE));
    // The window-system cursor is hidden over a full-screen device.
    EXPECT_EQ(TRUE, m_frame.Send(WM_SETCURSOR));
    m_frame.SetWindowedFlag(TRUE);
    EXPECT_NE(TRUE, m_frame.Send(WM_SETCURSOR));

    // The context menu opens only in a window.
    RECT bounds = {};
    GetWindowRect(m_frame.MainWindow(), &bounds);
    const LPARAM where = MAKELPARAM(static_cast<WORD>(bounds.left + 40), static_cast<WORD>(bounds.top + 60));
    m_frame.SetWindowedFlag(FALSE);
    m_frame.Send(WM_CONTEXTMENU, 0, where);
    EXPECT_FALSE(win::IsMenuOpen(m_frame.MainWindow()));
    m_frame.SetWindowedFlag(TRUE);
    m_frame.Send(WM_CONTEXTMENU, 0, where);
    EXPECT_TRUE(win::IsMenuOpen(m_frame.MainWindow()));
}

TEST_F(AppFrameTest, AFrameGivenAWindowDrawsTheSceneAloneAtItsSize) {
    EXPECT_FALSE(m_frame.IsScreensaver());
    m_frame.TakeGivenWindow(0x2a00007);
    ASSERT_EQ(S_OK, m_frame.Create(nullptr));
    EXPECT_TRUE(m_frame.IsScreensaver());
    // The given window has no context for a hardware device: the reference
    // device, chosen first and so without the fall-back's warning.
    ASSERT_EQ(1u, m_env.m_d3d.m_createCalls.size());
    const CreateDeviceCall& call = m_env.m_d3d.m_createCalls[0];
    EXPECT_EQ(D3DDEVTYPE_REF, call.m_type);
    EXPECT_TRUE(call.m_params.Windowed);
    EXPECT_EQ(640u, call.m_params.BackBufferWidth);
    EXPECT_EQ(480u, call.m_params.BackBufferHeight);
    EXPECT_TRUE(m_boxes.Boxes().empty());

    ASSERT_EQ(S_OK, StepAt(1.25));
    EXPECT_STREQ("", m_frame.FrameStats()) << "no statistics over the scene";

    // Neither menu, device dialog nor full screen: the window is not its own.
    m_frame.m_hooks.clear();
    m_frame.Send(WM_CONTEXTMENU, 0, MAKELPARAM(40, 60));
    EXPECT_FALSE(win::IsMenuOpen(m_frame.MainWindow()));
    EXPECT_EQ(0, m_frame.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN));
    EXPECT_EQ(0, m_frame.Send(WM_COMMAND, CMD_CONFIG_DISPLAY));
    EXPECT_TRUE(m_frame.IsWindowed());
    EXPECT_TRUE(m_frame.IsReady());
    EXPECT_EQ(0u, app_frame_hooks::PauseCount());
    EXPECT_TRUE(m_frame.m_hooks.empty());
    EXPECT_EQ(1u, m_env.m_d3d.m_createCalls.size());
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

TEST_F(AppFrameTest, ExitCommandClosesTheWindowAfterStoppingTheDeviceAndEndsTheLoop) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(0, m_frame.Send(WM_COMMAND, CMD_EXIT));
    EXPECT_EQ("lost destroyed exit", m_frame.Hooks());
    EXPECT_EQ(nullptr, m_frame.MainWindow());
    EXPECT_EQ(nullptr, m_frame.Device());
    EXPECT_FALSE(m_frame.IsActive());
    EXPECT_EQ(1u, m_env.m_d3d.m_uRefs);  // the table's own reference only

    MSG msg = {};
    bool bQuit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        bQuit = bQuit || msg.message == WM_QUIT;
    }
    EXPECT_TRUE(bQuit);

    // The message loop returns when the command arrives.
    HookFrame running;
    ASSERT_EQ(S_OK, running.Create(nullptr));
    SetTestClock(2.0);
    PostMessageA(running.MainWindow(), WM_COMMAND, CMD_EXIT, 0);
    EXPECT_EQ(0, running.Run());
    EXPECT_EQ("exit", running.m_hooks.back());
}

TEST_F(AppFrameTest, ToggleSwitchesToTheFullScreenModeAndBackOnceUnpausedAndMinimisingStopsRendering) {
    ASSERT_TRUE(Start());
    m_frame.Pause(TRUE);
    m_frame.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN);
    EXPECT_TRUE(m_frame.IsWindowed());
    m_frame.Pause(FALSE);

    EXPECT_EQ(0, m_frame.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN));
    EXPECT_FALSE(m_frame.IsWindowed());
    EXPECT_TRUE(m_frame.IsReady());
    EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_SYSMENU | WS_VISIBLE), GetWindowLongA(m_frame.MainWindow(), GWL_STYLE));
    EXPECT_FALSE(m_frame.PresentParameters().Windowed);
    EXPECT_EQ(640u, m_frame.BackBufferDesc().Width);
    EXPECT_EQ(480u, m_frame.BackBufferDesc().Height);
    EXPECT_EQ(D3DFMT_R5G6B5, m_frame.PresentParameters().BackBufferFormat);
    EXPECT_EQ("lost restored", m_frame.Hooks());

    EXPECT_EQ(0, m_frame.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN));
    EXPECT_TRUE(m_frame.IsWindowed());
    EXPECT_TRUE(m_frame.PresentParameters().Windowed);
    EXPECT_EQ(400u, m_frame.BackBufferDesc().Width);
    EXPECT_EQ(300u, m_frame.BackBufferDesc().Height);
    EXPECT_EQ(D3DFMT_X8R8G8B8, m_frame.PresentParameters().BackBufferFormat);
    EXPECT_TRUE(m_boxes.Boxes().empty());

    m_frame.Send(WM_SIZE, SIZE_MINIMIZED);
    EXPECT_FALSE(m_frame.IsActive());
    m_frame.Send(WM_SIZE, SIZE_RESTORED);
    EXPECT_TRUE(m_frame.IsActive());
    m_frame.Send(WM_SIZE, SIZE_MAXHIDE);
    EXPECT_FALSE(m_frame.IsActive());
}

TEST_F(AppFrameTest, FullScreenGoesOnTheDisplayTheWindowIsOnMakingTheDeviceAgainOnItsAdapter) {
    // Two displays; the device starts on the first, the window is on the second.
    TableAdapter second = StandardAdapter();
    second.m_szDescription = "Second display";
    second.m_modes = {{1024, 768, 60, D3DFMT_X8R8G8B8}};
    m_env.m_d3d.m_adapters.push_back(second);
    ASSERT_TRUE(Start());
    ASSERT_EQ(0u, m_env.m_d3d.m_createCalls.at(0).m_uAdapter);
    m_env.m_d3d.m_adapters[0].m_hMonitor = reinterpret_cast<HMONITOR>(std::uintptr_t{0x99});
    m_env.m_d3d.m_adapters[1].m_hMonitor = MonitorFromWindow(m_frame.MainWindow(), MONITOR_DEFAULTTONEAREST);
    Forget();

    EXPECT_EQ(0, m_frame.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN));
    EXPECT_FALSE(m_frame.IsWindowed());
    EXPECT_TRUE(m_frame.IsReady());
    EXPECT_EQ("lost destroyed created restored", m_frame.Hooks());
    ASSERT_EQ(1u, m_env.m_d3d.m_createCalls.size());
    const CreateDeviceCall& call = m_env.m_d3d.m_createCalls[0];
    EXPECT_EQ(1u, call.m_uAdapter);
    EXPECT_EQ(D3DDEVTYPE_HAL, call.m_type);
    EXPECT_FALSE(call.m_params.Windowed);
    EXPECT_EQ(1024u, m_frame.BackBufferDesc().Width);
    EXPECT_EQ(768u, m_frame.BackBufferDesc().Height);

    // Back to a window and full screen again: the device is on the window's
    // display now, so both are resets.
    Forget();
    m_frame.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN);
    m_frame.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN);
    EXPECT_FALSE(m_frame.IsWindowed());
    EXPECT_EQ("lost restored lost restored", m_frame.Hooks());
    EXPECT_TRUE(m_env.m_d3d.m_createCalls.empty());
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

TEST_F(AppFrameTest, LeavingFullScreenOnADeviceThatCannotRenderWindowedMovesToOneThatCan) {
    // The hardware device renders only full screen in 16 bits; the reference device renders windowed.
    m_env.m_d3d.m_adapters[0].m_hal.m_renderFormats = {D3DFMT_R5G6B5};
    ASSERT_TRUE(Start());
    m_frame.UseFullScreenDevice(0);
    Forget();

    m_frame.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN);
    EXPECT_TRUE(m_frame.IsWindowed());
    EXPECT_TRUE(m_frame.IsReady());
    EXPECT_EQ(1u, m_frame.Adapter(0).m_dwCurrentDevice);
    EXPECT_EQ("lost destroyed created restored", m_frame.Hooks());
    ASSERT_EQ(1u, m_env.m_d3d.m_createCalls.size());
    EXPECT_EQ(D3DDEVTYPE_REF, m_env.m_d3d.m_createCalls[0].m_type);
    EXPECT_TRUE(m_env.m_d3d.m_createCalls[0].m_params.Windowed);
}

TEST_F(AppFrameTest, FailedResetIntoAWindowRebuildsAWindowedDevice) {
    ASSERT_TRUE(Start());
    m_frame.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN);
    ASSERT_FALSE(m_frame.IsWindowed());
    Forget();

    // A failing reset into the window builds a new windowed device.
    m_env.m_log.m_nFailingResets = 1;
    m_frame.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN);
    EXPECT_TRUE(m_frame.IsWindowed());
    EXPECT_TRUE(m_frame.IsReady());
    EXPECT_EQ("lost lost destroyed created restored", m_frame.Hooks());
    ASSERT_EQ(1u, m_env.m_d3d.m_createCalls.size());
    EXPECT_TRUE(m_env.m_d3d.m_createCalls[0].m_params.Windowed);
    EXPECT_EQ(400u, m_frame.BackBufferDesc().Width);
    EXPECT_TRUE(m_boxes.Boxes().empty());

    // When no device will start in the window either (the hardware device
    // gives way to the reference device, with its warning, and that fails
    // too), the failure is reported once and the program ends.
    m_frame.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN);
    ASSERT_FALSE(m_frame.IsWindowed());
    m_env.m_log.m_nFailingResets = 1;
    m_env.m_d3d.m_adapters[0].m_hal.m_hrCreate = D3DERR_OUTOFVIDEOMEMORY;
    m_env.m_d3d.m_adapters[0].m_ref.m_hrCreate = D3DERR_OUTOFVIDEOMEMORY;
    m_frame.Send(WM_COMMAND, CMD_TOGGLE_FULLSCREEN);
    int fatal = 0;
    for (const auto& box : m_boxes.Boxes()) {
        fatal += box.text.find("will now exit") != std::string::npos ? 1 : 0;
        EXPECT_EQ(std::string::npos, box.text.find("Could not reset")) << "a second report of the same failure";
    }
    EXPECT_EQ(1, fatal);
    EXPECT_EQ(0u, m_boxes.Boxes().back().text.find("Not enough video memory.")) << m_boxes.Boxes().back().text;
    EXPECT_EQ(nullptr, m_frame.MainWindow());
}

}  // namespace
