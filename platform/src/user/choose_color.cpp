// The common colour dialog: the colour being chosen as red, green and blue
// track bars with their edits (0 ... 255) and a swatch, the 16 custom
// colours as buttons that pick their colour, and "Add to custom colours",
// which stores the colour in the custom colour last picked (or the next).
#include "user/user_state.h"

#include "platform/dialog_resource.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace platform::user {
namespace {

// The identifiers of Windows' own colour dialog for the parts it shares.
enum : WORD { kRed = 706, kGreen = 707, kBlue = 708, kCurrent = 709, kAdd = 712 };
enum : WORD { kFirstCustom = 720, kRedBar = 740, kGreenBar, kBlueBar };

thread_local DWORD lastError = 0;

struct Chooser {
    COLORREF custom[16] = {};
    COLORREF current = 0;
    int slot = 0;           // where "Add" stores the colour
    bool updating = false;  // while the dialog itself writes its edits
};

const DialogResource& chooserTemplate() {
    static const DialogResource resource = [] {
        constexpr DWORD tab = WS_VISIBLE | WS_TABSTOP;
        DialogResource d(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 230, 150,
                         "Color", 8, "MS Sans Serif");
        d.item("Static", "Custom colors:", 0, 6, 6, 100, 8, WS_VISIBLE);
        for (WORD i = 0; i < 16; ++i)
            d.item("Button", "", static_cast<WORD>(kFirstCustom + i), 6 + (i % 8) * 13,
                   18 + (i / 8) * 13, 11, 11, tab | (i == 0 ? WS_GROUP : 0) | BS_PUSHBUTTON);
        d.item("Static", "", kCurrent, 120, 6, 104, 37, WS_VISIBLE | WS_BORDER);
        const char* const names[] = {"Red:", "Green:", "Blue:"};
        for (WORD c = 0; c < 3; ++c) {
            const short y = static_cast<short>(52 + c * 22);
            d.item("Static", names[c], 0, 6, static_cast<short>(y + 4), 26, 8,
                   WS_VISIBLE | WS_GROUP);
            d.item(TRACKBAR_CLASSA, "", static_cast<WORD>(kRedBar + c), 34, y, 150, 18, tab);
            d.item("Edit", "", static_cast<WORD>(kRed + c), 190, static_cast<short>(y + 2), 34, 13,
                   tab | WS_BORDER | ES_NUMBER);
        }
        d.item("Button", "&Add to Custom Colors", kAdd, 6, 126, 100, 14, tab | WS_GROUP)
            .item("Button", "OK", IDOK, 120, 126, 50, 14, tab | BS_DEFPUSHBUTTON)
            .item("Button", "Cancel", IDCANCEL, 174, 126, 50, 14, tab);
        return d;
    }();
    return resource;
}

Chooser* chooserOf(HWND dialog) {
    return reinterpret_cast<Chooser*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// The swatches keep their colour in their user data, for whoever draws them.
void paintSwatch(HWND dialog, int id, COLORREF color) {
    HWND item = GetDlgItem(dialog, id);
    SetWindowLongPtrA(item, GWLP_USERDATA, static_cast<LONG_PTR>(color) | (LONG_PTR{1} << 32));
    InvalidateRect(item, nullptr, FALSE);
}

void showCurrent(HWND dialog, Chooser& chooser) {
    chooser.updating = true;
    const BYTE parts[] = {GetRValue(chooser.current), GetGValue(chooser.current),
                          GetBValue(chooser.current)};
    for (int c = 0; c < 3; ++c) {
        char text[8];
        std::snprintf(text, sizeof text, "%d", parts[c]);
        SetDlgItemTextA(dialog, kRed + c, text);
        SendDlgItemMessageA(dialog, kRedBar + c, TBM_SETPOS, TRUE, parts[c]);
    }
    paintSwatch(dialog, kCurrent, chooser.current);
    chooser.updating = false;
}

void setComponent(Chooser& chooser, int component, int value) {
    BYTE parts[] = {GetRValue(chooser.current), GetGValue(chooser.current),
                    GetBValue(chooser.current)};
    parts[component] = static_cast<BYTE>(std::clamp(value, 0, 255));
    chooser.current = RGB(parts[0], parts[1], parts[2]);
}

void initialise(HWND dialog, Chooser& chooser) {
    for (int c = 0; c < 3; ++c) {
        SendDlgItemMessageA(dialog, kRedBar + c, TBM_SETRANGE, FALSE, MAKELONG(0, 255));
        SendDlgItemMessageA(dialog, kRedBar + c, TBM_SETPAGESIZE, 0, 16);
        SendDlgItemMessageA(dialog, kRed + c, EM_LIMITTEXT, 3, 0);
    }
    for (int i = 0; i < 16; ++i)
        paintSwatch(dialog, kFirstCustom + i, chooser.custom[i]);
    showCurrent(dialog, chooser);
}

void command(HWND dialog, Chooser& chooser, WORD id, WORD code) {
    if (id >= kFirstCustom && id < kFirstCustom + 16 && code == BN_CLICKED) {
        chooser.slot = id - kFirstCustom;
        chooser.current = chooser.custom[chooser.slot];
        showCurrent(dialog, chooser);
    } else if (id >= kRed && id <= kBlue && code == EN_CHANGE && !chooser.updating) {
        char text[8] = {};
        GetDlgItemTextA(dialog, id, text, sizeof text);
        setComponent(chooser, id - kRed, std::atoi(text));
        SendDlgItemMessageA(dialog, kRedBar + (id - kRed), TBM_SETPOS, TRUE,
                            std::clamp(std::atoi(text), 0, 255));
        paintSwatch(dialog, kCurrent, chooser.current);
    } else if (id == kAdd) {
        chooser.custom[chooser.slot] = chooser.current;
        paintSwatch(dialog, kFirstCustom + chooser.slot, chooser.current);
        chooser.slot = (chooser.slot + 1) % 16;
    } else if (id == IDOK || id == IDCANCEL) {
        EndDialog(dialog, id);
    }
}

INT_PTR CALLBACK chooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        initialise(dialog, *reinterpret_cast<Chooser*>(lParam));
        return TRUE;
    }
    Chooser* chooser = chooserOf(dialog);
    if (!chooser)
        return FALSE;
    switch (message) {
        case WM_COMMAND:
            command(dialog, *chooser, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_HSCROLL: {
            const int bar = GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) - kRedBar;
            if (bar < 0 || bar > 2)
                return FALSE;
            setComponent(
                *chooser, bar,
                static_cast<int>(SendDlgItemMessageA(dialog, kRedBar + bar, TBM_GETPOS, 0, 0)));
            showCurrent(dialog, *chooser);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

}  // namespace
}  // namespace platform::user

using namespace platform::user;

extern "C" {

BOOL WINAPI ChooseColorA(LPCHOOSECOLORA lpcc) {
    if (!lpcc || lpcc->lStructSize != sizeof(CHOOSECOLORA)) {
        lastError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (!lpcc->lpCustColors || (lpcc->hwndOwner && !IsWindow(lpcc->hwndOwner))) {
        lastError = CDERR_INITIALIZATION;
        return FALSE;
    }
    lastError = 0;
    Chooser chooser;
    std::copy(lpcc->lpCustColors, lpcc->lpCustColors + 16, chooser.custom);
    chooser.current = (lpcc->Flags & CC_RGBINIT) ? (lpcc->rgbResult & 0xFFFFFF) : 0;
    const INT_PTR result =
        DialogBoxIndirectParamA(nullptr, static_cast<LPCDLGTEMPLATEA>(chooserTemplate().data()),
                                lpcc->hwndOwner, chooserProc, reinterpret_cast<LPARAM>(&chooser));
    if (result != IDOK)
        return FALSE;
    lpcc->rgbResult = chooser.current;
    std::copy(chooser.custom, chooser.custom + 16, lpcc->lpCustColors);
    return TRUE;
}

DWORD WINAPI CommDlgExtendedError(void) {
    return lastError;
}

}  // extern "C"
