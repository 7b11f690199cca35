// The gallery's effects of lighting: the ring glowing, the column lit from
// the eye, the ball's ambient light raised, the glass lit evenly, the ring's
// colours tinted, and every mesh fading into the vertex fog with distance.
// Each is asked of the driver's effect factory; what it does not make is
// left out.
#pragma once

#include "pick_report.h"

#include <engine/core/render_mesh_interface.h>
#include <engine/core/special_effect.h>

#include <memory>
#include <vector>

namespace scene {

class LightingEffects {
public:
    // The effects of `which` (the EFFECT_ bits of scene_effects.h) on the
    // scene's objects, which must outlive them.
    LightingEffects(const std::vector<std::unique_ptr<SceneObject>>& objects, unsigned which);
    ~LightingEffects();
    LightingEffects(const LightingEffects&) = delete;
    LightingEffects& operator=(const LightingEffects&) = delete;

    unsigned made() const { return madeEffects; }

private:
    // Keeps the effect and puts its link on the named object; false when
    // either is missing.
    bool attach(SpecialEffect* effect, const char* object);

    struct Attached {
        std::unique_ptr<SpecialEffect> effect;
        SceneObject* object;
        EffectiveRenderMesh* link;
    };
    const std::vector<std::unique_ptr<SceneObject>>& objects;
    std::vector<Attached> attached;
    unsigned madeEffects = 0;
    bool fogWasEnabled = false;
};

}  // namespace scene
