// TMatrix: the engine's 3 x 3 rotation, nine floats stored by rows.
#pragma once

#include "engine/types.h"

// Element (r, c) is float r * 3 + c. A vector is multiplied as a column, so
// column c is the image of axis c; the driver hands the matrix to Direct3D
// transposed, for row vectors.
struct TMatrix {
    float m[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};

    // The identity: most owners start from "no rotation".
    TMatrix() = default;
    TMatrix(float m00, float m01, float m02, float m10, float m11, float m12, float m20, float m21,
            float m22)
        : m{{m00, m01, m02}, {m10, m11, m12}, {m20, m21, m22}} {}

    static TMatrix identity() { return TMatrix(); }
    static TMatrix zero() { return TMatrix(0, 0, 0, 0, 0, 0, 0, 0, 0); }
    static TMatrix fromRows(const Vector& r0, const Vector& r1, const Vector& r2);
    static TMatrix fromColumns(const Vector& c0, const Vector& c1, const Vector& c2);
    // Right-handed rotation by `angle` radians about `axis` (need not be unit
    // length). A zero axis gives the identity.
    static TMatrix rotation(const Vector& axis, float angle);

    // m[r][c] reads as the element of row r, column c.
    float* operator[](int row) { return m[row]; }
    const float* operator[](int row) const { return m[row]; }

    Vector row(int r) const { return {m[r][0], m[r][1], m[r][2]}; }
    Vector column(int c) const { return {m[0][c], m[1][c], m[2][c]}; }
    void setRow(int r, const Vector& v);
    void setColumn(int c, const Vector& v);

    // For a rotation this is also the inverse.
    TMatrix transposed() const;
    float determinant() const;
};

bool operator==(const TMatrix& lhs, const TMatrix& rhs);
inline bool operator!=(const TMatrix& lhs, const TMatrix& rhs) {
    return !(lhs == rhs);
}
// Composition: (a * b) * v == a * (b * v).
TMatrix operator*(const TMatrix& lhs, const TMatrix& rhs);
// (row 0 . v, row 1 . v, row 2 . v)
Vector operator*(const TMatrix& m, const Vector& v);
