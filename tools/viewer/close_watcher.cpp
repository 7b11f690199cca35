#include "close_watcher.h"

#include <engine/core/window_interface.h>
#include <platform/testing.h>

namespace viewer {
namespace {

// A window procedure has no context argument; there is one render window and
// one watcher, so these stand in for it.
CloseWatcher* activeWatcher = nullptr;
WNDPROC previousProc = nullptr;

}  // namespace

CloseWatcher::CloseWatcher() : shownAtStart(!platform::testing::presenterIsHeadless()) {
    activeWatcher = this;
}

CloseWatcher::~CloseWatcher() {
    // The window is destroyed (or was never hooked) before the watcher goes:
    // the procedure puts the old one back on WM_DESTROY.
    activeWatcher = nullptr;
}

void CloseWatcher::iteration() {
    HWND window = theRenderWindow ? theRenderWindow->getHandle() : nullptr;
    const bool shown = !platform::testing::presenterIsHeadless();
    std::lock_guard<std::mutex> lock(mutex);
    if (shownAtStart && !shown && !lost) {
        lost = closing = true;
        changed.notify_all();
    }
    if (!window || window == hooked)
        return;
    const LONG_PTR old = SetWindowLongPtrA(window, GWLP_WNDPROC,
                                           reinterpret_cast<LONG_PTR>(&CloseWatcher::windowProc));
    if (!old)
        return;
    previousProc = reinterpret_cast<WNDPROC>(old);
    hooked = window;
    changed.notify_all();
}

LRESULT CALLBACK CloseWatcher::windowProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    const WNDPROC next = previousProc;
    if (message == WM_CLOSE || (message == WM_KEYDOWN && wParam == VK_ESCAPE)) {
        if (activeWatcher)
            activeWatcher->requestClose();
        if (message == WM_CLOSE)
            return 0;
    }
    if (message == WM_DESTROY) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
        previousProc = nullptr;
    }
    return next ? CallWindowProcA(next, window, message, wParam, lParam)
                : DefWindowProcA(window, message, wParam, lParam);
}

void CloseWatcher::requestClose() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        closing = true;
    }
    changed.notify_all();
}

bool CloseWatcher::closeRequested() {
    std::lock_guard<std::mutex> lock(mutex);
    return closing;
}

bool CloseWatcher::windowLost() {
    std::lock_guard<std::mutex> lock(mutex);
    return lost;
}

void CloseWatcher::waitForClose() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return closing; });
}

void CloseWatcher::waitUntilWatching() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return hooked != nullptr; });
}

}  // namespace viewer
