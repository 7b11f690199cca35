// Input handed to a running dialog from outside its thread: by tests through
// the testing API, and by the presenter when the dialog is drawn over a
// window and the user clicks or types there.
#pragma once

#include <windows.h>

#include <vector>

namespace platform::user {

enum class DialogInput : UINT { KeyDown, KeyUp, Character, MouseDown, MouseUp, MouseMove };

// Runs on the dialog's thread: keys go to its focused item (Tab, Enter,
// Escape and the arrows through IsDialogMessageA), the left mouse button to
// the item under `at` (dialog client coordinates). `wait`: until handled;
// otherwise posted.
bool deliverDialogInput(HWND dialog, DialogInput kind, UINT value, POINT at, bool wait);

// Every running modal dialog, outermost first.
std::vector<HWND> runningDialogs();

}  // namespace platform::user
