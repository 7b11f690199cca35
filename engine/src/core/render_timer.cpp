#include "engine/core/render_timer.h"

void RenderTimer::update(double now) {
    frameTime = started ? now - time : 0.0;
    time = now;
    started = true;
}

void RenderTimer::reset() {
    *this = RenderTimer();
}

namespace {
RenderTimer renderTimer;
RenderTimer pausedRenderTimer;
RenderTimer delayedRenderTimer;
}  // namespace

RenderTimer* theRenderTimer = &renderTimer;
RenderTimer* thePausedRenderTimer = &pausedRenderTimer;
RenderTimer* theDelayedRenderTimer = &delayedRenderTimer;
