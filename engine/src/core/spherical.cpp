#include "engine/core/spherical.h"

#include <cmath>
#include <optional>

namespace {

float sphereRadius = 1000.0f;

struct Plane {
    Vector point, normal;
};
std::optional<Plane> standingMirror;

// The unit direction of the flat point's arc, and its angle from the top.
void arcOf(const Vector& flat, Vector& horizontal, float& theta) {
    const float d = std::sqrt(flat.x * flat.x + flat.z * flat.z);
    theta = d / sphereRadius;
    horizontal = d > 0.0f ? Vector(flat.x / d, 0.0f, flat.z / d) : Vector(1.0f, 0.0f, 0.0f);
}

}  // namespace

float getSphereRadius() {
    return sphereRadius;
}

void setSphereRadius(float radius) {
    if (radius > 0.0f && std::isfinite(radius))
        sphereRadius = radius;
}

Vector getSphereCenter() {
    return {0.0f, -sphereRadius, 0.0f};
}

Vector sphericalPlacementVector(const Vector& flat) {
    Vector horizontal;
    float theta = 0.0f;
    arcOf(flat, horizontal, theta);
    const float r = sphereRadius + flat.y;
    return getSphereCenter() + horizontal * (r * std::sin(theta)) +
           Vector(0.0f, r * std::cos(theta), 0.0f);
}

Vector groundToFlat(const Vector& ground) {
    return {ground.x, ground.z, -ground.y};
}

Vector flatToGround(const Vector& flat) {
    return {flat.x, -flat.z, flat.y};
}

TMatrix sphericalPlacementMatrix(const Vector& ground) {
    Vector horizontal;
    float theta = 0.0f;
    arcOf(groundToFlat(ground), horizontal, theta);
    // Tilting by theta about the axis across the arc carries the top's frame
    // to the placed point; the top's ground frame is (x, -z, y).
    const Vector across = cross(Vector(0.0f, 1.0f, 0.0f), horizontal);
    const TMatrix groundAxes =
        TMatrix::fromColumns({1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 1.0f, 0.0f});
    return TMatrix::rotation(across, theta) * groundAxes;
}

void sphericalPlacement(const TMatrix& matrix, const Vector& ground, float scale, bool onSurface,
                        TMatrix& placedMatrix, Vector& placedPosition) {
    const Vector point = onSurface ? Vector(ground.x, ground.y, 0.0f) : ground;
    TMatrix m = sphericalPlacementMatrix(point) * matrix;
    for (auto& row : m.m)
        for (float& v : row)
            v *= scale;
    placedMatrix = m;
    placedPosition = sphericalPlacementVector(groundToFlat(point));
}

bool sphericalClip(const Vector& point, const Vector& eye) {
    const Vector c = getSphereCenter();
    const float r2 = sphereRadius * sphereRadius;
    if (squaredLength(point - c) < r2)
        return true;
    // The nearest point of the segment to the centre decides.
    const Vector d = point - eye;
    const float len2 = squaredLength(d);
    float t = len2 > 0.0f ? dot(c - eye, d) / len2 : 0.0f;
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    const Vector nearest = eye + d * t;
    // A small tolerance keeps points lying on the surface itself visible.
    return squaredLength(nearest - c) < r2 * (1.0f - 1e-6f);
}

void reflect(const TMatrix& matrix, const Vector& offset, TMatrix& reflectedMatrix,
             Vector& reflectedOffset) {
    Vector n, q;
    if (standingMirror) {
        n = standingMirror->normal;
        q = standingMirror->point;
    } else {
        const Vector c = getSphereCenter();
        n = normalized(offset - c);
        if (squaredLength(n) == 0.0f)
            n = Vector(0.0f, 1.0f, 0.0f);
        q = c + n * sphereRadius;
    }
    TMatrix h;
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col) {
            const float nr = r == 0 ? n.x : (r == 1 ? n.y : n.z);
            const float nc = col == 0 ? n.x : (col == 1 ? n.y : n.z);
            h.m[r][col] = (r == col ? 1.0f : 0.0f) - 2.0f * nr * nc;
        }
    reflectedMatrix = h * matrix;
    reflectedOffset = offset - n * (2.0f * dot(offset - q, n));
}

void setReflectionPlane(const Vector& point, const Vector& normal) {
    const Vector n = normalized(normal);
    if (squaredLength(n) > 0.0f && std::isfinite(squaredLength(n)))
        standingMirror = Plane{point, n};
}

void clearReflectionPlane() {
    standingMirror.reset();
}
