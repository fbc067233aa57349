// The "Select Device" dialog over a frame on configurable adapters and
// recording devices: what the controls offer for each choice, what OK and
// Cancel leave in the device table, and how a changed choice rebuilds the
// device.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/AppFrame.h"
#include "framework/DeviceDialog.h"
#include "platform/d3d/record/FakeDirect3D.h"
#include "platform/win/ModalDialog.h"
#include "platform/win/WindowLayer.h"
#include "support/Capture.h"
#include "support/FrameHarness.h"

namespace {

FakeDirect3D* s_pD3D = nullptr;

// A frame that notes its device hooks and can keep a device reference it
// should have given back.
class DialogFrame : public AppFrame {
public:
    std::vector<std::string> m_hooks;
    bool m_bKeepDeviceReference = false;
    IDirect3DDevice8* m_pKept = nullptr;

    DialogFrame() { m_bUseDepthBuffer = TRUE; }
    ~DialogFrame() override {
        if (m_pKept != nullptr) {
            m_pKept->Release();
        }
    }

    HRESULT OnDeviceCreated() override {
        m_hooks.emplace_back("created");
        if (m_bKeepDeviceReference && m_pKept == nullptr) {
            m_pKept = m_pd3dDevice;
            m_pKept->AddRef();
        }
        return S_OK;
    }
    HRESULT OnDeviceRestored() override { return Note("restored"); }
    HRESULT OnDeviceLost() override { return Note("lost"); }
    HRESULT OnDeviceDestroyed() override { return Note("destroyed"); }
    HRESULT OnAppExit() override { return Note("exit"); }

