// Testing API: driving a running modal dialog as a user would, from any
// thread. Clicks and drags go through the dialog's own mouse routing (a
// hidden or disabled item takes none); keys go to its focused item. Each
// call returns once the dialog's thread has handled the input, unless
// `wait` is false (for a click that opens another modal dialog).
#pragma once

#include <winuser.h>

#include <string>

namespace platform::testing {

// The running modal dialog at nesting `depth` (1 the outermost), waiting up
// to `timeoutMs` for it to open; null when none opened in time.
PLATFORM_API HWND waitForDialogs(size_t depth, DWORD timeoutMs);
// A left click at the middle of the item.
PLATFORM_API bool clickDialogItem(HWND dialog, int id, bool wait = true);
// A key pressed and released (Tab, Enter, Escape, arrows, Space...); with
// `shift`, Shift is held around it.
PLATFORM_API bool pressDialogKey(HWND dialog, UINT virtualKey, bool shift = false);
// Characters typed into the focused item.
PLATFORM_API bool typeDialogText(HWND dialog, const std::string& text);
// Clicks the item, erases its text with Backspace and types `text`.
PLATFORM_API bool replaceDialogItemText(HWND dialog, int id, const std::string& text);
// Drags a track bar's thumb from its position to `position` and lets go.
PLATFORM_API bool dragTrackBar(HWND dialog, int id, int position);
PLATFORM_API std::string dialogItemText(HWND dialog, int id);

}  // namespace platform::testing
