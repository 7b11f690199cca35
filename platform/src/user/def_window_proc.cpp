// The default handling of window messages.
#include "user/user_state.h"

#include <algorithm>
#include <cstring>

namespace platform::user {
namespace {

LRESULT hitTest(HWND hwnd, POINT pt) {
    RECT window;
    RECT client;
    DWORD style;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(hwnd);
        if (!w)
            return HTNOWHERE;
        window = w->rect;
        client = clientRectOnScreen(*w);
        style = w->style;
    }
    if (!PtInRect(&window, pt))
        return HTNOWHERE;
    if (PtInRect(&client, pt))
        return HTCLIENT;
    if ((style & WS_CAPTION) == WS_CAPTION && pt.y < client.top)
        return pt.y >= client.top - GetSystemMetrics(SM_CYCAPTION) ? HTCAPTION : HTBORDER;
    return HTBORDER;
}

void sendMoveAndSize(HWND hwnd, const WINDOWPOS& pos) {
    DWORD style = 0;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(hwnd);
        if (!w)
            return;
        style = w->style;
    }
    if (!(pos.flags & SWP_NOMOVE)) {
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        if (style & WS_CHILD) {
            POINT parentOrigin{0, 0};
            ClientToScreen(GetParent(hwnd), &parentOrigin);
            origin.x -= parentOrigin.x;
            origin.y -= parentOrigin.y;
        }
        SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
    }
    if (!(pos.flags & SWP_NOSIZE) || (pos.flags & SWP_FRAMECHANGED)) {
        RECT client{};
        GetClientRect(hwnd, &client);
        WPARAM type = SIZE_RESTORED;
        if (style & WS_MINIMIZE)
            type = SIZE_MINIMIZED;
        else if (style & WS_MAXIMIZE)
            type = SIZE_MAXIMIZED;
        SendMessageA(hwnd, WM_SIZE, type, MAKELPARAM(client.right, client.bottom));
    }
}

// Opening the window menu is modal on Windows; here the menu opens and closes
// at once, and the event is counted for the tests.
void openSystemMenu(HWND hwnd) {
    noteSystemMenuOpened();
    SendMessageA(hwnd, WM_ENTERMENULOOP, FALSE, 0);
    SendMessageA(hwnd, WM_EXITMENULOOP, FALSE, 0);
}

LRESULT systemCommand(HWND hwnd, WPARAM command) {
    switch (command & 0xFFF0) {
        case SC_KEYMENU:
        case SC_MOUSEMENU:
            openSystemMenu(hwnd);
            return 0;
        case SC_MINIMIZE:
            ShowWindow(hwnd, SW_MINIMIZE);
            return 0;
        case SC_MAXIMIZE:
            ShowWindow(hwnd, SW_MAXIMIZE);
            return 0;
        case SC_RESTORE:
            ShowWindow(hwnd, SW_RESTORE);
            return 0;
        case SC_CLOSE:
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case SC_MOVE:
        case SC_SIZE:
            SendMessageA(hwnd, WM_ENTERSIZEMOVE, 0, 0);
            SendMessageA(hwnd, WM_EXITSIZEMOVE, 0, 0);
            return 0;
        default:
            return 0;
    }
}

LRESULT setText(HWND hwnd, LPCSTR text) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hwnd);
    if (!w)
        return FALSE;
    w->text = text ? text : "";
    return TRUE;
}

LRESULT getText(HWND hwnd, WPARAM size, LPSTR buffer) {
    if (!buffer || size == 0)
        return 0;
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hwnd);
    if (!w)
        return 0;
    const size_t n = std::min<size_t>(w->text.size(), size - 1);
    std::memcpy(buffer, w->text.data(), n);
    buffer[n] = '\0';
    return static_cast<LRESULT>(n);
}

LRESULT textLength(HWND hwnd) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hwnd);
    return w ? static_cast<LRESULT>(w->text.size()) : 0;
}

HCURSOR classCursor(HWND hwnd) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hwnd);
    return w && w->windowClass ? w->windowClass->desc.hCursor : nullptr;
}

bool hasBackground(HWND hwnd) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hwnd);
    return w && w->windowClass && w->windowClass->desc.hbrBackground;
}

}  // namespace
}  // namespace platform::user

using namespace platform::user;

extern "C" LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(hWnd))
        return 0;
    switch (Msg) {
        case WM_NCCREATE: {
            auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            if (create && create->lpszName)
                setText(hWnd, create->lpszName);
            return TRUE;
        }
        case WM_CLOSE:
            DestroyWindow(hWnd);
            return 0;
        case WM_SETTEXT:
            return setText(hWnd, reinterpret_cast<LPCSTR>(lParam));
        case WM_GETTEXT:
            return getText(hWnd, wParam, reinterpret_cast<LPSTR>(lParam));
        case WM_GETTEXTLENGTH:
            return textLength(hWnd);
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(hWnd, &paint);
            EndPaint(hWnd, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return hasBackground(hWnd) ? 1 : 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0)
                SetFocus(hWnd);
            return 0;
        case WM_MOUSEACTIVATE:
            return MA_ACTIVATE;
        case WM_NCACTIVATE:
        case WM_QUERYOPEN:
        case WM_QUERYENDSESSION:
        case WM_POWERBROADCAST:
            return TRUE;
        case WM_WINDOWPOSCHANGED: {
            auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (pos)
                sendMoveAndSize(hWnd, *pos);
            return 0;
        }
        case WM_NCHITTEST:
            return hitTest(hWnd, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                if (HCURSOR cursor = classCursor(hWnd)) {
                    SetCursor(cursor);
                    return TRUE;
                }
            }
            return FALSE;
        case WM_SYSKEYDOWN:
            if (wParam == VK_MENU || wParam == VK_F10) {
                SendMessageA(hWnd, WM_SYSCOMMAND, SC_KEYMENU, 0);
            } else if (wParam == VK_F4 && (HIWORD(lParam) & KF_ALTDOWN)) {
                SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return 0;
        case WM_SYSCHAR:
            // Alt with a character picks a menu entry by its mnemonic.
            if ((HIWORD(lParam) & KF_ALTDOWN) && wParam != VK_TAB && wParam != VK_ESCAPE &&
                wParam != VK_RETURN)
                SendMessageA(hWnd, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(wParam));
            return 0;
        case WM_SYSCOMMAND:
            return systemCommand(hWnd, wParam);
        default:
            return 0;
    }
}
