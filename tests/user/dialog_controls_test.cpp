// A dialog from an in-memory template run modally on its own thread and
// driven from the test's thread through the testing API, as a user would:
// clicks, drags, keys and typing; what the dialog procedure hears is
// recorded.
#include "platform/dialog_resource.h"
#include "platform/testing.h"

#include <commctrl.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <tuple>
#include <vector>

namespace {

enum : WORD {
    kCheck = 10,
    kDisabledCheck,
    kRadioA = 20,
    kRadioB,
    kRadioC,
    kEdit = 30,
    kReadOnly,
    kVertical = 40,
    kHorizontal,
    kGroup = 60,
    kLabel,
    kHidden
};

constexpr DWORD kTab = WS_VISIBLE | WS_TABSTOP;

platform::DialogResource controlsTemplate() {
    platform::DialogResource d(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 0, 200, 150, "Controls", 8,
                               "MS Sans Serif");
    d.item("Button", "OK", IDOK, 140, 130, 50, 14, kTab | BS_DEFPUSHBUTTON)
        .item("Button", "Cancel", IDCANCEL, 80, 130, 50, 14, kTab | BS_PUSHBUTTON)
        .item("Button", "Group", kGroup, 5, 5, 90, 60, WS_VISIBLE | BS_GROUPBOX)
        .item("Button", "Check", kCheck, 10, 15, 60, 10, kTab | BS_AUTOCHECKBOX)
        .item("Button", "Off", kDisabledCheck, 10, 27, 60, 10, kTab | WS_DISABLED | BS_AUTOCHECKBOX)
        .item("Button", "Hidden", kHidden, 10, 39, 60, 10, WS_TABSTOP | BS_AUTOCHECKBOX)
        .item("Button", "A", kRadioA, 100, 15, 40, 10, kTab | WS_GROUP | BS_AUTORADIOBUTTON)
        .item("Button", "B", kRadioB, 100, 27, 40, 10, WS_VISIBLE | BS_AUTORADIOBUTTON)
        .item("Button", "C", kRadioC, 100, 39, 40, 10, WS_VISIBLE | BS_AUTORADIOBUTTON)
        .item("Edit", "", kEdit, 10, 70, 60, 12, kTab | WS_GROUP | ES_AUTOHSCROLL)
        .item("Edit", "line 1\r\nline 2\r\nline 3", kReadOnly, 80, 70, 60, 30,
              kTab | ES_MULTILINE | ES_READONLY | WS_VSCROLL)
        .item("Static", "label", kLabel, 150, 15, 40, 10, WS_VISIBLE)
        .item(TRACKBAR_CLASSA, "", kVertical, 150, 30, 20, 90, kTab | TBS_VERT)
        .item(TRACKBAR_CLASSA, "", kHorizontal, 10, 105, 120, 20, kTab);
    return d;
}

using Heard = std::tuple<UINT, int, int>;  // message, low word, high word or id

class DialogControls : public ::testing::Test {
protected:
    void SetUp() override {
        InitCommonControls();
        resource = std::make_unique<platform::DialogResource>(controlsTemplate());
        result = std::async(std::launch::async, [this] {
            return DialogBoxIndirectParamA(nullptr, static_cast<LPCDLGTEMPLATEA>(resource->data()),
                                           nullptr, procedure, reinterpret_cast<LPARAM>(this));
        });
        dialog = platform::testing::waitForDialogs(1, 10000);
        ASSERT_NE(dialog, nullptr);
    }
    void TearDown() override {
        if (result.valid()) {
            EndDialog(dialog, 0);
            result.get();
        }
    }

