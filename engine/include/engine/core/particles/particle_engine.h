// A particle system: emits particles from its emitter, moves them under
// their velocity, gravity and drag, grows and tints them over their life,
// and hands them to its visualization to draw.
#pragma once

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/core/particles/emitter_settings.h"
#include "engine/core/particles/particle.h"
#include "engine/core/particles/visualization.h"

namespace particles {

class ParticleBaseEngine {
public:
    explicit ParticleBaseEngine(const EmitterSettings& settings = EmitterSettings());
    ParticleBaseEngine(const ParticleBaseEngine&) = delete;
    ParticleBaseEngine& operator=(const ParticleBaseEngine&) = delete;
    virtual ~ParticleBaseEngine();

    // New settings apply to particles born from now on; a smaller maximum
    // drops the particles beyond it.
    void setSettings(const EmitterSettings& settings);
    const EmitterSettings& getSettings() const { return settings; }
    // The simulation's keys from `block`, then the visualization's.
    void configure(const config::Block& block);
    // configure() with the block `name` of the presets file; false, changing
    // nothing, when the file has no such block.
    bool configurePreset(const std::string& name);
    static constexpr const char* presetsFile = "/Configs/Effects/Particles.cfg";

    // Takes the visualization and initialises it for this system; configure
    // after this so that the visualization reads its keys too.
    void setVisualization(std::unique_ptr<ParticleVisualizationInterface> visualization);
    ParticleVisualizationInterface* getVisualization() const { return visualization.get(); }

    void setTransformation(const TMatrix& matrix, const Vector& offset);
    const TMatrix& getMatrix() const { return matrix; }
    const Vector& getOffset() const { return offset; }

    // A stopped emitter lets the live particles run out.
    void setEmitting(bool on) { emitting = on; }
    bool isEmitting() const { return emitting; }
    // Whether a mirror shows this system, so that its reflection is drawn too.
    void setMirrored(bool on) { mirrored = on; }
    bool isMirrored() const { return mirrored; }

    // Advances the simulation; a negative or non-finite step does nothing.
    void update(float seconds);
    // Emits `count` particles at once (as many as there is room for).
    void burst(int count);
    void clear();
    // Has the visualization draw the system; once a frame, inside a view.
    void render();

    // The live particles, linked by Particle::next.
    const Particle* getFirstParticle() const;
    int getParticleCount() const { return liveCount; }

private:
    void emit(int count, float spreadOverSeconds);
    void spawn(Particle& particle);
    void advance(Particle& particle, float seconds) const;
    void relink();
    float random();  // uniform in [0, 1)
    Vector randomDirection();

    EmitterSettings settings;
    std::vector<Particle> pool;
    int liveCount = 0;
    float emissionDebt = 0.0f;
    std::mt19937 generator;
    bool emitting = true;
    bool mirrored = false;
    TMatrix matrix;
    Vector offset;
    std::unique_ptr<ParticleVisualizationInterface> visualization;
};

}  // namespace particles
