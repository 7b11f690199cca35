// Buttons: push and default push buttons, check boxes, radio buttons and
// group boxes. Automatic kinds change their own check state when clicked and
// every kind but the group box tells its parent BN_CLICKED.
#include "user/controls.h"
#include "user/user_state.h"

namespace platform::user {
namespace {

DWORD kindOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)) & BS_TYPEMASK;
}

bool isRadio(DWORD kind) {
    return kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON;
}

void setCheck(HWND hwnd, UINT check) {
    withControl(hwnd, [&](ControlState& c, DWORD) { return c.check = check; });
    InvalidateRect(hwnd, nullptr, FALSE);
}

// An automatic radio button clears the others of its group: the siblings
// from the one with WS_GROUP before it to the next WS_GROUP.
void checkInGroup(HWND hwnd) {
    for (HWND item : dialogGroup(GetParent(hwnd), hwnd))
        if (item != hwnd && kindOf(item) == BS_AUTORADIOBUTTON)
            setCheck(item, BST_UNCHECKED);
    setCheck(hwnd, BST_CHECKED);
}

void click(HWND hwnd) {
    const DWORD kind = kindOf(hwnd);
    if (kind == BS_GROUPBOX)
        return;
    if (kind == BS_AUTOCHECKBOX || kind == BS_AUTO3STATE) {
        const UINT check = withControl(hwnd, [](ControlState& c, DWORD) { return c.check; });
        const UINT states = kind == BS_AUTO3STATE ? 3 : 2;
        setCheck(hwnd, (check + 1) % states);
    } else if (kind == BS_AUTORADIOBUTTON) {
        checkInGroup(hwnd);
    }
    notifyParent(hwnd, BN_CLICKED);
}

LRESULT dialogCode(DWORD kind) {
    switch (kind) {
        case BS_PUSHBUTTON:
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_DEFPUSHBUTTON:
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_GROUPBOX:
            return DLGC_STATIC;
        default:
            return isRadio(kind) ? DLGC_BUTTON | DLGC_RADIOBUTTON : DLGC_BUTTON;
    }
}

bool setPressed(HWND hwnd, bool pressed) {
    return withControl(hwnd, [&](ControlState& c, DWORD) {
        const bool was = c.pressed;
        c.pressed = pressed;
        return was;
    });
}

}  // namespace

LRESULT CALLBACK buttonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const DWORD kind = kindOf(hwnd);
    switch (message) {
        case WM_GETDLGCODE:
            return dialogCode(kind);
        case BM_GETCHECK:
            return withControl(hwnd, [](ControlState& c, DWORD) { return c.check; });
        case BM_SETCHECK:
            if (kind != BS_PUSHBUTTON && kind != BS_DEFPUSHBUTTON && kind != BS_GROUPBOX)
                setCheck(hwnd, static_cast<UINT>(wParam) & 3);
            return 0;
        case BM_GETSTATE:
            return withControl(hwnd, [&](ControlState& c, DWORD) {
                return c.check | (c.pressed ? BST_PUSHED : 0u) |
                       (GetFocus() == hwnd ? BST_FOCUS : 0u);
            });
        case BM_SETSTATE:
            setPressed(hwnd, wParam != 0);
            return 0;
        case BM_SETSTYLE:
            SetWindowLongA(hwnd, GWL_STYLE,
                           static_cast<LONG>((GetWindowLongA(hwnd, GWL_STYLE) & ~BS_TYPEMASK) |
                                             (wParam & BS_TYPEMASK)));
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case BM_CLICK:
            click(hwnd);
            return 0;
        case WM_LBUTTONDOWN:
            if (kind == BS_GROUPBOX)
                return 0;
            setPressed(hwnd, true);
            SetFocus(hwnd);
            return 0;
        case WM_LBUTTONUP: {
            RECT client{};
            GetClientRect(hwnd, &client);
            const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (setPressed(hwnd, false) && PtInRect(&client, at))
                click(hwnd);
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam == VK_SPACE && kind != BS_GROUPBOX)
                setPressed(hwnd, true);
            return 0;
        case WM_KEYUP:
            if (wParam == VK_SPACE && setPressed(hwnd, false))
                click(hwnd);
            return 0;
        case WM_KILLFOCUS:
            setPressed(hwnd, false);
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

LRESULT CALLBACK staticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETDLGCODE)
        return DLGC_STATIC;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace platform::user
