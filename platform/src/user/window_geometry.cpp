// System metrics, frame sizes, window and client rectangles, moving, sizing
// and showing windows.
#include "core/app_state.h"
#include "core/call_log.h"
#include "user/user_state.h"

#include <algorithm>

namespace platform::user {
namespace {

// Classic Windows 98 metrics at the default appearance.
constexpr int kCaption = 19;
constexpr int kBorder = 1;
constexpr int kDlgFrame = 3;
constexpr int kFrame = 4;
constexpr int kMenu = 19;
constexpr int kEdge = 2;
constexpr int kMinimizedWidth = 160;
constexpr int kMinimizedHeight = 24;
constexpr int kMinimizedPos = -32000;

int screenWidth() {
    return static_cast<int>(core::desktopMode().width);
}
int screenHeight() {
    return static_cast<int>(core::desktopMode().height);
}

RECT clientRectLocked(const Window& w) {
    if (w.style & WS_MINIMIZE)
        return {0, 0, 0, 0};
    const RECT in = frameInsets(w.style, w.exStyle, w.menu != nullptr);
    const LONG width = std::max<LONG>(0, w.rect.right - w.rect.left - in.left - in.right);
    const LONG height = std::max<LONG>(0, w.rect.bottom - w.rect.top - in.top - in.bottom);
    return {0, 0, width, height};
}

POINT clientOriginLocked(const Window& w) {
    const RECT in = frameInsets(w.style, w.exStyle, w.menu != nullptr);
    return {w.rect.left + in.left, w.rect.top + in.top};
}

// Origin of the coordinates a window's position is given in: its parent's
// client area for child windows, the screen otherwise.
POINT positionOriginLocked(const Window& w) {
    if (!(w.style & WS_CHILD))
        return {0, 0};
    auto parent = findWindowLocked(w.parent);
    return parent ? clientOriginLocked(*parent) : POINT{0, 0};
}

void sendPositionChanged(HWND hwnd, UINT flags, const RECT& rect, POINT origin) {
    WINDOWPOS pos{hwnd,
                  nullptr,
                  rect.left - origin.x,
                  rect.top - origin.y,
                  rect.right - rect.left,
                  rect.bottom - rect.top,
                  flags};
    SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

// Moves the window to `rect` with its new style and tells it, as the system
// does for minimising, maximising and restoring.
void placeWindow(HWND hwnd, const RECT& rect, DWORD setStyle, DWORD clearStyle) {
    POINT origin;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(hwnd);
        if (!w)
            return;
        w->style = (w->style & ~clearStyle) | setStyle;
        w->rect = rect;
        w->invalid = true;
        wakeWindowThreadLocked(*w);
        origin = positionOriginLocked(*w);
    }
    sendPositionChanged(hwnd, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED, rect, origin);
}

bool showHidden(HWND hwnd) {
    bool wasVisible;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(hwnd);
        if (!w)
            return false;
        wasVisible = w->visible;
    }
    if (!wasVisible) {
        SendMessageA(hwnd, WM_SHOWWINDOW, TRUE, 0);
        std::lock_guard<std::mutex> lock(state().mutex);
        if (auto w = findWindowLocked(hwnd)) {
            w->visible = true;
            w->invalid = true;
            wakeWindowThreadLocked(*w);
        }
    }
    return wasVisible;
}

}  // namespace

// Frame thickness on each side: the outer edge, the sizing border of
// resizable windows and the thin border, then the caption, the menu bar and
// the sunken client edge.
RECT frameInsets(DWORD style, DWORD exStyle, bool hasMenu) {
    int adjust = 0;
    if ((exStyle & (WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME)) == WS_EX_STATICEDGE)
        adjust = 1;
    else if ((exStyle & WS_EX_DLGMODALFRAME) || (style & (WS_THICKFRAME | WS_DLGFRAME)))
        adjust = kDlgFrame - kBorder;
    if (style & WS_THICKFRAME)
        adjust += kFrame - kDlgFrame;
    if ((style & (WS_BORDER | WS_DLGFRAME)) || (exStyle & WS_EX_DLGMODALFRAME))
        adjust += kBorder;
    RECT in{adjust, adjust, adjust, adjust};
    if ((style & WS_CAPTION) == WS_CAPTION)
        in.top += (exStyle & WS_EX_TOOLWINDOW) ? 15 : kCaption;
    if (hasMenu && !(style & WS_CHILD))
        in.top += kMenu;
    if (exStyle & WS_EX_CLIENTEDGE) {
        in.left += kEdge;
        in.top += kEdge;
        in.right += kEdge;
        in.bottom += kEdge;
    }
    return in;
}

RECT clientRectOnScreen(const Window& window) {
    const POINT origin = clientOriginLocked(window);
    RECT client = clientRectLocked(window);
    OffsetRect(&client, origin.x, origin.y);
    return client;
}

