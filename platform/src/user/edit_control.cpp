// Edits: single-line or multi-line text, read-only or typed into. The caret
// stays at the end of the text; a selection is all or nothing (what a dialog
// selects when the edit gets the focus by Tab). A multi-line edit scrolls by
// lines with its vertical scroll bar, the wheel or the arrow keys.
#include "user/controls.h"
#include "user/user_state.h"

#include <algorithm>
#include <utility>

namespace platform::user {
namespace {

std::string textOf(HWND hwnd) {
    const int length = GetWindowTextLengthA(hwnd);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

int lineCount(HWND hwnd) {
    const std::string text = textOf(hwnd);
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

void scrollTo(HWND hwnd, int line) {
    const int last = lineCount(hwnd) - 1;
    withControl(hwnd, [&](ControlState& c, DWORD) {
        return c.firstLine = std::clamp(line, 0, std::max(0, last));
    });
    InvalidateRect(hwnd, nullptr, FALSE);
}

int firstLine(HWND hwnd) {
    return withControl(hwnd, [](ControlState& c, DWORD) { return c.firstLine; });
}

void typeCharacter(HWND hwnd, char ch, DWORD style) {
    if (style & ES_READONLY)
        return;
    std::string text = textOf(hwnd);
    const bool replace =
        withControl(hwnd, [](ControlState& c, DWORD) { return std::exchange(c.selectAll, false); });
    if (replace)
        text.clear();
    const UINT limit = withControl(hwnd, [](ControlState& c, DWORD) { return c.textLimit; });
    if (ch == '\b') {
        if (!text.empty() && !replace)
            text.pop_back();
    } else if (ch == '\r') {
        if (!(style & ES_MULTILINE) || text.size() + 2 > limit)
            return;
        text += "\r\n";
    } else if (static_cast<unsigned char>(ch) >= 0x20 && text.size() < limit) {
        text.push_back(ch);
    } else {
        return;
    }
    SetWindowTextA(hwnd, text.c_str());
    notifyParent(hwnd, EN_CHANGE);
}

LRESULT scroll(HWND hwnd, WORD code) {
    const int first = firstLine(hwnd);
    switch (code) {
        case SB_LINEUP:
            scrollTo(hwnd, first - 1);
            break;
        case SB_LINEDOWN:
            scrollTo(hwnd, first + 1);
            break;
        case SB_PAGEUP:
            scrollTo(hwnd, first - 10);
            break;
        case SB_PAGEDOWN:
            scrollTo(hwnd, first + 10);
            break;
        case SB_TOP:
            scrollTo(hwnd, 0);
            break;
        case SB_BOTTOM:
            scrollTo(hwnd, lineCount(hwnd));
            break;
        default:
            break;
    }
    return 0;
}

}  // namespace

LRESULT CALLBACK editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    const bool multiLine = (style & ES_MULTILINE) != 0;
    switch (message) {
        case WM_GETDLGCODE:
            return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        case WM_LBUTTONDOWN:
            SetFocus(hwnd);
            return 0;
        case WM_CHAR:
            typeCharacter(hwnd, static_cast<char>(wParam), style);
            return 0;
        case WM_KEYDOWN:
            if (multiLine && (wParam == VK_UP || wParam == VK_DOWN))
                scroll(hwnd, wParam == VK_UP ? SB_LINEUP : SB_LINEDOWN);
            else if (multiLine && (wParam == VK_PRIOR || wParam == VK_NEXT))
                scroll(hwnd, wParam == VK_PRIOR ? SB_PAGEUP : SB_PAGEDOWN);
            return 0;
        case WM_VSCROLL:
            return multiLine ? scroll(hwnd, LOWORD(wParam)) : 0;
        case WM_MOUSEWHEEL:
            if (multiLine)
                scrollTo(hwnd, firstLine(hwnd) - static_cast<short>(HIWORD(wParam)) / 40);
            return 0;
        case EM_SETSEL:
            // Only the two selections the dialog manager makes: all, or none.
            withControl(hwnd, [&](ControlState& c, DWORD) {
                return c.selectAll = wParam == 0 && static_cast<LONG_PTR>(lParam) == -1;
            });
            return 0;
        case EM_GETSEL: {
            const DWORD end = static_cast<DWORD>(GetWindowTextLengthA(hwnd));
            const bool all = withControl(hwnd, [](ControlState& c, DWORD) { return c.selectAll; });
            return MAKELONG(all ? 0 : end, end);
        }
        case EM_LIMITTEXT:
            withControl(hwnd, [&](ControlState& c, DWORD) {
                return c.textLimit = wParam ? static_cast<UINT>(wParam) : 30000u;
            });
            return 0;
        case EM_SETREADONLY:
            SetWindowLongA(hwnd, GWL_STYLE,
                           static_cast<LONG>(wParam ? style | ES_READONLY : style & ~ES_READONLY));
            return TRUE;
        case EM_GETLINECOUNT:
            return lineCount(hwnd);
        case EM_GETFIRSTVISIBLELINE:
            return multiLine ? firstLine(hwnd) : 0;
        case EM_LINESCROLL:
            if (multiLine)
                scrollTo(hwnd, firstLine(hwnd) + static_cast<int>(lParam));
            return multiLine;
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
            withControl(hwnd, [](ControlState& c, DWORD) {
                c.firstLine = 0;
                return c.selectAll = false;
            });
            InvalidateRect(hwnd, nullptr, FALSE);
            return result;
        }
        case WM_KILLFOCUS:
            withControl(hwnd, [](ControlState& c, DWORD) { return c.selectAll = false; });
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace platform::user
