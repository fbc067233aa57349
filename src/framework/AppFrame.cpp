#include "framework/AppFrame.h"

#include <cstdio>
#include <cstring>

#include "framework/ErrorReport.h"
#include "framework/FrameTimer.h"
#include "platform/kernel/Kernel.h"
#include "platform/win/HostWindow.h"
#include "platform/win/WinGdi.h"
#include "platform/win/WindowVisibility.h"

namespace {

// The one frame of the process; the window procedure forwards to it.
AppFrame* s_pFrame = nullptr;
DWORD s_dwPauseCount = 0;
// How often the world of an unseen window is updated: the timer counts whole
// seconds.
constexpr DWORD kUnseenUpdateMs = 1000;
DWORD s_dwStatsFrames = 0;
double s_dLastStatsTime = 0.0;

app_frame_hooks::CreateD3DFn s_pfnCreateD3D = nullptr;

LRESULT FrameWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (s_pFrame == nullptr) {
        return DefWindowProcA(hWnd, msg, wParam, lParam);
    }
    return s_pFrame->HandleMessage(hWnd, msg, wParam, lParam);
}

const char* DepthTag(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D16:
            return " (D16)";
        case D3DFMT_D15S1:
            return " (D15S1)";
        case D3DFMT_D24X8:
            return " (D24X8)";
        case D3DFMT_D24S8:
            return " (D24S8)";
        case D3DFMT_D24X4S4:
            return " (D24X4S4)";
        case D3DFMT_D32:
            return " (D32)";
        default:
            return "";
    }
}

// The system commands full screen refuses: moving, sizing, maximising, the
// menu by key and the screen's power saving.
bool RefusedInFullScreen(WPARAM command) {
    switch (command) {
        case SC_MOVE:
        case SC_SIZE:
        case SC_MAXIMIZE:
        case SC_KEYMENU:
        case SC_MONITORPOWER:
            return true;
        default:
            return false;
    }
}

void AppendText(char (&buffer)[90], const char* text) {
    const std::size_t used = std::strlen(buffer);
    std::snprintf(buffer + used, sizeof(buffer) - used, "%s", text);
}

}  // namespace

namespace app_frame_hooks {
void SetDirect3DCreate(CreateD3DFn fn) {
    s_pfnCreateD3D = fn;
}
DWORD PauseCount() {
    return s_dwPauseCount;
}
}  // namespace app_frame_hooks

AppFrame::AppFrame()
    : m_dwAdapterCount(0),
      m_dwAdapter(0),
      m_bWindowed(FALSE),
      m_bActive(FALSE),
      m_bReady(FALSE),
      m_d3dpp(),
      m_hWnd(nullptr),
      m_hWndFocus(nullptr),
      m_pD3D(nullptr),
      m_pd3dDevice(nullptr),
      m_d3dCaps(),
      m_d3dsdBackBuffer(),
      m_dwWindowStyle(0),
      m_rcWindowBounds(),
      m_rcWindowClient(),
      m_dTime(0.0),
      m_fElapsedTime(0.0f),
      m_fFPS(0.0f),
      m_szDeviceStats(),
      m_szFrameStats(),
      m_szWindowTitle("D3D8 Application"),
      m_bUseDepthBuffer(FALSE),
      m_dwMinDepthBits(16),
      m_dwMinStencilBits(0),
      m_dwCreationWidth(400),
      m_dwCreationHeight(300),
      m_bShowCursorWhenFullscreen(FALSE),
      m_bClipCursorWhenFullscreen(TRUE),
      m_iHostWindow(0),
      m_bFatalReported(FALSE) {
    std::memset(m_adapters, 0, sizeof(m_adapters));
    // There is one frame per process: a new one starts with fresh process state.
    s_pFrame = this;
    s_dwPauseCount = 0;
    s_dwStatsFrames = 0;
    s_dLastStatsTime = 0.0;
}

