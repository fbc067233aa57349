#include "platform/win/Menu.h"

#include <algorithm>
#include <cstring>

#include "platform/win/WindowObject.h"
#include "platform/win/WindowRegistry.h"

namespace {
std::unique_ptr<HMENU__> Build(const MenuItemTemplate* items, int count) {
    auto menu = std::make_unique<HMENU__>();
    for (int i = 0; i < count; ++i) {
        MenuItem item;
        item.m_uFlags = items[i].m_uFlags;
        item.m_uId = items[i].m_uId;
        item.m_strText = items[i].m_szText != nullptr ? items[i].m_szText : "";
        if (items[i].m_uFlags == MF_POPUP) {
            item.m_pSubMenu = Build(items[i].m_pItems, items[i].m_nItems);
        }
        menu->m_items.push_back(std::move(item));
    }
    return menu;
}

const MenuItem* ItemOf(HMENU menu, UINT item, UINT flags) {
    if ((flags & MF_BYPOSITION) != 0) {
        if (item >= menu->m_items.size()) {
            return nullptr;
        }
        return &menu->m_items[item];
    }
    for (const MenuItem& entry : menu->m_items) {
        if (entry.m_uFlags != MF_POPUP && entry.m_uFlags != MF_SEPARATOR && entry.m_uId == item) {
            return &entry;
        }
        if (entry.m_pSubMenu) {
            const MenuItem* inner = ItemOf(entry.m_pSubMenu.get(), item, flags);
            if (inner != nullptr) {
                return inner;
            }
        }
    }
    return nullptr;
}
}  // namespace

MenuStore& MenuStore::Instance() {
    static MenuStore store;
    return store;
}

void MenuStore::AddResource(const MenuResource* resource) {
    if (resource == nullptr) {
        return;
    }
    for (const MenuResource*& known : m_resources) {
        if (known->m_wId == resource->m_wId) {
            known = resource;
            return;
        }
    }
    m_resources.push_back(resource);
}

HMENU MenuStore::Load(WORD id) {
    auto found = std::find_if(m_resources.begin(), m_resources.end(),
                              [id](const MenuResource* resource) { return resource->m_wId == id; });
    if (found == m_resources.end()) {
        return nullptr;
    }
    std::unique_ptr<HMENU__> menu = Build((*found)->m_pItems, (*found)->m_nItems);
    HMENU handle = menu.get();
    m_topLevel.push_back(std::move(menu));
    Register(handle);
    return handle;
}

void MenuStore::Register(HMENU menu) {
    m_live.push_back(menu);
    for (MenuItem& item : menu->m_items) {
        if (item.m_pSubMenu) {
            Register(item.m_pSubMenu.get());
        }
    }
}

void MenuStore::Unregister(HMENU menu) {
    m_live.erase(std::remove(m_live.begin(), m_live.end(), menu), m_live.end());
    for (MenuItem& item : menu->m_items) {
        if (item.m_pSubMenu) {
            Unregister(item.m_pSubMenu.get());
        }
    }
}

bool MenuStore::Destroy(HMENU menu) {
    auto found = std::find_if(m_topLevel.begin(), m_topLevel.end(),
                              [menu](const std::unique_ptr<HMENU__>& owned) { return owned.get() == menu; });
    if (found == m_topLevel.end()) {
        // Not a menu of ours, already destroyed, or a submenu its parent owns.
        return false;
    }
    // A window must not keep drawing a menu that is gone.
    for (HWND window : WindowRegistry::Instance().Windows()) {
        if (window->m_hMenu == menu) {
            window->m_hMenu = nullptr;
        }
    }
    Unregister(menu);
    m_topLevel.erase(found);
    return true;
}

bool MenuStore::IsMenu(HMENU menu) const {
    return menu != nullptr && std::find(m_live.begin(), m_live.end(), menu) != m_live.end();
}

void SplitMenuText(const char* text, char* label, int labelSize, char* shortcut, int shortcutSize) {
    int labelLength = 0;
    int shortcutLength = 0;
    bool inShortcut = false;
    for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
        if (!inShortcut && *p == '\t') {
            inShortcut = true;
            continue;
        }
        if (inShortcut) {
            if (shortcutLength + 1 < shortcutSize) {
                shortcut[shortcutLength++] = *p;
            }
            continue;
        }
        if (*p == '&') {
            if (p[1] != '&') {
                continue;
            }
            ++p;
        }
        if (labelLength + 1 < labelSize) {
            label[labelLength++] = *p;
        }
    }
    if (labelSize > 0) {
        label[labelLength] = '\0';
    }
    if (shortcutSize > 0) {
        shortcut[shortcutLength] = '\0';
    }
}

void RegisterMenuResource(const MenuResource* resource) {
    MenuStore::Instance().AddResource(resource);
}

HMENU LoadMenuA(HINSTANCE /*instance*/, LPCSTR name) {
    if (!IS_INTRESOURCE(name)) {
        return nullptr;
    }
    return MenuStore::Instance().Load(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
}

HMENU GetMenu(HWND window) {
    if (!IsWindow(window)) {
        return nullptr;
    }
    return window->m_hMenu;
}

BOOL SetMenu(HWND window, HMENU menu) {
    if (!IsWindow(window) || (menu != nullptr && !MenuStore::Instance().IsMenu(menu))) {
        return FALSE;
    }
    window->m_hMenu = menu;
    return TRUE;
}

BOOL DestroyMenu(HMENU menu) {
    return MenuStore::Instance().Destroy(menu) ? TRUE : FALSE;
}

HMENU GetSubMenu(HMENU menu, int position) {
    if (!MenuStore::Instance().IsMenu(menu) || position < 0 ||
        static_cast<std::size_t>(position) >= menu->m_items.size()) {
        return nullptr;
    }
    return menu->m_items[static_cast<std::size_t>(position)].m_pSubMenu.get();
}

int GetMenuItemCount(HMENU menu) {
    if (!MenuStore::Instance().IsMenu(menu)) {
        return -1;
    }
    return static_cast<int>(menu->m_items.size());
}

UINT GetMenuItemID(HMENU menu, int position) {
    if (!MenuStore::Instance().IsMenu(menu) || position < 0 ||
        static_cast<std::size_t>(position) >= menu->m_items.size()) {
        return static_cast<UINT>(-1);
    }
    const MenuItem& item = menu->m_items[static_cast<std::size_t>(position)];
    if (item.m_uFlags == MF_POPUP) {
        return static_cast<UINT>(-1);
    }
    return item.m_uId;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR text, int maxChars, UINT flags) {
    if (!MenuStore::Instance().IsMenu(menu)) {
        return 0;
    }
    const MenuItem* entry = ItemOf(menu, item, flags);
    if (entry == nullptr) {
        return 0;
    }
    int length = static_cast<int>(entry->m_strText.size());
    if (text == nullptr || maxChars <= 0) {
        return length;
    }
    int copied = std::min(length, maxChars - 1);
    std::memcpy(text, entry->m_strText.data(), static_cast<std::size_t>(copied));
    text[copied] = '\0';
    return copied;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    if (!MenuStore::Instance().IsMenu(menu)) {
        return static_cast<UINT>(-1);
    }
    const MenuItem* entry = ItemOf(menu, item, flags);
    if (entry == nullptr) {
        return static_cast<UINT>(-1);
    }
    if (entry->m_uFlags == MF_POPUP) {
        return MF_POPUP | (static_cast<UINT>(entry->m_pSubMenu->m_items.size()) << 8);
    }
    return entry->m_uFlags;
}
