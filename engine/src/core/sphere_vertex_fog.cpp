#include "engine/core/sphere_vertex_fog.h"

#include <algorithm>
#include <cmath>

namespace {

SphereVertexFogManager sphereVertexFog;

}  // namespace

SphereVertexFogManager* theSphereVertexFogManager = &sphereVertexFog;

void SphereVertexFogManager::setSpan(float distance) {
    if (distance > 0.0f && std::isfinite(distance))
        span = distance;
}

void SphereVertexFogManager::setScale(float value) {
    if (value >= 0.0f && std::isfinite(value))
        scale = value;
}

void SphereVertexFogManager::setMinimum(float value) {
    if (std::isfinite(value))
        minimum = std::clamp(value, 0.0f, 1.0f);
}

float SphereVertexFogManager::fogAt(float distance) const {
    if (!enabled || !(distance > 0.0f))
        return 0.0f;
    return std::min(scale * distance / span, 1.0f - minimum);
}
