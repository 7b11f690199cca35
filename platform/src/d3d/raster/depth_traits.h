// Depth formats as the depth stages read and write them: the fragment's z
// (0..1) quantised as z * (2^bits - 1), rounded; D24X8 and D15S1 keep depth
// in the low bits and leave the stencil bits as they were.
#pragma once

#include "stages.h"

namespace platform::d3d::raster {

template <DepthFormat D>
struct DepthTraits;

template <>
struct DepthTraits<DepthFormat::D16> {
    using Raw = uint16_t;
    static constexpr float kScale = 65535.0f;
    static constexpr uint32_t kMask = 0xffffu;  // the depth bits
    static uint32_t quantize(float z) {
        z = z > 0.0f ? z : 0.0f;
        z = z < 1.0f ? z : 1.0f;
        return static_cast<uint32_t>(static_cast<int32_t>(z * 65535.0f + 0.5f));
    }
    static uint32_t value(Raw raw) { return raw; }
    static Raw merge(Raw, uint32_t q) { return static_cast<Raw>(q); }
};

template <>
struct DepthTraits<DepthFormat::D15S1> {
    using Raw = uint16_t;
    static constexpr float kScale = 32767.0f;
    static constexpr uint32_t kMask = 0x7fffu;
    static uint32_t quantize(float z) {
        z = z > 0.0f ? z : 0.0f;
        z = z < 1.0f ? z : 1.0f;
        return static_cast<uint32_t>(static_cast<int32_t>(z * 32767.0f + 0.5f));
    }
    static uint32_t value(Raw raw) { return raw & 0x7fffu; }
    static Raw merge(Raw old, uint32_t q) { return static_cast<Raw>((old & 0x8000u) | q); }
};

template <>
struct DepthTraits<DepthFormat::D24X8> {
    using Raw = uint32_t;
    static uint32_t quantize(float z) {
        z = z > 0.0f ? z : 0.0f;
        z = z < 1.0f ? z : 1.0f;
        return static_cast<uint32_t>(static_cast<double>(z) * 16777215.0 + 0.5);
    }
    static uint32_t value(Raw raw) { return raw & 0x00ffffffu; }
    static Raw merge(Raw old, uint32_t q) { return (old & 0xff000000u) | q; }
};

template <>
struct DepthTraits<DepthFormat::D32> {
    using Raw = uint32_t;
    static uint32_t quantize(float z) {
        z = z > 0.0f ? z : 0.0f;
        z = z < 1.0f ? z : 1.0f;
        return static_cast<uint32_t>(static_cast<double>(z) * 4294967295.0 + 0.5);
    }
    static uint32_t value(Raw raw) { return raw; }
    static Raw merge(Raw, uint32_t q) { return q; }
};

template <DWORD Func>
inline bool passes(uint32_t v, uint32_t ref) {
    return compare(Func, v, ref);
}

}  // namespace platform::d3d::raster
