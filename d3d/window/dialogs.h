// The debug dialogs the hot keys open over the render window: render
// settings ("IDD_RENDER_SETTINGS") and texture statistics
// ("IDD_TEXTURE_STATISTIC"). Their templates are the driver's resources.
#pragma once

#include <windows.h>

INT_PTR CALLBACK renderSettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK textureStatisticDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam);
