// One particle of a particle system, as the simulation keeps it and the
// visualizations read it.
#pragma once

#include "engine/core/tmatrix.h"
#include "engine/types.h"

namespace particles {

struct Particle {
    // In the system's own space.
    Vector position;
    Color color;
    // Half-sizes of the particle's sprite.
    float width = 0.0f;
    float height = 0.0f;
    // The particle's own orientation and where its sprite sits from the
    // position, for visualizations that draw particles in their own space.
    TMatrix frame;
    Vector offset;
    // The next live particle, in the system's order; null after the last.
    Particle* next = nullptr;

    // Simulation state.
    Vector velocity;
    float age = 0.0f;
    float lifetime = 1.0f;
    float angle = 0.0f;

    // 0 when born, 1 when the lifetime is up.
    float lifeFraction() const { return lifetime > 0.0f ? age / lifetime : 1.0f; }
};

}  // namespace particles
