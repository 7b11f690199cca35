// The plain surfaces made from images. The images themselves live in
// image_container.cpp, image_files.cpp and image_surface.cpp.
#include "driver_filter.h"
#include "dxerror.h"
#include "image_container.h"
#include "surface_container.h"

#include <engine/debug.h>

#include <atomic>
#include <cstdio>

namespace {

const char* const sourcePath = "3d/driver/d3d/tmanager";
HRESULT hr = S_OK;

std::atomic<unsigned long> surfacesSize{0};

unsigned long surfaceBytes(const DDSURFACEDESC2& d) {
    return static_cast<unsigned long>(d.lPitch) * d.dwHeight;
}

}  // namespace

unsigned long SurfaceContainer::getSurfacesSize() {
    return surfacesSize.load();
}

SurfaceContainer::SurfaceContainer() {
    description.dwSize = sizeof description;
}

SurfaceContainer::~SurfaceContainer() {
    if (restored != 0 || references != 0)
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "surface " << name << " has references " << references
                          << ", restored " << restored);
    releaseSurface();
}

bool SurfaceContainer::create(int width, int height) {
    thread::Lock guard(this);
    if (references == 0) {
        if (width <= 0 || height <= 0) {
            DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                              << "Surface 'custom surface " << width << " x " << height
                              << "': Can't create image");
            return false;
        }
        std::snprintf(name, sizeof name, "custom surface %d x %d", width, height);
        image.create(width, height, ALPHA_NONE);
    }
    ++references;
    return true;
}

bool SurfaceContainer::destroy() {
    thread::Lock guard(this);
    if (references > 0 && --references == 0)
        image.destroy();
    return true;
}

bool SurfaceContainer::restore(IDirectDraw4* directDraw) {
    thread::Lock guard(this);
    if (++restored == 1)
        valid = makeSurface(directDraw);
    return valid;
}

bool SurfaceContainer::invalidate() {
    thread::Lock guard(this);
    if (restored > 0 && --restored == 0) {
        releaseSurface();
        valid = false;
    }
    return true;
}

void SurfaceContainer::releaseSurface() {
    if (clipper) {
        if (surface)
            surface->SetClipper(nullptr);
        clipper->Release();
        clipper = nullptr;
    }
    if (surface) {
        surfacesSize -= surfaceBytes(description);
        surface->Release();
        surface = nullptr;
    }
}

bool SurfaceContainer::makeSurface(IDirectDraw4* directDraw) {
    releaseSurface();
    const ImageLock lock(image);
    if (!directDraw || image.getWidth() <= 0 || image.getHeight() <= 0)
        return false;

    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    d.ddsCaps.dwCaps = DWORD(flags) | DDSCAPS_OFFSCREENPLAIN;
    d.dwWidth = DWORD(image.getWidth());
    d.dwHeight = DWORD(image.getHeight());
    if (!DX_TEST(hr = directDraw->CreateSurface(&d, &surface, nullptr), sourcePath)) {
        surface = nullptr;
        return false;
    }
    description = DDSURFACEDESC2{};
    description.dwSize = sizeof description;
    if (!DX_TEST(hr = surface->GetSurfaceDesc(&description), sourcePath)) {
        surface->Release();
        surface = nullptr;
        return false;
    }
    surfacesSize += surfaceBytes(description);

    if (!DX_TEST(hr = image.copy(surface), sourcePath))
        return false;
    return attachClipper(directDraw);
}

// A clipper of the surface's own rectangle lets Blt calls clip at its edges.
bool SurfaceContainer::attachClipper(IDirectDraw4* directDraw) {
    if (!DX_TEST(hr = directDraw->CreateClipper(0, &clipper, nullptr), sourcePath)) {
        clipper = nullptr;
        return false;
    }
    struct {
        RGNDATAHEADER header;
        RECT rect;
    } region{};
    region.header.dwSize = sizeof(RGNDATAHEADER);
    region.header.iType = RDH_RECTANGLES;
    region.header.nCount = 1;
    region.header.nRgnSize = sizeof(RECT);
    region.header.rcBound = {0, 0, LONG(description.dwWidth), LONG(description.dwHeight)};
    region.rect = region.header.rcBound;
    return DX_TEST(hr = clipper->SetClipList(reinterpret_cast<RGNDATA*>(&region), 0), sourcePath) &&
           DX_TEST(hr = surface->SetClipper(clipper), sourcePath);
}