    LRESULT Command(WORD id) { return HandleMessage(m_hWnd, WM_COMMAND, id, 0); }
    AdapterEntry& Table(DWORD adapter) { return m_adapters[adapter]; }
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

// What the user does in the dialog, and what can be read off its controls.
ModalDialog& Open(HWND dialog) {
    return *ModalDialog::FromWindow(dialog);
}
bool Select(HWND dialog, int id, int index) {
    return Open(dialog).Find(id)->UserSelect(index);
}
bool Click(HWND dialog, int id) {
    return Open(dialog).Find(id)->UserClick();
}
std::vector<std::string> Items(HWND dialog, int id) {
    std::vector<std::string> items;
    const LRESULT count = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[64] = {};
        SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.emplace_back(text);
    }
    return items;
}
std::string Selected(HWND dialog, int id) {
    const LRESULT selection = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    return selection < 0 ? "" : Items(dialog, id)[static_cast<std::size_t>(selection)];
}
bool Enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}
bool Checked(HWND dialog, int id) {
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
// The mode kind as the user sees it: the checked radio button, and whether
// the window button can be chosen and the full-screen modes are open.
std::string ModeKind(HWND dialog) {
    std::string kind = Checked(dialog, IDC_WINDOW) ? "window" : "";
    kind += Checked(dialog, IDC_FULLSCREEN) ? "full screen" : "";
    kind += Enabled(dialog, IDC_WINDOW) ? "" : ", window disabled";
    return kind + (Enabled(dialog, IDC_FULLSCREENMODES_COMBO) ? ", modes" : "");
}
void ChooseReference(HWND dialog) {
    Select(dialog, IDC_DEVICE_COMBO, 1);
    Click(dialog, IDOK);
}

class DeviceDialogTest : public ::testing::Test {
protected:
    DeviceDialogTest() : m_pFake(FakeDirect3D::Create()) {
        m_pFake->Adapters() = {FakeDirect3D::TypicalAdapter("First adapter"),
                               FakeDirect3D::TypicalAdapter("Second adapter")};
        s_pD3D = m_pFake;
        app_frame_hooks::SetDirect3DCreate([](UINT) -> IDirect3D8* {
            s_pD3D->AddRef();
            return s_pD3D;
        });
    }
    ~DeviceDialogTest() override {
        win_hooks::SetDialogDriver(nullptr, nullptr);
        app_frame_hooks::SetDirect3DCreate(nullptr);
        s_pD3D = nullptr;
        m_pFake->Release();
    }

    void Start() {
        ASSERT_EQ(S_OK, m_frame.Create(nullptr));
        m_frame.m_hooks.clear();
        m_uCreates = m_pFake->CreateDeviceCalls();
    }

    // Runs `action` with the user's part played by `user` whenever a dialog
    // is up (a user who forgot to answer cancels); returns how many opened.
    int WithUser(const std::function<void(HWND)>& user, const std::function<void()>& action) {
        struct Driver {
            const std::function<void(HWND)>* m_pUser;
            HWND m_hLast = nullptr;
            int m_nOpened = 0;
            static void Call(HWND dialog, void* self) {
                auto* driver = static_cast<Driver*>(self);
                if (driver->m_hLast != dialog) {
                    driver->m_hLast = dialog;
                    ++driver->m_nOpened;
                    (*driver->m_pUser)(dialog);
                }
                EndDialog(dialog, IDCANCEL);
            }
        } driver{&user};
        win_hooks::SetDialogDriver(Driver::Call, &driver);
        action();
        win_hooks::SetDialogDriver(nullptr, nullptr);
        return driver.m_nOpened;
    }

    // Sends the command with the user's part played by `user` once the
    // dialog is up.
    void ChooseDevice(const std::function<void(HWND)>& user) {
        const int opened = WithUser(user, [this] { EXPECT_EQ(0, m_frame.Command(CMD_CONFIG_DISPLAY)); });
        EXPECT_EQ(1, opened) << "the dialog did not open";
    }

    UINT NewDevices() const { return m_pFake->CreateDeviceCalls() - m_uCreates; }

    FrameEnvironment m_env;
    MessageBoxCapture m_boxes;
    FakeDirect3D* m_pFake;
    DialogFrame m_frame;
    UINT m_uCreates = 0;
};

TEST_F(DeviceDialogTest, TheDialogShowsTheCurrentChoiceAndOkWithoutAChangeIsACancel) {
    // The reference device of the first adapter cannot render in a window.
    m_pFake->Adapters()[0].m_ref.m_caps.Caps2 &= ~D3DCAPS2_CANRENDERWINDOWED;
    Start();
    IDirect3DDevice8* device = m_frame.Device();
    ChooseDevice([&](HWND dialog) {
        EXPECT_EQ((std::vector<std::string>{"First adapter", "Second adapter"}), Items(dialog, IDC_ADAPTER_COMBO));
        EXPECT_EQ("First adapter", Selected(dialog, IDC_ADAPTER_COMBO));
        EXPECT_EQ((std::vector<std::string>{"HAL", "REF"}), Items(dialog, IDC_DEVICE_COMBO));
        EXPECT_EQ("HAL", Selected(dialog, IDC_DEVICE_COMBO));
        EXPECT_EQ((std::vector<std::string>{"640 x 400 x 16", "640 x 480 x 16", "800 x 600 x 16", "1024 x 768 x 16",
                                            "640 x 400 x 32", "640 x 480 x 32", "800 x 600 x 32", "1024 x 768 x 32"}),
                  Items(dialog, IDC_FULLSCREENMODES_COMBO));
        EXPECT_EQ("640 x 480 x 16", Selected(dialog, IDC_FULLSCREENMODES_COMBO));
        EXPECT_EQ("window", ModeKind(dialog)) << "no full-screen mode while windowed";
        EXPECT_EQ((std::vector<std::string>{"none", "2 samples", "4 samples"}), Items(dialog, IDC_MULTISAMPLE_COMBO));
        EXPECT_EQ("none", Selected(dialog, IDC_MULTISAMPLE_COMBO));

        // The mode list follows the radio buttons, the window radio the device's ability.
        Click(dialog, IDC_FULLSCREEN);
        EXPECT_EQ("full screen, modes", ModeKind(dialog));
        Click(dialog, IDC_WINDOW);
        EXPECT_EQ("window", ModeKind(dialog));
        Select(dialog, IDC_DEVICE_COMBO, 1);
        EXPECT_EQ("full screen, window disabled, modes", ModeKind(dialog));
        EXPECT_FALSE(Click(dialog, IDC_WINDOW)) << "a disabled radio button ignores the click";
        EXPECT_EQ("full screen, window disabled, modes", ModeKind(dialog));
        Select(dialog, IDC_DEVICE_COMBO, 0);
        EXPECT_EQ("window", ModeKind(dialog));
        // Going to REF and back leaves nothing changed.
        Click(dialog, IDOK);
    });
    EXPECT_EQ("", m_frame.Hooks());
    EXPECT_EQ(0u, NewDevices());
    EXPECT_EQ(device, m_frame.Device());
    EXPECT_TRUE(m_frame.IsReady());
    EXPECT_EQ(0u, app_frame_hooks::PauseCount());

    // Cancel forgets a real change.
    ChooseDevice([](HWND dialog) {
        Select(dialog, IDC_ADAPTER_COMBO, 1);
        Select(dialog, IDC_DEVICE_COMBO, 1);
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(0u, NewDevices());
    EXPECT_EQ(0u, m_frame.CurrentAdapter());
    EXPECT_EQ(0u, m_frame.Adapter(1).m_dwCurrentDevice);
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

TEST_F(DeviceDialogTest, AnotherAdapterOrDeviceBringsItsOwnModeWindowedFlagAndMultisampleTypes) {
    m_pFake->Adapters()[1].m_ref.m_dwMultiSampleMask = (1u << 2) | (1u << 4);
    Start();
    // The second adapter was last used full screen on its reference device.
    AdapterEntry& second = m_frame.Table(1);
    second.m_dwCurrentDevice = 1;
    second.m_devices[1].m_dwCurrentMode = 6;
    second.m_devices[1].m_bWindowed = FALSE;
    second.m_devices[1].m_multiSampleTypeFullscreen = D3DMULTISAMPLE_4_SAMPLES;
    second.m_devices[1].m_multiSampleTypeWindowed = D3DMULTISAMPLE_2_SAMPLES;
    second.m_devices[0].m_multiSampleTypeWindowed = D3DMULTISAMPLE_2_SAMPLES;

    ChooseDevice([](HWND dialog) {
        ASSERT_TRUE(Select(dialog, IDC_ADAPTER_COMBO, 1));
        EXPECT_EQ("REF", Selected(dialog, IDC_DEVICE_COMBO));
        EXPECT_EQ("800 x 600 x 32", Selected(dialog, IDC_FULLSCREENMODES_COMBO));
        EXPECT_EQ("full screen, modes", ModeKind(dialog));
        EXPECT_EQ("4 samples", Selected(dialog, IDC_MULTISAMPLE_COMBO));

        // Its hardware device is windowed with two samples.
        ASSERT_TRUE(Select(dialog, IDC_DEVICE_COMBO, 0));
        EXPECT_EQ("window", ModeKind(dialog));
        EXPECT_EQ("640 x 480 x 16", Selected(dialog, IDC_FULLSCREENMODES_COMBO));
        EXPECT_EQ("2 samples", Selected(dialog, IDC_MULTISAMPLE_COMBO));

        // Each mode kind keeps its own multisample type.
        Click(dialog, IDC_FULLSCREEN);
        Select(dialog, IDC_FULLSCREENMODES_COMBO, 7);
        EXPECT_EQ("none", Selected(dialog, IDC_MULTISAMPLE_COMBO));
        Select(dialog, IDC_MULTISAMPLE_COMBO, 2);
        Click(dialog, IDC_WINDOW);
        EXPECT_EQ("2 samples", Selected(dialog, IDC_MULTISAMPLE_COMBO));
        Click(dialog, IDC_FULLSCREEN);
        EXPECT_EQ("4 samples", Selected(dialog, IDC_MULTISAMPLE_COMBO));
        Click(dialog, IDOK);
    });
    // OK wrote the whole choice into the table.
    EXPECT_EQ(1u, m_frame.CurrentAdapter());
    const DeviceEntry& chosen = m_frame.Adapter(1).m_devices[0];
    EXPECT_EQ(0u, m_frame.Adapter(1).m_dwCurrentDevice);
    EXPECT_EQ(7u, chosen.m_dwCurrentMode);
    EXPECT_FALSE(chosen.m_bWindowed);
    EXPECT_EQ(D3DMULTISAMPLE_4_SAMPLES, chosen.m_multiSampleTypeFullscreen);
    EXPECT_EQ(D3DMULTISAMPLE_2_SAMPLES, chosen.m_multiSampleTypeWindowed);
    // The device that was not chosen keeps its own.
    EXPECT_EQ(6u, m_frame.Adapter(1).m_devices[1].m_dwCurrentMode);
    EXPECT_FALSE(m_frame.IsWindowed());
    EXPECT_FALSE(m_frame.PresentParameters().Windowed);
    EXPECT_EQ(1024u, m_frame.PresentParameters().BackBufferWidth);
    EXPECT_EQ(D3DMULTISAMPLE_4_SAMPLES, m_frame.PresentParameters().MultiSampleType);
}

TEST_F(DeviceDialogTest, TheMultisampleListOffersOnlyWhatTheDeviceSupports) {
    m_pFake->Adapters()[0].m_hal.m_dwMultiSampleMask = 1u << 8;
    Start();
    ChooseDevice([](HWND dialog) {
        EXPECT_EQ((std::vector<std::string>{"none", "8 samples"}), Items(dialog, IDC_MULTISAMPLE_COMBO));
        EXPECT_TRUE(Enabled(dialog, IDC_MULTISAMPLE_COMBO));
        // The reference device has no multisampling: nothing to choose.
        Select(dialog, IDC_DEVICE_COMBO, 1);
        EXPECT_EQ(std::vector<std::string>{"none"}, Items(dialog, IDC_MULTISAMPLE_COMBO));
        EXPECT_FALSE(Enabled(dialog, IDC_MULTISAMPLE_COMBO)) << "none is the only choice";
        Select(dialog, IDC_DEVICE_COMBO, 0);
        Select(dialog, IDC_MULTISAMPLE_COMBO, 1);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(D3DMULTISAMPLE_8_SAMPLES, m_frame.Adapter(0).m_devices[0].m_multiSampleTypeWindowed);
    EXPECT_EQ(D3DMULTISAMPLE_8_SAMPLES, m_frame.PresentParameters().MultiSampleType);
}

TEST_F(DeviceDialogTest, OpeningInFullScreenFirstSwitchesToAWindowAndAChangedChoiceRebuildsTheDeviceInOrder) {
    Start();
    m_frame.Command(CMD_TOGGLE_FULLSCREEN);
    ASSERT_FALSE(m_frame.IsWindowed());
    m_frame.m_hooks.clear();
    bool windowedUnderTheDialog = false;
    ChooseDevice([&](HWND dialog) {
        windowedUnderTheDialog = m_frame.IsWindowed() && m_frame.PresentParameters().Windowed;
        EXPECT_TRUE(Checked(dialog, IDC_WINDOW));
        Click(dialog, IDCANCEL);
    });
    EXPECT_TRUE(windowedUnderTheDialog);
    EXPECT_EQ("lost restored", m_frame.Hooks()) << "a reset, not a new device";
    EXPECT_EQ(0u, NewDevices());
    EXPECT_TRUE(m_frame.IsWindowed());
    EXPECT_TRUE(m_frame.IsReady());

    // A changed choice rebuilds the device in order.
    m_frame.m_hooks.clear();
    ChooseDevice(ChooseReference);
    EXPECT_EQ("lost destroyed created restored", m_frame.Hooks());
    EXPECT_EQ(1u, NewDevices());
    EXPECT_NE(nullptr, m_frame.Device());
    D3DDEVICE_CREATION_PARAMETERS creation = {};
    m_frame.Device()->GetCreationParameters(&creation);
    EXPECT_EQ(D3DDEVTYPE_REF, creation.DeviceType);
    EXPECT_STREQ("REF (sw vp)", m_frame.DeviceStats());
    EXPECT_TRUE(m_frame.IsWindowed());
    EXPECT_TRUE(m_frame.IsReady());
    EXPECT_TRUE(m_frame.IsActive());
    EXPECT_EQ(0u, app_frame_hooks::PauseCount());
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

TEST_F(DeviceDialogTest, ANewDeviceThatCannotStartOrALeakedOneIsFatal) {
    m_pFake->Adapters()[0].m_ref.m_hrCreate = D3DERR_OUTOFVIDEOMEMORY;
    Start();
    ChooseDevice(ChooseReference);
    ASSERT_EQ(1u, m_boxes.Boxes().size());
    EXPECT_EQ("Not enough video memory.\n\nThis sample will now exit.", m_boxes.Boxes()[0].text);
    EXPECT_EQ(MB_ICONERROR, m_boxes.Boxes()[0].type);
    // The fatal message closed the window; the frame stays paused.
    EXPECT_EQ(nullptr, m_frame.MainWindow());
    EXPECT_EQ("exit", m_frame.m_hooks.back());
    EXPECT_EQ(nullptr, m_frame.Device());
}

TEST_F(DeviceDialogTest, ADeviceWithReferencesLeftAfterReleaseIsFatal) {
    m_frame.m_bKeepDeviceReference = true;
    Start();
    ChooseDevice(ChooseReference);
    ASSERT_EQ(1u, m_boxes.Boxes().size());
    EXPECT_EQ(
        "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up).\n\nThis "
        "sample will now exit.",
        m_boxes.Boxes()[0].text);
    EXPECT_EQ(0u, NewDevices()) << "no new device after a leak";
    EXPECT_EQ(nullptr, m_frame.MainWindow());
}

// The overlay's mouse for the menu clicks below.
float g_fMouseX = -1.0f;
float g_fMouseY = -1.0f;
bool g_bMouseDown = false;
void TestMouse(float* x, float* y, bool* down) {
    *x = g_fMouseX;
    *y = g_fMouseY;
    *down = g_bMouseDown;
}

// Clicks a menu entry drawn by the window's overlay, a frame per step.
void ClickMenuEntry(HWND window, UINT entry) {
    RECT rect{};
    ASSERT_TRUE(win_hooks::GetMenuEntryRect(window, entry, &rect)) << entry;
    g_fMouseX = static_cast<float>(rect.left + rect.right) * 0.5f;
    g_fMouseY = static_cast<float>(rect.top + rect.bottom) * 0.5f;
    for (bool down : {false, true, false}) {
        g_bMouseDown = down;
        win::DrawWindowOverlay(window);
    }
}

void DispatchAll() {
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
}

TEST_F(DeviceDialogTest, F2AndTheFileMenuOpenTheDialogOverAPausedFrame) {
    Start();
    DWORD pausesUnderTheDialog = 0;
    BOOL readyUnderTheDialog = TRUE;
    auto cancel = [&](HWND dialog) {
        pausesUnderTheDialog = app_frame_hooks::PauseCount();
        readyUnderTheDialog = m_frame.IsReady();
        Click(dialog, IDCANCEL);
    };
    HWND window = m_frame.MainWindow();

    // F2 through the accelerator table.
    EXPECT_EQ(1, WithUser(cancel, [&] {
                  HACCEL table = LoadAcceleratorsA(nullptr, MAKEINTRESOURCEA(IDR_ACCELERATOR));
                  MSG key{window, WM_KEYDOWN, VK_F2, 1, 0, POINT{}};
                  EXPECT_NE(0, TranslateAcceleratorA(window, table, &key));
                  DestroyAcceleratorTable(table);
              }));
    EXPECT_EQ(1u, pausesUnderTheDialog);
    EXPECT_FALSE(readyUnderTheDialog);
    EXPECT_TRUE(m_frame.IsReady());

    // The File menu's "Config display...": the menu loop ends before the
    // command arrives, so the frame is paused once under the dialog.
    win_hooks::SetOverlayMouse(TestMouse);
    DrainMessages();
    win::DrawWindowOverlay(window);
    ClickMenuEntry(window, win_hooks::kMenuBarTitle);
    ClickMenuEntry(window, CMD_CONFIG_DISPLAY);
    EXPECT_EQ(1, WithUser(cancel, DispatchAll));
    win_hooks::SetOverlayMouse(nullptr);
    EXPECT_EQ(1u, pausesUnderTheDialog);
    EXPECT_TRUE(m_frame.IsReady());
    EXPECT_EQ(0u, app_frame_hooks::PauseCount());
    EXPECT_EQ("", m_frame.Hooks());
}

}  // namespace
