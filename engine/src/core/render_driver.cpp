#include "engine/core/render_driver.h"

bool RenderDriver::inIdlingMode() const {
    return idling_.load(std::memory_order_relaxed);
}

RenderDriver::~RenderDriver() = default;
