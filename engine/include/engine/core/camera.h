// Camera: where a view looks from, and how wide it sees.
#pragma once

#include "engine/core/tmatrix.h"
#include "engine/types.h"

// The orientation's columns are the camera's axes in world space: column 0
// points up on the screen, column 1 right, column 2 forward into the screen.
class Camera {
public:
    Camera() = default;
    Camera(const Camera&) = default;
    Camera& operator=(const Camera&) = default;
    virtual ~Camera() = default;

    // Cameras that follow something compute these; the plain camera stores them.
    virtual const TMatrix& getGlobalTM() const { return orientation; }
    virtual const Vector& getGlobalOff() const { return position; }
    void setGlobalTransformation(const TMatrix& m, const Vector& p) {
        orientation = m;
        position = p;
    }

    // Distance from the eye to the near plane, in world units.
    float getNearDistance() const { return nearDistance; }
    void setNearDistance(float distance) { nearDistance = distance; }
    // Horizontal field of view, in radians.
    float getFieldOfView() const { return fieldOfView; }
    void setFieldOfView(float radians) { fieldOfView = radians; }

private:
    TMatrix orientation;
    Vector position;
    float nearDistance = 0.1f;
    float fieldOfView = 1.5707964f;
};
