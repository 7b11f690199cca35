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

// Sums and scalings are the scene tests' daily bread; products, lengths
// and the zero vector's normal are checked here.
TEST(VectorOperations, ProductsAndLength) {
    const Vector a(1, 2, 3);
    EXPECT_EQ(cross(Vector(1, 0, 0), Vector(0, 1, 0)), Vector(0, 0, 1));  // right-handed
    EXPECT_FLOAT_EQ(dot(a, Vector(4, -5, 6)), 12.0f);

    const Vector v(3, 4, 12);
    EXPECT_FLOAT_EQ(squaredLength(v), 169.0f);
    EXPECT_FLOAT_EQ(length(v), 13.0f);
    expectNear(normalized(v), Vector(3.0f / 13, 4.0f / 13, 12.0f / 13));
    EXPECT_FLOAT_EQ(length(normalized(Vector(-0.001f, 0, 0))), 1.0f);
    EXPECT_EQ(normalized(Vector()), Vector(0, 0, 0));  // not NaN
}

TEST(ColorOperations, DefaultSumScaleTintAndClamp) {
    EXPECT_EQ(Color(), Color(0, 0, 0, 1));
    const Color a(0.25f, 0.5f, 0.125f, 0.0625f), b(0.5f, 0.125f, 0.0f, 0.5f);
    EXPECT_EQ(a + b, Color(0.75f, 0.625f, 0.125f, 0.5625f));
    EXPECT_EQ(2.0f * a, Color(0.5f, 1.0f, 0.25f, 0.125f));
    // A tint multiplies component by component.
    EXPECT_EQ(Color(1.0f, 0.5f, 0.25f, 0.8f) * Color(0.5f, 1.0f, 0.0f, 0.5f),
              Color(0.5f, 0.5f, 0.0f, 0.4f));
    EXPECT_EQ(clamped(Color(-0.5f, 1.5f, 0.25f, 2.0f)), Color(0.0f, 1.0f, 0.25f, 1.0f));
    EXPECT_EQ(clamped(Color(std::nanf(""), 0.5f, 0.5f, 0.5f)).r, 0.0f);
}

TEST(TMatrixLayout, NineFloatsByRowsIdentityByDefault) {
    static_assert(sizeof(TMatrix) == 9 * sizeof(float), "TMatrix must be nine packed floats");
    const TMatrix m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    const float* raw = &m.m[0][0];
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(raw[i], static_cast<float>(i + 1)) << "element " << i;
    EXPECT_EQ(m.row(2), Vector(7, 8, 9));
    EXPECT_EQ(m.column(0), Vector(1, 4, 7));
    EXPECT_EQ(TMatrix::identity(), TMatrix(1, 0, 0, 0, 1, 0, 0, 0, 1));

    const Vector a(1, 2, 3), b(4, 5, 6), c(7, 8, 9);
    EXPECT_EQ(TMatrix::fromRows(a, b, c), m);
    EXPECT_EQ(TMatrix::fromColumns(a, b, c), TMatrix(1, 4, 7, 2, 5, 8, 3, 6, 9));
    EXPECT_EQ(m.transposed(), TMatrix(1, 4, 7, 2, 5, 8, 3, 6, 9));
    TMatrix set = TMatrix::zero();
    set.setRow(0, a);
    set.setColumn(2, c);
    EXPECT_EQ(set, TMatrix(1, 2, 7, 0, 0, 8, 0, 0, 9));
}

TEST(TMatrixOperations, ProductsDeterminantAndRotations) {
    const TMatrix m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    EXPECT_EQ(m * Vector(1, 1, 2), Vector(1 + 2 + 6, 4 + 5 + 12, 7 + 8 + 18));
    const TMatrix a(1, 2, 0, 0, 1, 3, 4, 0, 1);
    const TMatrix b(2, 0, 1, 1, 1, 0, 0, 5, 1);
    EXPECT_EQ(a * b, TMatrix(4, 2, 1, 1, 16, 3, 8, 5, 5));
    expectNear((a * b) * Vector(0.5f, -1, 2), a * (b * Vector(0.5f, -1, 2)));
    EXPECT_FLOAT_EQ(TMatrix(2, 0, 0, 0, 3, 0, 0, 0, 4).determinant(), 24.0f);
    EXPECT_FLOAT_EQ(a.determinant(), 25.0f);

    // Rotations.
    const TMatrix z = TMatrix::rotation(Vector(0, 0, 2), pi / 2);
    expectNear(z * Vector(1, 0, 0), Vector(0, 1, 0));
    expectNear(z * Vector(0, 1, 0), Vector(-1, 0, 0));
    expectNear(z * Vector(0, 0, 1), Vector(0, 0, 1));

    // Orthonormal, so the transpose inverts it; the axis stays where it is.
    const TMatrix r = TMatrix::rotation(Vector(1, -2, 0.5f), 0.7f);
    EXPECT_NEAR(r.determinant(), 1.0f, 1e-5f);
    const TMatrix product = r.transposed() * r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(product[i][j], i == j ? 1.0f : 0.0f, 1e-5f);
    expectNear(r * normalized(Vector(1, -2, 0.5f)), normalized(Vector(1, -2, 0.5f)));
    EXPECT_EQ(TMatrix::rotation(Vector(), 1.0f), TMatrix::identity());
}

}  // namespace
