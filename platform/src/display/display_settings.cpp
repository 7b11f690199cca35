// User32's display settings: the desktop mode of the primary adapter.
#include <wingdi.h>

#include "core/app_state.h"
#include "display/display_profile.h"

#include <cstring>

using platform::display::DisplayMode;

namespace {

bool isPrimaryDevice(LPCSTR name) {
    return !name || std::strcmp(name, "\\\\.\\DISPLAY1") == 0 || std::strcmp(name, "DISPLAY") == 0;
}

void fill(DEVMODEA* dm, const DisplayMode& mode) {
    std::memset(dm, 0, sizeof(DEVMODEA));
    std::strncpy(reinterpret_cast<char*>(dm->dmDeviceName), "DISPLAY", CCHDEVICENAME - 1);
    dm->dmSpecVersion = 0x0401;
    dm->dmSize = sizeof(DEVMODEA);
    dm->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY |
                   DM_DISPLAYFLAGS;
    dm->dmBitsPerPel = mode.bitsPerPixel;
    dm->dmPelsWidth = mode.width;
    dm->dmPelsHeight = mode.height;
    dm->dmDisplayFrequency = mode.refreshRate;
}

DisplayMode desktop() {
    const platform::core::DisplayModeDesc d = platform::core::desktopMode();
    return {d.width, d.height, d.bitsPerPixel, d.refreshRate};
}

}  // namespace

extern "C" {

PLATFORM_API BOOL WINAPI EnumDisplaySettingsA(LPCSTR deviceName, DWORD modeNumber,
                                              DEVMODEA* devMode) {
    if (!devMode || !isPrimaryDevice(deviceName))
        return FALSE;
    const auto profile = platform::display::currentProfile();
    if (modeNumber == ENUM_CURRENT_SETTINGS) {
        fill(devMode, desktop());
        return TRUE;
    }
    if (modeNumber == ENUM_REGISTRY_SETTINGS) {
        fill(devMode, profile->desktop);
        return TRUE;
    }
    const auto* adapter = profile->primaryAdapter();
    if (!adapter || modeNumber >= adapter->modes.size())
        return FALSE;
    fill(devMode, adapter->modes[modeNumber]);
    return TRUE;
}

PLATFORM_API LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* devMode, DWORD flags) {
    const auto profile = platform::display::currentProfile();
    if (!devMode) {
        // Back to the desktop mode the profile describes.
        const DisplayMode& m = profile->desktop;
        platform::core::setDesktopMode({m.width, m.height, m.bitsPerPixel, m.refreshRate});
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (devMode->dmSize != sizeof(DEVMODEA))
        return DISP_CHANGE_BADPARAM;
    if (flags & ~(CDS_UPDATEREGISTRY | CDS_TEST | CDS_FULLSCREEN))
        return DISP_CHANGE_BADFLAGS;
    DisplayMode wanted = desktop();
    const bool anyRefresh = !(devMode->dmFields & DM_DISPLAYFREQUENCY);
    if (devMode->dmFields & DM_PELSWIDTH)
        wanted.width = devMode->dmPelsWidth;
    if (devMode->dmFields & DM_PELSHEIGHT)
        wanted.height = devMode->dmPelsHeight;
    if (devMode->dmFields & DM_BITSPERPEL)
        wanted.bitsPerPixel = devMode->dmBitsPerPel;
    if (!anyRefresh)
        wanted.refreshRate = devMode->dmDisplayFrequency;
    auto matches = [&](const DisplayMode& m) {
        return m.width == wanted.width && m.height == wanted.height &&
               m.bitsPerPixel == wanted.bitsPerPixel &&
               (anyRefresh || wanted.refreshRate == 0 || m.refreshRate == wanted.refreshRate);
    };
    const DisplayMode* found = matches(profile->desktop) ? &profile->desktop : nullptr;
    if (const auto* adapter = profile->primaryAdapter())
        for (const auto& m : adapter->modes)
            if (!found && matches(m))
                found = &m;
    if (!found)
        return DISP_CHANGE_BADMODE;
    if (flags & CDS_TEST)
        return DISP_CHANGE_SUCCESSFUL;
    platform::core::setDesktopMode(
        {found->width, found->height, found->bitsPerPixel, found->refreshRate});
    return DISP_CHANGE_SUCCESSFUL;
}

}  // extern "C"
