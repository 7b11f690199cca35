#include "world_effects.h"

#include "world_scene.h"

#include <engine/core/effect_settings.h>
#include <engine/core/globals.h>
#include <engine/core/special_effect.h>
#include <engine/core/spherical.h>

#include <cmath>

// The effects' interfaces come with their parts of the engine; an engine
// without one leaves that effect out of the world.
#if __has_include(<engine/core/water.h>)
#include <engine/core/water.h>
#define WORLD_HAS_WATER 1
#endif
#if __has_include(<engine/core/opacity.h>)
#include <engine/core/opacity.h>
#define WORLD_HAS_OPACITY 1
#endif
#if __has_include(<engine/core/glow_interfaces.h>)
#include <engine/core/glow_interfaces.h>
#define WORLD_HAS_GLOW 1
#endif
#if __has_include(<engine/core/mapping_interfaces.h>)
#include <engine/core/mapping_interfaces.h>
#define WORLD_HAS_MAPPING 1
#endif
#if __has_include(<engine/core/mirror_interfaces.h>)
#include <engine/core/mirror_interfaces.h>
#define WORLD_HAS_MIRROR 1
#endif
#if __has_include(<engine/core/highlight_interfaces.h>)
#include <engine/core/highlight_interfaces.h>
#define WORLD_HAS_HIGHLIGHT 1
#endif

namespace scene {

const std::vector<WorldEffectName>& worldEffectNames() {
    static const std::vector<WorldEffectName> names = {
        {WORLD_WATER, "water", "Water"},
        {WORLD_SWAMP, "swamp", "Swamp"},
        {WORLD_CHROME, "chrome", "SphericalMappingEffect"},
        {WORLD_LIGHT_SPOT, "lightspot", "PlanarMappingEffect"},
        {WORLD_MIRROR, "mirror", "MirrorEffect"},
        {WORLD_VANISH, "vanish", "CameraVanish"},
        {WORLD_HIGHLIGHT, "highlight", "DirectHighlight"},
        {WORLD_GLOW, "glow", "D3DGlowEffect"},
        {WORLD_FOG, "fog", "VertexFogEffect"}};
    return names;
}

struct WorldEffects::Context {
    View& view;
    const std::vector<std::unique_ptr<SceneObject>>& objects;
    const WorldMap& map;
    RenderSpecialEffectFactory& factory;
    std::string highlightTarget;