    static INT_PTR CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG)
            SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        auto* self = reinterpret_cast<DialogControls*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        if (!self)
            return FALSE;
        std::lock_guard<std::mutex> lock(self->mutex);
        switch (message) {
            case WM_INITDIALOG:
                SendDlgItemMessageA(hwnd, kVertical, TBM_SETRANGE, TRUE, MAKELONG(0, 200));
                self->heard.emplace_back(message, 0, 0);
                return TRUE;
            case WM_COMMAND:
                self->heard.emplace_back(message, LOWORD(wParam), HIWORD(wParam));
                if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
                    EndDialog(hwnd, 100 + LOWORD(wParam));
                return TRUE;
            case WM_VSCROLL:
            case WM_HSCROLL:
                self->heard.emplace_back(message, LOWORD(wParam), GetDlgCtrlID(HWND(lParam)));
                self->positions.push_back(HIWORD(wParam));
                return TRUE;
            default:
                return FALSE;
        }
    }
    std::vector<Heard> takeHeard() {
        std::lock_guard<std::mutex> lock(mutex);
        return std::exchange(heard, {});
    }
    INT_PTR finish() { return result.get(); }
    HWND item(int id) const { return GetDlgItem(dialog, id); }

    std::unique_ptr<platform::DialogResource> resource;
    std::future<INT_PTR> result;
    HWND dialog = nullptr;
    std::mutex mutex;
    std::vector<Heard> heard;
    std::vector<int> positions;
};

using namespace platform::testing;

// Check boxes toggle, radio buttons of a group exclude each other, disabled
// and hidden items take no click; each click that counts is BN_CLICKED.
TEST_F(DialogControls, ButtonsRadioGroupsAndDisabledItems) {
    takeHeard();
    ASSERT_TRUE(clickDialogItem(dialog, kCheck));
    EXPECT_EQ(IsDlgButtonChecked(dialog, kCheck), UINT{BST_CHECKED});
    clickDialogItem(dialog, kDisabledCheck);
    clickDialogItem(dialog, kHidden);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kDisabledCheck) + IsDlgButtonChecked(dialog, kHidden), 0u);
    clickDialogItem(dialog, kRadioB);
    clickDialogItem(dialog, kRadioC);
    EXPECT_EQ(
        std::vector<UINT>({IsDlgButtonChecked(dialog, kRadioA), IsDlgButtonChecked(dialog, kRadioB),
                           IsDlgButtonChecked(dialog, kRadioC)}),
        std::vector<UINT>({0, 0, 1}));
    // The arrows move along the group, and the radio button reached is checked.
    pressDialogKey(dialog, VK_UP);
    EXPECT_EQ(std::make_pair(GetFocus(), IsDlgButtonChecked(dialog, kRadioB)),
              std::make_pair(item(kRadioB), UINT{BST_CHECKED}));
    EXPECT_EQ(takeHeard(), std::vector<Heard>({{WM_COMMAND, kCheck, BN_CLICKED},
                                               {WM_COMMAND, kRadioB, BN_CLICKED},
                                               {WM_COMMAND, kRadioC, BN_CLICKED},
                                               {WM_COMMAND, kRadioB, BN_CLICKED}}));
    // The program's calls change the state without telling the dialog.
    CheckRadioButton(dialog, kRadioA, kRadioC, kRadioA);
    CheckDlgButton(dialog, kDisabledCheck, BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kRadioA) + IsDlgButtonChecked(dialog, kRadioB) +
                  IsDlgButtonChecked(dialog, kDisabledCheck),
              2u);
    EnableWindow(item(kDisabledCheck), TRUE);
    clickDialogItem(dialog, kDisabledCheck);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kDisabledCheck), UINT{BST_UNCHECKED});
    EXPECT_TRUE(takeHeard().size() == 1 && takeHeard().empty());
}

