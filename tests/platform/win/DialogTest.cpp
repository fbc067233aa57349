// Modal dialogs: the control model driven by messages and by the user, the
// keys of the dialog manager, the dialog's own loop over a disabled owner,
// and the dialog drawn over the owner and clicked.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "WindowTestSupport.h"
#include "platform/win/ModalDialog.h"
#include "platform/win/WinDialog.h"
#include "platform/win/WindowLayer.h"

namespace {

constexpr int kList = 100;
constexpr int kRadioOne = 101;
constexpr int kRadioTwo = 102;
constexpr int kRadioThree = 103;
constexpr WORD kTestDialogId = 200;

const DialogItemTemplate kItems[] = {
    {-1, DialogItemKind::kButton, WS_CHILD | BS_GROUPBOX, "Group", 5, 5, 100, 60},
    {-1, DialogItemKind::kStatic, WS_CHILD | SS_LEFT, "&Name:", 10, 15, 30, 10},
    {kList, DialogItemKind::kComboBox, WS_CHILD | WS_TABSTOP | CBS_DROPDOWNLIST, "", 40, 15, 60, 80},
    {kRadioOne, DialogItemKind::kButton, WS_CHILD | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, "&One", 10, 30, 40, 12},
    {kRadioTwo, DialogItemKind::kButton, WS_CHILD | WS_TABSTOP | BS_AUTORADIOBUTTON, "&Two", 10, 45, 40, 12},
    {kRadioThree, DialogItemKind::kButton, WS_CHILD | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, "T&hree", 60, 30, 40,
     12},
    {IDOK, DialogItemKind::kButton, WS_CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON, "OK", 110, 5, 40, 14},
    {IDCANCEL, DialogItemKind::kButton, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, "Cancel", 110, 25, 40, 14},
};
const DialogResource kResource = {
    kTestDialogId, DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION,  "Test Dialog", 160, 70, "MS Shell Dlg", 8,
    kItems,        static_cast<int>(sizeof(kItems) / sizeof(kItems[0]))};

// What the procedure heard: WM_COMMAND as (id, notification), WM_INITDIALOG's parameter.
struct Heard {
    std::vector<std::pair<int, int>> m_commands;
    LPARAM m_initParam = 0;
    int m_nInits = 0;
    // OK and Cancel end the dialog with their id.
    bool m_bEndOnButtons = true;
    // Controls the procedure disables when the dialog starts.
    std::vector<int> m_disableAtInit;
};
Heard g_heard;

INT_PTR TestProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        g_heard.m_initParam = lParam;
        ++g_heard.m_nInits;
        for (const char* text : {"alpha", "beta", "gamma"}) {
            const LRESULT index = SendDlgItemMessageA(dialog, kList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
            SendDlgItemMessageA(dialog, kList, CB_SETITEMDATA, static_cast<WPARAM>(index), 10 * (index + 1));
        }
        SendDlgItemMessageA(dialog, kList, CB_SETCURSEL, 0, 0);
        SendDlgItemMessageA(dialog, kRadioOne, BM_SETCHECK, BST_CHECKED, 0);
        for (int id : g_heard.m_disableAtInit) {
            EnableWindow(GetDlgItem(dialog, id), FALSE);
        }
        return TRUE;
    }
    if (msg == WM_COMMAND) {
        const int id = LOWORD(wParam);
        g_heard.m_commands.emplace_back(id, HIWORD(wParam));
        if (g_heard.m_bEndOnButtons && (id == IDOK || id == IDCANCEL)) {
            EndDialog(dialog, id);
        }
        return TRUE;
    }
    return FALSE;
}

