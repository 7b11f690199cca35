#include "cursor_overlay.h"

#include <windows.h>

#include <cstring>

namespace {

DDPIXELFORMAT rgbFormat(DWORD red, DWORD green, DWORD blue) {
    DDPIXELFORMAT format = {};
    format.dwSize = sizeof format;
    format.dwFlags = DDPF_RGB;
    format.dwRGBBitCount = 16;
    format.dwRBitMask = red;
    format.dwGBitMask = green;
    format.dwBBitMask = blue;
    return format;
}

DDPIXELFORMAT fourccFormat(DWORD code) {
    DDPIXELFORMAT format = {};
    format.dwSize = sizeof format;
    format.dwFlags = DDPF_FOURCC;
    format.dwFourCC = code;
    return format;
}

// The formats tried after the front buffer's own.
const DDPIXELFORMAT fallbackFormats[] = {
    rgbFormat(0x7c00, 0x3e0, 0x1f),
    rgbFormat(0xf800, 0x7e0, 0x1f),
    fourccFormat(MAKEFOURCC('U', 'Y', 'V', 'Y')),
    fourccFormat(MAKEFOURCC('Y', 'U', 'Y', '2')),
};

unsigned long packedColor(const Color& c) {
    auto channel = [](float v) {
        const float clamped = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
        return static_cast<unsigned long>(clamped * 255.0f + 0.5f);
    };
    return (channel(c.a) << 24) | (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
}

}  // namespace

CursorOverlay::~CursorOverlay() {
    if (surface)
        surface->Release();
}

bool CursorOverlay::createSurface(IDirectDraw4* directDraw, const DDPIXELFORMAT& format,
                                  bool flipping) {
    DDSURFACEDESC2 wanted = {};
    wanted.dwSize = sizeof wanted;
    wanted.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    wanted.ddsCaps.dwCaps = DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY;
    if (flipping) {
        wanted.dwFlags |= DDSD_BACKBUFFERCOUNT;
        wanted.ddsCaps.dwCaps |= DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        wanted.dwBackBufferCount = 1;
    }
    wanted.dwWidth = static_cast<DWORD>(width);
    wanted.dwHeight = static_cast<DWORD>(height);
    wanted.ddpfPixelFormat = format;
    if (FAILED(directDraw->CreateSurface(&wanted, &surface, nullptr))) {
        surface = nullptr;
        return false;
    }
    description = wanted;
    return true;
}

void CursorOverlay::create(int newWidth, int newHeight, IDirectDraw4* directDraw,
                           IDirectDrawSurface4* front) {
    destroy(front);
    width = newWidth;
    height = newHeight;
    if (!directDraw || !front || width <= 0 || height <= 0)
        return;

    DDPIXELFORMAT frontFormat = {};
    frontFormat.dwSize = sizeof frontFormat;
    front->GetPixelFormat(&frontFormat);

    bool made = createSurface(directDraw, frontFormat, true);
    for (const DDPIXELFORMAT& format : fallbackFormats)
        if (!made)
            made = createSurface(directDraw, format, true);
    for (const DDPIXELFORMAT& format : fallbackFormats)
        if (!made)
            made = createSurface(directDraw, format, false);

    std::memset(&overlayFx, 0, sizeof overlayFx);
    overlayFx.dwSize = sizeof overlayFx;
    if (made) {
        const unsigned long key = DDColorMatch(description.ddpfPixelFormat, packedColor(colorKey));
        overlayFx.dckSrcColorkey.dwColorSpaceLowValue = key;
        overlayFx.dckSrcColorkey.dwColorSpaceHighValue = key;
    }
    image.create(width, height, ALPHA_NONE);
}

void CursorOverlay::destroy(IDirectDrawSurface4* front) {
    if (surface) {
        surface->UpdateOverlay(nullptr, front, nullptr, DDOVER_HIDE, nullptr);
        surface->Release();
        surface = nullptr;
    }
    image.destroy();
}

void CursorOverlay::move(int x, int y, bool visible, IDirectDrawSurface4* front) {
    if (!surface)
        return;
    if (surface->IsLost() == DDERR_SURFACELOST && SUCCEEDED(surface->Restore()))
        image.copy(surface);

    const RECT cursor = {x, y, x + width, y + height};
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN) - 1,
                         GetSystemMetrics(SM_CYSCREEN) - 1};
    RECT destination = {};
    IntersectRect(&destination, &cursor, &screen);
    RECT source = {};
    source.left = destination.left - x;
    source.top = destination.top - y;
    source.right = source.left + (destination.right - destination.left);
    source.bottom = source.top + (destination.bottom - destination.top);

    const bool show = visible && destination.right - destination.left >= 1 &&
                      destination.bottom - destination.top >= 1;
    const DWORD flags = (show ? DDOVER_SHOW : DDOVER_HIDE) | DDOVER_DDFX | DDOVER_KEYSRCOVERRIDE;
    surface->UpdateOverlay(show ? &source : nullptr, front, show ? &destination : nullptr, flags,
                           &overlayFx);
}

void CursorOverlay::setColorKey(const Color& key) {
    colorKey = key;
    if (!surface)
        return;
    const unsigned long value = DDColorMatch(description.ddpfPixelFormat, packedColor(key));
    overlayFx.dckSrcColorkey.dwColorSpaceLowValue = value;
    overlayFx.dckSrcColorkey.dwColorSpaceHighValue = value;
}

void CursorOverlay::setImage(IDirectDrawSurface4* source) {
    if (!source)
        return;
    image.paste(source);
    if (surface)
        image.copy(surface);
}
