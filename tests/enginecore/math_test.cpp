#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/tmatrix.h"
#include "engine/types.h"

namespace {

constexpr float pi = 3.14159265358979f;

void expectNear(const Vector& actual, const Vector& expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// --- Vector --------------------------------------------------------------------------

TEST(VectorOperations, SumDifferenceNegationAndScale) {
    const Vector a(1, 2, 3), b(-4, 0.5f, 2);
    EXPECT_EQ(a + b, Vector(-3, 2.5f, 5));
    EXPECT_EQ(a - b, Vector(5, 1.5f, 1));
    EXPECT_EQ(-a, Vector(-1, -2, -3));
    EXPECT_EQ(a * 2.0f, Vector(2, 4, 6));
    EXPECT_EQ(0.5f * a, Vector(0.5f, 1, 1.5f));
    EXPECT_EQ(b / 2.0f, Vector(-2, 0.25f, 1));
    Vector c = a;
    c += b;
    EXPECT_EQ(c, a + b);
    c -= b;
    EXPECT_EQ(c, a);
    c *= -1.0f;
    EXPECT_EQ(c, -a);
}

TEST(VectorOperations, DotAndCrossProducts) {
    const Vector x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    EXPECT_EQ(cross(x, y), z);
    EXPECT_EQ(cross(y, z), x);
    EXPECT_EQ(cross(z, x), y);
    EXPECT_EQ(cross(y, x), -z);
    const Vector a(1, 2, 3), b(4, -5, 6);
    EXPECT_FLOAT_EQ(dot(a, b), 4 - 10 + 18);
    const Vector n = cross(a, b);
    EXPECT_FLOAT_EQ(dot(n, a), 0.0f);
    EXPECT_FLOAT_EQ(dot(n, b), 0.0f);
    EXPECT_EQ(n, Vector(2 * 6 - 3 * -5, 3 * 4 - 1 * 6, 1 * -5 - 2 * 4));
}

TEST(VectorOperations, LengthAndNormalise) {
    const Vector v(3, 4, 12);
    EXPECT_FLOAT_EQ(squaredLength(v), 169.0f);
    EXPECT_FLOAT_EQ(length(v), 13.0f);
    expectNear(normalized(v), Vector(3.0f / 13, 4.0f / 13, 12.0f / 13));
    EXPECT_FLOAT_EQ(length(normalized(Vector(-0.001f, 0, 0))), 1.0f);
}

TEST(VectorOperations, ZeroVectorNormalisesToZeroNotNaN) {
    const Vector n = normalized(Vector());
    EXPECT_EQ(n, Vector(0, 0, 0));
}

// --- Color ---------------------------------------------------------------------------

TEST(ColorOperations, DefaultIsOpaqueBlack) {
    EXPECT_EQ(Color(), Color(0, 0, 0, 1));
}

TEST(ColorOperations, SumAndScaleTouchEveryComponentIncludingAlpha) {
    const Color a(0.1f, 0.2f, 0.3f, 0.4f), b(0.5f, 0.25f, 0.0f, 0.5f);
    const Color sum = a + b;
    EXPECT_FLOAT_EQ(sum.r, 0.6f);
    EXPECT_FLOAT_EQ(sum.g, 0.45f);
    EXPECT_FLOAT_EQ(sum.b, 0.3f);
    EXPECT_FLOAT_EQ(sum.a, 0.9f);
    EXPECT_EQ(a * 2.0f, Color(0.2f, 0.4f, 0.6f, 0.8f));
    EXPECT_EQ(2.0f * a, a * 2.0f);
}

TEST(ColorOperations, TintMultipliesComponentByComponent) {
    const Color c(1.0f, 0.5f, 0.25f, 0.8f), factor(0.5f, 1.0f, 0.0f, 0.5f);
    EXPECT_EQ(c * factor, Color(0.5f, 0.5f, 0.0f, 0.4f));
}

TEST(ColorOperations, ClampLimitsToUnitRangeAndDropsNaN) {
    EXPECT_EQ(clamped(Color(-0.5f, 1.5f, 0.25f, 2.0f)), Color(0.0f, 1.0f, 0.25f, 1.0f));
    const Color fixed = clamped(Color(std::nanf(""), 0.5f, 0.5f, 0.5f));
    EXPECT_EQ(fixed.r, 0.0f);
}

// --- TMatrix -------------------------------------------------------------------------

TEST(TMatrixLayout, NineFloatsByRows) {
    static_assert(sizeof(TMatrix) == 9 * sizeof(float), "TMatrix must be nine packed floats");
    const TMatrix m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    const float* raw = &m.m[0][0];
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(raw[i], static_cast<float>(i + 1)) << "element " << i;
    }
    EXPECT_EQ(m[1][2], 6.0f);
    EXPECT_EQ(m.row(2), Vector(7, 8, 9));
    EXPECT_EQ(m.column(0), Vector(1, 4, 7));
}

TEST(TMatrixLayout, DefaultIsIdentity) {
    const TMatrix m;
    EXPECT_EQ(m, TMatrix::identity());
    EXPECT_EQ(m * Vector(1, -2, 3), Vector(1, -2, 3));
    EXPECT_NE(TMatrix::zero(), TMatrix::identity());
}

TEST(TMatrixLayout, RowsAndColumnsBuildAndSet) {
    const Vector a(1, 2, 3), b(4, 5, 6), c(7, 8, 9);
    const TMatrix byRows = TMatrix::fromRows(a, b, c);
    const TMatrix byColumns = TMatrix::fromColumns(a, b, c);
    EXPECT_EQ(byRows.row(1), b);
    EXPECT_EQ(byColumns.column(1), b);
    EXPECT_EQ(byColumns, byRows.transposed());
    TMatrix m = TMatrix::zero();
    m.setRow(0, a);
    m.setColumn(2, c);
    EXPECT_EQ(m.row(0), Vector(1, 2, 7));
    EXPECT_EQ(m.column(2), c);
}

TEST(TMatrixOperations, VectorProductUsesRows) {
    const TMatrix m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    EXPECT_EQ(m * Vector(1, 0, 0), m.column(0));
    EXPECT_EQ(m * Vector(1, 1, 2), Vector(1 + 2 + 6, 4 + 5 + 12, 7 + 8 + 18));
}

TEST(TMatrixOperations, ProductComposesTransforms) {
    const TMatrix a(1, 2, 0, 0, 1, 3, 4, 0, 1);
    const TMatrix b(2, 0, 1, 1, 1, 0, 0, 5, 1);
    const Vector v(0.5f, -1, 2);
    expectNear((a * b) * v, a * (b * v));
    EXPECT_EQ(a * b, TMatrix(4, 2, 1, 1, 16, 3, 8, 5, 5));
    EXPECT_NE(a * b, b * a);
    EXPECT_EQ(a * TMatrix::identity(), a);
}

TEST(TMatrixOperations, TransposeSwapsRowsAndColumns) {
    const TMatrix m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    const TMatrix t = m.transposed();
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(t.row(r), m.column(r));
    }
    EXPECT_EQ(t.transposed(), m);
}

