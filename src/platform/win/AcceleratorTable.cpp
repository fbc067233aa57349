#include "platform/win/AcceleratorTable.h"

#include <SDL.h>

namespace {
constexpr WORD kMainAccelerators = 113;
constexpr WORD kCmdConfigDisplay = 40002;
constexpr WORD kCmdToggleFullScreen = 40003;
constexpr WORD kCmdExit = 40006;
constexpr LPARAM kAltContextBit = LPARAM{1} << 29;

HACCEL__& MainTable() {
    static HACCEL__ table{{
        {FVIRTKEY | FNOINVERT, static_cast<WORD>(VK_ESCAPE), kCmdExit},
        {FVIRTKEY | FNOINVERT, static_cast<WORD>(VK_F2), kCmdConfigDisplay},
        {FVIRTKEY | FNOINVERT | FALT, static_cast<WORD>(VK_RETURN), kCmdToggleFullScreen},
        {FVIRTKEY | FNOINVERT | FALT, static_cast<WORD>('X'), kCmdExit},
    }};
    return table;
}
}  // namespace

HACCEL AcceleratorTable::Load(WORD id) {
    return id == kMainAccelerators ? &MainTable() : nullptr;
}

int AcceleratorTable::Match(HACCEL table, const MSG& msg, bool shiftDown, bool controlDown) {
    if (table == nullptr || (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)) {
        return -1;
    }
    bool altDown = (msg.lParam & kAltContextBit) != 0;
    for (const ACCEL& entry : table->m_entries) {
        // Only virtual-key entries are used; the modifiers must match exactly.
        if ((entry.fVirt & FVIRTKEY) == 0 || entry.key != msg.wParam) {
            continue;
        }
        if (((entry.fVirt & FALT) != 0) != altDown || ((entry.fVirt & FSHIFT) != 0) != shiftDown ||
            ((entry.fVirt & FCONTROL) != 0) != controlDown) {
            continue;
        }
        return entry.cmd;
    }
    return -1;
}

HACCEL LoadAcceleratorsA(HINSTANCE /*instance*/, LPCSTR name) {
    if (!IS_INTRESOURCE(name)) {
        return nullptr;
    }
    return AcceleratorTable::Load(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
}

BOOL DestroyAcceleratorTable(HACCEL table) {
    // Resource tables are shared and never freed.
    return table != nullptr ? TRUE : FALSE;
}

int TranslateAcceleratorA(HWND window, HACCEL table, LPMSG msg) {
    if (window == nullptr || msg == nullptr || !IsWindow(window)) {
        return 0;
    }
    SDL_Keymod mods = SDL_GetModState();
    int command = AcceleratorTable::Match(table, *msg, (mods & KMOD_SHIFT) != 0, (mods & KMOD_CTRL) != 0);
    if (command < 0) {
        return 0;
    }
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), 1), 0);
    return 1;
}
