// Modal dialogs: the resource table, DialogBoxParamA's own message loop and
// the calls a dialog procedure makes on its dialog and controls.
#include <SDL.h>

#include <array>
#include <cstring>

#include "platform/win/MessagePump.h"
#include "platform/win/ModalDialog.h"
#include "platform/win/WinDialog.h"
#include "platform/win/WindowObject.h"

namespace {
// The dialog is drawn in the owner's paints, as often as an open menu is.
constexpr DWORD kPaintIntervalMs = 16;

std::array<const DialogResource*, 8> g_resources{};
win_hooks::DialogDriverFn g_pDriver = nullptr;
void* g_pDriverUser = nullptr;

const DialogResource* FindResource(LPCSTR name) {
    if (name == nullptr || !IS_INTRESOURCE(name)) {
        return nullptr;
    }
    const WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    for (const DialogResource* resource : g_resources) {
        if (resource != nullptr && resource->m_wId == id) {
            return resource;
        }
    }
    return nullptr;
}

bool NobodyCanAnswer() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return true;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver == nullptr || std::strcmp(driver, "offscreen") == 0;
}

// The platform's ranges of keyboard and mouse messages.
constexpr UINT kKeyFirst = 0x0100;
constexpr UINT kKeyLast = 0x0109;
constexpr UINT kMouseFirst = 0x0200;
constexpr UINT kMouseLast = 0x020E;

bool IsKeyMessage(UINT message) {
    return message >= kKeyFirst && message <= kKeyLast;
}

bool IsMouseMessage(UINT message) {
    return message >= kMouseFirst && message <= kMouseLast;
}

// What the loop does with one message. The owner is disabled while the
// dialog runs: its keys become the dialog's and its mouse input is dropped;
// everything else (paints, sizes) is dispatched as usual.
void Route(ModalDialog& dialog, const MSG& msg, bool* ownerClosed) {
    if (msg.message == WM_KEYDOWN) {
        dialog.HandleKey(msg.wParam, (GetKeyState(static_cast<int>(VK_SHIFT)) & 0x8000) != 0);
        return;
    }
    if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4) {
        // Alt+F4 closes the dialog, not the program.
        dialog.HandleKey(VK_ESCAPE, false);
        return;
    }
    if (IsKeyMessage(msg.message) || IsMouseMessage(msg.message) || msg.message == WM_CONTEXTMENU ||
        msg.message == WM_SETCURSOR) {
        return;
    }
    if (msg.message == WM_CLOSE && msg.hwnd == dialog.Owner()) {
        // Closing the owner under the dialog cancels the dialog first; the
        // owner closes once the dialog is gone.
        *ownerClosed = true;
        dialog.End(IDCANCEL);
        return;
    }
    DispatchMessageA(&msg);
}
}  // namespace

void RegisterDialogResource(const DialogResource* resource) {
    if (resource == nullptr) {
        return;
    }
    for (const DialogResource*& slot : g_resources) {
        if (slot != nullptr && slot->m_wId == resource->m_wId) {
            slot = resource;
            return;
        }
    }
    for (const DialogResource*& slot : g_resources) {
        if (slot == nullptr) {
            slot = resource;
            return;
        }
    }
}

namespace win_hooks {
void SetDialogDriver(DialogDriverFn fn, void* user) {
    g_pDriver = fn;
    g_pDriverUser = user;
}

bool GetDialogItemRect(HWND dialog, int id, RECT* rect) {
    ModalDialog* open = ModalDialog::FromWindow(dialog);
    DialogControl* control = open != nullptr ? open->Find(id) : nullptr;
    if (control == nullptr || rect == nullptr || !open->WasDrawn()) {
        return false;
    }
    const RECT item = open->ItemRect(control->Item());
    const POINT origin = open->Origin();
    *rect = RECT{origin.x + item.left, origin.y + item.top, origin.x + item.right, origin.y + item.bottom};
    return true;
}
}  // namespace win_hooks

INT_PTR DialogBoxParamA(HINSTANCE /*instance*/, LPCSTR name, HWND owner, DLGPROC procedure, LPARAM initParam) {
    const DialogResource* resource = FindResource(name);
    if (resource == nullptr || procedure == nullptr || (owner != nullptr && !IsWindow(owner))) {
        return -1;
    }
    if (g_pDriver == nullptr && NobodyCanAnswer()) {
        return -1;
    }

    ModalDialog dialog(*resource, owner, procedure);
    HWND window = dialog.Window();
    SendMessageA(window, WM_INITDIALOG, 0, initParam);
    dialog.FocusFirstTabStop();

    bool ownerClosed = false;
    bool quit = false;
    int quitCode = 0;
    DWORD lastPaint = timeGetTime() - kPaintIntervalMs;
    while (!dialog.HasEnded()) {
        if (owner != nullptr && !IsWindow(owner)) {
            dialog.End(IDCANCEL);
            break;
        }
        if (g_pDriver != nullptr) {
            g_pDriver(window, g_pDriverUser);
            if (dialog.HasEnded()) {
                break;
            }
        }
        const DWORD now = timeGetTime();
        if (owner != nullptr && now - lastPaint >= kPaintIntervalMs) {
            InvalidateRect(owner, nullptr, FALSE);
            lastPaint = now;
        }
        MSG msg{};
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // The quit belongs to the program's loop: hand it back.
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
                dialog.End(IDCANCEL);
                break;
            }
            Route(dialog, msg, &ownerClosed);
        } else if (g_pDriver == nullptr) {
            MessagePump::Wait(static_cast<int>(kPaintIntervalMs));
        }
    }

    const INT_PTR result = dialog.Result();
    if (quit) {
        PostQuitMessage(quitCode);
    }
    if (ownerClosed && IsWindow(owner)) {
        PostMessageA(owner, WM_CLOSE, 0, 0);
    }
    // The scene behind is shown without the dialog at once.
    if (owner != nullptr && IsWindow(owner)) {
        InvalidateRect(owner, nullptr, FALSE);
    }
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    ModalDialog* open = ModalDialog::FromWindow(dialog);
    if (open == nullptr || open->Window() != dialog) {
        return FALSE;
    }
    open->End(result);
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    ModalDialog* open = ModalDialog::FromWindow(dialog);
    if (open == nullptr || open->Window() != dialog) {
        return nullptr;
    }
    DialogControl* control = open->Find(id);
    return control != nullptr ? control->Window() : nullptr;
}

int GetDlgCtrlID(HWND control) {
    DialogControl* found = ModalDialog::ControlFromWindow(control);
    return found != nullptr ? found->Id() : 0;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr ? SendMessageA(control, message, wParam, lParam) : 0;
}

BOOL EnableWindow(HWND window, BOOL enable) {
    DialogControl* control = ModalDialog::ControlFromWindow(window);
    if (control == nullptr) {
        return FALSE;
    }
    const BOOL wasDisabled = control->IsEnabled() ? FALSE : TRUE;
    control->SetEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
    DialogControl* control = ModalDialog::ControlFromWindow(window);
    if (control != nullptr) {
        return control->IsEnabled() ? TRUE : FALSE;
    }
    return IsWindow(window);
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
    ModalDialog* open = ModalDialog::FromWindow(dialog);
    if (open == nullptr || open->Window() != dialog || rect == nullptr) {
        return FALSE;
    }
    *rect = open->MapRect(*rect);
    return TRUE;
}
