// GDI: drawing into device contexts (text, pixels, lines, pens), the
// region data used by DirectDraw clip lists, and the display-settings calls
// that Windows declares in winuser.h (kept here so the window system's
// winuser.h does not have to know about display modes).
#pragma once

#include "windef.h"

// Background modes
#define TRANSPARENT 1
#define OPAQUE 2

// Pen styles
#define PS_SOLID 0
#define PS_DASH 1
#define PS_NULL 5

// Stock objects
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17

#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_FONT 6

// ExtTextOut options
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

#define CLR_INVALID 0xFFFFFFFFu
#define GDI_ERROR 0xFFFFFFFFu
#define HGDI_ERROR ((HGDIOBJ)(LONG_PTR)-1)

// GetDeviceCaps indices
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define VREFRESH 116

// Region data (clip lists)
#define RDH_RECTANGLES 1

typedef struct _RGNDATAHEADER {
    DWORD dwSize;
    DWORD iType;
    DWORD nCount;
    DWORD nRgnSize;
    RECT rcBound;
} RGNDATAHEADER, *LPRGNDATAHEADER;

typedef struct _RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1];
} RGNDATA, *LPRGNDATA;

static_assert(sizeof(RGNDATAHEADER) == 32, "RGNDATAHEADER is 32 bytes on Windows");

// Display settings
#define CCHDEVICENAME 32
#define CCHFORMNAME 32

#define DM_BITSPERPEL 0x00040000u
#define DM_PELSWIDTH 0x00080000u
#define DM_PELSHEIGHT 0x00100000u
#define DM_DISPLAYFLAGS 0x00200000u
#define DM_DISPLAYFREQUENCY 0x00400000u

#define ENUM_CURRENT_SETTINGS ((DWORD)-1)
#define ENUM_REGISTRY_SETTINGS ((DWORD)-2)

#define CDS_UPDATEREGISTRY 0x00000001u
#define CDS_TEST 0x00000002u
#define CDS_FULLSCREEN 0x00000004u

#define DISP_CHANGE_SUCCESSFUL 0
#define DISP_CHANGE_RESTART 1
#define DISP_CHANGE_FAILED (-1)
#define DISP_CHANGE_BADMODE (-2)
#define DISP_CHANGE_NOTUPDATED (-3)
#define DISP_CHANGE_BADFLAGS (-4)
#define DISP_CHANGE_BADPARAM (-5)

typedef struct _POINTL {
    LONG x;
    LONG y;
} POINTL;

// The display variant of the printer/display union is the only one used;
// the layout is the 148-byte one of specification version 0x0401.
typedef struct _devicemodeA {
    BYTE dmDeviceName[CCHDEVICENAME];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    POINTL dmPosition;
    DWORD dmDisplayOrientation;
    DWORD dmDisplayFixedOutput;
    short dmColor;
    short dmDuplex;
    short dmYResolution;
    short dmTTOption;
    short dmCollate;
    BYTE dmFormName[CCHFORMNAME];
    WORD dmLogPixels;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    DWORD dmDisplayFlags;
    DWORD dmDisplayFrequency;
    DWORD dmICMMethod;
    DWORD dmICMIntent;
    DWORD dmMediaType;
    DWORD dmDitherType;
    DWORD dmReserved1;
    DWORD dmReserved2;
} DEVMODEA, *PDEVMODEA, *LPDEVMODEA;
typedef DEVMODEA DEVMODE;
typedef LPDEVMODEA LPDEVMODE;

static_assert(sizeof(DEVMODEA) == 148, "DEVMODEA is 148 bytes on Windows");

extern "C" {
// Text
PLATFORM_API int WINAPI SetBkMode(HDC hdc, int mode);
PLATFORM_API int WINAPI GetBkMode(HDC hdc);
PLATFORM_API COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color);
PLATFORM_API COLORREF WINAPI GetBkColor(HDC hdc);
PLATFORM_API COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color);
PLATFORM_API COLORREF WINAPI GetTextColor(HDC hdc);
PLATFORM_API BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR text, int length);
PLATFORM_API BOOL WINAPI ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect,
                                     LPCSTR text, UINT length, const INT* dx);
PLATFORM_API BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR text, int length, LPSIZE size);

// Pixels and lines
PLATFORM_API COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color);
PLATFORM_API BOOL WINAPI SetPixelV(HDC hdc, int x, int y, COLORREF color);
PLATFORM_API COLORREF WINAPI GetPixel(HDC hdc, int x, int y);
PLATFORM_API BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT previous);
PLATFORM_API BOOL WINAPI LineTo(HDC hdc, int x, int y);

// Objects
PLATFORM_API HPEN WINAPI CreatePen(int style, int width, COLORREF color);
PLATFORM_API HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ object);
PLATFORM_API BOOL WINAPI DeleteObject(HGDIOBJ object);
PLATFORM_API HGDIOBJ WINAPI GetStockObject(int index);

// Device information
PLATFORM_API int WINAPI GetDeviceCaps(HDC hdc, int index);

// Display settings (user32 on Windows)
PLATFORM_API BOOL WINAPI EnumDisplaySettingsA(LPCSTR deviceName, DWORD modeNumber,
                                              DEVMODEA* devMode);
PLATFORM_API LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* devMode, DWORD flags);
}

#define TextOut TextOutA
#define ExtTextOut ExtTextOutA
#define GetTextExtentPoint32 GetTextExtentPoint32A
#define EnumDisplaySettings EnumDisplaySettingsA
#define ChangeDisplaySettings ChangeDisplaySettingsA
