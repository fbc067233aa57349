// The whole clock kept running through many device changes: window resizes
// (device resets) and device changes in the "Select Device" dialog (new
// devices), with every resource counted back to where it started. Run with
// the leak checker in the sanitizer build.
#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
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
    void Close() { HandleMessage(m_hWnd, WM_CLOSE, 0, 0); }

    // A resize as the user drags the frame: the device is reset at the end.
    void ResizeTo(int width, int height) {
        RECT rc = {0, 0, width, height};
        AdjustWindowRect(&rc, static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE)), TRUE);
        Send(WM_ENTERSIZEMOVE);
        SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
        Send(WM_EXITSIZEMOVE);
    }
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

void CopyMedia(const std::string& to) {
    namespace fs = std::filesystem;
    for (const char* folder : {"Model", "Texture", "Misc", "Sound"}) {
        fs::copy(fs::path(VELMORAN_RUN_DIR) / folder, fs::path(to) / folder, fs::copy_options::recursive);
    }
}

// Resizes the window `count` times, a frame after each: a reset lets the
// skinned meshes go until they are next drawn, so every device after a reset
// holds what it held after the first one.
void ResizeAndCount(SoakClockApp& app, int count) {
    const int sizes[][2] = {{400, 300}, {512, 384}, {640, 480}, {333, 222}, {100, 100}};
    DeviceCounts reset;
    for (int i = 0; i < count; ++i) {
        app.ResizeTo(sizes[i % 5][0], sizes[i % 5][1]);
        ASSERT_EQ(S_OK, app.Step()) << "after resize " << i;
        ASSERT_EQ(static_cast<UINT>(sizes[i % 5][0]), app.BackBufferDesc().Width);
        if (i == 0) {
            reset = CountsOf(app.Device());
            ASSERT_GT(reset.m_dwResources, 0u);
        }
        ASSERT_EQ(reset, CountsOf(app.Device())) << "after resize " << i;
    }
}

TEST(ClockSoakTest, AThousandResetsAndAHundredNewDevicesLeaveNothingBehind) {
    ScopedTempCwd cwd;
    CopyMedia(cwd.Path());
    FrameEnvironment env;
    env.m_log.m_bRecord = false;
    MessageBoxCapture boxes;
    SoakClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    ASSERT_EQ(S_OK, app.Step());
    const DeviceCounts created = CountsOf(app.Device());
    ASSERT_GT(created.m_dwResources, 0u);
    ASSERT_GT(created.m_dwDefaultPool, 0u) << "the particles' dynamic buffers";

    const int resetsBefore = env.m_log.m_nResets;
    ASSERT_NO_FATAL_FAILURE(ResizeAndCount(app, 1000));
    EXPECT_EQ(1000, env.m_log.m_nResets - resetsBefore);

    // Each OK in the dialog with the other device chosen makes a new device
    // and loads every medium again.
    struct Driver {
        int m_nChoice = 0;
        static void Answer(HWND dialog, void* self) {
            auto* driver = static_cast<Driver*>(self);
            ModalDialog* modal = ModalDialog::FromWindow(dialog);
            modal->Find(IDC_DEVICE_COMBO)->UserSelect(driver->m_nChoice);
            modal->Find(IDOK)->UserClick();
        }
    } driver;
    win_hooks::SetDialogDriver(Driver::Answer, &driver);
    for (int i = 0; i < 100; ++i) {
        driver.m_nChoice = (i + 1) % 2;
        const std::size_t creations = env.m_d3d.m_createCalls.size();
        app.Send(WM_COMMAND, CMD_CONFIG_DISPLAY);
        ASSERT_EQ(creations + 1, env.m_d3d.m_createCalls.size()) << "change " << i << " made no new device";
        ASSERT_EQ(i % 2 == 0 ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL, env.m_d3d.m_createCalls.back().m_type);
        ASSERT_EQ(S_OK, app.Step()) << "after change " << i;
        ASSERT_EQ(created, CountsOf(app.Device())) << "after change " << i;
    }
    win_hooks::SetDialogDriver(nullptr, nullptr);
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Boxes().front().text;
    app.Close();
    EXPECT_EQ(nullptr, app.MainWindow());
}

TEST(ClockSoakTest, AHundredResetsOnTheSoftwareDeviceLeaveNothingBehind) {
    // Video stays up for the whole program so the driver's own leftovers stay apart from ours.
    static const bool s_bVideoKept = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 && SDL_GL_LoadLibrary(nullptr) == 0;
    (void)s_bVideoKept;
    ScopedTempCwd cwd;
    CopyMedia(cwd.Path());
    MessageBoxCapture boxes;
    SoakClockApp app;
    ASSERT_EQ(S_OK, app.Create(nullptr));
    ASSERT_EQ(S_OK, app.Step());
    ASSERT_NO_FATAL_FAILURE(ResizeAndCount(app, 100));
    EXPECT_TRUE(boxes.Boxes().empty());
    app.Close();
    EXPECT_EQ(nullptr, app.MainWindow());
}

}  // namespace
