#include "platform/win/ModalDialog.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Open dialogs, innermost last.
std::vector<ModalDialog*>& OpenDialogs() {
    static std::vector<ModalDialog*> s_dialogs;
    return s_dialogs;
}

LRESULT DialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ModalDialog* dialog = ModalDialog::FromWindow(window);
    return dialog != nullptr ? dialog->HandleMessage(message, wParam, lParam) : 0;
}

LRESULT ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogControl* control = ModalDialog::ControlFromWindow(window);
    return control != nullptr ? control->HandleMessage(message, wParam, lParam) : 0;
}

// a * b / c rounded half away from zero.
int MulDivRound(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : -((-product + half) / c));
}

}  // namespace

ModalDialog::ModalDialog(const DialogResource& resource, HWND owner, DLGPROC procedure)
    : m_resource(resource), m_hOwner(owner), m_pProcedure(procedure) {
    // Until the drawn font is measured: the classic 8-point dialog font's units.
    const int points = resource.m_wPointSize > 0 ? resource.m_wPointSize : 8;
    m_nBaseX = MulDivRound(6, points, 8);
    m_nBaseY = MulDivRound(13, points, 8);
    m_hWnd = win::CreateWindowObject(DialogWindowProc);
    for (int i = 0; i < resource.m_nItems; ++i) {
        HWND control = win::CreateWindowObject(ControlWindowProc);
        m_controls.push_back(std::make_unique<DialogControl>(resource.m_pItems[i], control, m_hWnd));
    }
    OpenDialogs().push_back(this);
}

ModalDialog::~ModalDialog() {
    std::vector<ModalDialog*>& open = OpenDialogs();
    open.erase(std::remove(open.begin(), open.end(), this), open.end());
    for (const std::unique_ptr<DialogControl>& control : m_controls) {
        win::DestroyWindowObject(control->Window());
    }
    win::DestroyWindowObject(m_hWnd);
}

ModalDialog* ModalDialog::FromWindow(HWND window) {
    for (ModalDialog* dialog : OpenDialogs()) {
        if (dialog->m_hWnd == window) {
            return dialog;
        }
        for (const std::unique_ptr<DialogControl>& control : dialog->m_controls) {
            if (control->Window() == window) {
                return dialog;
            }
        }
    }
    return nullptr;
}

DialogControl* ModalDialog::ControlFromWindow(HWND window) {
    for (ModalDialog* dialog : OpenDialogs()) {
        for (const std::unique_ptr<DialogControl>& control : dialog->m_controls) {
            if (control->Window() == window) {
                return control.get();
            }
        }
    }
    return nullptr;
}

ModalDialog* ModalDialog::ForOwner(HWND owner) {
    const std::vector<ModalDialog*>& open = OpenDialogs();
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if ((*it)->m_hOwner == owner) {
            return *it;
        }
    }
    return nullptr;
}

LRESULT ModalDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        for (int i = 0; i < ControlCount(); ++i) {
            if (Control(i).Window() == reinterpret_cast<HWND>(lParam) && Control(i).IsRadio()) {
                CheckRadioInGroup(i);
                break;
            }
        }
    }
    if (m_pProcedure == nullptr) {
        return FALSE;
    }
    return m_pProcedure(m_hWnd, message, wParam, lParam);
}

void ModalDialog::End(INT_PTR result) {
    // The first end counts; the loop notices it at its next turn.
    if (!m_bEnded) {
        m_bEnded = true;
        m_result = result;
    }
}

DialogControl* ModalDialog::Find(int id) {
    for (const std::unique_ptr<DialogControl>& control : m_controls) {
        if (control->Id() == id) {
            return control.get();
        }
    }
    return nullptr;
}

int ModalDialog::GroupStart(int index) const {
    while (index > 0 && !m_controls[static_cast<std::size_t>(index)]->StartsGroup()) {
        --index;
    }
    return index;
}

int ModalDialog::GroupEnd(int index) const {
    int end = index + 1;
    while (end < static_cast<int>(m_controls.size()) && !m_controls[static_cast<std::size_t>(end)]->StartsGroup()) {
        ++end;
    }
    return end;
}

void ModalDialog::CheckRadioInGroup(int index) {
    const int end = GroupEnd(index);
    for (int i = GroupStart(index); i < end; ++i) {
        if (Control(i).IsRadio()) {
            Control(i).SetChecked(i == index);
        }
    }
}

