// The calls on a dialog's items, enabling windows, the keyboard navigation
// of IsDialogMessageA and the registration of the control classes.
#include "user/controls.h"
#include "user/user_state.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace platform::user {
namespace {

DWORD styleOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
}

bool canTakeFocus(HWND hwnd) {
    return isEnabledAndVisible(hwnd) && !(SendMessageA(hwnd, WM_GETDLGCODE, 0, 0) & DLGC_STATIC);
}

// The next (or previous) item after `from` in `items`, going round, that
// `fits`; `from` itself when nothing else does, null when `items` is empty.
template <typename Fits>
HWND stepRound(const std::vector<HWND>& items, HWND from, bool previous, Fits fits) {
    if (items.empty())
        return nullptr;
    const auto at = std::find(items.begin(), items.end(), from);
    const size_t n = items.size();
    size_t index = at == items.end() ? (previous ? 0 : n - 1) : size_t(at - items.begin());
    for (size_t step = 0; step < n; ++step) {
        index = previous ? (index + n - 1) % n : (index + 1) % n;
        if (fits(items[index]))
            return items[index];
    }
    return from;
}

// The items of the group `control` belongs to: from the item with WS_GROUP
// at or before it up to the next item with WS_GROUP.
std::vector<HWND> groupOf(HWND dialog, HWND control) {
    const std::vector<HWND> items = childWindows(dialog);
    auto at = std::find(items.begin(), items.end(), control);
    if (at == items.end())
        return {};
    auto first = at;
    while (first != items.begin() && !(styleOf(*first) & WS_GROUP))
        --first;
    auto last = at + 1;
    while (last != items.end() && !(styleOf(*last) & WS_GROUP))
        ++last;
    return {first, last};
}

void focusItem(HWND dialog, HWND item) {
    if (!item)
        return;
    SetFocus(item);
    if (SendMessageA(item, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageA(item, EM_SETSEL, 0, -1);
    (void)dialog;
}

// Enter: the focused push button, else the default button, if enabled.
void pressDefault(HWND dialog, HWND focus) {
    const LRESULT code = focus ? SendMessageA(focus, WM_GETDLGCODE, 0, 0) : 0;
    int id = 0;
    if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
        id = GetDlgCtrlID(focus);
    } else {
        const LRESULT defId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
        id = HIWORD(defId) == DC_HASDEFID ? LOWORD(defId) : IDOK;
    }
    HWND button = GetDlgItem(dialog, id);
    if (button && !IsWindowEnabled(button))
        return;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void pressCancel(HWND dialog) {
    HWND button = GetDlgItem(dialog, IDCANCEL);
    if (button && !IsWindowEnabled(button))
        return;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

bool handleNavigationKey(HWND dialog, HWND focus, UINT vk, LRESULT code) {
    const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    switch (vk) {
        case VK_TAB:
            if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS))
                return false;
            focusItem(dialog, GetNextDlgTabItem(dialog, focus, shift));
            return true;
        case VK_RETURN:
            if (code & DLGC_WANTALLKEYS)
                return false;
            pressDefault(dialog, focus);
            return true;
        case VK_ESCAPE:
            if (code & DLGC_WANTALLKEYS)
                return false;
            pressCancel(dialog);
            return true;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            if (code & (DLGC_WANTARROWS | DLGC_WANTALLKEYS))
                return false;
            HWND next = GetNextDlgGroupItem(dialog, focus, vk == VK_LEFT || vk == VK_UP);
            if (!next || next == focus)
                return true;
            SetFocus(next);
            const LRESULT nextCode = SendMessageA(next, WM_GETDLGCODE, 0, 0);
            if ((nextCode & DLGC_RADIOBUTTON) &&
                (styleOf(next) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
                SendMessageA(next, BM_CLICK, 0, 0);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

std::vector<HWND> dialogGroup(HWND dialog, HWND control) {
    return groupOf(dialog, control);
}

std::vector<HWND> childWindows(HWND parent) {
    std::vector<HWND> children;
    std::lock_guard<std::mutex> lock(state().mutex);
    for (auto& entry : state().windows)
        if (entry.second->parent == parent && (entry.second->style & WS_CHILD) &&
            !entry.second->destroying)
            children.push_back(entry.second->handle);
    return children;
}

std::string windowClassName(HWND hwnd) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hwnd);
    if (!w)
        return {};
    std::string name = w->windowClass->name;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

void notifyParent(HWND control, WORD code) {
    SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

bool isEnabledAndVisible(HWND hwnd) {
    return IsWindowEnabled(hwnd) && IsWindowVisible(hwnd);
}

void ensureControlClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        const std::pair<const char*, WNDPROC> classes[] = {{"Button", buttonProc},
                                                           {"Edit", editProc},
                                                           {"Static", staticProc},
                                                           {TRACKBAR_CLASSA, trackBarProc}};
        for (const auto& [name, proc] : classes) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = proc;
            wc.lpszClassName = name;
            RegisterClassA(&wc);
        }
    });
}

}  // namespace platform::user

