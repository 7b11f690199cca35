// Track bars: a position in a range, moved by the mouse (the thumb follows
// the pointer: SB_THUMBTRACK while it moves, SB_THUMBPOSITION where it is
// let go) and by the keyboard (line, page, ends). Each move is told to the
// parent as WM_HSCROLL, or WM_VSCROLL for TBS_VERT, with the track bar's
// handle in lParam, and ends with TB_ENDTRACK. A vertical bar has its minimum
// at the top.
#include "user/controls.h"
#include "user/user_state.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace platform::user {
namespace {

constexpr int kMargin = 5;  // half the thumb: the channel starts and ends inside the bar

int clampToRange(const ControlState& c, int position) {
    return std::clamp(position, c.rangeMin, std::max(c.rangeMin, c.rangeMax));
}

void tell(HWND hwnd, WORD code, int position) {
    const bool vertical = (GetWindowLongA(hwnd, GWL_STYLE) & TBS_VERT) != 0;
    const WORD shown =
        (code == TB_THUMBTRACK || code == TB_THUMBPOSITION) ? static_cast<WORD>(position) : WORD{0};
    SendMessageA(GetParent(hwnd), vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, shown),
                 reinterpret_cast<LPARAM>(hwnd));
}

// The position under a client point, along the bar's channel.
int positionAt(HWND hwnd, POINT at) {
    RECT client{};
    GetClientRect(hwnd, &client);
    const bool vertical = (GetWindowLongA(hwnd, GWL_STYLE) & TBS_VERT) != 0;
    const int length = std::max(1, (vertical ? client.bottom : client.right) - 2 * kMargin);
    const int along = (vertical ? at.y : at.x) - kMargin;
    return withControl(hwnd, [&](ControlState& c, DWORD) {
        const int span = c.rangeMax - c.rangeMin;
        const int offset = (along * span + length / 2) / length;
        return clampToRange(c, c.rangeMin + offset);
    });
}

int setPosition(HWND hwnd, int position) {
    const int set = withControl(
        hwnd, [&](ControlState& c, DWORD) { return c.position = clampToRange(c, position); });
    InvalidateRect(hwnd, nullptr, FALSE);
    return set;
}

void moveByKey(HWND hwnd, UINT vk) {
    const ControlState now = withControl(hwnd, [](ControlState& c, DWORD) { return c; });
    struct Step {
        UINT vk;
        WORD code;
        int target;
    };
    const Step steps[] = {{VK_LEFT, TB_LINEUP, now.position - now.lineSize},
                          {VK_UP, TB_LINEUP, now.position - now.lineSize},
                          {VK_RIGHT, TB_LINEDOWN, now.position + now.lineSize},
                          {VK_DOWN, TB_LINEDOWN, now.position + now.lineSize},
                          {VK_PRIOR, TB_PAGEUP, now.position - now.pageSize},
                          {VK_NEXT, TB_PAGEDOWN, now.position + now.pageSize},
                          {VK_HOME, TB_TOP, now.rangeMin},
                          {VK_END, TB_BOTTOM, now.rangeMax}};
    for (const Step& step : steps)
        if (step.vk == vk) {
            setPosition(hwnd, step.target);
            tell(hwnd, step.code, 0);
            tell(hwnd, TB_ENDTRACK, 0);
        }
}

void drag(HWND hwnd, POINT at, WORD code) {
    tell(hwnd, code, setPosition(hwnd, positionAt(hwnd, at)));
}

}  // namespace

POINT trackBarPoint(HWND hwnd, int position) {
    RECT client{};
    GetClientRect(hwnd, &client);
    const bool vertical = (GetWindowLongA(hwnd, GWL_STYLE) & TBS_VERT) != 0;
    const int length = std::max(1, (vertical ? client.bottom : client.right) - 2 * kMargin);
    const int along = withControl(hwnd, [&](ControlState& c, DWORD) {
        const int span = std::max(1, c.rangeMax - c.rangeMin);
        return kMargin + ((clampToRange(c, position) - c.rangeMin) * length + span / 2) / span;
    });
    return vertical ? POINT{client.right / 2, along} : POINT{along, client.bottom / 2};
}

LRESULT CALLBACK trackBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case TBM_GETPOS:
            return withControl(hwnd, [](ControlState& c, DWORD) { return c.position; });
        case TBM_GETRANGEMIN:
            return withControl(hwnd, [](ControlState& c, DWORD) { return c.rangeMin; });
        case TBM_GETRANGEMAX:
            return withControl(hwnd, [](ControlState& c, DWORD) { return c.rangeMax; });
        case TBM_SETPOS:
            setPosition(hwnd, static_cast<int>(lParam));
            return 0;
        case TBM_SETRANGE:
        case TBM_SETRANGEMIN:
        case TBM_SETRANGEMAX:
            withControl(hwnd, [&](ControlState& c, DWORD) {
                if (message != TBM_SETRANGEMAX)
                    c.rangeMin = message == TBM_SETRANGE ? static_cast<short>(LOWORD(lParam))
                                                         : static_cast<int>(lParam);
                if (message != TBM_SETRANGEMIN)
                    c.rangeMax = message == TBM_SETRANGE ? static_cast<short>(HIWORD(lParam))
                                                         : static_cast<int>(lParam);
                c.pageSize = std::max(1, (c.rangeMax - c.rangeMin) / 5);
                return c.position = clampToRange(c, c.position);
            });
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case TBM_SETPAGESIZE:
        case TBM_SETLINESIZE:
            return withControl(hwnd, [&](ControlState& c, DWORD) {
                int& size = message == TBM_SETPAGESIZE ? c.pageSize : c.lineSize;
                return std::exchange(size, static_cast<int>(lParam));
            });
        case TBM_GETPAGESIZE:
            return withControl(hwnd, [](ControlState& c, DWORD) { return c.pageSize; });
        case TBM_GETLINESIZE:
            return withControl(hwnd, [](ControlState& c, DWORD) { return c.lineSize; });
        case WM_LBUTTONDOWN:
            SetFocus(hwnd);
            withControl(hwnd, [](ControlState& c, DWORD) { return c.pressed = true; });
            drag(hwnd, at, TB_THUMBTRACK);
            return 0;
        case WM_MOUSEMOVE:
            if (withControl(hwnd, [](ControlState& c, DWORD) { return c.pressed; }))
                drag(hwnd, at, TB_THUMBTRACK);
            return 0;
        case WM_LBUTTONUP:
            if (withControl(
                    hwnd, [](ControlState& c, DWORD) { return std::exchange(c.pressed, false); })) {
                drag(hwnd, at, TB_THUMBPOSITION);
                tell(hwnd, TB_ENDTRACK, 0);
            }
            return 0;
        case WM_KEYDOWN:
            moveByKey(hwnd, static_cast<UINT>(wParam));
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace platform::user