bool Checked(HWND dialog, int id) {
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// A dialog opened without its loop, as the model tests drive it.
class DialogModelTest : public ::testing::Test {
protected:
    DialogModelTest() : m_dialog(kResource, nullptr, TestProc) {
        g_heard = Heard{};
        SendMessageA(m_dialog.Window(), WM_INITDIALOG, 0, 0);
        m_dialog.FocusFirstTabStop();
        g_heard.m_commands.clear();
    }
    HWND Dlg() const { return m_dialog.Window(); }
    LRESULT Send(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendDlgItemMessageA(Dlg(), id, msg, wParam, lParam);
    }
    int FocusId() { return m_dialog.Focus() >= 0 ? m_dialog.Control(m_dialog.Focus()).Id() : 0; }

    ModalDialog m_dialog;
};

TEST_F(DialogModelTest, ListsKeepTheirItemsDataAndSelection) {
    EXPECT_EQ(3, Send(kList, CB_GETCOUNT));
    EXPECT_EQ(0, Send(kList, CB_GETCURSEL));
    EXPECT_EQ(30, Send(kList, CB_GETITEMDATA, 2));

    EXPECT_EQ(1, Send(kList, CB_SETCURSEL, 1));
    EXPECT_TRUE(Send(kList, CB_RESETCONTENT));
    EXPECT_EQ(0, Send(kList, CB_GETCOUNT));
    EXPECT_EQ(CB_ERR, Send(kList, CB_GETCURSEL));
    // Setting things is not the user choosing them: the procedure heard nothing.
    EXPECT_TRUE(g_heard.m_commands.empty());
}

TEST_F(DialogModelTest, UserChoicesAndClicksReachTheProcedureAndRadiosStayInTheirGroup) {
    ASSERT_TRUE(m_dialog.Find(kList)->UserSelect(2));
    EXPECT_EQ(2, Send(kList, CB_GETCURSEL));
    const std::vector<std::pair<int, int>> notified = {{kList, CBN_SELENDOK}, {kList, CBN_SELCHANGE}};
    EXPECT_EQ(notified, g_heard.m_commands);
    EXPECT_FALSE(m_dialog.Find(kList)->UserSelect(3));

    SendDlgItemMessageA(Dlg(), kRadioThree, BM_SETCHECK, BST_CHECKED, 0);
    g_heard.m_commands.clear();
    Send(kRadioTwo, BM_CLICK);
    EXPECT_TRUE(Checked(Dlg(), kRadioTwo));
    EXPECT_FALSE(Checked(Dlg(), kRadioOne));
    EXPECT_TRUE(Checked(Dlg(), kRadioThree)) << "another group";
    ASSERT_EQ(1u, g_heard.m_commands.size());
    EXPECT_EQ(std::make_pair(kRadioTwo, static_cast<int>(BN_CLICKED)), g_heard.m_commands[0]);

    // Group boxes and static texts are not buttons a user presses.
    EXPECT_FALSE(m_dialog.Control(0).UserClick());
    EXPECT_FALSE(m_dialog.Control(1).UserClick());
}

TEST_F(DialogModelTest, DisabledControlsIgnoreTheUserButNotTheProcedure) {
    HWND list = GetDlgItem(Dlg(), kList);
    EXPECT_FALSE(EnableWindow(list, FALSE)) << "was enabled";
    EXPECT_FALSE(IsWindowEnabled(list));
    EXPECT_TRUE(EnableWindow(list, FALSE)) << "was disabled";
    EXPECT_FALSE(m_dialog.Find(kList)->UserSelect(1));
    EXPECT_EQ(1, Send(kList, CB_SETCURSEL, 1));

    EnableWindow(GetDlgItem(Dlg(), kRadioTwo), FALSE);
    Send(kRadioTwo, BM_CLICK);
    EXPECT_FALSE(Checked(Dlg(), kRadioTwo));
    Send(kRadioTwo, BM_SETCHECK, BST_CHECKED);
    EXPECT_TRUE(Checked(Dlg(), kRadioTwo));

    // Keys skip and ignore them too.
    m_dialog.FocusFirstTabStop();
    EXPECT_EQ(kRadioOne, FocusId());
    EXPECT_FALSE(m_dialog.HandleKey(VK_DOWN, false)) << "no enabled radio below";
    EXPECT_TRUE(g_heard.m_commands.empty());
}

TEST_F(DialogModelTest, KeysMoveTheFocusAndAnswerAsTheDialogManagerDoes) {
    EXPECT_EQ(kList, FocusId());
    m_dialog.HandleKey(VK_DOWN, false);
    EXPECT_EQ(1, Send(kList, CB_GETCURSEL));
    EXPECT_EQ(std::make_pair(kList, static_cast<int>(CBN_SELENDOK)), g_heard.m_commands.front());

    // Tab visits the enabled tab stops in order and wraps; Shift+Tab goes back.
    EnableWindow(GetDlgItem(Dlg(), kRadioThree), FALSE);
    std::vector<int> order;
    for (int i = 0; i < 5; ++i) {
        m_dialog.HandleKey(VK_TAB, false);
        order.push_back(FocusId());
    }
    EXPECT_EQ((std::vector<int>{kRadioOne, kRadioTwo, IDOK, IDCANCEL, kList}), order);
    m_dialog.HandleKey(VK_TAB, true);
    EXPECT_EQ(IDCANCEL, FocusId());

    // Arrows in a radio group move and check; Enter presses the focused
    // button, or else the default one; Escape always cancels.
    m_dialog.SetFocus(3);
    g_heard.m_bEndOnButtons = false;
    g_heard.m_commands.clear();
    EXPECT_TRUE(m_dialog.HandleKey(VK_DOWN, false));
    EXPECT_EQ(kRadioTwo, FocusId());
    EXPECT_TRUE(Checked(Dlg(), kRadioTwo));
    EXPECT_FALSE(Checked(Dlg(), kRadioOne));
    m_dialog.HandleKey(VK_RETURN, false);
    m_dialog.HandleKey(VK_TAB, false);
    m_dialog.HandleKey(VK_TAB, false);
    EXPECT_EQ(IDCANCEL, FocusId());
    m_dialog.HandleKey(VK_RETURN, false);
    m_dialog.HandleKey(VK_ESCAPE, false);
    const std::vector<std::pair<int, int>> expected = {
        {kRadioTwo, BN_CLICKED}, {IDOK, BN_CLICKED}, {IDCANCEL, BN_CLICKED}, {IDCANCEL, BN_CLICKED}};
    EXPECT_EQ(expected, g_heard.m_commands);
}

// The dialog's own loop over a real owner window, answered by a driver.
class DialogLoopTest : public ::testing::Test {
protected:
    DialogLoopTest() : m_owner(320, 240, true) {
        g_heard = Heard{};
        RegisterDialogResource(&kResource);
    }
    ~DialogLoopTest() override { win_hooks::SetDialogDriver(nullptr, nullptr); }

    // Runs the dialog with `turn` called at each turn of its loop (with the
    // turn's number) until it ends.
    template <typename Turn>
    INT_PTR Run(Turn turn, LPARAM param = 0) {
        struct Driver {
            Turn* m_pTurn;
            int m_nTurn = 0;
            static void Call(HWND dialog, void* user) {
                auto* self = static_cast<Driver*>(user);
                (*self->m_pTurn)(dialog, self->m_nTurn++);
            }
        } driver{&turn};
        win_hooks::SetDialogDriver(Driver::Call, &driver);
        const INT_PTR result =
            DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kTestDialogId), m_owner.Handle(), TestProc, param);
        win_hooks::SetDialogDriver(nullptr, nullptr);
        return result;
    }

    bool OwnerReceived(UINT message) const {
        for (const RecordedMessage& msg : RecordingWindow::Received()) {
            if (msg.message == message && msg.hwnd == m_owner.Handle()) {
                return true;
            }
        }
        return false;
    }

    RecordingWindow m_owner;
};

