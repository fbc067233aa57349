#include "platform/win/DialogControl.h"

#include <cstring>

DialogControl::DialogControl(const DialogItemTemplate& item, HWND window, HWND dialog)
    : m_item(item), m_hWnd(window), m_hDialog(dialog) {}

LRESULT DialogControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (Kind() == DialogItemKind::kComboBox) {
        switch (message) {
            case CB_RESETCONTENT:
                m_items.clear();
                m_nSelection = -1;
                return TRUE;
            case CB_ADDSTRING: {
                const char* text = reinterpret_cast<const char*>(lParam);
                m_items.push_back(ListItem{text != nullptr ? text : "", 0});
                return static_cast<LRESULT>(m_items.size() - 1);
            }
            case CB_GETCOUNT:
                return static_cast<LRESULT>(m_items.size());
            case CB_GETCURSEL:
                return m_nSelection;
            case CB_SETCURSEL:
                // An index outside the list clears the selection and reports it.
                if (!ValidIndex(wParam)) {
                    m_nSelection = -1;
                    return CB_ERR;
                }
                m_nSelection = static_cast<int>(wParam);
                return m_nSelection;
            case CB_GETITEMDATA:
                return ValidIndex(wParam) ? m_items[wParam].m_data : CB_ERR;
            case CB_SETITEMDATA:
                if (!ValidIndex(wParam)) {
                    return CB_ERR;
                }
                m_items[wParam].m_data = lParam;
                return TRUE;
            case CB_GETLBTEXTLEN:
                return ValidIndex(wParam) ? static_cast<LRESULT>(m_items[wParam].m_strText.size()) : CB_ERR;
            case CB_GETLBTEXT: {
                char* buffer = reinterpret_cast<char*>(lParam);
                if (!ValidIndex(wParam) || buffer == nullptr) {
                    return CB_ERR;
                }
                const std::string& text = m_items[wParam].m_strText;
                std::memcpy(buffer, text.c_str(), text.size() + 1);
                return static_cast<LRESULT>(text.size());
            }
            default:
                return 0;
        }
    }
    if (Kind() == DialogItemKind::kButton) {
        switch (message) {
            case BM_GETCHECK:
                return m_bChecked ? BST_CHECKED : BST_UNCHECKED;
            case BM_SETCHECK:
                m_bChecked = wParam == BST_CHECKED;
                return 0;
            case BM_CLICK:
                UserClick();
                return 0;
            default:
                return 0;
        }
    }
    return 0;
}

bool DialogControl::UserSelect(int index) {
    if (!m_bEnabled || Kind() != DialogItemKind::kComboBox || index < 0 || index >= ItemCount()) {
        return false;
    }
    m_nSelection = index;
    // The choice is confirmed before the change is announced, so a procedure
    // that refills its lists on every notification reads the user's choice.
    Notify(CBN_SELENDOK);
    Notify(CBN_SELCHANGE);
    return true;
}

bool DialogControl::UserClick() {
    if (!m_bEnabled || Kind() != DialogItemKind::kButton || IsGroupBox()) {
        return false;
    }
    if (IsRadio()) {
        m_bChecked = true;
    }
    Notify(BN_CLICKED);
    return true;
}

void DialogControl::Notify(WORD code) {
    // The dialog keeps its other radio buttons in step before its procedure hears of the click.
    SendMessageA(m_hDialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_item.m_nId), code),
                 reinterpret_cast<LPARAM>(m_hWnd));
}
