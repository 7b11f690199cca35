// The demo scene's mapping and mirror effects, asked of the driver's effect
// factory, one at a time for the gallery: the column overlaid with a second
// texture, the ball in chrome, a light spot projected on the ground, a
// mirror lying on the ground reflecting the scene, and the column drawn
// inside out.
#pragma once

#include "pick_report.h"

#include <engine/core/mapping_interfaces.h>
#include <engine/core/material.h>
#include <engine/core/mirror_interfaces.h>
#include <engine/core/texture.h>

#include <memory>
#include <vector>

class RenderDriver;

namespace scene {

// SceneEffect bits of these effects; not part of the demo's own set.
enum MappingMirrorEffect : unsigned {
    EFFECT_MAPPING = 0x100000,
    EFFECT_SPHERICAL_MAPPING = 0x200000,
    EFFECT_PLANAR_MAPPING = 0x400000,
    EFFECT_MIRROR = 0x800000,
    EFFECT_INVERT_CULLING = 0x1000000,
    EFFECTS_MAPPING_MIRROR = 0x1F00000
};

struct MappingMirrorEffectName {
    unsigned effect;
    const char* name;   // as in file names
    const char* title;  // the class that draws it
    const char* note;   // what the picture shows
};
const std::vector<MappingMirrorEffectName>& mappingMirrorEffectNames();

class MappingMirrorEffects {
public:
    // The effects of `which` that the factory makes, on the scene's objects
    // (ground, column, ball, ring, glass).
    MappingMirrorEffects(const std::vector<std::unique_ptr<SceneObject>>& objects, unsigned which);
    ~MappingMirrorEffects();
    MappingMirrorEffects(const MappingMirrorEffects&) = delete;
    MappingMirrorEffects& operator=(const MappingMirrorEffects&) = delete;

    // Draws the meshes of its own (the mirror) in the view being drawn.
    void render(RenderDriver& driver);
    unsigned made() const;

private:
    SceneObject* find(const std::string& name) const;
    // Attaches and keeps the effect when both are there.
    template <typename Interface>
    bool put(Interface* effect, SceneObject* object, std::unique_ptr<Interface>& owner);

    const std::vector<std::unique_ptr<SceneObject>>& objects;
    std::unique_ptr<MappingEffectInterface> overlay;
    std::unique_ptr<SphericalMappingEffectInterface> chrome;
    std::unique_ptr<PlanarMappingEffectInterface> spot;
    std::unique_ptr<InvertCullingEffectInterface> insideOut;
    // The mirror: a square lying on the ground, and the reflections.
    Texture mirrorTexture{"/Textures/marble.tga"};
    Material mirrorMaterial;
    std::unique_ptr<BaseKeyMesh> mirrorMesh;
    std::unique_ptr<SceneObject> mirrorObject;
    std::unique_ptr<MirrorEffectInterface> mirror;
    std::vector<std::unique_ptr<ReflectionEffectInterface>> reflections;
};

}  // namespace scene
