// The demo scene's special effects, asked of the driver's effect factory:
// a fade in from black, a trace behind the ball, a contour on the pointed
// mesh, an aureole round the glass and the ring dissolving now and then.
#pragma once

#include "pick_report.h"

#include <engine/core/effect_interfaces.h>
#include <engine/core/opacity.h>
#include <engine/core/view.h>

#include <memory>
#include <string>
#include <vector>

namespace scene {

enum SceneEffect : unsigned {
    EFFECT_FADE = 0x1,
    EFFECT_TRACE = 0x2,
    EFFECT_CONTOUR = 0x4,
    EFFECT_AUREOLE = 0x8,
    EFFECT_DISSOLVE = 0x10,
    // Made by LightEffects.
    EFFECT_HALOS = 0x20,
    EFFECT_SMOKE = 0x40,
    EFFECT_SPARKS = 0x80,
    EFFECT_ALL = 0xFF,
    // Shown in the gallery only.
    EFFECT_OPACITY = 0x100,
    EFFECT_VERTEX_OPACITY = 0x200,
    EFFECT_CAMERA_VANISH = 0x400,
    // Made by LightingEffects; for the gallery, not in the demo's set.
    EFFECT_GLOW = 1u << 25,
    EFFECT_VERTEX_FOG = 1u << 26,
    EFFECT_DIRECT_HIGHLIGHT = 1u << 27,
    EFFECT_HIGHLIGHT = 1u << 28,
    EFFECT_ISOTROPIC_LIGHT = 1u << 29,
    EFFECT_UNIVERSAL_HIGHLIGHT = 1u << 30,
    EFFECT_LIGHTING = 0x3Fu << 25,
    // Made by SurfaceEffects.
    EFFECT_WATER = 0x800,
    EFFECT_SWAMP = 0x1000
};

struct SceneEffectName {
    SceneEffect effect;
    const char* name;   // as in file names
    const char* title;  // the class that draws it
};
// Every effect of the scene, in a fixed order.
const std::vector<SceneEffectName>& sceneEffectNames();

class SceneEffects {
public:
    // Seconds the fade from black takes at the start.
    static constexpr float fadeSeconds = 1.5f;
    // The ring dissolves over this many seconds, stays away as long, comes
    // back as slowly and stays as long again.
    static constexpr float dissolveSeconds = 2.0f;

    // The effects of `which` that the factory makes; `contourTarget` names
    // the mesh the contour stays on, empty: the pointed one.
    SceneEffects(View& view, const std::vector<std::unique_ptr<SceneObject>>& objects,
                 unsigned which, std::string contourTarget);
    ~SceneEffects();
    SceneEffects(const SceneEffects&) = delete;
    SceneEffects& operator=(const SceneEffects&) = delete;

    // The effects at `seconds` of the scene; `pointed` is the mesh under the
    // pointer, empty for none.
    void update(float seconds, const std::string& pointed);
    // The effects that were made.
    unsigned made() const;

private:
    SceneObject* find(const std::string& name) const;
    void makeTranslucentEffects(RenderSpecialEffectFactory& factory, unsigned which);
    void putContourOn(SceneObject* object);

    View& view;
    const std::vector<std::unique_ptr<SceneObject>>& objects;
    std::string contourTarget;
    FadingEffectInterface* fade = nullptr;
    TraceEffectInterface* trace = nullptr;
    Transformable ball;
    std::unique_ptr<ModelSelectionInterface> contour;
    SceneObject* contoured = nullptr;
    std::unique_ptr<AureoleEffectInterface> aureole;
    std::unique_ptr<MaterialDisappearanceEffectInterface> dissolve;
    std::unique_ptr<OpacityEffectInterface> opacity;
    std::unique_ptr<VertexOpacityInterface> vertexOpacity;
    std::unique_ptr<CameraVanishInterface> vanish;
    int dissolvePeriod = -1;
};

}  // namespace scene
