// The driver's side of a particle system: what draws the particles. The
// engine asks the effect factory for one and owns what it gets.
#pragma once

#include <string>
#include <vector>

#include "engine/core/tmatrix.h"
#include "engine/types.h"

namespace config {
class Block;
}

namespace particles {

class ParticleBaseEngine;

class ParticleVisualizationInterface {
public:
    ParticleVisualizationInterface() = default;
    ParticleVisualizationInterface(const ParticleVisualizationInterface&) = delete;
    ParticleVisualizationInterface& operator=(const ParticleVisualizationInterface&) = delete;
    virtual ~ParticleVisualizationInterface() = default;

    // Binds the visualization to the system whose particles it draws.
    virtual void initialize(ParticleBaseEngine* system) = 0;
    // Reads the visualization's keys from `block`, then those absent there
    // from `fallback` when it is given; an absent key changes nothing.
    virtual void configure(const config::Block& block, const config::Block* fallback) = 0;
    // Once a frame, inside a view, with the system's place in the world.
    virtual void render(const TMatrix& matrix, const Vector& offset) = 0;
};

// Particles drawn as camera-facing textured quads.
class SpriteBasedParticleVisualizationInterface : public ParticleVisualizationInterface {
public:
    virtual void setTextureName(const std::string& name) = 0;
    virtual void setRadius(float radius) = 0;
    virtual void setUseParticleSize(bool on) = 0;
    virtual void setUseParticleSpace(bool on) = 0;
    virtual void setRotateWithCamera(bool on) = 0;
    virtual void setSortParticles(bool on) = 0;
    virtual void setCenterPosition(const Vector& center) = 0;
    virtual void setZBias(float bias) = 0;
    virtual void setOpacity(float opacity) = 0;
    virtual void setAffectSceneLight(bool on) = 0;
    virtual void setRenderPriority(int priority) = 0;
    // "common", "spark", "dark" or "alpha"; false, leaving the mode, otherwise.
    virtual bool setRendering(const std::string& mode) = 0;
};

// Particles drawn as small animated objects.
class AnimatorBasedParticleVisualizationInterface : public ParticleVisualizationInterface {
public:
    virtual void setCharacters(const std::vector<std::string>& names) = 0;
    virtual void setReserve(int count) = 0;
    virtual void setCenterPosition(const Vector& center) = 0;
    // "common", "spark" or "dark"; false, leaving the mode, otherwise.
    virtual bool setRendering(const std::string& mode) = 0;
};

}  // namespace particles
