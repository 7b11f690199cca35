// A camera that walks on the spherical world: it stands over a ground point
// at some height, turned to a heading and tilted by a pitch, and keeps its
// global frame (the base camera's) up to date as these change.
#pragma once

#include "engine/core/camera.h"

namespace landcamera {

class Camera : public ::Camera {
public:
    Camera();

    // Ground coordinates (x east, y north); z is the eye's height above the
    // ground.
    void setPosition(const Vector& ground);
    const Vector& getPosition() const { return position; }
    // Radians from north towards east.
    void setHeading(float radians);
    float getHeading() const { return heading; }
    // Radians below the horizon (negative looks up).
    void setPitch(float radians);
    float getPitch() const { return pitch; }
    // Turns the camera towards a ground point (its z is the height looked at).
    void lookAt(const Vector& ground);

    // The ground point the camera stands over (z = 0): effects lying on the
    // ground take their up direction from the world's frame there.
    virtual Vector getGroundPoint() const;

private:
    void place();

    Vector position{0.0f, 0.0f, 2.0f};
    float heading = 0.0f;
    float pitch = 0.0f;
};

}  // namespace landcamera
