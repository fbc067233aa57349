// Base class of the application object: owns the drawing object, the device
// and the main window, runs the message loop and renders in idle time, and
// calls the hooks a derived application overrides. One per process.
#pragma once

#include "framework/DeviceTable.h"
#include "framework/FrameResources.h"
#include "platform/d3d/D3D8.h"
#include "platform/win/WinDialog.h"
#include "platform/win/WinUser.h"

class AppFrame {
public:
    // AppFrame.cpp: creation and destruction, the message loop and the window
    // procedure's handler, pausing, error messages. The hooks a derived
    // application overrides do nothing here.
    AppFrame();
    AppFrame(const AppFrame&) = delete;
    AppFrame& operator=(const AppFrame&) = delete;

    virtual HRESULT ApplyWindowStyle();
    virtual HRESULT AcceptDevice(const D3DCAPS8* caps, DWORD behavior, D3DFORMAT backBufferFormat);
    virtual HRESULT OnAppInit() { return S_OK; }
    virtual HRESULT OnDeviceCreated() { return S_OK; }
    virtual HRESULT OnDeviceRestored() { return S_OK; }
    virtual HRESULT OnFrameUpdate() { return S_OK; }
    virtual HRESULT OnFrameRender() { return S_OK; }
    virtual HRESULT OnDeviceLost() { return S_OK; }
    virtual HRESULT OnDeviceDestroyed() { return S_OK; }
    virtual HRESULT OnAppExit() { return S_OK; }
    virtual HRESULT Create(HINSTANCE instance);
    virtual int Run();
    virtual LRESULT HandleMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void Pause(BOOL pause);
    virtual ~AppFrame();

    // Shows the message of `code` captioned with the window title; a fatal
    // kind closes the main window. A failure is fatal once: a later fatal
    // report on the way out (a step that failed because of it) shows nothing.
    // Returns code.
    HRESULT ReportError(HRESULT code, int kind);

    // DeviceDialog.cpp: the "Select Device" dialog's procedure; its parameter
    // is the frame.
    static INT_PTR DeviceDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

    // Read-only views for the application and its tests.
    IDirect3DDevice8* Device() const { return m_pd3dDevice; }
    HWND MainWindow() const { return m_hWnd; }
    BOOL IsWindowed() const { return m_bWindowed; }
    // Drawing in a window it was given, as a screen saver: the full view
    // with no menus, dialog, statistics or input of its own.
    BOOL IsScreensaver() const { return m_iHostWindow != 0 ? TRUE : FALSE; }
    BOOL IsActive() const { return m_bActive; }
    BOOL IsReady() const { return m_bReady; }
    const char* DeviceStats() const { return m_szDeviceStats; }
    const char* FrameStats() const { return m_szFrameStats; }
    const D3DSURFACE_DESC& BackBufferDesc() const { return m_d3dsdBackBuffer; }
    const D3DPRESENT_PARAMETERS& PresentParameters() const { return m_d3dpp; }
    DWORD AdapterCount() const { return m_dwAdapterCount; }
    DWORD CurrentAdapter() const { return m_dwAdapter; }
    const AdapterEntry& Adapter(DWORD index) const { return m_adapters[index]; }

protected:
    // DeviceEnumeration.cpp: the device table and the first choice from it.
    HRESULT EnumerateDevices();
    BOOL ChooseDepthFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT targetFormat, D3DFORMAT* depthFormat);

    // AppFrame.cpp: the device's life and one frame.
    HRESULT StartDevice();
    // The present parameters of the chosen adapter, device and mode, windowed
    // or full screen as m_bWindowed says; used to create and to reset.
    void FillPresentParameters();
    HRESULT ResetDevice();
    void StopDevice();
    HRESULT StepFrame();

    // WindowMode.cpp: a window or full screen, and a device chosen in the dialog.
    HRESULT ChangeDeviceByDialog();
    HRESULT ToggleWindowMode();
    HRESULT FallBackToWindow();
    // The adapter entry of the display the window is on; the current one
    // where no entry drives it.
    DWORD AdapterOfWindow() const;
    // Full screen on the display the window is on when that is another
    // adapter's: the device is made again there, of the same type, in that
    // adapter's mode. False when the current adapter is the window's.
    BOOL GoFullScreenOnWindowsAdapter(HRESULT* result);

    // The state all of the frame's files share.
    AdapterEntry m_adapters[kMaxAdapters];
    DWORD m_dwAdapterCount;
    DWORD m_dwAdapter;
    BOOL m_bWindowed;
    BOOL m_bActive;
    BOOL m_bReady;
    D3DPRESENT_PARAMETERS m_d3dpp;
    HWND m_hWnd;
    HWND m_hWndFocus;
    IDirect3D8* m_pD3D;
    IDirect3DDevice8* m_pd3dDevice;
    D3DCAPS8 m_d3dCaps;
    D3DSURFACE_DESC m_d3dsdBackBuffer;
    DWORD m_dwWindowStyle;
    RECT m_rcWindowBounds;
    RECT m_rcWindowClient;
    // Application time in double seconds: it keeps its fractions when the
    // clock has run for weeks.
    double m_dTime;
    float m_fElapsedTime;
    BOOL m_bFirstFrameShown = FALSE;
    float m_fFPS;
    char m_szDeviceStats[90];
    char m_szFrameStats[90];

    // Set by a derived constructor, before Create.
    const char* m_szWindowTitle;
    BOOL m_bUseDepthBuffer;
    DWORD m_dwMinDepthBits;
    DWORD m_dwMinStencilBits;
    DWORD m_dwCreationWidth;
    DWORD m_dwCreationHeight;
    BOOL m_bShowCursorWhenFullscreen;
    BOOL m_bClipCursorWhenFullscreen;
    // The X id of the window to draw in (screen-saver mode); 0: a window of
    // the frame's own.
    unsigned long m_iHostWindow;
    // The adapter to try first (the display asked for); the others follow.
    UINT m_uStartAdapter = 0;

