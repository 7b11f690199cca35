// The texture statistics dialog: the texture manager's statistics text,
// read-only, and OK.
#include "window/dialogs.h"

#include "resource.h"
#include "tmanager.h"

#include <string>

INT_PTR CALLBACK textureStatisticDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            std::string text;
            if (theD3DTextureManager)
                theD3DTextureManager->getStatistic(text);
            SetDlgItemTextA(dialog, IDC_TS_TEXT, text.c_str());
            return TRUE;
        }
        case WM_COMMAND:
            // Escape and closing the window end it as OK does.
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}