TEST_F(DialogLoopTest, TheDialogStartsWithItsParameterAndEndsWithEndDialogsResultOrIsNotShownAtAll) {
    // Unknown resources, and dialogs nobody can answer, are not shown. The
    // tests run on the off-screen driver: without a driver nobody could answer.
    EXPECT_EQ(-1, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(201), m_owner.Handle(), TestProc, 0));
    EXPECT_EQ(-1, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kTestDialogId), m_owner.Handle(), nullptr, 0));
    EXPECT_EQ(-1, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kTestDialogId), m_owner.Handle(), TestProc, 0));
    EXPECT_EQ(0, g_heard.m_nInits);

    HWND seen = nullptr;
    const INT_PTR result = Run(
        [&](HWND dialog, int) {
            seen = dialog;
            EXPECT_EQ(dialog, ModalDialog::ForOwner(m_owner.Handle())->Window());
            EXPECT_TRUE(EndDialog(dialog, 7));
        },
        0x1234);
    EXPECT_EQ(7, result);
    EXPECT_EQ(1, g_heard.m_nInits);
    EXPECT_EQ(0x1234, g_heard.m_initParam);
    // The dialog and its controls are gone with it.
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(nullptr, GetDlgItem(seen, kList));
    EXPECT_FALSE(EndDialog(seen, 1));
    EXPECT_EQ(nullptr, ModalDialog::ForOwner(m_owner.Handle()));
}

