// Format descriptions and single-pixel conversions used outside the hot loops
// (clear, tests, the device's surface code).
#include "pixel_format.h"

#include <algorithm>
#include <cmath>

namespace platform::d3d::raster {

DWORD bytesPerPixel(PixelFormat format) {
    switch (format) {
        case PixelFormat::R5G6B5:
        case PixelFormat::X1R5G5B5:
        case PixelFormat::A1R5G5B5:
        case PixelFormat::A4R4G4B4:
            return 2;
        case PixelFormat::X8R8G8B8:
        case PixelFormat::A8R8G8B8:
            return 4;
        case PixelFormat::Unknown:
            break;
    }
    return 0;
}

bool hasAlpha(PixelFormat format) {
    return format == PixelFormat::A1R5G5B5 || format == PixelFormat::A4R4G4B4 ||
           format == PixelFormat::A8R8G8B8;
}

PixelFormat pixelFormatFromMasks(DWORD bitCount, DWORD r, DWORD g, DWORD b, DWORD a) {
    if (bitCount == 16) {
        if (r == 0xf800 && g == 0x07e0 && b == 0x001f && a == 0)
            return PixelFormat::R5G6B5;
        if (r == 0x7c00 && g == 0x03e0 && b == 0x001f) {
            if (a == 0)
                return PixelFormat::X1R5G5B5;
            if (a == 0x8000)
                return PixelFormat::A1R5G5B5;
        }
        if (r == 0x0f00 && g == 0x00f0 && b == 0x000f && a == 0xf000)
            return PixelFormat::A4R4G4B4;
    } else if (bitCount == 32 && r == 0x00ff0000 && g == 0x0000ff00 && b == 0x000000ff) {
        if (a == 0)
            return PixelFormat::X8R8G8B8;
        if (a == 0xff000000)
            return PixelFormat::A8R8G8B8;
    }
    return PixelFormat::Unknown;
}

DWORD packColor(PixelFormat format, D3DCOLOR color) {
    DWORD raw = 0;
    dispatchFormat(format, [&](auto tag) {
        using T = PixelTraits<decltype(tag)::value>;
        raw = T::pack(RGBA_GETRED(color), RGBA_GETGREEN(color), RGBA_GETBLUE(color),
                      RGBA_GETALPHA(color));
    });
    return raw;
}

D3DCOLOR unpackColor(PixelFormat format, DWORD raw) {
    D3DCOLOR color = 0;
    dispatchFormat(format, [&](auto tag) {
        uint32_t r, g, b, a;
        PixelTraits<decltype(tag)::value>::unpack(raw, r, g, b, a);
        color = RGBA_MAKE(r, g, b, a);
    });
    return color;
}

uint32_t colorKeyMask(PixelFormat format) {
    uint32_t mask = 0;
    dispatchFormat(format, [&](auto tag) { mask = PixelTraits<decltype(tag)::value>::kColorMask; });
    return mask;
}

DWORD bytesPerDepth(DepthFormat format) {
    switch (format) {
        case DepthFormat::D16:
        case DepthFormat::D15S1:
            return 2;
        case DepthFormat::D24X8:
        case DepthFormat::D32:
            return 4;
        case DepthFormat::None:
            break;
    }
    return 0;
}

DepthFormat depthFormatFromMask(DWORD bitDepth, DWORD zBitMask) {
    if (bitDepth == 16 && zBitMask == 0xffff)
        return DepthFormat::D16;
    if (bitDepth == 16 && zBitMask == 0x7fff)
        return DepthFormat::D15S1;
    // 24-bit depth lives in 32-bit words, with or without stencil above it.
    if ((bitDepth == 24 || bitDepth == 32) && zBitMask == 0x00ffffff)
        return DepthFormat::D24X8;
    if (bitDepth == 32 && zBitMask == 0xffffffff)
        return DepthFormat::D32;
    return DepthFormat::None;
}

DWORD quantizeDepth(DepthFormat format, float z) {
    // The same arithmetic as the depth stage, so that a cleared value and a
    // drawn one at the same z compare equal.
    if (!(z > 0.0f))
        z = 0.0f;
    if (z > 1.0f)
        z = 1.0f;
    const double zc = z;
    switch (format) {
        case DepthFormat::D16:
            return static_cast<DWORD>(z * 65535.0f + 0.5f);
        case DepthFormat::D15S1:
            return static_cast<DWORD>(z * 32767.0f + 0.5f);
        case DepthFormat::D24X8:
            return static_cast<DWORD>(zc * 16777215.0 + 0.5);
        case DepthFormat::D32:
            return static_cast<DWORD>(zc * 4294967295.0 + 0.5);
        case DepthFormat::None:
            break;
    }
    return 0;
}

}  // namespace platform::d3d::raster
