// Window classes, creation and destruction, window longs and text.
#include "core/presenter.h"
#include "user/user_state.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace platform::user {
namespace {

std::string lowerCase(const char* text) {
    std::string out(text ? text : "");
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Classes are named by string or by the atom RegisterClassA returned.
std::shared_ptr<WindowClass> findClassLocked(LPCSTR name) {
    if (!name)
        return nullptr;
    if (IS_INTRESOURCE(name)) {
        const ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
        for (auto& entry : state().classes)
            if (entry.second->atom == atom)
                return entry.second;
        return nullptr;
    }
    auto it = state().classes.find(lowerCase(name));
    return it == state().classes.end() ? nullptr : it->second;
}

struct Placement {
    int x, y, cx, cy;
};

// CW_USEDEFAULT puts top-level windows at a cascade position with a
// three-quarter-screen size.
Placement defaultPlacement(int x, int y, int cx, int cy, bool child) {
    if (!child) {
        const int screenW = GetSystemMetrics(SM_CXSCREEN);
        const int screenH = GetSystemMetrics(SM_CYSCREEN);
        if (x == CW_USEDEFAULT) {
            x = 0;
            y = 0;
        }
        if (cx == CW_USEDEFAULT) {
            cx = screenW * 3 / 4;
            cy = screenH * 3 / 4;
        }
    } else {
        if (x == CW_USEDEFAULT)
            x = y = 0;
        if (cx == CW_USEDEFAULT)
            cx = cy = 0;
    }
    return {x, y, std::max(cx, 0), std::max(cy, 0)};
}

// Resizable and overlapped windows are held between the tracking sizes the
// window procedure agrees to in WM_GETMINMAXINFO.
void applyTrackingLimits(HWND hwnd, DWORD style, Placement& place) {
    if ((style & WS_THICKFRAME) == 0 && (style & (WS_POPUP | WS_CHILD)) != 0)
        return;
    MINMAXINFO info{};
    const int frameX = GetSystemMetrics(SM_CXFRAME);
    const int frameY = GetSystemMetrics(SM_CYFRAME);
    info.ptMaxSize = {GetSystemMetrics(SM_CXSCREEN) + 2 * frameX,
                      GetSystemMetrics(SM_CYSCREEN) + 2 * frameY};
    info.ptMaxPosition = {-frameX, -frameY};
    info.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    info.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    place.cx = std::clamp<int>(place.cx, info.ptMinTrackSize.x,
                               std::max(info.ptMinTrackSize.x, info.ptMaxTrackSize.x));
    place.cy = std::clamp<int>(place.cy, info.ptMinTrackSize.y,
                               std::max(info.ptMinTrackSize.y, info.ptMaxTrackSize.y));
}

void removeWindowLocked(HWND hwnd) {
    UserState& s = state();
    auto it = s.windows.find(reinterpret_cast<uintptr_t>(hwnd));
    if (it == s.windows.end())
        return;
    if (it->second->windowClass)
        --it->second->windowClass->windows;
    if (auto queue = findQueueLocked(it->second->threadKey)) {
        auto& posted = queue->posted;
        posted.erase(std::remove_if(posted.begin(), posted.end(),
                                    [&](const MSG& m) { return m.hwnd == hwnd; }),
                     posted.end());
        auto& timers = queue->timers;
        timers.erase(std::remove_if(timers.begin(), timers.end(),
                                    [&](const Timer& t) { return t.hwnd == hwnd; }),
                     timers.end());
    }
    if (s.focus == hwnd)
        s.focus = nullptr;
    if (s.foreground == hwnd)
        s.foreground = nullptr;
    if (s.lastActive == hwnd)
        s.lastActive = nullptr;
    s.windows.erase(it);
}

std::vector<HWND> childrenOf(HWND parent) {
    std::vector<HWND> children;
    std::lock_guard<std::mutex> lock(state().mutex);
    for (auto& entry : state().windows)
        if (entry.second->parent == parent && (entry.second->style & WS_CHILD))
            children.push_back(entry.second->handle);
    return children;
}

void sendDestroyMessages(HWND hwnd) {
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    for (HWND child : childrenOf(hwnd))
        sendDestroyMessages(child);
}

void sendNcDestroyAndRemove(HWND hwnd) {
    for (HWND child : childrenOf(hwnd))
        sendNcDestroyAndRemove(child);
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    platform::core::presenter().windowDestroyed(hwnd);
    std::lock_guard<std::mutex> lock(state().mutex);
    removeWindowLocked(hwnd);
}

LONG_PTR getLong(HWND hwnd, int index, bool narrow) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hwnd);
    if (!w) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (w->dialog && index >= 0) {
        const int msgResult = DWL_MSGRESULT;
        const int user = narrow ? DWL_USER : DWLP_USER;
        const int proc = narrow ? DWL_DLGPROC : DWLP_DLGPROC;
        if (index == msgResult)
            return w->dialog->msgResult;
        if (index == user)
            return w->dialog->user;
        if (index == proc && !narrow)
            return reinterpret_cast<LONG_PTR>(w->dialog->proc);
    }
    switch (index) {
        case GWL_USERDATA:
            return w->userData;
        case GWL_STYLE:
            return static_cast<LONG>(w->style);
        case GWL_EXSTYLE:
            return static_cast<LONG>(w->exStyle);
        case GWL_ID:
            return w->id;
        case GWL_WNDPROC:
            if (!narrow)
                return reinterpret_cast<LONG_PTR>(w->proc);
            break;
        case GWL_HINSTANCE:
            if (!narrow)
                return reinterpret_cast<LONG_PTR>(w->instance);
            break;
        case GWL_HWNDPARENT:
            if (!narrow)
                return reinterpret_cast<LONG_PTR>(w->parent);
            break;
        default:
            break;
    }
    setLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR setLong(HWND hwnd, int index, LONG_PTR value, bool narrow) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hwnd);
    if (!w) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (w->threadKey != currentThreadKey() && index == GWL_WNDPROC) {
        setLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    LONG_PTR old = 0;
    if (w->dialog && index >= 0) {
        if (index == DWL_MSGRESULT) {
            old = w->dialog->msgResult;
            w->dialog->msgResult = value;
            return old;
        }
        if (index == (narrow ? DWL_USER : DWLP_USER)) {
            old = w->dialog->user;
            w->dialog->user = value;
            return old;
        }
    }
    switch (index) {
        case GWL_USERDATA:
            old = w->userData;
            w->userData = value;
            return old;
        case GWL_STYLE:
            old = static_cast<LONG>(w->style);
            w->style = static_cast<DWORD>(value);
            return old;
        case GWL_EXSTYLE:
            old = static_cast<LONG>(w->exStyle);
            w->exStyle = static_cast<DWORD>(value);
            return old;
        case GWL_ID:
            old = w->id;
            w->id = value;
            return old;
        case GWL_WNDPROC:
            if (narrow)
                break;  // a pointer does not fit a LONG on 64 bits, as on Win64
            old = reinterpret_cast<LONG_PTR>(w->proc);
            w->proc = reinterpret_cast<WNDPROC>(value);
            return old;
        default:
            break;
    }
    setLastError(ERROR_INVALID_INDEX);
    return 0;
}

}  // namespace
}  // namespace platform::user

