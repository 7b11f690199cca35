#include "engine/core/animation_manager.h"

#include <atomic>

namespace {

std::atomic<float> lodFactor{1.0f};

}  // namespace

float AnimationManager::getLODFactor() {
    return lodFactor.load();
}

void AnimationManager::setLODFactor(float factor) {
    lodFactor.store(factor);
}
