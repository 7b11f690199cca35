// PulsingParameter's template code.
#pragma once

#include <cmath>

#include "engine/core/render_timer.h"

namespace render {

template <typename T>
void PulsingParameter<T>::update() {
    if (!(period > 0.0f)) {
        this->value = from;
        return;
    }
    const double phase = std::fmod(thePausedRenderTimer->getTime() / period, 2.0);
    const float w = static_cast<float>(phase <= 1.0 ? phase : 2.0 - phase);
    this->value = from * (1.0f - w) + to * w;
}

}  // namespace render
