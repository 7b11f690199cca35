// Enumeration of the DirectDraw drivers (adapters), the Direct3D devices of
// each and the display modes each device can render to, kept as three linked
// lists of records, plus the choice of a default driver and device.
#pragma once

#include <d3d.h>
#include <ddraw.h>

struct D3DEnum_ModeInfo {
    DDSURFACEDESC2 description;  // as enumerated
    char text[40];               // "640 x 480 x 16"
    D3DEnum_ModeInfo* next;
};

struct D3DEnum_DeviceInfo {
    GUID guid;
    GUID* guidPointer;  // points at guid
    char name[40];
    D3DDEVICEDESC description;  // hardware one for hardware devices, else software
    BOOL hardware;
    BOOL desktopCompatible;  // has a mode of the desktop's bit depth
    BOOL windowed;           // may render in a window
    D3DEnum_ModeInfo* currentMode;
    D3DEnum_ModeInfo* firstMode;
    D3DEnum_DeviceInfo* next;
};

struct D3DEnum_DriverInfo {
    GUID guid;
    GUID* guidPointer;  // null for the primary display driver
    char description[40];
    char name[40];
    DDCAPS driverCaps;
    DDCAPS emulationCaps;
    HMONITOR monitor;
    D3DEnum_DeviceInfo* currentDevice;
    D3DEnum_DeviceInfo* firstDevice;
    D3DEnum_DriverInfo* next;
};

// Called for each candidate device with its driver's capabilities and the
// description kept for it; a negative answer refuses the device.
typedef HRESULT (*D3DEnum_DeviceFilter)(const DDCAPS* driverCaps, const D3DDEVICEDESC* device);

// Flags of D3DEnum_SelectDefault. Without any of the explicit choices, four
// passes run: hardware windowed, software windowed, hardware full screen,
// software full screen.
constexpr unsigned D3DENUM_SKIP_HARDWARE = 0x01;
constexpr unsigned D3DENUM_SKIP_WINDOWED = 0x02;
constexpr unsigned D3DENUM_RGB_DEVICE = 0x04;
constexpr unsigned D3DENUM_REF_DEVICE = 0x08;
constexpr unsigned D3DENUM_PRIMARY_DRIVER = 0x10;
constexpr unsigned D3DENUM_SECONDARY_DRIVER = 0x20;
constexpr unsigned D3DENUM_EXPLICIT_MASK = 0x3C;

// Results.
constexpr HRESULT D3DENUM_OK = 0;
constexpr HRESULT D3DENUM_ERR_NO_DEVICE = static_cast<HRESULT>(0x81000001);
constexpr HRESULT D3DENUM_ERR_NO_MATCH_NO_REF = static_cast<HRESULT>(0x81000002);
constexpr HRESULT D3DENUM_ERR_NO_MATCH_REF_PRESENT = static_cast<HRESULT>(0x81000003);
constexpr HRESULT D3DENUM_ERR_NO_DIRECTDRAW = static_cast<HRESULT>(0x81000004);
constexpr HRESULT D3DENUM_ERR_NO_EXPLICIT_MATCH = static_cast<HRESULT>(0x81000005);

// Builds the lists (replacing any earlier ones) and selects the default with
// no flags. `filter` may be null.
HRESULT D3DEnum_Enumerate(D3DEnum_DeviceFilter filter);
HRESULT D3DEnum_SelectDefault(unsigned flags);
// The selected driver and its current device; either pointer may be null.
HRESULT D3DEnum_GetSelected(D3DEnum_DriverInfo** driver, D3DEnum_DeviceInfo** device);
D3DEnum_DriverInfo* D3DEnum_GetFirstDriver();
void D3DEnum_Free();

// Where the enumeration looks for DirectDraw. Tests point it at a module or an
// entry point that does not exist; null arguments restore "DDRAW.DLL" and
// "DirectDrawEnumerateExA".
void D3DEnum_SetDirectDrawNames(const char* moduleName, const char* enumerateExName);