    SceneObject* find(const std::string& name) const {
        for (const auto& object : objects)
            if (object->getName() == name)
                return object.get();
        return nullptr;
    }
    // Parts whose names begin with `prefix`.
    std::vector<SceneObject*> findAll(const std::string& prefix) const {
        std::vector<SceneObject*> found;
        for (const auto& object : objects)
            if (object->getName().compare(0, prefix.size(), prefix) == 0)
                found.push_back(object.get());
        return found;
    }
};

namespace {

using Context = WorldEffects::Context;
using Hook = WorldEffects::Hook;

// A mesh effect on one or more parts, detached before it goes.
template <typename Effect>
class LinkHook : public Hook {
public:
    LinkHook(std::unique_ptr<Effect> effect, EffectiveRenderMesh* link)
        : effect(std::move(effect)), link(link) {}
    ~LinkHook() override {
        for (SceneObject* part : parts)
            part->detachEffect(link);
    }
    bool attachTo(SceneObject* part) {
        if (!part || !part->attachEffect(link))
            return false;
        parts.push_back(part);
        return true;
    }
    Effect& get() { return *effect; }

private:
    std::unique_ptr<Effect> effect;
    EffectiveRenderMesh* link;
    std::vector<SceneObject*> parts;
};

#ifdef WORLD_HAS_WATER
// A water or swamp surface over its cells of the map, registered with the view.
class SurfaceHook : public Hook {
public:
    SurfaceHook(View& view, MapSurfaceInterface* surface, const std::vector<bool>& cells)
        : view(view), surface(surface), mask(std::make_unique<bool[]>(cells.size())) {
        for (std::size_t i = 0; i < cells.size(); ++i)
            mask[i] = cells[i];
        surface->initialize(WorldMap::width, WorldMap::height, mask.get());
        view.registerObject(surface);
    }
    ~SurfaceHook() override {
        surface->release();
        view.unregisterObject(surface);
        surface->requestDeletion();
    }

private:
    View& view;
    MapSurfaceInterface* surface;
    std::unique_ptr<bool[]> mask;
};
#endif

std::unique_ptr<Hook> makeWater(Context& c) {
#ifdef WORLD_HAS_WATER
    if (WaterInterface* water = c.factory.createWater())
        return std::make_unique<SurfaceHook>(c.view, water, c.map.water);
#else
    (void)c;
#endif
    return nullptr;
}

std::unique_ptr<Hook> makeSwamp(Context& c) {
#ifdef WORLD_HAS_WATER
    if (SwampInterface* swamp = c.factory.createSwamp())
        return std::make_unique<SurfaceHook>(c.view, swamp, c.map.swamp);
#else
    (void)c;
#endif
    return nullptr;
}

// The chain link of a driver's effect object, or null.
template <typename Interface>
EffectiveRenderMesh* linkOf(Interface* effect) {
    return dynamic_cast<EffectiveRenderMesh*>(effect);
}

// An effect made by the factory, attached to the part named; null when
// either is missing.
template <typename Interface>
std::unique_ptr<LinkHook<Interface>> attach(Interface* made, SceneObject* part) {
    std::unique_ptr<Interface> effect(made);
    EffectiveRenderMesh* link = linkOf(effect.get());
    if (!link)
        return nullptr;
    auto hook = std::make_unique<LinkHook<Interface>>(std::move(effect), link);
    return hook->attachTo(part) ? std::move(hook) : nullptr;
}

std::unique_ptr<Hook> makeChrome(Context& c) {
#ifdef WORLD_HAS_MAPPING
    auto hook = attach(c.factory.createSphericalMapping(), c.find("ball"));
    if (!hook)
        return nullptr;
    SphericalMappingEffectInterface& chrome = hook->get();
    chrome.setTexture("/Images/Effects/Mapping/chrome.tga");
    // u follows the camera's right, v its down: the sky is on top.
    chrome.setMapping(TMatrix(0, 1, 0, 1, 0, 0, 0, 0, 1), Vector());
    chrome.setBlendMode(0);
    return hook;
#else
    (void)c;
    return nullptr;
#endif
}

std::unique_ptr<Hook> makeLightSpot(Context& c) {
#ifdef WORLD_HAS_MAPPING
    auto hook = attach(c.factory.createPlanarMapping(), c.find("ground"));
    if (!hook)
        return nullptr;
    // A warm spot of 6 units on the ground between the pool and the statue,
    // projected from above: u and v from the scene's x and z.
    constexpr float size = 6.0f;
    const Vector centre = sphericalPlacementVector(groundToFlat({-2.5f, -5.5f, 0.0f}));
    PlanarMappingEffectInterface& spot = hook->get();
    spot.setTexture("/Images/Effects/Mapping/spot.tga");
    spot.setBaseSet1();
    spot.setBlendMode(4);
    spot.setColor(1.0f, 0.85f, 0.55f, 1.0f);
    spot.setMapping(TMatrix(1 / size, 0, 0, 0, 0, 1 / size, 0, 1, 0),
                    Vector(0.5f - centre.x / size, 0.5f - centre.z / size, 0));
    return hook;
#else
    (void)c;
    return nullptr;
#endif
}

#ifdef WORLD_HAS_MIRROR
// The mirror standing on its pane and a reflection on each part in front of
// it; the engine mirrors in the pane's plane while the hook lives.
class MirrorHook : public Hook {
public:
    SceneObject* pane = nullptr;
    std::unique_ptr<LinkHook<MirrorEffectInterface>> mirror;
    std::vector<std::unique_ptr<LinkHook<ReflectionEffectInterface>>> reflections;
    ~MirrorHook() override {
        reflections.clear();
        mirror.reset();
        clearReflectionPlane();
    }
    void update(float, const std::string&) override {
        // The pane's front looks along its column 1.
        setReflectionPlane(pane->getPosition(), pane->getOrientation().column(1));
    }
};
#endif

std::unique_ptr<Hook> makeMirror(Context& c) {
#ifdef WORLD_HAS_MIRROR
    auto hook = std::make_unique<MirrorHook>();
    hook->pane = c.find("mirror");
    hook->mirror = attach(c.factory.createMirror(), hook->pane);
    if (!hook->mirror)
        return nullptr;
    // The column stands behind the pane's plane, so it is left out: its
    // image would come out in front of the glass. So is the glowing ring:
    // its glow draws later from the vertices its reflection left last.
    for (const char* name : {"ground", "pedestal", "ball", "statue"})
        if (auto reflection = attach(c.factory.createReflection(), c.find(name)))
            hook->reflections.push_back(std::move(reflection));
    return hook;
#else
    (void)c;
    return nullptr;
#endif
}

// The column by the camera's path fades while the camera passes close.
std::unique_ptr<Hook> makeVanish(Context& c) {
#ifdef WORLD_HAS_OPACITY
    std::unique_ptr<CameraVanishInterface> vanish(c.factory.createCameraVanish());
    if (!vanish)
        return nullptr;
    EffectiveRenderMesh* link = vanish->getEffectMesh();
    // Fully there from 6 units beyond the near plane, a ghost at 1.
    vanish->setParameters(1.0f, 6.0f, 0.15f, 1.0f);
    vanish->enable();
    auto hook = std::make_unique<LinkHook<CameraVanishInterface>>(std::move(vanish), link);
    if (hook->attachTo(c.find("column")))
        return hook;
#else
    (void)c;
#endif
    return nullptr;
}

#ifdef WORLD_HAS_GLOW
// The ring glows, its intensity breathing.
class GlowHook : public LinkHook<GlowEffectInterface> {
public:
    using LinkHook::LinkHook;
    void update(float seconds, const std::string&) override {
        get().setIntensity(0.6f + 0.3f * std::sin(seconds * 2.0f));
    }
};

// Vertex fog on the far pillars and the ground; the fog's colour is the sky's.
class FogHook : public Hook {
public:
    FogHook()
        : saved{SEVertexFog::enabled, SEVertexFog::start, SEVertexFog::end, SEVertexFog::color} {
        SEVertexFog::enabled = true;
        SEVertexFog::start = worldFogStart;
        SEVertexFog::end = worldFogEnd;
        SEVertexFog::color = worldSkyColor();
    }
    ~FogHook() override {
        for (auto& link : links)
            link.part->detachEffect(link.mesh);
        SEVertexFog::enabled = saved.enabled;
        SEVertexFog::start = saved.start;
        SEVertexFog::end = saved.end;
        SEVertexFog::color = saved.color;
    }
    bool add(VertexFogEffectInterface* made, SceneObject* part) {
        std::unique_ptr<VertexFogEffectInterface> effect(made);
        auto* mesh = dynamic_cast<EffectiveRenderMesh*>(effect.get());
        if (!mesh || !part || !part->attachEffect(mesh))
            return false;
        links.push_back({std::move(effect), mesh, part});
        return true;
    }
    bool empty() const { return links.empty(); }

private:
    struct Link {
        std::unique_ptr<VertexFogEffectInterface> effect;
        EffectiveRenderMesh* mesh;
        SceneObject* part;
    };
    struct Saved {
        bool enabled;
        float start, end;
        Color color;
    } saved;
    std::vector<Link> links;
};
#endif

std::unique_ptr<Hook> makeGlow(Context& c) {
#ifdef WORLD_HAS_GLOW
    std::unique_ptr<GlowEffectInterface> glow(c.factory.createGlow());
    if (!glow)
        return nullptr;
    glow->setColor(Color(1.0f, 0.55f, 0.15f));
    glow->setIntensity(0.6f);
    EffectiveRenderMesh* link = glow.get();
    auto hook = std::make_unique<GlowHook>(std::move(glow), link);
    if (hook->attachTo(c.find("ring")))
        return hook;
#else
    (void)c;
#endif
    return nullptr;
}

std::unique_ptr<Hook> makeFog(Context& c) {
#ifdef WORLD_HAS_GLOW
    auto hook = std::make_unique<FogHook>();
    std::vector<SceneObject*> parts = c.findAll("pillar");
    parts.push_back(c.find("ground"));
    for (SceneObject* part : parts) {
        VertexFogEffectInterface* made = c.factory.createVertexFog();
        if (!made)
            break;
        hook->add(made, part);
    }
    if (!hook->empty())
        return hook;
#else
    (void)c;
#endif
    return nullptr;
}

#ifdef WORLD_HAS_HIGHLIGHT
// A headlight on the pointed part, or on the one named.
class HighlightHook : public Hook {
public:
    HighlightHook(Context& c, std::unique_ptr<DirectHighlightInterface> made,
                  EffectiveRenderMesh* link)
        : context(c), highlight(std::move(made)), link(link) {}
    ~HighlightHook() override { moveTo(nullptr); }
    void update(float, const std::string& pointed) override {
        moveTo(context.find(context.highlightTarget.empty() ? pointed : context.highlightTarget));
    }

private:
    void moveTo(SceneObject* part) {
        if (part == on)
            return;
        if (on)
            on->detachEffect(link);
        on = part && part->attachEffect(link) ? part : nullptr;
    }

