// The "Select Device" dialog: resource 144, the working copy of the choice
// while the dialog is open, and the procedure that keeps the controls in
// step with it. The table changes only on OK with a real change.
#include "framework/DeviceDialog.h"

#include <cstdio>
#include <initializer_list>

#include "framework/AppFrame.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kList = kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;

const DialogItemTemplate kDeviceDialogItems[] = {
    {-1, DialogItemKind::kButton, kChild | BS_GROUPBOX, "Rendering Device", 5, 5, 200, 45},
    {-1, DialogItemKind::kStatic, kChild | SS_LEFT, "&Adapter:", 22, 17, 65, 10},
    {IDC_ADAPTER_COMBO, DialogItemKind::kComboBox, kList, "", 90, 15, 105, 100},
    {-1, DialogItemKind::kStatic, kChild | SS_LEFT, "&Device:", 22, 32, 65, 10},
    {IDC_DEVICE_COMBO, DialogItemKind::kComboBox, kList, "", 90, 30, 105, 100},
    {-1, DialogItemKind::kButton, kChild | BS_GROUPBOX, "Rendering mode", 5, 52, 200, 45},
    {IDC_WINDOW, DialogItemKind::kButton, kChild | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, "Use desktop &window",
     10, 62, 85, 15},
    {IDC_FULLSCREEN, DialogItemKind::kButton, kChild | WS_TABSTOP | BS_AUTORADIOBUTTON, "&Fullscreen mode:", 10, 77, 75,
     15},
    {IDC_FULLSCREENMODES_COMBO, DialogItemKind::kComboBox, kList, "", 90, 77, 105, 204},
    {-1, DialogItemKind::kButton, kChild | BS_GROUPBOX, "Multisample", 5, 101, 200, 28},
    {-1, DialogItemKind::kStatic, kChild | SS_LEFT, "&Multisample Type:", 22, 113, 62, 10},
    {IDC_MULTISAMPLE_COMBO, DialogItemKind::kComboBox, kList, "", 90, 111, 105, 100},
    {IDOK, DialogItemKind::kButton, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, "OK", 210, 10, 50, 14},
    {IDCANCEL, DialogItemKind::kButton, kChild | WS_TABSTOP | BS_PUSHBUTTON, "Cancel", 210, 30, 50, 14},
};

const DialogResource kDeviceDialog = {
    IDD_SELECTDEVICE,
    DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU,
    "Select Device",
    267,
    138,
    "MS Shell Dlg",
    8,
    kDeviceDialogItems,
    static_cast<int>(sizeof(kDeviceDialogItems) / sizeof(kDeviceDialogItems[0])),
};

// One choice of device: adapter, device, full-screen mode, windowed flag and
// the two multisample types.
struct DeviceChoice {
    DWORD m_dwAdapter = 0;
    DWORD m_dwDevice = 0;
    DWORD m_dwMode = 0;
    BOOL m_bWindowed = FALSE;
    D3DMULTISAMPLE_TYPE m_multiSampleWindowed = D3DMULTISAMPLE_NONE;
    D3DMULTISAMPLE_TYPE m_multiSampleFullscreen = D3DMULTISAMPLE_NONE;

    bool operator==(const DeviceChoice&) const = default;
};

// The working copy while the dialog is open.
struct DialogState {
    AppFrame* m_pFrame = nullptr;
    DeviceChoice m_old;
    DeviceChoice m_new;
};
DialogState s_dialog;

void TakeEntry(const DeviceEntry& device, DeviceChoice* choice) {
    choice->m_dwMode = device.m_dwCurrentMode;
    choice->m_bWindowed = device.m_bWindowed;
    choice->m_multiSampleWindowed = device.m_multiSampleTypeWindowed;
    choice->m_multiSampleFullscreen = device.m_multiSampleTypeFullscreen;
}

