// Small float vector and matrix helpers for the vertex pipeline. Matrices
// are D3DMATRIX with row vectors: p' = p * M.
#pragma once

#include <d3dtypes.h>
#include <windef.h>

#include <cmath>

namespace platform::d3d::vertex {

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

struct Vec4 {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline float dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Unit vector along `v`, or the zero vector when `v` has no length.
inline Vec3 normalized(Vec3 v) {
    const float len2 = dot(v, v);
    return len2 > 0.0f ? v * (1.0f / std::sqrt(len2)) : Vec3{};
}

inline Vec3 toVec3(const D3DVECTOR& v) {
    return {v.x, v.y, v.z};
}

// Point (x, y, z, 1) times M.
inline Vec4 transformPoint(const float* p, const D3DMATRIX& m) {
    return {p[0] * m._11 + p[1] * m._21 + p[2] * m._31 + m._41,
            p[0] * m._12 + p[1] * m._22 + p[2] * m._32 + m._42,
            p[0] * m._13 + p[1] * m._23 + p[2] * m._33 + m._43,
            p[0] * m._14 + p[1] * m._24 + p[2] * m._34 + m._44};
}

// Affine part only: (x, y, z, 1) times M, dropping the fourth column.
inline Vec3 transformAffine(const float* p, const D3DMATRIX& m) {
    return {p[0] * m._11 + p[1] * m._21 + p[2] * m._31 + m._41,
            p[0] * m._12 + p[1] * m._22 + p[2] * m._32 + m._42,
            p[0] * m._13 + p[1] * m._23 + p[2] * m._33 + m._43};
}

// Direction (x, y, z, 0) times the upper 3x3 block of M.
inline Vec3 transformDirection(const float* v, const D3DMATRIX& m) {
    return {v[0] * m._11 + v[1] * m._21 + v[2] * m._31, v[0] * m._12 + v[1] * m._22 + v[2] * m._32,
            v[0] * m._13 + v[1] * m._23 + v[2] * m._33};
}

PLATFORM_API D3DMATRIX identityMatrix();
// a * b: first a, then b.
PLATFORM_API D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b);
// Inverse transpose of the upper 3x3 block (the normal matrix) in the upper
// block of the result; false and identity when the block is singular.
PLATFORM_API bool normalMatrix(const D3DMATRIX& m, D3DMATRIX* out);
// Inverse of an affine matrix (fourth column 0, 0, 0, 1); false when singular.
PLATFORM_API bool invertAffine(const D3DMATRIX& m, D3DMATRIX* out);

}  // namespace platform::d3d::vertex
