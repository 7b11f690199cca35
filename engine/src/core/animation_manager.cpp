#include "engine/core/animation_manager.h"
#include "engine/core/sphere_vertex_fog.h"

#include <atomic>

namespace {

std::atomic<float> lodFactor{1.0f};
SphereVertexFogManager sphereVertexFog;

}  // namespace

float AnimationManager::getLODFactor() {
    return lodFactor.load();
}

void AnimationManager::setLODFactor(float factor) {
    lodFactor.store(factor);
}

SphereVertexFogManager* theSphereVertexFogManager = &sphereVertexFog;