// A drag tells the dialog each tracked position and where the thumb was let
// go, as WM_VSCROLL for a vertical bar (minimum at the top) and WM_HSCROLL
// otherwise; keys step it. Positions stay in the range.
TEST_F(DialogControls, TrackBarsNotifyTheirMovesAndStayInRange) {
    takeHeard();
    ASSERT_TRUE(dragTrackBar(dialog, kVertical, 150));
    EXPECT_EQ(SendDlgItemMessageA(dialog, kVertical, TBM_GETPOS, 0, 0), 150);
    EXPECT_EQ(takeHeard(), std::vector<Heard>({{WM_VSCROLL, TB_THUMBTRACK, kVertical},
                                               {WM_VSCROLL, TB_THUMBTRACK, kVertical},
                                               {WM_VSCROLL, TB_THUMBPOSITION, kVertical},
                                               {WM_VSCROLL, TB_ENDTRACK, kVertical}}));
    EXPECT_EQ(positions, std::vector<int>({0, 150, 150, 0}));
    pressDialogKey(dialog, VK_UP);
    pressDialogKey(dialog, VK_NEXT);
    EXPECT_EQ(SendDlgItemMessageA(dialog, kVertical, TBM_GETPOS, 0, 0), 149 + 40);
    SendDlgItemMessageA(dialog, kVertical, TBM_SETPOS, TRUE, 500);
    EXPECT_EQ(SendDlgItemMessageA(dialog, kVertical, TBM_GETPOS, 0, 0), 200);
    dragTrackBar(dialog, kHorizontal, 30);
    EXPECT_EQ(std::get<0>(takeHeard().back()), UINT{WM_HSCROLL});
    EXPECT_EQ(SendDlgItemMessageA(dialog, kHorizontal, TBM_GETPOS, 0, 0), 30);
    // Escape is Cancel, also when the Cancel button does not have the focus.
    pressDialogKey(dialog, VK_ESCAPE);
    EXPECT_EQ(finish(), 100 + IDCANCEL);
    EXPECT_EQ(waitForDialog(0), nullptr);
}

// Sizes come from dialog units by the font (MS Sans Serif 8: 6 x 13 pixels
// per character); items are child windows with their text and identifier;
// the first tab stop has the focus after WM_INITDIALOG returns TRUE. Tab goes
// through the enabled, visible tab stops in template order and Shift+Tab
// back; text typed into an edit is EN_CHANGE, a read-only edit keeps its text
// but scrolls; Enter presses the default button.
TEST_F(DialogControls, ItemsInDialogUnitsTabOrderTypingAndEnter) {
    RECT client{}, edit{};
    GetClientRect(dialog, &client);
    GetWindowRect(item(kEdit), &edit);
    POINT origin{0, 0};
    ClientToScreen(dialog, &origin);
    EXPECT_EQ(std::vector<LONG>({client.right, client.bottom, edit.left - origin.x,
                                 edit.top - origin.y, edit.right - edit.left}),
              std::vector<LONG>({300, 243, 15, 113, 90}));
    RECT mapped{4, 8, 200, 150};
    ASSERT_TRUE(MapDialogRect(dialog, &mapped));
    EXPECT_EQ(std::vector<LONG>({mapped.left, mapped.top, mapped.right, mapped.bottom}),
              std::vector<LONG>({6, 13, 300, 243}));
    EXPECT_EQ(dialogItemText(dialog, kLabel), "label");
    EXPECT_EQ(GetDlgCtrlID(item(kCheck)), kCheck);
    EXPECT_EQ(GetFocus(), item(IDOK));
    EXPECT_EQ(GetDlgItem(dialog, 999), nullptr);
    EXPECT_EQ(takeHeard(), std::vector<Heard>({{WM_INITDIALOG, 0, 0}}));
    std::vector<int> order;
    for (int i = 0; i < 8; ++i) {
        pressDialogKey(dialog, VK_TAB);
        order.push_back(GetDlgCtrlID(GetFocus()));
    }
    EXPECT_EQ(order, std::vector<int>({IDCANCEL, kCheck, kRadioA, kEdit, kReadOnly, kVertical,
                                       kHorizontal, IDOK}));
    pressDialogKey(dialog, VK_TAB, true);
    EXPECT_EQ(GetFocus(), item(kHorizontal));
    takeHeard();
    ASSERT_TRUE(replaceDialogItemText(dialog, kEdit, "1.5x"));
    typeDialogText(dialog, "\b7");
    EXPECT_EQ(dialogItemText(dialog, kEdit), "1.57");
    EXPECT_EQ(takeHeard().size(), 6u);  // one EN_CHANGE per character
    clickDialogItem(dialog, kReadOnly);
    typeDialogText(dialog, "x");
    pressDialogKey(dialog, VK_DOWN);
    EXPECT_EQ(dialogItemText(dialog, kReadOnly), "line 1\r\nline 2\r\nline 3");
    EXPECT_EQ(SendDlgItemMessageA(dialog, kReadOnly, EM_GETFIRSTVISIBLELINE, 0, 0), 1);
    pressDialogKey(dialog, VK_RETURN);
    EXPECT_EQ(finish(), 100 + IDOK);
}