using namespace platform::user;

extern "C" {

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    for (HWND child : childWindows(hDlg))
        if (GetDlgCtrlID(child) == nIDDlgItem)
            return child;
    setLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
    return static_cast<int>(GetWindowLongPtrA(hWnd, GWLP_ID));
}

LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam,
                                   LPARAM lParam) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessageA(item, Msg, wParam, lParam) : 0;
}

BOOL WINAPI CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
    HWND item = GetDlgItem(hDlg, nIDButton);
    if (!item)
        return FALSE;
    SendMessageA(item, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND hDlg, int nIDButton) {
    return static_cast<UINT>(SendDlgItemMessageA(hDlg, nIDButton, BM_GETCHECK, 0, 0));
}

BOOL WINAPI CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
    bool any = false;
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id)
        if (HWND item = GetDlgItem(hDlg, id)) {
            SendMessageA(item, BM_SETCHECK, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED, 0);
            any = true;
        }
    return any;
}

BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item && SetWindowTextA(item, lpString);
}

UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item) {
        if (lpString && cchMax > 0)
            lpString[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(item, lpString, cchMax));
}

int WINAPI GetWindowTextLengthA(HWND hWnd) {
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    return stepRound(childWindows(hDlg), hCtl, bPrevious,
                     [](HWND item) { return (styleOf(item) & WS_TABSTOP) && canTakeFocus(item); });
}

HWND WINAPI GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    return stepRound(groupOf(hDlg, hCtl), hCtl, bPrevious, isEnabledAndVisible);
}

BOOL WINAPI IsDialogMessageA(HWND hDlg, LPMSG lpMsg) {
    if (!lpMsg || !hDlg || (lpMsg->hwnd != hDlg && GetParent(lpMsg->hwnd) != hDlg))
        return FALSE;
    if (lpMsg->message == WM_KEYDOWN) {
        const LRESULT code = SendMessageA(lpMsg->hwnd, WM_GETDLGCODE, lpMsg->wParam,
                                          reinterpret_cast<LPARAM>(lpMsg));
        if (handleNavigationKey(hDlg, lpMsg->hwnd == hDlg ? nullptr : lpMsg->hwnd,
                                static_cast<UINT>(lpMsg->wParam), code))
            return TRUE;
    }
    TranslateMessage(lpMsg);
    DispatchMessageA(lpMsg);
    return TRUE;
}

BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect) {
    if (!lpRect)
        return FALSE;
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hDlg);
    if (!w || !w->dialog) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const POINT base = w->dialog->baseUnits;
    lpRect->left = lpRect->left * base.x / 4;
    lpRect->right = lpRect->right * base.x / 4;
    lpRect->top = lpRect->top * base.y / 8;
    lpRect->bottom = lpRect->bottom * base.y / 8;
    return TRUE;
}

// Returns whether the window was disabled before. A disabled window loses
// the focus, and it never gets mouse input or the focus by Tab.
BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
    const LONG style = GetWindowLongA(hWnd, GWL_STYLE);
    if (!IsWindow(hWnd))
        return FALSE;
    const bool wasDisabled = (style & WS_DISABLED) != 0;
    if (wasDisabled == !bEnable)
        return wasDisabled;
    SetWindowLongA(
        hWnd, GWL_STYLE,
        bEnable ? style & ~static_cast<LONG>(WS_DISABLED) : style | static_cast<LONG>(WS_DISABLED));
    if (!bEnable && GetFocus() == hWnd)
        SetFocus(nullptr);
    SendMessageA(hWnd, WM_ENABLE, bEnable, 0);
    InvalidateRect(hWnd, nullptr, FALSE);
    return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
    return IsWindow(hWnd) && !(GetWindowLongA(hWnd, GWL_STYLE) & WS_DISABLED);
}

void WINAPI InitCommonControls(void) {
    ensureControlClasses();
}

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
    if (!picce || picce->dwSize != sizeof(INITCOMMONCONTROLSEX))
        return FALSE;
    ensureControlClasses();
    return TRUE;
}

}  // extern "C"
