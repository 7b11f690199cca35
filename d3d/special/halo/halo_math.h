// The arithmetic of halos, apart from any device: where a halo's point falls
// on the screen, whether it is inside the view or may be covered by a mesh,
// how its fade moves with the frame time, how its intensity and size follow
// its depth, and where the corners of its sprite go.
#pragma once

#include <array>

#include <engine/core/tmatrix.h>
#include <engine/types.h>

namespace halo {

// A point in clip units (x vertical, +1 top; y horizontal, +1 right) with its
// camera-space depth. Behind the camera (depth < 0) the signs come out
// flipped, as the division makes them.
struct Projection {
    float x = 0.0f;
    float y = 0.0f;
    float depth = 0.0f;
};

Projection project(const TMatrix& cameraRotation, const Vector& cameraTranslation,
                   float verticalFactor, float horizontalFactor, const Vector& position);
// Strictly inside: a point on the edge of the view is outside.
bool insideView(const Projection& p);
// Pixels of a screen of the given size, x to the right and y down.
float screenX(const Projection& p, float screenWidth);
float screenY(const Projection& p, float screenHeight);

// How a halo at `haloDepth` is tested against a mesh whose screen box spans
// [boxNearZ, boxFarZ] in depth: not at all when the whole mesh is behind it;
// with a depth limit when the halo lies within the mesh's depth range.
struct ObstacleQuery {
    bool test = false;
    bool depthTest = false;
    float maxDepth = 0.0f;
};
ObstacleQuery obstacleQuery(float haloDepth, float boxNearZ, float boxFarZ);

// The fade after `seconds`, moving in while shown and out otherwise, in [0, 1].
float advanceFade(float fade, bool shown, float seconds, float fadeInSpeed, float fadeOutSpeed);

// The exponent that puts the top of the depth curve at `peak`. Depths that
// allow no such curve (peak outside (near, far)) give 1, whose top is half way.
float depthCurvePower(float nearDepth, float farDepth, float peak);
// Where `depth` lies between near and far, in [0, 1] (0 before near, and for
// a range of no length).
float depthFraction(float depth, float nearDepth, float farDepth);
// The intensity factor at depth fraction t: 4 s (1 - s) with s = t^power,
// never below `minimum`; its top, 1, is at s = 1/2.
float depthCurve(float t, float power, float minimum);
// 1 up to the fog's start, 0 from its end on, linear between.
float fogFactor(float depth, float fogStart, float fogEnd);

// The sprite's four corners in triangle-strip order, in pixels: a square of
// half-size h, turned by a fixed half radian and by the camera's heading,
// centred on (centerX, centerY).
struct Corner {
    float x, y, u, v;
};
std::array<Corner, 4> spriteCorners(float h, const TMatrix& camera, float centerX, float centerY);

}  // namespace halo
