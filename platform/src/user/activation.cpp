// The active window, the keyboard focus and the application's activation.
// The whole process is one application: WM_ACTIVATEAPP is sent when it gains
// or loses the foreground, not when activation moves between its own windows.
#include "core/app_state.h"
#include "core/call_log.h"
#include "user/user_state.h"

namespace platform::user {
namespace {

std::vector<HWND> topLevelWindowsLocked() {
    std::vector<HWND> out;
    for (auto& entry : state().windows) {
        const Window& w = *entry.second;
        if (isTopLevel(w) && !w.destroying)
            out.push_back(w.handle);
    }
    return out;
}

bool canBeActivatedLocked(const Window& w) {
    return isTopLevel(w) && w.visible && !w.destroying;
}

WPARAM activateParam(WORD state, bool minimised) {
    return MAKEWPARAM(state, minimised ? 1 : 0);
}

}  // namespace

void activateWindow(HWND hwnd) {
    HWND old;
    bool oldMinimised = false;
    bool minimised;
    bool enteringApp;
    std::vector<HWND> tops;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(hwnd);
        if (!w || !isTopLevel(*w) || w->destroying)
            return;
        old = state().foreground;
        enteringApp = old == nullptr || !core::isAppActive();
        if (old == hwnd && !enteringApp)
            return;
        if (auto previous = findWindowLocked(old))
            oldMinimised = (previous->style & WS_MINIMIZE) != 0;
        state().foreground = hwnd;
        state().lastActive = hwnd;
        minimised = (w->style & WS_MINIMIZE) != 0;
        if (enteringApp)
            tops = topLevelWindowsLocked();
    }
    if (old && old != hwnd) {
        notifyWindow(old, WM_NCACTIVATE, FALSE, 0);
        notifyWindow(old, WM_ACTIVATE, activateParam(WA_INACTIVE, oldMinimised),
                     reinterpret_cast<LPARAM>(hwnd));
    }
    if (enteringApp) {
        core::setAppActive(true);
        for (HWND top : tops)
            notifyWindow(top, WM_ACTIVATEAPP, TRUE, 0);
    }
    notifyWindow(hwnd, WM_NCACTIVATE, TRUE, 0);
    notifyWindow(hwnd, WM_ACTIVATE, activateParam(WA_ACTIVE, minimised),
                 reinterpret_cast<LPARAM>(old == hwnd ? nullptr : old));
}

void deactivateApplication() {
    HWND old;
    HWND focus;
    bool oldMinimised = false;
    std::vector<HWND> tops;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        old = state().foreground;
        if (!old && !core::isAppActive())
            return;
        focus = state().focus;
        if (auto w = findWindowLocked(old)) {
            oldMinimised = (w->style & WS_MINIMIZE) != 0;
            state().lastActive = old;
        }
        state().foreground = nullptr;
        state().focus = nullptr;
        tops = topLevelWindowsLocked();
    }
    core::setAppActive(false);
    if (old) {
        notifyWindow(old, WM_NCACTIVATE, FALSE, 0);
        notifyWindow(old, WM_ACTIVATE, activateParam(WA_INACTIVE, oldMinimised), 0);
    }
    for (HWND top : tops)
        notifyWindow(top, WM_ACTIVATEAPP, FALSE, 0);
    if (focus)
        notifyWindow(focus, WM_KILLFOCUS, 0, 0);
}

void reactivateApplication() {
    HWND target = nullptr;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto last = findWindowLocked(state().lastActive);
        if (last && canBeActivatedLocked(*last)) {
            target = last->handle;
        } else {
            for (auto& entry : state().windows)
                if (canBeActivatedLocked(*entry.second))
                    target = entry.second->handle;
        }
    }
    if (target)
        activateWindow(target);
    else
        core::setAppActive(true);
}

// The active window is hidden, minimised or destroyed: another visible
// window of the application takes over. A minimised application with no
// other window goes to the background; one whose windows are all gone stays
// active, since nothing else took the foreground.
void windowLostActivation(HWND hwnd, bool minimised) {
    HWND next = nullptr;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (state().foreground != hwnd)
            return;
        for (auto& entry : state().windows) {
            const Window& w = *entry.second;
            if (w.handle != hwnd && canBeActivatedLocked(w) && !(w.style & WS_MINIMIZE))
                next = w.handle;
        }
        if (minimised && !next) {
            state().lastActive = hwnd;
        } else {
            state().foreground = next;
            if (next)
                state().lastActive = next;
        }
    }
    if (minimised && !next) {
        deactivateApplication();
        return;
    }
    notifyWindow(hwnd, WM_NCACTIVATE, FALSE, 0);
    notifyWindow(hwnd, WM_ACTIVATE, activateParam(WA_INACTIVE, minimised),
                 reinterpret_cast<LPARAM>(next));
    if (next) {
        notifyWindow(next, WM_NCACTIVATE, TRUE, 0);
        notifyWindow(next, WM_ACTIVATE, activateParam(WA_ACTIVE, false),
                     reinterpret_cast<LPARAM>(hwnd));
    }
}

}  // namespace platform::user

using namespace platform::user;

extern "C" {

BOOL WINAPI SetForegroundWindow(HWND hWnd) {
    platform::core::countCall("SetForegroundWindow", {reinterpret_cast<ULONG_PTR>(hWnd)});
    HWND top = hWnd;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(hWnd);
        if (!w) {
            setLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        while (w && (w->style & WS_CHILD)) {
            top = w->parent;
            w = findWindowLocked(top);
        }
        if (!w)
            return FALSE;
    }
    activateWindow(top);
    return TRUE;
}

HWND WINAPI GetForegroundWindow(void) {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().foreground;
}

HWND WINAPI SetActiveWindow(HWND hWnd) {
    HWND previous = GetForegroundWindow();
    if (!IsWindow(hWnd)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    activateWindow(hWnd);
    return previous;
}

HWND WINAPI GetActiveWindow(void) {
    return GetForegroundWindow();
}

HWND WINAPI SetFocus(HWND hWnd) {
    HWND old;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (hWnd && !findWindowLocked(hWnd)) {
            setLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        old = state().focus;
        if (old == hWnd)
            return old;
        state().focus = hWnd;
    }
    if (old)
        notifyWindow(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    if (hWnd)
        notifyWindow(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND WINAPI GetFocus(void) {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().focus;
}

}  // extern "C"
