#include "d3dframe/d3denum.h"

#include "dxerror.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

const char* const kSourcePath = "3d/driver/d3d/d3dframe/d3denum";

// The records are linked by their `next` pointers as the users expect; the
// pools own them so that freeing never walks half-built lists.
struct EnumState {
    std::vector<std::unique_ptr<D3DEnum_DriverInfo>> drivers;
    std::vector<std::unique_ptr<D3DEnum_DeviceInfo>> devices;
    std::vector<std::unique_ptr<D3DEnum_ModeInfo>> modes;
    D3DEnum_DriverInfo* firstDriver = nullptr;
    D3DEnum_DriverInfo* selectedDriver = nullptr;
    D3DEnum_DeviceFilter filter = nullptr;
    bool deviceEnumerated = false;
    bool refRasterizerEnumerated = false;
    std::string moduleName = "DDRAW.DLL";
    std::string enumerateExName = "DirectDrawEnumerateExA";
};

EnumState& state() {
    static EnumState instance;
    return instance;
}

thread_local HRESULT hr = 0;

template <typename T>
std::unique_ptr<T> makeZeroed() {
    // Value-initialisation zero-fills these plain records.
    return std::unique_ptr<T>(new (std::nothrow) T{});
}

void copyText(char (&to)[40], const char* from) {
    if (from)
        std::snprintf(to, sizeof to, "%.39s", from);
}

template <typename T>
void appendTo(T** head, T* record) {
    while (*head)
        head = &(*head)->next;
    *head = record;
}

DWORD bitDepth(const D3DEnum_ModeInfo* mode) {
    return mode->description.ddpfPixelFormat.dwRGBBitCount;
}

bool hasModeOfDepth(const D3DEnum_DeviceInfo* device, DWORD bits) {
    for (const D3DEnum_ModeInfo* m = device->firstMode; m; m = m->next)
        if (bitDepth(m) == bits)
            return true;
    return false;
}

bool canRenderWindowed(const D3DEnum_DriverInfo* driver) {
    return (driver->driverCaps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED) != 0;
}

// Mode callback -------------------------------------------------------------

bool depthRenderable(DWORD bits, DWORD renderDepths) {
    switch (bits) {
        case 8:
            return false;
        case 16:
            return (renderDepths & DDBD_16) != 0;
        case 24:
            return (renderDepths & DDBD_24) != 0;
        case 32:
            return (renderDepths & DDBD_32) != 0;
        default:
            return true;
    }
}

HRESULT WINAPI modeCallback(LPDDSURFACEDESC2 desc, LPVOID context) {
    auto* device = static_cast<D3DEnum_DeviceInfo*>(context);
    if (!desc || !device)
        return DDENUMRET_CANCEL;
    const DWORD bits = desc->ddpfPixelFormat.dwRGBBitCount;
    if (!depthRenderable(bits, device->description.dwDeviceRenderBitDepth))
        return DDENUMRET_OK;
    auto mode = makeZeroed<D3DEnum_ModeInfo>();
    if (!mode)
        return DDENUMRET_CANCEL;
    std::memcpy(&mode->description, desc, sizeof mode->description);
    std::snprintf(mode->text, sizeof mode->text, "%ld x %ld x %ld",
                  static_cast<long>(desc->dwWidth), static_cast<long>(desc->dwHeight),
                  static_cast<long>(bits));
    D3DEnum_ModeInfo* const made = mode.get();
    state().modes.push_back(std::move(mode));
    appendTo(&device->firstMode, made);
    if (!device->currentMode || (desc->dwWidth == 640 && desc->dwHeight == 480 && bits == 16))
        device->currentMode = made;
    return DDENUMRET_OK;
}

// Device callback -----------------------------------------------------------

struct DriverContext {
    D3DEnum_DriverInfo* driver;
    IDirectDraw4* directDraw;
};

void markDesktopModes(DriverContext* ctx, D3DEnum_DeviceInfo* device) {
    DDSURFACEDESC2 desktop{};
    desktop.dwSize = sizeof desktop;
    if (!DX_TEST(hr = ctx->directDraw->GetDisplayMode(&desktop), kSourcePath))
        return;
    if (!canRenderWindowed(ctx->driver))
        return;
    if (hasModeOfDepth(device, desktop.ddpfPixelFormat.dwRGBBitCount)) {
        device->desktopCompatible = TRUE;
        if (!ctx->driver->guidPointer)
            device->windowed = TRUE;
    }
}

