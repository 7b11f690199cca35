#include "lighting_effects.h"

#include "scene_effects.h"

#include <engine/core/effect_settings.h>
#include <engine/core/glow_interfaces.h>
#include <engine/core/globals.h>
#include <engine/core/highlight_interfaces.h>

namespace scene {

namespace {

// The factory hands out interface pointers; the same object is a chain link
// and a SpecialEffect.
template <typename Interface>
SpecialEffect* asEffect(Interface* made) {
    SpecialEffect* effect = dynamic_cast<SpecialEffect*>(made);
    if (made && !effect)
        delete made;
    return effect;
}

}  // namespace

LightingEffects::LightingEffects(const std::vector<std::unique_ptr<SceneObject>>& objects,
                                 unsigned which)
    : objects(objects), fogWasEnabled(SEVertexFog::enabled) {
    RenderSpecialEffectFactory* factory = theRenderSpecialEffectFactory;
    if (!factory)
        return;
    if (which & EFFECT_GLOW) {
        GlowEffectInterface* glow = factory->createGlow();
        if (glow) {
            glow->setColor(Color(1.0f, 0.55f, 0.1f));
            glow->setIntensity(0.8f);
        }
        if (attach(glow, "ring"))
            madeEffects |= EFFECT_GLOW;
    }
    if (which & EFFECT_VERTEX_FOG) {
        SEVertexFog::enabled = true;
        SEVertexFog::start = 5.0f;
        SEVertexFog::end = 12.0f;
        // The viewer's default background, which the fog fades into.
        SEVertexFog::color = Color(0x20 / 255.0f, 0x30 / 255.0f, 0x60 / 255.0f);
        bool all = true;
        for (const char* name : {"ground", "column", "ball", "ring", "glass"})
            all = attach(asEffect(factory->createVertexFog()), name) && all;
        if (all)
            madeEffects |= EFFECT_VERTEX_FOG;
    }
    if (which & EFFECT_DIRECT_HIGHLIGHT) {
        DirectHighlightInterface* direct = factory->createDirectHighlight();
        if (direct)
            direct->setColor(Color(1.0f, 0.9f, 0.5f));
        if (attach(asEffect(direct), "column"))
            madeEffects |= EFFECT_DIRECT_HIGHLIGHT;
    }
    if (which & EFFECT_HIGHLIGHT) {
        HighlightInterface* highlight = factory->createHighlight();
        if (highlight)
            highlight->setColors(Color(0.1f, 0.45f, 0.1f, 1.0f), Color(1.0f, 1.0f, 1.0f, 1.0f));
        if (attach(asEffect(highlight), "ball"))
            madeEffects |= EFFECT_HIGHLIGHT;
    }
    if ((which & EFFECT_ISOTROPIC_LIGHT) &&
        attach(asEffect(factory->createIsotropicLight()), "column"))
        madeEffects |= EFFECT_ISOTROPIC_LIGHT;
    if (which & EFFECT_UNIVERSAL_HIGHLIGHT) {
        UniversalHighlightInterface* universal = factory->createUniversalHighlight();
        if (universal)
            universal->setDiffuseModifier(Color(0.0f, 0.0f, 0.35f, 1.0f),
                                          Color(0.3f, 0.6f, 1.0f, 1.0f));
        if (attach(asEffect(universal), "ring"))
            madeEffects |= EFFECT_UNIVERSAL_HIGHLIGHT;
    }
}

LightingEffects::~LightingEffects() {
    for (Attached& a : attached)
        a.object->detachEffect(a.link);
    attached.clear();
    SEVertexFog::enabled = fogWasEnabled;
}

bool LightingEffects::attach(SpecialEffect* effect, const char* name) {
    std::unique_ptr<SpecialEffect> owned(effect);
    auto* link = dynamic_cast<EffectiveRenderMesh*>(effect);
    for (const auto& object : objects)
        if (link && object->getName() == name && object->attachEffect(link)) {
            attached.push_back({std::move(owned), object.get(), link});
            return true;
        }
    return false;
}

}  // namespace scene