AppFrame::~AppFrame() {
    // A frame whose window was never closed still owns its device and object.
    ReleaseInterface(m_pd3dDevice);
    ReleaseInterface(m_pD3D);
    if (m_hWnd != nullptr) {
        DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
    if (s_pFrame == this) {
        s_pFrame = nullptr;
    }
}

HRESULT AppFrame::ReportError(HRESULT code, int kind) {
    if (kind == MSG_FATAL) {
        if (m_bFatalReported) {
            return code;
        }
        m_bFatalReported = TRUE;
    }
    return ShowErrorMessage(code, kind, m_szWindowTitle, m_hWnd);
}

HRESULT AppFrame::ApplyWindowStyle() {
    SetWindowLongA(
        m_hWnd, GWL_STYLE,
        m_bWindowed ? static_cast<LONG>(m_dwWindowStyle) : static_cast<LONG>(WS_POPUP | WS_SYSMENU | WS_VISIBLE));
    return S_OK;
}

HRESULT AppFrame::AcceptDevice(const D3DCAPS8*, DWORD, D3DFORMAT) {
    return S_OK;
}

HRESULT AppFrame::Create(HINSTANCE instance) {
    RegisterFrameResources();
    m_pD3D = s_pfnCreateD3D != nullptr ? s_pfnCreateD3D(D3D_SDK_VERSION) : Direct3DCreate8(D3D_SDK_VERSION);
    if (m_pD3D == nullptr) {
        return ReportError(ERR_NO_D3D, MSG_FATAL);
    }

    HRESULT hr = EnumerateDevices();
    if (FAILED(hr)) {
        ReleaseInterface(m_pD3D);
        return ReportError(hr, MSG_FATAL);
    }

    if (m_hWnd == nullptr) {
        WNDCLASSA wndClass = {};
        wndClass.style = 0;
        wndClass.lpfnWndProc = FrameWindowProc;
        wndClass.cbClsExtra = 0;
        wndClass.cbWndExtra = 0;
        wndClass.hInstance = instance;
        wndClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN_ICON));
        wndClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wndClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wndClass.lpszMenuName = nullptr;
        wndClass.lpszClassName = "D3D Window";
        RegisterClassA(&wndClass);
    }
    if (m_hWnd == nullptr && m_iHostWindow != 0) {
        m_hWnd = win::CreateHostedWindow("D3D Window", m_iHostWindow);
        if (m_hWnd == nullptr) {
            ReleaseInterface(m_pD3D);
            return ReportError(ERR_NO_HOST_WINDOW, MSG_FATAL);
        }
    }
    if (m_hWnd == nullptr) {
        m_dwWindowStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
        RECT rc = {0, 0, static_cast<LONG>(m_dwCreationWidth), static_cast<LONG>(m_dwCreationHeight)};
        AdjustWindowRect(&rc, m_dwWindowStyle, TRUE);
        HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MENU));
        m_hWnd = CreateWindowExA(0, "D3D Window", m_szWindowTitle, m_dwWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                 rc.right - rc.left, rc.bottom - rc.top, nullptr, menu, instance, nullptr);
    }

    m_hWndFocus = m_hWnd;

    m_dwWindowStyle = static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE));
    GetWindowRect(m_hWnd, &m_rcWindowBounds);
    GetClientRect(m_hWnd, &m_rcWindowClient);

    FrameTimer(TimerStart);

    hr = OnAppInit();
    if (FAILED(hr)) {
        ReleaseInterface(m_pD3D);
        return ReportError(hr, MSG_FATAL);
    }

    hr = StartDevice();
    if (FAILED(hr)) {
        ReleaseInterface(m_pD3D);
        return ReportError(hr, MSG_FATAL);
    }

    m_bReady = TRUE;
    return S_OK;
}

