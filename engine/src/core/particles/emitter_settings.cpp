#include "engine/core/particles/emitter_settings.h"

#include <algorithm>

#include "engine/config.h"

namespace particles {

namespace {

constexpr int particleLimit = 1 << 20;
constexpr float shortestLife = 0.001f;
constexpr float pi = 3.14159265f;

}  // namespace

void EmitterSettings::read(const config::Block& block) {
    block.getProperty("emissionRate", &emissionRate);
    block.getProperty("maxParticles", &maxParticles);
    block.getProperty("lifetime", &lifetime);
    block.getProperty("lifetimeVariance", &lifetimeVariance);
    block.getProperty("emitterPosition", &emitterPosition);
    block.getProperty("emitterRadius", &emitterRadius);
    block.getProperty("direction", &direction);
    block.getProperty("spread", &spread);
    block.getProperty("speed", &speed);
    block.getProperty("speedVariance", &speedVariance);
    block.getProperty("gravity", &gravity);
    block.getProperty("drag", &drag);
    block.getProperty("startSize", &startSize);
    block.getProperty("endSize", &endSize);
    block.getProperty("startColor", &startColor);
    block.getProperty("endColor", &endColor);
    block.getProperty("spin", &spin);
    int seedValue = 0;
    if (block.getProperty("seed", &seedValue))
        seed = static_cast<unsigned>(seedValue);

    emissionRate = std::max(emissionRate, 0.0f);
    maxParticles = std::clamp(maxParticles, 0, particleLimit);
    lifetime = std::max(lifetime, shortestLife);
    lifetimeVariance = std::max(lifetimeVariance, 0.0f);
    emitterRadius = std::max(emitterRadius, 0.0f);
    spread = std::clamp(spread, 0.0f, pi);
    speed = std::max(speed, 0.0f);
    speedVariance = std::max(speedVariance, 0.0f);
    drag = std::max(drag, 0.0f);
    startSize = std::max(startSize, 0.0f);
    endSize = std::max(endSize, 0.0f);
}

}  // namespace particles
