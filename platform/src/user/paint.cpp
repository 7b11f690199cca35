// Invalid windows, WM_PAINT and the paint bracket. Windows draw through
// DirectDraw here, so painting only tracks whether a window needs it.
#include "core/call_log.h"
#include "user/user_state.h"

namespace platform::user {
namespace {

bool setInvalid(HWND hwnd, bool invalid) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hwnd);
    if (!w) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    w->invalid = invalid;
    if (invalid)
        wakeWindowThreadLocked(*w);
    return true;
}

void invalidateAllTopLevel() {
    std::lock_guard<std::mutex> lock(state().mutex);
    for (auto& entry : state().windows) {
        if (isTopLevel(*entry.second)) {
            entry.second->invalid = true;
            wakeWindowThreadLocked(*entry.second);
        }
    }
}

bool needsPaint(HWND hwnd) {
    std::lock_guard<std::mutex> lock(state().mutex);
    auto w = findWindowLocked(hwnd);
    return w && w->invalid && w->visible;
}

}  // namespace
}  // namespace platform::user

using namespace platform::user;

extern "C" {

BOOL WINAPI UpdateWindow(HWND hWnd) {
    if (!IsWindow(hWnd)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (needsPaint(hWnd))
        SendMessageA(hWnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT*, BOOL) {
    if (!hWnd) {
        invalidateAllTopLevel();
        return TRUE;
    }
    return setInvalid(hWnd, true) ? TRUE : FALSE;
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT*) {
    if (!hWnd)
        return TRUE;
    return setInvalid(hWnd, false) ? TRUE : FALSE;
}

BOOL WINAPI RedrawWindow(HWND hWnd, const RECT*, HRGN, UINT flags) {
    platform::core::countCall("RedrawWindow",
                              {reinterpret_cast<ULONG_PTR>(hWnd), static_cast<ULONG_PTR>(flags)});
    if (hWnd && !IsWindow(hWnd)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (flags & RDW_INVALIDATE)
        InvalidateRect(hWnd, nullptr, (flags & RDW_ERASE) ? TRUE : FALSE);
    if (flags & RDW_VALIDATE)
        ValidateRect(hWnd, nullptr);
    if (hWnd && (flags & RDW_FRAME) && (flags & (RDW_UPDATENOW | RDW_ERASENOW)))
        SendMessageA(hWnd, WM_NCPAINT, 1, 0);
    if (hWnd && (flags & RDW_UPDATENOW))
        UpdateWindow(hWnd);
    return TRUE;
}

// No GDI device context is handed out (the returned HDC is null); the call
// validates the window and fills the paint area with its client rectangle.
HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    if (!lpPaint || !IsWindow(hWnd)) {
        setLastError(lpPaint ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    *lpPaint = PAINTSTRUCT{};
    GetClientRect(hWnd, &lpPaint->rcPaint);
    lpPaint->fErase = SendMessageA(hWnd, WM_ERASEBKGND, 0, 0) ? FALSE : TRUE;
    setInvalid(hWnd, false);
    return nullptr;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
    return (lpPaint && IsWindow(hWnd)) ? TRUE : FALSE;
}

BOOL WINAPI DrawMenuBar(HWND hWnd) {
    platform::core::countCall("DrawMenuBar", {reinterpret_cast<ULONG_PTR>(hWnd)});
    if (!IsWindow(hWnd)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
