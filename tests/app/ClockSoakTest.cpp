// The whole clock kept running through many device changes: window resizes
// (device resets) and device changes in the "Select Device" dialog (new
// devices), with every resource counted back to where it started. Run with
// the leak checker in the sanitizer build.
#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/ClockApp.h"
#include "framework/DeviceDialog.h"
#include "platform/d3d/core/DeviceCore.h"
#include "platform/win/ModalDialog.h"
#include "support/Capture.h"
#include "support/FrameHarness.h"
#include "support/TempDir.h"

namespace {

class SoakClockApp : public ClockApp {
public:
    HRESULT Step() { return StepFrame(); }
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { return HandleMessage(m_hWnd, msg, wParam, lParam); }
};

// What the device holds: managed and default-pool resources alive on it.
struct DeviceCounts {
    DWORD m_dwResources = 0;
    DWORD m_dwDefaultPool = 0;
    bool operator==(const DeviceCounts&) const = default;
};
DeviceCounts CountsOf(IDirect3DDevice8* device) {
    const auto* core = dynamic_cast<const DeviceCore*>(device);
    return core != nullptr ? DeviceCounts{core->LiveResourceCount(), core->LiveDefaultPoolCount()} : DeviceCounts{};
}
void PrintTo(const DeviceCounts& counts, std::ostream* out) {
    *out << counts.m_dwResources << " resources, " << counts.m_dwDefaultPool << " in the default pool";
}

class ClockSoakTest : public ::testing::Test {
protected:
    ClockSoakTest() {
        m_cwd.CopyMedia(VELMORAN_RUN_DIR);
    }
    // Starts the clock and draws a frame; what its device then holds.
    DeviceCounts Start() {
        m_pApp = std::make_unique<SoakClockApp>();
        EXPECT_EQ(S_OK, m_pApp->Create(nullptr));
        EXPECT_EQ(S_OK, m_pApp->Step());
        return CountsOf(m_pApp->Device());
    }
    ~ClockSoakTest() override {
        EXPECT_TRUE(m_boxes.Boxes().empty()) << m_boxes.Boxes().front().text;
        m_pApp->Send(WM_CLOSE);
        EXPECT_EQ(nullptr, m_pApp->MainWindow());
    }

    ScopedTempCwd m_cwd;
    MessageBoxCapture m_boxes;
    std::unique_ptr<FrameEnvironment> m_pEnv;  // the table's devices, made before the clock and gone after it
    std::unique_ptr<SoakClockApp> m_pApp;
};

// Resizes as the user drags the frame, a frame after each: a reset lets the
// skinned meshes go until they are next drawn, so every device after a reset
// holds what it held after the first one.
TEST_F(ClockSoakTest, TwoHundredResetsOnTheSoftwareDeviceLeaveNothingBehind) {
    // Video stays up for the whole program so the driver's own leftovers stay apart from ours.
    static const bool s_bVideoKept = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 && SDL_GL_LoadLibrary(nullptr) == 0;
    (void)s_bVideoKept;
    ASSERT_GT(Start().m_dwResources, 0u);
    const int sizes[][2] = {{400, 300}, {512, 384}, {640, 480}, {333, 222}, {100, 100}};
    DeviceCounts reset;
    for (int i = 0; i < 200; ++i) {
        RECT rc = {0, 0, sizes[i % 5][0], sizes[i % 5][1]};
        AdjustWindowRect(&rc, static_cast<DWORD>(GetWindowLongA(m_pApp->MainWindow(), GWL_STYLE)), TRUE);
        m_pApp->Send(WM_ENTERSIZEMOVE);
        SetWindowPos(m_pApp->MainWindow(), nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        m_pApp->Send(WM_EXITSIZEMOVE);
        ASSERT_EQ(S_OK, m_pApp->Step()) << "after resize " << i;
        ASSERT_EQ(static_cast<UINT>(sizes[i % 5][0]), m_pApp->BackBufferDesc().Width) << "no reset " << i;
        if (i == 0) {
            reset = CountsOf(m_pApp->Device());
        }
        ASSERT_EQ(reset, CountsOf(m_pApp->Device())) << "after resize " << i;
    }
}

// Each OK in the dialog with the other device chosen makes a new device and
// loads every medium again.
TEST_F(ClockSoakTest, FiftyNewDevicesLeaveNothingBehind) {
    m_pEnv = std::make_unique<FrameEnvironment>();
    m_pEnv->m_log.m_bRecord = false;
    const DeviceCounts created = Start();
    ASSERT_GT(created.m_dwDefaultPool, 0u) << "the particles' dynamic buffers";
    struct Driver {
        int m_nChoice = 0;
        static void Answer(HWND dialog, void* self) {
            ModalDialog* modal = ModalDialog::FromWindow(dialog);
            modal->Find(IDC_DEVICE_COMBO)->UserSelect(static_cast<Driver*>(self)->m_nChoice);
            modal->Find(IDOK)->UserClick();
        }
    } driver;
    win_hooks::SetDialogDriver(Driver::Answer, &driver);
    for (int i = 0; i < 50; ++i) {
        driver.m_nChoice = (i + 1) % 2;
        const std::size_t creations = m_pEnv->m_d3d.m_createCalls.size();
        m_pApp->Send(WM_COMMAND, CMD_CONFIG_DISPLAY);
        ASSERT_EQ(creations + 1, m_pEnv->m_d3d.m_createCalls.size()) << "change " << i << " made no new device";
        ASSERT_EQ(i % 2 == 0 ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL, m_pEnv->m_d3d.m_createCalls.back().m_type);
        ASSERT_EQ(S_OK, m_pApp->Step()) << "after change " << i;
        ASSERT_EQ(created, CountsOf(m_pApp->Device())) << "after change " << i;
    }
    win_hooks::SetDialogDriver(nullptr, nullptr);
}

}  // namespace
