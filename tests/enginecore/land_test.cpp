#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/land_camera.h"
#include "engine/core/sphere_vertex_fog.h"
#include "engine/core/spherical.h"

namespace {

void expectNear(const Vector& actual, const Vector& expected, float tolerance = 1e-4f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Ground points at the top, a little off it and far round the sphere.
class GroundFrameTest : public ::testing::TestWithParam<Vector> {};

TEST_P(GroundFrameTest, IsARotationWithTheNormalInColumnTwo) {
    const Vector ground = GetParam();
    const TMatrix m = sphericalPlacementMatrix(ground);
    EXPECT_NEAR(m.determinant(), 1.0f, 1e-4f) << "a mirror would turn a map's triangles over";
    const Vector placed = sphericalPlacementVector(groundToFlat({ground.x, ground.y, 0.0f}));
    expectNear(m.column(2), normalized(placed - getSphereCenter()));
    // East and north are the tangents of the ground's x and y. Arc lengths
    // are kept only along the radius, so far out (700, 300) the sideways
    // step shrinks by sin(theta) / theta and only the normal is checked.
    if (length(ground) > 200.0f)
        return;
    const float h = 0.01f;
    const Vector east =
        sphericalPlacementVector(groundToFlat({ground.x + h, ground.y, 0})) - placed;
    const Vector north =
        sphericalPlacementVector(groundToFlat({ground.x, ground.y + h, 0})) - placed;
    expectNear(m.column(0), east / h, 2e-2f);
    expectNear(m.column(1), north / h, 2e-2f);
}

INSTANTIATE_TEST_SUITE_P(Points, GroundFrameTest,
                         ::testing::Values(Vector(0, 0, 0), Vector(3, -2, 0), Vector(-40, 25, 1),
                                           Vector(700, 300, 0)));

TEST(GroundPlacementTest, MapPointsLieOnTheGroundAndLiftAlongTheNormal) {
    expectNear(groundToFlat({1, 2, 3}), {1, 3, -2});
    expectNear(flatToGround(groundToFlat({1, 2, 3})), {1, 2, 3});

    // At the top the frame is the ground's axes in the scene: (x, -z, y).
    const TMatrix scaleTwo = TMatrix::fromColumns({2, 0, 0}, {0, 0, -2}, {0, 2, 0});
    TMatrix m;
    Vector p;
    // A map's node at the top: its flat point is on y = 0, north along -z.
    sphericalPlacement(TMatrix(), {4, 6, 0}, 1.0f, false, m, p);
    EXPECT_NEAR(length(p - sphericalPlacementVector({4, 0, -6})), 0.0f, 1e-3f);
    sphericalPlacement(TMatrix(), {0, 0, 5}, 2.0f, false, m, p);
    expectNear(p, {0, 5, 0});
    EXPECT_EQ(m, scaleTwo);
    sphericalPlacement(TMatrix(), {0, 0, 5}, 1.0f, true, m, p);
    expectNear(p, {0, 0, 0});
}

TEST(LandCameraTest, StandsOverItsPointLookingAlongItsHeading) {
    landcamera::Camera camera;
    camera.setPosition({10, 20, 3});
    camera.setHeading(0.0f);
    camera.setPitch(0.0f);
    expectNear(camera.getGroundPoint(), {10, 20, 0});
    const TMatrix frame = sphericalPlacementMatrix(camera.getGroundPoint());
    const TMatrix& m = camera.getGlobalTM();
    EXPECT_NEAR(m.determinant(), 1.0f, 1e-4f);
    expectNear(camera.getGlobalOff(), sphericalPlacementVector(groundToFlat({10, 20, 3})));
    // Heading 0 looks north, the screen's up is the ground's normal, east is on the right.
    expectNear(m.column(2), frame.column(1));
    expectNear(m.column(0), frame.column(2));
    expectNear(m.column(1), frame.column(0));

    camera.setHeading(1.5707964f);
    expectNear(camera.getGlobalTM().column(2), frame.column(0));
    camera.setPitch(0.5f);
    EXPECT_NEAR(dot(camera.getGlobalTM().column(2), frame.column(2)), -std::sin(0.5f), 1e-4f);
    camera.setPitch(NAN);
    EXPECT_FLOAT_EQ(camera.getPitch(), 0.5f) << "a pitch that is not a number is refused";

    camera.lookAt({10, 10, 3});
    EXPECT_NEAR(std::fabs(camera.getHeading()), 3.1415927f, 1e-5f);
    EXPECT_NEAR(camera.getPitch(), 0.0f, 1e-6f);
    camera.lookAt({10, 20, -100});
    EXPECT_LT(camera.getPitch(), 1.5708f) << "straight down is held short of the pole";
    EXPECT_TRUE(std::isfinite(camera.getGlobalTM().determinant()));
}

TEST(SphereVertexFogTest, FogGrowsWithDistanceUpToTheMinimumShareKept) {
    SphereVertexFogManager fog;
    fog.setSpan(50.0f);
    fog.setScale(0.5f);
    fog.setMinimum(0.2f);
    struct Case {
        float distance;
        float expected;
    };
    for (const Case c : {Case{0.0f, 0.0f}, Case{-5.0f, 0.0f}, Case{20.0f, 0.2f}, Case{50.0f, 0.5f},
                         Case{100.0f, 0.8f}, Case{1000.0f, 0.8f}})
        EXPECT_FLOAT_EQ(fog.fogAt(c.distance), c.expected) << c.distance;
    fog.setSpan(0.0f);
    fog.setSpan(-1.0f);
    fog.setScale(-2.0f);
    fog.setMinimum(3.0f);
    EXPECT_EQ(fog.getSpan(), 50.0f);
    EXPECT_EQ(fog.getScale(), 0.5f);
    EXPECT_EQ(fog.getMinimum(), 1.0f);
    EXPECT_EQ(fog.fogAt(100.0f), 0.0f) << "all of the ground's colour is kept";
    fog.setEnabled(false);
    fog.setMinimum(0.0f);
    EXPECT_EQ(fog.fogAt(100.0f), 0.0f);
}

}  // namespace
