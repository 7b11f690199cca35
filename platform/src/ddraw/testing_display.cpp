#include "platform/testing_display.h"

#include "core/app_state.h"
#include "d3d/raster/rasterizer.h"
#include "ddraw/pixel_format.h"
#include "ddraw/palette.h"
#include "ddraw/surface.h"
#include "display/display_profile.h"

namespace platform::testing {

bool loadDisplayProfile(const std::string& path, std::string* error) {
    std::string why;
    auto profile = display::loadProfile(path, &why);
    if (!profile) {
        if (error)
            *error = why;
        return false;
    }
    display::setCurrentProfile(std::move(*profile));
    return true;
}

void useDefaultDisplayProfile() {
    display::setCurrentProfile(display::defaultProfile());
}

std::string displayProfileSource() {
    return display::currentProfile()->source;
}

std::vector<uint32_t> readSurfaceARGB(IDirectDrawSurface4* surface) {
    d3d::raster::finishPendingDraws();
    ddraw::DDLock lock(ddraw::ddrawMutex());
    const ddraw::Surface* s = ddraw::Surface::fromInterface(surface);
    if (!s)
        return {};
    const DDPIXELFORMAT& f = s->format();
    const bool yuv = ddraw::isYuv(f);
    const ddraw::Palette* palette =
        (f.dwFlags & DDPF_PALETTEINDEXED8) ? s->palette() : nullptr;
    if (!ddraw::isRgb(f) && !yuv && !palette)
        return {};
    const DWORD w = s->width(), h = s->height(), bpp = ddraw::bytesPerPixel(f);
    std::vector<uint32_t> out(static_cast<size_t>(w) * h);
    for (DWORD y = 0; y < h; ++y) {
        const BYTE* row = s->bits() + static_cast<size_t>(y) * s->pitch();
        uint32_t* dst = out.data() + static_cast<size_t>(y) * w;
        if (yuv) {
            ddraw::yuvRowToArgb(f, row, w, dst);
            continue;
        }
        for (DWORD x = 0; x < w; ++x) {
            const uint32_t raw = ddraw::loadPixel(row + static_cast<size_t>(x) * bpp, bpp);
            dst[x] = palette ? palette->argb(BYTE(raw)) : ddraw::rawToArgb(f, raw);
        }
    }
    return out;
}

std::vector<uint8_t> readSurfaceRaw(IDirectDrawSurface4* surface, LONG* pitch) {
    d3d::raster::finishPendingDraws();
    ddraw::DDLock lock(ddraw::ddrawMutex());
    const ddraw::Surface* s = ddraw::Surface::fromInterface(surface);
    if (!s)
        return {};
    if (pitch)
        *pitch = s->pitch();
    return std::vector<uint8_t>(s->bits(),
                                s->bits() + static_cast<size_t>(s->pitch()) * s->height());
}

void setRasterThreads(int threads) {
    d3d::raster::setDefaultRasterThreads(threads);
}

void loseAllSurfaces() {
    ddraw::DDLock lock(ddraw::ddrawMutex());
    ddraw::loseVideoMemorySurfaces();
}

DesktopMode currentDesktopMode() {
    display::currentProfile();  // the profile's desktop is in place from first use
    const core::DisplayModeDesc d = core::desktopMode();
    return {d.width, d.height, d.bitsPerPixel, d.refreshRate};
}

unsigned presentedFrames() {
    return ddraw::presentedFrameCount();
}

}  // namespace platform::testing
