// The spherical world. The ground is a sphere of radius getSphereRadius()
// whose top touches the origin: its centre is (0, -R, 0) and +y is up at the
// origin, as in the scenes, whose ground is the plane y = 0. Content is
// modelled on that flat plane and placed on the sphere by keeping arc
// lengths: a flat point (x, h, z) at distance d = |(x, z)| from the origin
// lands at the angle theta = d / R from the top, height h above the surface,
// in the vertical plane through (x, 0, z):
//   placed = C + (R + h) * (sin(theta) * (x, 0, z) / d + cos(theta) * (0, 1, 0))
// so distances along the ground and heights are kept, and a point of the
// flat plane far from the origin curves down below the horizon.
#pragma once

#include "engine/core/tmatrix.h"

float getSphereRadius();
// Radii that are not positive are refused (the radius stays).
void setSphereRadius(float radius);
Vector getSphereCenter();

// The flat point placed on the sphere (formula above).
Vector sphericalPlacementVector(const Vector& flat);

// Ground coordinates are the frame of the maps laid on the world (water,
// swamp, the land camera): x east, y north, z up. The ground point
// (x, y, z) is the flat point (x, z, -y): north is -z, so that
// (east, north, up) is a rotation of the scene's axes, not a mirror.
Vector groundToFlat(const Vector& ground);
Vector flatToGround(const Vector& flat);

// The frame at the placed ground point: column 0 east, column 1 north,
// both carried along the arc, column 2 the surface normal (a rotation). A
// map's vertices are lifted along column 2.
TMatrix sphericalPlacementMatrix(const Vector& ground);
// A local frame `matrix` (in ground coordinates) at the ground point,
// placed: the out matrix is the placement frame times `matrix` scaled by
// `scale`, the out position the placed point (with `onSurface` the height
// z is dropped first).
void sphericalPlacement(const TMatrix& matrix, const Vector& ground, float scale, bool onSurface,
                        TMatrix& placedMatrix, Vector& placedPosition);

// True when the sphere hides `point` from `eye`: the segment between them
// passes through the inside of the sphere. A point below the surface is
// always hidden.
bool sphericalClip(const Vector& point, const Vector& eye);

// Mirror image of a placement in the ground's tangent plane under `offset`
// (for a point near the origin, the plane y = 0): with n the normal at that
// ground point Q, H = I - 2 n n^T gives matrix' = H * matrix and
// offset' = offset - 2 ((offset - Q) . n) n. The matrix' has determinant -1,
// so culling must be inverted when drawing with it. While a standing mirror's
// plane is set, every placement is mirrored in that plane instead (Q its point,
// n its normal).
void reflect(const TMatrix& matrix, const Vector& offset, TMatrix& reflectedMatrix,
             Vector& reflectedOffset);

// The plane of a mirror standing in the world (a point of it and its normal,
// in flat coordinates); a zero normal is refused. One plane serves the whole
// world: the scene that stands a mirror sets it and clears it again.
void setReflectionPlane(const Vector& point, const Vector& normal);
void clearReflectionPlane();
