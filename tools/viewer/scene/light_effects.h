// The demo's effects of light and particles: halos over the point and spot
// lights that fade out when the column hides them, a smoke plume (drawn
// sorted) and a spark fountain mirrored in the glass pool. Everything is
// asked of the driver's effect factory; without it nothing is made.
#pragma once

#include <engine/core/animator.h>
#include <engine/core/counting_object.h>
#include <engine/core/particles/particle_engine.h>

#include <memory>
#include <vector>

class Light;
class RenderMeshShell;
class RenderView;
class SpriteHaloInterface;

namespace scene {

class LightEffects {
public:
    // The effects of `which` (EFFECT_HALOS, EFFECT_SMOKE, EFFECT_SPARKS of
    // scene_effects.h) that the factory makes. `column` hides the halos
    // behind it; it must outlive the effects.
    LightEffects(RenderMeshShell& column, unsigned which);
    ~LightEffects();
    LightEffects(const LightEffects&) = delete;
    LightEffects& operator=(const LightEffects&) = delete;

    // The halos follow the lights (point light, then spot light, as given);
    // the particles move on by `step` seconds.
    void update(const std::vector<const Light*>& lights, float step);
    // Halos register before any mesh is drawn, so that the column can hide
    // them while it is transformed.
    void renderHalos(RenderView& view);
    void renderParticles();

    // The effects that were made (scene_effects.h bits).
    unsigned made() const { return madeEffects; }

private:
    bool addHalo(const Color& color);
    bool addSystem(const char* preset, const Vector& place, bool mirrored);

    std::vector<CountingKey<SpriteHaloInterface>> halos;
    std::vector<std::unique_ptr<particles::ParticleBaseEngine>> systems;
    std::unique_ptr<Animator> obstacle;
    unsigned madeEffects = 0;
};

}  // namespace scene