using namespace platform::user;

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
    if (!lpWndClass || !lpWndClass->lpfnWndProc || IS_INTRESOURCE(lpWndClass->lpszClassName) ||
        lpWndClass->lpszClassName[0] == '\0') {
        setLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard<std::mutex> lock(state().mutex);
    const std::string key = lowerCase(lpWndClass->lpszClassName);
    if (state().classes.count(key)) {
        setLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto cls = std::make_shared<WindowClass>();
    cls->name = lpWndClass->lpszClassName;
    cls->desc = *lpWndClass;
    if (lpWndClass->lpszMenuName && !IS_INTRESOURCE(lpWndClass->lpszMenuName))
        cls->menuName = lpWndClass->lpszMenuName;
    cls->desc.lpszClassName = nullptr;  // the caller's string may not outlive the class
    cls->desc.lpszMenuName = nullptr;
    cls->atom = state().nextAtom++;
    state().classes.emplace(key, cls);
    return cls->atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto cls = findClassLocked(lpClassName);
    if (!cls) {
        setLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->windows > 0) {
        setLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    state().classes.erase(lowerCase(cls->name.c_str()));
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam) {
    const bool child = (dwStyle & WS_CHILD) != 0;
    if (child && !IsWindow(hWndParent)) {
        setLastError(hWndParent ? ERROR_INVALID_WINDOW_HANDLE : ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    // Overlapped top-level windows always have a caption.
    if (!child && (dwStyle & WS_POPUP) == 0)
        dwStyle |= WS_CAPTION | WS_CLIPSIBLINGS;
    const bool showNow = (dwStyle & WS_VISIBLE) != 0;
    dwStyle &= ~static_cast<DWORD>(WS_VISIBLE);

    Placement place = defaultPlacement(X, Y, nWidth, nHeight, child);
    if (child) {
        POINT origin{0, 0};
        ClientToScreen(hWndParent, &origin);
        place.x += origin.x;
        place.y += origin.y;
    }

    auto queue = currentQueue();
    HWND hwnd;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto cls = findClassLocked(lpClassName);
        if (!cls) {
            setLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        auto w = std::make_shared<Window>();
        hwnd = reinterpret_cast<HWND>(state().nextHandle);
        state().nextHandle += 4;
        w->handle = hwnd;
        w->windowClass = cls;
        w->proc = cls->desc.lpfnWndProc;
        w->style = dwStyle;
        w->exStyle = dwExStyle;
        w->parent = hWndParent;
        w->instance = hInstance;
        if (child)
            w->id = reinterpret_cast<LONG_PTR>(hMenu);
        else
            w->menu = hMenu;
        w->rect = {place.x, place.y, place.x + place.cx, place.y + place.cy};
        w->restoreRect = w->rect;
        w->threadKey = queue->key;
        ++cls->windows;
        state().windows.emplace(reinterpret_cast<uintptr_t>(hwnd), w);
    }

    applyTrackingLimits(hwnd, dwStyle, place);
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (auto w = findWindowLocked(hwnd)) {
            w->rect.right = w->rect.left + place.cx;
            w->rect.bottom = w->rect.top + place.cy;
            w->restoreRect = w->rect;
        }
    }

    CREATESTRUCTA create{};
    create.lpCreateParams = lpParam;
    create.hInstance = hInstance;
    create.hMenu = hMenu;
    create.hwndParent = hWndParent;
    create.cx = place.cx;
    create.cy = place.cy;
    create.x = X == CW_USEDEFAULT ? place.x : X;
    create.y = X == CW_USEDEFAULT ? place.y : Y;
    create.style = static_cast<LONG>(dwStyle);
    create.lpszName = lpWindowName;
    create.lpszClass = lpClassName;
    create.dwExStyle = dwExStyle;

    if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create))) {
        sendNcDestroyAndRemove(hwnd);
        return nullptr;
    }
    if (SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!IsWindow(hwnd))
        return nullptr;

    RECT client{};
    GetClientRect(hwnd, &client);
    SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    if (child) {
        POINT parentOrigin{0, 0};
        ClientToScreen(hWndParent, &parentOrigin);
        origin.x -= parentOrigin.x;
        origin.y -= parentOrigin.y;
    }
    SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));

    if (showNow)
        ShowWindow(hwnd, SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    bool wasVisible;
    bool wasForeground;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(hWnd);
        if (!w) {
            setLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (w->threadKey != currentThreadKey()) {
            setLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (w->destroying)
            return TRUE;
        w->destroying = true;
        wasVisible = w->visible;
        wasForeground = state().foreground == hWnd;
        w->visible = false;
    }
    if (wasVisible) {
        WINDOWPOS pos{hWnd,
                      nullptr,
                      0,
                      0,
                      0,
                      0,
                      SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE};
        SendMessageA(hWnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    }
    if (wasForeground)
        windowLostActivation(hWnd, false);
    bool hadFocus;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        hadFocus = state().focus == hWnd;
        if (hadFocus)
            state().focus = nullptr;
    }
    if (hadFocus)
        SendMessageA(hWnd, WM_KILLFOCUS, 0, 0);
    sendDestroyMessages(hWnd);
    sendNcDestroyAndRemove(hWnd);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) {
    if (!hWnd)
        return FALSE;
    std::lock_guard<std::mutex> lock(state().mutex);
    return findWindowLocked(hWnd) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hWnd);
    return w && w->visible ? TRUE : FALSE;
}

BOOL WINAPI IsIconic(HWND hWnd) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hWnd);
    return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

HWND WINAPI GetParent(HWND hWnd) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hWnd);
    if (!w) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return w->parent;
}

DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hWnd);
    if (!w) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (lpdwProcessId)
        *lpdwProcessId = 1;
    return w->threadKey;
}

LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex) {
    return static_cast<LONG>(getLong(hWnd, nIndex, true));
}

LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
    return static_cast<LONG>(setLong(hWnd, nIndex, dwNewLong, true));
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex) {
    return getLong(hWnd, nIndex, false);
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    return setLong(hWnd, nIndex, dwNewLong, false);
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    if (!IsWindow(hWnd)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) ? TRUE : FALSE;
}

// Reads the stored text directly, as Windows does for windows of other
// threads, so a busy window thread cannot block the caller.
int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0) {
        setLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hWnd);
    if (!w) {
        lpString[0] = '\0';
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const size_t n = std::min<size_t>(w->text.size(), static_cast<size_t>(nMaxCount - 1));
    std::memcpy(lpString, w->text.data(), n);
    lpString[n] = '\0';
    return static_cast<int>(n);
}

}  // extern "C"