int AppFrame::Run() {
    // A screen saver takes no keys (the daemon ends it).
    HACCEL accel = IsScreensaver() ? nullptr : LoadAcceleratorsA(nullptr, MAKEINTRESOURCEA(IDR_ACCELERATOR));

    MSG msg = {};
    PeekMessageA(&msg, nullptr, 0U, 0U, PM_NOREMOVE);
    while (msg.message != WM_QUIT) {
        BOOL bGotMsg = FALSE;
        if (FramesWanted()) {
            bGotMsg = PeekMessageA(&msg, nullptr, 0U, 0U, PM_REMOVE);
        } else if (m_bReady && m_pd3dDevice != nullptr) {
            // Unseen (covered or minimised), the world still follows the time
            // now and then, undrawn, so that a timer's alarm starts when due.
            if (MsgWaitForMultipleObjects(0, nullptr, FALSE, kUnseenUpdateMs, QS_ALLINPUT) == WAIT_TIMEOUT) {
                UpdateUnseen();
            }
            bGotMsg = PeekMessageA(&msg, nullptr, 0U, 0U, PM_REMOVE);
        } else {
            // 0 is the quit message, which ends the loop below; -1 is no message.
            bGotMsg = GetMessageA(&msg, nullptr, 0U, 0U) != -1;
        }

        if (bGotMsg) {
            if (msg.message == WM_QUIT) {
                break;
            }
            if (accel == nullptr || TranslateAcceleratorA(m_hWnd, accel, &msg) == 0) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else if (FramesWanted() && m_bReady) {
            if (FAILED(StepFrame())) {
                SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
            }
        }
    }
    if (accel != nullptr) {
        DestroyAcceleratorTable(accel);
    }
    return static_cast<int>(msg.wParam);
}

BOOL AppFrame::FramesWanted() {
    const BOOL bObscured = win::IsWindowObscured(m_hWnd) ? TRUE : FALSE;
    if (bObscured != m_bObscured) {
        // The world does not jump by the time it was covered: the first step
        // after it is a stall, cut short as any other.
        if (bObscured) {
            OutputDebugStringA("AppFrame: hidden, no frames are drawn\n");
        }
        m_bShownAgain = !bObscured;
        m_bObscured = bObscured;
    }
    return m_bActive && !bObscured;
}

void AppFrame::UpdateUnseen() {
    if (SUCCEEDED(m_pd3dDevice->TestCooperativeLevel())) {
        m_dTime = FrameTimerSeconds(TimerAppTime);
        m_fElapsedTime = FrameTimer(TimerElapsed);
        OnFrameUpdate();
    }
}

HRESULT AppFrame::StepFrame() {
    HRESULT hr = m_pd3dDevice->TestCooperativeLevel();
    if (FAILED(hr)) {
        if (hr == D3DERR_DEVICELOST) {
            return S_OK;
        }
        if (hr == D3DERR_DEVICENOTRESET) {
            if (m_bWindowed) {
                AdapterEntry& adapter = m_adapters[m_dwAdapter];
                m_pD3D->GetAdapterDisplayMode(adapter.m_uOrdinal, &adapter.m_desktopMode);
                m_d3dpp.BackBufferFormat = adapter.m_desktopMode.Format;
            }
            return ResetDevice();
        }
        return hr;
    }

    const double dAppTime = FrameTimerSeconds(TimerAppTime);
    const float fElapsedAppTime = FrameTimer(TimerElapsed);
    if (fElapsedAppTime == 0.0f) {
        return S_OK;
    }

    m_dTime = dAppTime;
    m_fElapsedTime = fElapsedAppTime;

    hr = OnFrameUpdate();
    if (FAILED(hr)) {
        return hr;
    }
    hr = OnFrameRender();
    if (FAILED(hr)) {
        return hr;
    }

    // The counter runs from the machine's start, which may be weeks ago.
    const double dTime = FrameTimerSeconds(TimerAbsolute);
    ++s_dwStatsFrames;
    if (dTime - s_dLastStatsTime > 1.0) {
        m_fFPS = static_cast<float>(s_dwStatsFrames / (dTime - s_dLastStatsTime));
        s_dLastStatsTime = dTime;
        s_dwStatsFrames = 0;
        // A screen saver shows the scene alone.
        if (!IsScreensaver()) {
            FormatFrameStats();
        }
    }

    m_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
    if (!m_bFirstFrameShown) {
        // The moment the animation starts from, for whoever watches the output.
        m_bFirstFrameShown = TRUE;
        OutputDebugStringA("AppFrame: the first frame is shown\n");
    }
    if (m_bShownAgain) {
        m_bShownAgain = FALSE;
        OutputDebugStringA("AppFrame: shown again, a frame is drawn\n");
    }
    return S_OK;
}

void AppFrame::FormatFrameStats() {
    D3DDISPLAYMODE mode = {};
    m_pD3D->GetAdapterDisplayMode(m_adapters[m_dwAdapter].m_uOrdinal, &mode);
    std::snprintf(m_szFrameStats, sizeof(m_szFrameStats), "%.02f fps (%dx%dx%d)", m_fFPS,
                  static_cast<int>(m_d3dsdBackBuffer.Width), static_cast<int>(m_d3dsdBackBuffer.Height),
                  mode.Format == D3DFMT_X8R8G8B8 ? 32 : 16);

    const AdapterEntry& adapter = m_adapters[m_dwAdapter];
    const DeviceEntry& device = adapter.m_devices[adapter.m_dwCurrentDevice];
    if (m_bUseDepthBuffer) {
        AppendText(m_szFrameStats, DepthTag(device.m_modes[device.m_dwCurrentMode].m_depthStencilFormat));
    }
    const DWORD multiSample = m_bWindowed ? device.m_multiSampleTypeWindowed : device.m_multiSampleTypeFullscreen;
    if (multiSample >= 2 && multiSample <= 16) {
        char tag[32];
        std::snprintf(tag, sizeof(tag), " (%ux Multisample)", static_cast<unsigned>(multiSample));
        AppendText(m_szFrameStats, tag);
    }
}

void AppFrame::FormatDeviceStats(const DeviceEntry& device, const ModeEntry& mode, const AdapterEntry& adapter) {
    const bool bHal = device.m_deviceType == D3DDEVTYPE_HAL;
    std::snprintf(m_szDeviceStats, sizeof(m_szDeviceStats), "%s", bHal ? "HAL" : "REF");

    const DWORD behavior = mode.m_dwBehavior;
    constexpr DWORD kPure = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
    if ((behavior & kPure) == kPure) {
        AppendText(m_szDeviceStats, bHal ? " (pure hw vp)" : " (simulated pure hw vp)");
    } else if ((behavior & D3DCREATE_HARDWARE_VERTEXPROCESSING) != 0) {
        AppendText(m_szDeviceStats, bHal ? " (hw vp)" : " (simulated hw vp)");
    } else if ((behavior & D3DCREATE_MIXED_VERTEXPROCESSING) != 0) {
        AppendText(m_szDeviceStats, bHal ? " (mixed vp)" : " (simulated mixed vp)");
    } else if ((behavior & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0) {
        AppendText(m_szDeviceStats, " (sw vp)");
    }

    if (bHal) {
        AppendText(m_szDeviceStats, ": ");
        AppendText(m_szDeviceStats, adapter.m_identifier.Description);
    }
}

void AppFrame::ReadBackBufferDesc() {
    IDirect3DSurface8* backBuffer = nullptr;
    if (SUCCEEDED(m_pd3dDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) && backBuffer != nullptr) {
        backBuffer->GetDesc(&m_d3dsdBackBuffer);
        backBuffer->Release();
    }
}

void AppFrame::SetUpCursor() {
    if (m_bShowCursorWhenFullscreen && !m_bWindowed) {
        HCURSOR cursor = reinterpret_cast<HCURSOR>(GetClassLongPtrA(m_hWnd, GCLP_HCURSOR));
        SetDeviceCursor(m_pd3dDevice, cursor, TRUE);
        m_pd3dDevice->ShowCursor(TRUE);
    }
    if (m_bClipCursorWhenFullscreen) {
        if (m_bWindowed) {
            ClipCursor(nullptr);
        } else {
            RECT rcWindow;
            GetWindowRect(m_hWnd, &rcWindow);
            ClipCursor(&rcWindow);
        }
    }
}

void AppFrame::RestoreWindowBounds() {
    SetWindowPos(m_hWnd, HWND_NOTOPMOST, m_rcWindowBounds.left, m_rcWindowBounds.top,
                 m_rcWindowBounds.right - m_rcWindowBounds.left, m_rcWindowBounds.bottom - m_rcWindowBounds.top,
                 SWP_SHOWWINDOW);
}

void AppFrame::FillPresentParameters() {
    const AdapterEntry& adapter = m_adapters[m_dwAdapter];
    const DeviceEntry& device = adapter.m_devices[adapter.m_dwCurrentDevice];
    const ModeEntry& mode = device.m_modes[device.m_dwCurrentMode];
    std::memset(&m_d3dpp, 0, sizeof(m_d3dpp));
    m_d3dpp.Windowed = device.m_bWindowed;
    m_d3dpp.BackBufferCount = 1;
    m_d3dpp.MultiSampleType =
        device.m_bWindowed ? device.m_multiSampleTypeWindowed : device.m_multiSampleTypeFullscreen;
    m_d3dpp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_d3dpp.EnableAutoDepthStencil = m_bUseDepthBuffer;
    m_d3dpp.AutoDepthStencilFormat = mode.m_depthStencilFormat;
    m_d3dpp.hDeviceWindow = m_hWnd;
    if (m_bWindowed) {
        m_d3dpp.BackBufferWidth = static_cast<UINT>(m_rcWindowClient.right - m_rcWindowClient.left);
        m_d3dpp.BackBufferHeight = static_cast<UINT>(m_rcWindowClient.bottom - m_rcWindowClient.top);
        m_d3dpp.BackBufferFormat = adapter.m_desktopMode.Format;
    } else {
        m_d3dpp.BackBufferWidth = mode.m_dwWidth;
        m_d3dpp.BackBufferHeight = mode.m_dwHeight;
        m_d3dpp.BackBufferFormat = mode.m_format;
    }
}

HRESULT AppFrame::StartDevice() {
    AdapterEntry& adapter = m_adapters[m_dwAdapter];
    DeviceEntry& device = adapter.m_devices[adapter.m_dwCurrentDevice];
    const ModeEntry& mode = device.m_modes[device.m_dwCurrentMode];

    ApplyWindowStyle();
    FillPresentParameters();

    if ((device.m_d3dCaps.PrimitiveMiscCaps & D3DPMISCCAPS_NULLREFERENCE) != 0) {
        ReportError(ERR_NULL_REFERENCE_DEVICE, MSG_PLAIN);
    }

    HRESULT hr = m_pD3D->CreateDevice(adapter.m_uOrdinal, device.m_deviceType, m_hWndFocus, mode.m_dwBehavior, &m_d3dpp,
                                      &m_pd3dDevice);
    if (SUCCEEDED(hr)) {
        if (m_bWindowed) {
            RestoreWindowBounds();
        }

        m_pd3dDevice->GetDeviceCaps(&m_d3dCaps);
        FormatDeviceStats(device, mode, adapter);
        ReadBackBufferDesc();
        SetUpCursor();

        hr = OnDeviceCreated();
        if (SUCCEEDED(hr)) {
            hr = OnDeviceRestored();
            if (SUCCEEDED(hr)) {
                m_bActive = TRUE;
                return S_OK;
            }
        }

        // A failed hook leaves no device behind.
        OnDeviceLost();
        OnDeviceDestroyed();
        ReleaseInterface(m_pd3dDevice);
    } else {
        m_pd3dDevice = nullptr;
    }

    // A hardware device that cannot start gives way to the reference device of adapter 0.
    if (device.m_deviceType == D3DDEVTYPE_HAL) {
        m_dwAdapter = 0;
        AdapterEntry& first = m_adapters[0];
        for (DWORD d = 0; d < first.m_dwNumDevices; ++d) {
            if (first.m_devices[d].m_deviceType == D3DDEVTYPE_REF) {
                first.m_dwCurrentDevice = d;
                m_bWindowed = first.m_devices[d].m_bWindowed;
                break;
            }
        }
        if (first.m_devices[first.m_dwCurrentDevice].m_deviceType == D3DDEVTYPE_REF) {
            RestoreWindowBounds();
            ApplyWindowStyle();
            ReportError(hr, MSG_SWITCHED_TO_REF);
            return StartDevice();
        }
    }
    return hr;
}

HRESULT AppFrame::ResetDevice() {
    HRESULT hr = OnDeviceLost();
    if (FAILED(hr)) {
        return hr;
    }
    hr = m_pd3dDevice->Reset(&m_d3dpp);
    if (FAILED(hr)) {
        return hr;
    }
    ReadBackBufferDesc();
    SetUpCursor();
    return OnDeviceRestored();
}

void AppFrame::StopDevice() {
    m_bActive = FALSE;
    m_bReady = FALSE;
    if (m_pd3dDevice != nullptr) {
        OnDeviceLost();
        OnDeviceDestroyed();
        ReleaseInterface(m_pd3dDevice);
        ReleaseInterface(m_pD3D);
    }
    OnAppExit();
}

void AppFrame::Pause(BOOL pause) {
    if (pause) {
        ++s_dwPauseCount;
    } else if (s_dwPauseCount > 0) {
        --s_dwPauseCount;
    }
    m_bReady = s_dwPauseCount == 0 ? TRUE : FALSE;
    if (pause && s_dwPauseCount == 1) {
        FrameTimer(TimerStop);
    }
    if (s_dwPauseCount == 0) {
        FrameTimer(TimerStart);
    }
}

LRESULT AppFrame::HandleMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT:
            if (m_pd3dDevice != nullptr && !m_bReady && m_bWindowed) {
                OnFrameRender();
                m_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
            }
            break;

        case WM_SIZE:
            // Hidden or minimised, the frame stops drawing and lets the cursor go.
            m_bActive = wParam != SIZE_MAXHIDE && wParam != SIZE_MINIMIZED;
            if (!m_bActive && m_bClipCursorWhenFullscreen && !m_bWindowed) {
                ClipCursor(nullptr);
            }
            break;

        case WM_SETCURSOR:
            if (m_bActive && m_bReady && !m_bWindowed) {
                SetCursor(nullptr);
                if (m_bShowCursorWhenFullscreen && m_pd3dDevice != nullptr) {
                    m_pd3dDevice->ShowCursor(TRUE);
                }
                return TRUE;
            }
            break;

        case WM_MOUSEMOVE:
            MoveDeviceCursor();
            break;

        case WM_ENTERSIZEMOVE:
        case WM_ENTERMENULOOP:
            Pause(TRUE);
            break;

        case WM_EXITSIZEMOVE:
            Pause(FALSE);
            if (FAILED(FitDeviceToWindow())) {
                return 0;
            }
            break;

        case WM_EXITMENULOOP:
            Pause(FALSE);
            break;

        case WM_CONTEXTMENU:
            if (m_bWindowed && !IsScreensaver()) {
                OpenContextMenu(hWnd, static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                                static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam))));
            }
            break;

        case WM_NCHITTEST:
            if (!m_bWindowed) {
                return HTCLIENT;
            }
            break;

        case WM_GETMINMAXINFO:
            if (lParam != 0) {
                auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
                info->ptMinTrackSize.x = 100;
                info->ptMinTrackSize.y = 100;
            }
            break;

        case WM_POWERBROADCAST:
            if (wParam == PBT_APMQUERYSUSPEND || wParam == PBT_APMRESUMESUSPEND) {
                return TRUE;
            }
            break;

        case WM_SYSCOMMAND:
            if (!m_bWindowed && RefusedInFullScreen(wParam)) {
                return TRUE;
            }
            break;

        case WM_COMMAND:
            if (RunCommand(hWnd, LOWORD(wParam))) {
                return 0;
            }
            break;

        case WM_CLOSE:
            Close(hWnd);
            return 0;

        default:
            break;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