// The window's rectangle on screen, or its client rectangle in its own
// coordinates; the desktop window answers with the screen.
static BOOL windowRect(HWND hWnd, LPRECT lpRect, bool client) {
    if (!lpRect) {
        setLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (desktopRect(hWnd, lpRect))
        return TRUE;
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hWnd);
    if (!w) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *lpRect = client ? clientRectLocked(*w) : w->rect;
    return TRUE;
}

}  // namespace platform::user

using namespace platform::user;

extern "C" {

int WINAPI GetSystemMetrics(int nIndex) {
    switch (nIndex) {
        case SM_CXSCREEN:
        case SM_CXFULLSCREEN:
        case SM_CXVIRTUALSCREEN:
            return screenWidth();
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN:
            return screenHeight();
        case SM_CYFULLSCREEN:
            return screenHeight() - kCaption;
        case SM_XVIRTUALSCREEN:
        case SM_YVIRTUALSCREEN:
            return 0;
        case SM_CYCAPTION:
            return kCaption;
        case SM_CXBORDER:
        case SM_CYBORDER:
            return kBorder;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME:
            return kDlgFrame;
        case SM_CXFRAME:
        case SM_CYFRAME:
            return kFrame;
        case SM_CXEDGE:
        case SM_CYEDGE:
            return kEdge;
        case SM_CYMENU:
            return kMenu;
        case SM_CXVSCROLL:
        case SM_CYHSCROLL:
        case SM_CYVSCROLL:
        case SM_CXHSCROLL:
        case SM_CYVTHUMB:
        case SM_CXHTHUMB:
            return 16;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR:
        case SM_CXICONSPACING:
        case SM_CYICONSPACING:
            return 32;
        case SM_CXSMICON:
        case SM_CYSMICON:
            return 16;
        case SM_CYSMCAPTION:
            return 15;
        case SM_CXSIZE:
        case SM_CYSIZE:
            return 18;
        case SM_CXMIN:
        case SM_CXMINTRACK:
            return 112;
        case SM_CYMIN:
        case SM_CYMINTRACK:
            return 27;
        case SM_CXMAXTRACK:
            return screenWidth() + 2 * kFrame + 4;
        case SM_CYMAXTRACK:
            return screenHeight() + 2 * kFrame + 4;
        case SM_CXMAXIMIZED:
            return screenWidth() + 2 * kFrame;
        case SM_CYMAXIMIZED:
            return screenHeight() + 2 * kFrame;
        case SM_CXMINIMIZED:
            return kMinimizedWidth;
        case SM_CYMINIMIZED:
            return kMinimizedHeight;
        case SM_CXDOUBLECLK:
        case SM_CYDOUBLECLK:
            return 4;
        case SM_MOUSEPRESENT:
        case SM_CMONITORS:
            return 1;
        case SM_CMOUSEBUTTONS:
            return 3;
        case SM_DEBUG:
        case SM_SWAPBUTTON:
        case SM_CYKANJIWINDOW:
            return 0;
        default:
            return 0;
    }
}

BOOL WINAPI AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle) {
    if (!lpRect) {
        setLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const RECT in = frameInsets(dwStyle, dwExStyle, bMenu != FALSE);
    lpRect->left -= in.left;
    lpRect->top -= in.top;
    lpRect->right += in.right;
    lpRect->bottom += in.bottom;
    return TRUE;
}

BOOL WINAPI AdjustWindowRect(LPRECT lpRect, DWORD dwStyle, BOOL bMenu) {
    return AdjustWindowRectEx(lpRect, dwStyle, bMenu, 0);
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    return windowRect(hWnd, lpRect, false);
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    return windowRect(hWnd, lpRect, true);
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
    if (!lpPoint) {
        setLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hWnd);
    if (!w) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const POINT origin = clientOriginLocked(*w);
    lpPoint->x += origin.x;
    lpPoint->y += origin.y;
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
    if (!lpPoint) {
        setLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hWnd);
    if (!w) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const POINT origin = clientOriginLocked(*w);
    lpPoint->x -= origin.x;
    lpPoint->y -= origin.y;
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                         UINT uFlags) {
    WINDOWPOS pos{hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags};
    POINT origin;
    RECT oldRect;
    bool topLevel;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(hWnd);
        if (!w) {
            setLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        origin = positionOriginLocked(*w);
        oldRect = w->rect;
        topLevel = isTopLevel(*w);
    }
    if (uFlags & SWP_NOMOVE) {
        pos.x = oldRect.left - origin.x;
        pos.y = oldRect.top - origin.y;
    }
    if (uFlags & SWP_NOSIZE) {
        pos.cx = oldRect.right - oldRect.left;
        pos.cy = oldRect.bottom - oldRect.top;
    }
    pos.cx = std::max(pos.cx, 0);
    pos.cy = std::max(pos.cy, 0);
    if (!(uFlags & SWP_NOSENDCHANGING))
        SendMessageA(hWnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));

    const RECT newRect{pos.x + origin.x, pos.y + origin.y, pos.x + origin.x + pos.cx,
                       pos.y + origin.y + pos.cy};
    UINT flags = pos.flags;
    if (newRect.left == oldRect.left && newRect.top == oldRect.top)
        flags |= SWP_NOMOVE;
    if (newRect.right - newRect.left == oldRect.right - oldRect.left &&
        newRect.bottom - newRect.top == oldRect.bottom - oldRect.top)
        flags |= SWP_NOSIZE;
    bool visible = false;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(hWnd);
        if (!w)
            return FALSE;
        w->rect = newRect;
        if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE)))
            w->restoreRect = newRect;
        if (flags & SWP_SHOWWINDOW)
            w->visible = true;
        if (flags & SWP_HIDEWINDOW)
            w->visible = false;
        if (hWndInsertAfter == HWND_TOPMOST && !(flags & SWP_NOZORDER))
            w->exStyle |= WS_EX_TOPMOST;
        if (hWndInsertAfter == HWND_NOTOPMOST && !(flags & SWP_NOZORDER))
            w->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
        if (!(flags & SWP_NOREDRAW) && (!(flags & SWP_NOSIZE) || (flags & SWP_SHOWWINDOW))) {
            w->invalid = true;
            wakeWindowThreadLocked(*w);
        }
        visible = w->visible;
    }
    pos.flags = flags;
    SendMessageA(hWnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    if (!(uFlags & SWP_NOACTIVATE) && topLevel && visible)
        activateWindow(hWnd);
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    platform::core::countCall(
        "MoveWindow",
        {reinterpret_cast<ULONG_PTR>(hWnd), static_cast<ULONG_PTR>(X), static_cast<ULONG_PTR>(Y),
         static_cast<ULONG_PTR>(nWidth), static_cast<ULONG_PTR>(nHeight)});
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (!bRepaint)
        flags |= SWP_NOREDRAW;
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, flags);
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    DWORD style;
    bool wasVisible;
    bool foreground;
    RECT restore;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(hWnd);
        if (!w || nCmdShow < 0 || nCmdShow > SW_MAX + 1) {
            setLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        style = w->style;
        wasVisible = w->visible;
        foreground = state().foreground == hWnd;
        restore = w->restoreRect;
    }
    const bool minimised = (style & WS_MINIMIZE) != 0;
    const bool maximised = (style & WS_MAXIMIZE) != 0;
    bool topLevel = !(style & WS_CHILD);

    switch (nCmdShow) {
        case SW_HIDE: {
            if (!wasVisible)
                return FALSE;
            SendMessageA(hWnd, WM_SHOWWINDOW, FALSE, 0);
            POINT origin{0, 0};
            RECT rect{};
            {
                std::lock_guard<std::mutex> lock(state().mutex);
                auto w = findWindowLocked(hWnd);
                if (!w)
                    return TRUE;
                w->visible = false;
                origin = positionOriginLocked(*w);
                rect = w->rect;
            }
            sendPositionChanged(
                hWnd, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE,
                rect, origin);
            if (foreground)
                windowLostActivation(hWnd, false);
            return TRUE;
        }
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
        case SW_MAX + 1:  // SW_FORCEMINIMIZE
            showHidden(hWnd);
            if (!minimised) {
                {
                    std::lock_guard<std::mutex> lock(state().mutex);
                    if (auto w = findWindowLocked(hWnd); w && !maximised)
                        w->restoreRect = w->rect;
                }
                const RECT iconRect{kMinimizedPos, kMinimizedPos, kMinimizedPos + kMinimizedWidth,
                                    kMinimizedPos + kMinimizedHeight};
                placeWindow(hWnd, iconRect, WS_MINIMIZE, WS_MAXIMIZE);
            }
            if (foreground)
                windowLostActivation(hWnd, true);
            return wasVisible;
        case SW_SHOWMAXIMIZED: {
            showHidden(hWnd);
            if (!maximised) {
                {
                    std::lock_guard<std::mutex> lock(state().mutex);
                    if (auto w = findWindowLocked(hWnd); w && !minimised)
                        w->restoreRect = w->rect;
                }
                RECT full{0, 0, screenWidth(), screenHeight()};
                AdjustWindowRectEx(&full, style & ~static_cast<DWORD>(WS_MINIMIZE), FALSE, 0);
                placeWindow(hWnd, full, WS_MAXIMIZE, WS_MINIMIZE);
            }
            if (topLevel)
                activateWindow(hWnd);
            return wasVisible;
        }
        default: {
            showHidden(hWnd);
            const bool restoring = nCmdShow == SW_RESTORE || nCmdShow == SW_SHOWNORMAL ||
                                   nCmdShow == SW_SHOWDEFAULT || nCmdShow == SW_SHOWNOACTIVATE;
            bool changed = !wasVisible;
            if (restoring && (minimised || maximised)) {
                placeWindow(hWnd, restore, 0, WS_MINIMIZE | WS_MAXIMIZE);
                changed = true;
            }
            const bool activate = nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE;
            if (topLevel && activate && changed)
                activateWindow(hWnd);
            return wasVisible;
        }
    }
}

}  // extern "C"
