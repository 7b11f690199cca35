// Draws the running modal dialogs owned (directly or through another dialog)
// by a window over that window's frame, so that a dialog shows in the
// presented picture; and finds the dialog that takes the window's mouse.
#pragma once

#include <windows.h>

#include <vector>

namespace platform::user {

// `pixels`: 0xAARRGGBB, `width` x `height`, the window's client area.
void paintDialogsOver(HWND window, DWORD width, DWORD height, std::vector<DWORD>& pixels);
// Whether paintDialogsOver would draw anything over the window.
bool dialogsShownOver(HWND window);

// The window a dialog stands on: its owner, through owning dialogs; null
// for a dialog without one.
HWND windowUnder(HWND dialog);

// The innermost running dialog over `window`, or null.
HWND dialogOver(HWND window);

}  // namespace platform::user