TEST_F(DialogLoopTest, TheOwnerGetsNoInputButKeepsBeingPaintedAndSized) {
    HWND owner = m_owner.Handle();
    const INT_PTR result = Run([&](HWND, int turn) {
        if (turn == 0) {
            PostMessageA(owner, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
            PostMessageA(owner, WM_CONTEXTMENU, 0, 0);
            PostMessageA(owner, WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 240));
            PostMessageA(owner, WM_KEYDOWN, VK_TAB, 1);
        } else if (turn == 20) {
            // Alt+Enter is no OK; the owner's Escape is the dialog's Cancel.
            PostMessageA(owner, WM_SYSKEYDOWN, VK_RETURN, 1 | (1 << 29));
        } else if (turn == 40) {
            PostMessageA(owner, WM_KEYDOWN, VK_ESCAPE, 1);
        }
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_TRUE(OwnerReceived(WM_SIZE));
    EXPECT_TRUE(OwnerReceived(WM_PAINT));
    EXPECT_FALSE(OwnerReceived(WM_LBUTTONDOWN));
    EXPECT_FALSE(OwnerReceived(WM_CONTEXTMENU));
    EXPECT_FALSE(OwnerReceived(WM_KEYDOWN));
    EXPECT_FALSE(OwnerReceived(WM_SYSKEYDOWN));
    EXPECT_TRUE(std::none_of(g_heard.m_commands.begin(), g_heard.m_commands.end(),
                             [](const std::pair<int, int>& command) { return command.first == IDOK; }));
}

TEST_F(DialogLoopTest, ClosingTheOwnerOrQuittingCancelsTheDialogAndIsHandedBack) {
    HWND owner = m_owner.Handle();
    EXPECT_EQ(IDCANCEL, Run([&](HWND, int turn) {
                  if (turn == 0) {
                      PostMessageA(owner, WM_CLOSE, 0, 0);
                  }
              }));
    EXPECT_FALSE(OwnerReceived(WM_CLOSE));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, owner, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    EXPECT_TRUE(IsWindow(owner));

    EXPECT_EQ(IDCANCEL, Run([&](HWND, int turn) {
                  if (turn == 0) {
                      PostQuitMessage(3);
                  }
              }));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(3u, msg.wParam);
}

class DrawnDialogTest : public DialogLoopTest {
protected:
    void Click(HWND dialog, int id) const {
        RECT rect{};
        ASSERT_TRUE(win_hooks::GetDialogItemRect(dialog, id, &rect)) << id;
        m_mouse.ClickAt(static_cast<float>(rect.left + 6), static_cast<float>(rect.top + rect.bottom) * 0.5f);
    }

    OverlayMouse m_mouse{m_owner.Handle()};
};

TEST_F(DrawnDialogTest, TheDialogIsDrawnOverTheClientAreaAndItsControlsAnswerClicks) {
    g_heard.m_disableAtInit = {IDCANCEL};
    bool checkedByClick = false;
    bool menuOpened = true;
    int chosen = -1;
    RECT list{};
    const INT_PTR result = Run([&](HWND dialog, int turn) {
        if (turn != 0) {
            return;
        }
        m_mouse.Frames(2);
        RECT ok{};
        ASSERT_TRUE(win_hooks::GetDialogItemRect(dialog, IDOK, &ok));
        ASSERT_TRUE(win_hooks::GetDialogItemRect(dialog, kList, &list));
        // Inside the client area, below the menu strip.
        EXPECT_GE(list.top, win::kMenuStripHeight);
        EXPECT_LE(ok.right, 320);
        EXPECT_GT(ok.right - ok.left, 20);

        Click(dialog, kRadioTwo);
        checkedByClick = Checked(dialog, kRadioTwo) && !Checked(dialog, kRadioOne);

        // The drop-down list opens on a click and its second line is "beta".
        const float x = static_cast<float>(list.left + list.right) * 0.5f;
        m_mouse.ClickAt(x, static_cast<float>(list.top + 5));
        const float lineHeight = 13.0f + 4.0f;
        m_mouse.ClickAt(x, static_cast<float>(list.top) + 2.0f * lineHeight + 10.0f);
        chosen = static_cast<int>(SendDlgItemMessageA(dialog, kList, CB_GETCURSEL, 0, 0));

        // The disabled Cancel button and the owner's menu bar do nothing.
        Click(dialog, IDCANCEL);
        m_mouse.ClickAt(12.0f, 10.0f);
        m_mouse.Frames(1);
        menuOpened = win::IsMenuOpen(m_owner.Handle());
        Click(dialog, IDOK);
    });
    EXPECT_EQ(IDOK, result);
    // The owner draws on without the dialog and with no popup left open.
    m_mouse.Frames(1);
    EXPECT_FALSE(win::IsMenuOpen(m_owner.Handle()));
    EXPECT_TRUE(checkedByClick);
    EXPECT_FALSE(menuOpened);
    const std::vector<std::pair<int, int>>& heard = g_heard.m_commands;
    EXPECT_EQ(1, std::count_if(heard.begin(), heard.end(), [](auto& c) { return c.second == CBN_SELENDOK; }))
        << "one choice from the drawn list";
    EXPECT_EQ(1, chosen);
    EXPECT_EQ(IDOK, heard.back().first);
    EXPECT_TRUE(std::none_of(heard.begin(), heard.end(), [](auto& c) { return c.first == IDCANCEL; }));
}

TEST_F(DrawnDialogTest, EscapeClosesADroppedListFirstAndAListLeftDroppedIsNoMenuBehind) {
    HWND owner = m_owner.Handle();
    bool stillOpen = false;
    const auto dropList = [this](HWND dialog) {
        m_mouse.Frames(2);
        RECT list{};
        ASSERT_TRUE(win_hooks::GetDialogItemRect(dialog, kList, &list));
        m_mouse.ClickAt(static_cast<float>(list.left + list.right) * 0.5f, static_cast<float>(list.top + 5));
    };
    EXPECT_EQ(IDCANCEL, Run([&](HWND dialog, int turn) {
                  if (turn == 0) {
                      dropList(dialog);
                      PostMessageA(owner, WM_KEYDOWN, VK_ESCAPE, 1);
                  } else if (turn == 30) {
                      m_mouse.Frames(2);
                      stillOpen = ModalDialog::FromWindow(dialog)->DroppedList() < 0;
                      PostMessageA(owner, WM_KEYDOWN, VK_ESCAPE, 1);
                  }
              }));
    EXPECT_TRUE(stillOpen) << "the first Escape closes the list, the second the dialog";

    // A procedure may end the dialog while a list is down.
    EXPECT_EQ(5, Run([&](HWND dialog, int) {
                  dropList(dialog);
                  EndDialog(dialog, 5);
              }));
    RecordingWindow::DrainMessages();
    m_mouse.Frames(3);
    EXPECT_FALSE(win::IsMenuOpen(owner));
    EXPECT_EQ(std::vector<UINT>{}, RecordingWindow::DrainMessages()) << "no menu loop";
}

}  // namespace
