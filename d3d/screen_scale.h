// Logical screen coordinates of 2D decals and lines mapped to pixels.
#pragma once

#include <cstdint>
#include <cstring>

// The nearest integer, ties to even, as the 2D code has always rounded:
// adding 1.75 * 2^23 leaves the integer in the low mantissa bits of the
// single-precision sum. Exact only for magnitudes below 2^21.
inline int nint(float value) {
    const float sum = value + 14680064.0f;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &sum, sizeof bits);
    return static_cast<int>(bits & 0x7FFFFFu) - 0x600000;
}
