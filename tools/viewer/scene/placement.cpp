#include "placement.h"

#include "mesh_builders.h"

#include <cmath>

namespace scene {

TMatrix lookAlong(const Vector& forward, const Vector& up) {
    const Vector f = normalized(forward);
    Vector right = cross(f, up);
    if (length(right) < 1e-4f)
        right = cross(f, Vector(1, 0, 0));
    right = normalized(right);
    // (up, right, forward) with up = right x forward has determinant +1.
    return TMatrix::fromColumns(cross(right, f), right, f);
}

Vector cameraTarget() {
    return {0.0f, 1.4f, 0.0f};
}

CameraPlace cameraPlace(float seconds) {
    constexpr float twoPi = 6.2831853f;
    // Starts on the side where neither the glass ball nor the marble ball
    // stands between the camera and the column.
    const float angle = -0.9f + twoPi * seconds / cameraLoopSeconds;
    const float radius = 8.5f + 1.0f * std::sin(seconds * 0.45f);
    const float height = 4.0f + 1.0f * std::sin(seconds * 0.3f);
    const Vector position(radius * std::cos(angle), height, radius * std::sin(angle));
    return {position, lookAlong(cameraTarget() - position)};
}

}  // namespace scene