void ModalDialog::FocusFirstTabStop() {
    m_nFocus = -1;
    MoveFocus(1);
}

void ModalDialog::MoveFocus(int step) {
    const int count = ControlCount();
    int index = m_nFocus;
    for (int tried = 0; tried < count; ++tried) {
        index = index < 0 ? (step > 0 ? 0 : count - 1) : (index + step + count) % count;
        if (Control(index).IsTabStop() && Control(index).IsEnabled()) {
            m_nFocus = index;
            return;
        }
    }
}

bool ModalDialog::MoveInRadioGroup(int step) {
    const int start = GroupStart(m_nFocus);
    const int end = GroupEnd(m_nFocus);
    for (int i = m_nFocus + step; i >= start && i < end; i += step) {
        if (Control(i).IsRadio() && Control(i).IsEnabled()) {
            m_nFocus = i;
            Control(i).UserClick();
            return true;
        }
    }
    return false;
}

void ModalDialog::PressDefault() {
    for (int i = 0; i < ControlCount(); ++i) {
        if (Control(i).IsPushButton() && Control(i).ButtonStyle() == BS_DEFPUSHBUTTON) {
            Control(i).UserClick();
            return;
        }
    }
    // Without a default button Enter still means OK.
    SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(IDOK), BN_CLICKED), 0);
}

bool ModalDialog::HandleKey(WPARAM virtualKey, bool shift) {
    DialogControl* focused = m_nFocus >= 0 ? &Control(m_nFocus) : nullptr;
    if (focused != nullptr && !focused->IsEnabled()) {
        // The focus may sit on a control the procedure has since disabled.
        focused = nullptr;
    }
    switch (virtualKey) {
        case VK_RETURN:
            if (focused != nullptr && focused->IsPushButton()) {
                focused->UserClick();
            } else {
                PressDefault();
            }
            return true;
        case VK_ESCAPE: {
            if (m_nDroppedList >= 0) {
                m_bCloseList = true;
                return true;
            }
            DialogControl* cancel = Find(IDCANCEL);
            SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(IDCANCEL), BN_CLICKED),
                         cancel != nullptr ? reinterpret_cast<LPARAM>(cancel->Window()) : 0);
            return true;
        }
        case VK_TAB:
            MoveFocus(shift ? -1 : 1);
            return true;
        case VK_SPACE:
            if (focused != nullptr && focused->Kind() == DialogItemKind::kButton) {
                focused->UserClick();
            }
            return true;
        case VK_UP:
        case VK_DOWN:
        case VK_LEFT:
        case VK_RIGHT: {
            const int step = (virtualKey == VK_UP || virtualKey == VK_LEFT) ? -1 : 1;
            if (focused == nullptr) {
                return false;
            }
            if (focused->Kind() == DialogItemKind::kComboBox) {
                const int next = focused->Selection() < 0 ? 0 : focused->Selection() + step;
                focused->UserSelect(next);
                return true;
            }
            if (focused->IsRadio()) {
                return MoveInRadioGroup(step);
            }
            return false;
        }
        default:
            return false;
    }
}

bool ModalDialog::TakeListCloseRequest() {
    const bool requested = m_bCloseList;
    m_bCloseList = false;
    return requested;
}

void ModalDialog::SetBaseUnits(int baseX, int baseY) {
    if (baseX > 0 && baseY > 0) {
        m_nBaseX = baseX;
        m_nBaseY = baseY;
    }
}

RECT ModalDialog::MapRect(RECT rect) const {
    return RECT{MulDivRound(rect.left, m_nBaseX, 4), MulDivRound(rect.top, m_nBaseY, 8),
                MulDivRound(rect.right, m_nBaseX, 4), MulDivRound(rect.bottom, m_nBaseY, 8)};
}

RECT ModalDialog::ItemRect(const DialogItemTemplate& item) const {
    return MapRect(RECT{item.m_x, item.m_y, item.m_x + item.m_cx, item.m_y + item.m_cy});
}

int ModalDialog::ClientWidth() const {
    return MulDivRound(m_resource.m_cx, m_nBaseX, 4);
}

int ModalDialog::ClientHeight() const {
    return MulDivRound(m_resource.m_cy, m_nBaseY, 8);
}
