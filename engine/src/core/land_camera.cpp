#include "engine/core/land_camera.h"

#include <cmath>

#include "engine/core/spherical.h"

namespace landcamera {

namespace {

// Pitch stays short of straight up or down, where the heading is lost.
constexpr float pitchLimit = 1.55f;

}  // namespace

Camera::Camera() {
    place();
}

void Camera::setPosition(const Vector& ground) {
    position = ground;
    place();
}

void Camera::setHeading(float radians) {
    if (std::isfinite(radians)) {
        heading = radians;
        place();
    }
}

void Camera::setPitch(float radians) {
    if (std::isfinite(radians)) {
        pitch = std::fmax(-pitchLimit, std::fmin(pitchLimit, radians));
        place();
    }
}

void Camera::lookAt(const Vector& ground) {
    const Vector d = ground - position;
    const float horizontal = std::sqrt(d.x * d.x + d.y * d.y);
    if (horizontal > 0.0f)
        heading = std::atan2(d.x, d.y);
    if (horizontal > 0.0f || d.z != 0.0f)
        pitch = std::fmax(-pitchLimit, std::fmin(pitchLimit, std::atan2(-d.z, horizontal)));
    place();
}

Vector Camera::getGroundPoint() const {
    return {position.x, position.y, 0.0f};
}

void Camera::place() {
    // The camera's axes in the ground frame over its point, then carried onto
    // the sphere by that point's placement frame.
    const float ch = std::cos(heading), sh = std::sin(heading);
    const float cp = std::cos(pitch), sp = std::sin(pitch);
    const Vector forward(sh * cp, ch * cp, -sp);
    // As the scenes' cameras: right = forward x up, column 0 = right x forward.
    const Vector right = normalized(cross(forward, Vector(0.0f, 0.0f, 1.0f)));
    const TMatrix local = TMatrix::fromColumns(cross(right, forward), right, forward);
    const TMatrix frame = sphericalPlacementMatrix(getGroundPoint());
    setGlobalTransformation(frame * local, sphericalPlacementVector(groundToFlat(position)));
}

}  // namespace landcamera