HRESULT WINAPI deviceCallback(GUID* guid, LPSTR /*description*/, LPSTR name,
                              LPD3DDEVICEDESC hardwareDesc, LPD3DDEVICEDESC softwareDesc,
                              LPVOID context) {
    auto* ctx = static_cast<DriverContext*>(context);
    if (!guid || !hardwareDesc || !softwareDesc || !ctx || !ctx->driver)
        return D3DENUMRET_CANCEL;
    if (*guid == IID_IDirect3DNullDevice)
        return D3DENUMRET_OK;
    EnumState& s = state();
    s.deviceEnumerated = true;

    const bool hardware = hardwareDesc->dwFlags != 0;
    const D3DDEVICEDESC* kept = hardware ? hardwareDesc : softwareDesc;
    D3DEnum_DriverInfo* const driver = ctx->driver;
    // Secondary adapters are 3D accelerators: their emulation is of no use.
    if (driver->guidPointer && !hardware)
        return D3DENUMRET_OK;
    if (s.filter && s.filter(&driver->driverCaps, kept) < 0)
        return D3DENUMRET_OK;

    auto device = makeZeroed<D3DEnum_DeviceInfo>();
    if (!device)
        return D3DENUMRET_CANCEL;
    device->guid = *guid;
    device->guidPointer = &device->guid;
    copyText(device->name, name);
    std::memcpy(&device->description, kept, sizeof device->description);
    device->hardware = hardware ? TRUE : FALSE;

    if (hardware || (!driver->currentDevice && (softwareDesc->dcmColorModel & D3DCOLOR_RGB)))
        driver->currentDevice = device.get();

    DX_TEST(hr = ctx->directDraw->EnumDisplayModes(0, nullptr, device.get(), modeCallback),
            kSourcePath);
    markDesktopModes(ctx, device.get());

    if (device->firstMode) {
        appendTo(&driver->firstDevice, device.get());
        s.devices.push_back(std::move(device));
    } else if (driver->currentDevice == device.get()) {
        driver->currentDevice = nullptr;  // never point at a freed record
    }
    if (*guid == IID_IDirect3DRefDevice)
        s.refRasterizerEnumerated = true;
    return D3DENUMRET_OK;
}

// Driver callback -----------------------------------------------------------

// The DirectDraw and Direct3D interfaces of one driver, released on scope exit.
struct DriverInterfaces {
    IDirectDraw4* directDraw = nullptr;
    IDirect3D3* direct3D = nullptr;
    ~DriverInterfaces() {
        if (direct3D)
            direct3D->Release();
        if (directDraw)
            directDraw->Release();
    }
};

bool openDriver(GUID* guid, DriverInterfaces* out) {
    IDirectDraw* first = nullptr;
    if (!DX_TEST(hr = DirectDrawCreate(guid, &first, nullptr), kSourcePath) || !first)
        return false;
    hr = first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&out->directDraw));
    first->Release();
    if (!DX_TEST(hr, kSourcePath) || !out->directDraw)
        return false;
    hr = out->directDraw->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&out->direct3D));
    return DX_TEST(hr, kSourcePath) && out->direct3D;
}

BOOL WINAPI driverCallbackEx(GUID* guid, LPSTR description, LPSTR name, LPVOID /*context*/,
                             HMONITOR monitor) {
    DriverInterfaces interfaces;
    if (!openDriver(guid, &interfaces))
        return DDENUMRET_OK;

    auto driver = makeZeroed<D3DEnum_DriverInfo>();
    if (!driver)
        return DDENUMRET_CANCEL;
    if (guid) {
        driver->guid = *guid;
        driver->guidPointer = &driver->guid;
    }
    copyText(driver->description, description);
    copyText(driver->name, name);
    driver->monitor = monitor;
    driver->driverCaps.dwSize = sizeof(DDCAPS);
    driver->emulationCaps.dwSize = sizeof(DDCAPS);
    DX_TEST(hr = interfaces.directDraw->GetCaps(&driver->driverCaps, &driver->emulationCaps),
            kSourcePath);

    DriverContext ctx{driver.get(), interfaces.directDraw};
    DX_TEST(hr = interfaces.direct3D->EnumDevices(deviceCallback, &ctx), kSourcePath);

    if (driver->firstDevice) {
        EnumState& s = state();
        appendTo(&s.firstDriver, driver.get());
        if (!driver->guidPointer)
            s.selectedDriver = driver.get();
        s.drivers.push_back(std::move(driver));
    }
    return DDENUMRET_OK;
}

BOOL WINAPI driverCallback(GUID* guid, LPSTR description, LPSTR name, LPVOID context) {
    return driverCallbackEx(guid, description, name, context, nullptr);
}

// Default selection ---------------------------------------------------------

void refreshDesktopCompatibility() {
    IDirectDraw* directDraw = nullptr;
    if (!DX_TEST(hr = DirectDrawCreate(nullptr, &directDraw, nullptr), kSourcePath) || !directDraw)
        return;
    DDSURFACEDESC desktop{};
    desktop.dwSize = sizeof desktop;
    const bool known = DX_TEST(hr = directDraw->GetDisplayMode(&desktop), kSourcePath);
    directDraw->Release();
    if (!known)
        return;
    const DWORD bits = desktop.ddpfPixelFormat.dwRGBBitCount;
    for (D3DEnum_DriverInfo* d = state().firstDriver; d; d = d->next)
        for (D3DEnum_DeviceInfo* dev = d->firstDevice; dev; dev = dev->next)
            dev->desktopCompatible = hasModeOfDepth(dev, bits) ? TRUE : FALSE;
}

void select(D3DEnum_DriverInfo* driver, D3DEnum_DeviceInfo* device) {
    state().selectedDriver = driver;
    driver->currentDevice = device;
}

