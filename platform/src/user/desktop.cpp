// The desktop window and the DCs of windows and the screen.
#include "core/app_state.h"
#include "gdi/surface_dc.h"
#include "user/user_state.h"

namespace platform::user {

HWND desktopWindow() {
    // Created windows get multiples of four from 0x10010 on.
    return reinterpret_cast<HWND>(uintptr_t{0x10002});
}

bool desktopRect(HWND hWnd, RECT* rect) {
    if (hWnd != desktopWindow())
        return false;
    const core::DisplayModeDesc mode = core::desktopMode();
    *rect = RECT{0, 0, static_cast<LONG>(mode.width), static_cast<LONG>(mode.height)};
    return true;
}

}  // namespace platform::user

using platform::user::desktopWindow;

extern "C" {

HWND WINAPI GetDesktopWindow(void) {
    return desktopWindow();
}

HDC WINAPI GetDC(HWND hWnd) {
    if (hWnd && hWnd != desktopWindow() && !IsWindow(hWnd)) {
        platform::user::setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return platform::gdi::createDisplayDC();
}

int WINAPI ReleaseDC(HWND, HDC hDC) {
    if (!platform::gdi::isDisplayDC(hDC))
        return 0;
    platform::gdi::destroySurfaceDC(hDC);
    return 1;
}

}  // extern "C"
