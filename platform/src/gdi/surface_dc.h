// Device contexts that draw into DirectDraw surface memory. The surface
// creates one in GetDC (while it holds its own lock) and ends it in ReleaseDC.
#pragma once

#include <ddraw.h>

namespace platform::gdi {

struct SurfaceTarget {
    BYTE* bits = nullptr;
    LONG pitch = 0;
    DWORD width = 0;
    DWORD height = 0;
    DDPIXELFORMAT format{};
    const void* owner = nullptr;  // the surface, for GetSurfaceFromDC
};

// Formats GDI can draw into: 16- and 32-bit RGB.
bool canDrawInto(const DDPIXELFORMAT& format);
HDC createSurfaceDC(const SurfaceTarget& target);
void destroySurfaceDC(HDC dc);
// The owner given at creation, or null for another kind of DC.
const void* ownerOfDC(HDC dc);

// A DC that draws nowhere and answers questions about the desktop
// (GetDeviceCaps); for the window system's GetDC of a window.
HDC createDisplayDC();
// True for a live DC made by createDisplayDC.
bool isDisplayDC(HDC dc);

}  // namespace platform::gdi
