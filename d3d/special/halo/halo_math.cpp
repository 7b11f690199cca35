#include "special/halo/halo_math.h"

#include <algorithm>
#include <cmath>

namespace halo {

namespace {

// NaN, from a range of no length, counts as the low end.
float unit(float v) {
    return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
}

constexpr float spriteTurn = 0.5f;  // radians; hides the texture's axes

}  // namespace

Projection project(const TMatrix& cameraRotation, const Vector& cameraTranslation,
                   float verticalFactor, float horizontalFactor, const Vector& position) {
    const Vector c = cameraRotation * position + cameraTranslation;
    return {verticalFactor * c.x / c.z, horizontalFactor * c.y / c.z, c.z};
}

bool insideView(const Projection& p) {
    return -1.0f < p.x && p.x < 1.0f && -1.0f < p.y && p.y < 1.0f;
}

float screenX(const Projection& p, float screenWidth) {
    return screenWidth * (p.y + 1.0f) / 2.0f;
}

float screenY(const Projection& p, float screenHeight) {
    return screenHeight * (1.0f - p.x) / 2.0f;
}

ObstacleQuery obstacleQuery(float haloDepth, float boxNearZ, float boxFarZ) {
    ObstacleQuery query;
    query.test = haloDepth > boxNearZ;
    query.depthTest = query.test && haloDepth <= boxFarZ;
    query.maxDepth = query.depthTest ? haloDepth : 0.0f;
    return query;
}

float advanceFade(float fade, bool shown, float seconds, float fadeInSpeed, float fadeOutSpeed) {
    fade += shown ? seconds * fadeInSpeed : -seconds * fadeOutSpeed;
    return unit(fade);
}

float depthCurvePower(float nearDepth, float farDepth, float peak) {
    const float power = std::log(0.5f) / std::log((peak - nearDepth) / (farDepth - nearDepth));
    return std::isfinite(power) && power > 0.0f ? power : 1.0f;
}

float depthFraction(float depth, float nearDepth, float farDepth) {
    return unit((depth - nearDepth) / (farDepth - nearDepth));
}

float depthCurve(float t, float power, float minimum) {
    const float s = std::pow(t, power);
    return std::max(minimum, 4.0f * s * (1.0f - s));
}

float fogFactor(float depth, float fogStart, float fogEnd) {
    if (depth <= fogStart)
        return 1.0f;
    return unit((fogEnd - depth) / (fogEnd - fogStart));
}

std::array<Corner, 4> spriteCorners(float h, const TMatrix& camera, float centerX,
                                    float centerY) {
    Vector heading = camera.column(2);
    if (heading.z < 0.99f) {
        heading.z = 0.0f;
        heading = normalized(heading);
    } else {
        heading = camera.column(0);
    }
    float a = heading.x, b = heading.y;
    if (a == 0.0f && b == 0.0f)
        b = 1.0f;  // looking straight along z: no heading to turn by
    const float c = std::cos(spriteTurn), s = std::sin(spriteTurn);
    std::array<Corner, 4> corners{{{h, h, 0, 0}, {h, -h, 1, 0}, {-h, h, 0, 1}, {-h, -h, 1, 1}}};
    for (Corner& corner : corners) {
        const float x = c * corner.x + s * corner.y;
        const float y = -s * corner.x + c * corner.y;
        corner.x = b * x - a * y + centerX;
        corner.y = a * x + b * y + centerY;
    }
    return corners;
}

}  // namespace halo
