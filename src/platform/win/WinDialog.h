// Modal dialogs and their controls: drop-down lists, radio buttons, push
// buttons, static texts and group boxes. Names, signatures and numeric values
// are the published ones; a dialog resource is described in code and
// registered by the module that owns it.
#pragma once

#include "platform/win/WinUser.h"

using INT_PTR = std::intptr_t;
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

// Window styles of dialog items
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;

// Dialog styles
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_CENTER = 0x0800;

// Button styles, messages, notifications and check states
constexpr DWORD BS_PUSHBUTTON = 0x0000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr DWORD BS_GROUPBOX = 0x0007;
constexpr DWORD BS_AUTORADIOBUTTON = 0x0009;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_CLICK = 0x00F5;
constexpr WORD BN_CLICKED = 0;
constexpr WPARAM BST_UNCHECKED = 0x0000;
constexpr WPARAM BST_CHECKED = 0x0001;

// Static styles
constexpr DWORD SS_LEFT = 0x0000;

// Combo boxes: styles, messages, notifications and results
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD CBN_SELENDOK = 9;
constexpr LRESULT CB_ERR = -1;
constexpr LRESULT CB_ERRSPACE = -2;

// What kind of control a dialog item is (the predefined window classes).
enum class DialogItemKind { kButton, kStatic, kComboBox };

// One item of a dialog resource; position and size in dialog units.
struct DialogItemTemplate {
    int m_nId;  // -1 for items the procedure never addresses
    DialogItemKind m_kind;
    DWORD m_dwStyle;  // WS_* | BS_*/SS_*/CBS_* bits
    const char* m_szText;
    short m_x;
    short m_y;
    short m_cx;
    short m_cy;
};

// A dialog resource: caption, client size in dialog units, font and items.
struct DialogResource {
    WORD m_wId;
    DWORD m_dwStyle;
    const char* m_szCaption;
    short m_cx;
    short m_cy;
    const char* m_szFontName;
    WORD m_wPointSize;
    const DialogItemTemplate* m_pItems;
    int m_nItems;
};

// Makes a resource of the program module known under its id. The resource
// must outlive every dialog made from it. Registering an id again replaces it.
void RegisterDialogResource(const DialogResource* resource);

// Creates the dialog of resource `name` over the owner, sends WM_INITDIALOG
// with `initParam` and runs the dialog's own message loop until EndDialog.
// The owner gets no input meanwhile but keeps being painted. Returns the
// EndDialog result, or -1 when the dialog cannot be shown.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC procedure, LPARAM initParam);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND control);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
// Enables or disables a dialog item; returns nonzero when it was disabled before.
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
// Converts a rectangle in dialog units to pixels with the dialog's font.
BOOL MapDialogRect(HWND dialog, LPRECT rect);

namespace win_hooks {
// Called once a dialog has had WM_INITDIALOG, and then at every turn of its
// loop, so tests and head-less runs can answer it. With no driver a dialog
// under the off-screen video driver, where nobody could answer it, is not
// shown: DialogBoxParamA returns -1 at once, as message boxes fail there.
using DialogDriverFn = void (*)(HWND dialog, void* user);
void SetDialogDriver(DialogDriverFn fn, void* user);
// Where the item was last drawn, in the owner's window coordinates; false
// before the dialog was first drawn or for an unknown item.
bool GetDialogItemRect(HWND dialog, int id, RECT* rect);
}  // namespace win_hooks
