// The render driver: its video modes and, later, the driver object itself.
#pragma once

#include "d3dframe/d3denum.h"

#include <engine/core/video_mode.h>

#include <memory>
#include <string>
#include <vector>

// ===========================================================================
// Video modes
// ===========================================================================

// One (driver, device, display mode) triple of the enumeration, full screen,
// or a windowed variant of it. The records are the enumeration's.
class D3DVideoMode : public VideoMode {
public:
    const char* getName() const override { return name.get(); }
    const char* getDeviceName() const override { return deviceName.get(); }
    const char* getModeName() const override { return modeName.get(); }
    int getWidth() const override { return width; }
    int getHeight() const override { return height; }
    int getColorDepth() const override { return colorDepth; }
    bool isHardware() const override { return hardware; }
    bool isWindowed() const override { return windowed; }
    int getID() const override { return 0; }
    ~D3DVideoMode() override = default;

    int getBackBufferCount() const { return backBufferCount; }

    // Copies share the strings, as every copy names the same triple.
    D3DVideoMode(const D3DVideoMode&) = default;
    D3DVideoMode& operator=(const D3DVideoMode&) = default;

private:
    friend class D3DVideoModeList;
    friend class D3DRenderDriver;

    D3DVideoMode(D3DEnum_DriverInfo* driver, D3DEnum_DeviceInfo* device, D3DEnum_ModeInfo* mode);

    D3DEnum_DriverInfo* getDriverInfo() const { return driverInfo; }
    D3DEnum_DeviceInfo* getDeviceInfo() const { return deviceInfo; }
    D3DEnum_ModeInfo* getModeInfo() const { return modeInfo; }
    bool compareVideoMode(const D3DEnum_DriverInfo* driver, const D3DEnum_DeviceInfo* device,
                          const D3DEnum_ModeInfo* mode) const;
    // A windowed mode needs the desktop at its colour depth.
    bool checkValid() const;

    std::shared_ptr<char[]> name;
    std::shared_ptr<char[]> deviceName;
    std::shared_ptr<char[]> modeName;
    int width = 0;
    int height = 0;
    int colorDepth = 0;
    bool hardware = false;
    bool windowed = false;
    int backBufferCount = 0;
    D3DEnum_DriverInfo* driverInfo = nullptr;
    D3DEnum_DeviceInfo* deviceInfo = nullptr;
    D3DEnum_ModeInfo* modeInfo = nullptr;
};

// The video mode wanted by the configuration.
struct WantedVideoMode {
    int xResolution = 640;
    int yResolution = 480;
    bool windowed = false;
    bool hardware = true;
    int colorDepth = 16;
    std::string device;  // when not empty, must occur in the mode's name
};

// Every video mode the driver offers, in enumeration order, plus the windowed
// variants made later. Owns the modes and the enumeration records behind them.
class D3DVideoModeList {
public:
    D3DVideoModeList() = default;
    ~D3DVideoModeList();
    D3DVideoModeList(const D3DVideoModeList&) = delete;
    D3DVideoModeList& operator=(const D3DVideoModeList&) = delete;

    // Enumerates with a filter that accepts every device, makes one mode per
    // (driver, device, mode) and keeps the software default for the fallback.
    void build();
    // Deletes every mode, then frees the enumeration records.
    void clear();

    const std::vector<VideoMode*>& getVideoModeList() const { return videoModes; }
    // Null when `mode` is not a mode of this driver or cannot be windowed now.
    VideoMode* createWindowedVideoMode(const VideoMode* mode, int width, int height);
    // A mode that is not in the list is left alone.
    void deleteVideoMode(VideoMode* mode);
    bool validateVideoMode(const VideoMode* mode) const;

    // The first mode matching the wanted values, or null. A wanted windowed
    // mode is made (and added to the list) from the first fitting mode.
    VideoMode* chooseDefault(const WantedVideoMode& wanted);
    // The first mode standing for the enumeration's software default, or null.
    VideoMode* findFallback() const;

private:
    std::vector<VideoMode*> videoModes;  // owned
    D3DEnum_DriverInfo* fallbackDriver = nullptr;
    D3DEnum_DeviceInfo* fallbackDevice = nullptr;
    D3DEnum_ModeInfo* fallbackMode = nullptr;
};