bool runPass(bool hardware, bool windowed) {
    for (D3DEnum_DriverInfo* d = state().firstDriver; d; d = d->next) {
        if (windowed && !canRenderWindowed(d))
            continue;
        for (D3DEnum_DeviceInfo* dev = d->firstDevice; dev; dev = dev->next) {
            if ((dev->hardware != FALSE) != hardware)
                continue;
            if (windowed && !dev->desktopCompatible)
                continue;
            dev->windowed = windowed ? TRUE : FALSE;
            select(d, dev);
            return true;
        }
    }
    return false;
}

HRESULT selectByPasses(unsigned flags) {
    struct Pass {
        bool hardware, windowed;
    };
    const Pass passes[] = {{true, true}, {false, true}, {true, false}, {false, false}};
    for (const Pass& p : passes) {
        if (p.hardware && (flags & D3DENUM_SKIP_HARDWARE))
            continue;
        if (p.windowed && (flags & D3DENUM_SKIP_WINDOWED))
            continue;
        if (runPass(p.hardware, p.windowed))
            return D3DENUM_OK;
    }
    const EnumState& s = state();
    if (!s.deviceEnumerated)
        return D3DENUM_ERR_NO_DEVICE;
    return s.refRasterizerEnumerated ? D3DENUM_ERR_NO_MATCH_REF_PRESENT
                                     : D3DENUM_ERR_NO_MATCH_NO_REF;
}

bool matchesExplicit(unsigned flags, const D3DEnum_DriverInfo* driver,
                     const D3DEnum_DeviceInfo* device) {
    const bool rgb = device->guid == IID_IDirect3DRGBDevice;
    const bool ref = device->guid == IID_IDirect3DRefDevice;
    if (rgb)
        return (flags & D3DENUM_RGB_DEVICE) != 0;
    if (ref)
        return (flags & D3DENUM_REF_DEVICE) != 0;
    const bool primary = driver == state().firstDriver;
    return ((flags & D3DENUM_PRIMARY_DRIVER) && primary) ||
           ((flags & D3DENUM_SECONDARY_DRIVER) && !primary);
}

HRESULT selectExplicit(unsigned flags) {
    for (D3DEnum_DriverInfo* d = state().firstDriver; d; d = d->next)
        for (D3DEnum_DeviceInfo* dev = d->firstDevice; dev; dev = dev->next)
            if (matchesExplicit(flags, d, dev)) {
                select(d, dev);
                return D3DENUM_OK;
            }
    return D3DENUM_ERR_NO_EXPLICIT_MATCH;
}

}  // namespace

HRESULT D3DEnum_Enumerate(D3DEnum_DeviceFilter filter) {
    D3DEnum_Free();
    EnumState& s = state();
    s.deviceEnumerated = false;
    s.refRasterizerEnumerated = false;
    s.filter = filter;

    const HMODULE ddraw = GetModuleHandleA(s.moduleName.c_str());
    if (!ddraw)
        return D3DENUM_ERR_NO_DIRECTDRAW;
    // The extended form also reports secondary adapters and their monitors.
    using EnumerateEx = HRESULT(WINAPI*)(LPDDENUMCALLBACKEXA, LPVOID, DWORD);
    const FARPROC found = GetProcAddress(ddraw, s.enumerateExName.c_str());
    const auto enumerateEx = reinterpret_cast<EnumerateEx>(reinterpret_cast<void (*)()>(found));
    if (enumerateEx) {
        const DWORD flags = DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES |
                            DDENUM_NONDISPLAYDEVICES;
        DX_TEST(hr = enumerateEx(driverCallbackEx, nullptr, flags), kSourcePath);
    } else {
        DX_TEST(hr = DirectDrawEnumerateA(driverCallback, nullptr), kSourcePath);
    }
    return D3DEnum_SelectDefault(0);
}

HRESULT D3DEnum_SelectDefault(unsigned flags) {
    refreshDesktopCompatibility();
    if (flags & D3DENUM_EXPLICIT_MASK)
        return selectExplicit(flags);
    return selectByPasses(flags);
}

HRESULT D3DEnum_GetSelected(D3DEnum_DriverInfo** driver, D3DEnum_DeviceInfo** device) {
    D3DEnum_DriverInfo* const selected = state().selectedDriver;
    if (!selected)
        return D3DENUM_ERR_NO_DEVICE;
    if (driver)
        *driver = selected;
    if (device)
        *device = selected->currentDevice;
    return D3DENUM_OK;
}

D3DEnum_DriverInfo* D3DEnum_GetFirstDriver() {
    return state().firstDriver;
}

void D3DEnum_Free() {
    EnumState& s = state();
    s.firstDriver = nullptr;
    s.selectedDriver = nullptr;
    s.modes.clear();
    s.devices.clear();
    s.drivers.clear();
}

void D3DEnum_SetDirectDrawNames(const char* moduleName, const char* enumerateExName) {
    EnumState& s = state();
    s.moduleName = moduleName ? moduleName : "DDRAW.DLL";
    s.enumerateExName = enumerateExName ? enumerateExName : "DirectDrawEnumerateExA";
}
