#include "engine/core/opacity.h"

#include <atomic>

namespace {
// Set by the game's options on its thread, read by the render thread.
std::atomic<bool> cameraVanishing{true};
}  // namespace

bool SECameraVanish::getEnableState() {
    return cameraVanishing.load(std::memory_order_relaxed);
}

void SECameraVanish::setEnableState(bool on) {
    cameraVanishing.store(on, std::memory_order_relaxed);
}
