// A dialog made from a resource while it is open: its window and control
// windows, the procedure, the keyboard focus, how it ended, and its layout
// in pixels. DialogBoxParamA runs one; the window overlay draws it; tests
// drive it through the same operations the drawn controls use.
#pragma once

#include <memory>
#include <vector>

#include "platform/win/DialogControl.h"
#include "platform/win/WinDialog.h"

class ModalDialog {
public:
    ModalDialog(const DialogResource& resource, HWND owner, DLGPROC procedure);
    ~ModalDialog();
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // The open dialog a window handle belongs to (the dialog or one of its
    // controls), and the open dialog over an owner; null when none.
    static ModalDialog* FromWindow(HWND window);
    static DialogControl* ControlFromWindow(HWND window);
    static ModalDialog* ForOwner(HWND owner);

    HWND Window() const { return m_hWnd; }
    HWND Owner() const { return m_hOwner; }
    const DialogResource& Resource() const { return m_resource; }

    // Messages to the dialog window: an auto radio button's click first
    // unchecks the other radio buttons of its group, then the procedure
    // answers (FALSE when it does not handle the message).
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void End(INT_PTR result);
    bool HasEnded() const { return m_bEnded; }
    INT_PTR Result() const { return m_result; }

    DialogControl* Find(int id);
    int ControlCount() const { return static_cast<int>(m_controls.size()); }
    DialogControl& Control(int index) { return *m_controls[static_cast<std::size_t>(index)]; }

    // Keys as the dialog manager takes them: Enter presses the focused push
    // button or else the default one, Escape cancels, Tab and Shift+Tab move
    // the focus over the enabled tab stops, arrows change the focused list's
    // selection or move through a radio group, Space presses the focused
    // button. True when the key was used.
    bool HandleKey(WPARAM virtualKey, bool shift);
    // The drawn view tells which list is dropped down (-1: none); Escape
    // then closes that list instead of the dialog.
    void SetDroppedList(int index) { m_nDroppedList = index; }
    int DroppedList() const { return m_nDroppedList; }
    // True once after Escape asked for the dropped list to close.
    bool TakeListCloseRequest();
    // Index of the control with the focus, or -1.
    int Focus() const { return m_nFocus; }
    void SetFocus(int index) { m_nFocus = index; }
    // Puts the focus on the first enabled tab stop.
    void FocusFirstTabStop();

    // Dialog units to pixels: x by the average character width / 4, y by
    // the character height / 8, rounded as MulDiv rounds.
    void SetBaseUnits(int baseX, int baseY);
    int BaseUnitX() const { return m_nBaseX; }
    int BaseUnitY() const { return m_nBaseY; }
    RECT MapRect(RECT rect) const;
    RECT ItemRect(const DialogItemTemplate& item) const;
    // Client size in pixels.
    int ClientWidth() const;
    int ClientHeight() const;
    // Where the client area was last drawn, in the owner's window coordinates.
    void SetOrigin(POINT origin) {
        m_origin = origin;
        m_bDrawn = true;
    }
    POINT Origin() const { return m_origin; }
    bool WasDrawn() const { return m_bDrawn; }

private:
    int GroupStart(int index) const;
    int GroupEnd(int index) const;
    void CheckRadioInGroup(int index);
    void MoveFocus(int step);
    bool MoveInRadioGroup(int step);
    void PressDefault();

    const DialogResource& m_resource;
    HWND m_hOwner;
    DLGPROC m_pProcedure;
    HWND m_hWnd = nullptr;
    std::vector<std::unique_ptr<DialogControl>> m_controls;
    bool m_bEnded = false;
    INT_PTR m_result = 0;
    int m_nFocus = -1;
    int m_nDroppedList = -1;
    bool m_bCloseList = false;
    int m_nBaseX;
    int m_nBaseY;
    POINT m_origin{};
    bool m_bDrawn = false;
};
