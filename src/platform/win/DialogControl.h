// One control of a modal dialog as a model: its text, enabled flag, check
// state, list items with their data and the selection. The dialog procedure
// drives it with the usual messages; the user (drawn controls, keys, tests)
// through the User* operations, which a disabled control ignores.
#pragma once

#include <string>
#include <vector>

#include "platform/win/WinDialog.h"

class DialogControl {
public:
    DialogControl(const DialogItemTemplate& item, HWND window, HWND dialog);

    // The control's messages (CB_*, BM_*); anything else answers 0.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // What a user's choice of list item `index` does: selects it and tells
    // the dialog (CBN_SELENDOK, then CBN_SELCHANGE). False when ignored.
    bool UserSelect(int index);
    // What a user's click does: a radio button checks itself (the others of
    // its group are unchecked by the dialog) and every button tells the
    // dialog (BN_CLICKED). False when ignored.
    bool UserClick();

    int Id() const { return m_item.m_nId; }
    HWND Window() const { return m_hWnd; }
    const DialogItemTemplate& Item() const { return m_item; }
    DialogItemKind Kind() const { return m_item.m_kind; }
    DWORD ButtonStyle() const { return m_item.m_dwStyle & 0x0F; }
    bool IsRadio() const { return Kind() == DialogItemKind::kButton && ButtonStyle() == BS_AUTORADIOBUTTON; }
    bool IsGroupBox() const { return Kind() == DialogItemKind::kButton && ButtonStyle() == BS_GROUPBOX; }
    bool IsPushButton() const { return Kind() == DialogItemKind::kButton && ButtonStyle() <= BS_DEFPUSHBUTTON; }
    bool IsTabStop() const { return (m_item.m_dwStyle & WS_TABSTOP) != 0; }
    bool StartsGroup() const { return (m_item.m_dwStyle & WS_GROUP) != 0; }
    const char* Text() const { return m_item.m_szText != nullptr ? m_item.m_szText : ""; }

    bool IsEnabled() const { return m_bEnabled; }
    void SetEnabled(bool enabled) { m_bEnabled = enabled; }
    bool IsChecked() const { return m_bChecked; }
    void SetChecked(bool checked) { m_bChecked = checked; }

    int ItemCount() const { return static_cast<int>(m_items.size()); }
    const char* ItemText(int index) const { return m_items[static_cast<std::size_t>(index)].m_strText.c_str(); }
    // The selected position, or -1.
    int Selection() const { return m_nSelection; }

private:
    struct ListItem {
        std::string m_strText;
        LPARAM m_data = 0;
    };

    bool ValidIndex(WPARAM index) const { return index < m_items.size(); }
    void Notify(WORD code);

    DialogItemTemplate m_item;
    HWND m_hWnd;
    HWND m_hDialog;
    bool m_bEnabled = true;
    bool m_bChecked = false;
    std::vector<ListItem> m_items;
    int m_nSelection = -1;
};
