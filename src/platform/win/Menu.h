// The object behind an HMENU, and the menu resources registered by the program.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win/WinUser.h"

struct MenuItem {
    UINT m_uFlags = MF_STRING;  // MF_STRING, MF_SEPARATOR or MF_POPUP
    UINT m_uId = 0;
    std::string m_strText;  // as in the resource: '&' marks the mnemonic, '\t' the shortcut
    std::unique_ptr<HMENU__> m_pSubMenu;
};

struct HMENU__ {
    std::vector<MenuItem> m_items;
};

// Live menus: handles are checked before use, so a destroyed menu is refused
// rather than read.
class MenuStore {
public:
    static MenuStore& Instance();

    void AddResource(const MenuResource* resource);
    // A new menu built from registered resource `id`; null for an unknown id.
    HMENU Load(WORD id);
    bool Destroy(HMENU menu);
    bool IsMenu(HMENU menu) const;

private:
    void Register(HMENU menu);
    void Unregister(HMENU menu);

    std::vector<const MenuResource*> m_resources;
    std::vector<std::unique_ptr<HMENU__>> m_topLevel;
    std::vector<HMENU> m_live;
};

// Splits a menu text into what is shown ("&File" -> "File", "&&" -> "&")
// and the shortcut after the tab. Writes terminated strings, truncating.
void SplitMenuText(const char* text, char* label, int labelSize, char* shortcut, int shortcutSize);
