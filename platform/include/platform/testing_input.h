// Testing API: the application's activation, the system cursor, keyboard and
// mouse input, message boxes, modal dialogs and the presented frames.
#pragma once

#include <winuser.h>

#include <string>
#include <vector>

namespace platform::testing {

// --- activation
// Another application takes the foreground: the active window gets
// WM_ACTIVATE WA_INACTIVE, every top-level window WM_ACTIVATEAPP FALSE, and
// the application becomes inactive (video-memory surfaces are lost).
PLATFORM_API void deactivateApplication();
// The user switches back: the application is active again and its last
// active window is re-activated (WM_ACTIVATEAPP TRUE, WM_ACTIVATE).
PLATFORM_API void activateApplication();
// Both of the above, in that order.
PLATFORM_API void simulateTaskSwitch();


// --- input, delivered as the presenter delivers it
PLATFORM_API void setCursorPosition(int x, int y);
// A key press or release for the focused window (WM_KEYDOWN/WM_KEYUP, or the
// WM_SYS* forms for Alt, F10 and Alt combinations). False when no window has
// the focus.
PLATFORM_API bool postKey(UINT virtualKey, bool down);
// Mouse movement and buttons (0 left, 1 right, 2 middle) over `window`, in
// client coordinates; the system cursor follows.
PLATFORM_API bool postMouseMove(HWND window, int x, int y);
PLATFORM_API bool postMouseButton(HWND window, int button, bool down, int x, int y);
// Display count of ShowCursor.
PLATFORM_API int cursorDisplayCount();
// How often the default window procedure opened the window menu
// (WM_SYSCOMMAND SC_KEYMENU or SC_MOUSEMENU reached DefWindowProcA).
PLATFORM_API unsigned systemMenuOpenCount();

// --- message boxes
struct MessageBoxRecord {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT type = 0;
    int answer = 0;
};
// The next message boxes answer these, in order; without a queued answer a
// box answers its default button (IDOK for MB_OK).
PLATFORM_API void queueMessageBoxAnswer(int answer);
PLATFORM_API std::vector<MessageBoxRecord> messageBoxLog();
PLATFORM_API void clearMessageBoxes();

// --- modal dialogs
// Makes a dialog template known by name (or "#<id>" for a numeric template)
// so that DialogBoxParamA can open it.
PLATFORM_API void registerDialogTemplate(const std::string& name, const std::string& title = "");
// The innermost modal dialog running, waiting up to `timeoutMs` for one to
// open; null when none opened in time.
PLATFORM_API HWND waitForDialog(DWORD timeoutMs);
PLATFORM_API bool postDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
// Ends the innermost modal dialog as EndDialog(result) would.
PLATFORM_API bool endDialog(INT_PTR result);

// --- presentation
struct PresentedFrame {
    HWND window = nullptr;
    DWORD width = 0;
    DWORD height = 0;
    std::vector<DWORD> pixels;  // 0xAARRGGBB, row after row, overlays composited
    unsigned long number = 0;   // 1 for the first frame presented
};
PLATFORM_API PresentedFrame lastPresentedFrame();
PLATFORM_API unsigned long presentedFrameCount();
PLATFORM_API bool presenterIsHeadless();
// With a display: also read each shown frame back from the window's renderer.
PLATFORM_API void setScreenReadback(bool enabled);
// The pixels last read back from the display window (empty when headless).
PLATFORM_API PresentedFrame lastScreenReadback();

}  // namespace platform::testing
