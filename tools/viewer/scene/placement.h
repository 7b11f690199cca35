// Orientations and the camera's path through the demo scene.
#pragma once

#include <engine/core/tmatrix.h>
#include <engine/types.h>

namespace scene {

// The engine's orientation for something looking along `forward`: column 0
// up, column 1 right, column 2 forward, a proper rotation. `up` is only a
// hint; when it is parallel to forward another one is taken.
TMatrix lookAlong(const Vector& forward, const Vector& up = Vector(0, 1, 0));

struct CameraPlace {
    Vector position;
    TMatrix orientation;
};

// Where the camera is `seconds` into the demo: circling the centre of the
// scene once every cameraLoopSeconds, rising and falling a little, always
// looking at the middle of the central column.
CameraPlace cameraPlace(float seconds);
constexpr float cameraLoopSeconds = 20.0f;
// The point the camera looks at.
Vector cameraTarget();

}  // namespace scene