TEST(TMatrixOperations, RotationAboutZTurnsXTowardY) {
    const TMatrix r = TMatrix::rotation(Vector(0, 0, 2), pi / 2);
    expectNear(r * Vector(1, 0, 0), Vector(0, 1, 0));
    expectNear(r * Vector(0, 1, 0), Vector(-1, 0, 0));
    expectNear(r * Vector(0, 0, 1), Vector(0, 0, 1));
}

TEST(TMatrixOperations, RotationIsOrthonormalAndTransposeInverts) {
    const TMatrix r = TMatrix::rotation(Vector(1, -2, 0.5f), 0.7f);
    EXPECT_NEAR(r.determinant(), 1.0f, 1e-5f);
    const TMatrix product = r.transposed() * r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(product[i][j], i == j ? 1.0f : 0.0f, 1e-5f);
        }
    }
    // The axis is left where it is.
    expectNear(r * normalized(Vector(1, -2, 0.5f)), normalized(Vector(1, -2, 0.5f)));
}

TEST(TMatrixOperations, RotationAboutZeroAxisIsIdentity) {
    EXPECT_EQ(TMatrix::rotation(Vector(), 1.0f), TMatrix::identity());
}

TEST(TMatrixOperations, DeterminantOfScaleAndSingular) {
    EXPECT_FLOAT_EQ(TMatrix(2, 0, 0, 0, 3, 0, 0, 0, 4).determinant(), 24.0f);
    EXPECT_FLOAT_EQ(TMatrix(1, 2, 3, 2, 4, 6, 0, 1, 0).determinant(), 0.0f);
}

}  // namespace
