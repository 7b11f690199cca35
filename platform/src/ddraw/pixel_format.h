// Pixel formats of surfaces: construction from the profile, sizes, and
// conversion of single pixels to and from 0xAARRGGBB.
#pragma once

#include <ddraw.h>

#include "display/display_profile.h"

#include <cstdint>

namespace platform::ddraw {

inline constexpr DWORD kFourCCUYVY = MAKEFOURCC('U', 'Y', 'V', 'Y');
inline constexpr DWORD kFourCCYUY2 = MAKEFOURCC('Y', 'U', 'Y', '2');

DDPIXELFORMAT rgbFormat(DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a = 0);
DDPIXELFORMAT depthFormat(DWORD bits, DWORD stencilBits = 0);
DDPIXELFORMAT fourCCFormat(DWORD fourCC, DWORD bits = 16);
DDPIXELFORMAT palette8Format();
DDPIXELFORMAT luminanceFormat(DWORD bits, DWORD luminanceMask, DWORD alphaMask = 0);
DDPIXELFORMAT bumpFormat(DWORD bits, DWORD duMask, DWORD dvMask, DWORD luminanceMask = 0);
DDPIXELFORMAT alphaFormat(DWORD bits);
DDPIXELFORMAT toPixelFormat(const display::FormatDesc& desc);
// The format of a display mode of `bitsPerPixel`.
DDPIXELFORMAT displayFormat(DWORD bitsPerPixel);

// Bytes per pixel as stored; 0 for a format we cannot hold.
DWORD bytesPerPixel(const DDPIXELFORMAT& format);
bool isRgb(const DDPIXELFORMAT& format);
bool isYuv(const DDPIXELFORMAT& format);
bool isDepth(const DDPIXELFORMAT& format);
bool isLuminance(const DDPIXELFORMAT& format);
bool isBump(const DDPIXELFORMAT& format);
bool isAlphaOnly(const DDPIXELFORMAT& format);
bool sameFormat(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b);

uint32_t loadPixel(const BYTE* at, DWORD bytes);
void storePixel(BYTE* at, DWORD bytes, uint32_t value);

// RGB formats only; a format without alpha reads as opaque.
uint32_t rawToArgb(const DDPIXELFORMAT& format, uint32_t raw);
uint32_t argbToRaw(const DDPIXELFORMAT& format, uint32_t argb);

// Converts one row of a YUV 4:2:2 format to 0xAARRGGBB.
void yuvRowToArgb(const DDPIXELFORMAT& format, const BYTE* row, DWORD width, uint32_t* out);

}  // namespace platform::ddraw
