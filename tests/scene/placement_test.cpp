// Orientations made for cameras and lights, the camera's path, and the
// pick report's lines.
#include "scene/pick_report.h"
#include "scene/placement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

using namespace scene;

TEST(Placement, LookAlongIsARotationWithForwardInColumnTwoAsTheCameraKeepsIt) {
    for (const Vector& forward :
         {Vector(0, 0, 1), Vector(1, -2, 0.5f), Vector(0, -3, 0), Vector(0, 1, 0)}) {
        const TMatrix m = lookAlong(forward);
        EXPECT_LT(length(m.column(2) - normalized(forward)), 1e-4f);
        EXPECT_NEAR(m.determinant(), 1.0f, 1e-4f);
        EXPECT_LT(length(m.transposed() * m * Vector(1, 2, 3) - Vector(1, 2, 3)), 1e-4f);
        // Up stays on the side of the hint unless forward is vertical.
        EXPECT_TRUE(std::fabs(normalized(forward).y) > 0.99f || m.column(0).y > 0.0f);
    }
    // Looking along +z with y up, the right-handed world has +x on the left.
    EXPECT_LT(length(lookAlong(Vector(0, 0, 1)).column(1) - Vector(-1, 0, 0)), 1e-4f);

    // The camera always looks at the target from above.
    for (float t = 0; t < cameraLoopSeconds; t += 0.7f) {
        const CameraPlace place = cameraPlace(t);
        EXPECT_LT(length(place.orientation.column(2) - normalized(cameraTarget() - place.position)),
                  1e-4f);
        EXPECT_GT(place.position.y, 2.5f) << t;
        EXPECT_GT(length(place.position - cameraTarget()), 6.0f) << t;
    }
    // One loop later the camera is back on the same bearing.
    const Vector a = cameraPlace(1.0f).position, b = cameraPlace(1.0f + cameraLoopSeconds).position;
    EXPECT_NEAR(std::atan2(a.z, a.x), std::atan2(b.z, b.x), 1e-3f);
}

TEST(PickReport, PrintsOnlyWhenThePointedObjectChanges) {
    std::ostringstream out;
    PickReport report(out);
    report.frameDone();  // the first frame says what it sees, even nothing
    report.frameDone();
    report.entered("ball");
    report.frameDone();
    report.frameDone();
    // Left for another object: the report follows the entered one.
    report.left("ball");
    report.entered("ring");
    report.frameDone();
    report.left("glass");  // not the pointed one: no change
    report.frameDone();
    report.left("ring");
    report.frameDone();
    EXPECT_EQ(out.str(), "pointed: none\npointed: ball\npointed: ring\npointed: none\n");
    EXPECT_EQ(report.current(), "");
}

}  // namespace