LRESULT AddItem(HWND dialog, int id, const char* text, LPARAM data) {
    const LRESULT index = SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (index >= 0) {
        SendDlgItemMessageA(dialog, id, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
    }
    return index;
}

int BitsOf(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_R8G8B8 ? 32 : 16;
}

// Fills the multisample list with the types the device supports for the
// format of the chosen mode kind and makes the selected one the choice.
void FillMultiSampleList(HWND dialog, IDirect3D8* d3d, const AdapterEntry& adapter, const DeviceEntry& device,
                         DeviceChoice* choice) {
    const D3DFORMAT format =
        choice->m_bWindowed ? adapter.m_desktopMode.Format : device.m_modes[choice->m_dwMode].m_format;
    D3DMULTISAMPLE_TYPE& current =
        choice->m_bWindowed ? choice->m_multiSampleWindowed : choice->m_multiSampleFullscreen;
    for (int t = 0; t <= 16; ++t) {
        if (t == 1) {
            continue;
        }
        const auto type = static_cast<D3DMULTISAMPLE_TYPE>(t);
        if (d3d == nullptr || FAILED(d3d->CheckDeviceMultiSampleType(adapter.m_uOrdinal, device.m_deviceType, format,
                                                                     choice->m_bWindowed, type))) {
            continue;
        }
        char text[32];
        if (t == 0) {
            std::snprintf(text, sizeof(text), "none");
        } else {
            std::snprintf(text, sizeof(text), "%d samples", t);
        }
        const LRESULT index = AddItem(dialog, IDC_MULTISAMPLE_COMBO, text, t);
        if (index >= 0 && (t == 0 || type == current)) {
            SendDlgItemMessageA(dialog, IDC_MULTISAMPLE_COMBO, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        }
    }
    // A type no longer offered gives way to the first that is; with none
    // offered at all the choice is no multisampling.
    LRESULT selection = SendDlgItemMessageA(dialog, IDC_MULTISAMPLE_COMBO, CB_GETCURSEL, 0, 0);
    if (selection < 0 && SendDlgItemMessageA(dialog, IDC_MULTISAMPLE_COMBO, CB_GETCOUNT, 0, 0) > 0) {
        selection = SendDlgItemMessageA(dialog, IDC_MULTISAMPLE_COMBO, CB_SETCURSEL, 0, 0);
    }
    current = selection >= 0 ? static_cast<D3DMULTISAMPLE_TYPE>(SendDlgItemMessageA(
                                   dialog, IDC_MULTISAMPLE_COMBO, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0))
                             : D3DMULTISAMPLE_NONE;
}

void RefreshControls(HWND dialog, const AdapterEntry* adapters, DWORD adapterCount, IDirect3D8* d3d,
                     DeviceChoice* choice) {
    const AdapterEntry& adapter = adapters[choice->m_dwAdapter];
    const DeviceEntry& device = adapter.m_devices[choice->m_dwDevice];
    // A device that cannot render in a window is only ever chosen full screen.
    if (!device.m_bCanDoWindowed) {
        choice->m_bWindowed = FALSE;
    }

    for (int id : {IDC_ADAPTER_COMBO, IDC_DEVICE_COMBO, IDC_FULLSCREENMODES_COMBO, IDC_MULTISAMPLE_COMBO}) {
        SendDlgItemMessageA(dialog, id, CB_RESETCONTENT, 0, 0);
    }

    for (DWORD a = 0; a < adapterCount; ++a) {
        const LRESULT index = AddItem(dialog, IDC_ADAPTER_COMBO, adapters[a].m_identifier.Description, a);
        if (a == choice->m_dwAdapter) {
            SendDlgItemMessageA(dialog, IDC_ADAPTER_COMBO, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        }
    }

    for (DWORD d = 0; d < adapter.m_dwNumDevices; ++d) {
        const LRESULT index = AddItem(dialog, IDC_DEVICE_COMBO, adapter.m_devices[d].m_szDesc, d);
        if (d == choice->m_dwDevice) {
            SendDlgItemMessageA(dialog, IDC_DEVICE_COMBO, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        }
    }

    for (DWORD m = 0; m < device.m_dwNumModes; ++m) {
        const ModeEntry& mode = device.m_modes[m];
        char text[64];
        std::snprintf(text, sizeof(text), "%ld x %ld x %ld", static_cast<long>(mode.m_dwWidth),
                      static_cast<long>(mode.m_dwHeight), static_cast<long>(BitsOf(mode.m_format)));
        const LRESULT index = AddItem(dialog, IDC_FULLSCREENMODES_COMBO, text, m);
        if (m == choice->m_dwMode) {
            SendDlgItemMessageA(dialog, IDC_FULLSCREENMODES_COMBO, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        }
    }

    FillMultiSampleList(dialog, d3d, adapter, device, choice);

    EnableWindow(GetDlgItem(dialog, IDC_MULTISAMPLE_COMBO),
                 SendDlgItemMessageA(dialog, IDC_MULTISAMPLE_COMBO, CB_GETCOUNT, 0, 0) > 1 ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_WINDOW), device.m_bCanDoWindowed);

    const bool windowed = choice->m_bWindowed != FALSE;
    SendDlgItemMessageA(dialog, IDC_WINDOW, BM_SETCHECK, windowed ? BST_CHECKED : BST_UNCHECKED, 0);
    SendDlgItemMessageA(dialog, IDC_FULLSCREEN, BM_SETCHECK, windowed ? BST_UNCHECKED : BST_CHECKED, 0);
    EnableWindow(GetDlgItem(dialog, IDC_FULLSCREENMODES_COMBO), windowed ? FALSE : TRUE);
}

// The chosen position of a list, or none when nothing is chosen.
bool ListChoice(HWND dialog, int id, DWORD* position) {
    const LRESULT selection = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (selection < 0) {
        return false;
    }
    *position = static_cast<DWORD>(selection);
    return true;
}

}  // namespace

const DialogResource& DeviceDialogResource() {
    return kDeviceDialog;
}

INT_PTR AppFrame::DeviceDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    DeviceChoice& choice = s_dialog.m_new;
    if (msg == WM_INITDIALOG) {
        AppFrame* frame = reinterpret_cast<AppFrame*>(lParam);
        s_dialog.m_pFrame = frame;
        const AdapterEntry& adapter = frame->m_adapters[frame->m_dwAdapter];
        DeviceChoice& old = s_dialog.m_old;
        old.m_dwAdapter = frame->m_dwAdapter;
        old.m_dwDevice = adapter.m_dwCurrentDevice;
        TakeEntry(adapter.m_devices[old.m_dwDevice], &old);
        choice = old;
        RefreshControls(dialog, frame->m_adapters, frame->m_dwAdapterCount, frame->m_pD3D, &choice);
        return TRUE;
    }
    if (msg != WM_COMMAND || s_dialog.m_pFrame == nullptr) {
        return FALSE;
    }

    AppFrame* frame = s_dialog.m_pFrame;
    choice.m_bWindowed = SendDlgItemMessageA(dialog, IDC_WINDOW, BM_GETCHECK, 0, 0) == BST_CHECKED ? TRUE : FALSE;
    const int id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    DWORD position = 0;

    if (id == IDOK) {
        if (choice == s_dialog.m_old) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        frame->m_dwAdapter = choice.m_dwAdapter;
        AdapterEntry& adapter = frame->m_adapters[choice.m_dwAdapter];
        adapter.m_dwCurrentDevice = choice.m_dwDevice;
        DeviceEntry& device = adapter.m_devices[choice.m_dwDevice];
        device.m_dwCurrentMode = choice.m_dwMode;
        device.m_bWindowed = choice.m_bWindowed;
        device.m_multiSampleTypeWindowed = choice.m_multiSampleWindowed;
        device.m_multiSampleTypeFullscreen = choice.m_multiSampleFullscreen;
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    if (code == CBN_SELENDOK) {
        if (id == IDC_ADAPTER_COMBO && ListChoice(dialog, id, &position) && position < frame->m_dwAdapterCount) {
            choice.m_dwAdapter = position;
            const AdapterEntry& adapter = frame->m_adapters[position];
            choice.m_dwDevice = adapter.m_dwCurrentDevice;
            TakeEntry(adapter.m_devices[choice.m_dwDevice], &choice);
        } else if (id == IDC_DEVICE_COMBO && ListChoice(dialog, id, &position) &&
                   position < frame->m_adapters[choice.m_dwAdapter].m_dwNumDevices) {
            choice.m_dwDevice = position;
            TakeEntry(frame->m_adapters[choice.m_dwAdapter].m_devices[position], &choice);
        } else if (id == IDC_FULLSCREENMODES_COMBO && ListChoice(dialog, id, &position)) {
            choice.m_dwMode = position;
        } else if (id == IDC_MULTISAMPLE_COMBO && ListChoice(dialog, id, &position)) {
            const auto type = static_cast<D3DMULTISAMPLE_TYPE>(
                SendDlgItemMessageA(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(position), 0));
            (choice.m_bWindowed ? choice.m_multiSampleWindowed : choice.m_multiSampleFullscreen) = type;
        }
    }
    RefreshControls(dialog, frame->m_adapters, frame->m_dwAdapterCount, frame->m_pD3D, &choice);
    return TRUE;
}
