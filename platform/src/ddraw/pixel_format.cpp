#include "ddraw/pixel_format.h"

#include <algorithm>
#include <cstring>

namespace platform::ddraw {

DDPIXELFORMAT rgbFormat(DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a) {
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof(DDPIXELFORMAT);
    pf.dwFlags = DDPF_RGB | (a ? DDPF_ALPHAPIXELS : 0u);
    pf.dwRGBBitCount = bits;
    pf.dwRBitMask = r;
    pf.dwGBitMask = g;
    pf.dwBBitMask = b;
    pf.dwRGBAlphaBitMask = a;
    return pf;
}

DDPIXELFORMAT depthFormat(DWORD bits, DWORD stencilBits) {
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof(DDPIXELFORMAT);
    pf.dwFlags = DDPF_ZBUFFER | (stencilBits ? DDPF_STENCILBUFFER : 0u);
    pf.dwZBufferBitDepth = bits;
    pf.dwStencilBitDepth = stencilBits;
    const DWORD zBits = bits - stencilBits;
    pf.dwZBitMask = zBits >= 32 ? 0xFFFFFFFFu : ((1u << zBits) - 1u);
    pf.dwStencilBitMask = stencilBits ? (((1u << stencilBits) - 1u) << zBits) : 0u;
    return pf;
}

DDPIXELFORMAT fourCCFormat(DWORD fourCC, DWORD bits) {
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof(DDPIXELFORMAT);
    pf.dwFlags = DDPF_FOURCC;
    pf.dwFourCC = fourCC;
    pf.dwYUVBitCount = bits;
    return pf;
}

DDPIXELFORMAT luminanceFormat(DWORD bits, DWORD l, DWORD a) {
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof(DDPIXELFORMAT);
    pf.dwFlags = DDPF_LUMINANCE | (a ? DDPF_ALPHAPIXELS : 0u);
    pf.dwLuminanceBitCount = bits;
    pf.dwLuminanceBitMask = l;
    pf.dwLuminanceAlphaBitMask = a;
    return pf;
}

DDPIXELFORMAT bumpFormat(DWORD bits, DWORD du, DWORD dv, DWORD l) {
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof(DDPIXELFORMAT);
    pf.dwFlags = DDPF_BUMPDUDV | (l ? DDPF_BUMPLUMINANCE : 0u);
    pf.dwBumpBitCount = bits;
    pf.dwBumpDuBitMask = du;
    pf.dwBumpDvBitMask = dv;
    pf.dwBumpLuminanceBitMask = l;
    return pf;
}

DDPIXELFORMAT alphaFormat(DWORD bits) {
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof(DDPIXELFORMAT);
    pf.dwFlags = DDPF_ALPHA;
    pf.dwAlphaBitDepth = bits;
    return pf;
}

DDPIXELFORMAT palette8Format() {
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof(DDPIXELFORMAT);
    pf.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    pf.dwRGBBitCount = 8;
    return pf;
}

DDPIXELFORMAT toPixelFormat(const display::FormatDesc& d) {
    using Kind = display::FormatDesc::Kind;
    switch (d.kind) {
        case Kind::Rgb:
            return rgbFormat(d.bitCount, d.redMask, d.greenMask, d.blueMask, d.alphaMask);
        case Kind::Depth:
            return depthFormat(d.bitCount, d.stencilBits);
        case Kind::FourCC:
            return fourCCFormat(d.fourCC, d.bitCount);
        case Kind::Palette8:
            return palette8Format();
        case Kind::Luminance:
            return luminanceFormat(d.bitCount, d.luminanceMask, d.alphaMask);
        case Kind::Bump:
            return bumpFormat(d.bitCount, d.bumpDuMask, d.bumpDvMask, d.luminanceMask);
        case Kind::Alpha:
            return alphaFormat(d.bitCount);
    }
    return DDPIXELFORMAT{};
}

DDPIXELFORMAT displayFormat(DWORD bitsPerPixel) {
    switch (bitsPerPixel) {
        case 8:
            return palette8Format();
        case 16:
            return rgbFormat(16, 0xF800, 0x07E0, 0x001F);
        case 24:
            return rgbFormat(24, 0xFF0000, 0xFF00, 0xFF);
        default:
            return rgbFormat(32, 0xFF0000, 0xFF00, 0xFF);
    }
}

bool isRgb(const DDPIXELFORMAT& f) {
    return (f.dwFlags & DDPF_RGB) && !(f.dwFlags & DDPF_PALETTEINDEXED8);
}
bool isYuv(const DDPIXELFORMAT& f) {
    return (f.dwFlags & DDPF_FOURCC) && (f.dwFourCC == kFourCCUYVY || f.dwFourCC == kFourCCYUY2);
}
bool isDepth(const DDPIXELFORMAT& f) {
    return (f.dwFlags & DDPF_ZBUFFER) != 0;
}
bool isLuminance(const DDPIXELFORMAT& f) {
    return (f.dwFlags & DDPF_LUMINANCE) && !(f.dwFlags & (DDPF_RGB | DDPF_BUMPDUDV));
}
bool isBump(const DDPIXELFORMAT& f) {
    return (f.dwFlags & DDPF_BUMPDUDV) && !(f.dwFlags & DDPF_RGB);
}
bool isAlphaOnly(const DDPIXELFORMAT& f) {
    return (f.dwFlags & DDPF_ALPHA) != 0;
}

DWORD bytesPerPixel(const DDPIXELFORMAT& f) {
    if (isYuv(f))
        return 2;
    if (f.dwFlags & DDPF_FOURCC)
        return 0;
    if (isDepth(f))
        // 24-bit depth lives in 32-bit words, as on the hardware of the time.
        return f.dwZBufferBitDepth == 16                                  ? 2
               : (f.dwZBufferBitDepth == 24 || f.dwZBufferBitDepth == 32) ? 4
                                                                          : 0;
    if (f.dwFlags & DDPF_PALETTEINDEXED8)
        return 1;
    if (isAlphaOnly(f))
        return f.dwAlphaBitDepth == 8 ? 1 : 0;
    if (isLuminance(f))
        return f.dwLuminanceBitCount == 8 || f.dwLuminanceBitCount == 16 ? f.dwLuminanceBitCount / 8
                                                                         : 0;
    if (isBump(f))
        return f.dwBumpBitCount == 16 || f.dwBumpBitCount == 24 || f.dwBumpBitCount == 32
                   ? f.dwBumpBitCount / 8
                   : 0;
    if (f.dwFlags & DDPF_RGB) {
        switch (f.dwRGBBitCount) {
            case 16:
                return 2;
            case 24:
                return 3;
            case 32:
                return 4;
            default:
                return 0;
        }
    }
    return 0;
}

bool sameFormat(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) {
    const DWORD relevant = DDPF_RGB | DDPF_FOURCC | DDPF_ZBUFFER | DDPF_PALETTEINDEXED8 |
                           DDPF_ALPHAPIXELS | DDPF_STENCILBUFFER | DDPF_ALPHA | DDPF_LUMINANCE |
                           DDPF_BUMPDUDV | DDPF_BUMPLUMINANCE;
    if ((a.dwFlags & relevant) != (b.dwFlags & relevant))
        return false;
    if (a.dwFlags & DDPF_FOURCC)
        return a.dwFourCC == b.dwFourCC;
    return a.dwRGBBitCount == b.dwRGBBitCount && a.dwRBitMask == b.dwRBitMask &&
           a.dwGBitMask == b.dwGBitMask && a.dwBBitMask == b.dwBBitMask &&
           a.dwRGBAlphaBitMask == b.dwRGBAlphaBitMask;
}

uint32_t loadPixel(const BYTE* at, DWORD bytes) {
    switch (bytes) {
        case 1:
            return at[0];
        case 2: {
            uint16_t v;
            std::memcpy(&v, at, 2);
            return v;
        }
        case 3:
            return uint32_t(at[0]) | (uint32_t(at[1]) << 8) | (uint32_t(at[2]) << 16);
        default: {
            uint32_t v;
            std::memcpy(&v, at, 4);
            return v;
        }
    }
}

void storePixel(BYTE* at, DWORD bytes, uint32_t value) {
    switch (bytes) {
        case 1:
            at[0] = static_cast<BYTE>(value);
            break;
        case 2: {
            const uint16_t v = static_cast<uint16_t>(value);
            std::memcpy(at, &v, 2);
            break;
        }
        case 3:
            at[0] = static_cast<BYTE>(value);
            at[1] = static_cast<BYTE>(value >> 8);
            at[2] = static_cast<BYTE>(value >> 16);
            break;
        default:
            std::memcpy(at, &value, 4);
            break;
    }
}

namespace {

int shiftOf(DWORD mask) {
    if (!mask)
        return 0;
    int s = 0;
    while (!(mask & 1u)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

uint32_t extract8(uint32_t raw, DWORD mask) {
    if (!mask)
        return 0;
    const int shift = shiftOf(mask);
    const uint32_t max = mask >> shift;
    const uint32_t v = (raw & mask) >> shift;
    return (v * 255u + max / 2) / max;
}

uint32_t insert8(uint32_t v8, DWORD mask) {
    if (!mask)
        return 0;
    const int shift = shiftOf(mask);
    const uint32_t max = mask >> shift;
    return (((v8 * max + 127u) / 255u) << shift) & mask;
}

}  // namespace

uint32_t rawToArgb(const DDPIXELFORMAT& f, uint32_t raw) {
    const uint32_t a = f.dwRGBAlphaBitMask ? extract8(raw, f.dwRGBAlphaBitMask) : 0xFFu;
    return (a << 24) | (extract8(raw, f.dwRBitMask) << 16) | (extract8(raw, f.dwGBitMask) << 8) |
           extract8(raw, f.dwBBitMask);
}

uint32_t argbToRaw(const DDPIXELFORMAT& f, uint32_t argb) {
    return insert8((argb >> 24) & 0xFF, f.dwRGBAlphaBitMask) |
           insert8((argb >> 16) & 0xFF, f.dwRBitMask) | insert8((argb >> 8) & 0xFF, f.dwGBitMask) |
           insert8(argb & 0xFF, f.dwBBitMask);
}

namespace {

uint32_t yuvToArgb(int y, int u, int v) {
    const int c = y - 16, d = u - 128, e = v - 128;
    auto clamp = [](int x) { return static_cast<uint32_t>(std::min(255, std::max(0, x))); };
    const uint32_t r = clamp((298 * c + 409 * e + 128) >> 8);
    const uint32_t g = clamp((298 * c - 100 * d - 208 * e + 128) >> 8);
    const uint32_t b = clamp((298 * c + 516 * d + 128) >> 8);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

}  // namespace

void yuvRowToArgb(const DDPIXELFORMAT& f, const BYTE* row, DWORD width, uint32_t* out) {
    const bool uyvy = f.dwFourCC == kFourCCUYVY;
    for (DWORD x = 0; x < width; ++x) {
        const BYTE* pair = row + (x & ~1u) * 2;
        int y, u, v;
        if (uyvy) {
            u = pair[0];
            v = pair[2];
            y = (x & 1u) ? pair[3] : pair[1];
        } else {
            u = pair[1];
            v = pair[3];
            y = (x & 1u) ? pair[2] : pair[0];
        }
        out[x] = yuvToArgb(y, u, v);
    }
}

}  // namespace platform::ddraw
