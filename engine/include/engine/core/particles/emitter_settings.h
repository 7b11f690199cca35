// What a particle system emits and how its particles live: the simulation's
// part of a particle system's configuration block.
#pragma once

#include "engine/types.h"

namespace config {
class Block;
}

namespace particles {

struct EmitterSettings {
    float emissionRate = 20.0f;  // particles per second
    int maxParticles = 256;      // live particles at most; emission waits for room
    float lifetime = 2.0f;       // seconds
    float lifetimeVariance = 0.0f;  // each lifetime is lifetime +- this, at random
    Vector emitterPosition;         // in the system's space
    float emitterRadius = 0.0f;     // particles are born within this ball
    Vector direction{0.0f, 1.0f, 0.0f};
    float spread = 0.0f;  // half-angle of the cone of initial directions, radians
    float speed = 1.0f;
    float speedVariance = 0.0f;
    Vector gravity;      // acceleration
    float drag = 0.0f;   // share of the velocity lost per second
    float startSize = 0.1f;  // half-size at birth and at death
    float endSize = 0.1f;
    Color startColor{1.0f, 1.0f, 1.0f, 1.0f};
    Color endColor{1.0f, 1.0f, 1.0f, 0.0f};
    float spin = 0.0f;  // turn of each particle's frame, radians per second
    unsigned seed = 1;

    // Reads the keys present in `block`: a missing key or a value of the
    // wrong type keeps what is there. Out-of-range values are brought into
    // range (no negative rates, lifetimes or sizes).
    void read(const config::Block& block);
};

}  // namespace particles
