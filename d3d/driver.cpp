#include "driver.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

// ===========================================================================
// Video modes
// ===========================================================================

namespace {

// Exactly the text's length plus the terminator.
std::shared_ptr<char[]> formatString(const char* format, const char* a, const char* b,
                                     const char* c = nullptr) {
    const int length =
        c ? std::snprintf(nullptr, 0, format, a, b, c) : std::snprintf(nullptr, 0, format, a, b);
    const size_t size = static_cast<size_t>(std::max(length, 0)) + 1;
    std::shared_ptr<char[]> text(new char[size]);
    if (c)
        std::snprintf(text.get(), size, format, a, b, c);
    else
        std::snprintf(text.get(), size, format, a, b);
    return text;
}

std::shared_ptr<char[]> copyString(const char* from) {
    const size_t size = std::strlen(from) + 1;
    std::shared_ptr<char[]> text(new char[size]);
    std::memcpy(text.get(), from, size);
    return text;
}

// The platform has no desktop window DC; a DC it does not know describes the
// desktop, as the desktop window's DC does on Windows.
int desktopBitsPerPixel() {
    return GetDeviceCaps(nullptr, BITSPIXEL);
}

HRESULT acceptEveryDevice(const DDCAPS*, const D3DDEVICEDESC*) {
    return 0;
}

}  // namespace

D3DVideoMode::D3DVideoMode(D3DEnum_DriverInfo* driver, D3DEnum_DeviceInfo* device,
                           D3DEnum_ModeInfo* mode)
    : name(formatString("%s %s %s", driver->description, device->name, mode->text)),
      deviceName(copyString(driver->description)),
      modeName(formatString("%s %s", device->name, mode->text)),
      width(static_cast<int>(mode->description.dwWidth)),
      height(static_cast<int>(mode->description.dwHeight)),
      colorDepth(static_cast<int>(mode->description.ddpfPixelFormat.dwRGBBitCount)),
      hardware(device->hardware != FALSE),
      windowed(false),
      backBufferCount(static_cast<int>(mode->description.dwBackBufferCount)),
      driverInfo(driver),
      deviceInfo(device),
      modeInfo(mode) {}

bool D3DVideoMode::compareVideoMode(const D3DEnum_DriverInfo* driver,
                                    const D3DEnum_DeviceInfo* device,
                                    const D3DEnum_ModeInfo* mode) const {
    return driverInfo == driver && deviceInfo == device && modeInfo == mode;
}

bool D3DVideoMode::checkValid() const {
    return !windowed || desktopBitsPerPixel() == colorDepth;
}

D3DVideoModeList::~D3DVideoModeList() {
    clear();
}

void D3DVideoModeList::build() {
    clear();
    // The result only says whether a default exists; an empty enumeration
    // simply gives an empty list.
    D3DEnum_Enumerate(acceptEveryDevice);
    for (D3DEnum_DriverInfo* d = D3DEnum_GetFirstDriver(); d; d = d->next)
        for (D3DEnum_DeviceInfo* dev = d->firstDevice; dev; dev = dev->next)
            for (D3DEnum_ModeInfo* m = dev->firstMode; m; m = m->next)
                videoModes.push_back(new D3DVideoMode(d, dev, m));

    D3DEnum_SelectDefault(D3DENUM_SKIP_HARDWARE);
    D3DEnum_DriverInfo* driver = nullptr;
    D3DEnum_DeviceInfo* device = nullptr;
    if (D3DEnum_GetSelected(&driver, &device) == D3DENUM_OK && device) {
        fallbackDriver = driver;
        fallbackDevice = device;
        fallbackMode = device->currentMode;
    }
}

void D3DVideoModeList::clear() {
    for (VideoMode* mode : videoModes)
        delete mode;
    videoModes.clear();
    fallbackDriver = nullptr;
    fallbackDevice = nullptr;
    fallbackMode = nullptr;
    D3DEnum_Free();
}

VideoMode* D3DVideoModeList::createWindowedVideoMode(const VideoMode* mode, int width, int height) {
    const auto* from = dynamic_cast<const D3DVideoMode*>(mode);
    if (!from || width <= 0 || height <= 0)
        return nullptr;
    auto made = std::unique_ptr<D3DVideoMode>(
        new D3DVideoMode(from->driverInfo, from->deviceInfo, from->modeInfo));
    made->windowed = true;
    made->width = width;
    made->height = height;
    if (!made->checkValid())
        return nullptr;
    videoModes.push_back(made.get());
    return made.release();
}

void D3DVideoModeList::deleteVideoMode(VideoMode* mode) {
    const auto found = std::find(videoModes.begin(), videoModes.end(), mode);
    if (found == videoModes.end())
        return;
    videoModes.erase(found);
    delete mode;
}

bool D3DVideoModeList::validateVideoMode(const VideoMode* mode) const {
    const auto* d3dMode = dynamic_cast<const D3DVideoMode*>(mode);
    return d3dMode && d3dMode->checkValid();
}

VideoMode* D3DVideoModeList::chooseDefault(const WantedVideoMode& wanted) {
    // Windowed variants are appended while walking: walk the enumerated ones.
    const size_t count = videoModes.size();
    for (size_t i = 0; i < count; ++i) {
        const auto* mode = dynamic_cast<const D3DVideoMode*>(videoModes[i]);
        if (!mode || mode->isHardware() != wanted.hardware)
            continue;
        if (!wanted.device.empty() &&
            std::strstr(mode->getName(), wanted.device.c_str()) == nullptr)
            continue;
        if (wanted.windowed) {
            if (VideoMode* made =
                    createWindowedVideoMode(mode, wanted.xResolution, wanted.yResolution))
                return made;
            continue;
        }
        if (mode->getWidth() == wanted.xResolution && mode->getHeight() == wanted.yResolution &&
            mode->getColorDepth() == wanted.colorDepth)
            return videoModes[i];
    }
    return nullptr;
}

VideoMode* D3DVideoModeList::findFallback() const {
    for (VideoMode* mode : videoModes) {
        const auto* d3dMode = dynamic_cast<const D3DVideoMode*>(mode);
        if (d3dMode && d3dMode->compareVideoMode(fallbackDriver, fallbackDevice, fallbackMode))
            return mode;
    }
    return nullptr;
}