    Context& context;
    std::unique_ptr<DirectHighlightInterface> highlight;
    EffectiveRenderMesh* link;
    SceneObject* on = nullptr;
};
#endif

std::unique_ptr<Hook> makeHighlight(Context& c) {
#ifdef WORLD_HAS_HIGHLIGHT
    std::unique_ptr<DirectHighlightInterface> highlight(c.factory.createDirectHighlight());
    auto* link = dynamic_cast<EffectiveRenderMesh*>(highlight.get());
    if (!link)
        return nullptr;
    highlight->setColor(Color(0.6f, 0.6f, 0.45f));
    highlight->useLights(true);
    highlight->enable();
    return std::make_unique<HighlightHook>(c, std::move(highlight), link);
#else
    (void)c;
    return nullptr;
#endif
}

}  // namespace

WorldEffects::WorldEffects(View& view, const std::vector<std::unique_ptr<SceneObject>>& objects,
                           const WorldMap& map, unsigned which, std::string highlightTarget)
    : asked(which) {
    if (!theRenderSpecialEffectFactory)
        return;
    // The hooks keep a reference to it; it lives as long as they do.
    context = std::make_unique<Context>(
        Context{view, objects, map, *theRenderSpecialEffectFactory, std::move(highlightTarget)});
    using Maker = std::unique_ptr<Hook> (*)(Context&);
    const std::pair<WorldEffect, Maker> makers[] = {
        {WORLD_WATER, makeWater},          {WORLD_SWAMP, makeSwamp},   {WORLD_CHROME, makeChrome},
        {WORLD_LIGHT_SPOT, makeLightSpot}, {WORLD_MIRROR, makeMirror}, {WORLD_VANISH, makeVanish},
        {WORLD_HIGHLIGHT, makeHighlight},  {WORLD_GLOW, makeGlow},     {WORLD_FOG, makeFog}};
    for (const auto& [effect, make] : makers) {
        if (!(which & effect))
            continue;
        if (std::unique_ptr<Hook> hook = make(*context)) {
            hooks.push_back(std::move(hook));
            madeEffects |= effect;
        }
    }
}

WorldEffects::~WorldEffects() {
    // Last made, first gone: the view and the parts outlive them all.
    while (!hooks.empty())
        hooks.pop_back();
}

void WorldEffects::update(float seconds, const std::string& pointed) {
    for (const auto& hook : hooks)
        hook->update(seconds, pointed);
}

}  // namespace scene
