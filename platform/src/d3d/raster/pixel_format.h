// Pixel packing for the fragment stages: one traits struct per colour format,
// so that the inner loops are specialised per format at compile time.
#pragma once

#include "rasterizer.h"

#include <cstring>
#include <type_traits>

namespace platform::d3d::raster {

// Expands a channel of `bits` bits to 8 bits by bit replication (31 -> 255).
template <int Bits>
constexpr uint32_t expandBits(uint32_t v) {
    if constexpr (Bits == 8) {
        return v;
    } else if constexpr (Bits == 1) {
        return v ? 255u : 0u;
    } else if constexpr (Bits * 2 >= 8) {
        return (v << (8 - Bits)) | (v >> (2 * Bits - 8));
    } else {
        return v * 0x11u;  // 4 bits
    }
}

template <PixelFormat F>
struct PixelTraits;

template <>
struct PixelTraits<PixelFormat::R5G6B5> {
    using Raw = uint16_t;
    static constexpr bool kAlpha = false;
    static constexpr uint32_t kColorMask = 0xffff;
    static void unpack(uint32_t p, uint32_t& r, uint32_t& g, uint32_t& b, uint32_t& a) {
        r = expandBits<5>((p >> 11) & 31);
        g = expandBits<6>((p >> 5) & 63);
        b = expandBits<5>(p & 31);
        a = 255;
    }
    static uint32_t pack(uint32_t r, uint32_t g, uint32_t b, uint32_t) {
        return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    }
};

template <>
struct PixelTraits<PixelFormat::X1R5G5B5> {
    using Raw = uint16_t;
    static constexpr bool kAlpha = false;
    static constexpr uint32_t kColorMask = 0x7fff;
    static void unpack(uint32_t p, uint32_t& r, uint32_t& g, uint32_t& b, uint32_t& a) {
        r = expandBits<5>((p >> 10) & 31);
        g = expandBits<5>((p >> 5) & 31);
        b = expandBits<5>(p & 31);
        a = 255;
    }
    static uint32_t pack(uint32_t r, uint32_t g, uint32_t b, uint32_t) {
        return 0x8000u | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    }
};

template <>
struct PixelTraits<PixelFormat::A1R5G5B5> {
    using Raw = uint16_t;
    static constexpr bool kAlpha = true;
    static constexpr uint32_t kColorMask = 0x7fff;
    static void unpack(uint32_t p, uint32_t& r, uint32_t& g, uint32_t& b, uint32_t& a) {
        r = expandBits<5>((p >> 10) & 31);
        g = expandBits<5>((p >> 5) & 31);
        b = expandBits<5>(p & 31);
        a = (p & 0x8000) ? 255u : 0u;
    }
    static uint32_t pack(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
        return ((a >= 128) ? 0x8000u : 0u) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    }
};

template <>
struct PixelTraits<PixelFormat::A4R4G4B4> {
    using Raw = uint16_t;
    static constexpr bool kAlpha = true;
    static constexpr uint32_t kColorMask = 0x0fff;
    static void unpack(uint32_t p, uint32_t& r, uint32_t& g, uint32_t& b, uint32_t& a) {
        a = expandBits<4>((p >> 12) & 15);
        r = expandBits<4>((p >> 8) & 15);
        g = expandBits<4>((p >> 4) & 15);
        b = expandBits<4>(p & 15);
    }
    static uint32_t pack(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
        return ((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4);
    }
};

template <>
struct PixelTraits<PixelFormat::X8R8G8B8> {
    using Raw = uint32_t;
    static constexpr bool kAlpha = false;
    static constexpr uint32_t kColorMask = 0x00ffffff;
    static void unpack(uint32_t p, uint32_t& r, uint32_t& g, uint32_t& b, uint32_t& a) {
        r = (p >> 16) & 255;
        g = (p >> 8) & 255;
        b = p & 255;
        a = 255;
    }
    static uint32_t pack(uint32_t r, uint32_t g, uint32_t b, uint32_t) {
        return 0xff000000u | (r << 16) | (g << 8) | b;
    }
};

template <>
struct PixelTraits<PixelFormat::A8R8G8B8> {
    using Raw = uint32_t;
    static constexpr bool kAlpha = true;
    static constexpr uint32_t kColorMask = 0x00ffffff;
    static void unpack(uint32_t p, uint32_t& r, uint32_t& g, uint32_t& b, uint32_t& a) {
        a = p >> 24;
        r = (p >> 16) & 255;
        g = (p >> 8) & 255;
        b = p & 255;
    }
    static uint32_t pack(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
        return (a << 24) | (r << 16) | (g << 8) | b;
    }
};

template <PixelFormat F>
inline uint32_t loadRaw(const BYTE* p) {
    typename PixelTraits<F>::Raw v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}

template <PixelFormat F>
inline void storeRaw(BYTE* p, uint32_t raw) {
    const auto v = static_cast<typename PixelTraits<F>::Raw>(raw);
    std::memcpy(p, &v, sizeof(v));
}

// The bits of a raw pixel that the colour key compares (colour, not alpha).
uint32_t colorKeyMask(PixelFormat format);

// Calls fn(FormatTag<F>{}) with the compile-time format, for dispatching once
// per draw into specialised code; inside a generic lambda the format is
// decltype(tag)::value. Unknown formats call nothing and return false.
template <PixelFormat F>
using FormatTag = std::integral_constant<PixelFormat, F>;

template <class Fn>
inline bool dispatchFormat(PixelFormat format, Fn&& fn) {
    switch (format) {
        case PixelFormat::R5G6B5:
            fn(FormatTag<PixelFormat::R5G6B5>{});
            return true;
        case PixelFormat::X1R5G5B5:
            fn(FormatTag<PixelFormat::X1R5G5B5>{});
            return true;
        case PixelFormat::A1R5G5B5:
            fn(FormatTag<PixelFormat::A1R5G5B5>{});
            return true;
        case PixelFormat::A4R4G4B4:
            fn(FormatTag<PixelFormat::A4R4G4B4>{});
            return true;
        case PixelFormat::X8R8G8B8:
            fn(FormatTag<PixelFormat::X8R8G8B8>{});
            return true;
        case PixelFormat::A8R8G8B8:
            fn(FormatTag<PixelFormat::A8R8G8B8>{});
            return true;
        case PixelFormat::Unknown:
            break;
    }
    return false;
}

}  // namespace platform::d3d::raster
