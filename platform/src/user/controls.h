// The predefined control classes a dialog template may name: "Button",
// "Edit", "Static" and the common controls' track bar.
#pragma once

#include <windows.h>

#include <vector>

namespace platform::user {

// Registers the classes once per process.
void ensureControlClasses();

LRESULT CALLBACK buttonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK staticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK trackBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// WM_COMMAND with the control's identifier and `code` to its parent.
void notifyParent(HWND control, WORD code);
bool isEnabledAndVisible(HWND hwnd);
// The items of the group `control` belongs to, hidden and disabled ones too.
std::vector<HWND> dialogGroup(HWND dialog, HWND control);
// The client point of a track bar's channel that stands for `position`.
POINT trackBarPoint(HWND trackBar, int position);

}  // namespace platform::user
