// Testing API: the display profile, the pixels of surfaces, surface loss and
// the desktop mode.
#pragma once

#include <ddraw.h>

#include <cstdint>
#include <string>
#include <vector>

namespace platform::testing {

// Uses the profile in `path` (libconfig syntax). On failure the profile in
// force stays, false is returned and `error` says why.
PLATFORM_API bool loadDisplayProfile(const std::string& path, std::string* error = nullptr);
// Back to the built-in profile.
PLATFORM_API void useDefaultDisplayProfile();
// "built-in" or the file the profile in force came from.
PLATFORM_API std::string displayProfileSource();

// The pixels of `surface` as 0xAARRGGBB, row by row (width x height); empty
// for surfaces this layer did not make or cannot convert (depth buffers).
PLATFORM_API std::vector<uint32_t> readSurfaceARGB(IDirectDrawSurface4* surface);
// The raw bytes of `surface`, `*pitch` bytes per row.
PLATFORM_API std::vector<uint8_t> readSurfaceRaw(IDirectDrawSurface4* surface, LONG* pitch);

// Threads that rasterise for devices made from now on (as
// D3DDRIVER_RASTER_THREADS sets); 0: back to the variable or the core count.
PLATFORM_API void setRasterThreads(int threads);

// Loses every video-memory surface, as a mode switch by another program would.
PLATFORM_API void loseAllSurfaces();

struct DesktopMode {
    DWORD width = 0, height = 0, bitsPerPixel = 0, refreshRate = 0;
};
PLATFORM_API DesktopMode currentDesktopMode();

// Frames DirectDraw handed to the presenter since the process started.
PLATFORM_API unsigned presentedFrames();

}  // namespace platform::testing
