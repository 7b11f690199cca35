#include "scene_effects.h"

#include <engine/core/globals.h>

#include <algorithm>
#include <cmath>

namespace scene {

const std::vector<SceneEffectName>& sceneEffectNames() {
    static const std::vector<SceneEffectName> names = {
        {EFFECT_FADE, "fading", "FadingEffect"},
        {EFFECT_TRACE, "trace", "TraceEffect"},
        {EFFECT_CONTOUR, "contour", "Contour"},
        {EFFECT_AUREOLE, "aureole", "AureoleEffect"},
        {EFFECT_DISSOLVE, "dissolve", "MaterialDisappearanceEffect"},
        {EFFECT_HALOS, "halos", "SpriteHalo"},
        {EFFECT_SMOKE, "smoke", "VBSpriteParticleVisualization"},
        {EFFECT_SPARKS, "sparks", "VBSpriteParticleVisualization"},
        {EFFECT_OPACITY, "opacity", "OpacityEffect"},
        {EFFECT_VERTEX_OPACITY, "vertex_opacity", "VertexOpacity"},
        {EFFECT_CAMERA_VANISH, "camera_vanish", "CameraVanish"},
        {EFFECT_GLOW, "glow", "D3DGlowEffect"},
        {EFFECT_VERTEX_FOG, "vertex_fog", "VertexFogEffect"},
        {EFFECT_DIRECT_HIGHLIGHT, "direct_highlight", "DirectHighlight"},
        {EFFECT_HIGHLIGHT, "highlight", "Highlight"},
        {EFFECT_ISOTROPIC_LIGHT, "isotropic_light", "IsotropicLight"},
        {EFFECT_UNIVERSAL_HIGHLIGHT, "universal_highlight", "UniversalHighlight"},
        {EFFECT_WATER, "water", "Water"},
        {EFFECT_SWAMP, "swamp", "Swamp"}};
    return names;
}

SceneEffects::SceneEffects(View& view, const std::vector<std::unique_ptr<SceneObject>>& objects,
                           unsigned which, std::string target)
    : view(view), objects(objects), contourTarget(std::move(target)) {
    RenderSpecialEffectFactory* factory = theRenderSpecialEffectFactory;
    if (!factory)
        return;
    if ((which & EFFECT_FADE) && (fade = factory->createFading())) {
        fade->setColor(Color(0, 0, 0));
        fade->setAlpha(1.0f);
        view.registerObject(fade);
    }
    if ((which & EFFECT_TRACE) && (trace = factory->createTrace())) {
        trace->setTarget(&ball);
        trace->setColor(Color(0.35f, 0.75f, 1.0f, 0.8f));
        trace->setWidth(0.3f);
        trace->setLifetime(1.2f);
        view.registerObject(trace);
    }
    if (which & EFFECT_CONTOUR) {
        contour.reset(factory->createContour());
        if (contour) {
            contour->setContourColor(Color(1.0f, 0.85f, 0.2f));
            contour->select(true);
        }
    }
    if (which & EFFECT_AUREOLE) {
        aureole.reset(factory->createAureole());
        SceneObject* glass = find("glass");
        if (aureole && glass) {
            aureole->setColor(Color(0.5f, 0.8f, 1.0f));
            aureole->setScale(1.5f);
            glass->attachEffect(aureole.get());
        }
    }
    if (which & EFFECT_DISSOLVE) {
        dissolve.reset(factory->createMaterialDisappearance());
        if (SceneObject* ring = find("ring"); dissolve && ring)
            ring->attachEffect(dissolve.get());
    }
    makeTranslucentEffects(*factory, which);
}

void SceneEffects::makeTranslucentEffects(RenderSpecialEffectFactory& factory, unsigned which) {
    if (which & EFFECT_OPACITY) {
        opacity.reset(factory.createOpacity());
        if (SceneObject* ring = find("ring"); opacity && ring) {
            opacity->setOpacity(0.4f);
            ring->attachEffect(opacity.get());
        }
    }
    if (which & EFFECT_VERTEX_OPACITY) {
        vertexOpacity.reset(factory.createVertexOpacity());
        if (SceneObject* ball = find("ball"); vertexOpacity && ball) {
            vertexOpacity->setOpacity(0, 0.5f);
            ball->attachEffect(vertexOpacity.get());
        }
    }
    if (which & EFFECT_CAMERA_VANISH) {
        vanish.reset(factory.createCameraVanish());
        if (SceneObject* column = find("column"); vanish && column) {
            // The camera circles 8 to 10 units away: the column is half gone.
            vanish->setParameters(6.0f, 11.0f, 0.15f, 1.0f);
            column->attachEffect(vanish->getEffectMesh());
        }
    }
}

SceneEffects::~SceneEffects() {
    // Mesh effects leave their chains as they go; the view lets go of the
    // scene objects, which then go too.
    putContourOn(nullptr);
    for (RenderObject* object : {static_cast<RenderObject*>(fade), static_cast<RenderObject*>(trace)})
        if (object) {
            view.unregisterObject(object);
            object->requestDeletion();
        }
}

unsigned SceneEffects::made() const {
    return (fade ? EFFECT_FADE : 0u) | (trace ? EFFECT_TRACE : 0u) |
           (contour ? EFFECT_CONTOUR : 0u) | (aureole ? EFFECT_AUREOLE : 0u) |
           (dissolve ? EFFECT_DISSOLVE : 0u) | (opacity ? EFFECT_OPACITY : 0u) |
           (vertexOpacity ? EFFECT_VERTEX_OPACITY : 0u) | (vanish ? EFFECT_CAMERA_VANISH : 0u);
}

SceneObject* SceneEffects::find(const std::string& name) const {
    for (const auto& object : objects)
        if (object->getName() == name)
            return object.get();
    return nullptr;
}

void SceneEffects::putContourOn(SceneObject* object) {
    if (object == contoured || !contour)
        return;
    if (contoured)
        contoured->detachEffect(contour->getEffectMesh());
    contoured = object && object->attachEffect(contour->getEffectMesh()) ? object : nullptr;
}

void SceneEffects::update(float seconds, const std::string& pointed) {
    if (fade)
        fade->setAlpha(std::clamp(1.0f - seconds / fadeSeconds, 0.0f, 1.0f));
    if (SceneObject* rolling = find("ball"))
        ball.setTransformation(rolling->getOrientation(), rolling->getPosition());
    putContourOn(find(contourTarget.empty() ? pointed : contourTarget));
    if (dissolve) {
        // Out, away, back, there: a new start at each half of the cycle.
        const int period = static_cast<int>(std::floor(seconds / (2.0f * dissolveSeconds)));
        if (period != dissolvePeriod) {
            dissolvePeriod = period;
            dissolve->setReverse(period % 2 != 0);
            dissolve->start(float(period) * 2.0f * dissolveSeconds, dissolveSeconds);
        }
    }
}

}  // namespace scene
