#include <gtest/gtest.h>

#include <cmath>

#include "special/halo/halo_math.h"

namespace {

TEST(HaloDepthCurve, PeaksAtThePeakDepthAndKeepsItsMinimum) {
    const float power = halo::depthCurvePower(2.0f, 12.0f, 4.5f);
    const float peak = halo::depthFraction(4.5f, 2.0f, 12.0f);
    EXPECT_NEAR(halo::depthCurve(peak, power, 0.0f), 1.0f, 1e-5f);
    EXPECT_LT(halo::depthCurve(halo::depthFraction(3.5f, 2, 12), power, 0.0f), 1.0f);
    // Before near (and behind the camera) the fraction is 0: only the minimum is left.
    EXPECT_EQ(halo::depthFraction(-1.0f, 2, 12), 0.0f);
    EXPECT_EQ(halo::depthCurve(0.0f, power, 0.2f), 0.2f);
    EXPECT_EQ(halo::depthFraction(20.0f, 2, 12), 1.0f);
    // A peak outside the range, or a range of no length, stays usable.
    EXPECT_EQ(halo::depthCurvePower(2.0f, 12.0f, 20.0f), 1.0f);
    EXPECT_EQ(halo::depthCurvePower(2.0f, 2.0f, 2.0f), 1.0f);
    EXPECT_EQ(halo::depthFraction(2.0f, 2.0f, 2.0f), 0.0f);

    EXPECT_EQ(halo::fogFactor(5.0f, 10.0f, 20.0f), 1.0f);
    EXPECT_FLOAT_EQ(halo::fogFactor(15.0f, 10.0f, 20.0f), 0.5f);
    EXPECT_EQ(halo::fogFactor(25.0f, 10.0f, 20.0f), 0.0f);
}

TEST(HaloSprite, CornersTurnWithTheCameraHeading) {
    // Looking along z, the camera's up axis gives the heading: (a, b) = (1, 0).
    const auto straight = halo::spriteCorners(10.0f, TMatrix(), 100.0f, 50.0f);
    const float c = std::cos(0.5f), s = std::sin(0.5f);
    // Corner (h, h): turned by half a radian to (c h + s h, -s h + c h), then (x, y) -> (-y, x).
    EXPECT_NEAR(straight[0].x, 100.0f - (-s + c) * 10.0f, 1e-4f);
    EXPECT_NEAR(straight[0].y, 50.0f + (c + s) * 10.0f, 1e-4f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(std::hypot(straight[i].x - 100.0f, straight[i].y - 50.0f), 10.0f * std::sqrt(2.0f),
                    1e-3f);
    }
    // Looking sideways, the flattened forward axis turns them.
    const TMatrix sideways = TMatrix::fromColumns(Vector(0, 0, 1), Vector(0, 1, 0), Vector(-1, 0, 0));
    const auto turned = halo::spriteCorners(10.0f, sideways, 0.0f, 0.0f);
    EXPECT_NEAR(turned[0].x, (c - s) * 10.0f, 1e-4f);  // (a, b) = (-1, 0): (x, y) -> (y, -x)
    EXPECT_NEAR(turned[0].y, -(c + s) * 10.0f, 1e-4f);
}

}  // namespace