// EnableWindow answers the previous state and takes the focus from the item
// it disables; an edit keeps to its limit; a narrower track bar range clamps
// the position. Enter does nothing while the default button is disabled,
// and presses the one DM_SETDEFID names.
TEST_F(DialogControls, EnablingLimitsAndTheDefaultButton) {
    EXPECT_EQ(EnableWindow(item(kCheck), FALSE), FALSE);
    EXPECT_NE(EnableWindow(item(kCheck), FALSE), FALSE);
    clickDialogItem(dialog, kEdit);
    SendDlgItemMessageA(dialog, kEdit, EM_LIMITTEXT, 3, 0);
    typeDialogText(dialog, "12345");
    EXPECT_EQ(dialogItemText(dialog, kEdit), "123");
    EnableWindow(item(kEdit), FALSE);
    EXPECT_EQ(GetFocus(), nullptr);
    SendDlgItemMessageA(dialog, kHorizontal, TBM_SETPOS, TRUE, 80);
    SendDlgItemMessageA(dialog, kHorizontal, TBM_SETRANGEMAX, TRUE, 50);
    EXPECT_EQ(SendDlgItemMessageA(dialog, kHorizontal, TBM_GETPOS, 0, 0), 50);
    EnableWindow(item(IDOK), FALSE);
    pressDialogKey(dialog, VK_RETURN);
    EXPECT_EQ(waitForDialog(0), dialog);
    SendMessageA(dialog, DM_SETDEFID, IDCANCEL, 0);
    pressDialogKey(dialog, VK_RETURN);
    EXPECT_EQ(finish(), 100 + IDCANCEL);
}

}  // namespace

namespace {

// The colour dialog starts from the given colour, picks a custom colour by
// click, changes components by track bar and by typing, stores the result as
// a custom colour and returns it on OK; Cancel and bad requests return FALSE.
TEST(ColourDialog, PicksCustomColoursAndComponents) {
    using namespace platform::testing;
    COLORREF custom[16] = {};
    for (int i = 0; i < 16; ++i)
        custom[i] = RGB(i, 2 * i, 3 * i);
    CHOOSECOLORA request{sizeof request,
                         nullptr,
                         nullptr,
                         RGB(10, 20, 30),
                         custom,
                         CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR,
                         0,
                         nullptr,
                         nullptr};
    auto chosen = std::async(std::launch::async, [&] { return ChooseColorA(&request); });
    HWND dialog = waitForDialogs(1, 10000);
    ASSERT_NE(dialog, nullptr);
    clickDialogItem(dialog, 720 + 5);
    dragTrackBar(dialog, 740, 200);
    replaceDialogItemText(dialog, 708, "99");
    clickDialogItem(dialog, 712);  // stored over custom colour 5
    clickDialogItem(dialog, IDOK);
    EXPECT_TRUE(chosen.get());
    EXPECT_EQ(request.rgbResult, RGB(200, 10, 99));
    EXPECT_EQ(custom[5], RGB(200, 10, 99));
    EXPECT_EQ(custom[6], RGB(6, 12, 18));

    chosen = std::async(std::launch::async, [&] { return ChooseColorA(&request); });
    dialog = waitForDialogs(1, 10000);
    pressDialogKey(dialog, VK_ESCAPE);
    EXPECT_FALSE(chosen.get());
    request.lStructSize = 12;
    EXPECT_FALSE(ChooseColorA(&request));
    EXPECT_EQ(CommDlgExtendedError(), DWORD{CDERR_STRUCTSIZE});
}

}  // namespace