void AppFrame::MoveDeviceCursor() {
    if (m_bActive && m_bReady && m_pd3dDevice != nullptr) {
        POINT ptCursor;
        GetCursorPos(&ptCursor);
        if (!m_bWindowed) {
            ScreenToClient(m_hWnd, &ptCursor);
        }
        m_pd3dDevice->SetCursorPosition(ptCursor.x, ptCursor.y, 0);
    }
}

HRESULT AppFrame::FitDeviceToWindow() {
    if (!m_bActive || !m_bWindowed) {
        return S_OK;
    }
    const RECT rcOldClient = m_rcWindowClient;
    GetWindowRect(m_hWnd, &m_rcWindowBounds);
    GetClientRect(m_hWnd, &m_rcWindowClient);
    const LONG newWidth = m_rcWindowClient.right - m_rcWindowClient.left;
    const LONG newHeight = m_rcWindowClient.bottom - m_rcWindowClient.top;
    if (rcOldClient.right - rcOldClient.left == newWidth && rcOldClient.bottom - rcOldClient.top == newHeight) {
        return S_OK;
    }
    m_bReady = FALSE;
    m_d3dpp.BackBufferWidth = static_cast<UINT>(newWidth);
    m_d3dpp.BackBufferHeight = static_cast<UINT>(newHeight);
    if (FAILED(ResetDevice())) {
        return ReportError(ERR_DEVICE_RESET, MSG_FATAL);
    }
    m_bReady = TRUE;
    return S_OK;
}

