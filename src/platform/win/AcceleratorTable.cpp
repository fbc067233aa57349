#include "platform/win/AcceleratorTable.h"

#include <SDL.h>

#include <memory>

namespace {
constexpr LPARAM kAltContextBit = LPARAM{1} << 29;

// Handles point into these tables, so a table once registered is never freed.
std::vector<std::unique_ptr<HACCEL__>>& Tables() {
    static std::vector<std::unique_ptr<HACCEL__>> tables;
    return tables;
}
}  // namespace

void AcceleratorTable::Register(const AcceleratorResource& resource) {
    HACCEL table = Load(resource.m_wId);
    if (table == nullptr) {
        Tables().push_back(std::make_unique<HACCEL__>());
        table = Tables().back().get();
        table->m_wId = resource.m_wId;
    }
    table->m_entries.assign(resource.m_pEntries, resource.m_pEntries + resource.m_nEntries);
}

HACCEL AcceleratorTable::Load(WORD id) {
    for (const std::unique_ptr<HACCEL__>& table : Tables()) {
        if (table->m_wId == id) {
            return table.get();
        }
    }
    return nullptr;
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

void RegisterAcceleratorResource(const AcceleratorResource* resource) {
    if (resource != nullptr && resource->m_pEntries != nullptr && resource->m_nEntries > 0) {
        AcceleratorTable::Register(*resource);
    }
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
