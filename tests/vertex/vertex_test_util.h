// Shared set-up for the vertex pipeline tests: matrices, viewports and
// reading packed colours.
#pragma once

#include "d3d/vertex/vmath.h"

#include <d3dtypes.h>

#include <cmath>
#include <cstring>

namespace vertex_test {

using platform::d3d::vertex::identityMatrix;

// Left-handed perspective with a 90 degree field of view: w = camera z,
// z = Q (camera z - near), Q = far / (far - near).
inline D3DMATRIX perspective(float nearZ, float farZ) {
    D3DMATRIX m{};
    const float q = farZ / (farZ - nearZ);
    m._11 = 1.0f;
    m._22 = 1.0f;
    m._33 = q;
    m._34 = 1.0f;
    m._43 = -q * nearZ;
    return m;
}

inline D3DMATRIX translation(float x, float y, float z) {
    D3DMATRIX m = identityMatrix();
    m._41 = x;
    m._42 = y;
    m._43 = z;
    return m;
}

inline D3DMATRIX scaling(float s) {
    D3DMATRIX m = identityMatrix();
    m._11 = m._22 = m._33 = s;
    return m;
}

inline D3DVIEWPORT2 viewport(DWORD x, DWORD y, DWORD width, DWORD height, float minZ = 0.0f,
                             float maxZ = 1.0f) {
    D3DVIEWPORT2 v{};
    v.dwSize = sizeof v;
    v.dwX = x;
    v.dwY = y;
    v.dwWidth = width;
    v.dwHeight = height;
    v.dvClipX = -1.0f;
    v.dvClipY = 1.0f;
    v.dvClipWidth = 2.0f;
    v.dvClipHeight = 2.0f;
    v.dvMinZ = minZ;
    v.dvMaxZ = maxZ;
    return v;
}

inline int byteOf(D3DCOLOR c, int shift) {
    return static_cast<int>((c >> shift) & 0xff);
}
inline int red(D3DCOLOR c) {
    return byteOf(c, 16);
}
inline int green(D3DCOLOR c) {
    return byteOf(c, 8);
}
inline int blue(D3DCOLOR c) {
    return byteOf(c, 0);
}
inline int alpha(D3DCOLOR c) {
    return byteOf(c, 24);
}

// The byte a channel value in [0, 1] should become.
inline int expectedByte(float v) {
    if (v <= 0.0f)
        return 0;
    if (v >= 1.0f)
        return 255;
    return static_cast<int>(std::lround(v * 255.0f));
}

template <typename T>
T load(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
void store(unsigned char* p, const T& v) {
    std::memcpy(p, &v, sizeof v);
}

}  // namespace vertex_test
