#include "engine/core/tmatrix.h"

#include <cmath>

TMatrix TMatrix::fromRows(const Vector& r0, const Vector& r1, const Vector& r2) {
    return TMatrix(r0.x, r0.y, r0.z, r1.x, r1.y, r1.z, r2.x, r2.y, r2.z);
}

TMatrix TMatrix::fromColumns(const Vector& c0, const Vector& c1, const Vector& c2) {
    return fromRows(c0, c1, c2).transposed();
}

TMatrix TMatrix::rotation(const Vector& axis, float angle) {
    const float len = length(axis);
    if (!(len > 0.0f)) {
        return identity();
    }
    const Vector u = axis / len;
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float t = 1.0f - c;
    return TMatrix(t * u.x * u.x + c, t * u.x * u.y - s * u.z, t * u.x * u.z + s * u.y,
                   t * u.x * u.y + s * u.z, t * u.y * u.y + c, t * u.y * u.z - s * u.x,
                   t * u.x * u.z - s * u.y, t * u.y * u.z + s * u.x, t * u.z * u.z + c);
}

void TMatrix::setRow(int r, const Vector& v) {
    m[r][0] = v.x;
    m[r][1] = v.y;
    m[r][2] = v.z;
}

void TMatrix::setColumn(int c, const Vector& v) {
    m[0][c] = v.x;
    m[1][c] = v.y;
    m[2][c] = v.z;
}

TMatrix TMatrix::transposed() const {
    return TMatrix(m[0][0], m[1][0], m[2][0], m[0][1], m[1][1], m[2][1], m[0][2], m[1][2],
                   m[2][2]);
}

float TMatrix::determinant() const {
    return dot(row(0), cross(row(1), row(2)));
}

bool operator==(const TMatrix& lhs, const TMatrix& rhs) {
    for (int r = 0; r < 3; ++r) {
        if (lhs.row(r) != rhs.row(r)) {
            return false;
        }
    }
    return true;
}

TMatrix operator*(const TMatrix& lhs, const TMatrix& rhs) {
    TMatrix result = TMatrix::zero();
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            result.m[r][c] = dot(lhs.row(r), rhs.column(c));
        }
    }
    return result;
}

Vector operator*(const TMatrix& m, const Vector& v) {
    return {dot(m.row(0), v), dot(m.row(1), v), dot(m.row(2), v)};
}
