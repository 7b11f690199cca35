// The driver library and a video mode, each given back in reverse order on
// every way out of the viewer.
#pragma once

#include <engine/core/render_driver.h>
#include <engine/core/video_mode.h>

#include <windows.h>

namespace viewer {

// LoadLibraryA/FreeLibrary of the driver: loading runs its initDriver, which
// publishes theRenderDriver.
class DriverLibrary {
public:
    DriverLibrary() : module(LoadLibraryA("D3DDriver.dll")), error(module ? 0 : GetLastError()) {}
    ~DriverLibrary() {
        if (module)
            FreeLibrary(module);
    }
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    bool loaded() const { return module != nullptr; }
    DWORD loadError() const { return error; }

private:
    HMODULE module;
    DWORD error;
};

// A video mode the driver made for the viewer (a windowed variant); the
// driver deletes it again.
class OwnedVideoMode {
public:
    OwnedVideoMode(RenderDriver& driver, VideoMode* mode) : driver(driver), mode(mode) {}
    ~OwnedVideoMode() {
        if (mode)
            driver.deleteVideoMode(mode);
    }
    OwnedVideoMode(const OwnedVideoMode&) = delete;
    OwnedVideoMode& operator=(const OwnedVideoMode&) = delete;

    VideoMode* get() const { return mode; }

private:
    RenderDriver& driver;
    VideoMode* mode;
};

// initVideoMode/termVideoMode: the core thread, the window and the device.
class VideoModeSession {
public:
    VideoModeSession(RenderDriver& driver, const VideoMode* mode) : driver(driver) {
        driver.initVideoMode(mode);
    }
    ~VideoModeSession() { driver.termVideoMode(); }
    VideoModeSession(const VideoModeSession&) = delete;
    VideoModeSession& operator=(const VideoModeSession&) = delete;

private:
    RenderDriver& driver;
};

}  // namespace viewer
