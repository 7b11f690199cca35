// Common dialogs: the colour picker.
#pragma once

#include "windows.h"

#define CC_RGBINIT 0x00000001
#define CC_FULLOPEN 0x00000002
#define CC_PREVENTFULLOPEN 0x00000004
#define CC_SHOWHELP 0x00000008
#define CC_ENABLEHOOK 0x00000010
#define CC_ENABLETEMPLATE 0x00000020
#define CC_ENABLETEMPLATEHANDLE 0x00000040
#define CC_SOLIDCOLOR 0x00000080
#define CC_ANYCOLOR 0x00000100

typedef UINT_PTR(CALLBACK* LPCCHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagCHOOSECOLORA {
    DWORD lStructSize;
    HWND hwndOwner;
    HWND hInstance;
    COLORREF rgbResult;
    COLORREF* lpCustColors;
    DWORD Flags;
    LPARAM lCustData;
    LPCCHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
} CHOOSECOLORA, *LPCHOOSECOLORA;
typedef CHOOSECOLORA CHOOSECOLOR;

#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002

extern "C" {
// TRUE when the user confirms a colour (rgbResult and the custom colours
// hold the choice); FALSE on Cancel or on a bad structure (see
// CommDlgExtendedError).
PLATFORM_API BOOL WINAPI ChooseColorA(LPCHOOSECOLORA lpcc);
PLATFORM_API DWORD WINAPI CommDlgExtendedError(void);
}
#define ChooseColor ChooseColorA
