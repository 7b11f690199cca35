#include "light_effects.h"

#include "scene_effects.h"

#include <engine/core/globals.h>
#include <engine/core/halo.h>
#include <engine/core/light.h>
#include <engine/core/render_mesh_shell.h>
#include <engine/core/special_effect.h>

namespace scene {

LightEffects::LightEffects(RenderMeshShell& column, unsigned which) {
    if (!theRenderSpecialEffectFactory)
        return;
    if ((which & EFFECT_HALOS) && addHalo(Color(1.0f, 0.6f, 0.3f)) &&
        addHalo(Color(0.4f, 0.6f, 1.0f))) {
        madeEffects |= EFFECT_HALOS;
        if (theHaloManager) {
            obstacle = std::make_unique<Animator>("column", column);
            theHaloManager->addObstacle(obstacle.get());
        }
    }
    if ((which & EFFECT_SMOKE) && addSystem("Smoke", Vector(2.6f, 0.0f, -2.4f), false))
        madeEffects |= EFFECT_SMOKE;
    if ((which & EFFECT_SPARKS) && addSystem("Sparks", Vector(2.3f, 0.05f, 2.3f), true))
        madeEffects |= EFFECT_SPARKS;
}

LightEffects::~LightEffects() {
    if (obstacle && theHaloManager)
        theHaloManager->delObstacle(obstacle.get());
    obstacle.reset();
    systems.clear();
    // The view holds no reference: asking for deletion after the key goes
    // deletes each halo.
    for (CountingKey<SpriteHaloInterface>& key : halos) {
        SpriteHaloInterface* halo = key.get();
        key = CountingKey<SpriteHaloInterface>();
        halo->requestDeletion();
    }
}

bool LightEffects::addHalo(const Color& color) {
    SpriteHaloInterface* halo = theRenderSpecialEffectFactory->createSpriteHalo();
    if (!halo)
        return false;
    halo->setTexture("/Images/Effects/halo.tga");
    halo->setColor(color);
    halo->setSizeNear(0.12f);
    halo->setSizeFar(0.04f);
    halo->setNearDepth(0.5f);
    halo->setFarDepth(30.0f);
    halo->setPeakDepth(5.0f);
    halo->setMinimum(0.35f);
    halo->setBrightness(1.0f);
    halo->setFadeInSpeed(3.0f);
    halo->setFadeOutSpeed(3.0f);
    halos.emplace_back(halo);
    return true;
}

bool LightEffects::addSystem(const char* preset, const Vector& place, bool mirrored) {
    particles::SpriteBasedParticleVisualizationInterface* sprite =
        theRenderSpecialEffectFactory->createSpriteParticleVisualization();
    if (!sprite)
        return false;
    auto system = std::make_unique<particles::ParticleBaseEngine>();
    system->setVisualization(std::unique_ptr<particles::ParticleVisualizationInterface>(sprite));
    system->configurePreset(preset);
    system->setTransformation(TMatrix(), place);
    system->setMirrored(mirrored);
    // Start with a plume already standing.
    for (int i = 0; i < 60; ++i)
        system->update(1.0f / 20.0f);
    systems.push_back(std::move(system));
    return true;
}

void LightEffects::update(const std::vector<const Light*>& lights, float step) {
    for (std::size_t i = 0; i < halos.size() && i < lights.size(); ++i)
        halos[i]->setLocalOffset(lights[i]->getGlobalOff());
    for (auto& system : systems)
        system->update(step);
}

void LightEffects::renderHalos(RenderView& view) {
    for (CountingKey<SpriteHaloInterface>& halo : halos)
        halo->render(view);
}

void LightEffects::renderParticles() {
    for (auto& system : systems)
        system->render();
}

}  // namespace scene