private:
    BOOL m_bFatalReported;
    // The window was covered whole when the loop last looked; the first
    // frame after it says so on the debug output.
    BOOL m_bObscured = FALSE;
    BOOL m_bShownAgain = FALSE;

    // AppFrame.cpp: the steps of starting and resetting the device, the
    // larger cases of the message handler, the statistics texts.
    void ReadBackBufferDesc();
    void SetUpCursor();
    // Puts the window back at the place and size it has in a window.
    void RestoreWindowBounds();
    // Tells the device where the pointer is, in its back buffer's coordinates.
    void MoveDeviceCursor();
    // After a move or size: a changed client size resets the device to it; a
    // failed reset is fatal.
    HRESULT FitDeviceToWindow();
    // Whether a frame now would be seen: active, and not covered by other
    // windows (a covered window waits for messages, as an inactive one).
    BOOL FramesWanted();
    // Updates the world of an unseen window without drawing it.
    void UpdateUnseen();
    // The commands of the menus and accelerators; FALSE for others.
    BOOL RunCommand(HWND hWnd, WORD command);
    void OpenContextMenu(HWND hWnd, int x, int y);
    // Stops the device, destroys the window and its menu and ends the loop.
    void Close(HWND hWnd);
    void FormatDeviceStats(const DeviceEntry& device, const ModeEntry& mode, const AdapterEntry& adapter);
    void FormatFrameStats();

    // DeviceEnumeration.cpp: the phases of EnumerateDevices and their working lists.
    struct AdapterModes;
    struct FormatSupport;
    struct HardwareFacts;
    void ListAdapterModes(UINT ordinal, D3DFORMAT desktopFormat, AdapterModes* lists) const;
    BOOL AddDeviceType(UINT ordinal, D3DDEVTYPE type, const char* desc, const AdapterModes& lists, DeviceEntry* device,
                       HardwareFacts* facts);
    void CheckFormats(UINT ordinal, const DeviceEntry& device, const AdapterModes& lists, FormatSupport* support,
                      HardwareFacts* facts);
    DWORD AcceptedBehavior(const D3DCAPS8& caps, D3DFORMAT format);
    HRESULT ChooseFirstDevice(const HardwareFacts& facts);

    // WindowMode.cpp: lost, destroyed, released and started again on the
    // current table entry; a leaked device or a device that cannot start is fatal.
    HRESULT RebuildDevice();
};

// DeviceCursor.cpp: builds the device's cursor image from a window-system
// cursor; with the watermark a small mark is drawn into its top-left corner.
HRESULT SetDeviceCursor(IDirect3DDevice8* device, HCURSOR cursor, BOOL addWatermark);

// AppFrame.cpp: seams for the frame's tests.
namespace app_frame_hooks {
// Replaces Direct3DCreate8 for the next frames created (null restores it).
using CreateD3DFn = IDirect3D8* (*)(UINT sdkVersion);
void SetDirect3DCreate(CreateD3DFn fn);
// The process-wide pause counter.
DWORD PauseCount();
}  // namespace app_frame_hooks
