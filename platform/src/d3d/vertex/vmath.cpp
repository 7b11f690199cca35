#include "d3d/vertex/vmath.h"

namespace platform::d3d::vertex {

namespace {

struct Inverse3 {
    float m[3][3];
};

// Inverse of the upper 3x3 block; false when its determinant is (near) zero.
bool invert3(const D3DMATRIX& a, Inverse3* out) {
    const float c00 = a._22 * a._33 - a._23 * a._32;
    const float c01 = a._23 * a._31 - a._21 * a._33;
    const float c02 = a._21 * a._32 - a._22 * a._31;
    const float det = a._11 * c00 + a._12 * c01 + a._13 * c02;
    if (!(std::fabs(det) > 1e-20f)) {
        return false;
    }
    const float r = 1.0f / det;
    out->m[0][0] = c00 * r;
    out->m[0][1] = (a._13 * a._32 - a._12 * a._33) * r;
    out->m[0][2] = (a._12 * a._23 - a._13 * a._22) * r;
    out->m[1][0] = c01 * r;
    out->m[1][1] = (a._11 * a._33 - a._13 * a._31) * r;
    out->m[1][2] = (a._13 * a._21 - a._11 * a._23) * r;
    out->m[2][0] = c02 * r;
    out->m[2][1] = (a._12 * a._31 - a._11 * a._32) * r;
    out->m[2][2] = (a._11 * a._22 - a._12 * a._21) * r;
    return true;
}

}  // namespace

D3DMATRIX identityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX q;
    for (int r = 0; r < 4; ++r) {
        const float* row = &a._11 + 4 * r;
        for (int c = 0; c < 4; ++c) {
            const float* col = &b._11 + c;
            (&q._11)[4 * r + c] =
                row[0] * col[0] + row[1] * col[4] + row[2] * col[8] + row[3] * col[12];
        }
    }
    return q;
}

bool normalMatrix(const D3DMATRIX& m, D3DMATRIX* out) {
    *out = identityMatrix();
    Inverse3 inv;
    if (!invert3(m, &inv)) {
        return false;
    }
    // Transpose of the inverse.
    float* o = &out->_11;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            o[4 * r + c] = inv.m[c][r];
        }
    }
    return true;
}

bool invertAffine(const D3DMATRIX& m, D3DMATRIX* out) {
    Inverse3 inv;
    if (!invert3(m, &inv)) {
        return false;
    }
    D3DMATRIX q = identityMatrix();
    float* o = &q._11;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            o[4 * r + c] = inv.m[r][c];
        }
    }
    // Translation: -t * inverse(A).
    const float t[3] = {-m._41, -m._42, -m._43};
    const Vec3 it = transformDirection(t, q);
    q._41 = it.x;
    q._42 = it.y;
    q._43 = it.z;
    *out = q;
    return true;
}

}  // namespace platform::d3d::vertex
