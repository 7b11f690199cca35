// Light: a light source of the scene.
#pragma once

#include "engine/core/tmatrix.h"
#include "engine/types.h"

// The values are binding: the driver maps them to its own light types.
enum LightType { AMBIENT_LIGHT = 0, POINT_LIGHT = 1, DIRECTIONAL_LIGHT = 2, SPOT_LIGHT = 3 };

class Light {
public:
    explicit Light(LightType type = POINT_LIGHT) : type(type) {}
    Light(const Light&) = default;
    Light& operator=(const Light&) = default;
    virtual ~Light() = default;

    LightType getType() const { return type; }

    const Color& getColor() const { return color; }
    void setColor(const Color& c) { color = c; }
    // How far a point or spot light reaches, in world units.
    float getRange() const { return range; }
    void setRange(float r) { range = r; }
    // A spot light's cone angle, in radians.
    float getCutoff() const { return cutoff; }
    void setCutoff(float radians) { cutoff = radians; }
    bool isAffectSpecular() const { return affectSpecular; }
    void setAffectSpecular(bool affect) { affectSpecular = affect; }

    // World placement; column 2 of the orientation is the direction it shines.
    virtual const TMatrix& getGlobalTM() const { return orientation; }
    virtual const Vector& getGlobalOff() const { return position; }
    void setGlobalTransformation(const TMatrix& m, const Vector& p) {
        orientation = m;
        position = p;
    }

private:
    LightType type;
    Color color{1.0f, 1.0f, 1.0f, 1.0f};
    float range = 10.0f;
    float cutoff = 0.7853982f;
    bool affectSpecular = true;
    TMatrix orientation;
    Vector position;
};