BOOL AppFrame::RunCommand(HWND hWnd, WORD command) {
    // The window a screen saver draws in is not its to change.
    if (IsScreensaver() && (command == CMD_CONFIG_DISPLAY || command == CMD_TOGGLE_FULLSCREEN)) {
        return TRUE;
    }
    switch (command) {
        case CMD_CONFIG_DISPLAY:
            // The frame stays paused when the dialog's change failed (fatal).
            if (m_bActive && m_bReady) {
                Pause(TRUE);
                if (SUCCEEDED(ChangeDeviceByDialog())) {
                    Pause(FALSE);
                }
            }
            return TRUE;

        case CMD_TOGGLE_FULLSCREEN:
            if (m_bActive && m_bReady) {
                Pause(TRUE);
                if (FAILED(ToggleWindowMode())) {
                    ReportError(ERR_DEVICE_RESET, MSG_FATAL);
                } else {
                    Pause(FALSE);
                }
            }
            return TRUE;

        case CMD_EXIT:
            SendMessageA(hWnd, WM_CLOSE, 0, 0);
            return TRUE;

        default:
            return FALSE;
    }
}

void AppFrame::OpenContextMenu(HWND hWnd, int x, int y) {
    HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_POPUP));
    TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_VERTICAL, x, y, hWnd, nullptr);
    DestroyMenu(menu);
}

void AppFrame::Close(HWND hWnd) {
    StopDevice();
    HMENU menu = GetMenu(hWnd);
    if (menu != nullptr) {
        DestroyMenu(menu);
    }
    DestroyWindow(hWnd);
    if (hWnd == m_hWnd) {
        m_hWnd = nullptr;
    }
    PostQuitMessage(0);
}
