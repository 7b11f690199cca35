// Shared set-up for the vertex pipeline tests: matrices, viewports and
// reading packed colours.
#pragma once

#include "d3d/vertex/vmath.h"

#include <d3d.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace vertex_test {

using namespace platform::d3d::vertex;

// Left-handed perspective with a 90 degree field of view: w = camera z,
// z = Q (camera z - near), Q = far / (far - near).
inline D3DMATRIX perspective(float nearZ, float farZ) {
    const float q = farZ / (farZ - nearZ);
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, q, 1, 0, 0, -q * nearZ, 0};
}

// The pixel rectangle with the whole projection as its clip volume.
inline D3DVIEWPORT2 viewport(DWORD x, DWORD y, DWORD width, DWORD height, float minZ = 0.0f,
                             float maxZ = 1.0f) {
    return {sizeof(D3DVIEWPORT2), x, y, width, height, -1.0f, 1.0f, 2.0f, 2.0f, minZ, maxZ};
}

// Channel i of a packed colour: 0 red, 1 green, 2 blue, 3 alpha.
inline constexpr auto ch = [](D3DCOLOR c, int i) {
    return int(c >> (i == 3 ? 24 : 16 - 8 * i) & 0xff);
};

// The byte a channel value in [0, 1] should become.
inline int expectedByte(float v) {
    return v <= 0.0f ? 0 : (v >= 1.0f ? 255 : static_cast<int>(std::lround(v * 255.0f)));
}

}  // namespace vertex_test
